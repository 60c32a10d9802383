// Member headers and whole members of an archive.
#include <cstring>

#include "tools/vrnarc/archive_writer.h"

namespace vrn::arc {

RawHeader EncodeMemberHeader(ArchiveFileHeader& header) {
    RawHeader raw{};
    MaskFileHeader(&header, raw.data(), CRCTable());
    return raw;
}

bool DecodeMemberHeader(const RawHeader& raw, ArchiveFileHeader& header) {
    return UnmaskFileHeader(raw.data(), &header, CRCTable()) != 0;
}

namespace {

// Writes the header and the data of a member checked, its CRC known and its
// stream made (unless stored by the options).
bool WriteChecked(std::FILE* archive, const std::string& name, const uint8_t* data, size_t size, uint32_t crc,
                  const std::vector<uint8_t>& packed, uint32_t accessTime, uint32_t modificationTime,
                  const MemberOptions& options, ArchiveFileHeader* written, std::string& error) {
    const bool stored = options.store || packed.size() > size;
    ArchiveFileHeader header;
    SetMemberName(&header, name.c_str());
    header.fileSize = static_cast<uint32_t>(size);
    header.storedSize = stored ? static_cast<uint32_t>(size) : static_cast<uint32_t>(packed.size());
    header.dataCRC = crc;
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

}  // namespace

std::string MemberError(const std::string& name, size_t size) {
    if (name.empty() || name.size() >= ARCHIVE_NAME_SIZE)
        return "member name must be 1 to " + std::to_string(ARCHIVE_NAME_SIZE - 1) + " bytes: " + name;
    if (size > 0xFFFFFFFFu) return "file is 4 GiB or larger, which an archive member cannot hold: " + name;
    return {};
}

bool WriteMember(std::FILE* archive, const std::string& name, const uint8_t* data, size_t size, uint32_t accessTime,
                 uint32_t modificationTime, const MemberOptions& options, ArchiveFileHeader* written, std::string& error) {
    error = MemberError(name, size);
    if (!error.empty()) return false;
    std::vector<uint8_t> packed;
    if (!options.store) CompressStream(data, size, options.level, packed);
    return WriteChecked(archive, name, data, size, DataCRC(data, size), packed, accessTime, modificationTime, options,
                        written, error);
}

bool WriteMadeMember(std::FILE* archive, const MadeMember& made, const MemberOptions& options,
                     ArchiveFileHeader* written, std::string& error) {
    if (!made.error.empty()) {
        error = made.error;
        return false;
    }
    const MemberInput& in = made.input;
    return WriteChecked(archive, in.name, in.data.data(), in.data.size(), made.crc, made.packed, in.accessTime,
                        in.modificationTime, options, written, error);
}

int ReadMemberHeader(std::FILE* archive, ArchiveFileHeader& header, std::string& error) {
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
