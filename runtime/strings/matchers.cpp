// The wildcard matchers (ststar, ststaronly, stprvstr), the SQL-style matcher
// and the word matcher.
#include <algorithm>
#include <array>
#include <vector>

#include "runtime/report/report.h"
#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

// The matchers apply the pattern one element at a time to the set of places
// in the text where the pattern so far can end, instead of trying every way a
// star could be matched: the time grows with the pattern's length times the
// text's, never exponentially with the number of stars.
//
// A place is the index of a character start; the last place is the
// terminator. reach[i] is 1 when the pattern so far can end just before
// character i.
class Places {
public:
    explicit Places(const char* text) {
        int32_t count = 1;
        for (const char* p = text; *p != '\0'; p += CharSize(p)) ++count;
        // Names and keys fit the places kept inline; longer texts take the heap.
        if (count > kInlinePlaces) {
            longStarts_.resize(static_cast<size_t>(count));
            longReach_.resize(static_cast<size_t>(count));
            starts_ = longStarts_.data();
            reach_ = longReach_.data();
        }
        int32_t i = 0;
        for (; *text != '\0'; text += CharSize(text)) starts_[i++] = text;
        starts_[i] = text;
        end_ = i;
        std::fill(reach_, reach_ + count, uint8_t{0});
        reach_[0] = 1;
    }
    Places(const Places&) = delete;
    Places& operator=(const Places&) = delete;

    int32_t End() const { return end_; }
    bool Reaches(int32_t i) const { return reach_[i] != 0; }
    bool Empty() const { return first_ > End(); }

    // A run of any characters: every place from the first one reached on,
    // up to the terminator, or up to the last character when the run must
    // leave some text for the rest of the pattern.
    void AnyRun(bool leaveText) {
        const int32_t last = leaveText ? End() - 1 : End();
        for (int32_t i = first_; i <= last; ++i) reach_[i] = 1;
        if (leaveText && first_ <= End()) reach_[End()] = 0;
        if (first_ > last) first_ = End() + 1;
    }

    // One character for which fits(start, size) holds. Walks backwards so
    // that the set can be moved one character on in place.
    template <typename Fits>
    void OneChar(Fits fits) {
        reach_[End()] = 0;
        for (int32_t i = End() - 1; i >= first_; --i) {
            const bool on = reach_[i] != 0 && fits(starts_[i], static_cast<int32_t>(starts_[i + 1] - starts_[i]));
            reach_[i + 1] = on ? 1 : 0;
            reach_[i] = 0;
        }
        while (first_ <= End() && reach_[first_] == 0) ++first_;
    }

private:
    static constexpr int32_t kInlinePlaces = 128;
    std::array<const char*, kInlinePlaces> inlineStarts_;
    std::array<uint8_t, kInlinePlaces> inlineReach_;
    std::vector<const char*> longStarts_;
    std::vector<uint8_t> longReach_;
    const char** starts_ = inlineStarts_.data();
    uint8_t* reach_ = inlineReach_.data();
    int32_t end_ = 0;
    int32_t first_ = 0;
};

struct StarRules {
    bool dotIsWild;        // '.' matches any one character
    bool caseSensitive;
    bool starsStrict;      // stprvstr: no skipping of stars, exhausted text fails
};

int32_t StarMatch(const char* text, const char* pattern, const StarRules& rules) {
    Places places(text);
    for (;;) {
        if (places.Empty()) return 0;
        char pc = *pattern;
        if (pc == '*') {
            ++pattern;
            if (*pattern == '\0') return 1;
            if (!rules.starsStrict) {
                while (*pattern == '*') ++pattern;
            }
            // A strict star tries the rest of the pattern only where text is
            // left; the others also at the terminator.
            places.AnyRun(rules.starsStrict);
            continue;
        }
        if (pc == '\0') return places.Reaches(places.End()) ? 1 : 0;
        if (pc == '.' && rules.dotIsWild) {
            places.OneChar([](const char*, int32_t) { return true; });
            ++pattern;
            continue;
        }
        if (pc == '~') {
            ++pattern;
            if (*pattern == '\0') return places.Reaches(places.End()) ? 1 : 0;
        }
        const char* literal = pattern;
        const int32_t np = CharSize(pattern);
        places.OneChar([&](const char* at, int32_t nt) {
            return SameChar(literal, np, at, nt, rules.caseSensitive);
        });
        pattern += np;
    }
}

int32_t SqlMatch(const char* text, const char* pattern, char escape, bool caseSensitive) {
    Places places(text);
    for (;;) {
        if (places.Empty()) return 0;
        char pc = *pattern;
        if (pc == '\0') return places.Reaches(places.End()) ? 1 : 0;
        if (pc == '_' && pc != escape) {
            places.OneChar([](const char*, int32_t) { return true; });
            ++pattern;
            continue;
        }
        if (pc == '%' && pc != escape) {
            ++pattern;
            if (*pattern == '\0') return 1;
            // The rest of the pattern is tried only where text is left.
            places.AnyRun(true);
            continue;
        }
        if (pc == escape) {
            ++pattern;
            char next = *pattern;
            // Reached by some way of matching the text so far, a malformed
            // escape decides the result: nothing after it can match.
            if (next != '_' && next != '%' && next != escape) {
                msgn();
                return -1;
            }
        }
        const char* literal = pattern;
        const int32_t np = CharSize(pattern);
        places.OneChar([&](const char* at, int32_t nt) {
            return SameChar(literal, np, at, nt, caseSensitive);
        });
        pattern += np;
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
