// Native file handles over host descriptors: opening with the platform's
// dispositions, reading, writing, positioning, locking and file times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/posix/fault_hooks.h"
#include "platform/handles.h"
#include "platform/posix/posix_internal.h"
#include "platform/native.h"

namespace vrn {

namespace host {

namespace {
constexpr HANDLE kHandleBase = 0x1000;
std::vector<std::optional<HandleObject>> g_handles;
}  // namespace

HANDLE AddHandle(HandleObject object) {
    for (size_t i = 0; i < g_handles.size(); ++i)
        if (!g_handles[i]) {
            g_handles[i] = std::move(object);
            return kHandleBase + static_cast<HANDLE>(i) * 4;
        }
    g_handles.push_back(std::move(object));
    return kHandleBase + static_cast<HANDLE>(g_handles.size() - 1) * 4;
}

HandleObject* LookupHandle(HANDLE h, HandleObject::Kind kind) {
    if (h < kHandleBase || (h - kHandleBase) % 4 != 0) return nullptr;
    const size_t i = static_cast<size_t>((h - kHandleBase) / 4);
    if (i >= g_handles.size() || !g_handles[i] || g_handles[i]->kind != kind) return nullptr;
    return &*g_handles[i];
}

void RemoveHandle(HANDLE h) {
    if (h < kHandleBase) return;
    const size_t i = static_cast<size_t>((h - kHandleBase) / 4);
    if (i < g_handles.size()) g_handles[i].reset();
}

HANDLE StandardHandle(int hostFd) {
    static HANDLE handles[3] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    if (hostFd < 0 || hostFd > 2) return INVALID_HANDLE_VALUE;
    if (handles[hostFd] == INVALID_HANDLE_VALUE || LookupHandle(handles[hostFd], HandleObject::Kind::File) == nullptr) {
        HandleObject o;
        o.fd = hostFd;
        o.readable = hostFd == 0;
        o.writable = hostFd != 0;
        o.ownsDescriptor = false;
        o.seekable = ::lseek(hostFd, 0, SEEK_CUR) >= 0;
        handles[hostFd] = AddHandle(std::move(o));
    }
    return handles[hostFd];
}

bool HandleAccess(HANDLE h, bool& readable, bool& writable) {
    const HandleObject* o = LookupHandle(h, HandleObject::Kind::File);
    if (o == nullptr) return false;
    readable = o->readable;
    writable = o->writable;
    return true;
}

bool HandleSeekable(HANDLE h) {
    const HandleObject* o = LookupHandle(h, HandleObject::Kind::File);
    return o != nullptr && o->seekable;
}

}  // namespace host

namespace {

using host::HandleObject;

HandleObject* FileOf(HANDLE h) {
    HandleObject* o = host::LookupHandle(h, HandleObject::Kind::File);
    if (o == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return o;
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return 0;
}

}  // namespace

HANDLE CreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    (void)share;   // one process of a single-threaded engine: sharing modes are not enforced
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    const bool wantRead = (access & GENERIC_READ) != 0;
    const bool wantWrite = (access & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC;
    flags |= wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (attributes & FILE_FLAG_WRITE_THROUGH) flags |= O_DSYNC;

    struct stat st {};
    const bool exists = host::OwnStatus(r, st);
    const bool isLink = exists && S_ISLNK(st.st_mode);
    // The entry's own status serves unless it is a link to follow.
    struct stat target = st;
    const bool targetExists = exists && (!isLink || ::stat(r.host.c_str(), &target) == 0);

    switch (disposition) {
    case CREATE_NEW:
        // O_EXCL also refuses a symbolic link, so nothing is written through one.
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        // A symbolic link is replaced by the new file, never written through.
        if (isLink && ::unlink(r.host.c_str()) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_CREAT | O_TRUNC | O_NOFOLLOW;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!wantWrite) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        flags |= O_TRUNC;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // A directory cannot be opened as a file; a read-only file cannot be
    // opened for writing, whoever the host user is.
    if (targetExists && disposition != CREATE_NEW && !(disposition == CREATE_ALWAYS && isLink)) {
        const bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
        if (S_ISDIR(target.st_mode) || ((wantWrite || replaces) && host::IsReadOnlyMode(target.st_mode))) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0400 : 0600;
    if ((wantWrite || (flags & O_CREAT)) && host::ChangeFails(FaultOp::Create, r.host)) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    int fd;
    do fd = ::openat(host::EntryBase(r), host::EntryName(r), flags, mode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        SetLastError(host::ErrorForHostPath(errno, r.host));
        return INVALID_HANDLE_VALUE;
    }
    if (flags & O_CREAT) host::NoteEntryCreated(r.host);
    HandleObject o;
    o.fd = fd;
    o.readable = wantRead;
    o.writable = wantWrite;
    o.hostPath = std::move(r.host);   // its last use
    o.drive = r.drive;
    // A regular file made or replaced here for writing, not read-only, by a
    // drive path: the same text names it again while the drive map stands.
    const bool drivePath = path[0] != '\0' && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    if (wantWrite && (flags & O_CREAT) && mode == 0600 && r.directory && drivePath &&
        (!targetExists || S_ISREG(target.st_mode))) {
        o.madeIn = r.directory;
        o.nameAt = r.nameAt;
        o.openedAs = path;
        o.mapVersion = host::DriveMapVersion();
    }
    // A file this call has just created is a regular file; anything else
    // is asked of the descriptor.
    struct stat opened {};
    o.seekable = ((flags & O_CREAT) && !exists) ||
                 (::fstat(fd, &opened) == 0 && (S_ISREG(opened.st_mode) || S_ISBLK(opened.st_mode)));
    const HANDLE h = host::AddHandle(std::move(o));
    // The platform reports an existing file that these dispositions opened.
    SetLastError(targetExists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) && !isLink
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return h;
}

BOOL CloseHandle(HANDLE h) {
    if (HandleObject* find = host::LookupHandle(h, HandleObject::Kind::Find)) {
        (void)find;
        return Fail(ERROR_INVALID_HANDLE);   // find listings end with FindClose
    }
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    int rc = 0;
    if (o->ownsDescriptor) rc = ::close(o->fd);
    const int err = errno;
    if (rc == 0 && o->ownsDescriptor && o->madeIn) host::NoteFileClosed(*o);
    host::RemoveHandle(h);
    if (rc != 0 && err != EINTR) return Fail(ErrorFromErrno(err));
    return 1;
}

BOOL ReadFile(HANDLE h, void* buffer, DWORD toRead, DWORD* read) {
    if (read) *read = 0;
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    if (!o->readable) return Fail(ERROR_ACCESS_DENIED);
    auto* p = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < toRead) {
        const ssize_t n = host::HostRead(o->fd, p + total, toRead - total, o->hostPath);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (read) *read = total;
            return Fail(ErrorFromErrno(errno));
        }
        if (n == 0) break;
        total += static_cast<DWORD>(n);
        if (!o->seekable) break;   // a pipe or terminal hands out what it has
    }
    if (read) *read = total;
    return 1;
}

BOOL WriteFile(HANDLE h, const void* buffer, DWORD toWrite, DWORD* written) {
    if (written) *written = 0;
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    if (!o->writable) return Fail(ERROR_ACCESS_DENIED);
    const auto* p = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < toWrite) {
        const ssize_t n = host::HostWrite(o->fd, p + total, toWrite - total, o->hostPath, o->drive);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written) *written = total;
            return Fail(ErrorFromErrno(errno));
        }
        if (n == 0) {
            if (written) *written = total;
            return Fail(ERROR_DISK_FULL);
        }
        total += static_cast<DWORD>(n);
    }
    if (written) *written = total;
    return 1;
}

DWORD SetFilePointer(HANDLE h, int32_t distance, int32_t* distanceHigh, DWORD method) {
    HandleObject* o = FileOf(h);
    if (o == nullptr) return INVALID_SET_FILE_POINTER;
    int64_t offset = distance;
    if (distanceHigh != nullptr)
        offset = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                      static_cast<uint32_t>(distance));
    int whence;
    switch (method) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
    }
    const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ::lseek(o->fd, 0, SEEK_CUR) : [&] {
        struct stat st {};
        return ::fstat(o->fd, &st) == 0 ? st.st_size : off_t(-1);
    }();
    if (base < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (base + offset < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    const off_t pos = ::lseek(o->fd, static_cast<off_t>(base + offset), SEEK_SET);
    if (pos < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) *distanceHigh = static_cast<int32_t>(static_cast<uint64_t>(pos) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<uint64_t>(pos) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE h, DWORD* high) {
    HandleObject* o = FileOf(h);
    struct stat st {};
    if (o == nullptr || ::fstat(o->fd, &st) != 0) {
        if (o != nullptr) SetLastError(ErrorFromErrno(errno));
        return 0xFFFFFFFFu;
    }
    const auto size = static_cast<uint64_t>(st.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE h) {
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    if (!o->writable) return Fail(ERROR_ACCESS_DENIED);
    const off_t pos = ::lseek(o->fd, 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(o->fd, pos) != 0) return Fail(ErrorFromErrno(errno));
    return 1;
}

BOOL FlushFileBuffers(HANDLE h) {
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    if (::fsync(o->fd) != 0 && errno != EINVAL && errno != EROFS) return Fail(ErrorFromErrno(errno));
    return 1;
}

namespace {

BOOL LockRange(HANDLE h, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh, bool lock) {
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    struct flock fl {};
    fl.l_type = static_cast<short>(!lock ? F_UNLCK : o->writable ? F_WRLCK : F_RDLCK);
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>((static_cast<uint64_t>(offsetHigh) << 32) | offsetLow);
    fl.l_len = static_cast<off_t>((static_cast<uint64_t>(bytesHigh) << 32) | bytesLow);
    if (fl.l_len == 0) return 1;   // an empty range locks nothing
    if (::fcntl(o->fd, F_SETLK, &fl) != 0)
        return Fail(errno == EACCES || errno == EAGAIN ? ERROR_LOCK_VIOLATION : ErrorFromErrno(errno));
    return 1;
}

}  // namespace

BOOL LockFile(HANDLE h, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh) {
    return LockRange(h, offsetLow, offsetHigh, bytesLow, bytesHigh, true);
}

BOOL UnlockFile(HANDLE h, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh) {
    return LockRange(h, offsetLow, offsetHigh, bytesLow, bytesHigh, false);
}

BOOL GetFileTime(HANDLE h, FILETIME* creation, FILETIME* access, FILETIME* write) {
    HandleObject* o = FileOf(h);
    struct stat st {};
    if (o == nullptr) return 0;
    if (::fstat(o->fd, &st) != 0) return Fail(ErrorFromErrno(errno));
    if (creation) *creation = FileTimeFromUnix(st.st_ctime);
    if (access) *access = FileTimeFromUnix(st.st_atime);
    if (write) *write = FileTimeFromUnix(st.st_mtime);
    return 1;
}

BOOL SetFileTime(HANDLE h, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
    (void)creation;   // the host keeps no creation time that could be set
    HandleObject* o = FileOf(h);
    if (o == nullptr) return 0;
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    if (access) {
        times[0].tv_sec = static_cast<time_t>(UnixFromFileTime(*access));
        times[0].tv_nsec = 0;
    }
    if (write) {
        times[1].tv_sec = static_cast<time_t>(UnixFromFileTime(*write));
        times[1].tv_nsec = 0;
    }
    if (::futimens(o->fd, times) != 0) return Fail(ErrorFromErrno(errno));
    return 1;
}

int HostDescriptorOf(HANDLE h) {
    const HandleObject* o = host::LookupHandle(h, HandleObject::Kind::File);
    return o == nullptr ? -1 : o->fd;
}

}  // namespace vrn
