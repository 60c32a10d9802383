// The decoding threads of one pass over an archive. While DecompressFile
// goes through the archive, the pool walks the member headers ahead of it
// with its own reader and decodes the members it will decode (compressed,
// not empty, matching its pattern) in parallel, each the way DecompressData
// would from the archive itself: the same bytes, the same end. The
// extraction takes the members in its own order and writes them; what is
// written, asked and reported stays its own.
//
// The bytes wait in blocks of RW_BUFFER_MAX from a fixed store of
// DECODE_POOL_BLOCKS, so that a large member is written while the rest of it
// is decoded and memory stays bounded whatever the archive holds. Testing
// keeps no bytes, only each member's CRC and end.
#pragma once

#include <cstdint>

#include "engine/archive/archive.h"
#include "engine/archive/token_decoder.h"

namespace vrn {

inline constexpr uint32_t DECODE_POOL_BLOCKS = 32;
// Members decoded or being decoded ahead of the extraction, at most.
inline constexpr uint32_t DECODE_POOL_MEMBERS = 64;

struct DecodedMember;

// Starts the pool over the archive open on fd (binary, at offset 0) with
// `threads` threads. Nothing is started with no threads, when the
// descriptor cannot be read from another thread, or when the store cannot
// be had; the extraction then decodes everything itself.
void StartDecodePool(int32_t fd, const char* pattern, const uint32_t* crcTable, uint8_t testing, uint32_t threads);
// Stops the threads and frees what they decoded.
void StopDecodePool();

// The member whose data start at dataOffset, decoded (or being decoded) by
// the pool; null when the pool does not have it, and the caller decodes it.
DecodedMember* TakeDecodedMember(int64_t dataOffset, const ArchiveFileHeader* header);
// The member's next decoded bytes in order, waiting for them: true with
// their place and length (valid until the next call), false once they are
// all handed out (with testing, at once).
bool NextDecodedBytes(DecodedMember* member, const uint8_t** data, uint32_t* length);
// Whether the thread takes the member's CRC (always when testing); when not,
// the extraction takes it from the bytes handed out. A thread about to be
// waited for leaves it to the extraction, which would only wait meanwhile.
bool DecodedMemberHasCrc(const DecodedMember* member);
// How the member's decoding ended, once NextDecodedBytes said false: the
// number of the bytes produced, on Complete the stream bytes taken, and,
// when the thread took it, the complemented CRC of the bytes.
StreamEnd DecodedMemberEnd(const DecodedMember* member, uint32_t* crc, uint64_t* produced, uint64_t* streamUsed);
// Done with the member.
void ReleaseDecodedMember(DecodedMember* member);

}  // namespace vrn
