// Advisory locks over the host's whole-file locks (flock), which the host
// releases with the last descriptor of the process that holds them.
#include "platform/advisory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/fault_hooks.h"
#include "platform/posix/posix_internal.h"

namespace vrn {

void AdvisoryLock::Release() {
    if (fd_ < 0) return;
    // The name goes first, while the lock still keeps others out: a process
    // that opened the file meanwhile finds it gone from its name and starts
    // again (see below).
    ::unlink(hostPath_.c_str());
    host::NoteEntryChanged(hostPath_);
    ::close(fd_);
    fd_ = -1;
    hostPath_.clear();
}

LockOutcome AcquireAdvisoryLock(const char* path, const std::string& holderText, AdvisoryLock& lock,
                                std::string& info) {
    lock.Release();
    info.clear();
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) {
        info = std::string(path) + ": no such place for a lock file";
        return LockOutcome::Unavailable;
    }
    // A holder that lets go removes the file: a lock taken on a file that no
    // longer stands under the name keeps out nobody, and is taken again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (host::ChangeFails(FaultOp::Create, r.host)) {
            info = std::string(path) + ": " + std::strerror(errno);
            return LockOutcome::Unavailable;
        }
        const int fd = ::open(r.host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            info = std::string(path) + ": " + std::strerror(errno);
            return LockOutcome::Unavailable;
        }
        host::NoteEntryCreated(r.host);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            if (err == EWOULDBLOCK) {
                char text[256] = {};
                const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
                if (n > 0) info.assign(text, static_cast<size_t>(n));
                while (!info.empty() && (info.back() == '\n' || info.back() == '\r')) info.pop_back();
                ::close(fd);
                return LockOutcome::Busy;
            }
            ::close(fd);
            info = std::string(path) + ": " + std::strerror(err);
            return LockOutcome::Unavailable;
        }
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) != 0 || ::lstat(r.host.c_str(), &named) != 0 || opened.st_ino != named.st_ino ||
            opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, holderText.data(), holderText.size(), 0) != static_cast<ssize_t>(holderText.size())) {
            // Others are kept out all the same; only their message is poorer.
        }
        lock.fd_ = fd;
        lock.hostPath_ = r.host;
        return LockOutcome::Held;
    }
    info = std::string(path) + ": the lock file keeps changing hands";
    return LockOutcome::Unavailable;
}

}  // namespace vrn
