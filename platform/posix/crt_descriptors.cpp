// The C runtime's descriptors: small numbers of the runtime's own table,
// each over a native handle, in text or binary mode. Text mode reads CR LF
// as LF and ends the data at a Ctrl-Z byte, and writes every LF as CR LF.
// A descriptor open for reading alone may read ahead into a buffer of its
// own, which holds the file's bytes untranslated, so that positions stay
// exact in either mode.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/crt.h"
#include "platform/posix/posix_internal.h"

namespace vrn {

namespace {

constexpr int kMaxDescriptors = 2048;
constexpr char kCtrlZ = 0x1A;

struct Descriptor {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool text = true;
    bool append = false;
    bool atCtrlZ = false;      // a Ctrl-Z ended the data: reads give 0 until a seek
    bool haveLookahead = false;   // a byte read ahead from a pipe after a CR
    char lookahead = 0;
    // Read-ahead of a binary descriptor open for reading only: reads are
    // served from `ahead`[aheadPos, aheadEnd), whose bytes the host read
    // ended at hostPosition; seeks within it move aheadPos only.
    std::vector<char> ahead;
    uint32_t aheadPos = 0;
    uint32_t aheadEnd = 0;
    off_t hostPosition = 0;
    // In text mode, where the first Ctrl-Z of `ahead`[0, aheadEnd) lies
    // (aheadEnd when none), found once per fill rather than once per read.
    uint32_t aheadCtrlZ = 0;
    // Write-behind: once this many bytes have been written since the last
    // time, the host is asked to start writing them out (0: never).
    uint32_t writeBehind = 0;
    uint64_t unwritten = 0;
};

// Starts the host's writing out of what a write-behind descriptor has
// written since the last time, once there is enough of it. A request the
// host refuses changes nothing: the data is written out later as always.
void NoteWritten(Descriptor& d, uint64_t bytes) {
    if (d.writeBehind == 0) return;
    d.unwritten += bytes;
    if (d.unwritten < d.writeBehind) return;
    const int hfd = HostDescriptorOf(d.handle);
    const off_t end = ::lseek(hfd, 0, SEEK_CUR);
    if (end >= static_cast<off_t>(d.unwritten))
        (void)::sync_file_range(hfd, end - static_cast<off_t>(d.unwritten), static_cast<off_t>(d.unwritten),
                                SYNC_FILE_RANGE_WRITE);
    d.unwritten = 0;
}

std::vector<std::optional<Descriptor>>& Table() {
    static std::vector<std::optional<Descriptor>> table = [] {
        // The standard descriptors pass bytes through: this host's consoles
        // and pipes end lines with LF alone.
        std::vector<std::optional<Descriptor>> t(3);
        for (int i = 0; i < 3; ++i) {
            Descriptor d;
            d.handle = host::StandardHandle(i);
            d.text = false;
            t[i] = d;
        }
        return t;
    }();
    return table;
}

Descriptor* Lookup(int fd) {
    auto& t = Table();
    if (fd < 0 || static_cast<size_t>(fd) >= t.size() || !t[fd]) {
        errno = EBADF;
        return nullptr;
    }
    return &*t[fd];
}

int NewDescriptor(const Descriptor& d) {
    auto& t = Table();
    for (size_t i = 0; i < t.size(); ++i)
        if (!t[i]) {
            t[i] = d;
            return static_cast<int>(i);
        }
    if (t.size() >= kMaxDescriptors) {
        errno = EMFILE;
        return -1;
    }
    t.push_back(d);
    return static_cast<int>(t.size() - 1);
}

int FailWith(int err) {
    errno = err;
    return -1;
}

int HostFd(const Descriptor& d) { return HostDescriptorOf(d.handle); }

// Where the caller stands on a descriptor with read-ahead.
off_t AheadPosition(const Descriptor& d) { return d.hostPosition - static_cast<off_t>(d.aheadEnd - d.aheadPos); }

// Ends the read-ahead, leaving the host where the caller stands.
void DropReadAhead(Descriptor& d) {
    if (d.ahead.empty()) return;
    ::lseek(HostFd(d), AheadPosition(d), SEEK_SET);
    d.ahead = {};
    d.aheadPos = d.aheadEnd = 0;
}

// A read on a descriptor with read-ahead: what the buffer holds, then
// either a direct read (for large counts) or a refill.
int ReadAhead(Descriptor& d, char* buffer, unsigned count) {
    unsigned got = std::min(count, d.aheadEnd - d.aheadPos);
    std::memcpy(buffer, d.ahead.data() + d.aheadPos, got);
    d.aheadPos += got;
    if (got == count) return static_cast<int>(got);
    const unsigned rest = count - got;
    char* target = rest >= d.ahead.size() / 4 ? buffer + got : d.ahead.data();
    const unsigned want = target == d.ahead.data() ? static_cast<unsigned>(d.ahead.size()) : rest;
    DWORD n = 0;
    if (!ReadFile(d.handle, target, want, &n)) {
        if (got > 0) return static_cast<int>(got);
        const DWORD e = GetLastError();
        return FailWith(e == ERROR_ACCESS_DENIED ? EBADF : host::ErrnoFromError(e));
    }
    d.hostPosition += n;
    if (target != d.ahead.data()) {
        d.aheadPos = d.aheadEnd = 0;   // the buffer no longer ends where the host stands
        return static_cast<int>(got + n);
    }
    d.aheadPos = 0;
    d.aheadEnd = n;
    const unsigned more = std::min(rest, d.aheadEnd);
    std::memcpy(buffer + got, d.ahead.data(), more);
    d.aheadPos = more;
    return static_cast<int>(got + more);
}

// Moves what is left of the read-ahead buffer to its start and reads more
// after it; false with errno set when the host read fails. At the end of the
// file nothing is added.
bool RefillAhead(Descriptor& d) {
    const uint32_t kept = d.aheadEnd - d.aheadPos;
    if (kept > 0 && d.aheadPos > 0) std::memmove(d.ahead.data(), d.ahead.data() + d.aheadPos, kept);
    d.aheadPos = 0;
    d.aheadEnd = kept;
    DWORD n = 0;
    if (!ReadFile(d.handle, d.ahead.data() + kept, static_cast<DWORD>(d.ahead.size() - kept), &n)) {
        const DWORD e = GetLastError();
        errno = e == ERROR_ACCESS_DENIED ? EBADF : host::ErrnoFromError(e);
        return false;
    }
    d.hostPosition += n;
    d.aheadEnd += n;
    const void* z = std::memchr(d.ahead.data(), kCtrlZ, d.aheadEnd);
    d.aheadCtrlZ = z != nullptr ? static_cast<uint32_t>(static_cast<const char*>(z) - d.ahead.data()) : d.aheadEnd;
    return true;
}

// A read served from the read-ahead buffer, which holds the file's bytes as
// they are: in text mode CR LF is handed out as LF (recorded in `crlf`) and a
// Ctrl-Z ends the data, leaving the position at it. With stopAtLF the read
// ends after the first LF it hands out.
int ServeFromAhead(Descriptor& d, char* buffer, unsigned count, bool stopAtLF, std::vector<uint32_t>* crlf) {
    if (d.text && d.atCtrlZ) return 0;
    unsigned out = 0;
    while (out < count) {
        if (d.aheadPos == d.aheadEnd) {
            if (!RefillAhead(d)) return out > 0 ? static_cast<int>(out) : -1;
            if (d.aheadEnd == 0) break;   // end of the file
        }
        const char* src = d.ahead.data() + d.aheadPos;
        unsigned span = std::min(count - out, d.aheadEnd - d.aheadPos);
        bool lineEnds = false;
        if (stopAtLF)
            if (const void* lf = std::memchr(src, '\n', span)) {
                span = static_cast<unsigned>(static_cast<const char*>(lf) - src) + 1;
                lineEnds = true;
            }
        unsigned plain = span;   // bytes handed out unchanged
        if (d.text) {
            if (const void* cr = std::memchr(src, '\r', plain)) plain = static_cast<unsigned>(static_cast<const char*>(cr) - src);
            // A Ctrl-Z that the buffer holds at or after this position stops
            // it; after a seek past the one found, the next is looked for.
            if (d.aheadCtrlZ < d.aheadPos) {
                const void* z = std::memchr(src, kCtrlZ, d.aheadEnd - d.aheadPos);
                d.aheadCtrlZ = z != nullptr ? static_cast<uint32_t>(static_cast<const char*>(z) - d.ahead.data())
                                            : d.aheadEnd;
            }
            if (d.aheadCtrlZ - d.aheadPos < plain) plain = d.aheadCtrlZ - d.aheadPos;
        }
        std::memcpy(buffer + out, src, plain);
        out += plain;
        d.aheadPos += plain;
        if (plain == span) {
            if (lineEnds) break;
            continue;
        }
        // A Ctrl-Z or a CR stopped the copy.
        if (src[plain] == kCtrlZ) {
            d.atCtrlZ = true;
            break;
        }
        if (d.aheadPos + 1 == d.aheadEnd) {
            // The CR is the last byte held: the next byte of the file decides.
            if (!RefillAhead(d)) return out > 0 ? static_cast<int>(out) : -1;
        }
        if (d.aheadPos + 1 < d.aheadEnd && d.ahead[d.aheadPos + 1] == '\n') {
            if (crlf) crlf->push_back(out);
            buffer[out++] = '\n';
            d.aheadPos += 2;
            if (stopAtLF) break;
        } else {
            buffer[out++] = '\r';
            d.aheadPos += 1;
        }
    }
    return static_cast<int>(out);
}

// Removes a Ctrl-Z that ends a file opened in text mode for reading and
// writing, so that what is written next is not hidden behind it.
void DropTrailingCtrlZ(const Descriptor& d) {
    const int hfd = HostFd(d);
    const off_t end = ::lseek(hfd, 0, SEEK_END);
    char last = 0;
    if (end > 0 && ::pread(hfd, &last, 1, end - 1) == 1 && last == kCtrlZ) (void)::ftruncate(hfd, end - 1);
    ::lseek(hfd, 0, SEEK_SET);
}

// The caller's bytes among buffer[start, end) whose translated form fits
// in `written` raw bytes.
unsigned CallerBytesWritten(const char* buffer, unsigned start, unsigned end, DWORD written) {
    DWORD used = 0;
    unsigned i = start;
    while (i < end) {
        const DWORD need = buffer[i] == '\n' ? 2 : 1;
        if (used + need > written) break;
        used += need;
        ++i;
    }
    return i;
}

}  // namespace

int host::DescriptorIsText(int fd) {
    const Descriptor* d = Lookup(fd);
    return d == nullptr ? -1 : d->text ? 1 : 0;
}

int _sopen(const char* path, int oflag, int shflag, int pmode) {
    DWORD access = GENERIC_READ;
    if (oflag & _O_WRONLY) access = GENERIC_WRITE;
    if (oflag & _O_RDWR) access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition;
    if ((oflag & (_O_CREAT | _O_EXCL)) == (_O_CREAT | _O_EXCL))
        disposition = CREATE_NEW;
    else if ((oflag & (_O_CREAT | _O_TRUNC)) == (_O_CREAT | _O_TRUNC))
        disposition = CREATE_ALWAYS;
    else if (oflag & _O_CREAT)
        disposition = OPEN_ALWAYS;
    else if (oflag & _O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    else
        disposition = OPEN_EXISTING;
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (shflag == _SH_DENYRW) share = 0;
    if (shflag == _SH_DENYWR) share = FILE_SHARE_READ;
    if (shflag == _SH_DENYRD) share = FILE_SHARE_WRITE;
    // The permission matters only for a file that the call creates.
    const DWORD attributes = (oflag & _O_CREAT) && !(pmode & _S_IWRITE) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    const HANDLE h = CreateFile(path, access, share, disposition, attributes);
    if (h == INVALID_HANDLE_VALUE) return FailWith(host::ErrnoFromError(GetLastError()));
    Descriptor d;
    d.handle = h;
    d.text = !(oflag & _O_BINARY);
    d.append = (oflag & _O_APPEND) != 0;
    const int fd = NewDescriptor(d);
    if (fd < 0) {
        CloseHandle(h);
        return -1;
    }
    if (d.text && (oflag & _O_RDWR) && host::HandleSeekable(h)) DropTrailingCtrlZ(d);
    return fd;
}

int _open(const char* path, int oflag, int pmode) { return _sopen(path, oflag, _SH_DENYNO, pmode); }

int _creat(const char* path, int pmode) { return _open(path, _O_CREAT | _O_TRUNC | _O_RDWR, pmode); }

int _open_osfhandle(HANDLE handle, int flags) {
    bool readable = false, writable = false;
    if (!host::HandleAccess(handle, readable, writable)) return FailWith(EBADF);
    Descriptor d;
    d.handle = handle;
    d.text = (flags & _O_TEXT) != 0;
    d.append = (flags & _O_APPEND) != 0;
    return NewDescriptor(d);
}

HANDLE _get_osfhandle(int fd) {
    const Descriptor* d = Lookup(fd);
    return d == nullptr ? INVALID_HANDLE_VALUE : d->handle;
}

int _close(int fd) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    const HANDLE h = d->handle;
    Table()[fd].reset();
    if (!CloseHandle(h)) return FailWith(EBADF);
    return 0;
}

int host::ReadDescriptor(int fd, char* buffer, unsigned count, std::vector<uint32_t>* crlf) {
    if (crlf) crlf->clear();
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    bool readable = false, writable = false;
    if (!HandleAccess(d->handle, readable, writable) || !readable) return FailWith(EBADF);
    if (count == 0) return 0;
    if (count > INT_MAX || buffer == nullptr) return FailWith(EINVAL);
    if (!d->ahead.empty()) return d->text ? ServeFromAhead(*d, buffer, count, false, crlf) : ReadAhead(*d, buffer, count);
    if (d->text && d->atCtrlZ) return 0;
    const bool seekable = HandleSeekable(d->handle);

    unsigned got = 0;
    if (d->haveLookahead) {
        buffer[got++] = d->lookahead;
        d->haveLookahead = false;
    }
    if (got < count) {
        DWORD n = 0;
        if (!ReadFile(d->handle, buffer + got, count - got, &n) && got == 0) {
            const DWORD e = GetLastError();
            return FailWith(e == ERROR_ACCESS_DENIED ? EBADF : ErrnoFromError(e));
        }
        got += n;
    }
    if (!d->text || got == 0) return static_cast<int>(got);

    unsigned in = 0, out = 0;
    while (in < got) {
        const char c = buffer[in];
        if (c == kCtrlZ) {
            d->atCtrlZ = true;
            // Leave the file positioned at the Ctrl-Z.
            if (seekable) ::lseek(HostFd(*d), -static_cast<off_t>(got - in), SEEK_CUR);
            break;
        }
        if (c != '\r') {
            buffer[out++] = c;
            ++in;
            continue;
        }
        if (in + 1 < got) {
            if (buffer[in + 1] == '\n') {
                if (crlf) crlf->push_back(out);
                buffer[out++] = '\n';
                in += 2;
            } else {
                buffer[out++] = '\r';
                ++in;
            }
            continue;
        }
        // The CR is the last byte read: the next byte decides.
        ++in;
        char next = 0;
        DWORD n = 0;
        if (!ReadFile(d->handle, &next, 1, &n) || n == 0) {
            buffer[out++] = '\r';
        } else if (next == '\n') {
            if (crlf) crlf->push_back(out);
            buffer[out++] = '\n';
        } else {
            buffer[out++] = '\r';
            if (seekable) {
                ::lseek(HostFd(*d), -1, SEEK_CUR);
            } else {
                d->lookahead = next;
                d->haveLookahead = true;
            }
        }
    }
    return static_cast<int>(out);
}

int _read(int fd, void* buffer, unsigned int count) {
    return host::ReadDescriptor(fd, static_cast<char*>(buffer), count, nullptr);
}

int ReadDescriptorLine(int fd, char* buffer, unsigned int count) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    bool readable = false, writable = false;
    if (!host::HandleAccess(d->handle, readable, writable) || !readable) return FailWith(EBADF);
    if (count == 0) return 0;
    if (count > INT_MAX || buffer == nullptr) return FailWith(EINVAL);
    if (!d->ahead.empty()) return ServeFromAhead(*d, buffer, count, true, nullptr);
    // Without a read-ahead buffer nothing may be read past the line: one
    // byte at a time.
    unsigned got = 0;
    while (got < count) {
        const int n = host::ReadDescriptor(fd, buffer + got, 1, nullptr);
        if (n < 0) return got > 0 ? static_cast<int>(got) : -1;
        if (n == 0) break;
        if (buffer[got++] == '\n') break;
    }
    return static_cast<int>(got);
}

int _write(int fd, const void* buffer, unsigned int count) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    bool readable = false, writable = false;
    if (!host::HandleAccess(d->handle, readable, writable) || !writable) return FailWith(EBADF);
    if (count == 0) return 0;
    if (count > INT_MAX || buffer == nullptr) return FailWith(EINVAL);
    if (d->append && host::HandleSeekable(d->handle)) ::lseek(HostFd(*d), 0, SEEK_END);
    const auto* p = static_cast<const char*>(buffer);

    auto failure = [&](unsigned done, BOOL ok) -> int {
        if (done > 0) return static_cast<int>(done);
        if (ok) return FailWith(ENOSPC);
        const DWORD e = GetLastError();
        return FailWith(e == ERROR_ACCESS_DENIED ? EBADF : host::ErrnoFromError(e));
    };
    if (!d->text) {
        DWORD w = 0;
        const BOOL ok = WriteFile(d->handle, p, count, &w);
        if (!ok || w < count) return failure(w, ok);
        NoteWritten(*d, count);
        return static_cast<int>(count);
    }
    // The translated bytes go out in blocks: runs up to each LF are copied
    // whole, the LF taking its CR.
    char raw[32768];
    unsigned i = 0;
    while (i < count) {
        const unsigned start = i;
        DWORD r = 0;
        // Room is kept for a run and the CR LF that may end it.
        while (i < count && r + 3 <= sizeof raw) {
            const unsigned room = static_cast<unsigned>(sizeof raw - 2 - r);
            const unsigned span = std::min(count - i, room);
            const void* lf = std::memchr(p + i, '\n', span);
            const unsigned run = lf != nullptr ? static_cast<unsigned>(static_cast<const char*>(lf) - (p + i)) : span;
            std::memcpy(raw + r, p + i, run);
            r += run;
            i += run;
            if (lf == nullptr) continue;
            raw[r++] = '\r';
            raw[r++] = '\n';
            ++i;
        }
        DWORD w = 0;
        const BOOL ok = WriteFile(d->handle, raw, r, &w);
        if (!ok || w < r) return failure(CallerBytesWritten(p, start, i, w), ok);
        NoteWritten(*d, r);
    }
    return static_cast<int>(count);
}

int64_t _lseek(int fd, int64_t offset, int origin) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FailWith(EINVAL);
    const int hfd = HostFd(*d);
    if (!d->ahead.empty()) {
        // Within what was read ahead no host call is needed.
        const off_t here = AheadPosition(*d);
        if (origin != SEEK_END) {
            const off_t target = (origin == SEEK_SET ? 0 : here) + static_cast<off_t>(offset);
            if (target < 0) return FailWith(EINVAL);
            const off_t start = d->hostPosition - static_cast<off_t>(d->aheadEnd);
            d->atCtrlZ = false;
            if (target >= start && target <= d->hostPosition) {
                d->aheadPos = static_cast<uint32_t>(target - start);
                return target;
            }
            const off_t pos = ::lseek(hfd, target, SEEK_SET);
            if (pos < 0) return FailWith(EINVAL);
            d->aheadPos = d->aheadEnd = 0;
            d->hostPosition = pos;
            return pos;
        }
        const off_t end = ::lseek(hfd, 0, SEEK_END);
        if (end < 0 || end + offset < 0) {
            ::lseek(hfd, d->hostPosition, SEEK_SET);
            return FailWith(EINVAL);
        }
        const off_t pos = ::lseek(hfd, static_cast<off_t>(end + offset), SEEK_SET);
        d->atCtrlZ = false;
        d->aheadPos = d->aheadEnd = 0;
        d->hostPosition = pos;
        return pos;
    }
    // Without a byte read ahead, the host's own seek does it in one call.
    if (!d->haveLookahead && origin != SEEK_END) {
        if (origin == SEEK_SET && offset < 0) return FailWith(EINVAL);
        const off_t pos = ::lseek(hfd, static_cast<off_t>(offset), origin);
        if (pos < 0) return FailWith(EINVAL);
        d->atCtrlZ = false;
        return pos;
    }
    const off_t current = ::lseek(hfd, 0, SEEK_CUR);
    if (current < 0) return FailWith(EINVAL);
    off_t base = 0;
    if (origin == SEEK_CUR) base = current - (d->haveLookahead ? 1 : 0);
    if (origin == SEEK_END) {
        base = ::lseek(hfd, 0, SEEK_END);
        if (base < 0) return FailWith(EINVAL);
    }
    if (base + offset < 0) {
        ::lseek(hfd, current, SEEK_SET);
        return FailWith(EINVAL);
    }
    const off_t pos = ::lseek(hfd, static_cast<off_t>(base + offset), SEEK_SET);
    if (pos < 0) return FailWith(EINVAL);
    d->atCtrlZ = false;
    d->haveLookahead = false;
    return pos;
}

int64_t _tell(int fd) { return _lseek(fd, 0, SEEK_CUR); }

int _eof(int fd) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    const int hfd = HostFd(*d);
    const off_t pos = d->ahead.empty() ? ::lseek(hfd, 0, SEEK_CUR) : AheadPosition(*d);
    struct stat st {};
    if (pos < 0 || ::fstat(hfd, &st) != 0) return FailWith(EBADF);
    return pos >= st.st_size ? 1 : 0;
}

int64_t _filelength(int fd) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    struct stat st {};
    if (::fstat(HostFd(*d), &st) != 0) return FailWith(EBADF);
    return st.st_size;
}

int _commit(int fd) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    if (!FlushFileBuffers(d->handle)) return FailWith(EBADF);
    return 0;
}

int _setmode(int fd, int mode) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    if (mode != _O_TEXT && mode != _O_BINARY) return FailWith(EINVAL);
    const int previous = d->text ? _O_TEXT : _O_BINARY;
    if (mode == _O_TEXT) DropReadAhead(*d);
    d->text = mode == _O_TEXT;
    return previous;
}

int _locking(int fd, int mode, long bytes) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    if (bytes < 0 || mode < _LK_UNLCK || mode > 4) return FailWith(EINVAL);
    const int64_t pos = _tell(fd);
    if (pos < 0) return -1;
    const auto start = static_cast<uint64_t>(pos);
    const auto length = static_cast<uint64_t>(bytes);
    const auto lo = [](uint64_t v) { return static_cast<DWORD>(v & 0xFFFFFFFFu); };
    const auto hi = [](uint64_t v) { return static_cast<DWORD>(v >> 32); };
    if (mode == _LK_UNLCK) {
        if (!UnlockFile(d->handle, lo(start), hi(start), lo(length), hi(length))) return FailWith(EACCES);
        return 0;
    }
    // _LK_LOCK and its read form try once a second, ten times in all.
    const bool retry = mode == _LK_LOCK || mode == 3;
    for (int attempt = 0; attempt < (retry ? 10 : 1); ++attempt) {
        if (attempt > 0) ::sleep(1);
        if (LockFile(d->handle, lo(start), hi(start), lo(length), hi(length))) return 0;
    }
    return FailWith(retry ? EDEADLK : EACCES);
}

int _chsize(int fd, int64_t size) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    if (size < 0) return FailWith(EINVAL);
    bool readable = false, writable = false;
    if (!host::HandleAccess(d->handle, readable, writable) || !writable) return FailWith(EACCES);
    if (::ftruncate(HostFd(*d), static_cast<off_t>(size)) != 0)
        return FailWith(errno == ENOSPC || errno == EFBIG ? ENOSPC : EACCES);
    return 0;
}

int SetDescriptorWriteBehind(int fd, uint32_t size) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    bool readable = false, writable = false;
    if (!host::HandleAccess(d->handle, readable, writable) || !writable || !host::HandleSeekable(d->handle))
        return FailWith(EINVAL);
    d->writeBehind = size;
    d->unwritten = 0;
    return 0;
}

int SetDescriptorReadAhead(int fd, uint32_t size) {
    Descriptor* d = Lookup(fd);
    if (d == nullptr) return -1;
    bool readable = false, writable = false;
    if (!host::HandleAccess(d->handle, readable, writable) || !readable || writable || d->haveLookahead ||
        !host::HandleSeekable(d->handle))
        return FailWith(EINVAL);
    if (size == 0) {
        DropReadAhead(*d);
        return 0;
    }
    const off_t here = d->ahead.empty() ? ::lseek(HostFd(*d), 0, SEEK_CUR) : AheadPosition(*d);
    if (here < 0) return FailWith(EINVAL);
    if (!d->ahead.empty()) ::lseek(HostFd(*d), here, SEEK_SET);
    d->ahead.assign(size, '\0');
    d->aheadPos = d->aheadEnd = 0;
    d->hostPosition = here;
    return 0;
}

PositionalReader::PositionalReader(int fd) {
    const Descriptor* d = Lookup(fd);
    if (d == nullptr || d->text) return;
    const int hfd = HostFd(*d);
    if (hfd >= 0) hostFd_ = ::fcntl(hfd, F_DUPFD_CLOEXEC, 0);
}

PositionalReader::~PositionalReader() {
    if (hostFd_ >= 0) ::close(hostFd_);
}

int64_t PositionalReader::ReadAt(uint64_t offset, void* buffer, uint32_t count) const {
    if (hostFd_ < 0) return FailWith(EBADF);
    auto* p = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(hostFd_, p + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

}  // namespace vrn
