// Member selection: a case-sensitive pattern match where '?' takes exactly
// one character and '*' any run of characters, an empty one too.
#include "engine/archive/archive.h"

namespace vrn {

// Walks pattern and name once, remembering only the last star: should the
// part after it fail, that star takes one more character of the name and the
// part is tried again from there. An earlier star never needs to take more,
// since whatever it would take the last star can take as well; so the time
// is at most the pattern's length times the name's, however many stars.
int32_t MatchFileName(const char* pattern, const char* name) {
    const char* afterStar = nullptr;  // the pattern just after the last star
    const char* starTook = nullptr;   // the name where that star's run ends
    while (*name != '\0') {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            afterStar = pattern;
            starTook = name;
        } else if (*pattern != '\0' && (*pattern == '?' || *pattern == *name)) {
            ++pattern;
            ++name;
        } else if (afterStar != nullptr) {
            pattern = afterStar;
            name = ++starTook;
        } else {
            return 0;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0' ? 1 : 0;
}

}  // namespace vrn
