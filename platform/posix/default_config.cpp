// The platform state when no drive-map file is named: the host's file system
// is drive C:, and the host's working directory is C:'s current directory.
#include <unistd.h>

#include <string>

#include "platform/host_internal.h"

namespace vrn {

PlatformConfig host::DefaultPlatformConfig() {
    PlatformConfig config;
    DriveMapping c;
    c.hostRoot = "/";
    c.kind = DriveKind::Fixed;
    config.drives[2] = c;
    std::string cwd = "C:\\";
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer) != nullptr) {
        std::string host = buffer;
        for (char& ch : host)
            if (ch == '/') ch = '\\';
        cwd = "C:" + (host == "\\" ? std::string("\\") : host);
    }
    config.currentDirectory = cwd;
    return config;
}

}  // namespace vrn
