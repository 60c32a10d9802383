// The wildcard matchers (ststar, ststaronly, stprvstr), the SQL-style matcher
// and the word matcher.
#include "runtime/report/report.h"
#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

struct StarRules {
    bool dotIsWild;        // '.' matches any one character
    bool caseSensitive;
    bool starsStrict;      // stprvstr: no skipping of stars, exhausted text fails
};

int32_t StarMatch(const char* text, const char* pattern, const StarRules& rules) {
    for (;;) {
        char pc = *pattern;
        if (pc == '*') {
            ++pattern;
            if (*pattern == '\0') return 1;
            if (!rules.starsStrict) {
                while (*pattern == '*') ++pattern;
            }
            for (; *text != '\0'; text += CharSize(text)) {
                if (StarMatch(text, pattern, rules)) return 1;
            }
            return rules.starsStrict ? 0 : StarMatch(text, pattern, rules);
        }
        if (pc == '\0') return *text == '\0' ? 1 : 0;
        if (pc == '.' && rules.dotIsWild) {
            if (*text == '\0') return 0;
            text += CharSize(text);
            ++pattern;
            continue;
        }
        if (pc == '~') {
            ++pattern;
            if (*pattern == '\0') return *text == '\0' ? 1 : 0;
        }
        if (*text == '\0') return 0;
        int32_t np = CharSize(pattern);
        int32_t nt = CharSize(text);
        if (!SameChar(pattern, np, text, nt, rules.caseSensitive)) return 0;
        pattern += np;
        text += nt;
    }
}

int32_t SqlMatch(const char* text, const char* pattern, char escape, bool caseSensitive) {
    for (;;) {
        char pc = *pattern;
        if (pc == '\0') return *text == '\0' ? 1 : 0;
        if (pc == '_' && pc != escape) {
            if (*text == '\0') return 0;
            text += CharSize(text);
            ++pattern;
            continue;
        }
        if (pc == '%' && pc != escape) {
            ++pattern;
            if (*pattern == '\0') return 1;
            for (; *text != '\0'; text += CharSize(text)) {
                int32_t result = SqlMatch(text, pattern, escape, caseSensitive);
                if (result != 0) return result;
            }
            return 0;
        }
        if (pc == escape) {
            ++pattern;
            char next = *pattern;
            if (next != '_' && next != '%' && next != escape) {
                msgn();
                return -1;
            }
        }
        if (*text == '\0') return 0;
        int32_t np = CharSize(pattern);
        int32_t nt = CharSize(text);
        if (!SameChar(pattern, np, text, nt, caseSensitive)) return 0;
        pattern += np;
        text += nt;
    }
}

bool IsMatchSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

int32_t ststar(const char* text, const char* pattern, int32_t caseSensitive) {
    return StarMatch(text, pattern, StarRules{true, caseSensitive != 0, false});
}

int32_t ststaronly(const char* text, const char* pattern, int32_t caseSensitive) {
    return StarMatch(text, pattern, StarRules{false, caseSensitive != 0, false});
}

int32_t stprvstr(const char* text, const char* pattern, int32_t atStart) {
    if (atStart != 0 && *pattern == '#') ++pattern;
    return StarMatch(text, pattern, StarRules{true, false, true});
}

int32_t stsqlstr(const char* text, const char* pattern, char escape, int32_t caseSensitive) {
    return SqlMatch(text, pattern, escape, caseSensitive != 0);
}

int32_t stmatch(const char* text, const char* word) {
    while (IsMatchSpace(*text)) ++text;
    while (*text != '\0') {
        if (*word == '\0') {
            while (IsMatchSpace(*text)) ++text;
            return *text == '\0' ? 1 : 0;
        }
        int32_t n = CharSize(text);
        if (n == 1) {
            if (Lower(Byte(text)) != Byte(word)) return 0;
        } else {
            for (int32_t i = 0; i < n; ++i)
                if (text[i] != word[i]) return 0;
        }
        text += n;
        word += n;
    }
    return *word == '\0' ? 1 : 0;
}

}  // namespace vrn
