// The archive's CRC-32: the per-archive table and the block update. The
// update's contract is the byte-wise step
//     crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8)
// over the caller's table. When that table is the standard one (as
// BuildCRCTable makes it), long blocks are worked sixteen bytes at a time
// with derived tables, which gives the very same result.
#include <array>
#include <cstring>

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
        return SlicedCRC(data, length, crc);
    while (length-- > 0) crc = table[(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace vrn
