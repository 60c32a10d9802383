// Copies, moves and fills of strings and byte areas.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

constexpr uint32_t COPY_BLOCK = 32767;

// Bytes of s that fit in n bytes as whole characters, stopping at the
// terminator; `cut` tells whether a character was cut by the limit.
int32_t WholeCharacters(const char* s, int32_t n, bool& cut) {
    int32_t done = 0;
    cut = false;
    while (done < n && s[done] != '\0') {
        int32_t size = CharSize(s + done);
        if (size > n - done) {
            cut = true;
            break;
        }
        done += size;
    }
    return done;
}

}  // namespace

int32_t stlen(const char* s) { return static_cast<int32_t>(std::strlen(s)); }

char* p_stcopy(char* d, const char* s) {
    size_t length = std::strlen(s);
    std::memcpy(d, s, length + 1);
    return d + length;
}

char* stmove(char* d, const char* s) {
    size_t length = std::strlen(s);
    std::memcpy(d, s, length);
    return d + length;
}

char* stemov(char* d, const char* s, const char* end) {
    while (*s != '\0' && d < end) *d++ = *s++;
    return d;
}

int32_t stncop(char* d, const char* s, int32_t n) {
    bool cut = false;
    int32_t done = WholeCharacters(s, n, cut);
    std::memcpy(d, s, static_cast<size_t>(done));
    d[done] = '\0';
    return done;
}

char* stnmov(char* d, const char* s, int32_t n) {
    bool cut = false;
    int32_t done = WholeCharacters(s, n, cut);
    std::memcpy(d, s, static_cast<size_t>(done));
    if (cut) std::memset(d + done, 0, static_cast<size_t>(n - done));
    return d + done;
}

int32_t stnpad(char* d, const char* s, int32_t n) {
    int32_t done = stncop(d, s, n);
    std::memset(d + done, ' ', static_cast<size_t>(n - done));
    d[n] = '\0';
    return n;
}

int32_t utdbncop(char* d, const char* s, int32_t n, char c) {
    bool cut = false;
    int32_t done = WholeCharacters(s, n, cut);
    std::memcpy(d, s, static_cast<size_t>(done));
    if (cut && c != '\0') d[done++] = c;
    d[done] = '\0';
    return done;
}

void stnclr(void* p, int32_t n) {
    if (n > 0) std::memset(p, 0, static_cast<size_t>(n));
}

char* chrcop(char* p, int c, int32_t n) {
    if (n <= 0) return p;
    std::memset(p, c, static_cast<size_t>(n));
    return p + n;
}

void bufcop(void* d, const void* s, int32_t n) {
    if (n > 0) std::memmove(d, s, static_cast<size_t>(n));
}

void bufcopl(void* d, const void* s, uint32_t n) {
    auto* to = static_cast<char*>(d);
    const auto* from = static_cast<const char*>(s);
    if (to > from) {
        // Destination above the source: copy the last block first so that no
        // source byte is overwritten before it has been read.
        while (n > 0) {
            uint32_t block = n < COPY_BLOCK ? n : COPY_BLOCK;
            n -= block;
            std::memmove(to + n, from + n, block);
        }
    } else {
        while (n > 0) {
            uint32_t block = n < COPY_BLOCK ? n : COPY_BLOCK;
            std::memmove(to, from, block);
            to += block;
            from += block;
            n -= block;
        }
    }
}

void utblkcp(uint32_t* d, const uint32_t* s, uint32_t n) { bufcopl(d, s, n * 4); }

void bufmov(char* p, char* end, int32_t shift) {
    if (end > p) std::memmove(p + shift, p, static_cast<size_t>(end - p));
}

}  // namespace vrn
