// The tools' one way to the host's files and directories: the media and
// archive authoring tools work on host paths given on their command lines,
// outside the drive map the engine sees, and reach them only through here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vrn::host {

enum class Kind { Missing, File, Directory, Other };

// What a path names, symbolic links followed.
struct Info {
    Kind kind = Kind::Missing;
    uint64_t size = 0;
    int64_t accessTime = 0;         // seconds since 1970, UTC
    int64_t modificationTime = 0;
    uint64_t device = 0, inode = 0;   // equal pairs: the same file
};

// One entry of a directory.
struct Entry {
    std::string path;   // the directory joined with the name
    std::string name;
    Kind kind = Kind::Missing;   // of what it names, links followed (Missing: a dangling link)
    bool isLink = false;         // the entry itself is a symbolic link
};

// Looks at a path; false with the system's reason when it cannot.
bool Stat(const std::string& path, Info& info, std::string& error);
// Looks at an open stream's file.
bool Stat(std::FILE* file, Info& info);
// What a path names; Missing also when it cannot be looked at.
Kind KindOf(const std::string& path);
inline bool IsDirectory(const std::string& path) { return KindOf(path) == Kind::Directory; }
inline bool IsFile(const std::string& path) { return KindOf(path) == Kind::File; }

// The entries of a directory in name order (bytes compared unsigned).
bool List(const std::string& dir, std::vector<Entry>& entries, std::string& error);
// Whether a directory holds no entry (false when it cannot be read).
bool IsEmptyDirectory(const std::string& dir);

// Creates a directory and those that lead to it; an existing one is fine.
bool CreateDirectories(const std::string& dir, std::string& error);
// Removes a file or a directory with everything in it; what cannot be
// removed stays.
void RemoveTree(const std::string& path);

// Whole files: read, written (created or replaced) and copied.
bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool WriteFile(const std::string& path, const uint8_t* bytes, size_t count, std::string& error);
bool CopyFile(const std::string& from, const std::string& to, std::string& error);
// Copies `length` bytes at `offset` of one file into a new file.
bool CopyRun(const std::string& from, uint64_t offset, uint64_t length, const std::string& to,
             std::string& error);

// Paths, with '/' between their parts.
std::string Join(const std::string& dir, const std::string& name);   // an absolute name stays as it is
std::string Absolute(const std::string& path);   // absolute, links of the existing part resolved
std::string Normal(const std::string& path);     // "." and ".." parts taken out lexically
std::string Parent(const std::string& path);
std::string FileName(const std::string& path);
bool IsRelative(const std::string& path);
std::string RelativeTo(const std::string& path, const std::string& base);   // lexically

}  // namespace vrn::host
