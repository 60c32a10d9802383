// Copying one file through a buffer that backs off while memory is short,
// and copying the plain files of one directory.
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/native.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr uint32_t kLargestBuffer = 61440;
constexpr uint32_t kBufferStep = 2048;
constexpr int kOwnerReadWrite = _S_IREAD | _S_IWRITE;
// The copy is written under the destination's name with this ending and
// takes the destination's name once it is whole.
constexpr char kPartEnding[] = ".part";

// The copy buffer of FileCopy, kept apart from the extraction buffer.
void* pReadWriteBuffer = nullptr;

void ReleaseBuffer() {
    utfree(pReadWriteBuffer);
    pReadWriteBuffer = nullptr;
}

}  // namespace

int32_t FileCopy(const char* source, const char* destination, int32_t mode) {
    UtDescriptor in(utopendll(source, _O_RDONLY | mode, -1, 0, _pgc));
    if (in.fd < 0) return ProcessFileError(nullptr, errno, 103, source);

    if (_access(destination, ACCESS_EXISTS) == 0 && _unlink(destination) != 0) return RESULT_STOP;
    // An interrupted copy (a full disk, a killed run) so leaves no part of
    // a file under the destination's name, only its part file, which the
    // next copy replaces.
    const std::string part = std::string(destination) + kPartEnding;
    UtDescriptor out(utopendll(part.c_str(), _O_RDWR | _O_CREAT | _O_TRUNC | mode, kOwnerReadWrite, 0, _pgc));
    auto fail = [&](int32_t result) {
        utclose(in.release(), 0);
        if (out.fd >= 0) utclose(out.release(), 0);
        ReleaseBuffer();
        _unlink(part.c_str());
        return result;
    };
    if (out.fd < 0) {
        const int saved = errno;
        utclose(in.release(), 0);
        return ProcessFileError(nullptr, saved, 102, destination);
    }

    _stat_t status;
    if (_fstat(in.fd, &status) != 0) return fail(DisplayErrorMsg(_installWnd, source, 109));
    const int permission = status.st_mode & kOwnerReadWrite;

    // An empty source needs no buffer: the created file is already its copy.
    if (status.st_size > 0) {
        int64_t length = status.st_size < kLargestBuffer ? status.st_size : kLargestBuffer;
        pReadWriteBuffer = nullptr;
        while (length > 0 && (pReadWriteBuffer = utmalloc(static_cast<uint32_t>(length))) == nullptr)
            length -= kBufferStep;
        if (pReadWriteBuffer == nullptr) return fail(DisplayErrorMsg(_installWnd, "pReadWriteBuffer", 601));

        for (;;) {
            const int got = _read(in.fd, pReadWriteBuffer, static_cast<unsigned int>(length));
            if (got == 0) break;
            if (got < 0) {
                const int saved = errno;
                return fail(ProcessFileError(nullptr, saved, 106, source));
            }
            if (_write(out.fd, pReadWriteBuffer, static_cast<unsigned int>(got)) != got) {
                const int saved = errno != 0 ? errno : ENOSPC;
                return fail(ProcessFileError(nullptr, saved, 105, destination));
            }
        }
        ReleaseBuffer();
    }
    // The copy takes the destination's name once whole. It is not forced to
    // the disk first: no file the installation writes is, and a flush of a
    // few of them would make no installation whole after a power loss, only
    // slower every time.
    utclose(in.release(), 0);
    utclose(out.release(), 0);
    if (RenameReplacing(part.c_str(), destination) != 0) {
        const int saved = errno;
        _unlink(part.c_str());
        return ProcessFileError(nullptr, saved, 111, destination);
    }
    _chmod(destination, permission);
    return 0;
}

int32_t CopyDir(const char* sourceDir, const char* destinationDir) {
    std::string pattern(std::strlen(sourceDir) + 8, '\0');
    FormatFileName(sourceDir, "*.*", pattern.data());
    WIN32_FIND_DATA entry;
    const HANDLE find = FindFirstFile(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;

    do {
        const char* name = entry.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        std::string from(std::strlen(sourceDir) + std::strlen(name) + 4, '\0');
        std::string to(std::strlen(destinationDir) + std::strlen(name) + 4, '\0');
        FormatFileName(sourceDir, name, from.data());
        FormatFileName(destinationDir, name, to.data());
        // A directory entry fails to copy and is passed over like any
        // other failure: only the plain files are wanted.
        utCopyFile(from.c_str(), to.c_str(), 0);
    } while (FindNextFile(find, &entry));

    FindClose(find);
    return 0;
}

}  // namespace vrn
