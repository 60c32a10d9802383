// Method 1: the member's bytes are copied from the archive to the output
// file in chunks of the read/write buffer, with the data CRC computed on the
// way. No byte past the member's data is ever read.
#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {


int32_t UnstoreData(int32_t fd, const char* /*archivePath*/, ArchiveFileHeader* header, const char* destinationDir,
                    uint32_t* crc, const uint32_t* crcTable, uint8_t* skip, uint8_t testing) {
    SetMarkerFileFlags(header->fileName);
    char path[ARCHIVE_PATH_SIZE];
    if (JoinMemberPath(destinationDir, header->fileName, path) == 0)
        return DisplayErrorMsg(_installWnd, header->fileName, 130);

    int32_t out = -1;
    if (!testing) {
        int32_t result = 0;
        out = CreateMemberFile(path, &result);
        if (out < 0) return result;
    }
    auto closeOutput = [&] {
        if (out >= 0) utclose(out, UT_WRITE_THROUGH);
        out = -1;
    };

    uint32_t chunk = 0;
    if (const int32_t result = AllocGlobalRWBuffer(header->fileSize, &chunk); result != 0) {
        closeOutput();
        return result;
    }
    auto* buffer = static_cast<uint8_t*>(_pReadWriteBuffer);
    auto releaseBuffer = [&] {
        if (_pReadWriteBuffer != nullptr) utfree(_pReadWriteBuffer);
        _pReadWriteBuffer = nullptr;
    };
    auto damaged = [&] {
        void* buffers[] = {_pReadWriteBuffer};
        _pReadWriteBuffer = nullptr;
        return HandleDamagedMember(out, path, header, crc, skip, testing, buffers, 1);
    };

    uint32_t running = CRC32_INITIAL;
    uint32_t produced = 0;
    while (produced < header->fileSize) {
        if (AbortProcess(_quitConfirmationText, _quitConfirmationTitle) != 0) {
            releaseBuffer();
            closeOutput();
            return RESULT_STOP;
        }
        const int got = _read(fd, buffer, chunk);
        if (got < 0) return damaged();
        if (got == 0) break;   // the data ends early: the CRC check will tell
        if (!testing && _write(out, buffer, static_cast<unsigned>(got)) != got) return damaged();
        produced += static_cast<uint32_t>(got);
        const uint32_t remaining = header->fileSize - produced;
        if (remaining < chunk && remaining != 0) chunk = remaining;
        running = CalculateBlockCRC32(buffer, static_cast<uint32_t>(got), running, crcTable);
    }
    releaseBuffer();
    closeOutput();
    *crc = ~running;
    return 0;
}

}  // namespace vrn
