// Reading one member header: 539 masked bytes, unmasked into the in-memory
// record, checked against the header CRC computed over the bytes as they lie
// in the archive.
#include <cerrno>
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

namespace {

uint32_t UnmaskedField(const uint8_t* raw, uint32_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(raw[offset + i] ^ ARCHIVE_HEADER_MASK);
    return value;
}

}  // namespace

int32_t UnmaskFileHeader(const uint8_t* raw, ArchiveFileHeader* header, const uint32_t* crcTable) {
    for (uint32_t i = 0; i < ARCHIVE_NAME_SIZE; ++i)
        header->fileName[i] = static_cast<char>(raw[i] ^ ARCHIVE_HEADER_MASK);
    header->fileName[ARCHIVE_NAME_SIZE - 1] = '\0';
    header->storedSize = UnmaskedField(raw, ARCHIVE_OFFSET_STORED_SIZE);
    header->fileSize = UnmaskedField(raw, ARCHIVE_OFFSET_FILE_SIZE);
    header->dataCRC = UnmaskedField(raw, ARCHIVE_OFFSET_DATA_CRC);
    header->reserved = UnmaskedField(raw, ARCHIVE_OFFSET_RESERVED);
    header->accessTime = UnmaskedField(raw, ARCHIVE_OFFSET_ACCESS_TIME);
    header->modificationTime = UnmaskedField(raw, ARCHIVE_OFFSET_MODIFICATION_TIME);
    header->method = static_cast<int8_t>(raw[ARCHIVE_OFFSET_METHOD] ^ ARCHIVE_HEADER_MASK);
    header->headerCRC = UnmaskedField(raw, ARCHIVE_OFFSET_HEADER_CRC);
    const uint32_t computed = ~CalculateBlockCRC32(raw, ARCHIVE_HEADER_CRC_SPAN, CRC32_INITIAL, crcTable);
    return computed == header->headerCRC ? 1 : 0;
}

int32_t ReadFileHeaderData(ArchiveFileHeader* header, int32_t fd, const char* archivePath, const uint32_t* crcTable,
                           int32_t* error) {
    *error = 0;
    // A short header at the end of the archive is checked as it stands; the
    // part that was not read counts as zero bytes.
    uint8_t raw[ARCHIVE_HEADER_SIZE] = {};
    uint32_t got = 0;
    while (got < ARCHIVE_HEADER_SIZE) {
        const int n = _read(fd, raw + got, ARCHIVE_HEADER_SIZE - got);
        if (n < 0) {
            *error = ProcessFileError(nullptr, errno, 106, archivePath);
            return 0;
        }
        if (n == 0) break;
        got += static_cast<uint32_t>(n);
    }
    if (got == 0) return 0;

    if (UnmaskFileHeader(raw, header, crcTable) == 0) {
        *error = DisplayErrorMsg(_installWnd, header->fileName, 129);
        return 0;
    }
    return 1;
}

}  // namespace vrn
