// Questions about a path: kind, access, attributes, size and times.
#include <cstring>

#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/files/files.h"

namespace vrn {

namespace {

bool StatOf(const char* path, _stat_t& out) {
    return path != nullptr && _stat(path, &out) == 0;
}

}  // namespace

int32_t utIsFile(const char* path) {
    _stat_t st;
    return StatOf(path, st) && (st.st_mode & _S_IFMT) == _S_IFREG ? 1 : 0;
}

int32_t utIsDir(const char* path) {
    _stat_t st;
    return StatOf(path, st) && (st.st_mode & _S_IFMT) == _S_IFDIR ? 1 : 0;
}

int32_t utHaveAccess(const char* path) {
    return path != nullptr && _access(path, ACCESS_READ_WRITE) == 0 ? 1 : 0;
}

int32_t utIsFileHidden(const char* path) {
    if (path == nullptr) return 0;
    const DWORD attributes = GetFileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    return (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ? 1 : 0;
}

char* utFileAttr(char* buffer, const char* path) {
    if (utIsFile(path)) {
        *buffer++ = 'F';
        if (utIsFileHidden(path)) *buffer++ = 'H';
    } else if (utIsDir(path)) {
        *buffer++ = 'D';
    } else {
        *buffer++ = 'X';
    }
    return buffer;
}

char* utRWAttr(char* buffer, const char* path) {
    if (path == nullptr) return buffer;
    if (_access(path, ACCESS_READ) == 0) *buffer++ = 'R';
    if (_access(path, ACCESS_WRITE) == 0) *buffer++ = 'W';
    return buffer;
}

int32_t utFileSize(const char* path, uint32_t* size) {
    _stat_t st;
    if (size == nullptr || !StatOf(path, st)) return 0;
    *size = static_cast<uint32_t>(st.st_size);
    return 1;
}

std::tm* utlocaltime(const int64_t* t, std::tm* tm) {
    if (tm == nullptr) return nullptr;
    std::memset(tm, 0, sizeof *tm);
    std::tm converted{};
    if (t == nullptr || !LocalTime(*t, converted)) return nullptr;
    *tm = converted;
    if (tm->tm_year < 10) tm->tm_year += 100;
    return tm;
}

int32_t utFileTime(const char* path, uint16_t* fields, int32_t which) {
    if (which < 1 || which > 3 || fields == nullptr) return 0;
    _stat_t st;
    if (!StatOf(path, st)) return 0;
    const int64_t t = which == 1 ? st.st_atime_ : which == 2 ? st.st_mtime_ : st.st_ctime_;
    std::tm local;
    if (utlocaltime(&t, &local) == nullptr) return 0;
    fields[0] = static_cast<uint16_t>(local.tm_sec);
    fields[1] = static_cast<uint16_t>(local.tm_min);
    fields[2] = static_cast<uint16_t>(local.tm_hour);
    fields[3] = static_cast<uint16_t>(local.tm_mday);
    fields[4] = static_cast<uint16_t>(local.tm_mon);
    fields[5] = static_cast<uint16_t>(local.tm_year);
    return 1;
}

}  // namespace vrn
