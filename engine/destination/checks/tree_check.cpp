// The look through a directory tree before its contents are replaced: the
// first file that removal would stop at because it may not be written, and
// the bytes that removing the tree frees.
#include <cstring>
#include <string>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/links.h"
#include "platform/native.h"

namespace vrn {

namespace {

bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// Removal needs a file that may be both read and written.
bool Removable(const char* file) { return _access(file, ACCESS_READ_WRITE) == 0; }

// Copies a path into a 256-byte out buffer when it fits; a longer one is
// never cut, the buffer is left empty.
void CopyName(const std::string& path, char* out) {
    if (path.size() > DESTINATION_PATH_MAX) {
        out[0] = '\0';
        return;
    }
    std::memcpy(out, path.c_str(), path.size() + 1);
}

// The walk itself; `directory` ends with '\' unless it is empty.
int32_t Walk(const std::string& directory, std::string& badFile, uint32_t& totalBytes) {
    const std::string pattern = directory + "*.*";
    WIN32_FIND_DATA entry;
    const HANDLE find = FindFirstFile(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;

    int32_t result = 0;
    do {
        if (IsDotEntry(entry.cFileName)) continue;
        const std::string path = directory + entry.cFileName;
        // Removal takes a link away as a link, whatever it points to: it is
        // neither entered nor in the way, and frees nothing worth counting.
        if (IsSymbolicLink(path.c_str())) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            result = Walk(path + '\\', badFile, totalBytes);
        } else if (!Removable(path.c_str())) {
            badFile = path;
            result = RESULT_STOP;
        } else {
            // The total is a 32-bit count and wraps past 4 GiB.
            totalBytes += entry.nFileSizeLow;
        }
    } while (result == 0 && FindNextFile(find, &entry));
    FindClose(find);
    return result;
}

std::string WithSeparator(std::string directory) {
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    return directory;
}

}  // namespace

int32_t CheckTree(const std::string& directory, std::string& badFile, uint32_t& totalBytes) {
    badFile.clear();
    totalBytes = 0;
    return Walk(WithSeparator(directory), badFile, totalBytes);
}

int32_t RecursiveCheckFiles(const char* directory, char* badFile, uint32_t* totalBytes) {
    std::string found;
    const int32_t result = CheckTree(directory, found, *totalBytes);
    CopyName(found, badFile);
    return result;
}

int32_t CheckPath(char* directory, char* badFile, uint32_t* totalBytes) {
    const size_t length = std::strlen(directory);
    if (length > 0 && directory[length - 1] != '\\') {
        directory[length] = '\\';
        directory[length + 1] = '\0';
    }
    std::string found;
    const int32_t result = Walk(directory, found, *totalBytes);
    if (result != 0) CopyName(found, badFile);
    return result;
}

int32_t CheckEntry(const char* file, char* badFile) {
    if (Removable(file)) return 0;
    CopyName(file, badFile);
    return RESULT_STOP;
}

}  // namespace vrn
