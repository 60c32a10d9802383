// Reading stored areas of the table files.
#include "engine/tables/stored_fields.h"

#include <cstring>

#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn::tables_detail {

ReadOutcome ReadArea(int32_t fd, void* buffer, uint32_t length) {
    const int got = _read(fd, buffer, length);
    if (got < 0) return ReadOutcome::Failed;
    if (got == 0 && length > 0) return ReadOutcome::EndOfFile;
    if (static_cast<uint32_t>(got) != length) return ReadOutcome::Short;
    return ReadOutcome::Complete;
}

bool RecordsFit(int32_t fd, uint32_t count, uint32_t storedSize) {
    const uint64_t needed = uint64_t{count} * storedSize;
    if (needed > UINT32_MAX) return false;
    const int64_t length = _filelength(fd);
    const int64_t position = _tell(fd);
    if (length < 0 || position < 0) return false;
    return position <= length && needed <= static_cast<uint64_t>(length - position);
}

std::string TablePath(const char* directory, const char* fileName) {
    const size_t room = std::strlen(directory != nullptr ? directory : "") +
                        std::strlen(fileName != nullptr ? fileName : "") + 4;
    std::string path(room, '\0');
    FormatFileName(directory, fileName, path.data());
    path.resize(std::strlen(path.c_str()));
    return path;
}

}  // namespace vrn::tables_detail
