// Building archives in the engine's format: the compressed stream for the
// decoder of the extraction engine, member headers with their mask and
// CRCs, and whole members written to an archive file. Used by vrnarc and by
// the media authoring tools.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/archive/archive.h"

namespace vrn::arc {

// -1: a greedy parse over hash chains. -9: the parse of least size for this
// format's fixed token costs (a literal 9 bits, a reference 17 bits) over the
// longest match that a bounded walk of a tree of the window's places finds at
// every position.
enum class CompressionLevel : uint8_t { Fast = 1, Best = 9 };

// Appends the compressed stream of `data` to `out`. The stream decodes to
// exactly `size` bytes; references reach only bytes already produced.
void CompressStream(const uint8_t* data, size_t size, CompressionLevel level, std::vector<uint8_t>& out);

// The CRC-32 of a block, as the engine checks it.
uint32_t DataCRC(const uint8_t* data, size_t size);

// The table of the engine's CRC-32.
const uint32_t* CRCTable();

// Member headers are the engine's ArchiveFileHeader.
using RawHeader = std::array<uint8_t, ARCHIVE_HEADER_SIZE>;

// The 539 bytes of a header as they lie in the archive; sets header.headerCRC.
RawHeader EncodeMemberHeader(ArchiveFileHeader& header);
// Unmasks a header as read; false when its header CRC does not match.
bool DecodeMemberHeader(const RawHeader& raw, ArchiveFileHeader& header);

// How a member's data is kept.
struct MemberOptions {
    bool store = false;   // -0: always stored
    CompressionLevel level = CompressionLevel::Fast;
};

// Appends one member to an open archive file: compressed unless storing is
// smaller (or asked for). On failure returns false with `error` set.
bool WriteMember(std::FILE* archive, const std::string& name, const uint8_t* data, size_t size, uint32_t accessTime,
                 uint32_t modificationTime, const MemberOptions& options, ArchiveFileHeader* written, std::string& error);

// A file to become a member.
struct MemberInput {
    std::string name;
    std::vector<uint8_t> data;
    uint32_t accessTime = 0;
    uint32_t modificationTime = 0;
};

// A member made ready for writing: WriteMember's work but the writing.
struct MadeMember {
    MemberInput input;
    std::string error;             // why it cannot be a member; empty when it can
    uint32_t crc = 0;              // of input.data
    std::vector<uint8_t> packed;   // the compressed stream, unless the options store
};

// Why a file of `size` bytes named `name` cannot be a member; empty when it can.
std::string MemberError(const std::string& name, size_t size);

// Appends a member made ready (as WriteMember would have); false with
// `error` set when it cannot be a member or cannot be written.
bool WriteMadeMember(std::FILE* archive, const MadeMember& made, const MemberOptions& options,
                     ArchiveFileHeader* written, std::string& error);

// Reads the next header of an archive: 1 read, 0 end of archive, -1 damaged
// (error set; `header` then holds what could be read).
int ReadMemberHeader(std::FILE* archive, ArchiveFileHeader& header, std::string& error);

// A member name: the path below `base` with backslash separators.
std::string MemberNameOf(const std::string& relativeHostPath);

}  // namespace vrn::arc
