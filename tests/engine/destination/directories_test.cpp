// Directory creation and removal.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/drives.h"
#include "tests/support/test_support.h"

namespace vrn::test {
namespace {

class DirectoriesTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        dHost = MapTempDrive('D');
    }
    static bool IsDir(const std::string& host) {
        struct stat st {};
        return ::lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    static bool Exists(const std::string& host) {
        struct stat st {};
        return ::lstat(host.c_str(), &st) == 0;
    }
    std::string CurrentDirectory() {
        char buffer[300] = {};
        return _getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
    }
    std::string dHost;
};

TEST_F(DirectoriesTest, CreatesOneLevelAtATimeOnItsOwnDrive) {
    ::mkdir((dHost + "/a").c_str(), 0700);
    ::mkdir((root + "/C/work").c_str(), 0700);
    ASSERT_EQ(_chdir("C:\\work"), 0);
    EXPECT_EQ(CreateDirectoryPath("D:\\a\\b\\c", 0), 0);
    EXPECT_TRUE(IsDir(dHost + "/a/b/c"));
    EXPECT_EQ(CurrentDirectory(), "C:\\work");

    // Kind 1: the last piece is a file name and is left alone.
    EXPECT_EQ(CreateDirectoryPath("D:\\x\\y\\file.txt", CREATE_PATH_OF_FILE), 0);
    EXPECT_TRUE(IsDir(dHost + "/x/y"));
    EXPECT_FALSE(Exists(dHost + "/x/y/file.txt"));
    EXPECT_EQ(CreateDirectoryPath("D:\\top.txt", CREATE_PATH_OF_FILE), 0);
    EXPECT_FALSE(Exists(dHost + "/top.txt"));

    // Relative forms work from the current directory; a bare name is nothing to create.
    EXPECT_EQ(CreateDirectoryPath(".\\rel\\sub", 0), 0);
    EXPECT_TRUE(IsDir(root + "/C/work/rel/sub"));
    EXPECT_EQ(CreateDirectoryPath("tmp", 0), 0);
    EXPECT_FALSE(Exists(root + "/C/work/tmp"));
    EXPECT_TRUE(dialogs.boxes.empty());

    // Every missing prefix is made, in order, whether the path goes one
    // level below what exists or several; a piece of dots climbs, and the
    // piece before it is made all the same.
    ::mkdir((dHost + "/deep").c_str(), 0700);
    EXPECT_EQ(CreateDirectoryPath("D:\\deep\\one", 0), 0);
    EXPECT_EQ(CreateDirectoryPath("D:\\deep\\one\\two\\three\\four", 0), 0);
    EXPECT_TRUE(IsDir(dHost + "/deep/one/two/three/four"));
    EXPECT_EQ(CreateDirectoryPath("D:\\m\\..\\n\\o", 0), 0);
    EXPECT_TRUE(IsDir(dHost + "/m"));
    EXPECT_TRUE(IsDir(dHost + "/n/o"));
    EXPECT_EQ(CreateDirectoryPath("D:\\p\\.\\q", 0), 0);
    EXPECT_TRUE(IsDir(dHost + "/p/q"));
    EXPECT_TRUE(dialogs.boxes.empty());

    char path[] = "D:\\a\\b.txt";
    TrimEnd(path);
    EXPECT_STREQ(path, "D:\\a");
    char bare[] = "name";
    TrimEnd(bare);
    EXPECT_STREQ(bare, "name");
}

TEST_F(DirectoriesTest, FilesOnThePathAndMissingDrives) {
    WriteHostFile(dHost + "/f", "file");
    // A last piece that is a file counts as existing.
    EXPECT_EQ(CreateDirectoryPath("D:\\f", 0), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    // A file in the middle makes the next piece fail, reported with the whole path.
    EXPECT_EQ(CreateDirectoryPath("D:\\f\\g\\h", 0), -119);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (119): Unable to make directory. (D:\\f\\g\\h)");
    EXPECT_EQ(CurrentDirectory(), "C:\\");

    dialogs.Clear();
    EXPECT_EQ(CreateDirectoryPath("Q:\\new", 0), -124);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(Q:\\new)"), std::string::npos);
}

TEST_F(DirectoriesTest, RemovesTreesButNeverFollowsLinks) {
    ::mkdir((dHost + "/old").c_str(), 0700);
    ::mkdir((dHost + "/old/sub").c_str(), 0700);
    ::mkdir((dHost + "/old/sub/deeper").c_str(), 0700);
    WriteHostFile(dHost + "/old/a.txt", "a");
    WriteHostFile(dHost + "/old/.hidden", "h");
    WriteHostFile(dHost + "/old/sub/deeper/b.txt", "b");
    ::mkdir((root + "/outside").c_str(), 0700);
    WriteHostFile(root + "/outside/keep.txt", "keep");
    ASSERT_EQ(::symlink((root + "/outside").c_str(), (dHost + "/old/sub/link").c_str()), 0);

    EXPECT_EQ(EmptyDirectory("D:\\old"), 0);
    char buffer[300] = "D:\\old";
    EXPECT_EQ(RemovePath(buffer), 0);
    EXPECT_STREQ(buffer, "D:\\old\\");
    EXPECT_TRUE(IsDir(dHost + "/old"));
    EXPECT_EQ(EmptyDirectory("D:\\old"), 1);
    EXPECT_EQ(ReadHostFile(root + "/outside/keep.txt"), "keep");

    ::mkdir((dHost + "/old/again").c_str(), 0700);
    WriteHostFile(dHost + "/old/again/c.txt", "c");
    ASSERT_EQ(_chdir("D:\\old\\again"), 0);
    ASSERT_EQ(_chdrive(4), 0);
    EXPECT_EQ(RecursiveDirDelete("D:\\old\\"), 0);
    EXPECT_FALSE(Exists(dHost + "/old"));
    EXPECT_TRUE(dialogs.boxes.empty());

    // A hidden file makes a directory non-empty; a missing one counts as empty.
    ::mkdir((dHost + "/h").c_str(), 0700);
    WriteHostFile(dHost + "/h/.x", "");
    EXPECT_EQ(EmptyDirectory("D:\\h"), 0);
    ::mkdir((dHost + "/e").c_str(), 0700);
    EXPECT_EQ(EmptyDirectory("D:\\e\\"), 1);
    EXPECT_EQ(EmptyDirectory("D:\\missing"), 1);
}

TEST_F(DirectoriesTest, RemovalFailures) {
    EXPECT_EQ(RemoveEntry("D:\\nothing.txt"), -110);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (110): Unable to remove the file. (D:\\nothing.txt)");

    // A directory that is not there cannot be removed: message 120 for it.
    dialogs.Clear();
    EXPECT_EQ(RecursiveDirDelete("D:\\gone"), -120);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (120): Unable to remove directory. (D:\\gone)");
}

}  // namespace
}  // namespace vrn::test
