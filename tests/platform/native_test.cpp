// Native handles: dispositions and their error codes, read-only files,
// links, entry operations and the whole-file copy.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/native.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class NativeTest : public test::TempDrives {
protected:
    DWORD OpenError(const char* path, DWORD access, DWORD disposition) {
        const HANDLE h = CreateFile(path, access, FILE_SHARE_READ, disposition, FILE_ATTRIBUTE_NORMAL);
        if (h != INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            CloseHandle(h);
            return code;
        }
        return GetLastError() == ERROR_SUCCESS ? 0xDEAD : GetLastError();
    }
    mode_t ModeOf(const std::string& host) {
        struct stat st {};
        EXPECT_EQ(::stat(host.c_str(), &st), 0) << host;
        return st.st_mode & 0777;
    }
};

TEST_F(NativeTest, DispositionsAndTheirErrors) {
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    EXPECT_EQ(OpenError("C:\\a.txt", GENERIC_READ, OPEN_EXISTING), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError("C:\\nodir\\a.txt", GENERIC_READ, OPEN_EXISTING), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError("C:\\nodir\\a.txt", rw, CREATE_NEW), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError("C:\\a.txt", rw, TRUNCATE_EXISTING), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError("C:\\a.txt", rw, CREATE_NEW), ERROR_SUCCESS);
    EXPECT_EQ(OpenError("C:\\a.txt", rw, CREATE_NEW), ERROR_FILE_EXISTS);
    EXPECT_EQ(OpenError("C:\\a.txt", rw, OPEN_ALWAYS), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(OpenError("C:\\b.txt", rw, OPEN_ALWAYS), ERROR_SUCCESS);
    EXPECT_EQ(OpenError("C:\\b.txt", rw, CREATE_ALWAYS), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(OpenError("C:\\a?.txt", rw, CREATE_ALWAYS), ERROR_INVALID_NAME);
    ASSERT_TRUE(CreateDirectory("C:\\dir"));
    EXPECT_EQ(OpenError("C:\\dir", GENERIC_READ, OPEN_EXISTING), ERROR_ACCESS_DENIED);

    // CREATE_ALWAYS and TRUNCATE_EXISTING empty the file; OPEN_ALWAYS keeps it.
    WriteHostFile(Host("C:\\a.txt"), "0123456789");
    HANDLE h = CreateFile("C:\\A.TXT", GENERIC_READ, 0, OPEN_ALWAYS, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[16] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, buf, 4, &n));
    EXPECT_EQ(std::string(buf, n), "0123");
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 8u);
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n));
    EXPECT_EQ(std::string(buf, n), "89");
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_FALSE(WriteFile(h, "x", 1, &n));          // opened for reading only
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(h, &high), 10u);
    EXPECT_EQ(high, 0u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(OpenError("C:\\a.txt", GENERIC_WRITE, TRUNCATE_EXISTING), ERROR_SUCCESS);
    EXPECT_EQ(ReadHostFile(Host("C:\\a.txt")), "");
}

TEST_F(NativeTest, ReadOnlyFilesRefuseWritingAndDeletion) {
    HANDLE h = CreateFile("C:\\ro.txt", GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "data", 4, &n));        // the creating handle may write
    CloseHandle(h);
    EXPECT_EQ(ModeOf(Host("C:\\ro.txt")), 0400u);
    EXPECT_EQ(GetFileAttributes("C:\\ro.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(OpenError("C:\\ro.txt", GENERIC_WRITE, OPEN_EXISTING), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError("C:\\ro.txt", GENERIC_WRITE, CREATE_ALWAYS), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError("C:\\ro.txt", GENERIC_READ, OPEN_EXISTING), ERROR_SUCCESS);
    EXPECT_FALSE(DeleteFile("C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHostFile(Host("C:\\ro.txt")), "data");

    EXPECT_TRUE(SetFileAttributes("C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(ModeOf(Host("C:\\ro.txt")), 0600u);
    EXPECT_TRUE(DeleteFile("C:\\ro.txt"));
    EXPECT_FALSE(DeleteFile("C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributes("C:\\ro.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributes("C:\\no\\ro.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(NativeTest, CreatingAFileNeverWritesThroughALink) {
    WriteHostFile(root + "/outside.txt", "keep me");
    ASSERT_EQ(::symlink((root + "/outside.txt").c_str(), Host("C:\\link.txt").c_str()), 0);
    EXPECT_EQ(OpenError("C:\\link.txt", GENERIC_WRITE, CREATE_NEW), ERROR_FILE_EXISTS);
    HANDLE h = CreateFile("C:\\link.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "new", 3, &n));
    CloseHandle(h);
    EXPECT_EQ(ReadHostFile(root + "/outside.txt"), "keep me");
    struct stat st {};
    ASSERT_EQ(::lstat(Host("C:\\link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadHostFile(Host("C:\\link.txt")), "new");
}

TEST_F(NativeTest, HostErrorsMapToSystemCodes) {
    const std::pair<int, DWORD> table[] = {
        {ENOENT, 2}, {ENOTDIR, 3}, {EMFILE, 4}, {ENFILE, 4}, {EACCES, 5}, {EPERM, 5}, {EBADF, 6},
        {ENOMEM, 8}, {EEXIST, 80}, {EINVAL, 87}, {ENOSPC, 112}, {ENOTEMPTY, 145}, {EIO, 1117},
        {EXDEV, 17}, {ENAMETOOLONG, 206}, {0, 0}};
    for (const auto& [err, code] : table) EXPECT_EQ(ErrorFromErrno(err), code) << "errno " << err;
}

TEST_F(NativeTest, DirectoriesDeletionAndMoves) {
    EXPECT_TRUE(CreateDirectory("C:\\d"));
    EXPECT_FALSE(CreateDirectory("C:\\D"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectory("C:\\x\\y"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    WriteHostFile(Host("C:\\d\\f"), "1");
    EXPECT_FALSE(RemoveDirectory("C:\\d"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectory("C:\\d\\f"));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(DeleteFile("C:\\d"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    // A move onto an existing name is refused; a move to the same name in
    // another case renames the entry.
    WriteHostFile(Host("C:\\d\\g"), "2");
    EXPECT_FALSE(MoveFile("C:\\d\\f", "C:\\d\\G"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFile("C:\\d\\f", "C:\\d\\F"));
    EXPECT_EQ(ReadHostFile(root + "/C/d/F"), "1");
    EXPECT_NE(::access((root + "/C/d/f").c_str(), F_OK), 0);
    EXPECT_TRUE(MoveFile("c:\\D\\f", "C:\\moved.txt"));
    EXPECT_EQ(ReadHostFile(root + "/C/moved.txt"), "1");
    EXPECT_FALSE(MoveFile("C:\\none", "C:\\other"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(NativeTest, CopyReplacesTheTargetWholeWithPermissionsAndTime) {
    WriteHostFile(Host("C:\\src.bin"), std::string(200000, 'S'));
    ASSERT_EQ(::chmod(Host("C:\\src.bin").c_str(), 0640), 0);
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Host("C:\\src.bin").c_str(), times, 0), 0);
    WriteHostFile(Host("C:\\dst.bin"), "old target");

    // A reader of the old target keeps the old contents: the copy takes the
    // target's place instead of writing into it.
    const int old = ::open(Host("C:\\dst.bin").c_str(), O_RDONLY);
    ASSERT_GE(old, 0);
    EXPECT_FALSE(CopyFile("C:\\src.bin", "C:\\dst.bin", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadHostFile(Host("C:\\dst.bin")), "old target");
    ASSERT_TRUE(CopyFile("C:\\SRC.BIN", "C:\\dst.bin", 0));
    char buf[16] = {};
    EXPECT_EQ(::read(old, buf, sizeof buf), 10);
    EXPECT_EQ(std::string(buf, 10), "old target");
    ::close(old);

    EXPECT_EQ(ReadHostFile(Host("C:\\dst.bin")), std::string(200000, 'S'));
    EXPECT_EQ(ModeOf(Host("C:\\dst.bin")), 0640u);
    struct stat st {};
    ASSERT_EQ(::stat(Host("C:\\dst.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);

    // Nothing is left beside the target, and failures leave no trace either.
    EXPECT_FALSE(CopyFile("C:\\missing", "C:\\new.bin", 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFile("C:\\src.bin", "C:\\nodir\\new.bin", 0));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_EQ(::chmod(Host("C:\\dst.bin").c_str(), 0440), 0);
    EXPECT_FALSE(CopyFile("C:\\src.bin", "C:\\dst.bin", 0));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    WIN32_FIND_DATA fd;
    HANDLE f = FindFirstFile("C:\\*", &fd);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do names.push_back(fd.cFileName);
    while (FindNextFile(f, &fd));
    FindClose(f);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "dst.bin", "src.bin"}));
}

}  // namespace
}  // namespace vrn
