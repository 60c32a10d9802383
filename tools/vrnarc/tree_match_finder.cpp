// The best parse's tree walk and its thread's tables.
#include "tools/vrnarc/tree_match_finder.h"

#include <algorithm>
#include <cstring>

namespace vrn::arc {

namespace {

uint32_t HashOf(uint32_t v, int bits) { return (v * 2654435761u) >> (32 - bits); }
uint32_t Hash4(const uint8_t* p, int bits) {
    uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return HashOf(v, bits);
}
// Built from single bytes: a narrow copy into a wider load would stall.
uint32_t Hash3(const uint8_t* p, int bits) {
    const uint32_t v = p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    return HashOf(v, bits);
}

// The common length of a and b, at most 17, when 17 bytes of both can be read.
uint32_t CommonLength17(const uint8_t* a, const uint8_t* b) {
    uint64_t x = 0, y = 0;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    if (x != y) return static_cast<uint32_t>(__builtin_ctzll(x ^ y) >> 3);
    std::memcpy(&x, a + 8, 8);
    std::memcpy(&y, b + 8, 8);
    if (x != y) return 8 + static_cast<uint32_t>(__builtin_ctzll(x ^ y) >> 3);
    return a[16] == b[16] ? 17 : 16;
}

}  // namespace

thread_local TreeMatchFinder::Tables TreeMatchFinder::threadTables_;

TreeMatchFinder::TreeMatchFinder(const uint8_t* data, size_t size)
    : tables_(threadTables_), data_(data), size_(size), stamps_(tables_.next, size) {
    if (tables_.head.empty()) {
        tables_.head.assign(size_t{1} << kHeadBits, 0);
        tables_.tree.assign(2 * size_t{kNodes}, 0);
        tables_.triple.assign(size_t{1} << kTripleBits, 0);
        tables_.pair.assign(65536, 0);
    }
    Reserve(0);
}

// Inlined into the loops below: its calls' entry and exit cost as much as a
// step of the walk.
template <bool kInside>
__attribute__((always_inline)) inline uint32_t TreeMatchFinder::Enter(size_t at, uint32_t limit, uint32_t known,
                                                                       uint32_t& distance) {
    const uint32_t here = stamps_.Of(at);
    const uint8_t* p = data_ + at;
    const size_t left = kInside ? LZSS_MAX_MATCH : size_ - at;
    if (kInside) limit = LZSS_MAX_MATCH;
    uint32_t best = known;
    // The first four bytes give the three hashes at once.
    uint32_t prefix = 0;
    if (kInside) std::memcpy(&prefix, p, 4);

    if (left >= 4) {
        // The tree compares up to the whole longest match (or to the end of
        // the data), whatever `limit` asks, so that it stays the same tree.
        const uint32_t bound = static_cast<uint32_t>(std::min<size_t>(LZSS_MAX_MATCH, left));
        uint32_t& root = tables_.head[kInside ? HashOf(prefix, kHeadBits) : Hash4(p, kHeadBits)];
        uint32_t candidate = root;
        root = here;
        uint32_t* smaller = &tables_.tree[2 * (here & (kNodes - 1))];   // where the next smaller place goes
        uint32_t* larger = smaller + 1;                                 // where the next larger place goes
        uint32_t smallerLength = 0, largerLength = 0;   // bytes every place below them shares with p
        for (int depth = kDepth;; --depth) {
            const uint32_t back = here - candidate;
            if (back > kStampWindow || depth == 0) {
                *smaller = 0;
                *larger = 0;
                break;
            }
            uint32_t* node = &tables_.tree[2 * (candidate & (kNodes - 1))];
            const uint8_t* c = p - back;
            uint32_t length = std::min(smallerLength, largerLength);
            if (c[length] == p[length]) {
                if (bound == LZSS_MAX_MATCH) {
                    length = CommonLength17(c, p);
                } else {
                    while (++length < bound && c[length] == p[length]) {
                    }
                }
                const uint32_t usable = std::min(length, limit);
                if (usable > best) {
                    best = usable;
                    distance = back;
                }
                if (length == bound) {
                    // The new place takes the equal one's subtrees.
                    *smaller = node[0];
                    *larger = node[1];
                    break;
                }
            }
            if (c[length] < p[length]) {
                *smaller = candidate;
                smaller = node + 1;
                candidate = *smaller;
                smallerLength = length;
            } else {
                *larger = candidate;
                larger = node;
                candidate = *larger;
                largerLength = length;
            }
        }
    }

    if (left >= 3) {
        uint32_t& last = tables_.triple[kInside ? HashOf(prefix & 0xFFFFFF, kTripleBits) : Hash3(p, kTripleBits)];
        if (best < 3 && limit >= 3) {
            const uint32_t back = here - last;
            if (back <= kStampWindow && std::memcmp(p - back, p, 3) == 0) {
                best = 3;
                distance = back;
            }
        }
        last = here;
    }
    if (left >= 2) {
        uint32_t& last = tables_.pair[kInside ? prefix & 0xFFFF : p[0] | static_cast<uint32_t>(p[1]) << 8];
        if (best < LZSS_MIN_MATCH && limit >= LZSS_MIN_MATCH) {
            const uint32_t back = here - last;
            if (back <= kStampWindow) {
                best = LZSS_MIN_MATCH;
                distance = back;
            }
        }
        last = here;
    }
    return best >= LZSS_MIN_MATCH ? best : 0;
}

void TreeMatchFinder::Matches(size_t from, size_t count, size_t end, uint8_t* longest, uint16_t* distances) {
    // The match at a place, shortened by one, is also a match at the next.
    uint32_t carried = 0, carriedDistance = 0;
    // Places from which a whole longest match fits before `end`.
    const size_t inside = end - from >= LZSS_MAX_MATCH ? std::min(count, end - from - LZSS_MAX_MATCH + 1) : 0;
    for (size_t k = 0; k < inside; ++k) {
        uint32_t distance = carriedDistance;
        const uint32_t length = Enter<true>(from + k, LZSS_MAX_MATCH, carried >= LZSS_MIN_MATCH ? carried : 0, distance);
        longest[k] = static_cast<uint8_t>(length);
        distances[k] = static_cast<uint16_t>(distance);
        carried = length > 0 ? length - 1 : 0;
        carriedDistance = distance;
    }
    for (size_t k = inside; k < count; ++k) {
        const size_t at = from + k;
        const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(LZSS_MAX_MATCH, end - at));
        uint32_t distance = carriedDistance;
        const uint32_t known = carried >= LZSS_MIN_MATCH ? std::min(carried, limit) : 0;
        const uint32_t length = Enter<false>(at, limit, known, distance);
        longest[k] = static_cast<uint8_t>(length);
        distances[k] = static_cast<uint16_t>(distance);
        carried = length > 0 ? length - 1 : 0;
        carriedDistance = distance;
    }
}

void TreeMatchFinder::Prime(size_t from, size_t count) {
    for (size_t at = from; at < from + count; ++at) {
        uint32_t unused = 0;
        Enter<false>(at, 0, 0, unused);
    }
}

}  // namespace vrn::arc
