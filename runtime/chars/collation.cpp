// Collation weights and the per-language adjustments.
//
// Below 0x80 the case-sensitive weight is the byte itself and the
// case-insensitive weight folds a-z onto A-Z. Above, a character weighs its
// position in code page 850, except that accented Latin letters weigh as
// their base letter (capital in the case-insensitive table, same case in the
// case-sensitive one); the letters that code page 850 orders separately
// (A and a with diaeresis or ring, AE, O with diaeresis or stroke, U with
// diaeresis, Eth and Thorn) weigh as the capital's code-page-850 position, or
// in the case-sensitive table the small letter's own. Sharp s weighs 0 and
// the no-break space 0xFF.
#include <cstddef>

#include "runtime/chars/chars.h"
#include "runtime/chars/code_page_positions.h"

namespace vrn {

namespace {

// The letters' case-sensitive weights, 0xC0 to 0xFF.
constexpr std::array<uint8_t, 64> kLetterWeights = {{
    0x41, 0x41, 0x41, 0x41, 0x8E, 0x8F, 0x92, 0x43, 0x45, 0x45, 0x45, 0x45, 0x49, 0x49, 0x49, 0x49,  // C0
    0xD1, 0x4E, 0x4F, 0x4F, 0x4F, 0x4F, 0x99, 0x9E, 0x9D, 0x55, 0x55, 0x55, 0x9A, 0x59, 0xE8, 0x00,  // D0
    0x61, 0x61, 0x61, 0x61, 0x84, 0x86, 0x91, 0x63, 0x65, 0x65, 0x65, 0x65, 0x69, 0x69, 0x69, 0x69,  // E0
    0xD0, 0x6E, 0x6F, 0x6F, 0x6F, 0x6F, 0x94, 0xF6, 0x9B, 0x75, 0x75, 0x75, 0x81, 0x79, 0xE7, 0x79,  // F0
}};

constexpr std::array<uint8_t, 256> CaseSensitiveWeights() {
    std::array<uint8_t, 256> weights = chars::KeepingAscii(chars::kCp850OfIsoL1High);
    for (size_t i = 0; i < kLetterWeights.size(); ++i) weights[0xC0 + i] = kLetterWeights[i];
    return weights;
}

// Folding case: a-z weigh as A-Z, and each accented small letter as its
// capital 0x20 below it; the division sign has no capital, and y with
// diaeresis, whose capital ISO 8859-1 lacks, weighs as Y.
constexpr std::array<uint8_t, 256> CaseInsensitiveWeights() {
    std::array<uint8_t, 256> weights = CaseSensitiveWeights();
    for (size_t c = 'a'; c <= 'z'; ++c) weights[c] = weights[c - 0x20];
    for (size_t c = 0xE0; c < 0xFF; ++c)
        if (c != 0xF7) weights[c] = weights[c - 0x20];
    weights[0xFF] = 'Y';
    return weights;
}

}  // namespace

constinit const std::array<uint8_t, 256> _ISOL1_cisWeights = CaseInsensitiveWeights();
constinit const std::array<uint8_t, 256> _ISOL1_csWeights = CaseSensitiveWeights();

// A and a with diaeresis, O and o with diaeresis, U and u with diaeresis,
// in the ISO 8859-1 positions used by the lists below.
namespace {
constexpr uint16_t A_DIA = 0xC4, a_dia = 0xE4, A_RING = 0xC5, a_ring = 0xE5;
constexpr uint16_t AE = 0xC6, ae = 0xE6, E_ACUTE = 0xC9, e_acute = 0xE9;
constexpr uint16_t O_DIA = 0xD6, o_dia = 0xF6, O_STROKE = 0xD8, o_stroke = 0xF8;
constexpr uint16_t U_DIA = 0xDC, u_dia = 0xFC;
}  // namespace

const uint16_t _ISOL1_basic[] = {
    a_dia, 'A', A_DIA, 'A', o_dia, 'O', O_DIA, 'O', u_dia, 'U', U_DIA, 'U', 0,
};
const uint16_t _ISOL1_csbasic[] = {
    a_dia, 'a', A_DIA, 'A', o_dia, 'o', O_DIA, 'O', u_dia, 'u', U_DIA, 'U', 0,
};
const uint16_t _ISOL1_danish[] = {
    ae, 'x', AE, 'x', a_dia, 'x', A_DIA, 'x',
    o_stroke, 'y', O_STROKE, 'y', o_dia, 'y', O_DIA, 'y',
    a_ring, 'z', A_RING, 'z',
    u_dia, 'Y', U_DIA, 'Y', 0,
};
const uint16_t _ISOL1_csdanish[] = {
    ae, '{', a_dia, '{', AE, '[', A_DIA, '[',
    o_stroke, '|', o_dia, '|', O_STROKE, '\\', O_DIA, '\\',
    a_ring, '}', A_RING, ']',
    u_dia, 'y', U_DIA, 'Y', 0,
};
const uint16_t _ISOL1_swedish[] = {
    a_ring, 'x', A_RING, 'x', a_dia, 'y', A_DIA, 'y', o_dia, 'z', O_DIA, 'z',
    u_dia, 'U', U_DIA, 'U', e_acute, 'E', E_ACUTE, 'E', 0,
};
const uint16_t _ISOL1_csswedish[] = {
    a_ring, '{', a_dia, '|', o_dia, '}', A_RING, '[', A_DIA, '\\', O_DIA, ']',
    u_dia, 'u', U_DIA, 'U', e_acute, 'e', E_ACUTE, 'E', 0,
};

const uint16_t* const _ISOL1_plang[] = {_ISOL1_basic, _ISOL1_danish, _ISOL1_swedish, nullptr};
const uint16_t* const _ISOL1_pcslang[] = {_ISOL1_csbasic, _ISOL1_csdanish, _ISOL1_csswedish, nullptr};

}  // namespace vrn
