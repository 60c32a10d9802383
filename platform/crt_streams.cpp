// The C runtime's buffered streams over its descriptors. A stream reads and
// writes through _read and _write, so the descriptor's text mode applies:
// CR LF read as LF, Ctrl-Z ends the data, LF written as CR LF. Stream
// positions are the file's own byte offsets, also in text mode.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/crt.h"
#include "platform/host_internal.h"

namespace vrn {

struct FILE {
    enum class Op { None, Read, Write };
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    bool append = false;
    bool eof = false;
    bool error = false;
    Op last = Op::None;
    std::vector<char> buffer = std::vector<char>(4096);
    size_t pos = 0, len = 0;   // unread part of a read buffer
    size_t pending = 0;        // bytes waiting to be written
    std::vector<uint32_t> crlf;   // where in the read buffer an LF stood for CR LF
    int64_t rawStart = -1;        // file offset of the read buffer's first byte
    int pushback = -1;
};

namespace {

std::vector<std::unique_ptr<FILE>>& Streams() {
    static std::vector<std::unique_ptr<FILE>> streams;
    return streams;
}

void FlushAtExit() { vrn::fflush(nullptr); }

bool ParseMode(const char* mode, int& oflag, bool& canRead, bool& canWrite, int& translation) {
    if (mode == nullptr) return false;
    translation = 0;
    switch (mode[0]) {
    case 'r': oflag = _O_RDONLY; canRead = true; canWrite = false; break;
    case 'w': oflag = _O_WRONLY | _O_CREAT | _O_TRUNC; canRead = false; canWrite = true; break;
    case 'a': oflag = _O_WRONLY | _O_CREAT | _O_APPEND; canRead = false; canWrite = true; break;
    default: return false;
    }
    bool plus = false;
    for (const char* p = mode + 1; *p; ++p) {
        if (*p == '+' && !plus) {
            plus = true;
            oflag = (oflag & ~(_O_WRONLY | _O_RDONLY)) | _O_RDWR;
            canRead = canWrite = true;
        } else if ((*p == 't' || *p == 'b') && translation == 0) {
            translation = *p == 't' ? _O_TEXT : _O_BINARY;
        } else {
            return false;
        }
    }
    oflag |= translation;
    return true;
}

FILE* NewStream(int fd, bool canRead, bool canWrite, bool append) {
    static bool registered = false;
    if (!registered) {
        // Registered after the descriptor table exists, so that the streams
        // are flushed before that table goes away at exit.
        std::atexit(FlushAtExit);
        registered = true;
    }
    auto stream = std::make_unique<FILE>();
    stream->fd = fd;
    stream->canRead = canRead;
    stream->canWrite = canWrite;
    stream->append = append;
    FILE* raw = stream.get();
    Streams().push_back(std::move(stream));
    return raw;
}

bool Known(FILE* f) {
    if (f == nullptr) return false;
    for (const auto& s : Streams())
        if (s.get() == f) return true;
    return false;
}

bool FlushWrites(FILE* f) {
    size_t done = 0;
    while (done < f->pending) {
        const int n = _write(f->fd, f->buffer.data() + done, static_cast<unsigned>(f->pending - done));
        if (n <= 0) {
            // Keep what was not written out of the buffer: it is lost.
            f->pending = 0;
            f->error = true;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    f->pending = 0;
    return true;
}

// The file offset of the next byte the caller will read.
int64_t ReadPosition(const FILE* f) {
    if (f->rawStart < 0) return -1;
    int64_t consumed = static_cast<int64_t>(f->pos);
    for (uint32_t at : f->crlf)
        if (at < f->pos) ++consumed;
    int64_t p = f->rawStart + consumed - (f->pushback >= 0 ? 1 : 0);
    return p < 0 ? 0 : p;
}

int64_t Position(FILE* f) {
    if (f->last == FILE::Op::Read && (f->len > 0 || f->pushback >= 0)) return ReadPosition(f);
    int64_t base = f->append && f->pending > 0 ? _filelength(f->fd) : _tell(f->fd);
    if (base < 0) return -1;
    int64_t raw = static_cast<int64_t>(f->pending);
    if (host::DescriptorIsText(f->fd) == 1)
        for (size_t i = 0; i < f->pending; ++i)
            if (f->buffer[i] == '\n') ++raw;
    return base + raw;
}

void DropReadBuffer(FILE* f) {
    f->pos = f->len = 0;
    f->crlf.clear();
    f->rawStart = -1;
    f->pushback = -1;
}

// Prepares the stream for reading after writing, and the reverse.
bool BeginRead(FILE* f) {
    if (!f->canRead) {
        f->error = true;
        errno = EBADF;
        return false;
    }
    if (f->last == FILE::Op::Write && !FlushWrites(f)) return false;
    f->last = FILE::Op::Read;
    return true;
}

bool BeginWrite(FILE* f) {
    if (!f->canWrite) {
        f->error = true;
        errno = EBADF;
        return false;
    }
    if (f->last == FILE::Op::Read) {
        const int64_t at = Position(f);
        DropReadBuffer(f);
        if (at >= 0) _lseek(f->fd, at, SEEK_SET);
    }
    f->last = FILE::Op::Write;
    return true;
}

bool Fill(FILE* f) {
    f->rawStart = _tell(f->fd);
    const int n = host::ReadDescriptor(f->fd, f->buffer.data(), static_cast<unsigned>(f->buffer.size()), &f->crlf);
    f->pos = 0;
    if (n < 0) {
        f->len = 0;
        f->error = true;
        return false;
    }
    f->len = static_cast<size_t>(n);
    if (n == 0) {
        f->eof = true;
        return false;
    }
    return true;
}

int GetByte(FILE* f) {
    if (f->pushback >= 0) {
        const int c = f->pushback;
        f->pushback = -1;
        return c;
    }
    if (f->pos >= f->len && !Fill(f)) return EOF;
    return static_cast<unsigned char>(f->buffer[f->pos++]);
}

}  // namespace

FILE* fopen(const char* path, const char* mode) {
    int oflag = 0, translation = 0;
    bool canRead = false, canWrite = false;
    if (!ParseMode(mode, oflag, canRead, canWrite, translation)) {
        errno = EINVAL;
        return nullptr;
    }
    const int fd = _open(path, oflag, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    return NewStream(fd, canRead, canWrite, (oflag & _O_APPEND) != 0);
}

FILE* _fdopen(int fd, const char* mode) {
    int oflag = 0, translation = 0;
    bool canRead = false, canWrite = false;
    if (!ParseMode(mode, oflag, canRead, canWrite, translation)) {
        errno = EINVAL;
        return nullptr;
    }
    if (host::DescriptorIsText(fd) < 0) return nullptr;
    if (translation != 0) _setmode(fd, translation);
    return NewStream(fd, canRead, canWrite, (oflag & _O_APPEND) != 0);
}

int fclose(FILE* stream) {
    if (!Known(stream)) {
        errno = EINVAL;
        return EOF;
    }
    bool ok = true;
    if (stream->pending > 0) ok = FlushWrites(stream);
    if (_close(stream->fd) != 0) ok = false;
    auto& all = Streams();
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it->get() == stream) {
            all.erase(it);
            break;
        }
    return ok ? 0 : EOF;
}

int fgetc(FILE* stream) {
    if (!Known(stream) || !BeginRead(stream)) return EOF;
    return GetByte(stream);
}

int ungetc(int c, FILE* stream) {
    if (c == EOF || !Known(stream) || stream->pushback >= 0 || !BeginRead(stream)) return EOF;
    stream->pushback = static_cast<unsigned char>(c);
    stream->eof = false;
    return stream->pushback;
}

char* fgets(char* buffer, int size, FILE* stream) {
    if (buffer == nullptr || size <= 0 || !Known(stream) || !BeginRead(stream)) return nullptr;
    int i = 0;
    while (i < size - 1) {
        const int c = GetByte(stream);
        if (c == EOF) break;
        buffer[i++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[i] = '\0';
    if (i == 0 && size > 1) return nullptr;
    return buffer;
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
    if (size == 0 || count == 0 || !Known(stream) || !BeginRead(stream)) return 0;
    auto* out = static_cast<char*>(buffer);
    const size_t wanted = size * count;
    size_t got = 0;
    if (stream->pushback >= 0 && got < wanted) out[got++] = static_cast<char>(GetByte(stream));
    while (got < wanted) {
        if (stream->pos >= stream->len && !Fill(stream)) break;
        const size_t n = std::min(wanted - got, stream->len - stream->pos);
        std::memcpy(out + got, stream->buffer.data() + stream->pos, n);
        stream->pos += n;
        got += n;
    }
    return got / size;
}

size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream) {
    if (size == 0 || count == 0 || !Known(stream) || !BeginWrite(stream)) return 0;
    const auto* in = static_cast<const char*>(buffer);
    const size_t total = size * count;
    size_t done = 0;
    while (done < total) {
        if (stream->pending == stream->buffer.size() && !FlushWrites(stream)) return done / size;
        const size_t n = std::min(total - done, stream->buffer.size() - stream->pending);
        std::memcpy(stream->buffer.data() + stream->pending, in + done, n);
        stream->pending += n;
        done += n;
    }
    return count;
}

int fputc(int c, FILE* stream) {
    const char ch = static_cast<char>(c);
    return fwrite(&ch, 1, 1, stream) == 1 ? static_cast<unsigned char>(ch) : EOF;
}

int fputs(const char* text, FILE* stream) {
    if (text == nullptr) return EOF;
    const size_t n = std::strlen(text);
    if (n == 0) return Known(stream) ? 0 : EOF;
    return fwrite(text, 1, n, stream) == n ? 0 : EOF;
}

int fseek(FILE* stream, long offset, int origin) {
    if (!Known(stream) || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END)) {
        errno = EINVAL;
        return -1;
    }
    int64_t target = offset;
    if (origin == SEEK_CUR) {
        const int64_t here = Position(stream);
        if (here < 0) return -1;
        target += here;
        origin = SEEK_SET;
    }
    if (stream->pending > 0 && !FlushWrites(stream)) return -1;
    DropReadBuffer(stream);
    stream->eof = false;
    stream->last = FILE::Op::None;
    return _lseek(stream->fd, target, origin) < 0 ? -1 : 0;
}

long ftell(FILE* stream) {
    if (!Known(stream)) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<long>(Position(stream));
}

void rewind(FILE* stream) {
    if (!Known(stream)) return;
    fseek(stream, 0, SEEK_SET);
    stream->error = false;
}

int feof(FILE* stream) { return Known(stream) && stream->eof ? 1 : 0; }

int ferror(FILE* stream) { return Known(stream) && stream->error ? 1 : 0; }

void clearerr(FILE* stream) {
    if (!Known(stream)) return;
    stream->eof = false;
    stream->error = false;
}

int fflush(FILE* stream) {
    if (stream == nullptr) {
        int result = 0;
        for (const auto& s : Streams())
            if (s->pending > 0 && !FlushWrites(s.get())) result = EOF;
        return result;
    }
    if (!Known(stream)) return EOF;
    if (stream->pending > 0 && !FlushWrites(stream)) return EOF;
    return 0;
}

int vfprintf(FILE* stream, const char* format, va_list args) {
    if (format == nullptr) return -1;
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) return -1;
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    if (n == 0) return Known(stream) ? 0 : -1;
    return fwrite(text.data(), 1, text.size(), stream) == text.size() ? n : -1;
}

int fprintf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = vfprintf(stream, format, args);
    va_end(args);
    return n;
}

int _fileno(FILE* stream) { return Known(stream) ? stream->fd : -1; }

}  // namespace vrn
