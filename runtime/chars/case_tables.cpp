// The ISO 8859-1 case maps and the pointers to the maps in force.
#include "runtime/chars/chars.h"

namespace vrn {

namespace {

constexpr std::array<uint8_t, 256> MakeUpper() {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        bool small = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
        table[c] = static_cast<uint8_t>(small ? c - 0x20 : c);
    }
    // y with diaeresis has no capital in ISO 8859-1: it goes to plain Y.
    table[0xFF] = 'Y';
    return table;
}

constexpr std::array<uint8_t, 256> MakeLower() {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        bool capital = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
        table[c] = static_cast<uint8_t>(capital ? c + 0x20 : c);
    }
    return table;
}

}  // namespace

const std::array<uint8_t, 256> _ISOL1_uptable = MakeUpper();
const std::array<uint8_t, 256> _ISOL1_dntable = MakeLower();
const std::array<uint8_t, 256> _ISOL1_uptablelcl = MakeUpper();
const std::array<uint8_t, 256> _ISOL1_dntablelcl = MakeLower();

const uint8_t* _GlobalUptable = _ISOL1_uptable.data();
const uint8_t* _GlobalDntable = _ISOL1_dntable.data();

}  // namespace vrn
