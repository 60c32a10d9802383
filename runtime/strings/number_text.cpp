// Integers to decimal text, and reversal of strings.
#include <charconv>
#include <algorithm>
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

template <typename T>
char* WriteDecimal(T value, char* d) {
    char text[24];
    auto result = std::to_chars(text, text + sizeof text, value);
    size_t length = static_cast<size_t>(result.ptr - text);
    std::memcpy(d, text, length);
    d[length] = '\0';
    return d;
}

}  // namespace

char* reversen(char* s, int32_t n) {
    if (n <= 1) return s;
    char* end = s + n;
    // Each multi-byte character is first reversed in itself, so that the
    // reversal of the whole leaves its bytes in their order.
    for (char* p = s; p < end;) {
        int32_t size = CharSizeIn(p, end);
        if (size > 1) std::reverse(p, p + size);
        p += size;
    }
    std::reverse(s, end);
    return s;
}

char* reverse(char* s) { return reversen(s, stlen(s)); }

char* itoa(int16_t value, char* d) { return WriteDecimal(value, d); }

char* utitoa(int32_t value, char* d) { return WriteDecimal(value, d); }

int32_t utultoa(uint32_t value, char* d, int32_t size) {
    char text[16];
    auto result = std::to_chars(text, text + sizeof text, value);
    int32_t length = static_cast<int32_t>(result.ptr - text);
    if (length > size) return 0;
    std::memcpy(d, text, static_cast<size_t>(length));
    return length;
}

}  // namespace vrn
