// The installer's command line, its drives from a Wine prefix, and the
// engine switches with their file names turned into Windows form.
#include <unistd.h>

#include <filesystem>

#include "frontend/installer.h"
#include "frontend/run_support.h"
#include "tests/support/test_support.h"

namespace vrn::test {
namespace {

namespace fs = std::filesystem;
using installer::Options;

std::vector<std::string> Args(std::initializer_list<const char*> list) { return {list.begin(), list.end()}; }

bool Parse(std::vector<std::string> args, Options& options, std::string& error) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return installer::ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

using InstallerOptions = TempDrives;

TEST_F(InstallerOptions, LongOptionsComeFirstAndTheRestGoesToTheEngine) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse(Args({"vinstall", "--medium", "E:\\", "--drives=/etc/d", "--dry-run", "-bresp.ini", "-q"}), o,
                      error))
        << error;
    EXPECT_EQ(o.medium, "E:\\");
    EXPECT_EQ(o.drivesFile, "/etc/d");
    EXPECT_TRUE(o.dryRun);
    EXPECT_EQ(o.engineArgs, Args({"-bresp.ini", "-q"}));

    EXPECT_FALSE(Parse(Args({"vinstall", "--medium"}), o, error));
    EXPECT_EQ(error, "--medium needs a value");
    EXPECT_FALSE(Parse(Args({"vinstall", "--colour"}), o, error));
    EXPECT_EQ(error, "unknown option --colour");
    EXPECT_FALSE(Parse(Args({"vinstall", "-b", "--dry-run"}), o, error));
    EXPECT_EQ(error, "option --dry-run must come before the engine switches");
    EXPECT_FALSE(Parse(Args({"vinstall", "--dry-run", "--verify"}), o, error));
    EXPECT_FALSE(Parse(Args({"vinstall", "--drives", "f", "--wine-prefix", "p"}), o, error));
}

TEST_F(InstallerOptions, HostPathsInTheEngineSwitchesBecomeWindowsPathsOnTheirDrive) {
    fs::create_directories(root + "/C/setup");
    Options o;
    o.engineArgs = Args({"-b" /* batch, name follows */, (root + "/C/setup/resp.ini").c_str(), "-q", "-l",
                         (root + "/C/setup/run.log").c_str()});
    std::vector<std::string> out;
    std::string error;
    ASSERT_TRUE(installer::EngineArguments(o, out, error)) << error;
    EXPECT_EQ(out, Args({"-b", "C:\\setup\\resp.ini", "-q", "-l", "C:\\setup\\run.log"}));

    // A name in the switch's own argument; a Windows-form name stays as it is.
    o.engineArgs = Args({("-b" + root + "/C/setup/resp.ini").c_str(), "-lD:\\x.log"});
    ASSERT_TRUE(installer::EngineArguments(o, out, error)) << error;
    EXPECT_EQ(out, Args({"-bC:\\setup\\resp.ini", "-lD:\\x.log"}));

    // A host path that lies on no drive is refused by name.
    o.engineArgs = Args({"-b/nowhere/resp.ini"});
    EXPECT_FALSE(installer::EngineArguments(o, out, error));
    EXPECT_EQ(error, "/nowhere/resp.ini: lies on no drive of the drive map");

    // Batch mode without -l: the log goes to the first temporary directory on a drive.
    ::setenv("TMP", "/nowhere", 1);
    ::setenv("TEMP", (root + "/C/setup").c_str(), 1);
    o.engineArgs = Args({"-bC:\\resp.ini"});
    ASSERT_TRUE(installer::EngineArguments(o, out, error)) << error;
    EXPECT_EQ(out, Args({"-bC:\\resp.ini", "-l", "C:\\setup\\install.log"}));
}

TEST_F(InstallerOptions, WindowsPathsTypedWithSlashesTakeBackslashesWhereTheyEnter) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse(Args({"vinstall", "--medium", "E:/", "--record=C:/answers/run.ini", "-bC:/setup/resp.ini",
                            "-l", "C:/setup/run.log"}),
                      o, error))
        << error;
    EXPECT_EQ(o.medium, "E:\\");
    EXPECT_EQ(o.recordFile, "C:\\answers\\run.ini");
    std::vector<std::string> out;
    ASSERT_TRUE(installer::EngineArguments(o, out, error)) << error;
    EXPECT_EQ(out, Args({"-bC:\\setup\\resp.ini", "-l", "C:\\setup\\run.log"}));

    // Host paths are the host's own: they keep their '/' until the drive
    // map gives them a drive.
    ASSERT_TRUE(Parse(Args({"vinstall", "--medium", "/srv/medium", "--record", "answers/run.ini"}), o, error));
    EXPECT_EQ(o.medium, "/srv/medium");
    EXPECT_EQ(o.recordFile, "answers/run.ini");
    std::string windows;
    ASSERT_TRUE(installer::ToWindowsPath("c:/x/y", windows));
    EXPECT_EQ(windows, "c:\\x\\y");
}

TEST_F(InstallerOptions, AWinePrefixGivesItsDosdevicesDrives) {
    const std::string prefix = root + "/prefix";
    fs::create_directories(prefix + "/dosdevices");
    fs::create_directories(prefix + "/drive_c/windows");
    fs::create_symlink("../drive_c", prefix + "/dosdevices/c:");
    fs::create_symlink(root, prefix + "/dosdevices/z:");
    fs::create_symlink("/dev/null", prefix + "/dosdevices/d::");          // a raw device, not a drive
    fs::create_symlink(root + "/gone", prefix + "/dosdevices/e:");        // a drive whose folder is gone
    PlatformConfig config;
    std::string error;
    ASSERT_TRUE(installer::ReadWinePrefix(prefix, config, error)) << error;
    ASSERT_TRUE(config.drives['C' - 'A']);
    EXPECT_EQ(config.drives['C' - 'A']->hostRoot, fs::canonical(prefix + "/drive_c").string());
    ASSERT_TRUE(config.drives['Z' - 'A']);
    EXPECT_EQ(config.drives['Z' - 'A']->hostRoot, fs::canonical(root).string());
    EXPECT_FALSE(config.drives['D' - 'A']);
    EXPECT_FALSE(config.drives['E' - 'A']);
    EXPECT_EQ(config.currentDirectory, "C:\\");

    EXPECT_FALSE(installer::ReadWinePrefix(root + "/C", config, error));
    EXPECT_NE(error.find("not a Wine prefix"), std::string::npos);
}

}  // namespace
}  // namespace vrn::test
