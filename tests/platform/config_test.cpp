// The drive-map file: a complete file, every kind of malformed line, and
// loading at start-up with and without VRN_DRIVES.
#include <unistd.h>

#include <cstdlib>

#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/native.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class ConfigTest : public test::TempDrives {
protected:
    std::string Write(const std::string& text) {
        const std::string file = root + "/drives.cfg";
        WriteHostFile(file, text);
        return file;
    }
    // The error for a file holding `text`, "" when it parses.
    std::string ErrorOf(const std::string& text) {
        PlatformConfig config;
        std::string error;
        return ParsePlatformConfig(Write(text), config, error) ? std::string() : error;
    }
};

TEST_F(ConfigTest, ACompleteFileDeclaresEverything) {
    const std::string file = Write(
        "# test machine\n"
        "\n"
        "drive c: /srv/c/ kind=fixed label=\"SYSTEM DISK\" serial=1A2B-3C4D cluster=32K free=1M total=2G\r\n"
        "  drive A: /srv/floppy kind=removable\n"
        "drive E: /srv/cd kind=cdrom\n"
        "drive R: / kind=ramdisk\n"
        "share \\\\FILES\\Dist /srv/dist letter=n:\n"
        "share \\\\files\\other /srv/other\n"
        "window Progman \"Program Manager\" minimized=1\n"
        "window Shell_TrayWnd \"\" visible=0 enabled=0\n"
        "registry \"HKEY_LOCAL_MACHINE\\Software\\Varentis\\Server\" Path \"C:\\Program Files\\Varentis\"\n"
        "registry HKCU\\Software\\X \"\" \"\"\n"
        "version 95 4.10 1998 \"Service Pack 1\"\n"
        "cwd c:\\srv\\work\n");
    PlatformConfig config;
    std::string error;
    ASSERT_TRUE(ParsePlatformConfig(file, config, error)) << error;
    ASSERT_TRUE(config.drives[2]);
    const DriveMapping& c = *config.drives[2];
    EXPECT_EQ(c.hostRoot, "/srv/c");
    EXPECT_EQ(c.kind, DriveKind::Fixed);
    EXPECT_EQ(c.label, "SYSTEM DISK");
    EXPECT_EQ(c.serial, 0x1A2B3C4Du);
    EXPECT_EQ(c.clusterSize, 32768u);
    EXPECT_EQ(c.freeBytes, std::optional<uint64_t>(1048576));
    EXPECT_EQ(c.totalBytes, std::optional<uint64_t>(2147483648ull));
    ASSERT_TRUE(config.drives[0]);
    EXPECT_EQ(config.drives[0]->kind, DriveKind::Removable);
    EXPECT_FALSE(config.drives[0]->freeBytes);
    EXPECT_EQ(config.drives[4]->kind, DriveKind::CdRom);
    EXPECT_EQ(config.drives[17]->hostRoot, "/");
    EXPECT_EQ(config.drives[17]->kind, DriveKind::RamDisk);
    EXPECT_FALSE(config.drives[13]);   // the share's letter is added when applied
    ASSERT_EQ(config.shares.size(), 2u);
    EXPECT_EQ(config.shares[0].unc, "\\\\FILES\\Dist");
    EXPECT_EQ(config.shares[0].hostRoot, "/srv/dist");
    EXPECT_EQ(config.shares[0].letter, 'N');
    EXPECT_EQ(config.shares[1].letter, 0);
    ASSERT_EQ(config.windows.size(), 2u);
    EXPECT_EQ(config.windows[0].className, "Progman");
    EXPECT_EQ(config.windows[0].title, "Program Manager");
    EXPECT_TRUE(config.windows[0].visible);
    EXPECT_TRUE(config.windows[0].minimized);
    EXPECT_EQ(config.windows[1].title, "");
    EXPECT_FALSE(config.windows[1].visible);
    EXPECT_FALSE(config.windows[1].enabled);
    ASSERT_EQ(config.registry.size(), 2u);
    EXPECT_EQ(config.registry[0].key, "HKEY_LOCAL_MACHINE\\Software\\Varentis\\Server");
    EXPECT_EQ(config.registry[0].name, "Path");
    EXPECT_EQ(config.registry[0].value, "C:\\Program Files\\Varentis");
    EXPECT_EQ(config.registry[1].name, "");
    EXPECT_EQ(config.version.family, PlatformFamily::Windows95);
    EXPECT_EQ(config.version.major, 4u);
    EXPECT_EQ(config.version.minor, 10u);
    EXPECT_EQ(config.version.build, 1998u);
    EXPECT_EQ(config.version.servicePack, "Service Pack 1");
    EXPECT_EQ(config.currentDirectory, "C:\\srv\\work");

    ApplyPlatformConfig(config);
    EXPECT_EQ(GetDriveType("N:"), DRIVE_REMOTE);
    EXPECT_EQ(FindDrive('N')->hostRoot, "/srv/dist");
    EXPECT_EQ(GetDriveType("E:\\"), DRIVE_CDROM);
    char cwd[64];
    ASSERT_NE(_getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_STREQ(cwd, "C:\\srv\\work");
}

TEST_F(ConfigTest, SharesAndTheCurrentDirectoryTypedWithSlashesTakeWindowsForm) {
    PlatformConfig config;
    std::string error;
    ASSERT_TRUE(ParsePlatformConfig(Write("drive C: " + root + "/C\n"
                                          "share //FILES/Dist " + root + "/dist\n"
                                          "cwd c:/work/sub\n"),
                                    config, error))
        << error;
    ASSERT_EQ(config.shares.size(), 1u);
    EXPECT_EQ(config.shares[0].unc, "\\\\FILES\\Dist");
    EXPECT_EQ(config.currentDirectory, "C:\\work\\sub");
    ApplyPlatformConfig(config);
    char cwd[64];
    ASSERT_NE(_getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_STREQ(cwd, "C:\\work\\sub");

    // The two spellings are one share, and a share is still two names.
    const std::string ok = "drive C: /c\n";
    EXPECT_EQ(ErrorOf(ok + "share \\\\s\\t /x\nshare //S/T /y\n"), root + "/drives.cfg:3: duplicate share \\\\S\\T");
    EXPECT_EQ(ErrorOf(ok + "share //srv /x\n"), root + "/drives.cfg:2: bad share name '//srv'");
    EXPECT_EQ(ErrorOf(ok + "cwd C:work\n"), root + "/drives.cfg:2: cwd 'C:work' is not an absolute path");
}

TEST_F(ConfigTest, MalformedLinesNameTheFileAndTheLine) {
    const std::string f = root + "/drives.cfg";
    const std::string ok = "# header\ndrive C: /c\n";
    const std::pair<std::string, std::string> cases[] = {
        {"disk C: /c\n", ":1: unknown keyword 'disk'"},
        {ok + "drive CC: /x\n", ":3: bad drive letter 'CC:'"},
        {ok + "drive 1: /x\n", ":3: bad drive letter '1:'"},
        {ok + "drive c: /x\n", ":3: duplicate drive C:"},
        {ok + "share \\\\s\\t /x letter=C:\n", ":3: duplicate drive C:"},
        {ok + "drive D: rel/dir\n", ":3: relative host directory 'rel/dir'"},
        {ok + "drive D: /d free=12X\n", ":3: bad number '12X' for free"},
        {ok + "drive D: /d cluster=3000\n", ":3: bad number '3000' for cluster (a power of two)"},
        {ok + "drive D: /d serial=XYZ\n", ":3: bad number 'XYZ' for serial"},
        {ok + "drive D: /d kind=tape\n", ":3: unknown drive kind 'tape'"},
        {ok + "drive D: /d speed=1\n", ":3: unknown option 'speed'"},
        {ok + "drive D:\n", ":3: missing host directory"},
        {ok + "drive D: /d free=2M total=1M\n", ":3: free exceeds total"},
        {ok + "share \\\\srv /x\n", ":3: bad share name '\\\\srv'"},
        {ok + "share \\\\s\\t /x\nshare \\\\S\\T /y\n", ":4: duplicate share \\\\S\\T"},
        {ok + "window Cls\n", ":3: missing window title"},
        {ok + "window Cls \"T\" visible=yes\n", ":3: bad value 'yes' for visible (0 or 1)"},
        {ok + "registry \"HKLM\\X\" Name\n", ":3: missing value"},
        {ok + "registry K N V extra\n", ":3: unexpected field 'extra'"},
        {ok + "version os2 4.0 1\n", ":3: unknown platform family 'os2' (nt or 95)"},
        {ok + "version nt 4 1381\n", ":3: bad number '4' for version (MAJOR.MINOR)"},
        {ok + "version nt 4.0 b\n", ":3: bad number 'b' for build"},
        {ok + "cwd dir\n", ":3: cwd 'dir' is not an absolute path"},
        {"cwd D:\\x\n" + ok, ":1: cwd on an undeclared drive D:"},
        {ok + "window Cls \"open\n", ":3: unterminated quoted value"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(ErrorOf(text), f + message) << text;

    PlatformConfig config;
    std::string error;
    EXPECT_FALSE(ParsePlatformConfig(root + "/none.cfg", config, error));
    EXPECT_EQ(error.rfind(root + "/none.cfg: cannot read the file", 0), 0u) << error;
}

// Runs in a child process from a state in which nothing has been loaded yet.
[[noreturn]] void ExitWithDefaultCheck() {
    ::unsetenv("VRN_DRIVES");
    RestorePlatformState(PlatformState{});
    char host[4096];
    char cwd[4200];
    bool good = ::getcwd(host, sizeof host) != nullptr && _getcwd(cwd, sizeof cwd) != nullptr;
    std::string expect = "C:" + std::string(host);
    for (char& ch : expect)
        if (ch == '/') ch = '\\';
    good = good && expect == cwd && FindDrive('C') && FindDrive('C')->hostRoot == "/" &&
           GetDriveType("C:\\") == DRIVE_FIXED && GetLogicalDrives() == 4u;
    std::_Exit(good ? 0 : 1);
}

[[noreturn]] void ExitWithFileCheck(const std::string& file) {
    ::setenv("VRN_DRIVES", file.c_str(), 1);
    RestorePlatformState(PlatformState{});
    const bool ok = GetLogicalDrives() == 8u && _getdrive() == 4 && GetDriveType(nullptr) == DRIVE_REMOVABLE;
    std::_Exit(ok ? 0 : 1);
}

[[noreturn]] void ExitAfterLoading(const std::string& file) {
    ::setenv("VRN_DRIVES", file.c_str(), 1);
    RestorePlatformState(PlatformState{});
    EnsurePlatformLoaded();
    std::_Exit(0);
}

TEST_F(ConfigTest, LoadingAtStartUp) {
    EXPECT_EXIT(ExitWithDefaultCheck(), ::testing::ExitedWithCode(0), "");
    const std::string good = Write("drive D: " + root + " kind=removable\n");
    EXPECT_EXIT(ExitWithFileCheck(good), ::testing::ExitedWithCode(0), "");
    const std::string bad = Write("drive D: /d\nfloppy A:\n");
    EXPECT_EXIT(ExitAfterLoading(bad), ::testing::ExitedWithCode(2), "drives.cfg:2: unknown keyword 'floppy'");
}

}  // namespace
}  // namespace vrn
