// Tag substitution over one large text file, for run_bench.sh:
//   bench_tailor make FILE MIB   writes a CR LF text file of MIB MiB with
//                                markers every few lines
//   bench_tailor run FILE        tailors it once (as the installer would,
//                                through the drive map's C: = host root),
//                                checks the result and prints the figures
// FILE is a host path; the default drive map makes it C:<path>.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "engine/state/state.h"
#include "engine/tailor/tailor.h"
#include "platform/drives.h"

namespace {

// The lines of the file, repeated in turn: five in twelve carry markers.
const char* const kLines[] = {
    "rem Varentis environment settings for the server and its tools\r\n",
    "set RUD=C:\\VARENTIS\\OLD\\DIRECTORY\\THAT\\WILL\\BE\\REPLACED\r\n",
    "set PATH=%PATH%;%VRNDIR%\\bin;%VRNDIR%\\lib;%SystemRoot%\\system32\r\n",
    "server.classpath=[[java-home]]\\lib\\classes.zip[[kestrel-mq]]\r\n",
    "# the messages are read from the national-language files of the server\r\n",
    "log.directory = logs ; size limit 1024 kilobytes, kept for seven days\r\n",
    "path=[[install-dir]]\\bin;[[work-dir]]\\lib;[[jfc-home]]\\lib\r\n",
    "java.security.policy=properties\\server.policy (see the manual, chapter 5)\r\n",
    "echo Installing the samples into %%RUD%%\\samples, please wait\r\n",
    "date.format=[[nls-date]] number.format=[[nls-number]][[nls-numsep]]\r\n",
    "startup.sequence=listener,scheduler,relays,hubs,stubs,monitors\r\n",
    "  if exist %TEMP%\\vrn.lck del %TEMP%\\vrn.lck >nul\r\n",
};
constexpr int kLineCount = sizeof kLines / sizeof kLines[0];

int Make(const char* file, long mib) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const uint64_t size = static_cast<uint64_t>(mib) << 20;
    std::string block;
    for (int i = 0; block.size() < (1u << 16); i = (i + 1) % kLineCount) block += kLines[i];
    uint64_t written = 0;
    while (written + block.size() <= size) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        written += block.size();
    }
    for (int i = 0; written < size; i = (i + 1) % kLineCount) {
        const std::string line = kLines[i];
        if (written + line.size() > size) break;
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        written += line.size();
    }
    if (!out) {
        std::fprintf(stderr, "bench_tailor: cannot write %s\n", file);
        return 1;
    }
    return 0;
}

void Set(char* value, const char* text) { std::snprintf(value, 256, "%s", text); }

int Run(const char* file) {
    vrn::EnsurePlatformLoaded();
    vrn::_commandLineSwitch = vrn::SWITCH_BATCH;
    Set(vrn::_destinationPath, "C:\\Program Files\\Varentis");
    Set(vrn::_workPath, "C:\\Program Files\\Varentis\\work");
    Set(vrn::_javaDestinationPath, "C:\\Program Files\\Varentis\\java");
    Set(vrn::_nlsDateFormat, "DMY4");
    Set(vrn::_nlsNumberFormat, "N2");
    Set(vrn::_nlsNumsep, ",");
    vrn::_bInstallingKestrelMqAdapter = 1;
    const std::string windowsPath = vrn::WindowsPathOf(file);
    if (windowsPath.empty()) {
        std::fprintf(stderr, "bench_tailor: %s is on no drive\n", file);
        return 1;
    }
    std::ifstream sized(file, std::ios::binary | std::ios::ate);
    const auto bytes = static_cast<double>(sized.tellg());
    sized.close();

    const auto t0 = std::chrono::steady_clock::now();
    const int32_t result = vrn::ModifyFile(windowsPath.c_str(), vrn::_destinationPath);
    const auto t1 = std::chrono::steady_clock::now();
    if (result != 0) {
        std::fprintf(stderr, "bench_tailor: tailoring failed with %d (see the installation log)\n", result);
        return 1;
    }
    // Every marker is gone and every line kept its CR LF.
    std::ifstream in(file, std::ios::binary);
    std::string line;
    uint64_t lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        if (line.find("[[") != std::string::npos || line.empty() || line.back() != '\r') {
            std::fprintf(stderr, "bench_tailor: line %llu not tailored: %s\n", static_cast<unsigned long long>(lines),
                         line.c_str());
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(t1 - t0).count();
    std::printf("%.0f bytes %llu lines %.3f s %.0f MB/s\n", bytes, static_cast<unsigned long long>(lines), seconds,
                bytes / seconds / 1e6);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "make") == 0) return Make(argv[2], std::atol(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "run") == 0) return Run(argv[2]);
    std::fprintf(stderr, "usage: bench_tailor make FILE MIB | bench_tailor run FILE\n");
    return 2;
}
