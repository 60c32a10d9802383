// Joining a directory and a file name into one path, the check that a
// joined path names something present and readable, and the check that a
// relative name stays inside the directory it is joined to.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

namespace {

// The pieces of a join, in order: a leading ".\" or none, the directory,
// a separator or none, the name.
struct JoinPieces {
    const char* lead;
    std::string_view dir;
    bool separator;
    std::string_view name;
    size_t size() const { return std::strlen(lead) + dir.size() + (separator ? 1 : 0) + name.size(); }
};

// Only the backslash counts as a separator in a join: paths typed with '/'
// are given their Windows form once, where they enter the system (the
// programs' arguments, the drive-map file).
JoinPieces PiecesOfJoin(const char* directory, const char* fileName) {
    const char* dir = directory != nullptr ? directory : "";
    const std::string_view name = fileName != nullptr ? fileName : "";
    const size_t length = std::strlen(dir);
    const bool endsWithSeparator = length > 0 && dir[length - 1] == '\\';
    const char c0 = dir[0];
    const char c1 = c0 != '\0' ? dir[1] : '\0';
    const char c2 = c1 != '\0' ? dir[2] : '\0';

    // No directory: the file in the current directory.
    if (length == 0) return {".\\", {}, false, name};
    if (c1 == ':' || c0 == '.' || c0 == '\\') {
        // Drive, dot and rooted forms are kept as given; the separator is
        // added unless the directory already ends with one. "C:" alone and
        // "C:dir" always take one (C: gives C:\name), as do "." and ".."
        // forms that do not begin with ".\".
        bool direct = endsWithSeparator;
        if (c1 == ':') direct = direct && c2 == '\\';
        else if (c0 == '.') direct = direct && c1 == '\\';
        return {"", {dir, length}, !direct, name};
    }
    // A plain relative directory is taken below the current directory.
    return {".\\", {dir, length}, true, name};
}

// Writes the joined path at `out` and returns the end of it (not written).
char* WriteJoin(const JoinPieces& p, char* out) {
    for (const char* c = p.lead; *c != '\0'; ++c) *out++ = *c;
    out = std::copy(p.dir.begin(), p.dir.end(), out);
    if (p.separator) *out++ = '\\';
    return std::copy(p.name.begin(), p.name.end(), out);
}

std::string JoinOf(const JoinPieces& pieces) {
    std::string joined(pieces.size(), '\0');
    WriteJoin(pieces, joined.data());
    return joined;
}

}  // namespace

std::string JoinedFileName(const char* directory, const char* fileName) {
    return JoinOf(PiecesOfJoin(directory, fileName));
}

int32_t FormatFileName(const char* directory, const char* fileName, char* out) {
    const JoinPieces pieces = PiecesOfJoin(directory, fileName);
    // The output may be the directory's own buffer: then the join is made
    // aside first.
    const auto overlaps = [&](std::string_view piece) {
        return !piece.empty() && std::less_equal<const char*>()(out, piece.data() + piece.size()) &&
               std::less_equal<const char*>()(piece.data(), out + pieces.size());
    };
    if (overlaps(pieces.dir) || overlaps(pieces.name)) {
        const std::string joined = JoinOf(pieces);
        std::memcpy(out, joined.c_str(), joined.size() + 1);
        return 0;
    }
    *WriteJoin(pieces, out) = '\0';
    return 0;
}

int32_t FindAndCheckFile(const char* directory, const char* fileName) {
    const std::string path = JoinedFileName(directory, fileName);
    if (_access(path.c_str(), ACCESS_EXISTS) != 0) return 0;
    return _access(path.c_str(), ACCESS_READ) == 0 ? 1 : 0;
}

int32_t IsSafeMemberName(const char* memberName) {
    if (memberName[0] == '\0') return 0;
    // Rooted, network (\\srv\share) and drive-letter names land outside;
    // either separator may lead a member name out of its directory.
    if (IsPathSeparator(memberName[0]) || memberName[1] == ':') return 0;
    const char* piece = memberName;
    for (;;) {
        const char* end = piece;
        while (*end != '\0' && !IsPathSeparator(*end)) ++end;
        if (end - piece == 2 && piece[0] == '.' && piece[1] == '.') return 0;
        if (*end == '\0') return 1;
        piece = end + 1;
    }
}

}  // namespace vrn
