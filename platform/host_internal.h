// Shared helpers of the platform layer's own sources. Not for use outside
// platform/: everything above the platform goes through the public headers.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/drives.h"
#include "platform/native.h"

namespace vrn::host {

// Upper-casing and case-insensitive comparison in the system code page
// (ISO 8859-1): a-z and the accented lower-case letters 0xE0-0xFE except 0xF7.
char UpperChar(char c);
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Joins a host directory and one name ("/" + "x" gives "/x").
std::string JoinHost(const std::string& dir, std::string_view name);
// The host directory holding a host path ("/a/b" gives "/a", "/a" gives "/").
std::string HostParent(const std::string& hostPath);
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

// Resolves a Windows-form path for a native file operation. On failure
// returns false with `error` set: ERROR_PATH_NOT_FOUND for an absent drive
// or a malformed path, ERROR_BAD_NETPATH for an undeclared share,
// ERROR_INVALID_NAME for a character no file name may hold (< > | " * ? or a
// colon outside the drive part), unless wildcards are allowed (* and ?).
bool ResolveForHost(const char* path, ResolvedPath& out, DWORD& error, bool allowWildcards = false);

// The status of a resolved entry with a symbolic link followed, taken from
// what resolution learnt where it can be; false with errno set when there is
// no entry (or the link leads nowhere).
bool FollowedStatus(const ResolvedPath& r, struct stat& st);
// The entry's own status (a symbolic link not followed), likewise; false
// with errno set when there is no entry.
bool OwnStatus(const ResolvedPath& r, struct stat& st);

// The system error code for a failed host call on `hostPath`: a missing
// entry is ERROR_FILE_NOT_FOUND when its directory exists and
// ERROR_PATH_NOT_FOUND when it does not; anything else as ErrorFromErrno.
DWORD ErrorForHostPath(int hostErrno, const std::string& hostPath);

// The C runtime's errno for a system error code.
int ErrnoFromError(DWORD code);

// Attributes of an entry from its status and its name (the hidden
// attribute for a name beginning with '.', except "." and "..").
DWORD AttributesFromStat(const struct stat& st, std::string_view name);

// Whether the owner-write bit is missing, which makes the entry read-only.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// Handle services for the C runtime layer.
// The native handle for one of the host's standard descriptors (0, 1, 2);
// closing it leaves the host descriptor open.
HANDLE StandardHandle(int hostFd);
// The access a file handle was opened with; false for an unknown handle.
bool HandleAccess(HANDLE h, bool& readable, bool& writable);
// Whether the handle's file can be repositioned (a regular file or a block device).
bool HandleSeekable(HANDLE h);

// Reads from a C runtime descriptor as _read does, and records in `crlf`
// (when given) the positions in the buffer of every LF that stood for a
// CR LF pair in the file, so that a stream can tell its file position.
int ReadDescriptor(int fd, char* buffer, unsigned count, std::vector<uint32_t>* crlf);
// Whether a descriptor is in text mode; -1 for a descriptor not open.
int DescriptorIsText(int fd);

// The platform state that the drive map keeps (see SavePlatformState).
void SetCurrentDirectoryOf(char letter, std::string directory);   // "\dir" form
const std::string& CurrentDirectoryOf(char letter);               // "\" when never set
void SetCurrentDriveLetter(char letter);
char CurrentDriveLetter();

// Splits a Windows path part on both separators and applies "." and ".."
// (never above the root) and the removal of trailing dots and blanks from
// each name, appending the names to `components`.
void AppendComponents(std::string_view part, std::vector<std::string>& components);

// Short (8.3) names. Whether a name is already of the short form (a base
// of one to eight valid characters and an extension of up to three);
// and the short name of every one of a directory's names, computed from
// all of them so that the generated ones are distinct ("." and ".." are
// not among the names).
bool FitsShortForm(std::string_view name);
std::unordered_map<std::string, std::string> ShortNamesOf(std::vector<std::string> names);

}  // namespace vrn::host
