// Find-first/next listings over a wildcard in the last component, with the
// platform's name matching. A listing takes its entries when it begins:
// "." and ".." first, then the names in upper-case order, as the platform's
// file systems hand them out, each with its short name where its own name
// does not fit 8.3.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/handles.h"
#include "platform/posix/posix_internal.h"
#include "platform/native.h"

namespace vrn {

namespace {

bool MatchPlain(const char* p, const char* n) {
    // Iterative '*' matching with one backtracking point.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p == '?' || (*p && host::UpperChar(*p) == host::UpperChar(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

bool FillEntry(const std::string& hostPath, const std::string& name, WIN32_FIND_DATA& out) {
    if (name.size() >= sizeof out.cFileName) return false;   // a name the platform cannot hold
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0 && ::lstat(hostPath.c_str(), &st) != 0) return false;
    out = WIN32_FIND_DATA{};
    out.dwFileAttributes = host::AttributesFromStat(st, name);
    out.ftCreationTime = FileTimeFromUnix(st.st_ctime);
    out.ftLastAccessTime = FileTimeFromUnix(st.st_atime);
    out.ftLastWriteTime = FileTimeFromUnix(st.st_mtime);
    if (!S_ISDIR(st.st_mode)) {
        const auto size = static_cast<uint64_t>(st.st_size);
        out.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        out.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    std::memcpy(out.cFileName, name.c_str(), name.size() + 1);
    return true;
}

std::string UpperName(const std::string& s) {
    std::string u = s;
    for (char& c : u) c = host::UpperChar(c);
    return u;
}

}  // namespace

bool WildcardMatch(const char* pattern, const char* name) {
    if (pattern == nullptr || name == nullptr) return false;
    const std::string_view p(pattern);
    if (p == "*" || p == "*.*") return true;
    if (MatchPlain(pattern, name)) return true;
    // "x.*" also matches "x" (a name without an extension), and a pattern
    // ending in a dot matches only names without one.
    if (p.size() >= 2 && p.substr(p.size() - 2) == ".*") {
        const std::string shorter(p.substr(0, p.size() - 2));
        if (std::strchr(name, '.') == nullptr && MatchPlain(shorter.c_str(), name)) return true;
    }
    if (p.size() >= 1 && p.back() == '.' && p.find_first_not_of('.') != std::string_view::npos) {
        const std::string shorter(p.substr(0, p.size() - 1));
        if (std::strchr(name, '.') == nullptr && MatchPlain(shorter.c_str(), name)) return true;
    }
    return false;
}

HANDLE FindFirstFile(const char* pattern, WIN32_FIND_DATA* data) {
    if (pattern == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string_view p(pattern);
    size_t cut = p.find_last_of("\\/");
    std::string dirPart, namePart;
    if (cut != std::string_view::npos) {
        dirPart = std::string(p.substr(0, cut + 1));
        namePart = std::string(p.substr(cut + 1));
    } else if (p.size() >= 2 && p[1] == ':') {
        dirPart = std::string(p.substr(0, 2));
        namePart = std::string(p.substr(2));
    } else {
        dirPart = ".";
        namePart = std::string(p);
    }
    if (namePart.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    host::ResolvedEntry dir;
    DWORD error = 0;
    if (!host::ResolveForHost(dirPart.c_str(), dir, error)) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (namePart.find_first_of("<>|\":") != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    DIR* d = ::opendir(dir.host.c_str());
    if (d == nullptr) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> names;
    std::vector<std::string> allNames;   // the short names depend on every entry
    const bool wild = HasWildcard(namePart);
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        allNames.push_back(n);
        if (wild ? WildcardMatch(namePart.c_str(), n.c_str()) : host::SameNameIgnoringCase(n, namePart))
            names.push_back(n);
    }
    ::closedir(d);
    const bool needShortNames = std::any_of(names.begin(), names.end(),
                                            [](const std::string& n) { return !host::FitsShortForm(n); });
    const auto shortNames =
        needShortNames ? host::ShortNamesOf(std::move(allNames)) : std::unordered_map<std::string, std::string>();
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = UpperName(a), ub = UpperName(b);
        return ua != ub ? ua < ub : a < b;
    });

    host::HandleObject listing;
    listing.kind = host::HandleObject::Kind::Find;
    WIN32_FIND_DATA entry;
    for (const char* dot : {".", ".."})
        if (wild && WildcardMatch(namePart.c_str(), dot) &&
            FillEntry(dot[1] ? host::HostParent(dir.host) : dir.host, dot, entry))
            listing.entries.push_back(entry);
    for (const std::string& n : names)
        if (FillEntry(host::JoinHost(dir.host, n), n, entry)) {
            if (const auto alt = shortNames.find(n); alt != shortNames.end() && !host::FitsShortForm(n) &&
                                                     alt->second.size() < sizeof entry.cAlternateFileName)
                std::memcpy(entry.cAlternateFileName, alt->second.c_str(), alt->second.size() + 1);
            listing.entries.push_back(entry);
        }
    if (listing.entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = listing.entries[0];
    listing.next = 1;
    SetLastError(ERROR_SUCCESS);
    return host::AddHandle(std::move(listing));
}

BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA* data) {
    host::HandleObject* o = host::LookupHandle(find, host::HandleObject::Kind::Find);
    if (o == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (o->next >= o->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return 0;
    }
    *data = o->entries[o->next++];
    return 1;
}

BOOL FindClose(HANDLE find) {
    if (host::LookupHandle(find, host::HandleObject::Kind::Find) == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    host::RemoveHandle(find);
    return 1;
}

}  // namespace vrn
