// Resolution of Windows-form paths to host paths through the drive map and
// the declared network shares, with the platform's case-insensitive names.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "platform/drives.h"
#include "platform/posix/posix_internal.h"

namespace vrn {

namespace host {

std::string JoinHost(const std::string& dir, std::string_view name) {
    std::string out;
    out.reserve(dir.size() + 1 + name.size());   // one allocation for the whole path
    out.append(dir);
    if (out.empty() || out.back() != '/') out += '/';
    out += name;
    return out;
}

void AssignHostParent(const std::string& hostPath, std::string& parent) {
    const size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos) parent = ".";
    else if (slash == 0) parent = "/";
    else parent.assign(hostPath, 0, slash);
}

std::string HostParent(const std::string& hostPath) {
    std::string parent;
    AssignHostParent(hostPath, parent);
    return parent;
}

std::string_view HostLeaf(const std::string& hostPath) {
    const size_t slash = hostPath.find_last_of('/');
    return slash == std::string::npos ? std::string_view(hostPath) : std::string_view(hostPath).substr(slash + 1);
}

OpenDirectory::~OpenDirectory() {
    if (fd >= 0) ::close(fd);
}


}  // namespace host

namespace {

const ShareDecl* FindShare(std::string_view server, std::string_view share) {
    const std::string wanted = "\\\\" + std::string(server) + "\\" + std::string(share);
    for (const ShareDecl& s : CurrentPlatformConfig().shares) {
        std::string unc = s.unc;
        for (char& c : unc)
            if (c == '/') c = '\\';
        while (unc.size() > 2 && unc.back() == '\\') unc.pop_back();
        if (host::SameNameIgnoringCase(unc, wanted)) return &s;
    }
    return nullptr;
}

// Listings of the directories searched for a name ignoring case, by host
// path. A listing stays good while its directory's status change time, device
// and inode are unchanged; the platform's own creations update it in place
// (NoteEntryCreated), so that filling a directory with new files does not
// read the whole directory again for every file.
//
// The directory stays open with its listing. While the status read through
// that descriptor is unchanged (and the directory not removed), the listing
// answers for the names in it without a walk of the path: renaming or
// removing the directory itself changes its status change time, so that the
// path is walked again. (Only a rename of a directory above it can go unseen,
// as can a change another process makes at the same moment as ours.)
struct Listing {
    struct timespec changed {};   // status change time: set by every change of an entry, never by hand
    dev_t device = 0;
    ino_t inode = 0;
    std::unordered_map<std::string, std::string> byUpperName;   // the first spelling in byte order
    bool caseTwins = false;   // some names differ only in case: a spelling is not the only one
    std::shared_ptr<const host::OpenDirectory> directory;
};
constexpr size_t kMaxListings = 64;
std::unordered_map<std::string, Listing>& Listings() {
    static std::unordered_map<std::string, Listing> listings;
    return listings;
}

std::string UpperName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) c = host::UpperChar(c);
    return upper;
}

bool SameStamp(const Listing& l, const struct stat& st) {
    return l.device == st.st_dev && l.inode == st.st_ino && l.changed.tv_sec == st.st_ctim.tv_sec &&
           l.changed.tv_nsec == st.st_ctim.tv_nsec;
}

void Stamp(Listing& l, const struct stat& st) {
    l.device = st.st_dev;
    l.inode = st.st_ino;
    l.changed = st.st_ctim;
}

void AddName(Listing& l, std::string_view name) {
    auto [it, added] = l.byUpperName.try_emplace(UpperName(name), name);
    if (added || it->second == name) return;
    l.caseTwins = true;
    if (name < it->second) it->second = name;
}

// The listing of `dir`, whose status the caller has just read into `st`.
const Listing* ListingOf(const std::string& dir, const struct stat& st) {
    auto& listings = Listings();
    if (!S_ISDIR(st.st_mode)) {
        listings.erase(dir);
        return nullptr;
    }
    auto it = listings.find(dir);
    if (it != listings.end() && SameStamp(it->second, st)) return &it->second;
    auto directory = std::make_shared<host::OpenDirectory>(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat opened {};
    if (directory->fd < 0 || ::fstat(directory->fd, &opened) != 0) return nullptr;
    // The reading takes a descriptor of its own; the listing keeps the first.
    const int readFd = ::dup(directory->fd);
    DIR* d = readFd >= 0 ? ::fdopendir(readFd) : nullptr;
    if (d == nullptr) {
        if (readFd >= 0) ::close(readFd);
        return nullptr;
    }
    if (it == listings.end()) {
        if (listings.size() >= kMaxListings) listings.clear();
        it = listings.emplace(dir, Listing{}).first;
    }
    Listing& l = it->second;
    l.byUpperName.clear();
    l.caseTwins = false;
    // Stamped before reading: a change made while reading shows next time.
    Stamp(l, opened);
    l.directory = std::move(directory);
    while (const dirent* e = ::readdir(d)) AddName(l, e->d_name);
    ::closedir(d);
    return &l;
}

// The listing of `dir` when one is kept and its open directory is unchanged
// since; nullptr otherwise (the caller then walks the path).
Listing* CurrentListing(const std::string& dir) {
    auto& listings = Listings();
    auto it = listings.find(dir);
    if (it == listings.end() || !it->second.directory) return nullptr;
    struct stat st {};
    if (::fstat(it->second.directory->fd, &st) != 0 || st.st_nlink == 0 || !SameStamp(it->second, st)) return nullptr;
    return &it->second;
}

// The entry of `dir` whose name equals `name` ignoring case; the first in
// byte order when several do, so that the choice does not depend on the
// order of the host's directory.
bool FindIgnoringCase(const std::string& dir, const struct stat& dirStatus, const std::string& name,
                      std::string& found) {
    const Listing* l = ListingOf(dir, dirStatus);
    if (l == nullptr) return false;
    auto it = l->byUpperName.find(UpperName(name));
    if (it == l->byUpperName.end()) return false;
    found = it->second;
    return true;
}

bool FindIgnoringCase(const std::string& dir, const std::string& name, std::string& found) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        Listings().erase(dir);
        return false;
    }
    return FindIgnoringCase(dir, st, name, found);
}

}  // namespace

void host::NoteEntryCreated(const std::string& hostPath) {
    ForgetJustClosed();
    auto& listings = Listings();
    // The parent's path is taken into a buffer kept from call to call.
    static std::string parent;
    AssignHostParent(hostPath, parent);
    auto it = listings.find(parent);
    if (it == listings.end()) return;
    struct stat st {};
    const bool read = it->second.directory ? ::fstat(it->second.directory->fd, &st) == 0 && st.st_nlink != 0
                                           : ::stat(it->first.c_str(), &st) == 0;
    if (!read) {
        listings.erase(it);
        return;
    }
    Stamp(it->second, st);
    AddName(it->second, HostLeaf(hostPath));
}

void host::NoteEntryChanged(const std::string& hostPath) {
    ForgetJustClosed();
    Listings().erase(HostParent(hostPath));
}

void host::NoteDirectoryCreated(const std::string& hostPath) {
    NoteEntryCreated(hostPath);
    auto directory =
        std::make_shared<host::OpenDirectory>(::open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (directory->fd < 0 || ::fstat(directory->fd, &st) != 0) return;
    auto& listings = Listings();
    if (listings.size() >= kMaxListings && listings.find(hostPath) == listings.end()) listings.clear();
    Listing& l = listings[hostPath];
    l.byUpperName.clear();
    l.caseTwins = false;
    Stamp(l, st);
    l.directory = std::move(directory);
}

namespace {

// The parent directory of the last drive path answered by a kept listing,
// as written and as resolved: the members of one directory come one after
// another, and their parent need not be taken apart and put together again
// for each. What it resolves to depends only on its text and on the drive's
// host directory, both compared before it is used.
struct ParentMemo {
    char drive = 0;        // 0: nothing remembered
    std::string text;      // "C:\dir\sub" as written
    std::string root;      // the drive's host directory then
    std::string host;      // the parent's host path
    std::string windows;   // and its Windows form, "C:\DIR\sub"
};
ParentMemo& LastParent() {
    static ParentMemo memo;
    return memo;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether a path may name anything: not empty, and no character a file name
// may not hold (< > | " * ? or a colon outside the drive part), unless
// wildcards are allowed (* and ?).
bool FormAllowed(const char* path, bool allowWildcards, DWORD& error) {
    if (path == nullptr || *path == '\0') {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    // Per byte: 1 never in a name, 2 a wildcard.
    static constexpr auto kKinds = [] {
        std::array<uint8_t, 256> kinds{};
        for (int c = 0; c < 0x20; ++c) kinds[c] = 1;
        for (unsigned char c : {'<', '>', '|', '"', ':'}) kinds[c] = 1;
        kinds['*'] = kinds['?'] = 2;
        return kinds;
    }();
    const uint8_t refused = allowWildcards ? 1 : 3;
    const std::string_view p(path);
    const size_t nameStart = (p.size() >= 2 && p[1] == ':') ? 2 : 0;
    for (size_t i = nameStart; i < p.size(); ++i) {
        if (kKinds[static_cast<unsigned char>(p[i])] & refused) {
            error = ERROR_INVALID_NAME;
            return false;
        }
    }
    return true;
}

int64_t MonotonicNow() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The file the platform closed last after writing it, for a millisecond.
struct JustClosed {
    std::shared_ptr<const host::OpenDirectory> directory;   // none: nothing remembered
    std::string hostPath;
    size_t nameAt = 0;
    std::string openedAs;   // the drive path it was opened by
    uint64_t mapVersion = 0;
    int64_t closedAt = 0;
};
constexpr int64_t kJustClosedWindow = 1000000;   // ns
JustClosed& LastClosed() {
    static JustClosed last;
    return last;
}

// Where the last name of a drive path ("X:\..." or "X:/...") begins, when
// that name is a plain one (not "." or "..", no trailing dot or blank, which
// the platform would drop); 0 otherwise.
size_t PlainLeafAt(std::string_view path) {
    if (path.size() < 4 || path[1] != ':' || !IsSeparator(path[2])) return 0;
    size_t cut = path.size();
    while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
    if (cut == path.size() || path.back() == '.' || path.back() == ' ') return 0;
    return cut;
}

const std::string& DriveRoot(const DriveMapping& drive) {
    static const std::string slash = "/";
    return drive.hostRoot.empty() ? slash : drive.hostRoot;
}

// The answer for `name` in directory `parent` from its listing `l`, current.
void AnswerFromListing(Listing& l, const std::string& parent, std::string exact, const std::string& name,
                       std::string windows, host::ResolvedEntry& out) {
    const auto it = l.byUpperName.find(UpperName(name));
    out.ok = true;
    out.windows = std::move(windows);
    out.directory = l.directory;
    size_t nameLength = name.size();
    if (it == l.byUpperName.end()) {
        out.statusKnown = true;   // no entry of that name in any case
        out.host = std::move(exact);
    } else if (it->second == name) {
        out.host = std::move(exact);
    } else if (l.caseTwins && ::fstatat(l.directory->fd, name.c_str(), &out.status, AT_SYMLINK_NOFOLLOW) == 0) {
        // Spelt as written, among names that differ only in case.
        out.statusKnown = out.exists = true;
        out.host = std::move(exact);
    } else {
        out.host = host::JoinHost(parent, it->second);
        nameLength = it->second.size();
    }
    out.nameAt = out.host.size() - nameLength;
}

// Where the last name of `path` begins when the path lies in the remembered
// parent (its text and its drive's host directory the same); 0 otherwise.
size_t LeafInLastParent(std::string_view path) {
    const ParentMemo& memo = LastParent();
    if (memo.drive == 0 || host::UpperChar(path[0]) != memo.drive) return 0;
    const size_t leafAt = PlainLeafAt(path);
    if (leafAt == 0 || path.substr(0, leafAt - 1) != memo.text) return 0;
    const DriveMapping* drive = FindDrive(memo.drive);
    return drive != nullptr && DriveRoot(*drive) == memo.root ? leafAt : 0;
}

// The answer for a path in the remembered parent, when its listing is
// current; false when the path must be resolved in full.
bool AnswerInLastParent(std::string_view path, host::ResolvedEntry& out) {
    const size_t leafAt = LeafInLastParent(path);
    if (leafAt == 0) return false;
    const ParentMemo& memo = LastParent();
    Listing* l = CurrentListing(memo.host);
    if (l == nullptr) return false;
    const std::string name(path.substr(leafAt));
    std::string windows;
    windows.reserve(memo.windows.size() + 1 + name.size());
    windows = memo.windows;
    windows += '\\';
    windows += name;
    out.drive = memo.drive;
    AnswerFromListing(*l, memo.host, host::JoinHost(memo.host, name), name, std::move(windows), out);
    return true;
}

}  // namespace

void host::NoteFileClosed(const HandleObject& file) {
    JustClosed& last = LastClosed();
    last.directory = file.madeIn;
    last.hostPath = file.hostPath;
    last.nameAt = file.nameAt;
    last.openedAs = file.openedAs;
    last.mapVersion = file.mapVersion;
    last.closedAt = MonotonicNow();
}

void host::ForgetJustClosed() { LastClosed().directory.reset(); }

bool host::SetTimesOfJustClosed(const char* path, const struct timespec times[2]) {
    JustClosed& last = LastClosed();
    if (!last.directory || path == nullptr || MonotonicNow() - last.closedAt >= kJustClosedWindow) return false;
    // The text it was opened by, under the same drive map, names it still:
    // nothing has changed the directories since but what others do at once.
    if (last.mapVersion != DriveMapVersion() || std::strcmp(path, last.openedAs.c_str()) != 0) return false;
    const int rc = ::utimensat(last.directory->fd, last.hostPath.c_str() + last.nameAt, times, 0);
    ForgetJustClosed();
    return rc == 0;
}

host::ResolvedEntry host::ResolveEntry(std::string_view path) {
    ResolvedEntry out;
    if (path.empty()) return out;
    if (AnswerInLastParent(path, out)) return out;
    std::vector<std::string> components;
    components.reserve(16);   // deep enough for most paths: no regrowing
    std::string root;          // host directory of the drive or share
    std::string prefix;        // Windows form of the root, without its separator

    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\server\share\rest
        std::vector<std::string> parts;
        size_t i = 2;
        while (parts.size() < 2) {
            size_t j = i;
            while (j < path.size() && !IsSeparator(path[j])) ++j;
            if (j == i) return out;
            parts.emplace_back(path.substr(i, j - i));
            i = j + 1;
            if (j >= path.size()) break;
        }
        if (parts.size() < 2) return out;
        const ShareDecl* share = FindShare(parts[0], parts[1]);
        if (share == nullptr) return out;
        root = share->hostRoot;
        prefix = "\\\\" + parts[0] + "\\" + parts[1];
        if (i < path.size()) host::AppendComponents(path.substr(i), components);
    } else {
        char letter = host::CurrentDriveLetter();
        std::string_view rest = path;
        if (path.size() >= 2 && path[1] == ':') {
            letter = host::UpperChar(path[0]);
            if (letter < 'A' || letter > 'Z') return out;
            rest = path.substr(2);
        }
        const DriveMapping* drive = FindDrive(letter);
        if (drive == nullptr) return out;
        if (rest.empty() || !IsSeparator(rest[0])) host::AppendComponents(host::CurrentDirectoryOf(letter), components);
        host::AppendComponents(rest, components);
        root = drive->hostRoot.empty() ? std::string("/") : drive->hostRoot;
        prefix = std::string(1, letter) + ":";
        out.drive = letter;
    }

    if (components.empty()) {
        out.ok = true;
        out.host = root;
        out.windows = prefix + "\\";
        return out;
    }
    // The path exactly as written, built once; its parent is a prefix of it.
    size_t length = root.size() + 1;
    for (const std::string& name : components) length += name.size() + 1;
    std::string exact;
    exact.reserve(length);
    exact = root;
    size_t parentLength = 0;
    for (const std::string& name : components) {
        parentLength = exact.size();
        if (exact.empty() || exact.back() != '/') exact += '/';
        exact += name;
    }
    const std::string exactParent = exact.substr(0, parentLength);
    auto exactWindows = [&] {
        std::string windows;
        windows.reserve(prefix.size() + length);
        windows = prefix;
        for (const std::string& name : components) {
            windows += '\\';
            windows += name;
        }
        return windows;
    };

    // A directory whose listing is kept and unchanged answers for the name
    // without a walk of the path: a name it does not hold is a new entry.
    if (Listing* l = CurrentListing(exactParent)) {
        const std::string& name = components.back();
        std::string windows = exactWindows();
        // A drive path whose last name is plain: its parent is remembered.
        if (out.drive != 0 && PlainLeafAt(path) != 0) {
            ParentMemo& memo = LastParent();
            memo.drive = out.drive;
            memo.text.assign(path.substr(0, PlainLeafAt(path) - 1));
            memo.root = root;
            memo.host = exactParent;
            memo.windows.assign(windows, 0, windows.size() - name.size() - 1);
        }
        AnswerFromListing(*l, exactParent, std::move(exact), name, std::move(windows), out);
        return out;
    }

    // Most paths exist as written, or name a new entry in a directory that
    // does: then one or two status queries decide, and the walk below is
    // needed only where a directory's name differs in case or is missing.
    struct stat status {};
    if (::lstat(exact.c_str(), &status) == 0) {
        out.ok = true;
        out.host = std::move(exact);
        out.windows = exactWindows();
        out.statusKnown = true;
        out.exists = true;
        out.status = status;
        return out;
    }
    if (errno == ENOENT && ::stat(exactParent.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::string found;
        if (FindIgnoringCase(exactParent, status, components.back(), found))
            components.back() = found;
        else
            out.statusKnown = true;   // no entry of that name in any case
        out.ok = true;
        out.host = host::JoinHost(exactParent, components.back());
        out.windows = exactWindows();
        return out;
    }

    // Walk down from the root: a name that does not exist as written takes
    // the spelling of an entry that matches it ignoring case; once a
    // directory is missing the remaining names stay as given.
    std::string hostPath = root;
    std::string windows = prefix;
    bool missing = false;
    for (const std::string& name : components) {
        std::string actual = name;
        if (!missing) {
            struct stat st {};
            const std::string candidate = host::JoinHost(hostPath, name);
            if (::lstat(candidate.c_str(), &st) != 0) {
                std::string found;
                if (errno == ENOENT && FindIgnoringCase(hostPath, name, found))
                    actual = found;
                else
                    missing = true;
            }
        }
        hostPath = host::JoinHost(hostPath, actual);
        windows += "\\" + actual;
    }
    out.ok = true;
    out.host = hostPath;
    out.windows = windows;
    return out;
}

ResolvedPath ResolvePath(std::string_view path) { return std::move(host::ResolveEntry(path)); }

std::string HostPath(std::string_view path) { return ResolvePath(path).host; }

bool host::IsHostDirectory(const std::string& hostPath) {
    struct stat st {};
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool host::FollowedStatus(const ResolvedEntry& r, struct stat& st) {
    if (r.statusKnown && !r.exists) {
        errno = ENOENT;
        return false;
    }
    if (r.statusKnown && !S_ISLNK(r.status.st_mode)) {
        st = r.status;
        return true;
    }
    return ::fstatat(EntryBase(r), EntryName(r), &st, 0) == 0;
}

bool host::OwnStatus(const ResolvedEntry& r, struct stat& st) {
    if (!r.statusKnown) return ::fstatat(EntryBase(r), EntryName(r), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!r.exists) {
        errno = ENOENT;
        return false;
    }
    st = r.status;
    return true;
}

std::string WindowsPathOf(const std::string& hostPath) {
    const PlatformConfig& config = CurrentPlatformConfig();
    int best = -1;
    size_t bestLength = 0;
    for (int i = 0; i < 26; ++i) {
        if (!config.drives[i]) continue;
        std::string root = config.drives[i]->hostRoot;
        if (root.empty()) root = "/";
        const bool under = root == "/" ? (!hostPath.empty() && hostPath[0] == '/')
                                       : hostPath.compare(0, root.size(), root) == 0 &&
                                             (hostPath.size() == root.size() || hostPath[root.size()] == '/');
        if (under && (best < 0 || root.size() > bestLength)) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0) return {};
    std::string rest = bestLength == 1 ? hostPath.substr(1) : hostPath.substr(std::min(hostPath.size(), bestLength + 1));
    std::vector<std::string> components;
    host::AppendComponents(rest, components);
    std::string out = std::string(1, static_cast<char>('A' + best)) + ":";
    for (const std::string& c : components) out += "\\" + c;
    if (components.empty()) out += "\\";
    return out;
}

bool host::ResolveForHost(const char* path, ResolvedEntry& out, DWORD& error, bool allowWildcards) {
    if (!FormAllowed(path, allowWildcards, error)) return false;
    const std::string_view p(path);
    out = ResolveEntry(p);
    if (!out.ok) {
        const bool unc = p.size() >= 2 && (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/');
        error = unc ? ERROR_BAD_NETPATH : ERROR_PATH_NOT_FOUND;
        return false;
    }
    return true;
}

}  // namespace vrn
