// Reading a text line from a descriptor, never past its newline, and the
// size of an open file.
#include <cerrno>

#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

char* GetFileString(char* buffer, int32_t size, int32_t fd, const char* fileName, int32_t* error) {
    if (error != nullptr) *error = 0;
    if (size < 2) {
        if (size == 1) buffer[0] = '\0';
        return nullptr;
    }
    // The line comes in as few reads as the descriptor allows; each read
    // ends after a newline, so nothing past the line is taken.
    for (int32_t stored = 0; stored < size - 1;) {
        const int got = ReadDescriptorLine(fd, buffer + stored, static_cast<unsigned>(size - 1 - stored));
        if (got < 0) {
            const int readErrno = errno;
            buffer[stored] = '\0';
            const int32_t result = ProcessFileError(nullptr, readErrno, 106, fileName);
            if (error != nullptr) *error = result;
            return nullptr;
        }
        if (got == 0) {
            // End of file: an unterminated last line stays in the buffer.
            buffer[stored] = '\0';
            return nullptr;
        }
        stored += got;
        if (buffer[stored - 1] == '\n') {
            buffer[stored] = '\0';
            return buffer;
        }
    }
    // The buffer is full: the line goes on in the next call.
    buffer[size - 1] = '\0';
    return buffer[size - 2] == '\0' ? nullptr : buffer;
}

uint32_t AcquireFileSizeCurrent(int32_t fd, const char* fileName) {
    _stat_t status;
    if (_fstat(fd, &status) != 0) {
        DisplayErrorMsg(_installWnd, fileName, 109);
        return 0;
    }
    return static_cast<uint32_t>(status.st_size);
}

}  // namespace vrn
