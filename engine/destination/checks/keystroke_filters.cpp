// The keystroke filters of the front end's input fields: each typed key is
// taken or dropped, and a dropped key beeps.
#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"

namespace vrn {

namespace {

constexpr int32_t kEscape = 27;

int32_t Take(bool taken) {
    if (taken) return 1;
    MessageBeep(MB_BEEP_DEFAULT);
    return 0;
}

}  // namespace

int32_t isalnum_func(int32_t c) { return Take(IsLocaleAlnum(c)); }

int32_t isalpha_func(int32_t c) { return Take(IsLocaleAlpha(c)); }

int32_t isdigit_func(int32_t c) { return Take(c >= '0' && c <= '9'); }

int32_t isascii_func(int32_t c) { return Take(c >= 0 && c < 128 && c != kEscape); }

int32_t destfilter_func(int32_t c) {
    if (c == kEscape) return Take(false);
    if (c < 0 || c > 255) {
        // A key that is no byte is refused as the character rule refuses
        // one, with its beep.
        MessageBeep(MB_BEEP_DEFAULT);
        return Take(false);
    }
    const bool allowed = ValidCharCheck(static_cast<uint8_t>(c)) == 1 || c == ':';
    return Take(allowed);
}

}  // namespace vrn
