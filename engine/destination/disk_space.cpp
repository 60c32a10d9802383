// The volume space query: the bytes free to the caller and the volume's
// cluster size, turned into the cluster-size class _blockSizeIndex
// (cluster = 512 << index), asked the way each platform family answers.
#include <cstring>
#include <string>
#include <vector>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "platform/network.h"
#include "platform/volume.h"
#include "platform/winmodel.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

void ReportUntranslatable(const char* path) {
    std::string text = "Unable to translate UNC pathname ";
    text += path;
    text += "\n to drive letter and directory name.\nYou must map a drive letter to the UNC pathname.";
    if (_commandLineSwitch & SWITCH_BATCH) {
        FlushData(text.c_str());
    } else {
        MessageBeep(MB_BEEP_DEFAULT);
        MessageBox(_installWnd, text.c_str(), "Error", MB_OK | MB_ICONEXCLAMATION);
    }
}

// The free bytes through the run-time entry point, when the system has it;
// `freeBytes` is left as it is otherwise.
void FreeSpaceFromExtendedCall(const char* root, double* freeBytes) {
    const FARPROC entry = GetKernelProcAddress("GetDiskFreeSpaceExA");
    if (entry == nullptr) return;
    const auto call = reinterpret_cast<GetDiskFreeSpaceExProc>(entry);
    uint64_t available = 0, total = 0, totalFree = 0;
    if (call(root, &available, &total, &totalFree) != 0) *freeBytes = static_cast<double>(available);
}

// The cluster size from the DOS extended free-space call of vwin32, or the
// default size when the device or the call fails.
uint32_t ClusterFromDeviceCall(const char* root) {
    const HANDLE device = CreateDeviceA("\\\\.\\vwin32", 0, FILE_FLAG_DELETE_ON_CLOSE);
    if (device == INVALID_HANDLE_VALUE) return DEFAULT_CLUSTER_SIZE;
    uint8_t reply[DOS_FREE_SPACE_REPLY_SIZE] = {};
    DIOC_REGISTERS regs;
    regs.reg_EAX = DOS_EXTENDED_FREE_SPACE;
    regs.reg_EDX = reinterpret_cast<uintptr_t>(root);
    regs.reg_ECX = sizeof reply;
    regs.reg_EDI = reinterpret_cast<uintptr_t>(reply);
    regs.reg_Flags = DOS_CARRY_FLAG;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(device, VWIN32_DIOC_DOS_DRIVEINFO, &regs, sizeof regs, &regs, sizeof regs,
                                    &returned, nullptr);
    CloseDevice(device);
    if (!ok || (regs.reg_Flags & DOS_CARRY_FLAG) != 0) return DEFAULT_CLUSTER_SIZE;
    auto word = [&](uint32_t offset) {
        return static_cast<uint32_t>(reply[offset]) | static_cast<uint32_t>(reply[offset + 1]) << 8 |
               static_cast<uint32_t>(reply[offset + 2]) << 16 | static_cast<uint32_t>(reply[offset + 3]) << 24;
    };
    return word(DOS_REPLY_SECTORS_PER_CLUSTER) * word(DOS_REPLY_BYTES_PER_SECTOR);
}

int32_t IndexOfCluster(uint32_t clusterBytes) {
    uint32_t q = clusterBytes >> 9;
    if (q <= 1) return 0;
    int32_t index = 0;
    while (q > 1) {
        q >>= 1;
        ++index;
    }
    // Clusters above 64 KiB fall in the largest class there is.
    return index > MAX_BLOCK_SIZE_INDEX ? MAX_BLOCK_SIZE_INDEX : index;
}

}  // namespace

int32_t mfGetDiskGeometry(const char* root, uint32_t* clusterBytes, double* freeBytes) {
    char volumeName[128] = {};
    char fileSystemName[80] = {};
    DWORD serial = 0, longestName = 0, fileSystemFlags = 0;
    if (!GetVolumeInformationA(root, volumeName, sizeof volumeName, &serial, &longestName, &fileSystemFlags,
                               fileSystemName, sizeof fileSystemName)) {
        char text[512] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(),
                       LANG_NEUTRAL_DEFAULT, text, sizeof text, nullptr);
        MessageBox(nullptr, text, "GetLastError", MB_OK | MB_ICONINFORMATION);
    }

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 1;
    const DWORD build = version.dwBuildNumber & 0xFFFF;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;

    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && build < 1000) {
        if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
            *clusterBytes = sectorsPerCluster * bytesPerSector;
            // Worked in 32 bits, as this family's call reports it.
            const uint32_t bytes = freeClusters * bytesPerSector * sectorsPerCluster;
            *freeBytes = static_cast<double>(bytes);
        } else {
            *clusterBytes = DEFAULT_CLUSTER_SIZE;
        }
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        FreeSpaceFromExtendedCall(root, freeBytes);
        *clusterBytes = ClusterFromDeviceCall(root);
    } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        FreeSpaceFromExtendedCall(root, freeBytes);
        if (GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
            *clusterBytes = sectorsPerCluster * bytesPerSector;
        else
            *clusterBytes = DEFAULT_CLUSTER_SIZE;
    }
    return 1;
}

double GetDiskSpaceInfo(char* path) {
    _blockSizeIndex = 0;
    uint32_t clusterBytes = 0;
    double freeBytes = 0;
    char root[8] = {};

    if (path[0] == '\\' && path[1] == '\\') {
        std::vector<char> share(std::strlen(path) + 1, '\0');
        char found[8] = {};
        // A search that found no connection serving the path, or no drive for
        // it, leaves nothing usable; a letter it gave on the way is taken back.
        if (mfGetPathNameFromUNC(path, share.data(), found) != 0 || found[0] == '\0' || share[0] == '\0') {
            if (_mappedNetworkSetupDrive[0] != '\0') WNetCancelConnection2A(_mappedNetworkSetupDrive, 0, 0);
            ReportUntranslatable(path);
            return RESULT_STOP;
        }
        UtBlock pathNameTempPtr(utmalloc(static_cast<uint32_t>(std::strlen(path) + 1)));
        if (pathNameTempPtr.p == nullptr) return DisplayErrorMsg(_installWnd, "pathNameTempPtr", 601);
        char* copy = static_cast<char*>(pathNameTempPtr.p);
        std::strcpy(copy, path);
        const char* rest = copy + std::strlen(share.data());
        if (*rest == '\\' || *rest == '/') ++rest;
        // The drive form is never longer than the UNC form it replaces.
        std::vector<char> joined(std::strlen(found) + std::strlen(rest) + 8, '\0');
        if (FormatFileName(found, rest, joined.data()) != 0) return RESULT_STOP;
        std::strcpy(path, joined.data());
        root[0] = found[0];
    } else if (path[0] != '\0' && path[1] == ':') {
        root[0] = path[0];
    } else {
        // A path without a drive lies on the current drive.
        root[0] = static_cast<char>('A' + _getdrive() - 1);
    }
    root[1] = ':';
    root[2] = '\\';
    root[3] = '\0';

    mfGetDiskGeometry(root, &clusterBytes, &freeBytes);
    if (_mappedNetworkSetupDrive[0] != '\0') WNetCancelConnection2A(_mappedNetworkSetupDrive, 0, 0);
    _blockSizeIndex = IndexOfCluster(clusterBytes);
    return freeBytes;
}

uint32_t AcquireFileSize(int32_t fd, const char* fileName) {
    _stat_t status;
    if (_fstat(fd, &status) != 0) {
        DisplayErrorMsg(_installWnd, fileName, 109);
        return 0;
    }
    std::vector<char> path(std::strlen(fileName) + 1, '\0');
    std::strcpy(path.data(), fileName);
    GetDiskSpaceInfo(path.data());
    const uint64_t cluster = 512ull << _blockSizeIndex;
    const uint64_t size = static_cast<uint64_t>(status.st_size);
    return static_cast<uint32_t>((size + cluster - 1) / cluster * cluster);
}

}  // namespace vrn
