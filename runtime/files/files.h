// File and directory services of the runtime layer: descriptor routines with
// the layer's own open flags and error mapping, and path routines that leave
// an operating-system error code for utGetOsError.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/native.h"

namespace vrn {

// The runtime's global context: holds the last operating-system error.
struct RuntimeContext {
    uint32_t osError = 0;
};
extern RuntimeContext* _pgc;

// Layer's own error codes.
inline constexpr uint32_t UT_ERR_IS_FILE = 996;    // a file stands where a directory is required
inline constexpr uint32_t UT_ERR_IS_DIR = 997;     // a directory stands where a file is required

// Layer flags.
inline constexpr uint16_t UT_REPORT = 0x0001;         // report a failure through msgn
inline constexpr uint16_t UT_WRITE_THROUGH = 0x0040;  // writes reach the disk before they return
inline constexpr uint16_t UT_LAYER_SELECT = 0x0080;   // cleared on open; passed on by utcreatdll

// The portable error table: position = portable error number.
inline constexpr int PERRTBL_SIZE = 19;
extern const uint32_t _perrtbl[PERRTBL_SIZE];

// Native handle of the file most recently opened by utopendll.
extern HANDLE current_file;

// Descriptors. `context` is accepted and not read (callers pass _pgc).
// Opens `path` on a native handle: a descriptor, or -1 with errno set (a
// forbidden character in the name gives EINVAL before the file system is
// asked). Create without truncate never opens an existing file.
int32_t utopendll(const char* path, int32_t oflag, int32_t pmode, uint16_t flags, void* context);
// Creates or truncates a file for reading and writing in binary mode, with
// owner read and write permission whatever `pmode` says; as utopendll.
int32_t utcreatdll(const char* path, int32_t pmode, uint16_t flags, void* context);
// Closes a descriptor; the close result (0 or -1). `flags` is not read.
int32_t utclose(int32_t descriptor, uint16_t flags);
// 0 when the path holds none of ? * > < | tab newline, else -1.
int32_t utCheckFname(const char* path);
// current_file.
HANDLE getFileHandle();

// Errors of the path routines: the stored operating-system code.
// Its portable number (its position in _perrtbl), or 999 when not there.
int32_t utGetOsError();
// Stores a code (0 clears it).
void utSetOsError(uint32_t code);
// Stores code 2 (file not found), for a failure with no code of its own.
void utForceUnknownError();

// Path routines: no result; a failure leaves a code for utGetOsError.
// Makes one directory (not its parents); an existing directory is no failure.
void utCreateDir(const char* path);
// Deletes a file that may be read and written.
void utDeleteFile(const char* path);
// Removes a directory that holds nothing but names beginning with '.'.
void utDeleteDir(const char* path);
// Deletes a directory's entries, subdirectories too, then the directory;
// names beginning with '.' are passed over (and keep it).
void utRecurseDel(const char* path);
// Renames; the entry then carries the new name in upper case.
void utRename(const char* oldPath, const char* newPath);
// Copies a file over `destination`, or appends it when `append` is not 0 and
// the destination exists.
void utCopyFile(const char* source, const char* destination, int32_t append);

// Queries: 1 for yes, 0 for no or when the path cannot be examined.
int32_t utIsFile(const char* path);
int32_t utIsDir(const char* path);
// 1 when the path may be read and written.
int32_t utHaveAccess(const char* path);
// 1 when the entry has the hidden or the system attribute.
int32_t utIsFileHidden(const char* path);
// Write at most 2 characters, no NUL; return the position after the last one.
// "F" (then "H" when hidden), "D" or "X".
char* utFileAttr(char* buffer, const char* path);
// "R" when readable, then "W" when writable.
char* utRWAttr(char* buffer, const char* path);
// Stores the file's size and gives 1; 0 when it cannot be examined.
int32_t utFileSize(const char* path, uint32_t* size);
// Stores second, minute, hour, day, month from 0 and years since 1900 of the
// access (1), modification (2) or status-change (3) time; 1, or 0.
int32_t utFileTime(const char* path, uint16_t* fields, int32_t which);
// Local time of `t` into `tm`, cleared first (a years-since-1900 field below
// 10 gets 100 added); `tm`, or null when `t` cannot be converted.
std::tm* utlocaltime(const int64_t* t, std::tm* tm);
// 5 removable or CD-ROM, 6 fixed, 10 network, 20 RAM disk, 0 unknown or absent.
int32_t utGetDriveType(char letter);
// Writes the present drives as "A:,C:,..." while they fit in `length`
// bytes with the NUL; 0.
int32_t utDriveList(char* buffer, int32_t length);

// Find record: the native find handle, then the platform's find data.
struct UtFindRecord {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATA data;
};
// Find-first, find-next and find-close of the platform: 0 or the platform's
// error code (utFindClose: its last error). The attribute mask has no effect:
// every listing includes directories, hidden and system entries.
int32_t utFindFirst(const char* pattern, uint32_t attributes, UtFindRecord* find);
int32_t utFindNext(UtFindRecord* find);
int32_t utFindClose(UtFindRecord* find);

// Directory handle of utDirOpendll. The find handle is a full native handle
// on this host.
struct UtDirHandle {
    HANDLE findHandle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATA data;
    char name[300] = {};
    bool exhausted = false;
};
// A listing of a directory on a handle from the storage pool, which this
// release does not have: reports message 9000 and gives null.
UtDirHandle* utDirOpendll(const char* path, void* context);
// The next entry's name ("." and ".." included), or null at the end.
char* utDirNext(UtDirHandle* handle);
// Gives the handle back to the storage pool (reports message 9000).
void utDirClose(void* context, UtDirHandle* handle);
// Begins the listing of the directory `path` on a handle the storage pool has
// given: utDirOpendll's work once it holds the handle.
void utDirStart(UtDirHandle* handle, const char* path);

// The runtime's version text, "9.1C".
const char* utversn();

// Closes a runtime descriptor when it goes out of scope.
struct UtDescriptor {
    int32_t fd = -1;
    UtDescriptor() = default;
    explicit UtDescriptor(int32_t d) : fd(d) {}
    UtDescriptor(const UtDescriptor&) = delete;
    UtDescriptor& operator=(const UtDescriptor&) = delete;
    ~UtDescriptor() { if (fd >= 0) utclose(fd, UT_WRITE_THROUGH); }
    int32_t release() { int32_t d = fd; fd = -1; return d; }
};

}  // namespace vrn
