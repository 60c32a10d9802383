// Volume figures, volume information and the run-time entry-point lookup.
#include "platform/volume.h"

#include <sys/statvfs.h>

#include <chrono>
#include <cstring>
#include <string>

#include "platform/drives.h"
#include "platform/posix/posix_internal.h"
#include "platform/winmodel.h"

namespace vrn {

namespace {

struct Figures {
    uint32_t clusterSize = 0;
    uint64_t freeToCaller = 0;
    uint64_t total = 0;
    uint64_t totalFree = 0;
    DriveKind kind = DriveKind::Fixed;
    std::string label;
    uint32_t serial = 0;
};

bool IsSep(char c) { return c == '\\' || c == '/'; }

// The host's figures for the volume holding `hostRoot`. The engine asks
// the same volume several questions in a row (its information, its free
// space, its clusters), before every file it writes; figures taken within
// the last two milliseconds answer them all, so each such round costs one
// host query. Failures are never kept.
bool HostVolumeStatus(const std::string& hostRoot, struct statvfs& vs) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kFresh = std::chrono::milliseconds(2);
    static std::string lastRoot;
    static struct statvfs lastStatus {};
    static Clock::time_point lastTaken{};
    static bool have = false;
    const Clock::time_point now = Clock::now();
    if (have && hostRoot == lastRoot && now - lastTaken < kFresh) {
        vs = lastStatus;
        return true;
    }
    if (::statvfs(hostRoot.c_str(), &vs) != 0) {
        have = false;
        return false;
    }
    lastRoot = hostRoot;
    lastStatus = vs;
    lastTaken = now;
    have = true;
    return true;
}

// How a root text may be written.
enum class RootForm { Any, Exact };

// The figures of the volume that `root` names. False with the system error.
bool ReadFigures(const char* root, RootForm form, Figures& f, DWORD& error) {
    static const std::string kHostRoot = "/";
    std::string shareRoot;
    const std::string* hostRoot = &kHostRoot;   // a drive's own, not copied: asked before every file
    const DriveMapping* mapping = nullptr;
    if (root != nullptr && IsSep(root[0]) && IsSep(root[1])) {
        const ResolvedPath r = ResolvePath(root);
        if (!r.ok) {
            error = ERROR_BAD_NETPATH;
            return false;
        }
        shareRoot = r.host;
        hostRoot = &shareRoot;
        f.kind = DriveKind::Network;
    } else {
        char letter = 0;
        if (root == nullptr) {
            letter = static_cast<char>('A' + _getdrive() - 1);
        } else {
            if (root[0] == '\0' || root[1] != ':') {
                error = ERROR_INVALID_NAME;
                return false;
            }
            letter = host::UpperChar(root[0]);
            if (form == RootForm::Exact && !(IsSep(root[2]) && root[3] == '\0')) {
                error = ERROR_INVALID_NAME;
                return false;
            }
        }
        mapping = FindDrive(letter);
        if (mapping == nullptr) {
            error = ERROR_PATH_NOT_FOUND;
            return false;
        }
        if (!mapping->hostRoot.empty()) hostRoot = &mapping->hostRoot;
        f.kind = mapping->kind;
        f.label = mapping->label;
        f.serial = mapping->serial;
    }

    struct statvfs vs {};
    if (!HostVolumeStatus(*hostRoot, vs)) {
        error = ERROR_NOT_READY;
        return false;
    }
    const uint64_t unit = vs.f_frsize != 0 ? vs.f_frsize : vs.f_bsize;
    f.clusterSize = static_cast<uint32_t>(vs.f_bsize != 0 ? vs.f_bsize : 4096);
    f.freeToCaller = static_cast<uint64_t>(vs.f_bavail) * unit;
    f.total = static_cast<uint64_t>(vs.f_blocks) * unit;
    f.totalFree = static_cast<uint64_t>(vs.f_bfree) * unit;
    if (mapping != nullptr) {
        if (mapping->clusterSize != 0) f.clusterSize = mapping->clusterSize;
        if (mapping->freeBytes) f.freeToCaller = f.totalFree = *mapping->freeBytes;
        if (mapping->totalBytes) f.total = *mapping->totalBytes;
    }
    if (f.total < f.totalFree) f.total = f.totalFree;
    return true;
}

// A cluster as sectors: 512-byte sectors where the size allows, else one
// sector of the cluster's size.
void ClusterGeometry(uint32_t clusterSize, DWORD& sectorsPerCluster, DWORD& bytesPerSector) {
    if (clusterSize >= 512 && clusterSize % 512 == 0) {
        bytesPerSector = 512;
        sectorsPerCluster = clusterSize / 512;
    } else {
        bytesPerSector = clusterSize;
        sectorsPerCluster = 1;
    }
}

DWORD Clusters(uint64_t bytes, uint32_t clusterSize) {
    const uint64_t n = clusterSize != 0 ? bytes / clusterSize : 0;
    return n > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(n);
}

bool CopyText(const std::string& text, char* buffer, DWORD size) {
    if (buffer == nullptr) return true;
    if (text.size() + 1 > size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

bool IsWindows95Family(DWORD* build) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExA(&info) == 0) return false;
    if (build != nullptr) *build = info.dwBuildNumber & 0xFFFF;
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// The open devices.
constexpr HANDLE kVwin32Handle = 0x56570000;
int g_openDevices = 0;

bool SameIgnoringCase(const char* a, const char* b) {
    return a != nullptr && host::SameNameIgnoringCase(a, b);
}

void Store16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Store32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector, DWORD* freeClusters,
                       DWORD* totalClusters) {
    Figures f;
    DWORD error = 0;
    if (!ReadFigures(root, RootForm::Any, f, error)) {
        SetLastError(error);
        return 0;
    }
    DWORD spc = 0, bps = 0;
    ClusterGeometry(f.clusterSize, spc, bps);
    if (sectorsPerCluster != nullptr) *sectorsPerCluster = spc;
    if (bytesPerSector != nullptr) *bytesPerSector = bps;
    if (freeClusters != nullptr) *freeClusters = Clusters(f.freeToCaller, f.clusterSize);
    if (totalClusters != nullptr) *totalClusters = Clusters(f.total, f.clusterSize);
    return 1;
}

BOOL GetDiskFreeSpaceExA(const char* root, uint64_t* freeBytesAvailable, uint64_t* totalBytes,
                         uint64_t* totalFreeBytes) {
    Figures f;
    DWORD error = 0;
    if (!ReadFigures(root, RootForm::Any, f, error)) {
        SetLastError(error);
        return 0;
    }
    if (freeBytesAvailable != nullptr) *freeBytesAvailable = f.freeToCaller;
    if (totalBytes != nullptr) *totalBytes = f.total;
    if (totalFreeBytes != nullptr) *totalFreeBytes = f.totalFree;
    return 1;
}

BOOL GetVolumeInformationA(const char* root, char* volumeName, DWORD volumeNameSize, DWORD* serialNumber,
                           DWORD* maximumComponentLength, DWORD* fileSystemFlags, char* fileSystemName,
                           DWORD fileSystemNameSize) {
    Figures f;
    DWORD error = 0;
    if (!ReadFigures(root, RootForm::Exact, f, error)) {
        SetLastError(error);
        return 0;
    }
    const char* fileSystem = f.kind == DriveKind::Removable ? "FAT" : f.kind == DriveKind::CdRom ? "CDFS" : "NTFS";
    if (!CopyText(f.label, volumeName, volumeNameSize) || !CopyText(fileSystem, fileSystemName, fileSystemNameSize)) {
        SetLastError(ERROR_BAD_LENGTH);
        return 0;
    }
    if (serialNumber != nullptr) *serialNumber = f.serial;
    if (maximumComponentLength != nullptr) *maximumComponentLength = 255;
    if (fileSystemFlags != nullptr) *fileSystemFlags = FS_CASE_IS_PRESERVED;
    return 1;
}

FARPROC GetKernelProcAddress(const char* name) {
    if (name != nullptr && std::strcmp(name, "GetDiskFreeSpaceExA") == 0) {
        DWORD build = 0;
        if (!(IsWindows95Family(&build) && build < 1000))
            return reinterpret_cast<FARPROC>(static_cast<GetDiskFreeSpaceExProc>(&GetDiskFreeSpaceExA));
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HANDLE CreateDeviceA(const char* deviceName, DWORD /*access*/, DWORD /*flags*/) {
    if (deviceName != nullptr && SameIgnoringCase(deviceName, "\\\\.\\vwin32") && IsWindows95Family(nullptr)) {
        ++g_openDevices;
        return kVwin32Handle;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL CloseDevice(HANDLE device) {
    if (device != kVwin32Handle || g_openDevices == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    --g_openDevices;
    return 1;
}

BOOL DeviceIoControl(HANDLE device, DWORD controlCode, void* in, DWORD inSize, void* out, DWORD outSize,
                     DWORD* returned, void* /*overlapped*/) {
    if (device != kVwin32Handle || g_openDevices == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (controlCode != VWIN32_DIOC_DOS_DRIVEINFO || in == nullptr || out == nullptr ||
        inSize < sizeof(DIOC_REGISTERS) || outSize < sizeof(DIOC_REGISTERS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DIOC_REGISTERS regs;
    std::memcpy(&regs, in, sizeof regs);
    regs.reg_Flags |= DOS_CARRY_FLAG;
    if ((regs.reg_EAX & 0xFFFF) != DOS_EXTENDED_FREE_SPACE) {
        regs.reg_EAX = 0x0001;   // invalid function
    } else if (regs.reg_EDI == 0 || regs.reg_EDX == 0 || regs.reg_ECX < DOS_FREE_SPACE_REPLY_SIZE) {
        regs.reg_EAX = 0x0018;   // bad request length
    } else {
        Figures f;
        DWORD error = 0;
        if (!ReadFigures(reinterpret_cast<const char*>(regs.reg_EDX), RootForm::Any, f, error)) {
            regs.reg_EAX = 0x000F;   // invalid drive
        } else {
            DWORD spc = 0, bps = 0;
            ClusterGeometry(f.clusterSize, spc, bps);
            const DWORD freeClusters = Clusters(f.freeToCaller, f.clusterSize);
            const DWORD totalClusters = Clusters(f.total, f.clusterSize);
            auto* reply = reinterpret_cast<uint8_t*>(regs.reg_EDI);
            std::memset(reply, 0, DOS_FREE_SPACE_REPLY_SIZE);
            Store16(reply + 0, DOS_FREE_SPACE_REPLY_SIZE);
            Store16(reply + 2, 0);
            Store32(reply + DOS_REPLY_SECTORS_PER_CLUSTER, spc);
            Store32(reply + DOS_REPLY_BYTES_PER_SECTOR, bps);
            Store32(reply + DOS_REPLY_FREE_CLUSTERS, freeClusters);
            Store32(reply + DOS_REPLY_TOTAL_CLUSTERS, totalClusters);
            Store32(reply + 20, static_cast<uint32_t>(static_cast<uint64_t>(freeClusters) * spc));
            Store32(reply + 24, static_cast<uint32_t>(static_cast<uint64_t>(totalClusters) * spc));
            Store32(reply + 28, freeClusters);
            Store32(reply + 32, totalClusters);
            regs.reg_Flags &= ~static_cast<uintptr_t>(DOS_CARRY_FLAG);
        }
    }
    std::memcpy(out, &regs, sizeof regs);
    if (returned != nullptr) *returned = sizeof regs;
    return 1;
}

}  // namespace vrn
