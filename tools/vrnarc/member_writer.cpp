// Member headers and whole members of an archive.
#include <cstring>

#include "tools/vrnarc/archive_writer.h"

namespace vrn::arc {

namespace {

void PutField(RawHeader& raw, uint32_t offset, uint32_t value) {
    for (uint32_t i = 0; i < 4; ++i) raw[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetField(const RawHeader& raw, uint32_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | raw[offset + static_cast<uint32_t>(i)];
    return value;
}

void Mask(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) bytes[i] ^= ARCHIVE_HEADER_MASK;
}

uint32_t HeaderCRC(const RawHeader& masked) { return DataCRC(masked.data(), ARCHIVE_HEADER_CRC_SPAN); }

}  // namespace

RawHeader EncodeMemberHeader(MemberHeader& header) {
    RawHeader raw{};
    const size_t nameLength = std::min<size_t>(header.name.size(), ARCHIVE_NAME_SIZE - 1);
    std::memcpy(raw.data(), header.name.data(), nameLength);
    PutField(raw, ARCHIVE_OFFSET_STORED_SIZE, header.storedSize);
    PutField(raw, ARCHIVE_OFFSET_FILE_SIZE, header.fileSize);
    PutField(raw, ARCHIVE_OFFSET_DATA_CRC, header.dataCRC);
    PutField(raw, ARCHIVE_OFFSET_RESERVED, header.reserved);
    PutField(raw, ARCHIVE_OFFSET_ACCESS_TIME, header.accessTime);
    PutField(raw, ARCHIVE_OFFSET_MODIFICATION_TIME, header.modificationTime);
    raw[ARCHIVE_OFFSET_METHOD] = static_cast<uint8_t>(header.method);
    Mask(raw.data(), ARCHIVE_HEADER_CRC_SPAN);
    header.headerCRC = HeaderCRC(raw);
    PutField(raw, ARCHIVE_OFFSET_HEADER_CRC, header.headerCRC);
    Mask(raw.data() + ARCHIVE_OFFSET_HEADER_CRC, 4);
    return raw;
}

bool DecodeMemberHeader(const RawHeader& raw, MemberHeader& header) {
    RawHeader plain = raw;
    Mask(plain.data(), plain.size());
    const char* name = reinterpret_cast<const char*>(plain.data());
    header.name.assign(name, strnlen(name, ARCHIVE_NAME_SIZE - 1));
    header.storedSize = GetField(plain, ARCHIVE_OFFSET_STORED_SIZE);
    header.fileSize = GetField(plain, ARCHIVE_OFFSET_FILE_SIZE);
    header.dataCRC = GetField(plain, ARCHIVE_OFFSET_DATA_CRC);
    header.reserved = GetField(plain, ARCHIVE_OFFSET_RESERVED);
    header.accessTime = GetField(plain, ARCHIVE_OFFSET_ACCESS_TIME);
    header.modificationTime = GetField(plain, ARCHIVE_OFFSET_MODIFICATION_TIME);
    header.method = static_cast<int8_t>(plain[ARCHIVE_OFFSET_METHOD]);
    header.headerCRC = GetField(plain, ARCHIVE_OFFSET_HEADER_CRC);
    return HeaderCRC(raw) == header.headerCRC;
}

bool WriteMember(std::FILE* archive, const std::string& name, const uint8_t* data, size_t size, uint32_t accessTime,
                 uint32_t modificationTime, const MemberOptions& options, MemberHeader* written, std::string& error) {
    if (name.empty() || name.size() >= ARCHIVE_NAME_SIZE) {
        error = "member name must be 1 to " + std::to_string(ARCHIVE_NAME_SIZE - 1) + " bytes: " + name;
        return false;
    }
    if (size > 0xFFFFFFFFu) {
        error = "file is 4 GiB or larger, which an archive member cannot hold: " + name;
        return false;
    }
    std::vector<uint8_t> packed;
    if (!options.store) CompressStream(data, size, options.level, packed);
    const bool stored = options.store || packed.size() > size;

    MemberHeader header;
    header.name = name;
    header.fileSize = static_cast<uint32_t>(size);
    header.storedSize = stored ? static_cast<uint32_t>(size) : static_cast<uint32_t>(packed.size());
    header.dataCRC = DataCRC(data, size);
    header.accessTime = accessTime;
    header.modificationTime = modificationTime;
    header.method = stored ? ARCHIVE_METHOD_STORED : ARCHIVE_METHOD_COMPRESSED;
    const RawHeader raw = EncodeMemberHeader(header);
    const uint8_t* body = stored ? data : packed.data();
    if (std::fwrite(raw.data(), 1, raw.size(), archive) != raw.size() ||
        (header.storedSize > 0 && std::fwrite(body, 1, header.storedSize, archive) != header.storedSize)) {
        error = "cannot write the archive";
        return false;
    }
    if (written != nullptr) *written = header;
    return true;
}

int ReadMemberHeader(std::FILE* archive, MemberHeader& header, std::string& error) {
    RawHeader raw{};
    const size_t got = std::fread(raw.data(), 1, raw.size(), archive);
    if (got == 0 && !std::ferror(archive)) return 0;
    if (got < raw.size()) {
        error = std::ferror(archive) ? "cannot read the archive" : "archive ends inside a member header";
        DecodeMemberHeader(raw, header);
        return -1;
    }
    if (!DecodeMemberHeader(raw, header)) {
        error = "member header checksum does not match";
        return -1;
    }
    return 1;
}

std::string MemberNameOf(const std::string& relativeHostPath) {
    std::string name = relativeHostPath;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

}  // namespace vrn::arc
