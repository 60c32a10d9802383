// The compressed stream's token decoder, shared by the archive reader's own
// decoding (DecompressData) and by the decoding threads, so that both take
// the same tokens from the same bytes and end the same way.
//
// The stream is a series of groups: a flag byte, then eight tokens taken
// from its lowest bit upward; a set bit is a literal byte, a clear bit a
// two-byte reference b1 b2 to window position (b1 & 0x0F) * 256 + b2 with
// length (b1 >> 4) + 2. The window is 4,096 bytes addressed modulo 4,096,
// and the first byte produced lands at position 1. Seen from the byte about
// to be written at window position w, a reference to position p reaches d
// bytes back, d = ((w - p - 1) mod 4096) + 1, from 1 to 4,096; window
// positions never written read as zero.
//
// Most of a stream is decoded a whole group at a time in flat memory: the
// bytes produced lie in one run with at least 4,096 bytes of history (or the
// member's zeroed prefix) before the write pointer, so a reference is a copy
// from d bytes back. Literals and references take the same path, a 17-byte
// copy from either the input or the output behind, so that the flag bits
// steer data rather than branches; only a reference overlapping its own
// bytes (d smaller than its length) is copied byte by byte.
//
// DecodeStream is the reading discipline of the archive: the first flag byte
// read alone, then chunks of at most the input buffer's length, tokens
// decoded while a chunk has bytes, a token's bytes past the chunk read
// directly, and the produced count checked against the file size only
// between chunks. Where the bytes come from (Source) and where they go
// (Sink) are the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/archive/archive.h"

namespace vrn {

inline constexpr uint32_t LZSS_WINDOW_MASK = LZSS_WINDOW_SIZE - 1;
// A group decoded without checks reads at most this many bytes from its
// start (a flag byte, eight references, the wide copy of a last literal)...
inline constexpr uint32_t TOKEN_GROUP_INPUT = 1 + 8 * 2 + 17;
// ...and writes at most this many from the write pointer.
inline constexpr uint32_t TOKEN_GROUP_OUTPUT = 8 * LZSS_MAX_MATCH + 17;

// How far back a reference reaches from window write position `position`.
inline uint32_t ReferenceDistance(uint32_t position, uint32_t b1, uint32_t b2) {
    return ((position - ((b1 & 0x0F) << 8 | b2) - 1) & LZSS_WINDOW_MASK) + 1;
}
inline uint32_t ReferenceLength(uint32_t b1) { return (b1 >> 4) + LZSS_MIN_MATCH; }

// A reference overlapping the bytes it produces, in flat memory.
inline void CopyOverlapping(uint8_t* op, uint32_t distance, uint32_t length) {
    if (distance == 1) {
        std::memset(op, op[-1], length);
        return;
    }
    const uint8_t* src = op - distance;
    for (uint32_t i = 0; i < length; ++i) op[i] = src[i];
}

// One whole group in flat memory: TOKEN_GROUP_INPUT bytes readable at ip,
// TOKEN_GROUP_OUTPUT writable at op, 4,096 bytes of history before op. The
// bytes a wide copy writes past a token's length land where the next token
// (or a later group) writes.
inline void DecodeGroup(const uint8_t*& ip, uint8_t*& op, uint32_t& position) {
    uint32_t flags = *ip++;
    // Eight literals, common where little repeats (code, tables): one copy
    // rather than eight overlapping wide ones, which the copy of a near
    // reference after them would have to wait for.
    if (flags == 0xFF) {
        std::memcpy(op, ip, 8);
        ip += 8;
        op += 8;
        position += 8;
        return;
    }
    for (int token = 0; token < 8; ++token, flags >>= 1) {
        const uint32_t literal = flags & 1;
        const uint32_t b1 = ip[0];
        const uint32_t b2 = ip[1];
        // For a literal the distance is meaningless but at least 1, its
        // length. Masks rather than conditions choose between the two, so
        // that no branch depends on the flag bit.
        const uint32_t distance = ReferenceDistance(position, b1, b2);
        const uint32_t length = 1 + (((b1 >> 4) + LZSS_MIN_MATCH - 1) & (literal - 1));
        if (distance < length) [[unlikely]] {
            CopyOverlapping(op, distance, length);
        } else {
            const uintptr_t fromInput = uintptr_t{0} - literal;
            const auto* src = reinterpret_cast<const uint8_t*>((reinterpret_cast<uintptr_t>(ip) & fromInput) |
                                                               ((reinterpret_cast<uintptr_t>(op) - distance) & ~fromInput));
            uint8_t wide[16];
            std::memcpy(wide, src, 16);
            std::memcpy(op, wide, 16);
            op[16] = src[16];   // with distance 16, a byte just copied
        }
        ip += 2 - literal;
        op += length;
        position += length;
    }
}

// One token in flat memory, 17 bytes writable at op.
inline void DecodeToken(uint32_t literal, uint32_t b1, uint32_t b2, uint8_t*& op, uint32_t& position) {
    if (literal) {
        *op++ = static_cast<uint8_t>(b1);
        ++position;
        return;
    }
    const uint32_t distance = ReferenceDistance(position, b1, b2);
    const uint32_t length = ReferenceLength(b1);
    if (distance < length)
        CopyOverlapping(op, distance, length);
    else
        std::memmove(op, op - distance, length);
    op += length;
    position += length;
}

// How a stream's decoding ended.
enum class StreamEnd : uint8_t {
    Complete,     // the file size was reached between chunks
    Damaged,      // the first flag byte or a token byte read directly failed
    Unreadable,   // a chunk could not be read, or the stream ran out first
    Stopped,      // the sink said to end (quit, a failed write, shutdown)
};

// Decodes one member's stream, in chunks of at most inputLength bytes.
// Source: `bool ReadByte(uint8_t&)` and `int64_t ReadChunk(uint32_t count,
// const uint8_t** chunk)` (the number of bytes read and where they lie; 0 or
// less at the end or on failure). Sink: `uint64_t Produced()`, `bool GroupFits()` (a
// group can go unchecked now), `bool Group(const uint8_t*&, uint32_t&)`,
// `bool Token(literal, b1, b2, uint32_t&)` and `bool Finish()`, each false
// to stop. On Complete, *streamUsed is the number of stream bytes taken.
template <typename Source, typename Sink>
StreamEnd DecodeStream(Source& source, Sink& sink, uint32_t storedSize, uint32_t fileSize, uint32_t inputLength,
                       uint64_t* streamUsed) {
    uint8_t first = 0;
    if (!source.ReadByte(first)) return StreamEnd::Damaged;
    uint32_t flags = first;
    uint32_t mask = 1;
    uint32_t position = LZSS_WINDOW_START;
    int64_t consumed = 0;   // stream bytes after the first flag byte
    while (sink.Produced() < fileSize) {
        int64_t want = static_cast<int64_t>(storedSize) - 1 - consumed;
        if (want > inputLength) want = inputLength;
        const uint8_t* ip = nullptr;
        const int64_t got = want > 0 ? source.ReadChunk(static_cast<uint32_t>(want), &ip) : 0;
        if (got <= 0) return StreamEnd::Unreadable;
        const uint8_t* const end = ip + got;
        int64_t direct = 0;
        // The next token byte: from the chunk, else straight from the source.
        auto next = [&](uint32_t& byte) {
            if (ip < end) {
                byte = *ip++;
                return true;
            }
            uint8_t b = 0;
            if (!source.ReadByte(b)) return false;
            ++direct;
            byte = b;
            return true;
        };
        while (ip < end) {
            if (mask == 256) {
                if (end - ip >= static_cast<ptrdiff_t>(TOKEN_GROUP_INPUT) && sink.GroupFits()) {
                    if (!sink.Group(ip, position)) return StreamEnd::Stopped;
                    continue;
                }
                flags = *ip++;
                mask = 1;
            }
            const uint32_t literal = (flags & mask) != 0 ? 1 : 0;
            mask <<= 1;
            uint32_t b1 = 0;
            uint32_t b2 = 0;
            if (!next(b1)) return StreamEnd::Damaged;
            if (!literal && !next(b2)) return StreamEnd::Damaged;
            if (!sink.Token(literal, b1, b2, position)) return StreamEnd::Stopped;
        }
        consumed += got + direct;
    }
    if (!sink.Finish()) return StreamEnd::Stopped;
    *streamUsed = static_cast<uint64_t>(1 + consumed);
    return StreamEnd::Complete;
}

}  // namespace vrn
