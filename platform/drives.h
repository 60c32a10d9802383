// Drive map: the 26 drive letters, each absent or mapped to a host directory
// with a kind and optional simulated volume figures; the current drive and a
// current directory per drive; and the resolution of Windows-form paths to
// host paths.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrn {

enum class DriveKind : uint8_t { Removable, Fixed, CdRom, Network, RamDisk };

struct DriveMapping {
    std::string hostRoot;          // absolute host directory, no trailing '/'
    DriveKind kind = DriveKind::Fixed;
    std::string label;             // volume label ("" = none)
    uint32_t serial = 0;           // volume serial number
    uint32_t clusterSize = 0;      // bytes per cluster; 0 = from statvfs
    std::optional<uint64_t> freeBytes;   // simulated free space; unset = statvfs
    std::optional<uint64_t> totalBytes;  // simulated capacity; unset = statvfs
};

// A network share declared in the configuration: reachable by its UNC name,
// optionally already connected to a local letter.
struct ShareDecl {
    std::string unc;         // "\\srv\share", as written
    std::string hostRoot;
    char letter = 0;         // 'N' when connected as N:, 0 when not
};

// A top-level window of the window-list model.
struct WindowDecl {
    std::string className;
    std::string title;
    bool visible = true;
    bool enabled = true;
    bool minimized = false;
};

// A registry value of the registry model: "HKEY_LOCAL_MACHINE\Software\X", name, data.
struct RegistryDecl {
    std::string key;
    std::string name;
    std::string value;
};

// The platform version model.
enum class PlatformFamily : uint8_t { Windows95, WindowsNT };
struct VersionDecl {
    PlatformFamily family = PlatformFamily::WindowsNT;
    uint32_t major = 4, minor = 0, build = 1381;
    std::string servicePack;
};

// Everything a drive-map file declares.
struct PlatformConfig {
    std::array<std::optional<DriveMapping>, 26> drives;
    std::vector<ShareDecl> shares;
    std::vector<WindowDecl> windows;
    std::vector<RegistryDecl> registry;
    VersionDecl version;
    std::string currentDirectory;   // "C:\dir": initial current drive and directory
};

// Parses a drive-map file. On failure returns false and sets `error` to
// "FILE:LINE: what is wrong".
bool ParsePlatformConfig(const std::string& hostFile, PlatformConfig& out, std::string& error);

// Installs a configuration as the process's platform state (drives, shares,
// windows, registry, version, current directories).
void ApplyPlatformConfig(const PlatformConfig& config);

// Loads the configuration once: from the file named by VRN_DRIVES, or the
// default (C: is the host root as a fixed drive, current directory the host's
// own). A malformed file prints its error and ends the process with status 2.
void EnsurePlatformLoaded();

// The configuration now in force (after EnsurePlatformLoaded or Apply).
const PlatformConfig& CurrentPlatformConfig();

// The whole platform state: the configuration in force with the drive map,
// the current drive and every drive's current directory. Test fixtures save
// it before a test and put it back afterwards.
struct PlatformState {
    PlatformConfig config;
    bool loaded = false;
    char currentDrive = 'C';
    std::array<std::string, 26> currentDirectories;   // "\dir" form; "" = root
};
PlatformState SavePlatformState();
void RestorePlatformState(const PlatformState& state);

// Programmatic drive map, used by tests and by connections made at run time.
// Clearing removes every drive (shares stay declared); mapping a drive sets
// its current directory to the root.
void ClearDriveMap();
void MapDrive(char letter, const DriveMapping& mapping);
void UnmapDrive(char letter);
const DriveMapping* FindDrive(char letter);   // null when absent

// Current drive (1 = A) and per-drive current directory, C runtime style.
int _getdrive();
int _chdrive(int drive);                      // 0, or -1 (absent drive)
char* _getcwd(char* buffer, int size);        // "C:\dir"; null if it does not fit
char* _getdcwd(int drive, char* buffer, int size);
int _chdir(const char* path);                 // 0, or -1 with errno ENOENT

// A path typed with '/' in Windows form: every '/' becomes '\'. Paths are
// given this form once, where they enter (the drive-map file, the programs'
// arguments); the engine's joins know only the backslash.
std::string WithWindowsSeparators(std::string_view path);

// Result of resolving a Windows-form path.
struct ResolvedPath {
    bool ok = false;          // false: absent drive, unknown share or bad form
    std::string host;         // host path ("" when !ok)
    char drive = 0;           // drive letter the path lies on, 0 for a UNC path
    std::string windows;      // full Windows form, e.g. "C:\DIR\file.txt"
};

// Resolves `path` (C:\a, C:a, \a, a\b, .\a, ..\a, \\srv\share\a; '\' or '/')
// against the current drive and directories. Each component that does not
// exist under its exact name is matched case-insensitively against the
// entries of its parent; a component with no match keeps its given case.
ResolvedPath ResolvePath(std::string_view path);

// Shortcut: the host path, or "" when the path cannot be resolved.
std::string HostPath(std::string_view path);

// The Windows form of a host path that lies under a mapped drive ("" if none).
std::string WindowsPathOf(const std::string& hostPath);

}  // namespace vrn
