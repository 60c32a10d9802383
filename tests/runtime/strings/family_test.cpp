#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/strings/strings.h"

namespace vrn {
namespace {

TEST(StringSearch, StidxAndStridx) {
    char text[] = "hello";
    char sub[] = "LL";
    EXPECT_EQ(stidx(text, sub, 0), 3);
    EXPECT_STREQ(text, "HELLO");
    EXPECT_STREQ(sub, "LL");
    char text2[] = "abcabc";
    char b[] = "b";
    char B[] = "B";
    char none[] = "";
    EXPECT_EQ(stidx(text2, b, 1), 2);
    EXPECT_EQ(stridx(text2, b, 1), 5);
    EXPECT_EQ(stidx(text2, B, 1), 0);
    EXPECT_STREQ(text2, "abcabc");
    EXPECT_EQ(stridx(text2, B, 0), 5);
    EXPECT_EQ(stidx(text2, none, 0), 0);
    char tail[] = "CABC";
    EXPECT_EQ(stidx(text2, tail, 0), 3);
    char longer[] = "ABCABCA";
    EXPECT_EQ(stidx(text2, longer, 0), 0);
}

TEST(StringSearch, CharacterScans) {
    const char* s = "aab,c";
    EXPECT_EQ(scann(s, ',', 3), nullptr);
    EXPECT_EQ(scann(s, ',', 4), s + 3);
    const char blanks[] = "   x  ";
    EXPECT_EQ(chrcmp(blanks, ' ', 6), blanks + 3);
    EXPECT_EQ(chrrcm(blanks, ' ', 6), blanks + 3);
    // All blank: the address one before the start, compared as a number.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(chrrcm(blanks, ' ', 3)), reinterpret_cast<uintptr_t>(blanks) - 1);
    EXPECT_EQ(chrcnt('a', s), 2);
    EXPECT_EQ(occurns("ab", s), 3);
    EXPECT_EQ(chsidx(",c", s), 4);
    EXPECT_EQ(utCountSep(",", "a,b,,c"), 3);
}

TEST(Labels, WidthDepthLinesAndCopies) {
    EXPECT_EQ(labwidth("ab!cde"), 3);
    EXPECT_EQ(labdepth("ab!cde"), 2);
    EXPECT_EQ(labwidth("a!!b"), 3);
    EXPECT_EQ(labdepth("a!!b"), 1);
    EXPECT_EQ(labdepth(""), 1);
    EXPECT_EQ(labwidth(""), 0);
    EXPECT_EQ(labdepth("a!!!b"), 2);   // "a!" then "b"
    EXPECT_EQ(labwidth("a!!!bcd"), 3);
    const char* label = "ab!cd";
    EXPECT_EQ(nthlab(label, 1), label);
    EXPECT_EQ(nthlab(label, 2), label + 3);
    EXPECT_EQ(nthlab(label, 3), nullptr);
    EXPECT_EQ(nthlab("ab!", 2), nullptr);
    EXPECT_EQ(nthlab("", 1), nullptr);
    EXPECT_EQ(nthlab(label, 0), nullptr);
    EXPECT_EQ(nlablen("a!!b!cd", 1), 3);
    EXPECT_EQ(nlablen("a!!b!cd", 0), 6);

    char out[16];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(labcopy(out, "a!!b!cd", 1), 3);
    EXPECT_EQ(std::string(out, 4), "a!b#");
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(labcopy(out, "a!!b!cd", 0), 6);
    EXPECT_EQ(std::string(out, 7), "a!b!cd#");
}

TEST(Trims, LeftRightAndBlanks) {
    const char* text = "xXyabc";
    EXPECT_EQ(utLeftTrim(text, "x", 0), text + 1);
    EXPECT_EQ(utLeftTrim(text, "x", 1), text + 2);
    EXPECT_EQ(utLeftTrim(text, "xyXabc", 0), text + 6);

    char right[] = "abc.. .";
    EXPECT_EQ(utRightTrim(right, 7, ". ", 0), right + 3);
    EXPECT_STREQ(right, "abc");
    char upper[] = "abcAa";
    utRightTrim(upper, 5, "a", 1);
    EXPECT_STREQ(upper, "abc");
    char partial[] = "aa aa";
    // Only the first length bytes are looked at.
    EXPECT_EQ(utRightTrim(partial, 3, " ", 0), partial + 2);
    EXPECT_STREQ(partial, "aa");
    char all[] = "   ";
    EXPECT_EQ(utRightTrim(all, 3, " ", 0), all);
    EXPECT_STREQ(all, "");

    char trailing[] = "ab c  ";
    EXPECT_EQ(dblank(trailing), 4);
    EXPECT_STREQ(trailing, "ab c");
    char leading[] = "   ab c ";
    EXPECT_EQ(dlblank(leading), 5);
    EXPECT_STREQ(leading, "ab c ");
}

TEST(Copies, LimitsPaddingAndTerminators) {
    char d[16];
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stemov(d, "abcdef", d + 4), d + 4);
    EXPECT_EQ(std::string(d, 5), "abcd#");
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stncop(d, "abcdef", 4), 4);
    EXPECT_EQ(std::string(d, 6), std::string("abcd\0#", 6));
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stnmov(d, "abcdef", 3), d + 3);
    EXPECT_EQ(d[3], '#');
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(stnpad(d, "ab", 5), 5);
    EXPECT_EQ(std::string(d, 7), std::string("ab   \0#", 7));
    EXPECT_EQ(stnpad(d, "abcdefgh", 5), 5);
    EXPECT_STREQ(d, "abcde");
    char area[] = "abcdefgh";
    bufmov(area + 2, area + 5, 2);   // cde moves to 4..6
    EXPECT_STREQ(area, "abcdcdeh");
    bufmov(area + 4, area + 7, -3);
    EXPECT_STREQ(area, "acdecdeh");
}

TEST(Copies, LongOverlappingBlocks) {
    // Longer than two copy blocks, overlapping either way.
    const uint32_t n = 70000;
    std::vector<char> area(n + 100);
    for (size_t i = 0; i < area.size(); ++i) area[i] = static_cast<char>(i * 7 + i / 251);
    std::vector<char> source(area.begin(), area.begin() + n);
    bufcopl(area.data() + 37, area.data(), n);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), area.begin() + 37));
    std::vector<char> back(area.begin() + 37, area.begin() + 37 + n);
    bufcopl(area.data() + 5, area.data() + 37, n);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), area.begin() + 5));

    std::vector<uint32_t> words(20000);
    for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint32_t>(i * 2654435761u);
    std::vector<uint32_t> expected(words.begin(), words.begin() + 15000);
    utblkcp(words.data() + 3000, words.data(), 15000);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), words.begin() + 3000));
}

TEST(Comparisons, OrderAndEquality) {
    EXPECT_EQ(bufcmp("\x80", "\x7F", 1), 1);   // unsigned
    EXPECT_EQ(rawbcmp("ab", 2, "abc", 3), -1);
    EXPECT_EQ(rawbcmp("ab\0c", 4, "ab\0c", 4), 0);
    EXPECT_EQ(rawbcmp("b", 1, "abc", 3), 1);
    EXPECT_EQ(stcomp("\xE9", "z"), 1);
    EXPECT_EQ(stncmpc("ABcx", "abCy", 3), 0);
    EXPECT_EQ(stncmpc("ABcx", "abCy", 4), -1);
    EXPECT_EQ(sticmp("Main Setup", "main SETUP"), 0);
    EXPECT_EQ(sticmp("\xC9t\xC9", "\xE9T\xE9"), 0);
    EXPECT_EQ(sticmp("abc", "abcd"), 1);

    EXPECT_EQ(stpcmp("abc", "ABC"), 0);
    EXPECT_EQ(stpcmp("ab", "abc"), 1);
    EXPECT_EQ(stpcmp("abb", "ABC"), 1);
    EXPECT_EQ(stpcmp("abd", "abc"), 2);
    EXPECT_EQ(stpcmp("abcd", "ABC"), 3);
    EXPECT_EQ(stpcmp("a", ""), 3);

    EXPECT_EQ(stbcmp("abc  ", "ABC"), 0);
    EXPECT_EQ(stbcmp("  a", "a"), -1);
    EXPECT_EQ(uttrlcmp("abc  ", 5, "ABC", 3, 0), 0);
    EXPECT_EQ(uttrlcmp("abc  ", 5, "ABC", 3, 1), 1);
    EXPECT_EQ(uttrlcmp("abcd", 3, "abc", 3, 1), 0);
}

TEST(Comparisons, DecimalEquality) {
    struct Case {
        const char* a;
        const char* b;
        int32_t expected;
    };
    const Case cases[] = {
        {"7", "007", 0},   {"+5", "5", 0},      {"-0", "0", 0},    {"-5", "5", 1},
        {"12", "120", 1},  {"1.50", "1.5", 0},  {"1.", "1", 0},    {"0.5", ".5", 0},
        {"10", "1", 1},    {"-007", "-7", 0},   {"1.05", "1.5", 1}, {"abc", "abc", 0},
        {"abc", "abd", 1}, {"5", "5x", 1},      {"", "0", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utdeccmp(c.a, stlen(c.a), c.b, stlen(c.b)), c.expected) << c.a << " vs " << c.b;
    }
    // Counted text: only the given bytes take part.
    EXPECT_EQ(utdeccmp("12345", 2, "12", 2), 0);
}

TEST(CaseMapping, CopiesAndInPlace) {
    char s[] = "abc\xE9\xFF\xDF";
    EXPECT_EQ(caps(s), 6);
    EXPECT_STREQ(s, "ABC\xC9Y\xDF");
    EXPECT_EQ(lc(s), 6);
    EXPECT_STREQ(s, "abc\xE9y\xDF");
    char d[16];
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(capscopn(d, "abcdef", 3), 3);
    EXPECT_EQ(std::string(d, 5), std::string("ABC\0#", 5));
    EXPECT_EQ(capscoplcl(d, "q\xFE"), 2);
    EXPECT_STREQ(d, "Q\xDE");
}

TEST(Substitution, CharactersPatternsAndDelimiters) {
    char s[] = "a.b.c";
    EXPECT_EQ(strsub(s, '.', '\\'), 2);
    EXPECT_STREQ(s, "a\\b\\c");

    char buffer[64] = "one two three";
    const char* patterns[] = {"two", "o", "three", nullptr};
    const char* replacements[] = {"2", "0", "33333", nullptr};
    char* end = strsubs(buffer, buffer + stlen(buffer), patterns, replacements);
    *end = '\0';
    EXPECT_STREQ(buffer, "0ne 2 33333");
    // Replaced text is not searched again.
    char again[32] = "aa";
    const char* grow[] = {"a", nullptr};
    const char* grown[] = {"aa", nullptr};
    end = strsubs(again, again + 2, grow, grown);
    *end = '\0';
    EXPECT_STREQ(again, "aaaa");

    const char pairs[] = "&@({)}*^'`<[%|>]?~";
    for (int i = 0; pairs[i] != '\0'; i += 2) EXPECT_EQ(delimiter(pairs[i]), pairs[i + 1]) << pairs[i];
    EXPECT_EQ(delimiter('a'), 0);
    EXPECT_EQ(delimiter('@'), 0);
}

TEST(Substitution, FieldsAndLookups) {
    char d[32];
    EXPECT_EQ(fentry(d, 2, "alpha,beta,,delta", ','), 4);
    EXPECT_STREQ(d, "beta");
    EXPECT_EQ(fentry(d, 3, "alpha,beta,,delta", ','), 0);
    EXPECT_STREQ(d, "");
    EXPECT_EQ(fentry(d, 4, "alpha,beta,,delta", ','), 5);
    EXPECT_STREQ(d, "delta");
    EXPECT_EQ(fentry(d, 5, "alpha,beta,,delta", ','), -1);
    EXPECT_EQ(fentry(d, 0, "alpha", ','), -1);
    EXPECT_EQ(utFentry(d, 3, "a b;c", " ;"), 1);
    EXPECT_STREQ(d, "c");

    EXPECT_EQ(flkup("beta", "alpha|BETA|beta", 0, "|"), 2);
    EXPECT_EQ(flkup("beta", "alpha|BETA|beta", 1, "|"), 3);
    EXPECT_EQ(flkup("bet", "alpha|beta", 0, "|"), 0);
    EXPECT_EQ(flkup("gamma", "alpha,beta;gamma", 0, ",;"), 3);
    EXPECT_EQ(utLkup("betamax", 4, "alpha,beta", 0, ","), 2);
    EXPECT_EQ(utLkup("betamax", 5, "alpha,beta", 0, ","), 0);
}

TEST(NumbersAsText, Boundaries) {
    char d[16];
    EXPECT_STREQ(itoa(-32768, d), "-32768");
    EXPECT_STREQ(utitoa(INT32_MIN, d), "-2147483648");
    std::memset(d, '#', sizeof d);
    EXPECT_EQ(utultoa(12345, d, 3), 0);
    EXPECT_EQ(d[0], '#');
    EXPECT_EQ(utultoa(12345, d, 5), 5);
    EXPECT_EQ(std::string(d, 6), "12345#");
    EXPECT_EQ(utultoa(4294967295u, d, 10), 10);
    char rn[] = "abcd";
    reversen(rn, 3);
    EXPECT_STREQ(rn, "cbad");
}

TEST(ColumnFormat, AttributeWords) {
    uint32_t attr = 0;
    EXPECT_EQ(utConvStrAttr(&attr, "12"), 0);
    EXPECT_EQ(attr, 12u);
    EXPECT_EQ(utConvStrAttr(&attr, "20Ru"), 0);
    EXPECT_EQ(attr, 20u | ATTR_ALIGN_RIGHT | ATTR_UNDERLINE);
    EXPECT_EQ(utConvStrAttr(&attr, "uc"), 0);
    EXPECT_EQ(attr, ATTR_ALIGN_CENTER | ATTR_UNDERLINE);
    EXPECT_EQ(utConvStrAttr(&attr, "8T"), 0);
    EXPECT_EQ(attr, 8u | ATTR_ALIGN_TRUNCATE);
    attr = 77;
    EXPECT_EQ(utConvStrAttr(&attr, "12l3"), -1);
    EXPECT_EQ(utConvStrAttr(&attr, "12lr"), -1);
    EXPECT_EQ(utConvStrAttr(&attr, "uu"), -1);
    EXPECT_EQ(utConvStrAttr(&attr, "5x"), -1);
    EXPECT_EQ(utConvStrAttr(&attr, "99999"), -1);
    EXPECT_EQ(attr, 77u);
}

// The dying child writes no core file, wherever the limits would allow one.
void CoreWithoutCoreFile() {
    rlimit none{};
    setrlimit(RLIMIT_CORE, &none);
    utcore();
}

TEST(CoreDump, RaisedUnlessSuppressed) {
    _argnocore = 1;
    utcore();   // only the trace-back hook runs
    _argnocore = 0;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(CoreWithoutCoreFile(), "");
}

}  // namespace
}  // namespace vrn
