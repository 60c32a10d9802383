// Searches for characters and substrings, stepping over whole characters.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

// Character position of the first (or last) occurrence of sub in text.
int32_t FindPosition(const char* text, const char* sub, bool last) {
    size_t length = std::strlen(sub);
    if (length == 0) return 0;
    int32_t found = 0;
    int32_t position = 1;
    for (const char* p = text; *p != '\0'; p += CharSize(p), ++position) {
        if (std::strncmp(p, sub, length) == 0) {
            found = position;
            if (!last) break;
        }
    }
    return found;
}

int32_t Index(char* text, char* sub, int32_t caseSensitive, bool last) {
    if (*sub == '\0') return 0;
    if (caseSensitive != 0) return FindPosition(text, sub, last);
    if (!CaseChangesLength()) {
        caps(text);
        caps(sub);
        return FindPosition(text, sub, last);
    }
    // Case mapping may change byte lengths: search upper-cased copies so the
    // caller's strings keep their lengths.
    int32_t textLength = stlen(text);
    int32_t subLength = stlen(sub);
    char* textCopy = WorkingCopy(textLength);
    char* subCopy = textCopy != nullptr ? WorkingCopy(subLength) : nullptr;
    int32_t result = 0;
    if (subCopy != nullptr) {
        int32_t textRoom = textLength * 2 < 32766 ? textLength * 2 : 32766;
        int32_t subRoom = subLength * 2 < 32766 ? subLength * 2 : 32766;
        capscopn(textCopy, text, textRoom);
        capscopn(subCopy, sub, subRoom);
        result = FindPosition(textCopy, subCopy, last);
    }
    ReleaseWorkingCopy(subCopy);
    ReleaseWorkingCopy(textCopy);
    return result;
}

bool IsChar(const char* p, int32_t n, int c) { return n == 1 && Byte(p) == static_cast<uint8_t>(c); }

}  // namespace

int32_t stidx(char* text, char* sub, int32_t caseSensitive) { return Index(text, sub, caseSensitive, false); }

int32_t stridx(char* text, char* sub, int32_t caseSensitive) { return Index(text, sub, caseSensitive, true); }

const char* term(const char* s) { return s + std::strlen(s); }

const char* scan(const char* s, int c) {
    if (static_cast<char>(c) == '\0') return term(s);
    for (; *s != '\0'; s += CharSize(s))
        if (IsChar(s, CharSize(s), c)) return s;
    return nullptr;
}

const char* scann(const char* s, int c, int32_t count) {
    const char* end = s + (count > 0 ? count : 0);
    for (; s < end && *s != '\0'; s += CharSizeIn(s, end))
        if (IsChar(s, CharSizeIn(s, end), c)) return s;
    return nullptr;
}

const char* chrcmp(const char* p, int c, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        if (Byte(p + i) != static_cast<uint8_t>(c)) return p + i;
    return nullptr;
}

const char* chrrcm(const char* p, int c, int32_t n) {
    // Characters can only be told apart from the front, so walk forwards and
    // keep the last one that differs.
    const char* end = p + (n > 0 ? n : 0);
    const char* last = p - 1;
    for (const char* q = p; q < end;) {
        int32_t size = CharSizeIn(q, end);
        if (!IsChar(q, size, c)) last = q + size - 1;
        q += size;
    }
    return last;
}

int32_t chrcnt(int c, const char* s) {
    int32_t count = 0;
    for (; *s != '\0' && IsChar(s, CharSize(s), c); ++s) ++count;
    return count;
}

int32_t utChIdx(const char* ch, const char* set) {
    int32_t n = CharSize(ch);
    int32_t position = 1;
    for (const char* q = set; *q != '\0'; ++position) {
        int32_t size = CharSize(q);
        if (size == n && std::memcmp(q, ch, static_cast<size_t>(n)) == 0) return position;
        q += size;
    }
    return 0;
}

int32_t chidx(int c, const char* set) {
    char ch[2] = {static_cast<char>(c), '\0'};
    if (ch[0] == '\0' || IS_LB(Byte(ch)) != 0) return 0;
    return utChIdx(ch, set);
}

int32_t chsidx(const char* set, const char* s) {
    int32_t position = 1;
    for (; *s != '\0'; s += CharSize(s), ++position)
        if (utChIdx(s, set) != 0) return position;
    return 0;
}

int32_t occurns(const char* set, const char* s) {
    int32_t count = 0;
    for (; *s != '\0'; s += CharSize(s))
        if (utChIdx(s, set) != 0) ++count;
    return count;
}

int32_t utCountSep(const char* c, const char* s) {
    int32_t n = CharSize(c);
    int32_t count = 0;
    for (; *s != '\0'; s += CharSize(s))
        if (CharSize(s) == n && std::memcmp(s, c, static_cast<size_t>(n)) == 0) ++count;
    return count;
}

}  // namespace vrn
