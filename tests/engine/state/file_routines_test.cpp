// Path joining, line reading, file size and presence checks.
#include <string>

#include <gtest/gtest.h>

#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class FileRoutinesTest : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
    }
    int32_t OpenWith(const std::string& bytes) {
        WriteHostFile(Host("C:\\lines.txt"), bytes);
        return utopendll("C:\\lines.txt", _O_RDONLY | _O_BINARY, -1, 0, _pgc);
    }
};

std::string Join(const char* directory, const char* name) {
    char out[128];
    EXPECT_EQ(FormatFileName(directory, name, out), 0);
    return out;
}

TEST(FormatFileNameTest, JoinsEachFormOfDirectory) {
    EXPECT_EQ(Join("", "a.txt"), ".\\a.txt");
    EXPECT_EQ(Join("C:", "a.txt"), "C:\\a.txt");
    EXPECT_EQ(Join("C:\\", "a.txt"), "C:\\a.txt");
    EXPECT_EQ(Join("C:\\x", "a.txt"), "C:\\x\\a.txt");
    EXPECT_EQ(Join("C:x\\", "a.txt"), "C:x\\\\a.txt");
    EXPECT_EQ(Join(".", "a.txt"), ".\\a.txt");
    EXPECT_EQ(Join("..", "a.txt"), "..\\a.txt");
    EXPECT_EQ(Join(".\\", "a.txt"), ".\\a.txt");
    EXPECT_EQ(Join("..\\", "a.txt"), "..\\\\a.txt");
    EXPECT_EQ(Join("\\", "a.txt"), "\\a.txt");
    EXPECT_EQ(Join("\\\\srv\\share", "a.txt"), "\\\\srv\\share\\a.txt");
    EXPECT_EQ(Join("x", "a.txt"), ".\\x\\a.txt");

    // Joined into the directory's own buffer, as into any other.
    char inPlace[64] = "x";
    EXPECT_EQ(FormatFileName(inPlace, "a.txt", inPlace), 0);
    EXPECT_STREQ(inPlace, ".\\x\\a.txt");
    char name[64] = "sub\\b.txt";
    EXPECT_EQ(FormatFileName("C:\\d", name, name), 0);
    EXPECT_STREQ(name, "C:\\d\\sub\\b.txt");
}

TEST(FormatFileNameTest, OnlyTheBackslashSeparates) {
    // A '/' is never taken for a separator, in any of the rules: paths
    // typed with it are given their backslashes before they reach a join.
    EXPECT_EQ(Join("C:/", "a.txt"), "C:/\\a.txt");            // drive form, c2 not a backslash
    EXPECT_EQ(Join("C:\\x/", "a.txt"), "C:\\x/\\a.txt");      // drive form, no trailing backslash
    EXPECT_EQ(Join("./", "a.txt"), "./\\a.txt");              // dot form, c1 not a backslash
    EXPECT_EQ(Join(".\\x/", "a.txt"), ".\\x/\\a.txt");        // dot form, no trailing backslash
    EXPECT_EQ(Join("\\x/", "a.txt"), "\\x/\\a.txt");          // rooted, no trailing backslash
    EXPECT_EQ(Join("/", "a.txt"), ".\\/\\a.txt");            // not rooted: a relative directory
    EXPECT_EQ(Join("//srv/share", "a.txt"), ".\\//srv/share\\a.txt");
    EXPECT_EQ(Join("x/", "a.txt"), ".\\x/\\a.txt");
}

TEST_F(FileRoutinesTest, GetFileStringReadsLinesPiecesAndTheLastLine) {
    char buffer[16];
    int32_t error = -1;
    {
        UtDescriptor fd(OpenWith("ab\ncd"));
        ASSERT_GE(fd.fd, 0);
        EXPECT_EQ(GetFileString(buffer, sizeof buffer, fd.fd, "lines.txt", &error), buffer);
        EXPECT_STREQ(buffer, "ab\n");
        EXPECT_EQ(error, 0);
        EXPECT_EQ(GetFileString(buffer, sizeof buffer, fd.fd, "lines.txt", &error), nullptr);
        EXPECT_STREQ(buffer, "cd");
        EXPECT_EQ(error, 0);
    }
    {
        UtDescriptor fd(OpenWith("abcd\n"));
        EXPECT_EQ(GetFileString(buffer, 3, fd.fd, "lines.txt", &error), buffer);
        EXPECT_STREQ(buffer, "ab");
        EXPECT_EQ(GetFileString(buffer, 3, fd.fd, "lines.txt", &error), buffer);
        EXPECT_STREQ(buffer, "cd");
        EXPECT_EQ(GetFileString(buffer, 3, fd.fd, "lines.txt", &error), buffer);
        EXPECT_STREQ(buffer, "\n");
        EXPECT_EQ(GetFileString(buffer, 1, fd.fd, "lines.txt", &error), nullptr);
    }
    {
        // A full buffer whose last byte is a NUL does not count as a line.
        UtDescriptor fd(OpenWith(std::string("a\0b", 3)));
        EXPECT_EQ(GetFileString(buffer, 3, fd.fd, "lines.txt", &error), nullptr);
        EXPECT_EQ(buffer[0], 'a');
    }
    const int32_t closed = OpenWith("x\n");
    ASSERT_GE(closed, 0);
    utclose(closed, UT_WRITE_THROUGH);
    EXPECT_EQ(GetFileString(buffer, sizeof buffer, closed, "lines.txt", &error), nullptr);
    EXPECT_EQ(error, -106);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (106): Unable to read data. (: lines.txt (EBADF))");
}

TEST_F(FileRoutinesTest, SizeAndPresenceOfFiles) {
    const int32_t fd = OpenWith("12345");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(AcquireFileSizeCurrent(fd, "lines.txt"), 5u);
    utclose(fd, UT_WRITE_THROUGH);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(AcquireFileSizeCurrent(fd, "lines.txt"), 0u);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (109): Unable to acquire information on the file. (lines.txt)");

    EXPECT_EQ(FindAndCheckFile("C:\\", "lines.txt"), 1);
    EXPECT_EQ(FindAndCheckFile("C:", "LINES.TXT"), 1);
    EXPECT_EQ(FindAndCheckFile("C:\\", "absent.txt"), 0);
    EXPECT_EQ(FindAndCheckFile("C:\\nodir", "lines.txt"), 0);

    testing::internal::CaptureStdout();
    printError("disk gone");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n Error: disk gone \n");
}

}  // namespace
}  // namespace vrn
