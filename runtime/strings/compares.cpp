// Comparisons of buffers and strings, exact and case-insensitive.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

int32_t Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// The character at p (n bytes) upper-cased into out (8 bytes); its length.
int32_t UpperChar(const char* p, int32_t n, char* out) {
    if (n > 7) n = 7;
    char source[8] = {};
    std::memcpy(source, p, static_cast<size_t>(n));
    return capscopn(out, source, n);
}

// How a case-insensitive comparison came out.
struct Folded {
    int32_t order;       // -1, 0 or 1
    int32_t ranOut;      // -1: a ended first, 1: b ended first, 0: neither
};

// Case-insensitive comparison of two counted texts over at most maxChars
// characters.
Folded FoldCompare(const char* a, const char* aEnd, const char* b, const char* bEnd, int32_t maxChars) {
    for (int32_t i = 0; i < maxChars; ++i) {
        bool aDone = a >= aEnd;
        bool bDone = b >= bEnd;
        if (aDone && bDone) return {0, 0};
        if (aDone) return {-1, -1};
        if (bDone) return {1, 1};
        int32_t na = CharSizeIn(a, aEnd);
        int32_t nb = CharSizeIn(b, bEnd);
        if (na == 1 && nb == 1) {
            int diff = Upper(Byte(a)) - Upper(Byte(b));
            if (diff != 0) return {Sign(diff), 0};
        } else {
            char ua[8] = {};
            char ub[8] = {};
            int32_t la = UpperChar(a, na, ua);
            int32_t lb = UpperChar(b, nb, ub);
            int diff = std::memcmp(ua, ub, static_cast<size_t>(la < lb ? la : lb));
            if (diff == 0) diff = la - lb;
            if (diff != 0) return {Sign(diff), 0};
        }
        a += na;
        b += nb;
    }
    return {0, 0};
}

Folded FoldStrings(const char* a, const char* b, int32_t maxChars) {
    return FoldCompare(a, a + std::strlen(a), b, b + std::strlen(b), maxChars);
}

// Length of a counted text without its trailing blanks.
int32_t WithoutTrailingBlanks(const char* s, int32_t n) {
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

// A decimal number taken apart: sign, integer digits without leading zeros,
// fraction digits without trailing zeros.
struct Decimal {
    bool valid = false;
    bool negative = false;
    const char* integer = nullptr;
    int32_t integerLength = 0;
    const char* fraction = nullptr;
    int32_t fractionLength = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

Decimal ParseDecimal(const char* s, int32_t n) {
    Decimal d;
    int32_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    while (n > i && s[n - 1] == ' ') --n;
    if (i < n && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
    int32_t start = i;
    while (i < n && IsDigit(s[i])) ++i;
    int32_t integerEnd = i;
    int32_t digits = integerEnd - start;
    int32_t fractionStart = i;
    if (i < n && s[i] == '.') {
        fractionStart = ++i;
        while (i < n && IsDigit(s[i])) ++i;
        digits += i - fractionStart;
    }
    if (i != n || digits == 0) return d;
    while (start < integerEnd && s[start] == '0') ++start;
    int32_t fractionEnd = i;
    while (fractionEnd > fractionStart && s[fractionEnd - 1] == '0') --fractionEnd;
    d.valid = true;
    d.integer = s + start;
    d.integerLength = integerEnd - start;
    d.fraction = s + fractionStart;
    d.fractionLength = fractionEnd > fractionStart ? fractionEnd - fractionStart : 0;
    if (d.integerLength == 0 && d.fractionLength == 0) d.negative = false;   // -0 is 0
    return d;
}

bool SameBytes(const char* a, int32_t na, const char* b, int32_t nb) {
    return na == nb && std::memcmp(a, b, static_cast<size_t>(na)) == 0;
}

}  // namespace

int32_t bufcmp(const void* a, const void* b, int32_t n) {
    return n > 0 ? Sign(std::memcmp(a, b, static_cast<size_t>(n))) : 0;
}

int32_t rawbcmp(const void* a, int32_t na, const void* b, int32_t nb) {
    int32_t common = na < nb ? na : nb;
    int32_t order = bufcmp(a, b, common);
    if (order != 0) return order;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

int32_t stcomp(const char* a, const char* b) { return Sign(std::strcmp(a, b)); }

int32_t stncmp(const char* a, const char* b, int32_t n) {
    return n > 0 ? Sign(std::strncmp(a, b, static_cast<size_t>(n))) : 0;
}

int32_t stncmpc(const char* a, const char* b, int32_t n) { return FoldStrings(a, b, n).order; }

int32_t sticmp(const char* a, const char* b) { return FoldStrings(a, b, INT32_MAX).order != 0 ? 1 : 0; }

int32_t stpcmp(const char* a, const char* b) {
    Folded f = FoldStrings(a, b, INT32_MAX);
    if (f.order == 0) return 0;
    if (f.ranOut == 1) return 3;
    return f.order < 0 ? 1 : 2;
}

int32_t stbcmp(const char* a, const char* b) {
    int32_t na = WithoutTrailingBlanks(a, stlen(a));
    int32_t nb = WithoutTrailingBlanks(b, stlen(b));
    return FoldCompare(a, a + na, b, b + nb, INT32_MAX).order;
}

int32_t uttrlcmp(const char* a, int32_t na, const char* b, int32_t nb, int32_t raw) {
    na = WithoutTrailingBlanks(a, na);
    nb = WithoutTrailingBlanks(b, nb);
    if (raw != 0) return SameBytes(a, na, b, nb) ? 0 : 1;
    return FoldCompare(a, a + na, b, b + nb, INT32_MAX).order == 0 ? 0 : 1;
}

int32_t utdeccmp(const char* a, int32_t na, const char* b, int32_t nb) {
    Decimal x = ParseDecimal(a, na);
    Decimal y = ParseDecimal(b, nb);
    // Texts that are not numbers are equal only when they are the same text.
    if (!x.valid || !y.valid) return SameBytes(a, na, b, nb) ? 0 : 1;
    bool equal = x.negative == y.negative && SameBytes(x.integer, x.integerLength, y.integer, y.integerLength) &&
                 SameBytes(x.fraction, x.fractionLength, y.fraction, y.fractionLength);
    return equal ? 0 : 1;
}

}  // namespace vrn
