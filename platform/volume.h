// Volume services: free space and cluster size, volume information, the
// run-time lookup of optional entry points, the Windows 95 family's virtual
// device for DOS drive calls, and the system's texts for error codes.
//
// Figures come from the drive map: a drive's simulated cluster size, free
// and total bytes where its mapping sets them (platform/drives.h), else the
// host file system under the drive's host root (statvfs). Roots are "D:\"
// (or "D:"), a declared share "\\srv\share\", or null for the current drive.
#pragma once

#include <cstdint>

#include "platform/native.h"

namespace vrn {

inline constexpr DWORD ERROR_BAD_LENGTH = 24;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

// Free space in clusters. Counts above 32 bits are given as 0xFFFFFFFF.
BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector, DWORD* freeClusters,
                       DWORD* totalClusters);
// Free space in bytes: free to the caller, total, free in all. Any out
// argument may be null.
BOOL GetDiskFreeSpaceExA(const char* root, uint64_t* freeBytesAvailable, uint64_t* totalBytes,
                         uint64_t* totalFreeBytes);

// File system flags of GetVolumeInformationA.
inline constexpr DWORD FS_CASE_SENSITIVE = 0x00000001;
inline constexpr DWORD FS_CASE_IS_PRESERVED = 0x00000002;
// The label, serial number, longest name, flags and file system name
// ("NTFS", "FAT" for a removable drive, "CDFS" for a CD-ROM). A buffer too
// small for its text gives ERROR_BAD_LENGTH. The root must be "D:\" or a
// share; an absent drive gives ERROR_PATH_NOT_FOUND, a drive whose host
// directory is missing ERROR_NOT_READY.
BOOL GetVolumeInformationA(const char* root, char* volumeName, DWORD volumeNameSize, DWORD* serialNumber,
                           DWORD* maximumComponentLength, DWORD* fileSystemFlags, char* fileSystemName,
                           DWORD fileSystemNameSize);

// Run-time lookup of an entry point of "KERNEL32.DLL" (the image-help
// library has its own loader in platform/signals.h). "GetDiskFreeSpaceExA"
// is there except on the Windows 95 family before build 1000, which predates
// that call; null with ERROR_PROC_NOT_FOUND for an entry point not there.
using FARPROC = void (*)();
using GetDiskFreeSpaceExProc = BOOL (*)(const char*, uint64_t*, uint64_t*, uint64_t*);
FARPROC GetKernelProcAddress(const char* name);

// Devices. "\\.\vwin32" exists on the Windows 95 family only (else
// ERROR_FILE_NOT_FOUND).
inline constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000;
HANDLE CreateDeviceA(const char* deviceName, DWORD access, DWORD flags);
BOOL CloseDevice(HANDLE device);

// The DOS drive-information call of vwin32 and its register block. The
// registers that carry addresses hold the host's full address width.
inline constexpr DWORD VWIN32_DIOC_DOS_DRIVEINFO = 6;
inline constexpr uint32_t DOS_EXTENDED_FREE_SPACE = 0x7303;
inline constexpr uint32_t DOS_CARRY_FLAG = 1;
struct DIOC_REGISTERS {
    uintptr_t reg_EBX = 0;
    uintptr_t reg_EDX = 0;   // address of the root text
    uintptr_t reg_ECX = 0;   // length of the reply buffer
    uintptr_t reg_EAX = 0;   // function, 0x7303
    uintptr_t reg_EDI = 0;   // address of the reply buffer
    uintptr_t reg_ESI = 0;
    uintptr_t reg_Flags = 0;   // carry set on entry, cleared on success
};
// The reply of the extended free-space function: 44 bytes.
inline constexpr uint32_t DOS_FREE_SPACE_REPLY_SIZE = 44;
inline constexpr uint32_t DOS_REPLY_SECTORS_PER_CLUSTER = 4;
inline constexpr uint32_t DOS_REPLY_BYTES_PER_SECTOR = 8;
inline constexpr uint32_t DOS_REPLY_FREE_CLUSTERS = 12;
inline constexpr uint32_t DOS_REPLY_TOTAL_CLUSTERS = 16;
// Answers the extended free-space function from the same figures as
// GetDiskFreeSpaceA; a failing drive leaves carry set and EAX an error code.
BOOL DeviceIoControl(HANDLE device, DWORD controlCode, void* in, DWORD inSize, void* out, DWORD outSize,
                     DWORD* returned, void* overlapped);

// System texts for error codes.
inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD LANG_NEUTRAL_DEFAULT = 0x0400;   // neutral language, default sublanguage
// Writes the text of `messageId` (ending in CR LF) into `buffer`, or with
// FORMAT_MESSAGE_ALLOCATE_BUFFER stores a block in *(char**)buffer that
// LocalFree releases. Returns the characters written, 0 on failure
// (ERROR_MR_MID_NOT_FOUND for an unknown code, ERROR_INSUFFICIENT_BUFFER).
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer, DWORD size,
                     void* arguments);
void* LocalFree(void* block);

}  // namespace vrn
