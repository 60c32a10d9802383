// The compressor of the archive stream.
//
// Output byte j of a member lands at window position (1 + j) mod 4096, so a
// reference to the bytes d back (1 <= d <= 4096, never before the first byte)
// from position i names window position (1 + i - d) mod 4096. A token group
// is a flag byte followed by eight tokens, bit 0 first; a set bit marks a
// literal, a clear bit a two-byte reference ((length - 2) << 4 | position
// high nibble, position low byte).
//
// The fast parse takes the longest match that hash chains of bounded depth
// find at each token; the best parse takes the longest match at every place
// from a binary tree of the window's places and then chooses the tokens of
// least size, block by block.
#include <algorithm>
#include <memory>
#include <vector>

#include "tools/vrnarc/archive_writer.h"
#include "tools/vrnarc/best_parse.h"
#include "tools/vrnarc/match_finder.h"
#include "tools/vrnarc/tree_match_finder.h"

namespace vrn::arc {

namespace {

constexpr uint32_t kWindow = LZSS_WINDOW_SIZE;
constexpr uint32_t kMinMatch = LZSS_MIN_MATCH;
constexpr uint32_t kMaxMatch = LZSS_MAX_MATCH;
// Chain steps of the fast parse.
constexpr int kFastDepth = 8;
// A block of the best parse, the window before it and the bytes past it
// take one stretch of stamps.
static_assert(kBestBlock + kWindow + kMaxMatch <= kStampStretch, "one Reserve covers a block");
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

void CompressFast(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    MatchFinder finder{data, size};
    TokenWriter writer{out};
    size_t at = 0;
    size_t reserved = 0;   // places entered without another Reserve
    while (at < size) {
        if (at >= reserved) {
            finder.Reserve(at);
            reserved = at + kStampStretch - kMaxMatch;
        }
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
    BlockJoiner joiner{out};
    ParsedBlock parsed;
    for (size_t block = 0; block < BestBlockCount(size); ++block) {
        ParseBestBlock(data, size, block, parsed);
        joiner.Append(parsed);
    }
}

}  // namespace

void ParseBestBlock(const uint8_t* data, size_t size, size_t block, ParsedBlock& parsed) {
    const size_t start = block * kBestBlock;
    const size_t n = std::min(size - start, kBestBlock);
    // The finder sees the window before the block and, for its comparisons,
    // the bytes up to a longest match past the block's end.
    const size_t primed = std::min<size_t>(start, kWindow);
    const size_t viewEnd = std::min(size, start + n + kMaxMatch);
    TreeMatchFinder finder{data + start - primed, viewEnd - (start - primed)};
    finder.Prime(0, primed);
    // Each is written before it is read: no clearing.
    const auto longest = std::make_unique_for_overwrite<uint8_t[]>(n);
    const auto distances = std::make_unique_for_overwrite<uint16_t[]>(n);
    const auto cost = std::make_unique_for_overwrite<uint32_t[]>(n + 1);
    const auto choice = std::make_unique_for_overwrite<uint8_t[]>(n);   // 0 literal, else the reference length
    finder.Matches(primed, n, primed + n, longest.get(), distances.get());
    // Least bits from each position to the block's end. Every match
    // shortened at its front is a match at the next place, so the least
    // cost never grows towards the block's start and the longest
    // reference is always the best one.
    cost[n] = 0;
    for (size_t i = n; i-- > 0;) {
        // Without a branch, which the data would make a guess: a place
        // without a match (length 0) prices its reference out of the choice.
        const uint32_t literal = kLiteralBits + cost[i + 1];
        const uint32_t length = longest[i];
        const bool matched = length >= kMinMatch;
        const uint32_t reference = kReferenceBits + cost[i + (matched ? length : 1)] + (matched ? 0 : kLiteralBits);
        const bool referred = reference <= literal;
        cost[i] = referred ? reference : literal;
        choice[i] = static_cast<uint8_t>(referred ? length : 0);
    }
    parsed.body.clear();
    parsed.literals.clear();
    parsed.tokens = 0;
    parsed.body.reserve(n);
    parsed.literals.reserve(n / 8 + 1);
    for (size_t i = 0; i < n;) {
        if (parsed.tokens % 8 == 0) parsed.literals.push_back(0);
        if (choice[i] == 0) {
            parsed.literals.back() = static_cast<uint8_t>(parsed.literals.back() | 1u << (parsed.tokens % 8));
            parsed.body.push_back(data[start + i]);
            ++i;
        } else {
            const uint32_t position =
                static_cast<uint32_t>((LZSS_WINDOW_START + start + i - distances[i]) & (kWindow - 1));
            parsed.body.push_back(static_cast<uint8_t>((choice[i] - kMinMatch) << 4 | position >> 8));
            parsed.body.push_back(static_cast<uint8_t>(position & 0xFF));
            i += choice[i];
        }
        ++parsed.tokens;
    }
}

void BlockJoiner::Token(const ParsedBlock& parsed, size_t k, const uint8_t*& body) {
    if (used_ == 8) {
        flagAt_ = out_.size();
        out_.push_back(0);
        used_ = 0;
    }
    if (parsed.literals[k / 8] >> (k % 8) & 1) {
        out_[flagAt_] = static_cast<uint8_t>(out_[flagAt_] | 1u << used_);
        out_.push_back(*body++);
    } else {
        out_.insert(out_.end(), body, body + 2);
        body += 2;
    }
    ++used_;
}

void BlockJoiner::Append(const ParsedBlock& parsed) {
    const uint8_t* body = parsed.body.data();
    const uint8_t* literals = parsed.literals.data();
    const size_t count = parsed.tokens;
    size_t k = 0;
    // The group the last block left open, token by token.
    for (; k < count && used_ != 8; ++k) Token(parsed, k, body);
    // Whole groups: eight tokens' flags, wherever they stand in the block's
    // bits, and their bytes in one piece (a byte for each literal, two for
    // each reference).
    for (; count - k >= 8; k += 8) {
        const size_t at = k / 8;
        const unsigned shift = k % 8;
        const uint32_t next = shift != 0 ? literals[at + 1] : 0;
        const uint8_t flags = static_cast<uint8_t>((literals[at] | next << 8) >> shift);
        const size_t bytes = 16 - static_cast<size_t>(__builtin_popcount(flags));
        out_.push_back(flags);
        out_.insert(out_.end(), body, body + bytes);
        body += bytes;
    }
    for (; k < count; ++k) Token(parsed, k, body);
}

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
