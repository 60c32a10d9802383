// Removing a directory's contents depth first, a whole tree, one file, and
// the test whether a directory is empty. A symbolic link met in a tree is
// removed as a link; what it points to is never entered.
#include <cstring>
#include <string>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/links.h"
#include "platform/native.h"

namespace vrn {

namespace {

constexpr size_t kPathRoom = 1024;

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// The directory with a trailing '\' when it is longer than one character.
std::string WithSeparator(const char* directory) {
    std::string d = directory;
    if (d.size() > 1 && d.back() != '\\') d += '\\';
    return d;
}

}  // namespace

int32_t RemoveEntry(const char* file) {
    if (_unlink(file) != 0) return DisplayErrorMsg(_installWnd, file, 110);
    return 0;
}

int32_t RemovePath(char* directory) {
    const size_t length = std::strlen(directory);
    if (length > 1 && directory[length - 1] != '\\') {
        directory[length] = '\\';
        directory[length + 1] = '\0';
    }
    const std::string pattern = std::string(directory) + "*.*";
    WIN32_FIND_DATA entry;
    const HANDLE find = FindFirstFile(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;

    int32_t result = 0;
    do {
        if (IsDotEntry(entry.cFileName)) continue;
        char joined[kPathRoom];
        if (std::strlen(directory) + std::strlen(entry.cFileName) + 4 > kPathRoom) {
            result = DisplayErrorMsg(_installWnd, entry.cFileName, 130);
            break;
        }
        FormatFileName(directory, entry.cFileName, joined);
        if (IsSymbolicLink(joined)) {
            if (!RemoveSymbolicLink(joined)) {
                result = DisplayErrorMsg(_installWnd, joined, 110);
                break;
            }
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            char sub[kPathRoom + 2];
            std::strcpy(sub, joined);
            result = RemovePath(sub);
            if (result != 0) break;
            const size_t n = std::strlen(sub);
            if (n > 1 && sub[n - 1] == '\\') sub[n - 1] = '\0';
            if (_rmdir(sub) != 0) {
                result = RESULT_STOP;
                break;
            }
        } else {
            result = RemoveEntry(joined);
            if (result != 0) break;
        }
    } while (FindNextFile(find, &entry));
    FindClose(find);
    return result;
}

int32_t RecursiveDirDelete(const char* directory) {
    if (std::strlen(directory) + 2 > kPathRoom) return DisplayErrorMsg(_installWnd, directory, 120);
    char copy[kPathRoom];
    std::strcpy(copy, directory);
    if (RemovePath(copy) != 0) return DisplayErrorMsg(_installWnd, copy, 120);
    const size_t n = std::strlen(copy);
    if (n > 1 && copy[n - 1] == '\\') copy[n - 1] = '\0';
    // Not standing in the directory that is about to go.
    _chdir("..");
    if (_rmdir(copy) != 0) return DisplayErrorMsg(_installWnd, copy, 120);
    return 0;
}

int32_t EmptyDirectory(const char* directory) {
    const std::string pattern = WithSeparator(directory) + "*.*";
    WIN32_FIND_DATA entry;
    const HANDLE find = FindFirstFile(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 1;
    int32_t empty = 1;
    do {
        if (!IsDotEntry(entry.cFileName)) {
            empty = 0;
            break;
        }
    } while (FindNextFile(find, &entry));
    FindClose(find);
    return empty;
}

}  // namespace vrn
