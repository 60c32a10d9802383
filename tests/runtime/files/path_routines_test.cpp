// Path routines and the stored error: each failure leaves the code that
// utGetOsError translates, a success leaves the stored code alone.
#include <filesystem>
#include <string>

#include "runtime/files/files.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

// The portable number a path routine leaves, the stored code set to 0 first.
template <typename Call>
int32_t ErrorOf(Call call) {
    utSetOsError(0);
    call();
    return utGetOsError();
}

class PathRoutines : public test::TempDrives {
protected:
    std::string C(const std::string& rest) { return root + "/C/" + rest; }
    void ReadOnly(const std::string& rest) { fs::permissions(C(rest), fs::perms::owner_write, fs::perm_options::remove); }
};

TEST(PortableErrors, TableLookupTakesTheFirstPosition) {
    for (int32_t i = 0; i < PERRTBL_SIZE; ++i) {
        utSetOsError(_perrtbl[i]);
        EXPECT_EQ(utGetOsError(), i == 15 ? 14 : i) << "code " << _perrtbl[i];
    }
    utSetOsError(1234);
    EXPECT_EQ(utGetOsError(), 999);
    utForceUnknownError();
    EXPECT_EQ(_pgc->osError, 2u);
    utSetOsError(0);
    EXPECT_STREQ(utversn(), "9.1C");
}

TEST_F(PathRoutines, CreateAndDelete) {
    EXPECT_EQ(ErrorOf([] { utCreateDir("C:\\d"); }), 0);
    EXPECT_TRUE(fs::is_directory(C("d")));
    utSetOsError(145);
    utCreateDir("C:\\D");                       // exists: the code stays
    EXPECT_EQ(utGetOsError(), 18);
    WriteHostFile(C("f.txt"), "x");
    WriteHostFile(C("ro.txt"), "x");
    ReadOnly("ro.txt");
    EXPECT_EQ(ErrorOf([] { utCreateDir("C:\\f.txt"); }), 10);
    EXPECT_EQ(ErrorOf([] { utCreateDir("C:\\no\\deeper"); }), 2);
    EXPECT_FALSE(fs::exists(C("no")));

    EXPECT_EQ(ErrorOf([] { utDeleteFile("C:\\d"); }), 13);
    EXPECT_EQ(ErrorOf([] { utDeleteFile("C:\\none.txt"); }), 2);
    EXPECT_EQ(ErrorOf([] { utDeleteFile("C:\\ro.txt"); }), 8);
    EXPECT_EQ(ErrorOf([] { utDeleteFile("C:\\F.TXT"); }), 0);
    EXPECT_FALSE(fs::exists(C("f.txt")));

    EXPECT_EQ(ErrorOf([] { utDeleteDir("C:\\ro.txt"); }), 12);
    EXPECT_EQ(ErrorOf([] { utDeleteDir("C:\\none"); }), 2);
    WriteHostFile(C("d/.hidden"), "x");
    EXPECT_EQ(ErrorOf([] { utDeleteDir("C:\\d"); }), 18);
    fs::remove(C("d/.hidden"));
    fs::create_directory(C("locked"));
    ReadOnly("locked");
    EXPECT_EQ(ErrorOf([] { utDeleteDir("C:\\locked"); }), 8);
    EXPECT_EQ(ErrorOf([] { utDeleteDir("C:\\d\\"); }), 0);
    EXPECT_FALSE(fs::exists(C("d")));
}

TEST_F(PathRoutines, RecurseDelPassesOverDotNames) {
    fs::create_directories(C("tree/a/b"));
    for (const char* f : {"tree/one", "tree/a/two", "tree/a/b/three"}) WriteHostFile(C(f), "x");
    EXPECT_EQ(ErrorOf([] { utRecurseDel("C:\\tree"); }), 0);
    EXPECT_FALSE(fs::exists(C("tree")));

    fs::create_directories(C("keep/sub"));
    for (const char* f : {"keep/sub/.profile", "keep/sub/gone", "keep/gone"}) WriteHostFile(C(f), "x");
    EXPECT_EQ(ErrorOf([] { utRecurseDel("C:\\keep"); }), 18);
    EXPECT_TRUE(fs::exists(C("keep/sub/.profile")));
    EXPECT_FALSE(fs::exists(C("keep/sub/gone")) || fs::exists(C("keep/gone")));
    EXPECT_EQ(ErrorOf([] { utRecurseDel("C:\\keep\\sub\\.profile"); }), 12);
    EXPECT_EQ(ErrorOf([] { utRecurseDel("C:\\absent"); }), 2);
}

TEST_F(PathRoutines, RenameGivesUpperCaseNames) {
    WriteHostFile(C("a.txt"), "A");
    EXPECT_EQ(ErrorOf([] { utRename("C:\\a.txt", "C:\\b.txt"); }), 0);
    EXPECT_FALSE(fs::exists(C("a.txt")));
    EXPECT_EQ(ReadHostFile(C("B.TXT")), "A");
    fs::create_directory(C("dir1"));
    fs::create_directory(C("dir2"));
    WriteHostFile(C("c.txt"), "C");
    EXPECT_EQ(ErrorOf([] { utRename("C:\\none", "C:\\x"); }), 2);
    EXPECT_EQ(ErrorOf([] { utRename("C:\\c.txt", "C:\\b.txt"); }), 10);
    EXPECT_EQ(ErrorOf([] { utRename("C:\\dir1", "C:\\dir2"); }), 10);
    EXPECT_EQ(ErrorOf([] { utRename("C:\\dir1", "C:\\newdir"); }), 0);
    EXPECT_TRUE(fs::is_directory(C("NEWDIR")));
}

TEST_F(PathRoutines, CopyReplacesOrAppends) {
    std::string big;
    for (int i = 0; i < 10000; ++i) big += char('a' + i % 26);
    const std::string exact(8192, 'e');   // ends on a block boundary
    WriteHostFile(C("src"), big);
    WriteHostFile(C("exact"), exact);
    WriteHostFile(C("dst"), "old;");
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\src", "C:\\dst", 1); }), 0);
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\exact", "C:\\dst", 1); }), 0);
    EXPECT_EQ(ReadHostFile(C("dst")), "old;" + big + exact);
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\src", "C:\\dst", 0); }), 0);
    EXPECT_EQ(ReadHostFile(C("dst")), big);
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\exact", "C:\\fresh", 1); }), 0);
    EXPECT_EQ(ReadHostFile(C("fresh")), exact);

    fs::create_directory(C("dir"));
    WriteHostFile(C("ro"), "keep");
    ReadOnly("ro");
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\dir", "C:\\x", 0); }), 13);
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\none", "C:\\x", 0); }), 2);
    EXPECT_EQ(ErrorOf([] { utCopyFile("C:\\src", "C:\\ro", 0); }), 8);
    EXPECT_EQ(ReadHostFile(C("ro")), "keep");
}

}  // namespace
}  // namespace vrn
