// Directory entries by name: attributes, directories, deletion, moving, and
// the drive queries.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/posix/fault_hooks.h"
#include "platform/posix/posix_internal.h"
#include "platform/native.h"

namespace vrn {

namespace {

BOOL Fail(DWORD code) {
    SetLastError(code);
    return 0;
}

}  // namespace

DWORD GetFileAttributes(const char* path) {
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) {
        SetLastError(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat st {};
    // A link that leads nowhere still has attributes of its own.
    if (!host::FollowedStatus(r, st) && !host::OwnStatus(r, st)) {
        SetLastError(host::ErrorForHostPath(errno, r.host));
        return INVALID_FILE_ATTRIBUTES;
    }
    // A drive's or share's root is never hidden, whatever its host directory is called.
    const bool isRoot = !r.windows.empty() && r.windows.back() == '\\';
    return host::AttributesFromStat(st, isRoot ? std::string_view() : host::HostLeaf(r.host));
}

BOOL SetFileAttributes(const char* path, DWORD attributes) {
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return Fail(error);
    struct stat st {};
    if (!host::FollowedStatus(r, st)) return Fail(host::ErrorForHostPath(errno, r.host));
    // Only the read-only attribute has a host counterpart (the write bits);
    // hidden follows the name and archive and system are not kept.
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    host::ForgetJustClosed();
    if (mode != (st.st_mode & 07777) && ::chmod(r.host.c_str(), mode) != 0) return Fail(ErrorFromErrno(errno));
    return 1;
}

BOOL CreateDirectory(const char* path) {
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return Fail(error);
    if (host::ChangeFails(FaultOp::MakeDirectory, r.host)) return Fail(ErrorFromErrno(errno));
    if (::mkdir(r.host.c_str(), 0777) != 0) {
        if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
        const DWORD code = host::ErrorForHostPath(errno, r.host);
        // The directory to be made is never "not found": its parent is.
        return Fail(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
    }
    host::NoteDirectoryCreated(r.host);
    return 1;
}

BOOL RemoveDirectory(const char* path) {
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return Fail(error);
    struct stat st {};
    if (::lstat(r.host.c_str(), &st) != 0) return Fail(host::ErrorForHostPath(errno, r.host));
    if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    if (host::ChangeFails(FaultOp::Remove, r.host)) return Fail(ErrorFromErrno(errno));
    if (::rmdir(r.host.c_str()) != 0) {
        if (errno == ENOTEMPTY || errno == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY);
        return Fail(host::ErrorForHostPath(errno, r.host));
    }
    host::NoteEntryChanged(r.host);
    return 1;
}

BOOL DeleteFile(const char* path) {
    host::ResolvedEntry r;
    DWORD error = 0;
    if (!host::ResolveForHost(path, r, error)) return Fail(error);
    struct stat st {};
    if (::lstat(r.host.c_str(), &st) != 0) return Fail(host::ErrorForHostPath(errno, r.host));
    // A directory is not a file, and a read-only file is protected from deletion.
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (!S_ISLNK(st.st_mode) && host::IsReadOnlyMode(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (host::ChangeFails(FaultOp::Remove, r.host)) return Fail(ErrorFromErrno(errno));
    if (::unlink(r.host.c_str()) != 0) return Fail(host::ErrorForHostPath(errno, r.host));
    host::NoteEntryChanged(r.host);
    return 1;
}

namespace {

// Moves a regular file to another host file system: copy, then delete.
BOOL MoveAcrossDevices(const char* from, const char* to, const host::ResolvedEntry& source) {
    struct stat st {};
    if (::lstat(source.host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE);
    if (!CopyFile(from, to, 1)) return 0;
    if (::unlink(source.host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
    host::NoteEntryChanged(source.host);
    return 1;
}

}  // namespace

BOOL MoveFile(const char* from, const char* to) {
    host::ResolvedEntry a, b;
    DWORD error = 0;
    if (!host::ResolveForHost(from, a, error) || !host::ResolveForHost(to, b, error)) return Fail(error);
    struct stat sa {}, sb {};
    if (::lstat(a.host.c_str(), &sa) != 0) return Fail(host::ErrorForHostPath(errno, a.host));
    std::string target = b.host;
    if (::lstat(b.host.c_str(), &sb) == 0) {
        if (sa.st_dev != sb.st_dev || sa.st_ino != sb.st_ino) return Fail(ERROR_ALREADY_EXISTS);
        // The same entry under another spelling: the move changes the case
        // of its name to the one given.
        const std::string_view given = std::string_view(b.windows).substr(b.windows.find_last_of('\\') + 1);
        const std::string_view last = [&] {
            std::string_view t(to);
            const size_t cut = t.find_last_of("\\/");
            return cut == std::string_view::npos ? (t.size() >= 2 && t[1] == ':' ? t.substr(2) : t) : t.substr(cut + 1);
        }();
        if (!host::SameNameIgnoringCase(given, last)) return Fail(ERROR_ALREADY_EXISTS);
        target = host::JoinHost(host::HostParent(b.host), last);
        if (target == a.host) return 1;
    }
    if (host::ChangeFails(FaultOp::Rename, a.host, target)) return Fail(ErrorFromErrno(errno));
    if (::rename(a.host.c_str(), target.c_str()) != 0) {
        if (errno == EXDEV) return MoveAcrossDevices(from, to, a);
        const DWORD code = host::ErrorForHostPath(errno, target);
        return Fail(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
    }
    host::NoteEntryChanged(a.host);
    host::NoteEntryChanged(target);
    return 1;
}

BOOL MoveFileEx(const char* from, const char* to, DWORD flags) {
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return MoveFile(from, to);
    host::ResolvedEntry a, b;
    DWORD error = 0;
    if (!host::ResolveForHost(from, a, error) || !host::ResolveForHost(to, b, error)) return Fail(error);
    struct stat sa {}, sb {};
    if (::lstat(a.host.c_str(), &sa) != 0) return Fail(host::ErrorForHostPath(errno, a.host));
    if (::lstat(b.host.c_str(), &sb) == 0) {
        // The same entry under another spelling is a plain move.
        if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return MoveFile(from, to);
        if (S_ISDIR(sa.st_mode) || S_ISDIR(sb.st_mode) || host::IsReadOnlyMode(sb.st_mode))
            return Fail(ERROR_ACCESS_DENIED);
    }
    // The host's rename replaces the old entry in one step.
    if (host::ChangeFails(FaultOp::Rename, a.host, b.host)) return Fail(ErrorFromErrno(errno));
    if (::rename(a.host.c_str(), b.host.c_str()) != 0) {
        if (errno == EXDEV) return Fail(ERROR_NOT_SAME_DEVICE);
        const DWORD code = host::ErrorForHostPath(errno, b.host);
        return Fail(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
    }
    host::NoteEntryChanged(a.host);
    host::NoteEntryChanged(b.host);
    return 1;
}

DWORD GetDriveType(const char* root) {
    char letter;
    if (root == nullptr) {
        letter = host::CurrentDriveLetter();
    } else {
        const std::string_view r(root);
        if (r.size() >= 2 && (r[0] == '\\' || r[0] == '/') && (r[1] == '\\' || r[1] == '/'))
            return ResolvePath(r).ok ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR;
        if (r.size() < 2 || r[1] != ':' || r.size() > 3 || (r.size() == 3 && r[2] != '\\' && r[2] != '/'))
            return DRIVE_NO_ROOT_DIR;
        letter = host::UpperChar(r[0]);
    }
    const DriveMapping* d = FindDrive(letter);
    if (d == nullptr) return DRIVE_NO_ROOT_DIR;
    switch (d->kind) {
    case DriveKind::Removable: return DRIVE_REMOVABLE;
    case DriveKind::Fixed: return DRIVE_FIXED;
    case DriveKind::CdRom: return DRIVE_CDROM;
    case DriveKind::Network: return DRIVE_REMOTE;
    case DriveKind::RamDisk: return DRIVE_RAMDISK;
    }
    return DRIVE_UNKNOWN;
}

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    for (int i = 0; i < 26; ++i)
        if (FindDrive(static_cast<char>('A' + i)) != nullptr) mask |= DWORD(1) << i;
    return mask;
}

}  // namespace vrn
