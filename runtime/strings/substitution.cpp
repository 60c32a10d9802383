// Character and pattern substitution, delimiter pairs, list fields and list
// lookups.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

// The substitution pairs: each character followed by its substitute.
constexpr char DELIMITER_PAIRS[] = "&@({)}*^'`<[%|>]?~";

// Whether the character at p (n bytes) is one of seps.
bool IsSeparator(const char* p, const char* seps) { return utChIdx(p, seps) != 0; }

// Finds field n (1-based) of list; fields end at any character that
// `isSeparator` accepts. Sets start and length; false when there are fewer
// fields.
template <typename Separator>
bool FindField(const char* list, int32_t n, Separator isSeparator, const char*& start, int32_t& length) {
    if (n < 1) return false;
    int32_t field = 1;
    const char* p = list;
    const char* fieldStart = list;
    for (;;) {
        if (*p == '\0' || isSeparator(p)) {
            if (field == n) {
                start = fieldStart;
                length = static_cast<int32_t>(p - fieldStart);
                return true;
            }
            if (*p == '\0') return false;
            p += CharSize(p);
            fieldStart = p;
            ++field;
            continue;
        }
        p += CharSize(p);
    }
}

int32_t CopyField(char* d, const char* start, int32_t length) {
    std::memcpy(d, start, static_cast<size_t>(length));
    d[length] = '\0';
    return length;
}

bool SameText(const char* a, int32_t na, const char* b, int32_t nb, bool caseSensitive) {
    if (caseSensitive) return na == nb && std::memcmp(a, b, static_cast<size_t>(na)) == 0;
    return uttrlcmp(a, na, b, nb, 0) == 0 && na == nb;
}

}  // namespace

int32_t strsub(char* s, int from, int to) {
    int32_t count = 0;
    for (; *s != '\0'; s += CharSize(s)) {
        if (CharSize(s) == 1 && Byte(s) == static_cast<uint8_t>(from)) {
            *s = static_cast<char>(to);
            ++count;
        }
    }
    return count;
}

char* strsubs(char* start, char* end, const char* const* patterns, const char* const* replacements) {
    char* p = start;
    while (p < end) {
        bool replaced = false;
        for (int32_t i = 0; patterns[i] != nullptr; ++i) {
            int32_t patternLength = stlen(patterns[i]);
            if (patternLength == 0 || patternLength > end - p) continue;
            if (std::memcmp(p, patterns[i], static_cast<size_t>(patternLength)) != 0) continue;
            int32_t replacementLength = stlen(replacements[i]);
            std::memmove(p + replacementLength, p + patternLength, static_cast<size_t>(end - (p + patternLength)));
            std::memcpy(p, replacements[i], static_cast<size_t>(replacementLength));
            end += replacementLength - patternLength;
            p += replacementLength;
            replaced = true;
            break;
        }
        if (!replaced) p += CharSizeIn(p, end);
    }
    return end;
}

int delimiter(int c) {
    for (const char* pair = DELIMITER_PAIRS; *pair != '\0'; pair += 2)
        if (static_cast<uint8_t>(*pair) == static_cast<uint8_t>(c)) return static_cast<uint8_t>(pair[1]);
    return 0;
}

int32_t fentry(char* d, int32_t n, const char* list, int sep) {
    const char* start = nullptr;
    int32_t length = 0;
    auto isSeparator = [sep](const char* p) { return CharSize(p) == 1 && Byte(p) == static_cast<uint8_t>(sep); };
    if (!FindField(list, n, isSeparator, start, length)) return -1;
    return CopyField(d, start, length);
}

int32_t utFentry(char* d, int32_t n, const char* list, const char* seps) {
    const char* start = nullptr;
    int32_t length = 0;
    auto isSeparator = [seps](const char* p) { return IsSeparator(p, seps); };
    if (!FindField(list, n, isSeparator, start, length)) return -1;
    return CopyField(d, start, length);
}

int32_t utLkup(const char* word, int32_t length, const char* list, int32_t caseSensitive,
               const char* separators) {
    int32_t wordBytes = utTotalBytes(word, 0, length);
    auto isSeparator = [separators](const char* p) { return IsSeparator(p, separators); };
    const char* start = nullptr;
    int32_t entryLength = 0;
    for (int32_t n = 1; FindField(list, n, isSeparator, start, entryLength); ++n) {
        if (SameText(start, entryLength, word, wordBytes, caseSensitive != 0)) return n;
    }
    return 0;
}

int32_t flkup(const char* word, const char* list, int32_t caseSensitive, const char* separators) {
    return utLkup(word, utCharLength(word), list, caseSensitive, separators);
}

}  // namespace vrn
