// The tools' host file helper over the standard library's file system
// services and the POSIX file status.
#include "tools/common/host_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vrn::host {

namespace fs = std::filesystem;

namespace {

Kind KindOfStatus(const fs::file_status& status) {
    if (fs::is_regular_file(status)) return Kind::File;
    if (fs::is_directory(status)) return Kind::Directory;
    if (!fs::exists(status)) return Kind::Missing;
    return Kind::Other;
}

void FromStat(const struct stat& st, Info& info) {
    info.kind = S_ISREG(st.st_mode) ? Kind::File : S_ISDIR(st.st_mode) ? Kind::Directory : Kind::Other;
    info.size = static_cast<uint64_t>(st.st_size);
    info.accessTime = st.st_atime;
    info.modificationTime = st.st_mtime;
    info.device = static_cast<uint64_t>(st.st_dev);
    info.inode = static_cast<uint64_t>(st.st_ino);
}

}  // namespace

bool Stat(const std::string& path, Info& info, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        info = Info{};
        return false;
    }
    FromStat(st, info);
    return true;
}

bool Stat(std::FILE* file, Info& info) {
    struct stat st {};
    if (::fstat(fileno(file), &st) != 0) {
        info = Info{};
        return false;
    }
    FromStat(st, info);
    return true;
}

Kind KindOf(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return ec ? Kind::Missing : KindOfStatus(status);
}

bool List(const std::string& dir, std::vector<Entry>& entries, std::string& error) {
    entries.clear();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        Entry e;
        e.path = it->path().string();
        e.name = it->path().filename().string();
        std::error_code linkEc, targetEc;
        e.isLink = fs::is_symlink(it->symlink_status(linkEc));
        const fs::file_status target = it->status(targetEc);
        e.kind = targetEc ? Kind::Missing : KindOfStatus(target);
        entries.push_back(std::move(e));
    }
    if (ec) {
        error = dir + ": " + ec.message();
        return false;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return true;
}

bool IsEmptyDirectory(const std::string& dir) {
    std::error_code ec;
    const bool empty = fs::is_empty(dir, ec);
    return !ec && empty;
}

bool CreateDirectories(const std::string& dir, std::string& error) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) error = dir + ": " + ec.message();
    return !ec;
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    Info info;
    if (Stat(f, info) && info.size <= 0xFFFFFFFFull) bytes.reserve(static_cast<size_t>(info.size));
    uint8_t chunk[1 << 16];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > 0xFFFFFFFFull) break;   // no member or table is that large
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) error = path + ": read error";
    return !failed;
}

bool WriteFile(const std::string& path, const uint8_t* bytes, size_t count, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        error = path + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    const bool written = count == 0 || std::fwrite(bytes, 1, count, f) == count;
    if (std::fclose(f) != 0 || !written) {
        error = path + ": cannot be written";
        return false;
    }
    return true;
}

bool CopyFile(const std::string& from, const std::string& to, std::string& error) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) error = to + ": " + ec.message();
    return !ec;
}

bool CopyRun(const std::string& from, uint64_t offset, uint64_t length, const std::string& to,
             std::string& error) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    uint64_t left = length;
    if (in != nullptr && out != nullptr && std::fseek(in, static_cast<long>(offset), SEEK_SET) == 0) {
        std::vector<uint8_t> buffer(1 << 16);
        while (left > 0) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
            const size_t got = std::fread(buffer.data(), 1, want, in);
            if (got == 0 || std::fwrite(buffer.data(), 1, got, out) != got) break;
            left -= got;
        }
    }
    if (in != nullptr) std::fclose(in);
    const bool closed = out != nullptr && std::fclose(out) == 0;
    if (left != 0 || !closed) {
        error = to + ": cannot write the archive run";
        return false;
    }
    return true;
}

std::string Join(const std::string& dir, const std::string& name) { return (fs::path(dir) / name).string(); }

std::string Absolute(const std::string& path) {
    std::error_code ec;
    return fs::weakly_canonical(fs::absolute(path, ec), ec).string();
}

std::string Normal(const std::string& path) { return fs::path(path).lexically_normal().string(); }
std::string Parent(const std::string& path) { return fs::path(path).parent_path().string(); }
std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }
bool IsRelative(const std::string& path) { return fs::path(path).is_relative(); }

std::string RelativeTo(const std::string& path, const std::string& base) {
    return fs::path(path).lexically_relative(base).string();
}

}  // namespace vrn::host
