// What both extraction methods share: the marker-file test, the output
// file, the read/write buffer, the damaged-member rule, the buffer flush of
// the compressed method and the restoring of the file's times.
#include <cerrno>
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {

int32_t JoinMemberPath(const char* destinationDir, const char* memberName, char* out) {
    const size_t dirLength = destinationDir != nullptr ? std::strlen(destinationDir) : 0;
    // FormatFileName adds at most ".\" and one separator.
    if (dirLength + std::strlen(memberName) + 4 > ARCHIVE_PATH_SIZE) return 0;
    FormatFileName(destinationDir, memberName, out);
    return 1;
}

void SetMarkerFileFlags(const char* memberName) {
    if (std::strcmp(memberName, "bin\\vrngodbc.dll") == 0) VRNGODBC_DLL_FLAG = 1;
    if (std::strcmp(memberName, "bin\\qdspdrv.386") == 0) QDSPDRV_386_FLAG = 1;
    if (std::strcmp(memberName, "bin\\qlaunch.exe") == 0) QLAUNCH_EXE_FLAG = 1;
    if (std::strcmp(memberName, "vrnlang\\dbesupp.not") == 0) ZOV_INSTALL_FLAG = 1;
    const char* relative = std::strncmp(memberName, "./", 2) == 0 ? memberName + 2 : memberName;
    if (std::strcmp(relative, "vrnbuild/asian/wxwindow.o") == 0) MVRNSRVA_EXE_FLAG = 1;
}

int32_t CreateMemberFile(const char* path, int32_t* result) {
    *result = 0;
    int32_t fd = utcreatdll(path, _S_IREAD | _S_IWRITE, 0, _pgc);
    if (fd >= 0) return fd;
    const int createErrno = errno;
    if (_access(path, ACCESS_EXISTS) == 0 && _access(path, ACCESS_READ_WRITE) != 0) {
        // An existing read-only file is replaced: make it writable, then
        // create it again.
        if (_chmod(path, _S_IREAD | _S_IWRITE) != 0) {
            *result = DisplayErrorMsg(_installWnd, path, 115);
            return -1;
        }
        fd = utcreatdll(path, _S_IREAD | _S_IWRITE, 0, _pgc);
        if (fd >= 0) return fd;
        *result = ProcessFileError(nullptr, errno, 102, path);
        return -1;
    }
    *result = ProcessFileError(nullptr, createErrno, 102, path);
    return -1;
}

int32_t HandleDamagedMember(int32_t outFd, const char* path, const ArchiveFileHeader* header, uint32_t* crc,
                            uint8_t* skip, uint8_t testing, void* buffers[], int bufferCount) {
    for (int i = 0; i < bufferCount; ++i) {
        if (buffers[i] == nullptr) continue;
        if (buffers[i] == _pReadWriteBuffer) _pReadWriteBuffer = nullptr;
        utfree(buffers[i]);
        buffers[i] = nullptr;
    }
    if (!testing) {
        if (outFd >= 0) utclose(outFd, UT_WRITE_THROUGH);
        _unlink(path);
    }
    if (StopInstallation(path) != 0) return RESULT_STOP;
    *crc = header->dataCRC;
    *skip = 1;
    return 0;
}

int32_t AllocGlobalRWBuffer(uint32_t size, uint32_t* allocated) {
    *allocated = 0;
    _pReadWriteBuffer = nullptr;
    // An empty member moves no data and needs no block.
    if (size == 0) return 0;
    int64_t length = size < RW_BUFFER_MAX ? size : RW_BUFFER_MAX;
    for (; length > 0; length -= RW_BUFFER_STEP) {
        void* block = utmalloc(static_cast<uint32_t>(length));
        if (block != nullptr) {
            _pReadWriteBuffer = block;
            *allocated = static_cast<uint32_t>(length);
            return 0;
        }
    }
    return DisplayErrorMsg(_installWnd, "_pReadWriteBuffer", 601);
}

int32_t FlushRWBuffer(int32_t outFd, const uint8_t* buffer, uint32_t count, const ArchiveFileHeader* header,
                      const char* path, uint32_t* crc, uint8_t* skip, int32_t* result, uint8_t testing) {
    *result = 0;
    if (AbortProcess(_quitConfirmationText, _quitConfirmationTitle) != 0) {
        *result = RESULT_STOP;
        return 0;
    }
    if (testing) return 1;
    if (count == 0 || _write(outFd, buffer, count) == static_cast<int>(count)) return 1;
    if (StopInstallation(path) != 0) {
        *result = RESULT_STOP;
        return 0;
    }
    *crc = header->dataCRC;
    *skip = 1;
    return 0;
}

int32_t ChangeFileDateTime(const ArchiveFileHeader* header, const char* destinationDir) {
    char path[ARCHIVE_PATH_SIZE];
    if (JoinMemberPath(destinationDir, header->fileName, path) == 0) return RESULT_STOP;
    _utimbuf_t times;
    times.actime = header->accessTime;
    times.modtime = header->modificationTime;
    return _utime(path, &times) == 0 ? 0 : RESULT_STOP;
}

}  // namespace vrn
