// Reading one member header from the archive: 539 masked bytes, unmasked
// into the in-memory record and checked against their header CRC.
#include <cerrno>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

int32_t ReadFileHeaderData(ArchiveFileHeader* header, int32_t fd, const char* archivePath, const uint32_t* crcTable,
                           int32_t* error) {
    *error = 0;
    // A short header at the end of the archive is checked as it stands; the
    // part that was not read counts as zero bytes.
    uint8_t raw[ARCHIVE_HEADER_SIZE] = {};
    uint32_t got = 0;
    while (got < ARCHIVE_HEADER_SIZE) {
        const int n = _read(fd, raw + got, ARCHIVE_HEADER_SIZE - got);
        if (n < 0) {
            *error = ProcessFileError(nullptr, errno, 106, archivePath);
            return 0;
        }
        if (n == 0) break;
        got += static_cast<uint32_t>(n);
    }
    if (got == 0) return 0;

    if (UnmaskFileHeader(raw, header, crcTable) == 0) {
        *error = DisplayErrorMsg(_installWnd, header->fileName, 129);
        return 0;
    }
    return 1;
}

}  // namespace vrn
