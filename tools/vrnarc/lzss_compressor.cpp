// The compressor of the archive stream.
//
// Output byte j of a member lands at window position (1 + j) mod 4096, so a
// reference to the bytes d back (1 <= d <= 4096, never before the first byte)
// from position i names window position (1 + i - d) mod 4096. A token group
// is a flag byte followed by eight tokens, bit 0 first; a set bit marks a
// literal, a clear bit a two-byte reference ((length - 2) << 4 | position
// high nibble, position low byte).
//
// Matches are found through hash chains over three-byte prefixes, limited to
// the window, with a table of the last place of every byte pair for the
// two-byte references that the chains cannot see.
#include <algorithm>
#include <cstring>
#include <vector>

#include "tools/vrnarc/archive_writer.h"

namespace vrn::arc {

namespace {

constexpr uint32_t kWindow = LZSS_WINDOW_SIZE;
constexpr uint32_t kMinMatch = LZSS_MIN_MATCH;
constexpr uint32_t kMaxMatch = LZSS_MAX_MATCH;
constexpr int kHashBits = 15;
// Chain steps of the fast parse.
constexpr int kFastDepth = 8;
// The best parse works in blocks of this many bytes (matches still reach
// back into the block before).
constexpr size_t kBestBlock = size_t{1} << 20;
// Token costs in bits.
constexpr uint32_t kLiteralBits = 9;
constexpr uint32_t kReferenceBits = 17;

struct TokenWriter {
    std::vector<uint8_t>& out;
    size_t flagAt = 0;
    unsigned used = 8;   // tokens in the current group

    void Begin() {
        if (used == 8) {
            flagAt = out.size();
            out.push_back(0);
            used = 0;
        }
    }
    void Literal(uint8_t byte) {
        Begin();
        out[flagAt] = static_cast<uint8_t>(out[flagAt] | (1u << used));
        ++used;
        out.push_back(byte);
    }
    void Reference(size_t at, uint32_t distance, uint32_t length) {
        Begin();
        ++used;
        const uint32_t position = static_cast<uint32_t>((LZSS_WINDOW_START + at - distance) & (kWindow - 1));
        out.push_back(static_cast<uint8_t>((length - kMinMatch) << 4 | position >> 8));
        out.push_back(static_cast<uint8_t>(position & 0xFF));
    }
};

struct MatchFinder {
    const uint8_t* data;
    size_t size;
    std::vector<int64_t> head = std::vector<int64_t>(size_t{1} << kHashBits, -1);
    std::vector<int64_t> previous = std::vector<int64_t>(kWindow, -1);
    std::vector<int64_t> lastPair = std::vector<int64_t>(65536, -1);

    static uint32_t Hash(const uint8_t* p) {
        const uint32_t v = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    void Insert(size_t at) {
        if (at + 3 <= size) {
            const uint32_t h = Hash(data + at);
            previous[at & (kWindow - 1)] = head[h];
            head[h] = static_cast<int64_t>(at);
        }
        if (at + 2 <= size) lastPair[static_cast<uint32_t>(data[at]) << 8 | data[at + 1]] = static_cast<int64_t>(at);
    }

    // Length of the common run of a and b, at most `limit`.
    static uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
        uint32_t n = 0;
        while (n + 8 <= limit) {
            uint64_t x = 0, y = 0;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) return n + static_cast<uint32_t>(__builtin_ctzll(x ^ y) >> 3);
            n += 8;
        }
        while (n < limit && a[n] == b[n]) ++n;
        return n;
    }

    // The longest match at `at` (up to `limit` bytes), searching at most
    // `depth` chain steps. Returns the length (0 when none of at least 2)
    // and sets `distance`.
    uint32_t Longest(size_t at, uint32_t limit, int depth, uint32_t& distance) const {
        uint32_t best = 0;
        if (limit >= 3) {
            int64_t candidate = head[Hash(data + at)];
            const int64_t here = static_cast<int64_t>(at);
            while (candidate >= 0 && here - candidate <= static_cast<int64_t>(kWindow) && depth-- > 0) {
                const uint8_t* c = data + candidate;
                if (c[best] == data[at + best] || best == 0) {
                    const uint32_t length = CommonLength(c, data + at, limit);
                    if (length > best) {
                        best = length;
                        distance = static_cast<uint32_t>(here - candidate);
                        if (best == limit) break;
                    }
                }
                const int64_t next = previous[static_cast<size_t>(candidate) & (kWindow - 1)];
                if (next >= candidate) break;
                candidate = next;
            }
        }
        if (best < kMinMatch && limit >= kMinMatch) {
            const int64_t pair = lastPair[static_cast<uint32_t>(data[at]) << 8 | data[at + 1]];
            if (pair >= 0 && static_cast<int64_t>(at) - pair <= static_cast<int64_t>(kWindow)) {
                best = kMinMatch;
                distance = static_cast<uint32_t>(static_cast<int64_t>(at) - pair);
            }
        }
        return best >= kMinMatch ? best : 0;
    }
};

void CompressFast(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    MatchFinder finder{data, size};
    TokenWriter writer{out};
    size_t at = 0;
    while (at < size) {
        const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, size - at));
        uint32_t distance = 0;
        const uint32_t length = finder.Longest(at, limit, kFastDepth, distance);
        if (length == 0) {
            writer.Literal(data[at]);
            finder.Insert(at);
            ++at;
            continue;
        }
        writer.Reference(at, distance, length);
        for (uint32_t k = 0; k < length; ++k) finder.Insert(at + k);
        at += length;
    }
}

void CompressBest(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    MatchFinder finder{data, size};
    TokenWriter writer{out};
    const size_t block = std::min(size, kBestBlock);
    std::vector<uint8_t> longest(block);
    std::vector<uint16_t> distances(block);
    std::vector<uint32_t> cost(block + 1);
    std::vector<uint8_t> choice(block);   // 0 literal, else the reference length

    for (size_t start = 0; start < size; start += block) {
        const size_t end = std::min(size, start + block);
        const size_t n = end - start;
        for (size_t i = 0; i < n; ++i) {
            const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, end - (start + i)));
            uint32_t distance = 0;
            longest[i] = static_cast<uint8_t>(finder.Longest(start + i, limit, static_cast<int>(kWindow), distance));
            distances[i] = static_cast<uint16_t>(distance);
            finder.Insert(start + i);
        }
        // Least bits from each position to the block's end.
        cost[n] = 0;
        for (size_t i = n; i-- > 0;) {
            uint32_t best = kLiteralBits + cost[i + 1];
            uint8_t pick = 0;
            for (uint32_t length = kMinMatch; length <= longest[i]; ++length) {
                const uint32_t c = kReferenceBits + cost[i + length];
                if (c <= best) {
                    best = c;
                    pick = static_cast<uint8_t>(length);
                }
            }
            cost[i] = best;
            choice[i] = pick;
        }
        for (size_t i = 0; i < n;) {
            if (choice[i] == 0) {
                writer.Literal(data[start + i]);
                ++i;
            } else {
                writer.Reference(start + i, distances[i], choice[i]);
                i += choice[i];
            }
        }
    }
}

}  // namespace

void CompressStream(const uint8_t* data, size_t size, CompressionLevel level, std::vector<uint8_t>& out) {
    if (size == 0) return;
    out.reserve(out.size() + size + size / 8 + 16);
    if (level == CompressionLevel::Best)
        CompressBest(data, size, out);
    else
        CompressFast(data, size, out);
}

const uint32_t* CRCTable() {
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(CRC_TABLE_SIZE);
        BuildCRCTable(t.data(), CRC_TABLE_SIZE);
        return t;
    }();
    return table.data();
}

uint32_t DataCRC(const uint8_t* data, size_t size) {
    uint32_t crc = CRC32_INITIAL;
    while (size > 0) {
        const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(size, 1u << 30));
        crc = CalculateBlockCRC32(data, piece, crc, CRCTable());
        data += piece;
        size -= piece;
    }
    return ~crc;
}

}  // namespace vrn::arc
