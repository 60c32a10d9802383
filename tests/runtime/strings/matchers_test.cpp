#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "runtime/chars/chars.h"
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

// The matching rules told step by step, as plain recursion over single-byte
// text: slow on long inputs, but each line is one rule, so the matchers are
// checked against it on every short pattern and text of a small alphabet.
namespace reference {

bool Same(char a, char b, bool caseSensitive) {
    if (caseSensitive) return a == b;
    return _GlobalUptable[static_cast<uint8_t>(a)] == _GlobalUptable[static_cast<uint8_t>(b)];
}

int32_t Star(const char* t, const char* p, bool dotIsWild, bool caseSensitive, bool strict) {
    for (;;) {
        if (*p == '*') {
            ++p;
            if (*p == '\0') return 1;
            if (!strict)
                while (*p == '*') ++p;
            for (; *t != '\0'; ++t)
                if (Star(t, p, dotIsWild, caseSensitive, strict)) return 1;
            return strict ? 0 : Star(t, p, dotIsWild, caseSensitive, strict);
        }
        if (*p == '\0') return *t == '\0';
        if (*p == '.' && dotIsWild) {
            if (*t == '\0') return 0;
            ++t, ++p;
            continue;
        }
        if (*p == '~' && *++p == '\0') return *t == '\0';
        if (*t == '\0' || !Same(*p, *t, caseSensitive)) return 0;
        ++t, ++p;
    }
}

int32_t Sql(const char* t, const char* p, char escape, bool caseSensitive) {
    for (;;) {
        if (*p == '\0') return *t == '\0';
        if (*p == '_' && *p != escape) {
            if (*t == '\0') return 0;
            ++t, ++p;
            continue;
        }
        if (*p == '%' && *p != escape) {
            if (*++p == '\0') return 1;
            for (; *t != '\0'; ++t)
                if (int32_t r = Sql(t, p, escape, caseSensitive); r != 0) return r;
            return 0;
        }
        if (*p == escape) {
            ++p;
            if (*p != '_' && *p != '%' && *p != escape) return -1;
        }
        if (*t == '\0' || !Same(*p, *t, caseSensitive)) return 0;
        ++t, ++p;
    }
}

}  // namespace reference

// Every string of at most maxLength characters drawn from alphabet.
std::vector<std::string> AllStrings(std::string_view alphabet, size_t maxLength) {
    std::vector<std::string> all{""};
    for (size_t from = 0; from < all.size(); ++from) {
        if (all[from].size() == maxLength) continue;
        for (char c : alphabet) all.push_back(all[from] + c);
    }
    return all;
}

TEST(Matchers, StarMatchersAgreeWithTheRulesOnEveryShortPattern) {
    const auto patterns = AllStrings("aB*.~", 4);
    const auto texts = AllStrings("ab.*", 3);
    int32_t matches = 0;
    for (const auto& p : patterns) {
        for (const auto& t : texts) {
            for (int32_t cs = 0; cs <= 1; ++cs) {
                const int32_t star = reference::Star(t.c_str(), p.c_str(), true, cs, false);
                ASSERT_EQ(ststar(t.c_str(), p.c_str(), cs), star) << "ststar '" << t << "' '" << p << "' " << cs;
                ASSERT_EQ(ststaronly(t.c_str(), p.c_str(), cs),
                          reference::Star(t.c_str(), p.c_str(), false, cs, false))
                    << "ststaronly '" << t << "' '" << p << "' " << cs;
                matches += star;
            }
            ASSERT_EQ(stprvstr(t.c_str(), p.c_str(), 0), reference::Star(t.c_str(), p.c_str(), true, false, true))
                << "stprvstr '" << t << "' '" << p << "'";
        }
    }
    // The alphabet gives both outcomes in plenty.
    EXPECT_GT(matches, 500);
    EXPECT_LT(matches, static_cast<int32_t>(patterns.size() * texts.size()));
}

TEST_F(SqlMatcher, AgreesWithTheRulesOnEveryShortPattern) {
    const auto patterns = AllStrings("b%_\\B", 4);
    const auto texts = AllStrings("b%_\\", 3);
    size_t malformed = 0;
    for (const auto& p : patterns) {
        for (const auto& t : texts) {
            for (int32_t cs = 0; cs <= 1; ++cs) {
                const int32_t expected = reference::Sql(t.c_str(), p.c_str(), '\\', cs);
                ASSERT_EQ(stsqlstr(t.c_str(), p.c_str(), '\\', cs), expected)
                    << "stsqlstr '" << t << "' '" << p << "' " << cs;
                if (expected == -1) ++malformed;
            }
        }
    }
    // Each malformed escape the match reaches is reported once.
    EXPECT_GT(malformed, 0u);
    EXPECT_EQ(reports.codes.size(), malformed);
}

// Patterns of many stars on a long text that almost matches: every matcher
// decides them in time proportional to the text and the pattern.
TEST_F(SqlMatcher, ManyWildcardsOnALongTextFinishAtOnce) {
    const std::string text(10000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ststar(text.c_str(), "*a*a*a*a*a*a*a*a*b", 0), 0);
    EXPECT_EQ(ststaronly(text.c_str(), "*a*a*a*a*a*a*a*a*b", 0), 0);
    EXPECT_EQ(stprvstr(text.c_str(), "*a*a*a*a*a*a*a*a*b", 0), 0);
    EXPECT_EQ(stsqlstr(text.c_str(), "%a%a%a%a%a%a%a%a%b", '\\', 0), 0);
    EXPECT_EQ(ststar(text.c_str(), "*a*a*a*a*a*a*a*a*.", 0), 1);
    EXPECT_EQ(stprvstr(text.c_str(), "*a*a*a*a*a*a*a*a*", 0), 1);
    EXPECT_EQ(stsqlstr(text.c_str(), "%a%a%a%a%a%a%a%a_", '\\', 0), 1);
    EXPECT_EQ(stsqlstr(text.c_str(), "%a%a%a%a%a%a%a%a%\\q", '\\', 0), -1);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(1));
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
