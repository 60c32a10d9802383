// The installation log, install.log. Every entry is a header line with the
// runtime's version and the local time, the text, and one empty line. The
// log grows across runs and is never truncated. Writing it never reports a
// failure: an entry that cannot be written is dropped.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/system.h"
#include "runtime/files/files.h"

namespace vrn {

namespace {

constexpr const char kLogFileName[] = "install.log";

// Chooses the log's path on first use and keeps it in _logBatchFilePathName,
// so that every later entry goes to the same file. False when no directory
// can be found.
bool ChooseLogPath() {
    if (_logBatchFilePathName[0] != '\0') return true;

    std::string directory;
    if (const char* tmp = GetEnv("TMP")) {
        directory = tmp;
    } else if (const char* temp = GetEnv("TEMP")) {
        directory = temp;
    } else if (const char* tmpdir = GetEnv("TMPDIR")) {
        directory = tmpdir;
    } else {
        char current[256];
        if (_getcwd(current, sizeof current) == nullptr) return false;
        directory = current;
    }

    std::string joined(directory.size() + sizeof kLogFileName + 4, '\0');
    FormatFileName(directory.c_str(), kLogFileName, joined.data());
    const size_t length = std::strlen(joined.c_str());
    if (length >= sizeof _logBatchFilePathName) return false;
    std::memcpy(_logBatchFilePathName, joined.c_str(), length + 1);
    return true;
}

bool WriteAll(int32_t fd, const char* data, size_t size) {
    return _write(fd, data, static_cast<unsigned int>(size)) == static_cast<int>(size);
}

}  // namespace

void (*_logEntryHook)(const char* text) = nullptr;

void FlushData(const char* text) {
    if (_logEntryHook != nullptr) {
        _logEntryHook(text != nullptr ? text : "");
        return;
    }
    if (!ChooseLogPath()) return;

    // A new log is created in binary mode, so its first entry keeps bare line
    // feeds; an existing one is opened in text mode, and later entries get
    // the platform's text line ends.
    int32_t fd;
    if (_access(_logBatchFilePathName, ACCESS_EXISTS) != 0) {
        fd = utcreatdll(_logBatchFilePathName, _S_IREAD | _S_IWRITE, 0, _pgc);
        if (fd < 0) return;
    } else {
        fd = utopendll(_logBatchFilePathName, _O_RDWR | _O_TEXT, -1, 0, _pgc);
        if (fd < 0) return;
        if (_lseek(fd, 0, SEEK_END) < 0) {
            utclose(fd, UT_WRITE_THROUGH);
            return;
        }
    }
    UtDescriptor log(fd);

    std::tm now{};
    const std::string stamp = LocalTime(CurrentTime(), now) ? AscTime(now) : std::string();
    const std::string header =
        std::string("VARENTIS INSTALL UTILITY LOG <VERSION ") + utversn() + "> (" + stamp + ")\n";
    if (!WriteAll(fd, header.data(), header.size())) return;
    if (text != nullptr && !WriteAll(fd, text, std::strlen(text))) return;
    WriteAll(fd, "\n\n", 2);
}

}  // namespace vrn
