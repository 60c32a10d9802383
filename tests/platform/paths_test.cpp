// Windows-form paths through the drive map: the forms a path may take, the
// current directories, case-insensitive lookup, and shares.
#include <sys/stat.h>
#include <unistd.h>

#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/native.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class PathTest : public test::TempDrives {};

TEST_F(PathTest, FormsResolveAgainstCurrentDriveAndDirectories) {
    const std::string c = root + "/C";
    const std::string d = MapTempDrive('D');
    ASSERT_EQ(_mkdir("C:\\work"), 0);
    ASSERT_EQ(_mkdir("C:\\work\\sub"), 0);
    ASSERT_EQ(_mkdir("D:\\data"), 0);

    EXPECT_EQ(HostPath("C:\\work\\a.txt"), c + "/work/a.txt");
    EXPECT_EQ(HostPath("C:/work/a.txt"), c + "/work/a.txt");
    EXPECT_EQ(HostPath("C:\\"), c);

    // Each drive keeps its own current directory; changing it makes the drive current.
    ASSERT_EQ(_chdir("D:\\data"), 0);
    EXPECT_EQ(_getdrive(), 4);
    ASSERT_EQ(_chdir("C:\\work"), 0);
    EXPECT_EQ(_getdrive(), 3);
    EXPECT_EQ(HostPath("D:x.txt"), d + "/data/x.txt");       // drive-relative
    EXPECT_EQ(HostPath("x.txt"), c + "/work/x.txt");          // relative
    EXPECT_EQ(HostPath(".\\sub\\x"), c + "/work/sub/x");
    EXPECT_EQ(HostPath("..\\x"), c + "/x");
    EXPECT_EQ(HostPath("\\x"), c + "/x");                     // root-relative
    EXPECT_EQ(HostPath("sub\\.\\..\\sub//x"), c + "/work/sub/x");
    // ".." never climbs above the drive's root.
    EXPECT_EQ(HostPath("C:\\..\\..\\etc"), c + "/etc");
    EXPECT_EQ(HostPath("..\\..\\..\\x"), c + "/x");

    char buffer[64];
    ASSERT_NE(_getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "C:\\work");
    ASSERT_NE(_getdcwd(4, buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(buffer, "D:\\data");
    EXPECT_EQ(_getcwd(buffer, 7), nullptr);   // "C:\work" and its NUL need 8

    ASSERT_EQ(_chdrive(4), 0);
    EXPECT_EQ(HostPath("y"), d + "/data/y");
    EXPECT_EQ(_chdrive(5), -1);               // E: is absent
    EXPECT_EQ(_chdir("C:\\missing"), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(_getdrive(), 4);

    EXPECT_EQ(WindowsPathOf(c + "/work/sub"), "C:\\work\\sub");
    EXPECT_EQ(WindowsPathOf(d), "D:\\");
    EXPECT_EQ(WindowsPathOf("/elsewhere"), "");
}

TEST_F(PathTest, NamesAreFoundIgnoringCaseAndCreatedNamesKeepTheirCase) {
    ASSERT_EQ(_mkdir("C:\\Program Files"), 0);
    int fd = _open("C:\\PROGRAM FILES\\ReadMe.TXT", _O_CREAT | _O_WRONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(_write(fd, "hi", 2), 2);
    ASSERT_EQ(_close(fd), 0);
    struct stat st {};
    EXPECT_EQ(::stat((root + "/C/Program Files/ReadMe.TXT").c_str(), &st), 0);

    const ResolvedPath r = ResolvePath("c:\\program files\\readme.txt");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.drive, 'C');
    EXPECT_EQ(r.host, root + "/C/Program Files/ReadMe.TXT");
    EXPECT_EQ(r.windows, "C:\\Program Files\\ReadMe.TXT");

    // A missing directory keeps the given spelling for everything below it.
    EXPECT_EQ(HostPath("C:\\program files\\New\\Deeper"), root + "/C/Program Files/New/Deeper");
    // An exact match wins over a spelling that differs only in case.
    WriteHostFile(root + "/C/a.txt", "lower");
    WriteHostFile(root + "/C/A.TXT", "upper");
    EXPECT_EQ(HostPath("C:\\A.TXT"), root + "/C/A.TXT");
    EXPECT_EQ(HostPath("C:\\a.txt"), root + "/C/a.txt");
    // Latin-1 letters compare ignoring case as well.
    ASSERT_EQ(_mkdir("C:\\\xC9t\xE9"), 0);
    EXPECT_EQ(HostPath("C:\\\xE9T\xC9"), root + "/C/\xC9t\xE9");
}

TEST_F(PathTest, LookupIgnoringCaseFollowsEveryChangeOfTheDirectory) {
    ASSERT_EQ(_mkdir("C:\\dir"), 0);
    // A first lookup reads the directory's listing.
    EXPECT_EQ(HostPath("C:\\dir\\one.txt"), root + "/C/dir/one.txt");
    // Entries the platform creates are found under another spelling at once.
    for (const char* name : {"C:\\dir\\One.TXT", "C:\\dir\\Two.dat"}) {
        HANDLE h = CreateFile(name, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    ASSERT_TRUE(CreateDirectory("C:\\dir\\Sub"));
    EXPECT_EQ(HostPath("C:\\DIR\\one.txt"), root + "/C/dir/One.TXT");
    EXPECT_EQ(HostPath("C:\\dir\\TWO.DAT"), root + "/C/dir/Two.dat");
    EXPECT_EQ(HostPath("C:\\dir\\sub\\x"), root + "/C/dir/Sub/x");
    // A removed entry is no longer found; a new spelling takes its place.
    ASSERT_TRUE(DeleteFile("C:\\dir\\one.txt"));
    EXPECT_EQ(HostPath("C:\\dir\\ONE.TXT"), root + "/C/dir/ONE.TXT");
    ASSERT_TRUE(MoveFile("C:\\dir\\two.dat", "C:\\dir\\Three.dat"));
    EXPECT_EQ(HostPath("C:\\dir\\two.dat"), root + "/C/dir/two.dat");
    EXPECT_EQ(HostPath("C:\\dir\\THREE.DAT"), root + "/C/dir/Three.dat");
    // Changes made behind the platform's back are seen too.
    WriteHostFile(root + "/C/dir/Outside.Txt", "x");
    EXPECT_EQ(HostPath("C:\\dir\\outside.txt"), root + "/C/dir/Outside.Txt");
    ASSERT_EQ(::unlink((root + "/C/dir/Outside.Txt").c_str()), 0);
    EXPECT_EQ(HostPath("C:\\dir\\outside.txt"), root + "/C/dir/outside.txt");
}

TEST_F(PathTest, AKeptListingNeverOutlivesItsDirectory) {
    const std::string d = root + "/C/d";
    ASSERT_TRUE(CreateDirectory("C:\\d"));
    HANDLE h = CreateFile("C:\\d\\a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(HostPath("C:\\d\\A.TXT"), d + "/a.txt");

    // The directory renamed away and another made in its place: names,
    // new files and times all go to the new one.
    ASSERT_EQ(::rename(d.c_str(), (root + "/C/old").c_str()), 0);
    ASSERT_EQ(::mkdir(d.c_str(), 0755), 0);
    WriteHostFile(d + "/B.txt", "b");
    EXPECT_EQ(HostPath("C:\\d\\b.TXT"), d + "/B.txt");
    EXPECT_EQ(HostPath("C:\\d\\a.txt"), d + "/a.txt");
    h = CreateFile("C:\\d\\c.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    struct stat st {};
    EXPECT_EQ(::stat((d + "/c.txt").c_str(), &st), 0);
    EXPECT_NE(::stat((root + "/C/old/c.txt").c_str(), &st), 0);
    _utimbuf_t times{1000000000, 1100000000};
    ASSERT_EQ(_utime("C:\\d\\b.txt", &times), 0);
    ASSERT_EQ(::stat((d + "/B.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1100000000);

    // A directory the platform has just made starts with an empty listing;
    // what another process puts in it then is found all the same.
    ASSERT_TRUE(CreateDirectory("C:\\fresh"));
    WriteHostFile(root + "/C/fresh/Late.TXT", "late");
    EXPECT_EQ(HostPath("C:\\fresh\\late.txt"), root + "/C/fresh/Late.TXT");
    EXPECT_EQ(HostPath("C:\\fresh\\other.txt"), root + "/C/fresh/other.txt");

    // Removed and made again behind the platform's back.
    for (const char* name : {"/B.txt", "/c.txt"}) ASSERT_EQ(::unlink((d + name).c_str()), 0);
    ASSERT_EQ(::rmdir(d.c_str()), 0);
    ASSERT_EQ(::mkdir(d.c_str(), 0755), 0);
    WriteHostFile(d + "/X.txt", "x");
    EXPECT_EQ(HostPath("C:\\d\\x.txt"), d + "/X.txt");
    EXPECT_EQ(HostPath("C:\\d\\b.txt"), d + "/b.txt");

    // Names that differ only in case, asked again while the listing is
    // kept: the exact spelling wins, else the first in byte order.
    WriteHostFile(d + "/t.txt", "lower");
    WriteHostFile(d + "/T.TXT", "upper");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(HostPath("C:\\d\\t.txt"), d + "/t.txt");
        EXPECT_EQ(HostPath("C:\\d\\T.TXT"), d + "/T.TXT");
        EXPECT_EQ(HostPath("C:\\d\\t.TXT"), d + "/T.TXT");
    }
}

TEST_F(PathTest, NamesOfOneDirectoryInTurnResolveAsEachWouldAlone) {
    const std::string d = root + "/C/d";
    ASSERT_TRUE(CreateDirectory("C:\\d"));
    ASSERT_TRUE(CreateDirectory("C:\\e"));
    for (const char* name : {"C:\\d\\a.txt", "C:\\d\\Mixed.TXT", "C:\\e\\z.txt"}) {
        HANDLE h = CreateFile(name, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    // One after another in the same directory, as an extraction asks: the
    // stored spelling, a new name, the platform's dropping of trailing dots,
    // other separators and a climb back into it.
    struct Case {
        const char* path;
        std::string host;
        const char* windows;
    };
    const Case cases[] = {
        {"C:\\d\\a.txt", d + "/a.txt", "C:\\d\\a.txt"},
        {"C:\\d\\mixed.txt", d + "/Mixed.TXT", "C:\\d\\mixed.txt"},
        {"C:\\d\\new.txt", d + "/new.txt", "C:\\d\\new.txt"},
        {"C:\\d\\b.txt.", d + "/b.txt", "C:\\d\\b.txt"},
        {"C:\\d\\..", root + "/C", "C:\\"},
        {"C:/d/A.TXT", d + "/a.txt", "C:\\d\\A.TXT"},
        {"C:\\e\\..\\d\\a.txt", d + "/a.txt", "C:\\d\\a.txt"},
        {"C:\\e\\z.txt", root + "/C/e/z.txt", "C:\\e\\z.txt"},
        {"C:\\d\\MIXED.txt", d + "/Mixed.TXT", "C:\\d\\MIXED.txt"},
        {"c:\\d\\a.txt", d + "/a.txt", "C:\\d\\a.txt"},
    };
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            const ResolvedPath r = ResolvePath(c.path);
            EXPECT_TRUE(r.ok) << c.path;
            EXPECT_EQ(r.host, c.host) << c.path;
            EXPECT_EQ(r.windows, c.windows) << c.path;
            EXPECT_EQ(r.drive, 'C') << c.path;
        }
    }

    // The drive mapped elsewhere: its names are the new directory's, even
    // right after a name of the same directory text was resolved.
    EXPECT_EQ(HostPath("C:\\d\\a.txt"), d + "/a.txt");
    DriveMapping moved;
    moved.hostRoot = root + "/moved";
    moved.kind = DriveKind::Fixed;
    ASSERT_EQ(::mkdir(moved.hostRoot.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((moved.hostRoot + "/d").c_str(), 0700), 0);
    WriteHostFile(moved.hostRoot + "/d/A.txt", "a");
    MapDrive('C', moved);
    EXPECT_EQ(HostPath("C:\\d\\a.txt"), moved.hostRoot + "/d/A.txt");
    EXPECT_EQ(HostPath("C:\\d\\a.txt"), moved.hostRoot + "/d/A.txt");
}

TEST_F(PathTest, AbsentDrivesAndUnknownSharesAreMissingPaths) {
    EXPECT_FALSE(ResolvePath("Q:\\x").ok);
    EXPECT_EQ(HostPath("Q:\\x"), "");
    EXPECT_EQ(CreateFile("Q:\\x", GENERIC_READ, 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(_open("Q:\\x", _O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(_open("\\\\nosuch\\share\\x", _O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(GetDriveType("Q:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_FALSE(ResolvePath("").ok);
}

TEST_F(PathTest, UncPathsReachDeclaredShares) {
    const std::string shareDir = root + "/share";
    ASSERT_EQ(::mkdir(shareDir.c_str(), 0700), 0);
    WriteHostFile(shareDir + "/Setup.ini", "x");
    PlatformConfig config = CurrentPlatformConfig();
    config.shares.push_back(ShareDecl{"\\\\Server\\Dist", shareDir, 'N'});
    config.currentDirectory = "C:\\";
    ApplyPlatformConfig(config);

    const ResolvedPath r = ResolvePath("\\\\SERVER\\dist\\setup.INI");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.drive, 0);
    EXPECT_EQ(r.host, shareDir + "/Setup.ini");
    EXPECT_EQ(HostPath("//server/dist/a/../Setup.ini"), shareDir + "/Setup.ini");
    EXPECT_EQ(HostPath("\\\\server\\dist"), shareDir);
    EXPECT_EQ(HostPath("\\\\server"), "");
    // The share's letter is a network drive onto the same directory.
    EXPECT_EQ(GetDriveType("N:\\"), DRIVE_REMOTE);
    EXPECT_EQ(HostPath("N:\\setup.ini"), shareDir + "/Setup.ini");
    EXPECT_EQ(GetDriveType("\\\\server\\dist\\"), DRIVE_REMOTE);
    EXPECT_EQ(GetLogicalDrives(), (1u << 2) | (1u << 13));
}

}  // namespace
}  // namespace vrn
