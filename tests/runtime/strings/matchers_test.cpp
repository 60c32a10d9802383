#include <gtest/gtest.h>

#include "runtime/strings/strings.h"
#include "tests/support/recording_reports.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

struct StarCase {
    const char* text;
    const char* pattern;
    int32_t caseSensitive;
    int32_t expected;
};

TEST(Matchers, StstarCases) {
    const StarCase cases[] = {
        {"abc", "a*", 0, 1},      {"abc", "*c", 0, 1},       {"abc", "a.c", 0, 1},
        {"abc", "*", 0, 1},       {"abc", "ABC", 0, 1},      {"abc", "ABC", 1, 0},
        {"a", "a*", 0, 1},        {"a", "a**", 0, 1},        {"ac", "a.c", 0, 0},
        {"a*c", "a~*c", 0, 1},    {"abc", "a~*c", 0, 0},     {"a.c", "a~.c", 0, 1},
        {"abc", "a~.c", 0, 0},    {"", "*", 0, 1},           {"", "", 0, 1},
        {"", ".", 0, 0},          {"a", "", 0, 0},           {"", "a", 0, 0},
        {"abcbc", "*bc", 0, 1},   {"abcbd", "*bc", 0, 0},    {"abcd", "a*b*d", 0, 1},
        {"abcd", "a*c*b", 0, 0},  {"mississippi", "m*iss*ppi", 0, 1},
        {"x~y", "x~~y", 0, 1},    {"readme.TXT", "*.txt", 0, 1}, {"readme.TXT", "*.txt", 1, 0},
        {"ab", "abc", 0, 0},      {"abc", "ab", 0, 0},       {"\xE9t\xE9", "\xC9T\xC9", 0, 1},
        {"abc", "*.", 0, 1},      {"abc", "....", 0, 0},     {"aXb", "a.b*", 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ststar(c.text, c.pattern, c.caseSensitive), c.expected)
            << "text '" << c.text << "' pattern '" << c.pattern << "'";
    }
}

TEST(Matchers, StstaronlyTreatsDotLiterally) {
    EXPECT_EQ(ststaronly("a.c", "a.c", 0), 1);
    EXPECT_EQ(ststaronly("abc", "a.c", 0), 0);
    EXPECT_EQ(ststaronly("a.c", "*.c", 0), 1);
    EXPECT_EQ(ststaronly("abc", "*.c", 0), 0);
    EXPECT_EQ(ststaronly("A.C", "a*", 0), 1);
    EXPECT_EQ(ststaronly("A.C", "a*", 1), 0);
    EXPECT_EQ(ststaronly("a*", "a~*", 0), 1);
    EXPECT_EQ(ststaronly("ax", "a~*", 0), 0);
    EXPECT_EQ(ststaronly("a", "a**", 0), 1);
}

TEST(Matchers, StprvstrStarsAndHash) {
    EXPECT_EQ(stprvstr("ABC", "a.c", 0), 1);
    EXPECT_EQ(stprvstr("abc", "a*", 0), 1);
    EXPECT_EQ(stprvstr("abc", "*C", 0), 1);
    // A second star is matched against the text, and the text running out
    // before the rest of the pattern fails.
    EXPECT_EQ(stprvstr("a", "a**", 0), 0);
    EXPECT_EQ(stprvstr("ab", "a**", 0), 1);
    EXPECT_EQ(stprvstr("a", "a*b", 0), 0);
    EXPECT_EQ(stprvstr("", "*", 0), 1);
    EXPECT_EQ(stprvstr("", "*a", 0), 0);
    // '#' is passed over only in first place and only with atStart.
    EXPECT_EQ(stprvstr("abc", "#abc", 1), 1);
    EXPECT_EQ(stprvstr("abc", "#abc", 0), 0);
    EXPECT_EQ(stprvstr("#abc", "#abc", 0), 1);
    EXPECT_EQ(stprvstr("a#bc", "a#bc", 1), 1);
    EXPECT_EQ(stprvstr("abc", "##abc", 1), 0);
    EXPECT_EQ(stprvstr("a*c", "a~*c", 0), 1);
}

class SqlMatcher : public test::TempDrives {
protected:
    test::RecordingReports reports;
};

TEST_F(SqlMatcher, EscapesWildcardsAndMalformedEscape) {
    EXPECT_EQ(stsqlstr("50%", "50\\%", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("50x", "50\\%", '\\', 0), 0);
    EXPECT_EQ(stsqlstr("abc", "a%", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("abc", "_b_", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("ab", "ab_", '\\', 0), 0);
    EXPECT_EQ(stsqlstr("a_c", "a\\_c", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("abc", "a\\_c", '\\', 0), 0);
    EXPECT_EQ(stsqlstr("a\\c", "a\\\\c", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("ABC", "a%c", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("ABC", "a%c", '\\', 1), 0);
    EXPECT_EQ(stsqlstr("abcabd", "%ab_", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("", "%", '\\', 0), 1);
    EXPECT_EQ(stsqlstr("", "%a", '\\', 0), 0);
    // With '%' itself as the escape, "%%" is a literal percent sign.
    EXPECT_EQ(stsqlstr("5%", "5%%", '%', 0), 1);
    EXPECT_EQ(stsqlstr("5x", "5%%", '%', 0), 0);
    // Without an escape character the backslash is ordinary.
    EXPECT_EQ(stsqlstr("a\\x", "a\\x", '\0', 0), 1);
    EXPECT_TRUE(reports.codes.empty());

    EXPECT_EQ(stsqlstr("ax", "a\\x", '\\', 0), -1);
    EXPECT_EQ(reports.codes, std::vector<int32_t>{NOT_IMPLEMENTED_MESSAGE});
    // A malformed escape found after a '%' decides the result too.
    EXPECT_EQ(stsqlstr("abc", "%\\q", '\\', 0), -1);
    EXPECT_EQ(stsqlstr("a", "a\\", '\\', 0), -1);
    EXPECT_EQ(reports.codes.size(), 3u);
}

TEST(Matchers, Stmatch) {
    EXPECT_EQ(stmatch("  yes ", "yes"), 1);
    EXPECT_EQ(stmatch("yesno", "yes"), 0);
    EXPECT_EQ(stmatch("\t\r\nYES\r\n", "yes"), 1);
    EXPECT_EQ(stmatch("ye", "yes"), 0);
    EXPECT_EQ(stmatch("yes no", "yes"), 0);
    EXPECT_EQ(stmatch("", ""), 1);
    EXPECT_EQ(stmatch("   ", ""), 1);
    EXPECT_EQ(stmatch("\xC9t\xC9", "\xE9t\xE9"), 1);
    // The word is used unchanged: an upper-case word never matches.
    EXPECT_EQ(stmatch("yes", "YES"), 0);
}

}  // namespace
}  // namespace vrn
