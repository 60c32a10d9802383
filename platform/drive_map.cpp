// The drive map and the current drive and directories: the process-wide
// platform state, loaded once from the drive-map file or set up by callers.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/drives.h"
#include "platform/host_internal.h"

namespace vrn {

namespace {

PlatformState g_state;
uint64_t g_mapVersion = 0;

int DriveIndex(char letter) {
    const char up = host::UpperChar(letter);
    return (up >= 'A' && up <= 'Z') ? up - 'A' : -1;
}

// "\dir\sub" from any spelling of an absolute directory part.
std::string CanonicalDirectory(std::string_view part) {
    std::vector<std::string> components;
    host::AppendComponents(part, components);
    std::string out;
    for (const std::string& c : components) out += "\\" + c;
    return out;
}

void LoadOnce() {
    if (g_state.loaded) return;
    g_state.loaded = true;
    const char* file = std::getenv("VRN_DRIVES");
    if (file == nullptr || *file == '\0') {
        ApplyPlatformConfig(host::DefaultPlatformConfig());
        return;
    }
    PlatformConfig config;
    std::string error;
    if (!ParsePlatformConfig(file, config, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(2);
    }
    ApplyPlatformConfig(config);
}

}  // namespace

namespace host {

void SetCurrentDirectoryOf(char letter, std::string directory) {
    const int i = DriveIndex(letter);
    if (i >= 0) g_state.currentDirectories[i] = directory == "\\" ? std::string() : std::move(directory);
}

const std::string& CurrentDirectoryOf(char letter) {
    static const std::string root = "\\";
    LoadOnce();
    const int i = DriveIndex(letter);
    if (i < 0 || g_state.currentDirectories[i].empty()) return root;
    return g_state.currentDirectories[i];
}

void SetCurrentDriveLetter(char letter) { g_state.currentDrive = UpperChar(letter); }

uint64_t DriveMapVersion() { return g_mapVersion; }

char CurrentDriveLetter() {
    LoadOnce();
    return g_state.currentDrive;
}

}  // namespace host

void ApplyPlatformConfig(const PlatformConfig& config) {
    ++g_mapVersion;
    g_state.loaded = true;
    g_state.config = config;
    // A share connected to a letter is a network drive of the map as well.
    for (const ShareDecl& share : config.shares) {
        const int i = DriveIndex(share.letter);
        if (i < 0 || g_state.config.drives[i]) continue;
        DriveMapping m;
        m.hostRoot = share.hostRoot;
        m.kind = DriveKind::Network;
        g_state.config.drives[i] = m;
    }
    g_state.currentDirectories.fill(std::string());
    g_state.currentDrive = 'C';
    const std::string& cwd = config.currentDirectory;
    if (cwd.size() >= 2 && cwd[1] == ':' && DriveIndex(cwd[0]) >= 0) {
        g_state.currentDrive = host::UpperChar(cwd[0]);
        host::SetCurrentDirectoryOf(cwd[0], CanonicalDirectory(std::string_view(cwd).substr(2)));
    } else if (!g_state.config.drives[2]) {
        for (int i = 0; i < 26; ++i)
            if (g_state.config.drives[i]) {
                g_state.currentDrive = static_cast<char>('A' + i);
                break;
            }
    }
}

void EnsurePlatformLoaded() { LoadOnce(); }

const PlatformConfig& CurrentPlatformConfig() {
    LoadOnce();
    return g_state.config;
}

PlatformState SavePlatformState() { return g_state; }

void RestorePlatformState(const PlatformState& state) {
    ++g_mapVersion;
    g_state = state;
}

void ClearDriveMap() {
    LoadOnce();
    ++g_mapVersion;
    for (auto& d : g_state.config.drives) d.reset();
    g_state.currentDirectories.fill(std::string());
}

void MapDrive(char letter, const DriveMapping& mapping) {
    LoadOnce();
    const int i = DriveIndex(letter);
    if (i < 0) return;
    ++g_mapVersion;
    DriveMapping m = mapping;
    while (m.hostRoot.size() > 1 && m.hostRoot.back() == '/') m.hostRoot.pop_back();
    g_state.config.drives[i] = m;
    g_state.currentDirectories[i].clear();
}

void UnmapDrive(char letter) {
    LoadOnce();
    const int i = DriveIndex(letter);
    if (i < 0) return;
    ++g_mapVersion;
    g_state.config.drives[i].reset();
    g_state.currentDirectories[i].clear();
}

const DriveMapping* FindDrive(char letter) {
    LoadOnce();
    const int i = DriveIndex(letter);
    if (i < 0 || !g_state.config.drives[i]) return nullptr;
    return &*g_state.config.drives[i];
}

int _getdrive() { return host::CurrentDriveLetter() - 'A' + 1; }

int _chdrive(int drive) {
    if (drive < 1 || drive > 26 || FindDrive(static_cast<char>('A' + drive - 1)) == nullptr) {
        errno = EACCES;
        return -1;
    }
    host::SetCurrentDriveLetter(static_cast<char>('A' + drive - 1));
    return 0;
}

char* _getdcwd(int drive, char* buffer, int size) {
    const char letter = drive == 0 ? host::CurrentDriveLetter() : static_cast<char>('A' + drive - 1);
    if (drive < 0 || drive > 26 || FindDrive(letter) == nullptr) {
        errno = EACCES;
        return nullptr;
    }
    const std::string text = std::string(1, letter) + ":" + host::CurrentDirectoryOf(letter);
    if (buffer == nullptr) {
        // As the C runtime does: a buffer of at least `size` bytes is
        // allocated for the caller, who releases it with std::free.
        const size_t n = std::max<size_t>(size > 0 ? static_cast<size_t>(size) : 0, text.size() + 1);
        buffer = static_cast<char*>(std::malloc(n));
        if (buffer == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
    } else if (size <= 0 || text.size() + 1 > static_cast<size_t>(size)) {
        errno = ERANGE;
        return nullptr;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return buffer;
}

std::string WithWindowsSeparators(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

char* _getcwd(char* buffer, int size) { return _getdcwd(0, buffer, size); }

int _chdir(const char* path) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    const ResolvedPath r = ResolvePath(path);
    if (!r.ok || r.drive == 0 || !host::IsHostDirectory(r.host)) {
        errno = ENOENT;
        return -1;
    }
    // Changing the directory of a drive makes that drive current too.
    host::SetCurrentDriveLetter(r.drive);
    host::SetCurrentDirectoryOf(r.drive, r.windows.substr(2));
    return 0;
}

}  // namespace vrn
