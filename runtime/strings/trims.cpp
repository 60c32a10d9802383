// Trimming of characters from either end of a text.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

bool InSet(const char* p, int32_t n, const char* set, bool caseInsensitive) {
    for (const char* q = set; *q != '\0';) {
        int32_t size = CharSize(q);
        if (SameChar(p, n, q, size, !caseInsensitive)) return true;
        q += size;
    }
    return false;
}

}  // namespace

const char* utLeftTrim(const char* text, const char* set, int32_t caseInsensitive) {
    while (*text != '\0') {
        int32_t size = CharSize(text);
        if (!InSet(text, size, set, caseInsensitive != 0)) break;
        text += size;
    }
    return text;
}

char* utRightTrim(char* text, int32_t length, const char* set, int32_t caseInsensitive) {
    // The characters are found from the front so that a trailing byte is
    // never tested on its own; the end of the last one kept is remembered.
    char* end = text + (length > 0 ? length : 0);
    char* kept = text;
    for (char* p = text; p < end;) {
        int32_t size = CharSizeIn(p, end);
        if (!InSet(p, size, set, caseInsensitive != 0)) kept = p + size;
        p += size;
    }
    *kept = '\0';
    return kept;
}

int32_t dblank(char* text) {
    int32_t length = stlen(text);
    char* end = utRightTrim(text, length, " ", 0);
    return static_cast<int32_t>(end - text);
}

int32_t dlblank(char* text) {
    size_t blanks = std::strspn(text, " ");
    size_t rest = std::strlen(text + blanks);
    if (blanks != 0) std::memmove(text, text + blanks, rest + 1);
    return static_cast<int32_t>(rest);
}

}  // namespace vrn
