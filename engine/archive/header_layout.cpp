// The member header as it lies in the archive: 539 bytes, each XORed with
// the mask, integers little-endian, the header CRC computed over the masked
// bytes before it. Masking and unmasking are pure; the archive reader and
// the archive-building tools both go through them.
#include <cstring>

#include "engine/archive/archive.h"

namespace vrn {

namespace {

uint32_t UnmaskedField(const uint8_t* raw, uint32_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(raw[offset + i] ^ ARCHIVE_HEADER_MASK);
    return value;
}

void PutMaskedField(uint8_t* raw, uint32_t offset, uint32_t value) {
    for (uint32_t i = 0; i < 4; ++i) raw[offset + i] = static_cast<uint8_t>(value >> (8 * i)) ^ ARCHIVE_HEADER_MASK;
}

// XORs `count` bytes with the mask, eight at a time: every header read
// unmasks its whole name field.
void ApplyMask(const uint8_t* from, uint8_t* to, uint32_t count) {
    constexpr uint64_t kWideMask = 0x0101010101010101ull * ARCHIVE_HEADER_MASK;
    uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, from + i, 8);
        word ^= kWideMask;
        std::memcpy(to + i, &word, 8);
    }
    for (; i < count; ++i) to[i] = from[i] ^ ARCHIVE_HEADER_MASK;
}

}  // namespace

int32_t UnmaskFileHeader(const uint8_t* raw, ArchiveFileHeader* header, const uint32_t* crcTable) {
    ApplyMask(raw, reinterpret_cast<uint8_t*>(header->fileName), ARCHIVE_NAME_SIZE);
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

void MaskFileHeader(ArchiveFileHeader* header, uint8_t* raw, const uint32_t* crcTable) {
    std::memset(raw, 0, ARCHIVE_HEADER_SIZE);
    // The name's bytes up to its NUL; the rest of the field stays zero.
    const size_t nameLength = strnlen(header->fileName, ARCHIVE_NAME_SIZE - 1);
    std::memcpy(raw, header->fileName, nameLength);
    ApplyMask(raw, raw, ARCHIVE_NAME_SIZE);
    PutMaskedField(raw, ARCHIVE_OFFSET_STORED_SIZE, header->storedSize);
    PutMaskedField(raw, ARCHIVE_OFFSET_FILE_SIZE, header->fileSize);
    PutMaskedField(raw, ARCHIVE_OFFSET_DATA_CRC, header->dataCRC);
    PutMaskedField(raw, ARCHIVE_OFFSET_RESERVED, header->reserved);
    PutMaskedField(raw, ARCHIVE_OFFSET_ACCESS_TIME, header->accessTime);
    PutMaskedField(raw, ARCHIVE_OFFSET_MODIFICATION_TIME, header->modificationTime);
    raw[ARCHIVE_OFFSET_METHOD] = static_cast<uint8_t>(header->method) ^ ARCHIVE_HEADER_MASK;
    header->headerCRC = ~CalculateBlockCRC32(raw, ARCHIVE_HEADER_CRC_SPAN, CRC32_INITIAL, crcTable);
    PutMaskedField(raw, ARCHIVE_OFFSET_HEADER_CRC, header->headerCRC);
}

void SetMemberName(ArchiveFileHeader* header, const char* name) {
    std::memset(header->fileName, 0, ARCHIVE_NAME_SIZE);
    std::strncpy(header->fileName, name, ARCHIVE_NAME_SIZE - 1);
}

}  // namespace vrn
