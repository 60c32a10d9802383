// Lookups: finding a section, an entry of it, or the listing of its entries.
#include <cstring>

#include "runtime/ini/ini.h"
#include "runtime/ini/ini_internal.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace ini;

int32_t wdSetEntryString(int32_t size, char* destination, const char* source) {
    if (size < 2) return 0;
    int32_t length = stlen(source);
    if (length >= size) length = size - 1;
    std::memcpy(destination, source, static_cast<size_t>(length));
    destination[length] = '\0';
    return length;
}

int32_t wdSetDefaultBuff(const char* key, int32_t size, char* buffer, const char* defaultValue) {
    if (key == nullptr) {
        buffer[0] = '\0';
        buffer[1] = '\0';
        return 2;
    }
    return wdSetEntryString(size, buffer, defaultValue != nullptr ? defaultValue : "");
}

int32_t wdFindSection(FILE* stream, const char* section) {
    char wanted[INI_LINE_SIZE];
    if (!wdIsName(section, wanted)) return 0;
    Piece piece;
    char name[INI_LINE_SIZE];
    while (ReadPiece(stream, piece)) {
        if (wdIsSection(piece.text, name) && sticmp(name, wanted) == 0) return 1;
    }
    return 0;
}

int32_t wdFindAllEntrys(FILE* stream, int32_t limit, char* buffer, int32_t* count) {
    int32_t stored = 0;
    if (*count < limit - 1) {
        Piece piece;
        char name[INI_LINE_SIZE];
        char value[INI_LINE_SIZE];
        char entry[2 * INI_LINE_SIZE];
        while (ReadPiece(stream, piece)) {
            if (wdIsSection(piece.text, name)) break;
            if (wdIsEntry(piece.text, name, value)) {
                char* end = p_stcopy(entry, name);
                *end++ = '=';
                p_stcopy(end, value);
                *count += wdSetEntryString(limit - *count, buffer + *count, entry) + 1;
                ++stored;
            }
            if (*count >= limit - 1) break;
        }
    }
    // The list ends with an extra zero byte.
    buffer[*count] = '\0';
    *count += 1;
    return stored > 0 ? 1 : 0;
}

int32_t wdFindEntry(FILE* stream, const char* key, int32_t size, char* buffer, int32_t* count) {
    if (key == nullptr) {
        *count = 0;
        return wdFindAllEntrys(stream, size - 1, buffer, count);
    }
    char wanted[INI_LINE_SIZE];
    if (!wdIsName(key, wanted)) return 0;
    Piece piece;
    char name[INI_LINE_SIZE];
    char value[INI_LINE_SIZE];
    while (ReadPiece(stream, piece)) {
        if (wdIsSection(piece.text, name)) return 0;
        // An entry whose value is empty counts as absent: the search goes on.
        if (wdIsEntry(piece.text, name, value) && value[0] != '\0' && sticmp(name, wanted) == 0) {
            *count = wdSetEntryString(size, buffer, value);
            return 1;
        }
    }
    return 0;
}

int32_t wdGetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, int32_t size, const char* file) {
    FILE* stream = nullptr;
    if (!wdOpenIniFile(file, &stream)) return wdSetDefaultBuff(key, size, buffer, defaultValue);
    int32_t count = 0;
    bool found = wdFindSection(stream, section) && wdFindEntry(stream, key, size, buffer, &count);
    vrn::fclose(stream);
    if (found) return count;
    return wdSetDefaultBuff(key, size, buffer, defaultValue);
}

int32_t wdSetEntryInt(const char* text, int32_t* out) {
    const char* p = SkipBlanks(text);
    // The conversion accepts a sign, as "%d" does; the validity rule below
    // does not.
    const char* digits = p;
    bool negative = false;
    if (*digits == '+' || *digits == '-') negative = *digits++ == '-';
    if (*digits >= '0' && *digits <= '9') {
        int64_t value = 0;
        for (const char* q = digits; *q >= '0' && *q <= '9'; ++q) {
            if (value <= INT32_MAX) value = value * 10 + (*q - '0');
        }
        if (negative) value = -value;
        if (value > INT32_MAX) value = INT32_MAX;
        if (value < INT32_MIN) value = INT32_MIN;
        *out = static_cast<int32_t>(value);
    }
    const char* q = p;
    while (*q >= '0' && *q <= '9') ++q;
    if (q == p) return 0;
    return (*q == '\0' || IsBlank(*q)) ? 1 : 0;
}

int32_t wdGetPrivateProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
    if (key == nullptr) return defaultValue;
    char text[INI_LINE_SIZE];
    if (wdGetPrivateProfileString(section, key, "", text, INI_LINE_SIZE, file) == 0) return defaultValue;
    int32_t value = defaultValue;
    if (!wdSetEntryInt(text, &value)) return defaultValue;
    return value;
}

}  // namespace vrn
