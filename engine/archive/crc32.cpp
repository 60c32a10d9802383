// The archive's CRC-32: the per-archive table and the block update. The
// update's contract is the byte-wise step
//     crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8)
// over the caller's table. When that table is the standard one (as
// BuildCRCTable makes it), long blocks are worked sixteen bytes at a time
// with derived tables, or, on processors with carry-less multiplication,
// folded sixty-four bytes at a time; both give the very same result.
#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/archive/archive.h"

namespace vrn {

namespace {

constexpr int kSlices = 16;
using SliceTables = std::array<std::array<uint32_t, 256>, kSlices>;

// slice[0] is the byte table; slice[k][n] is the CRC of byte n followed by k
// zero bytes, so that one step can fold sixteen bytes at once.
constexpr SliceTables MakeSliceTables() {
    SliceTables t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ CRC32_POLYNOMIAL : c >> 1;
        t[0][n] = c;
    }
    for (int k = 1; k < kSlices; ++k)
        for (uint32_t n = 0; n < 256; ++n) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    return t;
}

constexpr SliceTables kSlice = MakeSliceTables();

// Below this length the byte-wise step is as quick as checking the table.
constexpr uint32_t kSlicedMinimum = 64;

inline uint32_t Load32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint32_t SlicedCRC(const uint8_t* p, uint32_t length, uint32_t crc) {
    while (length >= 16) {
        const uint32_t a = Load32(p) ^ crc;
        const uint32_t b = Load32(p + 4);
        const uint32_t c = Load32(p + 8);
        const uint32_t d = Load32(p + 12);
        crc = kSlice[15][a & 0xFF] ^ kSlice[14][(a >> 8) & 0xFF] ^ kSlice[13][(a >> 16) & 0xFF] ^
              kSlice[12][a >> 24] ^ kSlice[11][b & 0xFF] ^ kSlice[10][(b >> 8) & 0xFF] ^
              kSlice[9][(b >> 16) & 0xFF] ^ kSlice[8][b >> 24] ^ kSlice[7][c & 0xFF] ^
              kSlice[6][(c >> 8) & 0xFF] ^ kSlice[5][(c >> 16) & 0xFF] ^ kSlice[4][c >> 24] ^
              kSlice[3][d & 0xFF] ^ kSlice[2][(d >> 8) & 0xFF] ^ kSlice[1][(d >> 16) & 0xFF] ^
              kSlice[0][d >> 24];
        p += 16;
        length -= 16;
    }
    while (length-- > 0) crc = kSlice[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if defined(__x86_64__)
// Folding with carry-less multiplication: four 128-bit lanes are each
// multiplied forward by x^(512±32) mod P and added to the next 64 bytes,
// then folded into one lane, reduced to 64 bits and, by Barrett reduction,
// to the 32-bit remainder. Constants for the reflected polynomial
// 0xEDB88320. Takes a multiple of 16 bytes, at least 64.
#define VRN_FOLD_TARGET __attribute__((target("pclmul,sse4.1")))

VRN_FOLD_TARGET inline __m128i Load128(const uint8_t* q) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// x carried forward by the constants in k, added to the next lane.
VRN_FOLD_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), _mm_clmulepi64_si128(x, k, 0x00)), next);
}

VRN_FOLD_TARGET uint32_t FoldedCRC(const uint8_t* p, uint32_t length, uint32_t crc) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i x1 = _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load128(p + 16);
    __m128i x3 = Load128(p + 32);
    __m128i x4 = Load128(p + 48);
    p += 64;
    length -= 64;
    while (length >= 64) {
        x1 = Fold(x1, k1k2, Load128(p));
        x2 = Fold(x2, k1k2, Load128(p + 16));
        x3 = Fold(x3, k1k2, Load128(p + 32));
        x4 = Fold(x4, k1k2, Load128(p + 48));
        p += 64;
        length -= 64;
    }
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    while (length >= 16) {
        x1 = Fold(x1, k3k4, Load128(p));
        p += 16;
        length -= 16;
    }
    // 128 bits to 64.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x2b = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
    x2b = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5k0, 0x00), x2b);
    // Barrett reduction to 32 bits.
    x2b = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
    x2b = _mm_clmulepi64_si128(_mm_and_si128(x2b, low32), poly, 0x00);
    x1 = _mm_xor_si128(x1, x2b);
    return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

bool CanFold() {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}
#endif

uint32_t StandardCRC(const uint8_t* p, uint32_t length, uint32_t crc) {
#if defined(__x86_64__)
    if (length >= 64 && CanFold()) {
        const uint32_t folded = length & ~15u;
        crc = FoldedCRC(p, folded, crc);
        p += folded;
        length -= folded;
    }
#endif
    return SlicedCRC(p, length, crc);
}

}  // namespace

void BuildCRCTable(uint32_t* table, int32_t count) {
    for (int32_t n = 0; n < count; ++n) {
        uint32_t c = static_cast<uint32_t>(n);
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ CRC32_POLYNOMIAL : c >> 1;
        table[n] = c;
    }
}

uint32_t CalculateBlockCRC32(const uint8_t* data, uint32_t length, uint32_t crc, const uint32_t* table) {
    if (length >= kSlicedMinimum && std::memcmp(table, kSlice[0].data(), sizeof(kSlice[0])) == 0)
        return StandardCRC(data, length, crc);
    while (length-- > 0) crc = table[(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace vrn
