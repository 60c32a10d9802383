// Conversions between bytes, characters and screen columns, and the parsing
// of column-format texts.
#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace stepping;

namespace {

// A multi-byte character is a wide East Asian character: two columns.
int32_t Columns(int32_t bytes) { return bytes > 1 ? 2 : 1; }

}  // namespace

int32_t utCharCount(const char* s, int32_t bytes) {
    int32_t count = 0;
    for (int32_t offset = 0; offset < bytes && s[offset] != '\0'; offset += CharSize(s + offset)) ++count;
    return count;
}

int32_t utTotalBytes(const char* s, int32_t offset, int32_t chars) {
    const char* p = s + offset;
    int32_t bytes = 0;
    for (int32_t i = 0; i < chars && p[bytes] != '\0'; ++i) bytes += CharSize(p + bytes);
    return bytes;
}

int32_t utCharLength(const char* s) {
    int32_t count = 0;
    for (; *s != '\0'; s += CharSize(s)) ++count;
    return count;
}

int32_t utColLength(const char* s) {
    int32_t columns = 0;
    for (; *s != '\0'; s += CharSize(s)) columns += Columns(CharSize(s));
    return columns;
}

int32_t utColumnToBytes(const char* s, int32_t start, int32_t columns) {
    const char* p = s + start;
    int32_t bytes = 0;
    int32_t used = 0;
    while (p[bytes] != '\0') {
        int32_t size = CharSize(p + bytes);
        int32_t width = Columns(size);
        if (used + width > columns) break;
        used += width;
        bytes += size;
    }
    return bytes;
}

int32_t utCharToByte(const char* s, int32_t n) { return utTotalBytes(s, 0, n); }

int32_t utByteToChar(const char* s, int32_t n) {
    int32_t index = 0;
    int32_t offset = 0;
    while (s[offset] != '\0') {
        int32_t size = CharSize(s + offset);
        if (offset + size > n) break;
        offset += size;
        ++index;
    }
    return index;
}

int32_t utConvStrAttr(uint32_t* attr, const char* s) {
    uint32_t width = 0;
    uint32_t align = 0;
    bool underline = false;
    bool letterSeen = false;
    for (; *s != '\0'; ++s) {
        char c = *s;
        if (c >= '0' && c <= '9') {
            if (letterSeen) return -1;
            width = width * 10 + static_cast<uint32_t>(c - '0');
            if (width > ATTR_WIDTH_MASK) return -1;
            continue;
        }
        letterSeen = true;
        uint32_t letterAlign = 0;
        switch (c) {
            case 'l': case 'L': letterAlign = ATTR_ALIGN_LEFT; break;
            case 'r': case 'R': letterAlign = ATTR_ALIGN_RIGHT; break;
            case 'c': case 'C': letterAlign = ATTR_ALIGN_CENTER; break;
            case 't': case 'T': letterAlign = ATTR_ALIGN_TRUNCATE; break;
            case 'u': case 'U':
                if (underline) return -1;
                underline = true;
                continue;
            default: return -1;
        }
        if (align != 0) return -1;
        align = letterAlign;
    }
    *attr = width | align | (underline ? ATTR_UNDERLINE : 0);
    return 0;
}

}  // namespace vrn
