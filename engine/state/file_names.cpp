// Joining a directory and a file name into one path, the check that a
// joined path names something present and readable, and the check that a
// relative name stays inside the directory it is joined to.
#include <cstring>
#include <string>

#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

namespace {

// Paths reach the engine in either separator; both count as one here, and
// the joining separator is always a backslash.
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string JoinedFileName(const char* directory, const char* fileName) {
    const char* dir = directory != nullptr ? directory : "";
    const char* name = fileName != nullptr ? fileName : "";
    const size_t length = std::strlen(dir);
    const bool endsWithSeparator = length > 0 && IsSeparator(dir[length - 1]);
    const char c0 = dir[0];
    const char c1 = c0 != '\0' ? dir[1] : '\0';
    const char c2 = c1 != '\0' ? dir[2] : '\0';

    std::string joined;
    if (length == 0) {
        // No directory: the file in the current directory.
        joined = ".\\";
        joined += name;
    } else if (c1 == ':' || c0 == '.' || IsSeparator(c0)) {
        // Drive, dot and rooted forms are kept as given; the separator is
        // added unless the directory already ends with one. "C:" alone and
        // "C:dir" always take one (C: gives C:\name), as do "." and ".."
        // forms that do not begin with ".\".
        bool direct = endsWithSeparator;
        if (c1 == ':') direct = direct && IsSeparator(c2);
        else if (c0 == '.') direct = direct && IsSeparator(c1);
        joined = dir;
        if (!direct) joined += '\\';
        joined += name;
    } else {
        // A plain relative directory is taken below the current directory.
        joined = ".\\";
        joined += dir;
        joined += '\\';
        joined += name;
    }
    return joined;
}

int32_t FormatFileName(const char* directory, const char* fileName, char* out) {
    const std::string joined = JoinedFileName(directory, fileName);
    std::memcpy(out, joined.c_str(), joined.size() + 1);
    return 0;
}

int32_t FindAndCheckFile(const char* directory, const char* fileName) {
    const std::string path = JoinedFileName(directory, fileName);
    if (_access(path.c_str(), ACCESS_EXISTS) != 0) return 0;
    return _access(path.c_str(), ACCESS_READ) == 0 ? 1 : 0;
}

int32_t IsSafeMemberName(const char* memberName) {
    if (memberName[0] == '\0') return 0;
    // Rooted, network (\\srv\share) and drive-letter names land outside.
    if (IsSeparator(memberName[0]) || memberName[1] == ':') return 0;
    const char* piece = memberName;
    for (;;) {
        const char* end = piece;
        while (*end != '\0' && !IsSeparator(*end)) ++end;
        if (end - piece == 2 && piece[0] == '.' && piece[1] == '.') return 0;
        if (*end == '\0') return 1;
        piece = end + 1;
    }
}

}  // namespace vrn
