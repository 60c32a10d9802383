// Symbolic-link checks on the host file system, through the drive map.
#include "platform/links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/drives.h"
#include "platform/posix/fault_hooks.h"
#include "platform/posix/posix_internal.h"

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

// One resolution keeps the actual spelling of every component that exists,
// so the host path can then be walked directly; the status it took of the
// path itself stands for the last step.
bool RemoveLinksOnTheWay(const char* path, int depth, bool& directoryFound) {
    if (path == nullptr) return true;
    const host::ResolvedEntry resolved = host::ResolveEntry(path);
    std::string host = resolved.host;
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    if (host.empty() || depth <= 0) return true;
    size_t start = host.size();
    for (int i = 0; i < depth; ++i) {
        start = host.rfind('/', start - 1);
        // Fewer components than asked for: nothing is touched above the root.
        if (start == std::string::npos || start == 0) return true;
    }
    for (size_t at = start; at != std::string::npos;) {
        const size_t next = host.find('/', at + 1);
        const std::string prefix = host.substr(0, next);
        struct stat st {};
        const bool found = prefix == resolved.host ? host::OwnStatus(resolved, st) : ::lstat(prefix.c_str(), &st) == 0;
        if (!found) return true;   // nothing below exists
        if (S_ISLNK(st.st_mode)) {
            if (host::ChangeFails(FaultOp::Remove, prefix) || ::unlink(prefix.c_str()) != 0) return false;
            host::NoteEntryChanged(prefix);
            return true;
        }
        if (next == std::string::npos) directoryFound = S_ISDIR(st.st_mode);
        at = next;
    }
    return true;
}

}  // namespace

bool IsSymbolicLink(const char* path) { return IsLink(LinkHostPath(path)); }

bool RemoveSymbolicLink(const char* path) {
    const std::string host = LinkHostPath(path);
    if (!IsLink(host)) return false;
    if (host::ChangeFails(FaultOp::Remove, host) || ::unlink(host.c_str()) != 0) return false;
    host::NoteEntryChanged(host);
    return true;
}

bool RemoveLinksBelow(const char* path, int depth, bool* isDirectory) {
    bool directoryFound = false;
    const bool removed = RemoveLinksOnTheWay(path, depth, directoryFound);
    if (isDirectory != nullptr) *isDirectory = directoryFound;
    return removed;
}

}  // namespace vrn
