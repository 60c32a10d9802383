// Descriptor routines: forbidden names, dispositions, permissions, the errno
// mapping, the kept text and append bits, the network-path retry and the
// failure report.
#include <cerrno>
#include <filesystem>
#include <string>

#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

class Descriptors : public test::TempDrives {
protected:
    std::string Contents(const char* windowsPath) { return ReadHostFile(Host(windowsPath)); }
    static std::string Read(int32_t fd) {
        std::string out;
        char buffer[256];
        int n;
        while ((n = _read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, n);
        return out;
    }
};

TEST_F(Descriptors, ForbiddenCharactersAreRefusedBeforeTheFileSystem) {
    EXPECT_EQ(utCheckFname("C:\\dir\\name.txt"), 0);
    for (const char* bad : {"C:\\a?b", "C:\\a*b", "C:\\a>b", "C:\\a<b", "C:\\a|b", "C:\\a\tb", "C:\\a\nb"})
        EXPECT_EQ(utCheckFname(bad), -1) << bad;

    errno = 0;
    EXPECT_EQ(utopendll("C:\\new?.txt", _O_CREAT | _O_TRUNC | _O_RDWR, -1, UT_REPORT, _pgc), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(utcreatdll("C:\\a|b", 0x180, 0, _pgc), -1);
    EXPECT_TRUE(fs::is_empty(root + "/C"));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Descriptors, DispositionsFollowCreateAndTruncate) {
    // Create and truncate: a new file, then an existing one emptied.
    int32_t fd = utopendll("C:\\data.bin", _O_CREAT | _O_TRUNC | _O_RDWR | _O_BINARY, -1, 0, _pgc);
    ASSERT_GE(fd, 0);
    EXPECT_NE(getFileHandle(), 0);
    EXPECT_EQ(getFileHandle(), _get_osfhandle(fd));
    ASSERT_EQ(_write(fd, "abc\n", 4), 4);
    EXPECT_EQ(utclose(fd, UT_WRITE_THROUGH), 0);
    EXPECT_EQ(utclose(fd, UT_WRITE_THROUGH), -1);
    EXPECT_EQ(Contents("C:\\data.bin"), "abc\n");

    // Create alone never opens an existing file.
    errno = 0;
    EXPECT_EQ(utopendll("C:\\data.bin", _O_CREAT | _O_RDWR, -1, 0, _pgc), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(getFileHandle(), 0);
    EXPECT_EQ(Contents("C:\\data.bin"), "abc\n");

    // Truncate alone empties an existing file and creates none.
    fd = utopendll("C:\\data.bin", _O_TRUNC | _O_WRONLY, -1, 0, _pgc);
    ASSERT_GE(fd, 0);
    utclose(fd, 0);
    EXPECT_EQ(Contents("C:\\data.bin"), "");
    errno = 0;
    EXPECT_EQ(utopendll("C:\\none.bin", _O_TRUNC | _O_WRONLY, -1, 0, _pgc), -1);
    EXPECT_EQ(errno, ENOENT);

    // Neither: open existing; missing files and directories give ENOENT.
    errno = 0;
    EXPECT_EQ(utopendll("C:\\none.bin", _O_RDONLY, -1, 0, _pgc), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(utopendll("C:\\nodir\\x.bin", _O_CREAT | _O_TRUNC | _O_RDWR, -1, 0, _pgc), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(fs::exists(root + "/C/nodir"));

    // A directory cannot be opened as a file: EACCES.
    fs::create_directory(root + "/C/sub");
    errno = 0;
    EXPECT_EQ(utopendll("C:\\sub", _O_RDONLY, -1, 0, _pgc), -1);
    EXPECT_EQ(errno, EACCES);
}

TEST_F(Descriptors, PermissionDecidesReadOnlyCreation) {
    int32_t fd = utopendll("C:\\ro.txt", _O_CREAT | _O_TRUNC | _O_RDWR, _S_IREAD, 0, _pgc);
    ASSERT_GE(fd, 0);
    utclose(fd, 0);
    EXPECT_NE(GetFileAttributes("C:\\ro.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    errno = 0;
    EXPECT_EQ(utopendll("C:\\ro.txt", _O_WRONLY, -1, 0, _pgc), -1);
    EXPECT_EQ(errno, EACCES);
    fd = utopendll("C:\\ro.txt", _O_RDONLY, -1, 0, _pgc);
    EXPECT_GE(fd, 0);
    utclose(fd, 0);

    // Owner write given, or no permission at all: a writable file.
    for (int32_t pmode : {_S_IREAD | _S_IWRITE, -1}) {
        fd = utopendll("C:\\rw.txt", _O_CREAT | _O_TRUNC | _O_RDWR, pmode, 0, _pgc);
        ASSERT_GE(fd, 0);
        utclose(fd, 0);
        EXPECT_EQ(GetFileAttributes("C:\\rw.txt") & FILE_ATTRIBUTE_READONLY, 0u) << pmode;
    }

    // utcreatdll always gives owner read and write, and truncates.
    WriteHostFile(root + "/C/made.bin", "old contents");
    fd = utcreatdll("C:\\made.bin", _S_IREAD, 0, _pgc);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(_write(fd, "x\ny", 3), 3);
    utclose(fd, 0);
    EXPECT_EQ(GetFileAttributes("C:\\made.bin") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(Contents("C:\\made.bin"), "x\ny");   // binary: no CR added
}

TEST_F(Descriptors, OnlyTextAndAppendBitsReachTheDescriptor) {
    int32_t fd = utopendll("C:\\t.txt", _O_CREAT | _O_TRUNC | _O_WRONLY | _O_TEXT, -1, 0, _pgc);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(_write(fd, "a\nb\n", 4), 4);
    utclose(fd, 0);
    EXPECT_EQ(Contents("C:\\t.txt"), "a\r\nb\r\n");

    fd = utopendll("C:\\t.txt", _O_RDONLY | _O_TEXT, -1, 0, _pgc);
    EXPECT_EQ(Read(fd), "a\nb\n");
    utclose(fd, 0);
    // Without the text bit the descriptor passes bytes through.
    fd = utopendll("C:\\t.txt", _O_RDONLY, -1, 0, _pgc);
    EXPECT_EQ(Read(fd), "a\r\nb\r\n");
    utclose(fd, 0);

    fd = utopendll("C:\\t.txt", _O_WRONLY | _O_APPEND | _O_BINARY, -1, 0, _pgc);
    ASSERT_GE(fd, 0);
    _lseek(fd, 0, SEEK_SET);
    ASSERT_EQ(_write(fd, "end", 3), 3);
    utclose(fd, 0);
    EXPECT_EQ(Contents("C:\\t.txt"), "a\r\nb\r\nend");
}

TEST_F(Descriptors, NetworkPathIsRetriedThroughTheSharedOpen) {
    fs::create_directory(root + "/share");
    PlatformConfig config = CurrentPlatformConfig();
    config.shares.push_back(ShareDecl{"\\\\srv\\pub", root + "/share", 0});
    ApplyPlatformConfig(config);
    WriteHostFile(root + "/share/exists.txt", "shared");

    // The native open refuses create-new on an existing file; the retry has
    // no exclusive bit and opens it, leaving no native handle behind.
    const int32_t fd = utopendll("\\\\srv\\pub\\exists.txt", _O_CREAT | _O_RDWR | _O_BINARY, -1, 0, _pgc);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(getFileHandle(), 0);
    EXPECT_EQ(Read(fd), "shared");
    utclose(fd, 0);

    // An unknown share fails both ways.
    EXPECT_EQ(utopendll("\\\\srv\\none\\x.txt", _O_RDONLY, -1, 0, _pgc), -1);
    EXPECT_EQ(getFileHandle(), 0);
}

TEST_F(Descriptors, FailureReportKeepsErrno) {
    WriteHostFile(root + "/C/here.txt", "");
    errno = 0;
    EXPECT_EQ(utopendll("C:\\here.txt", _O_CREAT | _O_RDWR, -1, UT_REPORT, _pgc), -1);
    EXPECT_EQ(errno, EEXIST);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(9000)"), std::string::npos);

    // A success reports nothing; utcreatdll reports its own failure once.
    const int32_t fd = utopendll("C:\\here.txt", _O_RDONLY, -1, UT_REPORT, _pgc);
    EXPECT_GE(fd, 0);
    utclose(fd, 0);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    errno = 0;
    EXPECT_EQ(utcreatdll("C:\\missing\\x.bin", 0, UT_REPORT, _pgc), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

}  // namespace
}  // namespace vrn
