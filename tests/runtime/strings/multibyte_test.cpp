#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "runtime/chars/chars.h"
#include "runtime/strings/strings.h"

namespace vrn {
namespace {

// A double-byte code page: 0x81-0x9F lead a two-byte character whose second
// byte lies in 0x40-0xFC (so 'A' 0x41 and 'a' 0x61 can be trailing bytes).
class DoubleByte : public ::testing::Test {
protected:
    void SetUp() override {
        record_ = CpAttrib{};
        record_.capabilities = CP_MULTIBYTE;
        for (int c = 0x81; c <= 0x9F; ++c) record_.leadBytes[c] = 1;
        for (int c = 0x40; c <= 0xFC; ++c) record_.trailBytes[c] = 1;
        for (int c = 'A'; c <= 'z'; ++c) record_.alpha[c] = 1;
        _pGlobCpAttrib = &record_;
    }
    void TearDown() override { _pGlobCpAttrib = nullptr; }
    CpAttrib record_{};
};

// K is one double-byte character whose trailing byte is 'A'; L one whose
// trailing byte is 'a'.
#define K "\x81\x41"
#define L "\x81\x61"

TEST_F(DoubleByte, CountsAndPositions) {
    const char* s = "x" K "y" K;
    EXPECT_EQ(utCharLength(s), 4);
    EXPECT_EQ(utCharCount(s, 2), 2);   // the character begun at byte 1 counts
    EXPECT_EQ(utCharCount(s, 3), 2);
    EXPECT_EQ(utTotalBytes(s, 1, 2), 3);
    EXPECT_EQ(utCharToByte(s, 2), 3);
    EXPECT_EQ(utByteToChar(s, 2), 1);  // byte 2 trails character 1
    EXPECT_EQ(utByteToChar(s, 3), 2);
    EXPECT_EQ(utColLength(s), 6);
    EXPECT_EQ(utColumnToBytes(s, 0, 2), 1);   // the wide character does not fit
    EXPECT_EQ(utColumnToBytes(s, 0, 3), 3);
    // A lead byte cut by the terminator is a character of its own.
    EXPECT_EQ(utCharLength("a\x81"), 2);
}

TEST_F(DoubleByte, SearchesFindWholeCharactersOnly) {
    const char* s = K "A";
    EXPECT_EQ(scan(s, 'A'), s + 2);
    EXPECT_EQ(scann(s, 'A', 2), nullptr);
    EXPECT_EQ(chidx('A', K "A"), 2);
    EXPECT_EQ(utChIdx(K, "a" K), 2);
    EXPECT_EQ(utCountSep(K, K "A" K), 2);
    EXPECT_EQ(utCountSep("A", K "A" K), 1);
    EXPECT_EQ(occurns("A", K "AA"), 2);
    EXPECT_EQ(chrcnt('A', "A" K), 1);
    const char run[] = K "AA";
    EXPECT_EQ(chrrcm(run, 'A', 4), run + 1);   // last byte of the double-byte character
    char text[] = "a" K "bA";
    char sub[] = "A";
    EXPECT_EQ(stidx(text, sub, 1), 4);
    EXPECT_EQ(stridx(text, sub, 1), 4);
}

TEST_F(DoubleByte, MatchersStepOverWholeCharacters) {
    EXPECT_EQ(ststar(K, ".", 0), 1);
    EXPECT_EQ(ststar(K, "..", 0), 0);
    EXPECT_EQ(ststar("x" K "y", "x.y", 1), 1);
    EXPECT_EQ(ststar(K "A", "*A", 0), 1);
    EXPECT_EQ(ststar(K, "*A", 0), 0);   // the trailing 'A' is not a character
    EXPECT_EQ(ststar(K, K, 0), 1);
    // Trailing bytes are not letters: no case folding inside a character.
    EXPECT_EQ(ststar(L, K, 0), 0);
    EXPECT_EQ(ststaronly(K "b", "*B", 0), 1);
    EXPECT_EQ(stprvstr(K "b", "._", 0), 0);
    EXPECT_EQ(stsqlstr(K "b", "_B", '\\', 0), 1);
    EXPECT_EQ(stsqlstr(K, "%A", '\\', 0), 0);
    EXPECT_EQ(stmatch("  " K " ", K), 1);
}

TEST_F(DoubleByte, CaseMappingLeavesCharactersWhole) {
    char s[] = L "a";
    caps(s);
    EXPECT_STREQ(s, L "A");
    lc(s);
    EXPECT_STREQ(s, L "a");
    EXPECT_EQ(sticmp(L, K), 1);
    EXPECT_EQ(sticmp(L "a", L "A"), 0);
    EXPECT_EQ(stncmpc(K "x", K "X", 2), 0);
    char d[8];
    EXPECT_EQ(capscopn(d, "a" L, 2), 1);   // the cut character is dropped
    EXPECT_STREQ(d, "A");
}

TEST_F(DoubleByte, CopiesDoNotSplitCharacters) {
    char d[8];
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stncop(d, "a" K, 2), 1);
    EXPECT_STREQ(d, "a");
    EXPECT_EQ(stncop(d, "a" K, 3), 3);
    EXPECT_STREQ(d, "a" K);
    EXPECT_EQ(utdbncop(d, "a" K, 2, '?'), 2);
    EXPECT_STREQ(d, "a?");
    EXPECT_EQ(utdbncop(d, "a" K, 2, '\0'), 1);
    EXPECT_STREQ(d, "a");
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stnmov(d, "a" K, 2), d + 1);
    EXPECT_EQ(std::string(d, 3), std::string("a\0#", 3));
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stnpad(d, "a" K, 2), 2);
    EXPECT_STREQ(d, "a ");
}

TEST_F(DoubleByte, TrimsLabelsFieldsAndReversal) {
    char text[] = "x" K;
    // The trailing 'A' of the last character is not trimmed on its own.
    EXPECT_EQ(utRightTrim(text, 3, "A", 0), text + 3);
    char text2[] = "x" K "AA";
    EXPECT_EQ(utRightTrim(text2, 5, "A", 0), text2 + 3);
    EXPECT_STREQ(text2, "x" K);
    const char* lead = K K "x";
    EXPECT_EQ(utLeftTrim(lead, K, 0), lead + 4);

    EXPECT_EQ(labwidth(K K "!a"), 2);
    char d[16];
    EXPECT_EQ(fentry(d, 1, K "AB", 'A'), 2);
    EXPECT_STREQ(d, K);
    EXPECT_EQ(fentry(d, 2, K "AB", 'A'), 1);
    EXPECT_STREQ(d, "B");
    EXPECT_EQ(utFentry(d, 2, "a" K "b", K), 1);
    EXPECT_STREQ(d, "b");

    char r[] = "a" K "b";
    reverse(r);
    EXPECT_STREQ(r, "b" K "a");
    EXPECT_EQ(strsub(r, 'A', 'z'), 0);
}

TEST_F(DoubleByte, LengthChangingCaseWorksOnCopies) {
    record_.capabilities = CP_MULTIBYTE | CP_CASE_CHANGES_LENGTH;
    char text[] = "ab" K "cd";
    char sub[] = "CD";
    EXPECT_EQ(stidx(text, sub, 0), 4);
    EXPECT_STREQ(text, "ab" K "cd");
    EXPECT_STREQ(sub, "CD");
    char sub2[] = "b";
    EXPECT_EQ(stridx(text, sub2, 0), 2);
    EXPECT_STREQ(sub2, "b");
}

}  // namespace
}  // namespace vrn
