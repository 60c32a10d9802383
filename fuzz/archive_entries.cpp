// A whole archive through extraction into the scratch drive, and the
// compressed stream alone through the in-memory decoder, checked against
// the extraction of the same stream.
#include <cstring>
#include <string>
#include <vector>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "fuzz/fuzz.h"
#include "fuzz/scratch.h"
#include "platform/faults.h"

namespace vrn::fuzz {

namespace {

constexpr char kDestination[] = "C:\\dest";

struct CrcTable {
    uint32_t table[CRC_TABLE_SIZE];
    CrcTable() { BuildCRCTable(table, CRC_TABLE_SIZE); }
};
const uint32_t* Crc() {
    static const CrcTable crc;
    return crc.table;
}

uint32_t DataCrc(const std::string& bytes) {
    return ~CalculateBlockCRC32(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()),
                                CRC32_INITIAL, Crc());
}

// A member said to be whole must lie on the disk as its header describes it.
void CheckMemberOnDisk(const char*, const ArchiveFileHeader* header) {
    char path[ARCHIVE_PATH_SIZE];
    if (JoinMemberPath(kDestination, header->fileName, path) == 0) {
        Finding("a member was extracted whose path does not fit");
        return;
    }
    const std::string host = HostOf(path);
    if (host.empty() || !HostExists(host)) {
        Finding(std::string("an extracted member is not on the disk: ") + header->fileName);
        return;
    }
    const std::string bytes = ReadHostFile(host);
    if (bytes.size() != header->fileSize || DataCrc(bytes) != header->dataCRC)
        Finding(std::string("an extracted member differs from its header: ") + header->fileName);
}

void PutField(uint8_t* raw, uint32_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) raw[offset + i] = static_cast<uint8_t>(value >> (8 * i)) ^ ARCHIVE_HEADER_MASK;
}

// One compressed member of the given stream, as it lies in an archive.
std::string CompressedMember(const char* name, const uint8_t* stream, uint32_t streamSize, uint32_t fileSize,
                             uint32_t dataCrc) {
    uint8_t raw[ARCHIVE_HEADER_SIZE] = {};
    std::strncpy(reinterpret_cast<char*>(raw), name, ARCHIVE_NAME_SIZE - 1);
    for (uint32_t i = 0; i < ARCHIVE_NAME_SIZE; ++i) raw[i] ^= ARCHIVE_HEADER_MASK;
    PutField(raw, ARCHIVE_OFFSET_STORED_SIZE, streamSize);
    PutField(raw, ARCHIVE_OFFSET_FILE_SIZE, fileSize);
    PutField(raw, ARCHIVE_OFFSET_DATA_CRC, dataCrc);
    PutField(raw, ARCHIVE_OFFSET_RESERVED, 0);
    PutField(raw, ARCHIVE_OFFSET_ACCESS_TIME, 0);
    PutField(raw, ARCHIVE_OFFSET_MODIFICATION_TIME, 0);
    raw[ARCHIVE_OFFSET_METHOD] = static_cast<uint8_t>(ARCHIVE_METHOD_COMPRESSED) ^ ARCHIVE_HEADER_MASK;
    PutField(raw, ARCHIVE_OFFSET_HEADER_CRC, ~CalculateBlockCRC32(raw, ARCHIVE_HEADER_CRC_SPAN, CRC32_INITIAL, Crc()));
    std::string member(reinterpret_cast<const char*>(raw), sizeof raw);
    member.append(reinterpret_cast<const char*>(stream), streamSize);
    return member;
}

}  // namespace

void FuzzArchive(const uint8_t* data, size_t size) {
    BeginInput();
    const std::string archive = HostOf("C:\\a.arc");
    if (!WriteHostFile(archive, data, size)) return;
    _memberDoneHook = CheckMemberOnDisk;
    DecompressFile("*", "C:\\a.arc", kDestination, 0);
    _memberDoneHook = nullptr;
    // Testing decodes and checks without writing a thing.
    SetFileChangeObserver([](FaultOp, const char* hostPath) {
        Finding(std::string("testing an archive changed an entry: ") + hostPath);
    });
    DecompressFile("*", "C:\\a.arc", "C:\\tested", 1);
    SetFileChangeObserver(nullptr);
}

void FuzzLzss(const uint8_t* data, size_t size) {
    // Three bytes of the file size (at most 256 KiB), then the stream.
    if (size < 3) return;
    const uint32_t fileSize = (data[0] | data[1] << 8 | (data[2] & 0x03) << 16);
    const uint8_t* stream = data + 3;
    const uint32_t streamSize = static_cast<uint32_t>(size - 3);
    std::vector<uint8_t> decoded(fileSize + 1);
    if (DecodeStreamInMemory(stream, streamSize, decoded.data(), fileSize) == 0) return;

    // A stream the decoder takes whole extracts to the same bytes.
    BeginInput();
    const std::string expected(reinterpret_cast<const char*>(decoded.data()), fileSize);
    const std::string member = CompressedMember("m.bin", stream, streamSize, fileSize, DataCrc(expected));
    if (!WriteHostFile(HostOf("C:\\l.arc"), member)) return;
    const uint8_t decodeAhead = _decodeAhead;
    _decodeAhead = 0;
    const int32_t result = DecompressFile("*", "C:\\l.arc", kDestination, 0);
    _decodeAhead = decodeAhead;
    if (result != 0) Finding("a stream the in-memory decoder takes fails to extract");
    else if (ReadHostFile(HostOf("C:\\dest\\m.bin")) != expected)
        Finding("the extraction of a stream differs from its in-memory decoding");
}

}  // namespace vrn::fuzz
