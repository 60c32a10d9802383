// The fast parse's chain walk and its thread's tables.
#include "tools/vrnarc/match_finder.h"

#include <cstring>

namespace vrn::arc {

namespace {

// Length of the common run of a and b, at most `limit`.
uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t limit) {
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

}  // namespace

thread_local MatchFinder::Tables MatchFinder::tables_;

MatchFinder::MatchFinder(const uint8_t* data, size_t size)
    : data_(data), size_(size), stamps_(tables_.next, size) {
    if (tables_.head.empty()) {
        tables_.head.assign(size_t{1} << kHashBits, 0);
        tables_.chain.assign(kStampWindow, 0);
        tables_.pair.assign(65536, 0);
    }
    Reserve(0);
}

uint32_t MatchFinder::Longest(size_t at, uint32_t limit, int depth, uint32_t& distance) const {
    const uint32_t here = stamps_.Of(at);
    const uint8_t* p = data_ + at;
    uint32_t best = 0;
    if (limit >= 3) {
        uint32_t candidate = tables_.head[Hash(p)];
        while (here - candidate <= kStampWindow && depth-- > 0) {
            const uint32_t back = here - candidate;
            const uint8_t* c = p - back;
            // A longer match must at least agree on the byte after the best.
            if (c[best] == p[best] || best == 0) {
                const uint32_t length = CommonLength(c, p, limit);
                if (length > best) {
                    best = length;
                    distance = back;
                    if (best == limit) break;
                }
            }
            const uint32_t next = tables_.chain[candidate & (kStampWindow - 1)];
            if (next >= candidate) break;
            candidate = next;
        }
    }
    if (best < LZSS_MIN_MATCH && limit >= LZSS_MIN_MATCH) {
        const uint32_t pair = tables_.pair[static_cast<uint32_t>(p[0]) << 8 | p[1]];
        if (here - pair <= kStampWindow) {
            best = LZSS_MIN_MATCH;
            distance = here - pair;
        }
    }
    return best >= LZSS_MIN_MATCH ? best : 0;
}

}  // namespace vrn::arc
