// The installer tests' fixture: child runs of vinstall on temporary drives.
#include "tests/frontend/vinstall_fixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/vrnmedia/build.h"

namespace vrn::test {

namespace fs = std::filesystem;

namespace {

std::string ReadAllOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

std::map<std::string, std::string> ReadTree(const std::string& hostDir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    if (!fs::is_directory(hostDir, ec)) return files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(hostDir))
        if (e.is_regular_file()) files[fs::relative(e.path(), hostDir).string()] = ReadAllOf(e.path().string());
    return files;
}

void VinstallTest::SetUp() {
    TempDrives::SetUp();
    demoSource = DEMO_SOURCE;
    demoMedium = DEMO_MEDIUM;
    // The demo's sources are read in this process through a drive of their own.
    DriveMapping sources;
    sources.hostRoot = demoSource;
    MapDrive('S', sources);
    fs::create_directories(root + "/C/temp");
    WriteDrives();
}

void VinstallTest::WriteDrives(const std::string& extraLines) {
    drivesFile = root + "/drives";
    WriteHostFile(drivesFile, "drive C: " + root + "/C\ncwd C:\\\n" + extraLines);
}

std::string VinstallTest::BuildDemoVariant(const std::string& name,
                                           const std::vector<std::pair<std::string, std::string>>& edits) {
    const std::string source = root + "/C/src-" + name;
    fs::copy(demoSource, source, fs::copy_options::recursive);
    std::string description = ReadAllOf(source + "/demo.ini");
    for (const auto& [from, to] : edits) {
        const size_t at = description.find(from);
        if (at == std::string::npos) {
            ADD_FAILURE() << "the demo description has no " << from;
            continue;
        }
        description.replace(at, from.size(), to);
    }
    WriteHostFile(source + "/demo.ini", description);
    std::vector<std::string> errors, report;
    const std::string out = root + "/" + name;
    if (!media::BuildMedium(source + "/demo.ini", out, errors, report))
        ADD_FAILURE() << (errors.empty() ? "build failed" : errors.front());
    return out;
}

void VinstallTest::WriteResponse(const std::string& text) { WriteHostFile(root + "/C/install.ini", text); }

RunResult VinstallTest::Run(const std::vector<std::string>& args) {
    RunResult result;
    const std::string outFile = root + "/stdout", errFile = root + "/stderr";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("VRN_DRIVES", drivesFile.c_str(), 1);
        ::setenv("TMPDIR", (root + "/C/temp").c_str(), 1);
        ::setenv("HOME", root.c_str(), 1);
        ::unsetenv("TMP");
        ::unsetenv("TEMP");
        ::unsetenv("XDG_CONFIG_HOME");
        if (::chdir(root.c_str()) != 0) ::_exit(120);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        std::string program = VINSTALL;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(121);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadAllOf(outFile);
    result.err = ReadAllOf(errFile);
    return result;
}

std::string VinstallTest::Log() const {
    const std::string path = root + "/C/temp/install.log";
    return fs::exists(path) ? ReadAllOf(path) : std::string();
}

std::vector<std::string> VinstallTest::LogEntries() const {
    std::vector<std::string> entries;
    const std::string log = Log();
    const std::string header = "VARENTIS INSTALL UTILITY LOG";
    size_t at = log.find(header);
    while (at != std::string::npos) {
        const size_t start = log.find('\n', at) + 1;
        const size_t next = log.find(header, start);
        std::string entry = log.substr(start, next == std::string::npos ? std::string::npos : next - start);
        entry.erase(std::remove(entry.begin(), entry.end(), '\r'), entry.end());
        while (!entry.empty() && entry.back() == '\n') entry.pop_back();
        entries.push_back(entry);
        at = next;
    }
    return entries;
}

std::string VinstallTest::DemoResponse(const std::string& destination) {
    return "[Install]\n"
           "Destination=" + destination + "\n"
           "ServerEngine=both\n"
           "Languages=English, French\n"
           "Country=Germany\n"
           "WorkDirectory=D:\\work\n"
           "JavaDirectory=C:\\Java 1.1\n"
           "DocumentRoot=C:\\www\n"
           "ScriptsDirectory=C:\\www\\cgi\n"
           "UseSourceEditor=yes\n"
           "KestrelAdapter=yes\n"
           "\n"
           "[Product Varentis Database Server]\n"
           "SKU=Database Server Standard Edition\n"
           "Server Tools=yes\n"
           "Server Tools/Sample Database=yes\n"
           "Server Tools/Online Documentation=no\n"
           "\n"
           "[Product Varentis Client]\n"
           "\n"
           "[Product 290]\n";
}

std::vector<DemoArchive> DemoArchives(const std::string& description) {
    media::Description d;
    std::vector<std::string> errors;
    std::vector<DemoArchive> out;
    if (!media::ReadDescription(description, d, errors)) {
        ADD_FAILURE() << (errors.empty() ? "cannot read " + description : errors.front());
        return out;
    }
    for (const media::Archive& a : d.archives) out.push_back(DemoArchive{a.name, a.sourceDir});
    return out;
}

std::string Tailored(const std::string& text, const std::map<std::string, std::string>& values,
                     const std::string& destination) {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool terminated = end != std::string::npos;
        std::string line = text.substr(start, terminated ? end - start : std::string::npos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const char* marker : {"set RUD=", "%%RUD%%"}) {
            const size_t at = line.find(marker);
            if (at != std::string::npos) {
                line = line.substr(0, at + std::strlen(marker)) + destination;
                break;
            }
        }
        for (const auto& [tag, value] : values)
            for (size_t at = line.find(tag); at != std::string::npos; at = line.find(tag, at + value.size()))
                line.replace(at, tag.size(), value);
        out += line;
        if (terminated) out += "\r\n";
        start = terminated ? end + 1 : text.size();
    }
    return out;
}

}  // namespace vrn::test
