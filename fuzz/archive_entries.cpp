// A whole archive through extraction into the scratch drive, and the
// compressed stream alone, extracted by the extracting thread's own decoding
// and by the decoding threads, each checked against the other and against a
// plain decoding of the stream written here a token at a time.
#include <cstring>
#include <filesystem>
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

namespace {

// The stream decoded a token at a time as the format describes it, the file
// size's bytes at most; shorter when the stream runs out first.
std::string PlainDecoding(const uint8_t* stream, uint32_t size, uint32_t fileSize) {
    std::string out;
    uint8_t window[LZSS_WINDOW_SIZE] = {};
    uint32_t position = LZSS_WINDOW_START;
    uint32_t at = 0;
    auto put = [&](uint8_t byte) {
        out.push_back(static_cast<char>(byte));
        window[position++ & (LZSS_WINDOW_SIZE - 1)] = byte;
    };
    while (at < size && out.size() < fileSize) {
        const uint8_t flags = stream[at++];
        for (uint32_t bit = 0; bit < 8 && out.size() < fileSize; ++bit) {
            if ((flags >> bit) & 1) {
                if (at >= size) return out;
                put(stream[at++]);
                continue;
            }
            if (at + 1 >= size) return out;
            const uint32_t b1 = stream[at++];
            const uint32_t b2 = stream[at++];
            uint32_t from = (b1 & 0x0F) * 256 + b2;
            for (uint32_t n = (b1 >> 4) + LZSS_MIN_MATCH; n > 0 && out.size() < fileSize; --n)
                put(window[from++ & (LZSS_WINDOW_SIZE - 1)]);
        }
    }
    return out;
}

struct Extracted {
    int32_t result = 0;
    bool present = false;
    std::string bytes;
};

Extracted ExtractOn(uint32_t threads) {
    const uint32_t saved = _decodeThreads;
    _decodeThreads = threads;
    Extracted e;
    e.result = DecompressFile("*", "C:\\l.arc", kDestination, 0);
    _decodeThreads = saved;
    const std::string host = HostOf("C:\\dest\\m.bin");
    e.bytes = ReadHostFile(host);
    std::error_code ec;
    e.present = std::filesystem::exists(host, ec);
    return e;
}

}  // namespace

void FuzzLzss(const uint8_t* data, size_t size) {
    // Three bytes of the file size (at most 256 KiB), then the stream.
    if (size < 3) return;
    const uint32_t fileSize = (data[0] | data[1] << 8 | (data[2] & 0x03) << 16);
    const uint8_t* stream = data + 3;
    const uint32_t streamSize = static_cast<uint32_t>(size - 3);
    const std::string plain = PlainDecoding(stream, streamSize, fileSize);

    // The member says it holds the plain decoding, by its check sum.
    BeginInput();
    const std::string member = CompressedMember("m.bin", stream, streamSize, fileSize, DataCrc(plain));
    if (!WriteHostFile(HostOf("C:\\l.arc"), member)) return;
    const Extracted own = ExtractOn(0);
    BeginInput();
    if (!WriteHostFile(HostOf("C:\\l.arc"), member)) return;
    const Extracted pooled = ExtractOn(2);
    if (own.result != pooled.result || own.present != pooled.present || own.bytes != pooled.bytes)
        Finding("the decoding threads extract a stream otherwise than the extracting thread");
    if (own.result == 0 && own.present && plain.size() == fileSize && own.bytes != plain)
        Finding("a stream extracts to other bytes than its plain decoding");
}

}  // namespace vrn::fuzz
