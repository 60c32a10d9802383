// Case mapping of strings through the tables in force. Multi-byte characters
// are copied as they are: their case maps belong to the code page.
#include <cstring>

#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

// Copies at most n bytes of s through table into d, whole characters only,
// and terminates; returns the bytes copied. d may be s.
int32_t MapCopy(char* d, const char* s, int32_t n, const uint8_t* table) {
    int32_t done = 0;
    while (done < n && s[done] != '\0') {
        int32_t size = CharSize(s + done);
        if (size > n - done) break;
        if (size == 1) {
            d[done] = static_cast<char>(table[Byte(s + done)]);
        } else if (d != s) {
            std::memcpy(d + done, s + done, static_cast<size_t>(size));
        }
        done += size;
    }
    d[done] = '\0';
    return done;
}

constexpr int32_t NO_LIMIT = INT32_MAX;

}  // namespace

int32_t caps(char* s) {
    int32_t length = stlen(s);
    return MapCopy(s, s, length, _GlobalUptable);
}

int32_t capscop(char* d, const char* s) { return MapCopy(d, s, NO_LIMIT, _GlobalUptable); }

int32_t capscopn(char* d, const char* s, int32_t n) { return MapCopy(d, s, n, _GlobalUptable); }

int32_t capscoplcl(char* d, const char* s) { return MapCopy(d, s, NO_LIMIT, _ISOL1_uptablelcl.data()); }

int32_t lc(char* s) {
    int32_t length = stlen(s);
    return MapCopy(s, s, length, _GlobalDntable);
}

int32_t lccopn(char* d, const char* s, int32_t n) { return MapCopy(d, s, n, _GlobalDntable); }

}  // namespace vrn
