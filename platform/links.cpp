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

bool IsLink(const std::string& host) {
    struct stat st {};
    return !host.empty() && ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

bool IsSymbolicLink(const char* path) { return IsLink(LinkHostPath(path)); }

bool RemoveSymbolicLink(const char* path) {
    const std::string host = LinkHostPath(path);
    if (!IsLink(host)) return false;
    return ::unlink(host.c_str()) == 0;
}

bool RemoveLinksBelow(const char* base, const char* path) {
    // Both are resolved once; resolution keeps the actual spelling of every
    // component that exists, so the host path below the base can be walked
    // directly, one component at a time.
    const std::string hostBase = LinkHostPath(base);
    const std::string hostPath = LinkHostPath(path);
    if (hostBase.empty() || hostPath.size() <= hostBase.size() ||
        hostPath.compare(0, hostBase.size(), hostBase) != 0 ||
        (hostBase != "/" && hostPath[hostBase.size()] != '/'))
        return true;
    size_t at = hostBase.size() + (hostBase == "/" ? 0 : 1);
    for (;;) {
        const size_t slash = hostPath.find('/', at);
        const std::string prefix = hostPath.substr(0, slash);
        struct stat st {};
        if (::lstat(prefix.c_str(), &st) != 0) return true;   // nothing below exists
        if (S_ISLNK(st.st_mode)) return ::unlink(prefix.c_str()) == 0;
        if (slash == std::string::npos) return true;
        at = slash + 1;
    }
}

}  // namespace vrn
