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
inline constexpr uint16_t UT_REPORT = 0x0001;      // report a failure through msgn
inline constexpr uint16_t UT_WRITE_THROUGH = 0x0040;
inline constexpr uint16_t UT_LAYER_SELECT = 0x0080;

// The portable error table: position = portable error number.
inline constexpr int PERRTBL_SIZE = 19;
extern const uint32_t _perrtbl[PERRTBL_SIZE];

// Native handle of the file most recently opened by utopendll.
extern HANDLE current_file;

int32_t utopendll(const char* path, int32_t oflag, int32_t pmode, uint16_t flags, void* context);
int32_t utcreatdll(const char* path, int32_t pmode, uint16_t flags, void* context);
int32_t utclose(int32_t descriptor, uint16_t flags);
int32_t utCheckFname(const char* path);
HANDLE getFileHandle();

int32_t utGetOsError();
void utSetOsError(uint32_t code);
void utForceUnknownError();

void utCreateDir(const char* path);
void utDeleteFile(const char* path);
void utDeleteDir(const char* path);
void utRecurseDel(const char* path);
void utRename(const char* oldPath, const char* newPath);
void utCopyFile(const char* source, const char* destination, int32_t append);

int32_t utIsFile(const char* path);
int32_t utIsDir(const char* path);
int32_t utHaveAccess(const char* path);
int32_t utIsFileHidden(const char* path);
// Write at most 2 characters, no NUL; return the position after the last one.
char* utFileAttr(char* buffer, const char* path);
char* utRWAttr(char* buffer, const char* path);
int32_t utFileSize(const char* path, uint32_t* size);
int32_t utFileTime(const char* path, uint16_t* fields, int32_t which);
std::tm* utlocaltime(const int64_t* t, std::tm* tm);
int32_t utGetDriveType(char letter);
int32_t utDriveList(char* buffer, int32_t length);

// Find record: the native find handle, then the platform's find data.
struct UtFindRecord {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATA data;
};
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
UtDirHandle* utDirOpendll(const char* path, void* context);
char* utDirNext(UtDirHandle* handle);
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
