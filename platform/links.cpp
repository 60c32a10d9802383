// Symbolic-link checks on the host file system, through the drive map.
#include "platform/links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/drives.h"

namespace vrn {

namespace {

// The host path with no trailing separator, so that the link itself is
// examined and not the directory it may point to.
std::string LinkHostPath(const char* path) {
    if (path == nullptr) return {};
    std::string host = HostPath(path);
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

}  // namespace

bool IsSymbolicLink(const char* path) {
    const std::string host = LinkHostPath(path);
    struct stat st {};
    return !host.empty() && ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool RemoveSymbolicLink(const char* path) {
    const std::string host = LinkHostPath(path);
    struct stat st {};
    if (host.empty() || ::lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
    return ::unlink(host.c_str()) == 0;
}

}  // namespace vrn
