#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "runtime/chars/chars.h"

namespace vrn {
namespace {

TEST(CharTables, CaseMapsFollowLatin1) {
    EXPECT_EQ(_ISOL1_uptable['a'], 'A');
    EXPECT_EQ(_ISOL1_uptable['z'], 'Z');
    EXPECT_EQ(_ISOL1_uptable['A'], 'A');
    EXPECT_EQ(_ISOL1_uptable[0xE9], 0xC9);
    EXPECT_EQ(_ISOL1_uptable[0xE0], 0xC0);
    EXPECT_EQ(_ISOL1_uptable[0xFE], 0xDE);
    EXPECT_EQ(_ISOL1_uptable[0xFF], 0x59);
    EXPECT_EQ(_ISOL1_uptable[0xF7], 0xF7);
    EXPECT_EQ(_ISOL1_uptable[0xDF], 0xDF);
    EXPECT_EQ(_ISOL1_uptable[0xB5], 0xB5);
    EXPECT_EQ(_ISOL1_uptable['{'], '{');
    EXPECT_EQ(_ISOL1_dntable[0xC9], 0xE9);
    EXPECT_EQ(_ISOL1_dntable[0xDE], 0xFE);
    EXPECT_EQ(_ISOL1_dntable[0xD7], 0xD7);
    EXPECT_EQ(_ISOL1_dntable[0xDF], 0xDF);
    EXPECT_EQ(_ISOL1_dntable['Q'], 'q');
    EXPECT_EQ(_ISOL1_dntable['@'], '@');
    // The maps undo each other, except for y with diaeresis, whose capital
    // is the plain Y.
    for (int c = 0; c < 256; ++c) {
        if (_ISOL1_dntable[c] != c) {
            EXPECT_EQ(_ISOL1_uptable[_ISOL1_dntable[c]], c) << c;
        }
        if (_ISOL1_uptable[c] != c && c != 0xFF) {
            EXPECT_EQ(_ISOL1_dntable[_ISOL1_uptable[c]], c) << c;
        }
    }
    EXPECT_EQ(_ISOL1_uptablelcl, _ISOL1_uptable);
    EXPECT_EQ(_ISOL1_dntablelcl, _ISOL1_dntable);
    EXPECT_EQ(_GlobalUptable, _ISOL1_uptable.data());
    EXPECT_EQ(_GlobalDntable, _ISOL1_dntable.data());
}

TEST(CharTables, ConversionTablesAreInverse) {
    std::set<int> images;
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(_ISOL1_to_CP850[_CP850_to_ISOL1[c]], c) << c;
        EXPECT_EQ(_CP850_to_ISOL1[_ISOL1_to_CP850[c]], c) << c;
        images.insert(_CP850_to_ISOL1[c]);
        if (c < 0x80) {
            EXPECT_EQ(_CP850_to_ISOL1[c], c);
        }
    }
    EXPECT_EQ(images.size(), 256u);
    EXPECT_EQ(_ISOL1_to_CP850[0xE9], 0x82);
    EXPECT_EQ(_CP850_to_ISOL1[0x82], 0xE9);
    EXPECT_EQ(_CP850_to_ISOL1[0x80], 0xC7);   // C with cedilla
    EXPECT_EQ(_CP850_to_ISOL1[0xFF], 0xA0);   // no-break space
    EXPECT_EQ(_CP850_to_ISOL1[0xE1], 0xDF);   // sharp s
    EXPECT_EQ(_CP850_to_ISOL1[0x9F], 0x9F);
    // The characters Latin-1 lacks fill 0x80-0x9E in code-page order.
    const int missing[] = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB9, 0xBA, 0xBB, 0xBC, 0xBF, 0xC0,
                           0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD,
                           0xCE, 0xD5, 0xD9, 0xDA, 0xDB, 0xDC, 0xDF, 0xF2, 0xFE};
    for (int i = 0; i < 31; ++i) EXPECT_EQ(_CP850_to_ISOL1[missing[i]], 0x80 + i) << i;
}

TEST(CharTables, CollationRows) {
    EXPECT_EQ(_ISOL1_csWeights['a'], 'a');
    EXPECT_EQ(_ISOL1_cisWeights['a'], 'A');
    EXPECT_EQ(_ISOL1_cisWeights['['], '[');
    EXPECT_EQ(_ISOL1_cisWeights[0xA9], 0xB8);
    EXPECT_EQ(_ISOL1_cisWeights[0xC0], 'A');
    EXPECT_EQ(_ISOL1_cisWeights[0xE0], 'A');
    EXPECT_EQ(_ISOL1_cisWeights[0xC9], 'E');
    EXPECT_EQ(_ISOL1_cisWeights[0xD1], 'N');
    EXPECT_EQ(_ISOL1_cisWeights[0xC4], 0x8E);
    EXPECT_EQ(_ISOL1_cisWeights[0xE4], 0x8E);
    EXPECT_EQ(_ISOL1_cisWeights[0xC5], 0x8F);
    EXPECT_EQ(_ISOL1_cisWeights[0xC6], 0x92);
    EXPECT_EQ(_ISOL1_cisWeights[0xF6], 0x99);
    EXPECT_EQ(_ISOL1_cisWeights[0xDC], 0x9A);
    EXPECT_EQ(_ISOL1_cisWeights[0xD8], 0x9D);
    EXPECT_EQ(_ISOL1_csWeights[0xE4], 0x84);
    EXPECT_EQ(_ISOL1_csWeights[0xF6], 0x94);
    EXPECT_EQ(_ISOL1_csWeights[0xC4], 0x8E);
    for (const auto* w : {&_ISOL1_cisWeights, &_ISOL1_csWeights}) {
        EXPECT_EQ((*w)[0xDF], 0);
        EXPECT_EQ((*w)[0xA0], 0xFF);
    }
}

// Language lists: pairs end with a zero word; the pointer lists end with null.
TEST(CharTables, LanguageListsAndNames) {
    auto weightOf = [](const uint16_t* list, uint16_t c) -> int {
        for (; *list != 0; list += 2)
            if (list[0] == c) return list[1];
        return -1;
    };
    EXPECT_EQ(weightOf(_ISOL1_csbasic, 0xE4), 'a');
    EXPECT_EQ(weightOf(_ISOL1_danish, 0xFC), 'Y');
    EXPECT_EQ(weightOf(_ISOL1_csdanish, 0xD8), '\\');
    EXPECT_EQ(weightOf(_ISOL1_csswedish, 0xD6), ']');
    EXPECT_EQ(_ISOL1_plang[3], nullptr);
    EXPECT_EQ(_ISOL1_pcslang[2], _ISOL1_csswedish);

    int n = 0;
    while (_XlateTableNames[n].name != nullptr) ++n;
    EXPECT_EQ(n, 6);
    EXPECT_STREQ(_XlateTableNames[5].name, "Codepage 850");
    EXPECT_EQ(_XlateTableNames[5].number, 2);
    EXPECT_STREQ(_CollTableNames[3].name, "User Defined");
    EXPECT_EQ(_CollTableNames[4].name, nullptr);
}

TEST(CharTables, PredicatesWithoutRecord) {
    ASSERT_EQ(_pGlobCpAttrib, nullptr);
    const char text[] = "\x81\x41\x42";
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(IS_LB(static_cast<uint8_t>(c)), 0);
        EXPECT_EQ(IS_TRAIL(static_cast<uint8_t>(c)), 0);
        EXPECT_EQ(IS_ALPHA(static_cast<uint8_t>(c)), 1);
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(firstByte(text + i, text), 1);
    EXPECT_EQ(IS_SB(), 0);
    EXPECT_EQ(utI18NCap(0x3), 1);
    EXPECT_EQ(utI18NCap(0x2), 0);
}

TEST(CharTables, DoubleByteStepping) {
    CpAttrib record{};
    record.capabilities = CP_MULTIBYTE;
    for (int c = 0x81; c <= 0x9F; ++c) record.leadBytes[c] = 1;
    for (int c = 0x40; c <= 0xFC; ++c) record.trailBytes[c] = 1;
    record.alpha[static_cast<unsigned char>('A')] = 1;
    const char text[] = "\x81\x41\x42\x81\x81\x81\x42";

    // Explicit record, without installing it.
    EXPECT_EQ(cpFirstByte(&record, text + 1, text), 0);
    EXPECT_EQ(cpFirstByte(&record, text + 2, text), 1);
    EXPECT_EQ(cpFirstByte(nullptr, text + 1, text), 1);
    // 0x42 0x81 0x81 | 0x81 0x42: the fourth lead byte is a trailing byte.
    EXPECT_EQ(cpFirstByte(&record, text + 3, text), 1);
    EXPECT_EQ(cpFirstByte(&record, text + 4, text), 0);
    EXPECT_EQ(cpFirstByte(&record, text + 5, text), 1);
    EXPECT_EQ(cpFirstByte(&record, text + 6, text), 0);

    _pGlobCpAttrib = &record;
    EXPECT_EQ(firstByte(text + 1, text), 0);
    EXPECT_EQ(firstByte(text + 2, text), 1);
    EXPECT_EQ(firstByte(text, text), 1);
    EXPECT_EQ(IS_LB(0x81), 1);
    EXPECT_EQ(IS_LB(0x41), 0);
    EXPECT_NE(IS_TRAIL(0x41), 0);
    EXPECT_EQ(IS_TRAIL(0x20), 0);
    EXPECT_EQ(IS_ALPHA('A'), 1);
    EXPECT_EQ(IS_ALPHA('1'), 0);
    // A record that does not mark the code page multi-byte gives single bytes.
    record.capabilities = CP_I18N_CAPABLE;
    EXPECT_EQ(IS_LB(0x81), 0);
    EXPECT_EQ(firstByte(text + 1, text), 1);
    EXPECT_EQ(IS_ALPHA('1'), 0);
    _pGlobCpAttrib = nullptr;
}

}  // namespace
}  // namespace vrn
