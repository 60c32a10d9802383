// The constant space of the installation utility's own files, sized on the
// volume that holds them.
#include <cerrno>
#include <cstring>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"

namespace vrn {

namespace {

// The utility's program and help, left out when the caller says so.
constexpr const char* kUtilityFiles[] = {"install.exe", "install.hlp"};
constexpr const char kReleaseNotes[] = "README.VRN";

// The installed size of one file of the directory: 1 with *size set, or 0
// when the name cannot be joined (nothing reported) or the file cannot be
// opened (reported).
bool InstalledSize(const char* directory, const char* name, uint32_t* size) {
    // The joined path must fit a working copy.
    if (std::strlen(directory) + std::strlen(name) + 2 > DESTINATION_PATH_MAX) return false;
    char path[DESTINATION_PATH_MAX + 4];
    FormatFileName(directory, name, path);
    if (std::strlen(path) > DESTINATION_PATH_MAX) return false;
    const UtDescriptor file(utopendll(path, _O_RDONLY | _O_BINARY, -1, 0, _pgc));
    if (file.fd < 0) {
        ProcessFileError(nullptr, errno, 103, path);
        return false;
    }
    *size = AcquireFileSize(file.fd, path);
    return true;
}

}  // namespace

uint32_t CalcConstDiskSpace(const char* setupDirectory, uint8_t skipUtilityFiles) {
    uint32_t total = 0;
    uint32_t size = 0;
    if (!skipUtilityFiles) {
        for (const char* name : kUtilityFiles) {
            if (!InstalledSize(setupDirectory, name, &size)) return 0;
            total += size;
        }
    }
    if (!InstalledSize(setupDirectory, kReleaseNotes, &size)) return 0;
    total += size;
    _constDiskSpace = total;
    return total;
}

}  // namespace vrn
