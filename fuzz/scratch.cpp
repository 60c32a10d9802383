// The scratch directory of the fuzz entries, the watch on what the platform
// changes, the answering dialog handler and the registry of entries.
#include "fuzz/scratch.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "fuzz/fuzz.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/faults.h"
#include "platform/system.h"

namespace vrn::fuzz {

namespace {

// Answers every box with OK (a corrupted member is skipped, a prompt goes
// on) and sounds nothing.
class AnsweringDialogs : public DialogHandler {
public:
    int Show(HWND, std::string_view, std::string_view, uint32_t) override { return IDOK; }
    void Beep(uint32_t) override {}
};

int g_findingOutput = 2;

void DefaultFinding(const std::string& what) {
    const std::string line = "FINDING: " + what + "\n";
    if (::write(g_findingOutput, line.data(), line.size()) < 0) {}
    std::abort();
}

FindingHandler g_findingHandler = DefaultFinding;

void RemoveTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), 0700);
        std::vector<std::string> names;
        if (DIR* d = ::opendir(path.c_str())) {
            while (const dirent* e = ::readdir(d))
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
            ::closedir(d);
        }
        for (const std::string& n : names) RemoveTree(path + "/" + n);
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

struct ScratchDirectory {
    std::string root;       // as made
    std::string realRoot;   // with every link resolved
    AnsweringDialogs dialogs;
    ~ScratchDirectory() {
        if (!root.empty()) RemoveTree(root);
    }
};

ScratchDirectory& Scratch() {
    static ScratchDirectory scratch;
    return scratch;
}

// The host path with the links of its existing part resolved; the part
// that does not exist yet is kept as written.
std::string RealHostPath(const std::string& path) {
    std::string existing = path, rest;
    while (!existing.empty()) {
        char resolved[PATH_MAX];
        if (::realpath(existing.c_str(), resolved) != nullptr) return std::string(resolved) + rest;
        const size_t cut = existing.rfind('/');
        if (cut == std::string::npos) break;
        rest = existing.substr(cut) + rest;
        existing.resize(cut);
    }
    return path;
}

void WatchChange(FaultOp, const char* hostPath) {
    const std::string real = RealHostPath(hostPath);
    const std::string& inside = Scratch().realRoot;
    const bool climbs = real.find("/../") != std::string::npos ||
                        (real.size() >= 3 && real.compare(real.size() - 3, 3, "/..") == 0);
    if (climbs || real.compare(0, inside.size() + 1, inside + "/") != 0)
        Finding(std::string("an entry outside the scratch directory was changed: ") + hostPath);
}

}  // namespace

FindingHandler SetFindingHandler(FindingHandler handler) {
    const FindingHandler previous = g_findingHandler;
    g_findingHandler = handler != nullptr ? handler : DefaultFinding;
    return previous;
}

void Finding(const std::string& what) { g_findingHandler(what); }

void KeepFindingOutput() {
    const int fd = ::dup(2);
    if (fd >= 0) g_findingOutput = fd;
}

const std::string& BeginInput() {
    ScratchDirectory& s = Scratch();
    if (s.root.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vrn-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) {
            std::perror("vrn-fuzz: cannot make the scratch directory");
            std::abort();
        }
        s.root = name.data();
        s.realRoot = RealHostPath(s.root);
        SetDialogHandler(&s.dialogs);
        SetEnv("TMP", nullptr);
        SetEnv("TEMP", "C:\\temp");
    }
    SetFileChangeObserver(nullptr);
    RemoveTree(s.root + "/C");
    ::mkdir((s.root + "/C").c_str(), 0700);
    ::mkdir((s.root + "/C/temp").c_str(), 0700);
    PlatformConfig config;
    DriveMapping c;
    c.hostRoot = s.root + "/C";
    config.drives['C' - 'A'] = c;
    config.currentDirectory = "C:\\";
    ApplyPlatformConfig(config);

    FreeGlobalVars();
    InitializeGlobalVars();
    _logBatchFilePathName[0] = '\0';
    _destinationPath[0] = '\0';
    SetFileChangeObserver(WatchChange);
    return s.root;
}

std::string HostOf(std::string_view windowsPath) { return HostPath(windowsPath); }

bool WriteHostFile(const std::string& hostPath, const uint8_t* data, size_t size) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool WriteHostFile(const std::string& hostPath, std::string_view text) {
    return WriteHostFile(hostPath, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string ReadHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool HostExists(const std::string& hostPath) {
    struct stat st {};
    return ::lstat(hostPath.c_str(), &st) == 0;
}

Parameters TakeLines(const uint8_t* data, size_t size, int count, size_t limit) {
    Parameters p;
    size_t at = 0;
    for (int i = 0; i < count && i < 4; ++i) {
        size_t end = at;
        while (end < size && data[end] != '\n') ++end;
        p.line[i].assign(reinterpret_cast<const char*>(data) + at, std::min(end - at, limit));
        at = end < size ? end + 1 : size;
    }
    p.rest = data + at;
    p.restSize = size - at;
    return p;
}

namespace {

constexpr FuzzTarget kTargets[] = {
    {"install_tab", FuzzInstallTab, 64 * 1024},
    {"layout_tab", FuzzLayoutTab, 16 * 1024},
    {"volume_id", FuzzVolumeId, 256},
    {"archive", FuzzArchive, 64 * 1024},
    {"lzss", FuzzLzss, 16 * 1024},
    {"ini", FuzzIniFile, 8 * 1024},
    {"nls", FuzzNlsFile, 8 * 1024},
    {"tailor", FuzzTailoring, 8 * 1024},
    {"drive_map", FuzzDriveMap, 4 * 1024},
    {"response", FuzzResponseFile, 8 * 1024},
};

}  // namespace

std::span<const FuzzTarget> FuzzTargets() { return kTargets; }

const FuzzTarget* FindFuzzTarget(std::string_view name) {
    for (const FuzzTarget& t : kTargets)
        if (name == t.name) return &t;
    return nullptr;
}

}  // namespace vrn::fuzz
