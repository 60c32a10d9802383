// Native file, directory and volume services in the form the engine's
// runtime layer expects of the host: handles, dispositions, attributes,
// find-first/next and the host's last-error code, with host errors mapped to
// the platform's system error codes.
//
// The names of the Windows headers. This header and crt.h use the names the
// engine was written against (CreateFile, FindFirstFile, MAX_PATH, ERROR_*,
// FILE_ATTRIBUTE_*, GENERIC_*, DRIVE_*, _O_*, _S_*, _SH_*, _LK_*, _stat...),
// and a Windows build's own headers (<windows.h>, <fcntl.h>, <sys/stat.h>,
// <share.h>, <sys/locking.h>) define many of them as macros. One rule holds
// for every such name: a source file includes either the platform headers
// or the host's headers that define those macros, never both. A host whose
// functions carry the same names implements the platform in two kinds of
// files: those that define vrn's functions (with these headers) and those
// that call the host (with its headers), which meet through functions of
// vrn::host with names of their own. A file that breaks the rule stops here
// with that message instead of compiling the macros into vrn's names.
#pragma once

#if defined(CreateFile) || defined(FindFirstFile) || defined(GetFileAttributes) || defined(MAX_PATH) || \
    defined(INVALID_HANDLE_VALUE) || defined(ERROR_FILE_NOT_FOUND) || defined(FILE_ATTRIBUTE_READONLY) ||  \
    defined(GENERIC_READ) || defined(DRIVE_FIXED) || defined(CharUpper)
#error "platform/native.h and the Windows headers in one file: the host's headers define its names as macros (see the rule above)"
#endif

#include <cstdint>
#include <string>

namespace vrn {

using DWORD = uint32_t;
using BOOL = int32_t;
using HANDLE = intptr_t;
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;

// System error codes (the subset this system meets).
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_BAD_FORMAT = 11;
inline constexpr DWORD ERROR_INVALID_DRIVE = 15;
inline constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_WRITE_PROTECT = 19;
inline constexpr DWORD ERROR_NOT_READY = 21;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_SHARING_VIOLATION = 32;
inline constexpr DWORD ERROR_LOCK_VIOLATION = 33;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_BAD_NETPATH = 53;
inline constexpr DWORD ERROR_DEV_NOT_EXIST = 55;
inline constexpr DWORD ERROR_BAD_NET_NAME = 67;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_NO_PROC_SLOTS = 89;
inline constexpr DWORD ERROR_DISK_FULL = 112;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
inline constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_DIRECTORY = 267;
inline constexpr DWORD ERROR_IO_DEVICE = 1117;
inline constexpr DWORD ERROR_NOT_CONNECTED = 2250;

DWORD GetLastError();
void SetLastError(DWORD code);
// The system error code for a host errno value.
DWORD ErrorFromErrno(int hostErrno);

// File attributes.
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Access, sharing, dispositions.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD FILE_SHARE_READ = 1;
inline constexpr DWORD FILE_SHARE_WRITE = 2;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

// Times: 100-nanosecond intervals since 1601-01-01 UTC.
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};
FILETIME FileTimeFromUnix(int64_t seconds);
int64_t UnixFromFileTime(const FILETIME& ft);

// Opens or creates a file. A file created with FILE_ATTRIBUTE_READONLY gets
// no owner write permission; other created files get owner read and write.
HANDLE CreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes);
BOOL CloseHandle(HANDLE h);
BOOL ReadFile(HANDLE h, void* buffer, DWORD toRead, DWORD* read);
BOOL WriteFile(HANDLE h, const void* buffer, DWORD toWrite, DWORD* written);
DWORD SetFilePointer(HANDLE h, int32_t distance, int32_t* distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE h, DWORD* high);
BOOL SetEndOfFile(HANDLE h);
BOOL FlushFileBuffers(HANDLE h);
BOOL LockFile(HANDLE h, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh);
BOOL UnlockFile(HANDLE h, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh);
BOOL GetFileTime(HANDLE h, FILETIME* creation, FILETIME* access, FILETIME* write);
BOOL SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* access, const FILETIME* write);
// The host descriptor behind a handle (for the C runtime layer only).
int HostDescriptorOf(HANDLE h);

// Attributes: directory; hidden (a name beginning with '.'); read-only (no
// owner write); archive for a regular file. INVALID_FILE_ATTRIBUTES when absent.
DWORD GetFileAttributes(const char* path);
BOOL SetFileAttributes(const char* path, DWORD attributes);

BOOL CreateDirectory(const char* path);
BOOL RemoveDirectory(const char* path);
BOOL DeleteFile(const char* path);
BOOL MoveFile(const char* from, const char* to);
// MoveFile, and with MOVEFILE_REPLACE_EXISTING a file already at `to` is
// replaced in the same step, so that the name stands for the old file or the
// new one and never for neither. A directory or a read-only file at `to` is
// not replaced (ERROR_ACCESS_DENIED).
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 1;
BOOL MoveFileEx(const char* from, const char* to, DWORD flags);
// Whole-file copy: contents replaced, permission bits copied. The copy is
// written to a temporary file beside the target and renamed into place, so
// the target is never left half written. failIfExists refuses an existing target.
BOOL CopyFile(const char* from, const char* to, BOOL failIfExists);

// The short (8.3) form of an existing path, name by name: a name that fits
// 8.3 is kept in upper case, any other becomes its first six valid
// characters, "~N" and the first three characters of its extension, N the
// lowest number that no other entry of the same directory takes (counted in
// the directory's name order, so the same contents give the same names).
// What comes before the first name (drive, root, share) is kept as written.
// The length copied without the NUL, or the size needed with the NUL when
// `size` is too small, or 0 when a name of the path does not exist (then
// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND).
DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD size);

// Find-first/next over a wildcard in the last component, with the
// platform's matching ("*.*" matches every name; "." and ".." are listed).
inline constexpr int MAX_PATH = 260;
struct WIN32_FIND_DATA {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    char cFileName[MAX_PATH] = {};
    char cAlternateFileName[14] = {};   // the short name; empty when cFileName fits 8.3
};
HANDLE FindFirstFile(const char* pattern, WIN32_FIND_DATA* data);
BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA* data);
BOOL FindClose(HANDLE find);
// The platform's wildcard match of one name (case-insensitive, '*' and '?',
// "*.*" matching names without a dot too).
bool WildcardMatch(const char* pattern, const char* name);

// Drives.
inline constexpr DWORD DRIVE_UNKNOWN = 0;
inline constexpr DWORD DRIVE_NO_ROOT_DIR = 1;
inline constexpr DWORD DRIVE_REMOVABLE = 2;
inline constexpr DWORD DRIVE_FIXED = 3;
inline constexpr DWORD DRIVE_REMOTE = 4;
inline constexpr DWORD DRIVE_CDROM = 5;
inline constexpr DWORD DRIVE_RAMDISK = 6;
// Root path "C:\" (or "C:", or null for the current drive).
DWORD GetDriveType(const char* root);
// Bit n set for each present drive (bit 0 = A).
DWORD GetLogicalDrives();

// Upper-cases a text in place with the system code page (ISO 8859-1).
char* CharUpper(char* text);

}  // namespace vrn
