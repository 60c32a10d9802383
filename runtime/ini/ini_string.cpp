// Lookups in a named initialization file with fallback to the default one.
#include <cstring>

#include "runtime/ini/ini.h"
#include "runtime/strings/strings.h"

namespace vrn {

const char _szIniExt[] = ".ini";

namespace {

constexpr int32_t FILE_NAME_SIZE = 260;

// Looks the key up with the marker as default; true when something else came.
bool Found(const char* file, const char* section, const char* key, char* buffer, int32_t size) {
    wdGetPrivateProfileString(section, key, INI_ABSENT_MARKER, buffer, size, file);
    return std::strcmp(buffer, INI_ABSENT_MARKER) != 0;
}

}  // namespace

int32_t wdGetIniString(const char* file, const char* section, const char* key, char* buffer, int32_t size,
                       int32_t fallback) {
    if (size < 2) return 0;   // nothing can be copied, not even the marker
    if (file == nullptr) return Found(wdDefaultIniFile(), section, key, buffer, size) ? 1 : 0;

    char name[FILE_NAME_SIZE];
    int32_t room = FILE_NAME_SIZE - 1 - static_cast<int32_t>(sizeof _szIniExt - 1);
    stncop(name, file, room);
    if (std::strchr(name, '.') == nullptr) std::strcat(name, _szIniExt);
    if (Found(name, section, key, buffer, size)) return 1;
    if (fallback == 0) return 0;
    return Found(wdDefaultIniFile(), section, key, buffer, size) ? 2 : 0;
}

}  // namespace vrn
