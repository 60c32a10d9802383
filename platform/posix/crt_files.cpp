// The C runtime's status, access and directory calls by name, over the
// native services so that their errors follow the platform's rules.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/crt.h"
#include "platform/posix/posix_internal.h"

namespace vrn {

namespace {

int FailWith(int err) {
    errno = err;
    return -1;
}

int FailFromLastError() { return FailWith(host::ErrnoFromError(GetLastError())); }

bool EndsWithIgnoringCase(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() && host::SameNameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

void FillStat(const struct stat& st, std::string_view name, uint32_t drive, _stat_t* out) {
    *out = _stat_t{};
    out->st_dev = drive;
    uint16_t mode = S_ISDIR(st.st_mode) ? _S_IFDIR : _S_IFREG;
    mode |= _S_IREAD;
    if (!host::IsReadOnlyMode(st.st_mode)) mode |= _S_IWRITE;
    if (S_ISDIR(st.st_mode) || EndsWithIgnoringCase(name, ".exe") || EndsWithIgnoringCase(name, ".com") ||
        EndsWithIgnoringCase(name, ".bat") || EndsWithIgnoringCase(name, ".cmd"))
        mode |= 0x0040;
    // The owner's bits are repeated for the group and the others.
    mode |= static_cast<uint16_t>(((mode & 0x01C0) >> 3) | ((mode & 0x01C0) >> 6));
    out->st_mode = mode;
    out->st_nlink = 1;
    out->st_size = S_ISDIR(st.st_mode) ? 0 : st.st_size;
    out->st_atime_ = st.st_atime;
    out->st_mtime_ = st.st_mtime;
    out->st_ctime_ = st.st_ctime;
}

}  // namespace

int _stat(const char* path, _stat_t* out) {
    if (out == nullptr) return FailWith(EINVAL);
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return FailWith(ENOENT);
    struct stat st {};
    if (!host::FollowedStatus(r, st)) return FailWith(ENOENT);
    FillStat(st, host::HostLeaf(r.host), r.drive ? static_cast<uint32_t>(r.drive - 'A') : 0, out);
    return 0;
}

int _fstat(int fd, _stat_t* out) {
    if (out == nullptr) return FailWith(EINVAL);
    const HANDLE h = _get_osfhandle(fd);
    const int hfd = HostDescriptorOf(h);
    struct stat st {};
    if (hfd < 0 || ::fstat(hfd, &st) != 0) return FailWith(EBADF);
    FillStat(st, {}, static_cast<uint32_t>(_getdrive() - 1), out);
    return 0;
}

int _access(const char* path, int mode) {
    if (mode != ACCESS_EXISTS && mode != ACCESS_WRITE && mode != ACCESS_READ && mode != ACCESS_READ_WRITE)
        return FailWith(EINVAL);
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return FailWith(ENOENT);
    struct stat st {};
    if (!host::FollowedStatus(r, st)) return FailWith(ENOENT);
    // Write access needs the owner-write bit whoever runs the program, and
    // the host must grant the access as well.
    if ((mode & ACCESS_WRITE) && host::IsReadOnlyMode(st.st_mode)) return FailWith(EACCES);
    int hostMode = 0;
    if (mode & ACCESS_READ) hostMode |= R_OK;
    if (mode & ACCESS_WRITE) hostMode |= W_OK;
    if (hostMode != 0 && ::access(r.host.c_str(), hostMode) != 0) return FailWith(EACCES);
    return 0;
}

int _mkdir(const char* path) {
    if (!CreateDirectory(path)) return FailFromLastError();
    return 0;
}

int _rmdir(const char* path) {
    if (!RemoveDirectory(path)) {
        const DWORD e = GetLastError();
        return FailWith(e == ERROR_DIRECTORY ? ENOTDIR : e == ERROR_DIR_NOT_EMPTY ? ENOTEMPTY : host::ErrnoFromError(e));
    }
    return 0;
}

int _unlink(const char* path) {
    if (!DeleteFile(path)) return FailFromLastError();
    return 0;
}

int _rename(const char* from, const char* to) {
    if (!MoveFile(from, to)) {
        const DWORD e = GetLastError();
        // The runtime reports an existing new name as a refused access.
        return FailWith(e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS ? EACCES : host::ErrnoFromError(e));
    }
    return 0;
}

int RenameReplacing(const char* from, const char* to) {
    if (!MoveFileEx(from, to, MOVEFILE_REPLACE_EXISTING)) return FailFromLastError();
    return 0;
}

int _chmod(const char* path, int pmode) {
    const DWORD attributes = GetFileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FailWith(ENOENT);
    const DWORD wanted = (pmode & _S_IWRITE) ? (attributes & ~FILE_ATTRIBUTE_READONLY) : (attributes | FILE_ATTRIBUTE_READONLY);
    if (!SetFileAttributes(path, wanted)) return FailFromLastError();
    return 0;
}

int _utime(const char* path, const _utimbuf_t* times) {
    struct timespec ts[2];
    if (times == nullptr) {
        ts[0].tv_sec = ts[1].tv_sec = 0;
        ts[0].tv_nsec = ts[1].tv_nsec = UTIME_NOW;
    } else {
        ts[0].tv_sec = static_cast<time_t>(times->actime);
        ts[1].tv_sec = static_cast<time_t>(times->modtime);
        ts[0].tv_nsec = ts[1].tv_nsec = 0;
    }
    // The file just written and closed: its times are set without another look.
    if (host::SetTimesOfJustClosed(path, ts)) return 0;
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return FailWith(ENOENT);
    struct stat st {};
    if (!host::FollowedStatus(r, st)) return FailWith(ENOENT);
    if (S_ISDIR(st.st_mode) || host::IsReadOnlyMode(st.st_mode)) return FailWith(EACCES);
    if (::utimensat(host::EntryBase(r), host::EntryName(r), ts, 0) != 0) return FailWith(errno == EPERM ? EACCES : errno);
    return 0;
}

}  // namespace vrn
