// Finding the medium: a CD-ROM's or staged medium's root, the folder of
// diskettes disk1, disk2, ... (or the first diskette's folder with the others
// beside it), or a drive of the map; a drive letter of its own for a medium
// that lies on none.
#include <filesystem>

#include "frontend/installer.h"
#include "platform/drives.h"

namespace vrn::installer {

namespace {

namespace fs = std::filesystem;

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}
bool IsDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// The first letter from `first` that no drive of the map uses, or 0.
char FreeLetter(char first) {
    for (char letter = first; letter <= 'Z'; ++letter)
        if (FindDrive(letter) == nullptr) return letter;
    return 0;
}

// The Windows form of a host directory, mapping it as a drive of the given
// kind when it lies on none.
bool WindowsDirectory(const std::string& host, DriveKind kind, char firstLetter, std::string& windows,
                      std::string& error) {
    windows = WindowsPathOf(host);
    if (!windows.empty()) return true;
    const char letter = FreeLetter(firstLetter);
    if (letter == 0) {
        error = host + ": lies on no drive of the map, and no drive letter is free for it";
        return false;
    }
    DriveMapping mapping;
    mapping.hostRoot = host;
    mapping.kind = kind;
    MapDrive(letter, mapping);
    windows = std::string(1, letter) + ":\\";
    return true;
}

std::string Join(const std::string& windowsDir, const std::string& name) {
    return windowsDir.back() == '\\' ? windowsDir + name : windowsDir + "\\" + name;
}

}  // namespace

bool LocateMedium(const std::string& given, Medium& out, std::string& error) {
    out = Medium{};
    std::string host;
    if (given.empty()) {
        std::error_code ec;
        host = fs::current_path(ec).string();
    } else if (IsWindowsForm(given)) {
        const ResolvedPath resolved = ResolvePath(given);
        if (!resolved.ok) {
            error = given + ": no such drive or share in the drive map";
            return false;
        }
        host = resolved.host;
    } else {
        std::error_code ec;
        host = fs::absolute(given, ec).lexically_normal().string();
    }
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    if (!IsDir(host)) {
        error = (given.empty() ? host : given) + ": no such directory";
        return false;
    }

    const fs::path root(host);
    if (IsFile(root / "install.tab") && IsFile(root / "volume.id") && IsFile(root / "layout.tab")) {
        out.layout = MediumLayout::Diskettes;
        if (!IsDir(root.parent_path() / "disk1")) {
            // A diskette drive of its own: the diskettes are changed in it.
            std::string drive;
            if (!WindowsDirectory(host, DriveKind::Removable, 'A', drive, error)) return false;
            out.disks.push_back(drive);
            out.root = drive;
            return true;
        }
        // The first diskette's folder, the others beside it.
        host = root.parent_path().string();
    } else if (IsFile(root / "disk1" / "install.tab")) {
        out.layout = MediumLayout::Diskettes;
    } else if (IsFile(root / "install.tab")) {
        out.layout = IsDir(root / "XXARCSXX") ? MediumLayout::Staged : MediumLayout::CdRom;
    } else {
        error = (given.empty() ? host : given) + ": no installation medium here (no install.tab)";
        return false;
    }

    if (out.layout == MediumLayout::Diskettes) {
        // The diskettes are folders disk1, disk2, ... of one folder, reached
        // through a removable drive when that folder lies on no drive.
        std::string parent;
        if (!WindowsDirectory(host, DriveKind::Removable, 'A', parent, error)) return false;
        for (int n = 1; IsDir(fs::path(host) / ("disk" + std::to_string(n))); ++n)
            out.disks.push_back(Join(parent, "disk" + std::to_string(n)));
        out.root = out.disks.front();
        return true;
    }
    const DriveKind kind = out.layout == MediumLayout::CdRom ? DriveKind::CdRom : DriveKind::Fixed;
    if (!WindowsDirectory(host, kind, 'D', out.root, error)) return false;
    out.archiveDir = out.layout == MediumLayout::Staged ? Join(out.root, "XXARCSXX") : out.root;
    return true;
}

}  // namespace vrn::installer
