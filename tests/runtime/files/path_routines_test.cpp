// Path routines and the stored error: creating, deleting, renaming and
// copying, each failure leaving the code that utGetOsError translates.
#include <filesystem>
#include <string>

#include "runtime/files/files.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

// The portable number a path routine leaves, the stored code cleared first.
template <typename Call>
int32_t PortableErrorOf(Call call) {
    utSetOsError(0);
    call();
    return utGetOsError();
}

class PathRoutines : public test::TempDrives {
protected:
    std::string C(const std::string& rest) { return root + "/C/" + rest; }
    void MakeReadOnly(const std::string& host) {
        fs::permissions(host, fs::perms::owner_write, fs::perm_options::remove);
    }
};

TEST(PortableErrors, TableLookupTakesTheFirstPosition) {
    for (int32_t i = 0; i < PERRTBL_SIZE; ++i) {
        utSetOsError(_perrtbl[i]);
        EXPECT_EQ(utGetOsError(), i == 15 ? 14 : i) << "code " << _perrtbl[i];
    }
    utSetOsError(4);
    EXPECT_EQ(utGetOsError(), 14);
    utSetOsError(1234);
    EXPECT_EQ(utGetOsError(), 999);
    utForceUnknownError();
    EXPECT_EQ(_pgc->osError, 2u);
    EXPECT_EQ(utGetOsError(), 2);
    utSetOsError(0);
    EXPECT_STREQ(utversn(), "9.1C");
}

TEST_F(PathRoutines, CreateDirLeavesTheRightCodes) {
    EXPECT_EQ(PortableErrorOf([] { utCreateDir("C:\\made"); }), 0);
    EXPECT_TRUE(fs::is_directory(C("made")));

    // An existing directory is fine and leaves the stored code alone.
    utSetOsError(145);
    utCreateDir("C:\\MADE");
    EXPECT_EQ(utGetOsError(), 18);

    WriteHostFile(C("file"), "x");
    EXPECT_EQ(PortableErrorOf([] { utCreateDir("C:\\file"); }), 10);
    EXPECT_EQ(PortableErrorOf([] { utCreateDir("C:\\no\\deeper"); }), 2);
    EXPECT_FALSE(fs::exists(C("no")));
}

TEST_F(PathRoutines, DeleteFileAndDeleteDir) {
    fs::create_directory(C("d"));
    WriteHostFile(C("f.txt"), "x");
    WriteHostFile(C("ro.txt"), "x");
    MakeReadOnly(C("ro.txt"));

    EXPECT_EQ(PortableErrorOf([] { utDeleteFile("C:\\d"); }), 13);
    EXPECT_EQ(PortableErrorOf([] { utDeleteFile("C:\\none.txt"); }), 2);
    EXPECT_EQ(PortableErrorOf([] { utDeleteFile("C:\\ro.txt"); }), 8);
    EXPECT_TRUE(fs::exists(C("ro.txt")));
    EXPECT_EQ(PortableErrorOf([] { utDeleteFile("C:\\F.TXT"); }), 0);
    EXPECT_FALSE(fs::exists(C("f.txt")));

    EXPECT_EQ(PortableErrorOf([] { utDeleteDir("C:\\ro.txt"); }), 12);
    EXPECT_EQ(PortableErrorOf([] { utDeleteDir("C:\\none"); }), 2);
    WriteHostFile(C("d/inner"), "x");
    EXPECT_EQ(PortableErrorOf([] { utDeleteDir("C:\\d"); }), 18);
    fs::remove(C("d/inner"));
    WriteHostFile(C("d/.hidden"), "x");
    EXPECT_EQ(PortableErrorOf([] { utDeleteDir("C:\\d"); }), 18);
    EXPECT_TRUE(fs::exists(C("d/.hidden")));
    fs::remove(C("d/.hidden"));
    fs::create_directory(C("locked"));
    MakeReadOnly(C("locked"));
    EXPECT_EQ(PortableErrorOf([] { utDeleteDir("C:\\locked"); }), 8);
    EXPECT_EQ(PortableErrorOf([] { utDeleteDir("C:\\d\\"); }), 0);
    EXPECT_FALSE(fs::exists(C("d")));
}

TEST_F(PathRoutines, RecurseDelPassesOverDotNames) {
    fs::create_directories(C("tree/a/b"));
    WriteHostFile(C("tree/one.txt"), "1");
    WriteHostFile(C("tree/a/two.txt"), "2");
    WriteHostFile(C("tree/a/b/three.txt"), "3");
    EXPECT_EQ(PortableErrorOf([] { utRecurseDel("C:\\tree"); }), 0);
    EXPECT_FALSE(fs::exists(C("tree")));

    fs::create_directories(C("keep/sub"));
    WriteHostFile(C("keep/sub/.profile"), "p");
    WriteHostFile(C("keep/sub/gone.txt"), "g");
    WriteHostFile(C("keep/gone.txt"), "g");
    EXPECT_EQ(PortableErrorOf([] { utRecurseDel("C:\\keep"); }), 18);
    EXPECT_TRUE(fs::exists(C("keep/sub/.profile")));
    EXPECT_FALSE(fs::exists(C("keep/sub/gone.txt")));
    EXPECT_FALSE(fs::exists(C("keep/gone.txt")));

    fs::create_directory(C("only"));
    WriteHostFile(C("only/.hidden"), "h");
    EXPECT_EQ(PortableErrorOf([] { utRecurseDel("C:\\only"); }), 18);
    EXPECT_TRUE(fs::exists(C("only/.hidden")));

    WriteHostFile(C("plain"), "x");
    EXPECT_EQ(PortableErrorOf([] { utRecurseDel("C:\\plain"); }), 12);
    EXPECT_EQ(PortableErrorOf([] { utRecurseDel("C:\\absent"); }), 2);
}

TEST_F(PathRoutines, RenameGivesUpperCaseNames) {
    WriteHostFile(C("a.txt"), "A");
    EXPECT_EQ(PortableErrorOf([] { utRename("C:\\a.txt", "C:\\b.txt"); }), 0);
    EXPECT_FALSE(fs::exists(C("a.txt")));
    ASSERT_TRUE(fs::exists(C("B.TXT")));
    EXPECT_EQ(ReadHostFile(C("B.TXT")), "A");

    fs::create_directory(C("dir1"));
    fs::create_directory(C("dir2"));
    WriteHostFile(C("c.txt"), "C");
    EXPECT_EQ(PortableErrorOf([] { utRename("C:\\none", "C:\\x"); }), 2);
    EXPECT_EQ(PortableErrorOf([] { utRename("C:\\c.txt", "C:\\b.txt"); }), 10);
    EXPECT_EQ(PortableErrorOf([] { utRename("C:\\dir1", "C:\\dir2"); }), 10);
    EXPECT_EQ(PortableErrorOf([] { utRename("C:\\dir1", "C:\\newdir"); }), 0);
    EXPECT_TRUE(fs::is_directory(C("NEWDIR")));
    EXPECT_FALSE(fs::exists(C("dir1")));
    EXPECT_EQ(ReadHostFile(C("c.txt")), "C");
}

TEST_F(PathRoutines, CopyReplacesOrAppends) {
    std::string big;
    for (int i = 0; i < 10000; ++i) big += char('a' + i % 26);
    WriteHostFile(C("src.txt"), big);
    WriteHostFile(C("exact.txt"), std::string(8192, 'e'));
    WriteHostFile(C("dst.txt"), "old;");

    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\src.txt", "C:\\dst.txt", 1); }), 0);
    EXPECT_EQ(ReadHostFile(C("dst.txt")), "old;" + big);
    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\exact.txt", "C:\\dst.txt", 1); }), 0);
    EXPECT_EQ(ReadHostFile(C("dst.txt")), "old;" + big + std::string(8192, 'e'));
    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\src.txt", "C:\\dst.txt", 0); }), 0);
    EXPECT_EQ(ReadHostFile(C("dst.txt")), big);
    // Append onto a missing file is a plain copy.
    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\exact.txt", "C:\\fresh.txt", 1); }), 0);
    EXPECT_EQ(ReadHostFile(C("fresh.txt")), std::string(8192, 'e'));

    fs::create_directory(C("dir"));
    WriteHostFile(C("ro.txt"), "keep");
    MakeReadOnly(C("ro.txt"));
    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\dir", "C:\\x.txt", 0); }), 13);
    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\none", "C:\\x.txt", 0); }), 2);
    EXPECT_EQ(PortableErrorOf([] { utCopyFile("C:\\src.txt", "C:\\ro.txt", 0); }), 8);
    EXPECT_EQ(ReadHostFile(C("ro.txt")), "keep");
    EXPECT_FALSE(fs::exists(C("x.txt")));
}

}  // namespace
}  // namespace vrn
