// The variable-length integer form: the value's low one to four bytes, most
// significant first. A further byte is taken as soon as the value shifted
// right by 8 (or 16) bits reaches 127 upward or -128 downward, so the
// two-byte form ends at 32,511 and the three-byte form at 8,323,071.
#include "runtime/numbers/numbers.h"

namespace vrn {

int32_t slngv(uint8_t* buffer, int32_t value) {
    if (value == 0) return 0;
    bool negative = value < 0;
    auto fits = [negative](int32_t v) { return negative ? v > -128 : v < 127; };
    int32_t length = 4;
    if (negative ? value > -128 : value < 128) {
        length = 1;
    } else if (fits(value >> 8)) {
        length = 2;
    } else if (fits(value >> 16)) {
        length = 3;
    }
    auto bits = static_cast<uint32_t>(value);
    for (int32_t i = length - 1; i >= 0; --i) {
        buffer[i] = static_cast<uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
    return length;
}

int32_t xlngv(const uint8_t* buffer, int32_t length) {
    if (length <= 0) return 0;
    uint32_t value = buffer[0] >= 128 ? 0xFFFFFFFFu : 0;
    for (int32_t i = 0; i < length && i < 4; ++i) value = (value << 8) + buffer[i];
    return static_cast<int32_t>(value);
}

}  // namespace vrn
