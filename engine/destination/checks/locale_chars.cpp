// The letters and digits of the current locale, as the destination rules
// and the keystroke filters take them.
#include <cctype>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include "engine/destination/checks/checks_internal.h"

namespace vrn {

namespace {

bool Classified(int32_t c, bool lettersOnly) {
    if (c < 0) return false;
    if (MB_CUR_MAX > 1) {
        wint_t wide = static_cast<wint_t>(c);
        if (c <= 255) {
            wide = std::btowc(c);
            if (wide == WEOF) return false;
        }
        return lettersOnly ? std::iswalpha(wide) != 0 : std::iswalnum(wide) != 0;
    }
    if (c > 255) return false;
    return lettersOnly ? std::isalpha(c) != 0 : std::isalnum(c) != 0;
}

}  // namespace

bool IsLocaleAlnum(int32_t c) { return Classified(c, false); }

bool IsLocaleAlpha(int32_t c) { return Classified(c, true); }

}  // namespace vrn
