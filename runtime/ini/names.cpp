// Names, section headers and entry lines as the format defines them.
#include <cstring>

#include "runtime/ini/ini.h"
#include "runtime/ini/ini_internal.h"

namespace vrn {

namespace ini {

bool ReadName(const char* text, char* name, const char** end) {
    name[0] = '\0';
    if (text == nullptr) return false;
    const char* p = SkipBlanks(text);
    if (!IsNameChar(*p)) return false;
    int32_t length = 0;
    for (;;) {
        while (IsNameChar(*p)) {
            if (length < INI_LINE_SIZE - 1) name[length++] = *p;
            ++p;
        }
        // Blanks inside a name become one space; anything else ends it.
        const char* next = SkipBlanks(p);
        if (next == p || !IsNameChar(*next)) break;
        if (length < INI_LINE_SIZE - 1) name[length++] = ' ';
        p = next;
    }
    name[length] = '\0';
    if (end != nullptr) *end = p;
    return true;
}

}  // namespace ini

using namespace ini;

int32_t wdIsName(const char* text, char* name) { return ReadName(text, name, nullptr) ? 1 : 0; }

int32_t wdIsSection(const char* line, char* name) {
    name[0] = '\0';
    const char* p = SkipBlanks(line);
    if (*p != '[') return 0;
    if (!ReadName(p + 1, name, &p)) return 0;
    p = SkipBlanks(p);
    if (*p != ']') {
        name[0] = '\0';
        return 0;
    }
    ++p;
    if (*p != '\0' && !IsBlank(*p)) {
        name[0] = '\0';
        return 0;
    }
    return 1;
}

int32_t wdIsEntry(const char* line, char* name, char* value) {
    value[0] = '\0';
    const char* p = nullptr;
    if (!ReadName(line, name, &p)) return 0;
    p = SkipBlanks(p);
    if (*p != '=') {
        name[0] = '\0';
        return 0;
    }
    p = SkipBlanks(p + 1);
    int32_t length = 0;
    while (IsPrintable(*p) && length < INI_LINE_SIZE - 1) value[length++] = *p++;
    value[length] = '\0';
    return 1;
}

}  // namespace vrn
