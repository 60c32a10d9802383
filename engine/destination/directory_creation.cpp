// Creating a path one directory at a time, on its own drive, with the
// process's current drive and directory put back afterwards.
#include <array>
#include <cstring>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/drives.h"

namespace vrn {

namespace {

// Working copies of paths hold at most this many characters.
constexpr size_t kWorkLength = 255;

bool Exists(const char* path) { return _access(path, ACCESS_EXISTS) == 0; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int DriveNumber(char letter) { return Upper(letter) - 'A' + 1; }

// Creates every missing prefix of `work` ("\\a\\b\\c": \\a, \\a\\b, \\a\\b\\c).
// 0, or message 119's result with the path that was passed in.
int32_t CreatePieces(const char* work, const char* path) {
    char prefix[kWorkLength + 2] = {};
    size_t length = 0;
    if (IsPathSeparator(work[0])) prefix[length++] = '\\';
    // Where each prefix ends in `prefix`, once the pieces are joined.
    std::array<size_t, kWorkLength + 1> ends{};
    size_t count = 0;
    bool plain = true;   // no piece of only dots and blanks ("." or ".."), which names no directory of its own
    bool first = true;
    const char* piece = work;
    while (*piece != '\0') {
        while (IsPathSeparator(*piece)) ++piece;
        const char* end = piece;
        while (*end != '\0' && !IsPathSeparator(*end)) ++end;
        if (end == piece) break;
        if (!first) prefix[length++] = '\\';
        const size_t size = static_cast<size_t>(end - piece);
        if (std::strspn(piece, ". ") >= size) plain = false;
        std::memcpy(prefix + length, piece, size);
        length += size;
        ends[count++] = length;
        first = false;
        piece = end;
    }
    // Of plain pieces, a prefix that exists has every shorter one existing:
    // the search goes back from the whole path (which the caller found
    // missing) to the longest prefix there is, and creation starts after it.
    // A directory made one level below one that exists asks about two paths,
    // not about every directory from the root.
    size_t start = 0;
    const bool searched = plain && count > 1;
    if (searched) {
        for (size_t k = count - 1; k-- > 0;) {
            const char kept = prefix[ends[k]];
            prefix[ends[k]] = '\0';
            const bool exists = Exists(prefix);
            prefix[ends[k]] = kept;
            if (exists) {
                start = k + 1;
                break;
            }
        }
    }
    for (size_t k = start; k < count; ++k) {
        const char kept = prefix[ends[k]];
        prefix[ends[k]] = '\0';
        // Past the longest prefix found, none exists.
        const bool exists = !searched && Exists(prefix);
        if (!exists && _mkdir(prefix) != 0) return DisplayErrorMsg(_installWnd, path, 119);
        prefix[ends[k]] = kept;
    }
    return 0;
}

}  // namespace

void TrimEnd(char* path) {
    char* last = std::strrchr(path, '\\');
    if (last != nullptr) *last = '\0';
}

int32_t CreateDirectoryPath(const char* path, uint8_t kind) {
    if (path[0] != '.' && !(path[0] != '\0' && path[1] == ':') && std::strpbrk(path, "\\/") == nullptr) return 0;

    char kept[kWorkLength + 1] = {};
    bool driveChanged = false;
    const char* body = path;
    if (path[0] != '\0' && path[1] == ':') {
        if (_getcwd(kept, sizeof kept) == nullptr) return DisplayErrorMsg(_installWnd, kept, 128);
        if (kept[0] != path[0]) {
            if (_chdrive(DriveNumber(path[0])) != 0) return DisplayErrorMsg(_installWnd, path, 124);
            driveChanged = true;
        }
        body = path + 2;
    }
    char work[kWorkLength + 1] = {};
    std::strncpy(work, body, kWorkLength);
    if (kind == CREATE_PATH_OF_FILE) {
        char* last = std::strrchr(work, '\\');
        char* slash = std::strrchr(work, '/');
        if (slash != nullptr && (last == nullptr || slash > last)) last = slash;
        if (last != nullptr) *last = '\0';
    }

    int32_t result = 0;
    if (work[0] != '\0' && !Exists(work)) result = CreatePieces(work, path);

    // The caller's drive and directory are restored on every way out. Only
    // the current drive is ever changed here, so a path on the current drive
    // leaves nothing to restore.
    if (driveChanged) {
        if (_chdrive(DriveNumber(kept[0])) != 0) return result != 0 ? result : DisplayErrorMsg(_installWnd, kept, 124);
        if (_chdir(kept) != 0) return result != 0 ? result : DisplayErrorMsg(_installWnd, kept, 122);
    }
    return result;
}

}  // namespace vrn
