// Runtime descriptors opened on native handles, with the layer's mapping of
// open flags to dispositions and of platform errors to errno values.
#include <cerrno>
#include <cstring>

#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/report/report.h"

namespace vrn {

HANDLE current_file = 0;

namespace {

constexpr const char FORBIDDEN_NAME_CHARACTERS[] = "?*><|\t\n";

DWORD DispositionOf(int32_t oflag) {
    const bool create = (oflag & _O_CREAT) != 0;
    const bool truncate = (oflag & _O_TRUNC) != 0;
    if (create && truncate) return CREATE_ALWAYS;
    if (create) return CREATE_NEW;   // never opens an existing file
    if (truncate) return TRUNCATE_EXISTING;
    return OPEN_EXISTING;
}

int ErrnoOf(DWORD platformError) {
    switch (platformError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_FILE_EXISTS: return EEXIST;
    default: return EACCES;
    }
}

// A failure report through the message routine must not disturb errno,
// which the caller reads next.
void ReportKeepingErrno() {
    const int saved = errno;
    msgn();
    errno = saved;
}

}  // namespace

int32_t utCheckFname(const char* path) {
    if (path == nullptr) return -1;
    return std::strpbrk(path, FORBIDDEN_NAME_CHARACTERS) == nullptr ? 0 : -1;
}

HANDLE getFileHandle() {
    return current_file;
}

int32_t utopendll(const char* path, int32_t oflag, int32_t pmode, uint16_t flags, void* /*context*/) {
    if (utCheckFname(path) != 0) {
        // Refused before the file system is asked: an invalid argument.
        errno = EINVAL;
        return -1;
    }
    flags &= static_cast<uint16_t>(~UT_LAYER_SELECT);
    current_file = 0;

    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (flags & UT_WRITE_THROUGH) attributes |= FILE_FLAG_WRITE_THROUGH;
    if (pmode != -1 && (pmode & _S_IWRITE) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    const DWORD access =
        (oflag & (_O_WRONLY | _O_RDWR)) ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;

    int32_t result = -1;
    const HANDLE handle =
        CreateFile(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, DispositionOf(oflag), attributes);
    if (handle != INVALID_HANDLE_VALUE) {
        result = _open_osfhandle(handle, oflag & (_O_TEXT | _O_APPEND));
        if (result < 0) {
            const int saved = errno;
            CloseHandle(handle);
            errno = saved;
        } else {
            current_file = handle;
        }
    } else if (path[0] == '\\' && path[1] == '\\') {
        // A network path gets one more try through the runtime's shared open.
        result = pmode != -1 ? _sopen(path, oflag, _SH_DENYNO, pmode) : _sopen(path, oflag, _SH_DENYNO);
    } else {
        errno = ErrnoOf(GetLastError());
    }

    if (result < 0 && (flags & UT_REPORT)) ReportKeepingErrno();
    return result;
}

int32_t utcreatdll(const char* path, int32_t /*pmode*/, uint16_t flags, void* context) {
    if (utCheckFname(path) != 0) {
        errno = EINVAL;
        return -1;
    }
    // Binary, created or truncated, read and write, owner read and write
    // permission whatever the caller asked for.
    const uint16_t passed = (flags & UT_LAYER_SELECT) ? 0x90 : 0x10;
    const int32_t result = utopendll(path, _O_BINARY | _O_TRUNC | _O_CREAT | _O_RDWR,
                                     _S_IREAD | _S_IWRITE, passed, context);
    if (result < 0 && (flags & UT_REPORT)) ReportKeepingErrno();
    return result;
}

int32_t utclose(int32_t descriptor, uint16_t /*flags*/) {
    return _close(descriptor);
}

}  // namespace vrn
