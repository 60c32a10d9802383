// The last-error code, and the translations between host errno values, the
// platform's system error codes and the C runtime's errno values.
#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/posix_internal.h"
#include "platform/native.h"

namespace vrn {

namespace {
DWORD g_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return g_lastError; }

void SetLastError(DWORD code) { g_lastError = code; }

DWORD ErrorFromErrno(int hostErrno) {
    switch (hostErrno) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOEXEC: return ERROR_BAD_FORMAT;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case ENXIO:
    case ENODEV: return ERROR_DEV_NOT_EXIST;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EIO: return ERROR_IO_DEVICE;
    default: return ERROR_GEN_FAILURE;
    }
}

namespace host {

DWORD ErrorForHostPath(int hostErrno, const std::string& hostPath) {
    if (hostErrno == ENOENT) {
        struct stat st {};
        const std::string parent = HostParent(hostPath);
        if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    return ErrorFromErrno(hostErrno);
}

int ErrnoFromError(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_FILENAME_EXCED_RANGE: return ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_DIRECTORY: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_BAD_FORMAT: return ENOEXEC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL: return ENOSPC;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_NO_PROC_SLOTS: return EAGAIN;
    default: return EINVAL;
    }
}

DWORD AttributesFromStat(const struct stat& st, std::string_view name) {
    DWORD a = 0;
    if (S_ISDIR(st.st_mode))
        a |= FILE_ATTRIBUTE_DIRECTORY;
    else if (S_ISREG(st.st_mode))
        a |= FILE_ATTRIBUTE_ARCHIVE;
    else
        a |= FILE_ATTRIBUTE_SYSTEM;   // devices, pipes, sockets
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= FILE_ATTRIBUTE_HIDDEN;
    if (IsReadOnlyMode(st.st_mode)) a |= FILE_ATTRIBUTE_READONLY;
    return a;
}

}  // namespace host

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
static constexpr int64_t kEpochDifference = 116444736000000000LL;

FILETIME FileTimeFromUnix(int64_t seconds) {
    const uint64_t v = static_cast<uint64_t>(seconds * 10000000LL + kEpochDifference);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(v & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return ft;
}

int64_t UnixFromFileTime(const FILETIME& ft) {
    const uint64_t v = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const int64_t t = static_cast<int64_t>(v) - kEpochDifference;
    // Round towards minus infinity so that times before 1970 stay ordered.
    return t >= 0 ? t / 10000000LL : -((-t + 9999999LL) / 10000000LL);
}

char* CharUpper(char* text) {
    if (text == nullptr) return text;
    for (char* p = text; *p; ++p) *p = host::UpperChar(*p);
    return text;
}

}  // namespace vrn
