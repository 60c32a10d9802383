// Copying a file over another, or onto its end.
#include <array>

#include "platform/native.h"
#include "runtime/files/files.h"
#include "runtime/files/files_internal.h"

namespace vrn {

using files::StoreLastError;

namespace {

constexpr DWORD APPEND_BLOCK = 4096;

// Appends the source's bytes to the destination in blocks, each written
// under a lock on the range it fills.
void AppendFile(const char* source, const char* destination) {
    const HANDLE in = CreateFile(source, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (in == INVALID_HANDLE_VALUE) {
        StoreLastError();
        return;
    }
    const HANDLE out = CreateFile(destination, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (out == INVALID_HANDLE_VALUE) {
        StoreLastError();
        CloseHandle(in);
        return;
    }
    std::array<char, APPEND_BLOCK> block;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, block.data(), APPEND_BLOCK, &got)) {
            StoreLastError();
            break;
        }
        if (got > 0) {
            const DWORD end = SetFilePointer(out, 0, nullptr, FILE_END);
            const bool locked = end != INVALID_SET_FILE_POINTER && LockFile(out, end, 0, got, 0);
            DWORD written = 0;
            const bool wrote = WriteFile(out, block.data(), got, &written) && written == got;
            if (!wrote) StoreLastError();
            if (locked) UnlockFile(out, end, 0, got, 0);
            if (!wrote) break;
        }
        if (got < APPEND_BLOCK) break;
    }
    CloseHandle(out);
    CloseHandle(in);
}

}  // namespace

void utCopyFile(const char* source, const char* destination, int32_t append) {
    if (utIsDir(source)) {
        utSetOsError(UT_ERR_IS_DIR);
        return;
    }
    if (!utIsFile(source)) {
        utSetOsError(ERROR_FILE_NOT_FOUND);
        return;
    }
    const bool destinationIsFile = utIsFile(destination) != 0;
    const bool destinationIsDir = utIsDir(destination) != 0;
    if ((destinationIsFile || destinationIsDir) && !utHaveAccess(destination)) {
        utSetOsError(ERROR_ACCESS_DENIED);
        return;
    }
    if ((!destinationIsFile && !destinationIsDir) || append == 0) {
        if (!CopyFile(source, destination, 0)) StoreLastError();
        return;
    }
    AppendFile(source, destination);
}

}  // namespace vrn
