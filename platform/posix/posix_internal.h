// Shared helpers of the POSIX host's sources: host paths, the status that
// resolution learns of an entry, and the mapping of host status to
// attributes. Not for use outside platform/posix/.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/drives.h"
#include "platform/handles.h"
#include "platform/host_internal.h"
#include "platform/native.h"

namespace vrn::host {

// Joins a host directory and one name ("/" + "x" gives "/x").
std::string JoinHost(const std::string& dir, std::string_view name);
// The host directory holding a host path ("/a/b" gives "/a", "/a" gives "/").
std::string HostParent(const std::string& hostPath);
void AssignHostParent(const std::string& hostPath, std::string& parent);   // into a buffer of the caller's
// The last component of a host path.
std::string_view HostLeaf(const std::string& hostPath);

// Keeps the case-insensitive lookup's directory listings in step with the
// platform's own changes: an entry it has just created at `hostPath` is added
// to its directory's listing; any other change (removal, rename) drops the
// listing so that it is read again when next needed. Changes that other
// processes make at the same moment as ours may go unseen until the
// directory changes again.
void NoteEntryCreated(const std::string& hostPath);
void NoteEntryChanged(const std::string& hostPath);
// A directory the platform has just made at `hostPath`: added to its parent's
// listing, and kept with a listing of its own that starts empty, so that
// filling it reads nothing of it.
void NoteDirectoryCreated(const std::string& hostPath);

// The file the platform has just closed after creating or replacing it for
// writing. The engine sets a written file's times as soon as it has closed
// it; within a millisecond of the closing, and with no change made by the
// platform in between, SetTimesOfJustClosed sets them through its directory
// without looking again at the file or the directory: it is the regular,
// writable file just written. False when the path is not the drive path the
// file was opened by, the drive map has changed since, or the times could
// not be set so; the caller then takes the whole way.
void NoteFileClosed(const HandleObject& file);
bool SetTimesOfJustClosed(const char* path, const struct timespec times[2]);
// Forgets it: any change the platform makes to entries or attributes.
void ForgetJustClosed();

// A host directory held open while its listing is kept, so that its status
// and the entries in it are reached through the descriptor without walking
// the whole path again.
struct OpenDirectory {
    int fd = -1;
    explicit OpenDirectory(int descriptor) : fd(descriptor) {}
    ~OpenDirectory();
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;
};

// A resolved path with what resolution learnt of the entry itself, when it
// looked: whether it exists and, if so, its status as lstat gives it (a
// symbolic link is not followed). Callers use it instead of asking the host
// again. When the entry's directory was found through a listing that is
// up to date, `directory` holds that directory open and the entry's name in
// it starts at `nameAt` in `host`: operations on the entry then go through
// the descriptor (EntryBase, EntryName).
struct ResolvedEntry : ResolvedPath {
    bool statusKnown = false;
    bool exists = false;
    struct stat status {};
    std::shared_ptr<const OpenDirectory> directory;
    size_t nameAt = 0;
};

// The directory descriptor and name to give a host call on the entry
// (openat, fstatat, utimensat): its directory and its own name when it was
// resolved through an open directory, else the current directory and its
// whole host path.
inline int EntryBase(const ResolvedEntry& r) { return r.directory ? r.directory->fd : AT_FDCWD; }
inline const char* EntryName(const ResolvedEntry& r) { return r.directory ? r.host.c_str() + r.nameAt : r.host.c_str(); }

// ResolvePath, keeping what was learnt of the entry.
ResolvedEntry ResolveEntry(std::string_view path);

// Resolves a Windows-form path for a native file operation. On failure
// returns false with `error` set: ERROR_PATH_NOT_FOUND for an absent drive
// or a malformed path, ERROR_BAD_NETPATH for an undeclared share,
// ERROR_INVALID_NAME for a character no file name may hold (< > | " * ? or a
// colon outside the drive part), unless wildcards are allowed (* and ?).
bool ResolveForHost(const char* path, ResolvedEntry& out, DWORD& error, bool allowWildcards = false);

// The status of a resolved entry with a symbolic link followed, taken from
// what resolution learnt where it can be; false with errno set when there is
// no entry (or the link leads nowhere).
bool FollowedStatus(const ResolvedEntry& r, struct stat& st);
// The entry's own status (a symbolic link not followed), likewise; false
// with errno set when there is no entry.
bool OwnStatus(const ResolvedEntry& r, struct stat& st);

// The system error code for a failed host call on `hostPath`: a missing
// entry is ERROR_FILE_NOT_FOUND when its directory exists and
// ERROR_PATH_NOT_FOUND when it does not; anything else as ErrorFromErrno.
DWORD ErrorForHostPath(int hostErrno, const std::string& hostPath);

// Attributes of an entry from its status and its name (the hidden
// attribute for a name beginning with '.', except "." and "..").
DWORD AttributesFromStat(const struct stat& st, std::string_view name);

// Whether the owner-write bit is missing, which makes the entry read-only.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// Reads exactly `size` bytes at `offset` of a descriptor without moving it,
// going on after an interruption; false at the end of the file or on a
// failure. Signal-safe: the crash reporter reads images with it.
bool ReadFullyAt(int fd, void* out, size_t size, uint64_t offset);

// Short (8.3) names. Whether a name is already of the short form (a base
// of one to eight valid characters and an extension of up to three);
// and the short name of every one of a directory's names, computed from
// all of them so that the generated ones are distinct ("." and ".." are
// not among the names).
bool FitsShortForm(std::string_view name);
std::unordered_map<std::string, std::string> ShortNamesOf(std::vector<std::string> names);

}  // namespace vrn::host
