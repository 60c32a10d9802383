// Shared helpers of the platform layer's own sources. Not for use outside
// platform/: everything above the platform goes through the public headers.
// Nothing here names a host type: the helpers that do are the host's own
// (posix/posix_internal.h), so the drive-map, network and window models
// beside this header build on any host.
#pragma once

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
// Inline: every name looked up ignoring case goes through it a character
// at a time.
inline char UpperChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
    return c;
}
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// The C runtime's errno for a system error code.
int ErrnoFromError(DWORD code);

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

// The configuration in force when no drive-map file is named: what the
// host's own file system offers as drive C: and its current directory.
PlatformConfig DefaultPlatformConfig();

// Whether a host path names a directory (a symbolic link followed).
bool IsHostDirectory(const std::string& hostPath);

// The platform state that the drive map keeps (see SavePlatformState).
void SetCurrentDirectoryOf(char letter, std::string directory);   // "\dir" form
const std::string& CurrentDirectoryOf(char letter);               // "\" when never set
void SetCurrentDriveLetter(char letter);
char CurrentDriveLetter();
// Counts the changes of the drive map (mappings applied, restored, made or
// removed): a path resolved under one count resolves the same way while
// it stands, unless the directories themselves change.
uint64_t DriveMapVersion();

// Splits a Windows path part on both separators and applies "." and ".."
// (never above the root) and the removal of trailing dots and blanks from
// each name, appending the names to `components`.
void AppendComponents(std::string_view part, std::vector<std::string>& components);

}  // namespace vrn::host
