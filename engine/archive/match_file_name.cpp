// Member selection: a case-sensitive pattern match where '?' takes exactly
// one character and '*' any run of characters, an empty one too.
#include <cstring>

#include "engine/archive/archive.h"

namespace vrn {

int32_t MatchFileName(const char* pattern, const char* name) {
    const char* p = pattern;
    const char* n = name;
    while (*p != '*') {
        if (*p == '\0') return *n == '\0' ? 1 : 0;
        if (*p == '?') {
            if (*n == '\0') return 0;
        } else if (*p != *n) {
            return 0;
        }
        ++p;
        ++n;
    }
    // A run of stars matches what one star matches.
    while (*p == '*') ++p;
    const char c = *p;
    for (;;) {
        // Move to the next place where the rest of the pattern can begin:
        // the end of the name when nothing follows the star, else the next
        // occurrence of the character after it ('?' fits anywhere).
        if (c == '\0') {
            n += std::strlen(n);
        } else if (c != '?') {
            const char* hit = std::strchr(n, c);
            if (hit == nullptr) return 0;
            n = hit;
        }
        if (MatchFileName(p, n) != 0) return 1;
        if (*n == '\0') return 0;
        ++n;
    }
}

}  // namespace vrn
