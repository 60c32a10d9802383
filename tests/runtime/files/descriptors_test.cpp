// Descriptor routines: forbidden names, dispositions, permissions, the errno
// mapping, the kept text and append bits, the network-path retry and the
// failure report.
#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/crt.h"
#include "runtime/files/files.h"
#include "tests/support/recording_reports.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class Descriptors : public test::TempDrives {
protected:
    test::RecordingReports reports;
    std::string Contents(const char* path) { return ReadHostFile(Host(path)); }
    // errno after a refused open (0 when the open succeeded).
    static int OpenErrno(const char* path, int32_t oflag, int32_t pmode = -1, uint16_t flags = 0) {
        errno = 0;
        const int32_t fd = utopendll(path, oflag, pmode, flags, _pgc);
        if (fd < 0) return errno;
        utclose(fd, UT_WRITE_THROUGH);
        return 0;
    }
    static std::string ReadAll(int32_t fd) {
        char buffer[64];
        const int n = _read(fd, buffer, sizeof buffer);
        utclose(fd, 0);
        return std::string(buffer, n > 0 ? n : 0);
    }
};

TEST_F(Descriptors, DispositionsPermissionsAndErrnoMapping) {
    EXPECT_EQ(utCheckFname("C:\\dir\\name.txt"), 0);
    for (const char* bad : {"C:\\a?b", "C:\\a*b", "C:\\a>b", "C:\\a<b", "C:\\a|b", "C:\\a\tb", "C:\\a\nb"})
        EXPECT_EQ(utCheckFname(bad), -1) << bad;
    EXPECT_EQ(OpenErrno("C:\\new?.txt", _O_CREAT | _O_TRUNC | _O_RDWR, -1, UT_REPORT), EINVAL);
    EXPECT_EQ(utcreatdll("C:\\a|b", 0x180, 0, _pgc), -1);
    EXPECT_TRUE(std::filesystem::is_empty(root + "/C"));

    int32_t fd = utopendll("C:\\data.bin", _O_CREAT | _O_TRUNC | _O_RDWR | _O_BINARY, -1, 0, _pgc);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(getFileHandle() != 0 && getFileHandle() == _get_osfhandle(fd));
    ASSERT_EQ(_write(fd, "abc\n", 4), 4);
    EXPECT_EQ(utclose(fd, UT_WRITE_THROUGH), 0);
    EXPECT_EQ(utclose(fd, UT_WRITE_THROUGH), -1);

    // Create alone never opens an existing file; truncate alone creates none.
    EXPECT_EQ(OpenErrno("C:\\data.bin", _O_CREAT | _O_RDWR), EEXIST);
    EXPECT_EQ(getFileHandle(), 0);
    EXPECT_EQ(Contents("C:\\data.bin"), "abc\n");
    EXPECT_EQ(OpenErrno("C:\\none.bin", _O_TRUNC | _O_WRONLY), ENOENT);
    EXPECT_EQ(OpenErrno("C:\\DATA.BIN", _O_TRUNC | _O_WRONLY), 0);
    EXPECT_EQ(Contents("C:\\data.bin"), "");
    EXPECT_EQ(OpenErrno("C:\\none.bin", _O_RDONLY), ENOENT);
    EXPECT_EQ(OpenErrno("C:\\nodir\\x.bin", _O_CREAT | _O_TRUNC | _O_RDWR), ENOENT);
    std::filesystem::create_directory(root + "/C/sub");
    EXPECT_EQ(OpenErrno("C:\\sub", _O_RDONLY), EACCES);

    // A permission without owner write creates a read-only file.
    EXPECT_EQ(OpenErrno("C:\\ro.txt", _O_CREAT | _O_TRUNC | _O_RDWR, _S_IREAD), 0);
    EXPECT_NE(GetFileAttributes("C:\\ro.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(OpenErrno("C:\\ro.txt", _O_WRONLY), EACCES);
    EXPECT_EQ(OpenErrno("C:\\ro.txt", _O_RDONLY), 0);
    EXPECT_EQ(OpenErrno("C:\\rw.txt", _O_CREAT | _O_TRUNC | _O_RDWR, -1), 0);
    EXPECT_EQ(GetFileAttributes("C:\\rw.txt") & FILE_ATTRIBUTE_READONLY, 0u);

    // utcreatdll: owner read and write whatever was asked, truncated, binary.
    WriteHostFile(root + "/C/made.bin", "old contents");
    fd = utcreatdll("C:\\made.bin", _S_IREAD, 0, _pgc);
    ASSERT_EQ(_write(fd, "x\ny", 3), 3);
    utclose(fd, 0);
    EXPECT_EQ(GetFileAttributes("C:\\made.bin") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Contents("C:\\made.bin"), "x\ny");
}

TEST_F(Descriptors, OnlyTextAndAppendBitsReachTheDescriptor) {
    int32_t fd = utopendll("C:\\t.txt", _O_CREAT | _O_TRUNC | _O_WRONLY | _O_TEXT, -1, 0, _pgc);
    ASSERT_EQ(_write(fd, "a\nb\n", 4), 4);
    utclose(fd, 0);
    EXPECT_EQ(Contents("C:\\t.txt"), "a\r\nb\r\n");
    EXPECT_EQ(ReadAll(utopendll("C:\\t.txt", _O_RDONLY | _O_TEXT, -1, 0, _pgc)), "a\nb\n");
    EXPECT_EQ(ReadAll(utopendll("C:\\t.txt", _O_RDONLY, -1, 0, _pgc)), "a\r\nb\r\n");
    fd = utopendll("C:\\t.txt", _O_WRONLY | _O_APPEND | _O_BINARY, -1, 0, _pgc);
    _lseek(fd, 0, SEEK_SET);
    ASSERT_EQ(_write(fd, "end", 3), 3);
    utclose(fd, 0);
    EXPECT_EQ(Contents("C:\\t.txt"), "a\r\nb\r\nend");
}

TEST_F(Descriptors, NetworkRetryAndFailureReport) {
    std::filesystem::create_directory(root + "/share");
    PlatformConfig config = CurrentPlatformConfig();
    config.shares.push_back(ShareDecl{"\\\\srv\\pub", root + "/share", 0});
    ApplyPlatformConfig(config);
    WriteHostFile(root + "/share/exists.txt", "shared");
    // The native open refuses create-new on an existing file; the shared
    // open has no exclusive bit and opens it, leaving no native handle.
    const int32_t fd = utopendll("\\\\srv\\pub\\exists.txt", _O_CREAT | _O_RDWR | _O_BINARY, -1, 0, _pgc);
    EXPECT_EQ(getFileHandle(), 0);
    EXPECT_EQ(ReadAll(fd), "shared");
    EXPECT_EQ(OpenErrno("\\\\srv\\none\\x.txt", _O_RDONLY), ENOENT);
    EXPECT_TRUE(reports.codes.empty());

    // A report goes through the message routine and leaves errno alone.
    WriteHostFile(root + "/C/here.txt", "");
    EXPECT_EQ(OpenErrno("C:\\here.txt", _O_CREAT | _O_RDWR, -1, UT_REPORT), EEXIST);
    EXPECT_EQ(OpenErrno("C:\\here.txt", _O_RDONLY, -1, UT_REPORT), 0);
    errno = 0;
    EXPECT_EQ(utcreatdll("C:\\missing\\x.bin", 0, UT_REPORT, _pgc), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(reports.codes, (std::vector<int32_t>{NOT_IMPLEMENTED_MESSAGE, NOT_IMPLEMENTED_MESSAGE}));
}

}  // namespace
}  // namespace vrn
