// Tag substitution in one installed file: the file is streamed line by line
// into a temporary file beside it, which takes its place once it is whole.
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/state/state.h"
#include "engine/tailor/tailor.h"
#include "platform/crt.h"
#include "runtime/files/files.h"

namespace vrn {

namespace {

// The temporary file in the same directory as the file, so that the final
// rename stays on one volume.
std::string TemporaryPathFor(const char* filePath) {
    const char* cut = std::strrchr(filePath, '\\');
    if (const char* slash = std::strrchr(filePath, '/'); slash != nullptr && (cut == nullptr || slash > cut))
        cut = slash;
    if (cut == nullptr && filePath[0] != '\0' && filePath[1] == ':')
        // "C:name" lies in drive C's current directory.
        return std::string(filePath, 2) + TAILOR_TEMPORARY_NAME;
    const std::string directory = cut != nullptr ? std::string(filePath, cut + 1) : std::string();
    std::string joined(directory.size() + sizeof TAILOR_TEMPORARY_NAME + 4, '\0');
    FormatFileName(directory.c_str(), TAILOR_TEMPORARY_NAME, joined.data());
    joined.resize(std::strlen(joined.c_str()));
    return joined;
}

// Writes the converted text held so far; false with errno set when the
// write fails or falls short (a short write is a full volume).
bool WriteOut(int32_t fd, std::string& text) {
    if (text.empty()) return true;
    const int written = _write(fd, text.data(), static_cast<unsigned>(text.size()));
    if (written != static_cast<int>(text.size())) {
        if (written >= 0) errno = ENOSPC;
        return false;
    }
    text.clear();
    return true;
}

// Clears the environment-file flag when the file is done, however it ends.
struct VrnenvFlag {
    explicit VrnenvFlag(const char* filePath) { _bIsVrnenvBatFile = std::strstr(filePath, "vrnenv.bat") != nullptr; }
    ~VrnenvFlag() { _bIsVrnenvBatFile = 0; }
    VrnenvFlag(const VrnenvFlag&) = delete;
    VrnenvFlag& operator=(const VrnenvFlag&) = delete;
};

// ConvertLines' result for a failed write (errno tells why); the reader's
// results after a read error are those of a report, never this.
constexpr int32_t kWriteFailed = -1;

// Streams the converted lines of `source` into `target`: 0; the reader's
// reported result after a read error; or kWriteFailed.
int32_t ConvertLines(int32_t source, int32_t target, const char* filePath, const char* installDir) {
    char line[TAILOR_LINE_SIZE];
    std::string converted;
    converted.reserve(TAILOR_WRITE_BLOCK + 2 * TAILOR_LINE_SIZE);
    for (;;) {
        int32_t readError = 0;
        const char* got = GetFileString(line, TAILOR_LINE_SIZE, source, filePath, &readError);
        if (readError != 0) return readError;
        // At the end an unterminated last line is still in the buffer.
        if (got == nullptr && line[0] == '\0') break;
        ConvertBuffer(line, converted, installDir);
        if (got == nullptr) break;
        if (converted.size() >= TAILOR_WRITE_BLOCK && !WriteOut(target, converted)) return kWriteFailed;
    }
    return WriteOut(target, converted) ? 0 : kWriteFailed;
}

}  // namespace

int32_t ModifyFile(const char* filePath, const char* installDir) {
    UtDescriptor source(utopendll(filePath, _O_RDONLY | _O_TEXT, -1, UT_WRITE_THROUGH, _pgc));
    if (source.fd < 0) return ProcessFileError(nullptr, errno, 103, filePath);
    // Lines are served from a buffer of the descriptor's own, never read
    // past; without one they are read a byte at a time, which also serves.
    SetDescriptorReadAhead(source.fd, TAILOR_WRITE_BLOCK);

    const std::string temporary = TemporaryPathFor(filePath);
    // Created new: a temporary file left by an earlier failure is neither
    // overwritten nor used, and the file is not tailored until it is gone.
    UtDescriptor target(utopendll(temporary.c_str(), _O_CREAT | _O_RDWR | _O_TEXT, _S_IREAD | _S_IWRITE, 0, _pgc));
    if (target.fd < 0) {
        const int createErrno = errno;
        utclose(source.release(), UT_WRITE_THROUGH);
        return ProcessFileError(nullptr, createErrno, 102, filePath);
    }

    // A large file is written out as it is made, not all at the end.
    SetDescriptorWriteBehind(target.fd, TAILOR_WRITE_BEHIND);

    int32_t result = 0;
    {
        const VrnenvFlag vrnenv(filePath);
        result = ConvertLines(source.fd, target.fd, filePath, installDir);
    }
    int failedErrno = result == kWriteFailed ? errno : 0;
    utclose(source.release(), UT_WRITE_THROUGH);
    if (utclose(target.release(), UT_WRITE_THROUGH) != 0 && result == 0) {
        result = kWriteFailed;
        failedErrno = errno;
    }
    if (result == kWriteFailed) {
        _unlink(temporary.c_str());
        return ProcessFileError(nullptr, failedErrno, 105, filePath);
    }
    // After a read error, which the reader has reported, the temporary file
    // stays.
    if (result != 0) return result;

    // A file that cannot be removed is not replaced either.
    if (_access(filePath, ACCESS_EXISTS) == 0 && _access(filePath, ACCESS_READ_WRITE) != 0) {
        _unlink(temporary.c_str());
        return DisplayErrorMsg(_installWnd, filePath, 110);
    }
    // One step: the name stands for the old file until the new one is there.
    if (RenameReplacing(temporary.c_str(), filePath) != 0) {
        const int renameErrno = errno;
        _unlink(temporary.c_str());
        return ProcessFileError(nullptr, renameErrno, 105, filePath);
    }
    return 0;
}

int32_t ProcessTailor(const char* filePath, const char* installDir) { return ModifyFile(filePath, installDir); }

int32_t TailorVarentisFiles(const char* /*variableName*/, const char* installDir, const char* filePath) {
    return ProcessTailor(filePath, installDir);
}

}  // namespace vrn
