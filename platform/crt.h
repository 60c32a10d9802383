// The C runtime's descriptors and buffered streams over Windows-form paths,
// with text mode (CR LF read as LF, reading stops at Ctrl-Z, LF written as
// CR LF) and binary mode; status, access and directory calls; errno values
// are the host's, which agree with the runtime's for every code the engine
// names (ENOENT 2, EBADF 9, EACCES 13, EEXIST 17, EINVAL 22, EMFILE 24,
// ENOSPC 28).
//
// The names of the C runtime's headers follow the rule of native.h: a file
// includes this header or a Windows build's <fcntl.h>, <sys/stat.h>,
// <share.h> and <sys/locking.h>, which define them as macros, never both.
#pragma once

#if defined(_O_RDONLY) || defined(_O_BINARY) || defined(_S_IFMT) || defined(_S_IWRITE) || defined(_SH_DENYRW) || \
    defined(_LK_UNLCK) || defined(_stat) || defined(_fileno)
#error "platform/crt.h and the C runtime's headers in one file: they define its names as macros (see the rule in platform/native.h)"
#endif

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "platform/native.h"

namespace vrn {

// Open flags.
inline constexpr int _O_RDONLY = 0x0000;
inline constexpr int _O_WRONLY = 0x0001;
inline constexpr int _O_RDWR = 0x0002;
inline constexpr int _O_APPEND = 0x0008;
inline constexpr int _O_CREAT = 0x0100;
inline constexpr int _O_TRUNC = 0x0200;
inline constexpr int _O_EXCL = 0x0400;
inline constexpr int _O_TEXT = 0x4000;
inline constexpr int _O_BINARY = 0x8000;
// Permission bits.
inline constexpr int _S_IWRITE = 0x0080;
inline constexpr int _S_IREAD = 0x0100;
// Sharing modes of _sopen.
inline constexpr int _SH_DENYRW = 0x10;
inline constexpr int _SH_DENYWR = 0x20;
inline constexpr int _SH_DENYRD = 0x30;
inline constexpr int _SH_DENYNO = 0x40;
// Mode bits of _stat.
inline constexpr uint16_t _S_IFMT = 0xF000;
inline constexpr uint16_t _S_IFDIR = 0x4000;
inline constexpr uint16_t _S_IFREG = 0x8000;
// Access modes.
inline constexpr int ACCESS_EXISTS = 0, ACCESS_WRITE = 2, ACCESS_READ = 4, ACCESS_READ_WRITE = 6;
// Locking modes.
inline constexpr int _LK_UNLCK = 0, _LK_LOCK = 1, _LK_NBLCK = 2;

// Descriptors. Without _O_TEXT or _O_BINARY a descriptor is in text mode.
int _open(const char* path, int oflag, int pmode = _S_IREAD | _S_IWRITE);
int _sopen(const char* path, int oflag, int shflag, int pmode = _S_IREAD | _S_IWRITE);
int _creat(const char* path, int pmode);
// Wraps a native handle; flags keep only _O_TEXT, _O_APPEND (and _O_BINARY).
int _open_osfhandle(HANDLE handle, int flags);
HANDLE _get_osfhandle(int fd);
int _close(int fd);
int _read(int fd, void* buffer, unsigned int count);
int _write(int fd, const void* buffer, unsigned int count);
int64_t _lseek(int fd, int64_t offset, int origin);   // origin: SEEK_SET, SEEK_CUR, SEEK_END
int64_t _tell(int fd);
int _eof(int fd);                    // 1 at end, 0 not, -1 error
int64_t _filelength(int fd);
int _commit(int fd);
int _setmode(int fd, int mode);      // returns the previous mode or -1
int _locking(int fd, int mode, long bytes);
int _chsize(int fd, int64_t size);

struct _stat_t {
    uint32_t st_dev = 0;      // drive number, 0 = A
    uint16_t st_mode = 0;     // _S_IFDIR / _S_IFREG | _S_IREAD | _S_IWRITE
    int16_t st_nlink = 0;
    int64_t st_size = 0;
    int64_t st_atime_ = 0;
    int64_t st_mtime_ = 0;
    int64_t st_ctime_ = 0;
};
int _stat(const char* path, _stat_t* out);
int _fstat(int fd, _stat_t* out);
int _access(const char* path, int mode);
int _mkdir(const char* path);
int _rmdir(const char* path);
int _unlink(const char* path);
int _rename(const char* from, const char* to);
// _rename onto a name that may already stand for a file, which is replaced in
// the same step (MoveFileEx with MOVEFILE_REPLACE_EXISTING): a rewritten file
// takes its old one's place without a moment when neither exists. 0, or -1
// with errno (EACCES for a directory or a read-only file at `to`).
int RenameReplacing(const char* from, const char* to);
int _chmod(const char* path, int pmode);
struct _utimbuf_t {
    int64_t actime = 0;
    int64_t modtime = 0;
};
int _utime(const char* path, const _utimbuf_t* times);   // null: now

// Gives a descriptor open for reading only, on a file, a buffer of `size`
// bytes that its reads are served from: many small reads then take one host
// read, and seeks within what was read take none. Text mode keeps its rules.
// The position is the caller's as always. 0 ends it. 0, or -1 with EINVAL.
int SetDescriptorReadAhead(int fd, uint32_t size);

// Write-behind for a descriptor that writes a large file from start to end:
// after each `size` bytes written, the host starts writing them out to the
// volume, so that the data goes out while the rest is made and the host's
// cache is not filled with it. 0 ends it. 0, or -1 with EINVAL (not open for
// writing, or not a file).
int SetDescriptorWriteBehind(int fd, uint32_t size);

// Reads as _read does, but ends after the first LF handed out: at most
// `count` bytes, the LF among them. 0 at the end of the data, -1 with errno
// on failure (after part of a line, that part is returned first). A
// descriptor with a read-ahead buffer serves the line from it; any other is
// read one byte at a time, so that nothing past the line is consumed.
int ReadDescriptorLine(int fd, char* buffer, unsigned int count);

// A second reader of a binary descriptor's file, for another thread: it reads
// at the offsets it is given and never moves the descriptor, which the owner
// goes on using. Made and destroyed by the descriptor's owner; ReadAt may be
// called from one other thread.
class PositionalReader {
public:
    explicit PositionalReader(int fd);   // not valid() for text mode or a bad fd
    ~PositionalReader();
    PositionalReader(const PositionalReader&) = delete;
    PositionalReader& operator=(const PositionalReader&) = delete;
    bool valid() const { return hostFd_ >= 0; }
    // Up to count bytes from offset: fewer only at the end of the file; -1
    // on failure.
    int64_t ReadAt(uint64_t offset, void* buffer, uint32_t count) const;

private:
    int hostFd_ = -1;
};

// Buffered streams. Modes "r", "w", "a", with "+" and "t"/"b"; text by default.
struct FILE;
FILE* fopen(const char* path, const char* mode);
FILE* _fdopen(int fd, const char* mode);
int fclose(FILE* stream);
char* fgets(char* buffer, int size, FILE* stream);
int fputs(const char* text, FILE* stream);
int fgetc(FILE* stream);
int ungetc(int c, FILE* stream);
int fputc(int c, FILE* stream);
size_t fread(void* buffer, size_t size, size_t count, FILE* stream);
size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream);
int fseek(FILE* stream, long offset, int origin);
long ftell(FILE* stream);
void rewind(FILE* stream);
int feof(FILE* stream);
int ferror(FILE* stream);
void clearerr(FILE* stream);
int fflush(FILE* stream);
int fprintf(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
int vfprintf(FILE* stream, const char* format, va_list args);
int _fileno(FILE* stream);

}  // namespace vrn
