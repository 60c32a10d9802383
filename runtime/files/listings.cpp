// Directory listings: find-first/next on a caller's find record, and the
// handle-based listing whose handles come from the runtime's storage pool.
#include <cstring>

#include "platform/native.h"
#include "runtime/files/files.h"
#include "runtime/files/files_internal.h"
#include "runtime/report/report.h"

namespace vrn {

int32_t utFindFirst(const char* pattern, uint32_t attributes, UtFindRecord* find) {
    // The mask lands in the find data, which the listing then overwrites:
    // every listing includes directories, hidden and system entries.
    find->data.dwFileAttributes = attributes;
    find->handle = FindFirstFile(pattern, &find->data);
    if (find->handle == INVALID_HANDLE_VALUE) return static_cast<int32_t>(GetLastError());
    return 0;
}

int32_t utFindNext(UtFindRecord* find) {
    if (!FindNextFile(find->handle, &find->data)) return static_cast<int32_t>(GetLastError());
    return 0;
}

int32_t utFindClose(UtFindRecord* find) {
    FindClose(find->handle);
    find->handle = INVALID_HANDLE_VALUE;
    return static_cast<int32_t>(GetLastError());
}

void utDirStart(UtDirHandle* handle, const char* path) {
    handle->name[0] = '\0';
    handle->exhausted = false;
    const std::string pattern = files::ListPattern(path);
    handle->findHandle = FindFirstFile(pattern.c_str(), &handle->data);
    if (handle->findHandle == INVALID_HANDLE_VALUE) handle->exhausted = true;
}

UtDirHandle* utDirOpendll(const char* path, void* /*context*/) {
    if (!utIsDir(path)) return nullptr;
    auto* handle = static_cast<UtDirHandle*>(strent());
    if (handle == nullptr) return nullptr;
    utDirStart(handle, path);
    return handle;
}

char* utDirNext(UtDirHandle* handle) {
    if (handle == nullptr || handle->exhausted) return nullptr;
    std::strncpy(handle->name, handle->data.cFileName, sizeof handle->name - 1);
    handle->name[sizeof handle->name - 1] = '\0';
    if (!FindNextFile(handle->findHandle, &handle->data)) {
        FindClose(handle->findHandle);
        handle->findHandle = INVALID_HANDLE_VALUE;
        handle->exhausted = true;
    }
    return handle->name;
}

void utDirClose(void* /*context*/, UtDirHandle* handle) {
    // A listing given up before its end still holds its find handle.
    if (handle != nullptr && !handle->exhausted && handle->findHandle != INVALID_HANDLE_VALUE) {
        FindClose(handle->findHandle);
        handle->findHandle = INVALID_HANDLE_VALUE;
        handle->exhausted = true;
    }
    stvacate();
}

}  // namespace vrn
