// Reading a whole text file into a NUL-terminated heap buffer.
#include <cerrno>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {

char* ReadFileData(const char* directory, const char* fileName) {
    const std::string path = tables_detail::TablePath(directory, fileName);
    UtDescriptor file(utopendll(path.c_str(), _O_RDONLY | _O_TEXT, -1, 0, _pgc));
    if (file.fd < 0) {
        ProcessFileError(_installWnd, errno, 103, path.c_str());
        return nullptr;
    }
    const uint32_t size = AcquireFileSizeCurrent(file.fd, path.c_str());
    if (size == 0 || size == UINT32_MAX) return nullptr;
    UtBlock buffer(utmalloc(size + 1));
    if (buffer.p == nullptr) {
        utclose(file.release(), 0);
        DisplayErrorMsg(_installWnd, nullptr, 601);
        return nullptr;
    }
    // Text mode may deliver fewer bytes than the size (CR LF pairs, Ctrl-Z).
    const int got = _read(file.fd, buffer.p, size + 1);
    if (got < 0) {
        const int saved = errno;
        utfree(buffer.release());
        ProcessFileError(_installWnd, saved, 106, path.c_str());
        return nullptr;
    }
    static_cast<char*>(buffer.p)[got] = '\0';
    return static_cast<char*>(buffer.release());
}

}  // namespace vrn
