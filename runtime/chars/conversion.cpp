// Conversion between IBM code page 850 and ISO 8859-1. Shared characters map
// to their counterparts; the 31 box-drawing, shade, block and other
// characters that ISO 8859-1 lacks take the control positions 0x80-0x9E in
// code-page order, and 0x9F (f with hook) keeps its position, so that the two
// tables are inverse to each other over all 256 byte values.
#include <cstddef>

#include "runtime/chars/chars.h"
#include "runtime/chars/code_page_positions.h"

namespace vrn {

namespace {

constexpr std::array<uint8_t, 256> kIsoL1ToCp850 = chars::KeepingAscii(chars::kCp850OfIsoL1High);

// The other direction is the inverse of the one table; that it is one (every
// position taken exactly once) is checked when the tables are built.
constexpr std::array<uint8_t, 256> Inverse(const std::array<uint8_t, 256>& table) {
    std::array<uint8_t, 256> inverse{};
    std::array<bool, 256> taken{};
    for (size_t i = 0; i < 256; ++i) {
        if (taken[table[i]]) throw "two characters share a position";
        taken[table[i]] = true;
        inverse[table[i]] = static_cast<uint8_t>(i);
    }
    return inverse;
}

constexpr std::array<uint8_t, 256> kCp850ToIsoL1 = Inverse(kIsoL1ToCp850);

}  // namespace

constinit const std::array<uint8_t, 256> _ISOL1_to_CP850 = kIsoL1ToCp850;
constinit const std::array<uint8_t, 256> _CP850_to_ISOL1 = kCp850ToIsoL1;

}  // namespace vrn
