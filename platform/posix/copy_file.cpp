// The whole-file copy. The copy is written to a temporary file in the
// target's directory and then renamed over the target, so that a failed or
// interrupted copy leaves the old target (or none) and never a half-written
// one. The copy takes the source's permission bits and times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix/fault_hooks.h"
#include "platform/posix/posix_internal.h"
#include "platform/native.h"

namespace vrn {

namespace {

BOOL Fail(DWORD code) {
    SetLastError(code);
    return 0;
}

// Closes a host descriptor and, unless released, removes the temporary file.
struct TemporaryFile {
    int fd = -1;
    std::string path;
    bool keep = false;
    ~TemporaryFile() {
        if (fd >= 0) ::close(fd);
        if (!keep && !path.empty()) ::unlink(path.c_str());
    }
};

struct HostDescriptor {
    int fd = -1;
    ~HostDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

struct CopyEnds {
    const std::string& source;
    const std::string& target;
    char drive;
};

bool CopyData(int in, int out, const CopyEnds& ends, int& err) {
    std::vector<char> buffer(65536);
    for (;;) {
        const ssize_t n = host::HostRead(in, buffer.data(), buffer.size(), ends.source);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) return true;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = host::HostWrite(out, buffer.data() + done, static_cast<size_t>(n - done), ends.target,
                                              ends.drive);
            if (w < 0) {
                if (errno == EINTR) continue;
                err = errno;
                return false;
            }
            done += w;
        }
    }
}

}  // namespace

BOOL CopyFile(const char* from, const char* to, BOOL failIfExists) {
    host::ResolvedEntry src, dst;
    DWORD error = 0;
    if (!host::ResolveForHost(from, src, error) || !host::ResolveForHost(to, dst, error)) return Fail(error);

    HostDescriptor in;
    in.fd = ::open(src.host.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) return Fail(host::ErrorForHostPath(errno, src.host));
    struct stat ss {};
    if (::fstat(in.fd, &ss) != 0) return Fail(ErrorFromErrno(errno));
    if (S_ISDIR(ss.st_mode)) return Fail(ERROR_ACCESS_DENIED);

    struct stat ds {};
    if (::stat(dst.host.c_str(), &ds) == 0) {
        if (failIfExists) return Fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(ds.st_mode) || host::IsReadOnlyMode(ds.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    } else if (errno != ENOENT) {
        return Fail(host::ErrorForHostPath(errno, dst.host));
    } else {
        struct stat parent {};
        if (::stat(host::HostParent(dst.host).c_str(), &parent) != 0 || !S_ISDIR(parent.st_mode))
            return Fail(ERROR_PATH_NOT_FOUND);
    }

    TemporaryFile tmp;
    std::string pattern = host::JoinHost(host::HostParent(dst.host), ".");
    pattern += host::HostLeaf(dst.host);
    pattern += ".copy-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (host::ChangeFails(FaultOp::Create, pattern)) return Fail(ErrorFromErrno(errno));
    tmp.fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (tmp.fd < 0) return Fail(host::ErrorForHostPath(errno, dst.host));
    tmp.path = name.data();

    int err = 0;
    if (!CopyData(in.fd, tmp.fd, CopyEnds{src.host, tmp.path, dst.drive}, err)) return Fail(ErrorFromErrno(err));
    if (::fchmod(tmp.fd, ss.st_mode & 07777) != 0) return Fail(ErrorFromErrno(errno));
    const struct timespec times[2] = {ss.st_atim, ss.st_mtim};
    if (::futimens(tmp.fd, times) != 0) return Fail(ErrorFromErrno(errno));
    if (::close(tmp.fd) != 0) {
        tmp.fd = -1;
        return Fail(ErrorFromErrno(errno));
    }
    tmp.fd = -1;
    // The last step, which puts the copy in the target's place.
    if (host::ChangeFails(FaultOp::Rename, tmp.path, dst.host)) return Fail(ErrorFromErrno(errno));
    if (failIfExists) {
        // Refuse a target that appeared meanwhile: link fails on an existing name.
        if (::link(tmp.path.c_str(), dst.host.c_str()) == 0) {   // the temporary name goes
            host::NoteEntryChanged(dst.host);
            return 1;
        }
        if (errno == EEXIST) return Fail(ERROR_FILE_EXISTS);
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return Fail(ErrorFromErrno(errno));
        // A file system without hard links: check once more, then rename.
        struct stat again {};
        if (::lstat(dst.host.c_str(), &again) == 0) return Fail(ERROR_FILE_EXISTS);
    }
    if (::rename(tmp.path.c_str(), dst.host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
    tmp.keep = true;
    host::NoteEntryChanged(dst.host);
    return 1;
}

}  // namespace vrn
