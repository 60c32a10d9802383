// Short (8.3) names: the form of a name that the platform's older programs
// and batch files can use, and the short form of a whole path.
//
// The host keeps no short names, so they are computed from a directory's
// contents: a name that already fits 8.3 is its own short name (in upper
// case); every other name takes its first valid characters, "~N" and the
// first three characters of its extension, N counting up, in the
// directory's name order, past every short name already taken. The same
// directory contents so always give the same short names.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_set>

#include "platform/posix/posix_internal.h"
#include "platform/native.h"

namespace vrn {

namespace {

constexpr size_t kBaseMax = 8;
constexpr size_t kExtensionMax = 3;
constexpr size_t kGeneratedBaseMax = 6;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters a short name may hold beside letters and digits; bytes of the
// code page's upper half are allowed too.
bool IsShortNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) return true;
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) return true;
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != '\0';
}

// One character of a long name in its short form: upper case, "" for the
// blanks and dots that short names drop, '_' for anything else not allowed.
void AppendShortChar(std::string& out, char c) {
    if (c == ' ' || c == '.') return;
    out += IsShortNameChar(c) ? host::UpperChar(c) : '_';
}

std::string UpperName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = host::UpperChar(c);
    return upper;
}

// The generated short name's base and extension, before a number is added.
void ShortParts(std::string_view name, std::string& base, std::string& extension) {
    base.clear();
    extension.clear();
    // Leading dots do not start an extension (".profile" has none).
    const size_t start = name.find_first_not_of('.');
    if (start == std::string_view::npos) return;
    const std::string_view rest = name.substr(start);
    const size_t dot = rest.find_last_of('.');
    const std::string_view longBase = dot == std::string_view::npos ? rest : rest.substr(0, dot);
    for (const char c : longBase) AppendShortChar(base, c);
    if (dot != std::string_view::npos)
        for (const char c : rest.substr(dot + 1)) {
            if (extension.size() == kExtensionMax) break;
            AppendShortChar(extension, c);
        }
}

std::string Numbered(const std::string& base, const std::string& extension, unsigned number) {
    const std::string tail = "~" + std::to_string(number);
    // The base shrinks as the number grows, so that it stays within eight.
    const size_t keep = std::min({base.size(), kGeneratedBaseMax, kBaseMax - tail.size()});
    std::string name = base.substr(0, keep) + tail;
    if (!extension.empty()) name += "." + extension;
    return name;
}

// The names of a host directory, "." and ".." left out; false when it
// cannot be read.
bool ReadNames(const std::string& hostDir, std::vector<std::string>& names) {
    DIR* d = ::opendir(hostDir.c_str());
    if (d == nullptr) return false;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    return true;
}

}  // namespace

bool host::FitsShortForm(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    const size_t dot = name.find('.');
    if (dot != std::string_view::npos && name.find('.', dot + 1) != std::string_view::npos) return false;
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > kBaseMax || extension.size() > kExtensionMax) return false;
    if (dot != std::string_view::npos && extension.empty()) return false;
    for (const char c : base)
        if (!IsShortNameChar(c)) return false;
    for (const char c : extension)
        if (!IsShortNameChar(c)) return false;
    return true;
}

std::unordered_map<std::string, std::string> host::ShortNamesOf(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = UpperName(a), ub = UpperName(b);
        return ua != ub ? ua < ub : a < b;
    });
    std::unordered_set<std::string> taken;
    for (const std::string& n : names)
        if (FitsShortForm(n)) taken.insert(UpperName(n));
    std::unordered_map<std::string, std::string> shortNames;
    std::string base, extension;
    for (const std::string& n : names) {
        if (FitsShortForm(n)) {
            shortNames.emplace(n, UpperName(n));
            continue;
        }
        ShortParts(n, base, extension);
        for (unsigned number = 1;; ++number) {
            std::string candidate = Numbered(base, extension, number);
            if (taken.insert(candidate).second) {
                shortNames.emplace(n, std::move(candidate));
                break;
            }
        }
    }
    return shortNames;
}

DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD size) {
    if (longPath == nullptr || (shortPath == nullptr && size > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    host::ResolvedEntry whole;
    DWORD error = 0;
    if (!host::ResolveForHost(longPath, whole, error)) {
        SetLastError(error);
        return 0;
    }

    // The part before the first name is kept as written: a share, a drive
    // with or without its root, a root, or nothing for a relative path.
    const std::string_view path(longPath);
    size_t at = 0;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        at = 2;
        for (int part = 0; part < 2; ++part) {
            while (at < path.size() && !IsSeparator(path[at])) ++at;
            if (part == 0 && at < path.size()) ++at;
        }
    } else if (path.size() >= 2 && path[1] == ':') {
        at = 2;
    }
    std::string out(path.substr(0, at));
    std::replace(out.begin(), out.end(), '/', '\\');

    // Each name in turn: the entry must exist, and its short name comes from
    // its directory's contents.
    std::string walked = out;
    while (at < path.size()) {
        if (IsSeparator(path[at])) {
            if (out.empty() || out.back() != '\\') out += '\\';
            walked += '\\';
            ++at;
            continue;
        }
        size_t end = at;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string_view name = path.substr(at, end - at);
        walked += name;
        at = end;
        if (name == "." || name == "..") {
            out += name;
            continue;
        }
        const host::ResolvedEntry entry = host::ResolveEntry(walked);
        struct stat st {};
        if (!entry.ok || !host::OwnStatus(entry, st)) {
            // A missing directory on the way is a missing path; only the
            // last name missing is a missing file.
            const bool last = path.find_first_not_of("\\/", at) == std::string_view::npos;
            SetLastError(entry.ok && last ? host::ErrorForHostPath(errno, entry.host) : ERROR_PATH_NOT_FOUND);
            return 0;
        }
        const std::string leaf(host::HostLeaf(entry.host));
        std::vector<std::string> names;
        if (!ReadNames(host::HostParent(entry.host), names)) {
            SetLastError(ErrorFromErrno(errno));
            return 0;
        }
        const auto shortNames = host::ShortNamesOf(std::move(names));
        const auto found = shortNames.find(leaf);
        if (found == shortNames.end()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        out += found->second;
    }

    const auto length = static_cast<DWORD>(out.size());
    if (length + 1 > size) return length + 1;
    std::memcpy(shortPath, out.c_str(), out.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return length;
}

}  // namespace vrn
