// The drive map of an installer run: a drive-map file, or the drives of a
// Wine prefix, or the default; and the Windows form of paths the user types.
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "frontend/installer.h"
#include "platform/drives.h"

namespace vrn::installer {

namespace {

namespace fs = std::filesystem;

std::string ConfigHomeDrives() {
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') base = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        base = std::string(home) + "/.config";
    if (base.empty()) return {};
    const std::string file = base + "/varentis/drives";
    std::error_code ec;
    return fs::is_regular_file(file, ec) ? file : std::string();
}

// The file system type of the mount that holds `path`, from the host's
// mount table (the longest mount point that is a prefix of the path).
std::string MountType(const std::string& path) {
    std::ifstream mounts("/proc/self/mounts");
    std::string line, best, bestType;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type)) continue;
        const bool under = point == "/" || path == point || path.rfind(point + "/", 0) == 0;
        if (under && point.size() >= best.size()) {
            best = point;
            bestType = type;
        }
    }
    return bestType;
}

DriveKind KindOfMount(const std::string& type) {
    if (type == "iso9660" || type == "udf") return DriveKind::CdRom;
    if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" ||
        type == "fuse.sshfs" || type == "9p")
        return DriveKind::Network;
    if (type == "tmpfs" || type == "ramfs") return DriveKind::RamDisk;
    return DriveKind::Fixed;
}

}  // namespace

bool ReadWinePrefix(const std::string& prefix, PlatformConfig& out, std::string& error) {
    out = PlatformConfig{};
    const fs::path devices = fs::path(prefix) / "dosdevices";
    std::error_code ec;
    if (!fs::is_directory(devices, ec)) {
        error = prefix + ": not a Wine prefix (no dosdevices folder)";
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(devices, ec)) {
        const std::string name = entry.path().filename().string();
        // "c:" is a drive; "d::" is the raw device behind one, not a drive.
        if (name.size() != 2 || name[1] != ':' || std::isalpha(static_cast<unsigned char>(name[0])) == 0) continue;
        std::error_code linkError;
        const fs::path target = fs::canonical(entry.path(), linkError);
        if (linkError || !fs::is_directory(target, linkError)) continue;   // a drive whose folder is not there
        DriveMapping mapping;
        mapping.hostRoot = target.string();
        mapping.kind = KindOfMount(MountType(mapping.hostRoot));
        out.drives[std::toupper(static_cast<unsigned char>(name[0])) - 'A'] = mapping;
    }
    if (ec) {
        error = devices.string() + ": " + ec.message();
        return false;
    }
    if (out.drives['C' - 'A']) out.currentDirectory = "C:\\";
    return true;
}

bool SetUpDrives(const Options& options, std::string& error) {
    PlatformConfig config;
    if (!options.winePrefix.empty()) {
        if (!ReadWinePrefix(options.winePrefix, config, error)) return false;
        ApplyPlatformConfig(config);
        return true;
    }
    std::string file = options.drivesFile;
    if (file.empty())
        if (const char* named = std::getenv("VRN_DRIVES"); named != nullptr && *named != '\0') file = named;
    if (file.empty()) file = ConfigHomeDrives();
    if (file.empty()) {
        EnsurePlatformLoaded();   // C: on the host root, the host's own current directory
        return true;
    }
    if (!ParsePlatformConfig(file, config, error)) return false;
    ApplyPlatformConfig(config);
    return true;
}

bool IsWindowsForm(const std::string& path) {
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':') return true;
    return path.find('\\') != std::string::npos;
}

bool ToWindowsPath(const std::string& given, std::string& windows) {
    if (IsWindowsForm(given)) {
        windows = WithWindowsSeparators(given);
        return true;
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(given, ec).lexically_normal();
    if (ec) return false;
    std::string host = absolute.string();
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    windows = WindowsPathOf(host);
    return !windows.empty();
}

}  // namespace vrn::installer
