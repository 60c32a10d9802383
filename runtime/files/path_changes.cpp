// Creating, deleting and renaming files and directories. Each routine leaves
// an operating-system error code on failure and the stored code untouched
// on success.
#include <string>

#include "platform/native.h"
#include "runtime/files/files.h"
#include "runtime/files/files_internal.h"

namespace vrn {

using files::StoreLastError;

namespace {

// Deletes a directory and everything below it, passing over entries whose
// names begin with a dot.
void DeleteEntriesOf(const char* directory) {
    WIN32_FIND_DATA entry;
    const std::string pattern = files::ListPattern(directory);
    const HANDLE find = FindFirstFile(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    std::string base(directory);
    if (base.empty() || base.back() != '\\') base += '\\';
    do {
        if (entry.cFileName[0] == '.') continue;
        const std::string child = base + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            utRecurseDel(child.c_str());
        } else {
            utDeleteFile(child.c_str());
        }
    } while (FindNextFile(find, &entry));
    FindClose(find);
}

// Whether the directory holds an entry whose name does not begin with a dot.
bool HoldsVisibleEntries(const char* directory) {
    WIN32_FIND_DATA entry;
    const std::string pattern = files::ListPattern(directory);
    const HANDLE find = FindFirstFile(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        if (entry.cFileName[0] != '.') found = true;
    } while (!found && FindNextFile(find, &entry));
    FindClose(find);
    return found;
}

// The checks utDeleteDir and utRecurseDel share; false with the code stored.
bool DirectoryMayBeRemoved(const char* path) {
    if (utIsFile(path)) {
        utSetOsError(UT_ERR_IS_FILE);
        return false;
    }
    if (!utIsDir(path)) {
        utSetOsError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!utHaveAccess(path)) {
        utSetOsError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

}  // namespace

void utCreateDir(const char* path) {
    if (utIsDir(path)) return;
    if (utIsFile(path)) {
        utSetOsError(ERROR_FILE_EXISTS);
        return;
    }
    if (!CreateDirectory(path)) {
        const DWORD error = GetLastError();
        utSetOsError(error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error);
    }
}

void utDeleteFile(const char* path) {
    if (utIsDir(path)) {
        utSetOsError(UT_ERR_IS_DIR);
        return;
    }
    if (!utIsFile(path)) {
        utSetOsError(ERROR_FILE_NOT_FOUND);
        return;
    }
    if (!utHaveAccess(path)) {
        utSetOsError(ERROR_ACCESS_DENIED);
        return;
    }
    if (!DeleteFile(path)) StoreLastError();
}

void utDeleteDir(const char* path) {
    if (!DirectoryMayBeRemoved(path)) return;
    if (HoldsVisibleEntries(path)) {
        utSetOsError(ERROR_DIR_NOT_EMPTY);
        return;
    }
    if (!RemoveDirectory(path)) StoreLastError();
}

void utRecurseDel(const char* path) {
    if (!DirectoryMayBeRemoved(path)) return;
    DeleteEntriesOf(path);
    utDeleteDir(path);
}

void utRename(const char* oldPath, const char* newPath) {
    if (!utIsFile(oldPath) && !utIsDir(oldPath)) {
        utSetOsError(ERROR_FILE_NOT_FOUND);
        return;
    }
    if (utIsFile(newPath) || (utIsDir(newPath) && utIsDir(oldPath))) {
        utSetOsError(ERROR_FILE_EXISTS);
        return;
    }
    // Both names go to the platform in upper case, so the renamed entry
    // carries an upper-case name.
    std::string from(oldPath);
    std::string to(newPath);
    CharUpper(from.data());
    CharUpper(to.data());
    if (!MoveFile(from.c_str(), to.c_str())) StoreLastError();
}

}  // namespace vrn
