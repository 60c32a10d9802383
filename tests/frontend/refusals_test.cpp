// What an unattended run refuses before it writes anything, what it does
// with a failure in the middle and how a rerun completes it, and the two runs
// that write nothing: the plan and the medium check.
#include <algorithm>
#include <filesystem>

#include "tests/frontend/vinstall_fixture.h"

namespace vrn::test {
namespace {

namespace fs = std::filesystem;

class Refusals : public VinstallTest {
protected:
    void SetUp() override {
        VinstallTest::SetUp();
        WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    }
    RunResult Install() { return Run({"--medium", "E:\\", "-q", "-bC:\\install.ini"}); }
    // A copy of a medium with one byte of an archive changed, `offset`
    // bytes from its end.
    std::string DamagedCopy(const std::string& medium, const std::string& archive, size_t fromEnd) {
        const std::string copy = root + "/damaged";
        fs::copy(medium, copy, fs::copy_options::recursive);
        const std::string path = copy + "/" + archive;
        std::string bytes = ReadHostFile(path);
        bytes[bytes.size() - fromEnd] ^= 0x5A;
        WriteHostFile(path, bytes);
        return copy;
    }
};

TEST_F(Refusals, EveryResponseFileMistakeIsNamedOnceAndNothingIsWritten) {
    struct Case {
        std::string from, to;   // an edit of the demo response file
        std::string logged;     // what the log line says after the file's name
    };
    const std::string good = DemoResponse();
    const std::vector<Case> cases = {
        {"[Install]\n", "[Setup]\n", "[Setup] unknown section"},
        {"Country=Germany\n", "Country=Germany\nColour=blue\n", "[Install] Colour: unknown key"},
        {"Destination=C:\\Varentis\n", "", "[Install] Destination: missing; the destination is required"},
        {"ServerEngine=both\n", "ServerEngine=fast\n", "[Install] ServerEngine: 'fast' is not 4gl, sql or both"},
        {"[Product Varentis Client]\n", "[Product Varentis Cleint]\n",
         "[Product Varentis Cleint] the medium has no product 'Varentis Cleint'"},
        {"SKU=Database Server Standard Edition\n", "SKU=Enterprise\n",
         "[Product Varentis Database Server] SKU: the product has no SKU 'Enterprise'"},
        {"SKU=Database Server Standard Edition\n", "",
         "[Product Varentis Database Server] SKU: missing; the product has several SKUs"},
        {"Server Tools=yes\n", "Server Tools=yes\nReplication=yes\n",
         "[Product Varentis Database Server] Replication: the SKU 'Database Server Standard Edition' has no "
         "component 'Replication'"},
        {"Server Tools=yes\n", "Server Tools=yes\nServer Tools/Backup=yes\n",
         "[Product Varentis Database Server] Server Tools/Backup: the component 'Server Tools' has no subcomponent "
         "'Backup'"},
        {"Server Tools=yes\n", "Server Tools=yes\nServer Utilities=no\n",
         "[Product Varentis Database Server] Server Utilities: the component is mandatory and cannot be left out"},
        {"Server Tools=yes\n", "Server Tools=yes\nServer Tools/Administration Utilities=no\n",
         "[Product Varentis Database Server] Server Tools/Administration Utilities: the subcomponent is mandatory"},
        {"Server Tools=yes\n", "Server Tools=maybe\n",
         "[Product Varentis Database Server] Server Tools: 'maybe' is not yes or no"},
        {"Server Tools=yes\n", "Server Tools=yes\nSQL=no\n",
         "[Product Varentis Database Server] SQL: the engine components are chosen by ServerEngine"},
        {"Languages=English, French\n", "Languages=English, Klingon\n",
         "[Install] Languages: the medium has no message language 'Klingon'"},
        {"Country=Germany\n", "Country=Atlantis\n",
         "[Install] Country: the national-language file has no country 'Atlantis'"},
        {"[Product 290]\n", "", "[Install] Languages: the language 'English' belongs to a product or component"},
        {"UseSourceEditor=yes\n", "UseSourceEditor=yes\nUseSourceEditor=no\n",
         "[Install] UseSourceEditor: the key is given twice"},
    };
    for (const Case& c : cases) {
        std::string text = good;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        WriteResponse(text);
        const size_t before = LogEntries().size();
        const RunResult run = Install();
        EXPECT_EQ(run.status, 2) << c.logged << "\n" << run.err;
        const auto entries = LogEntries();
        ASSERT_EQ(entries.size(), before + 1) << c.logged << "\n" << Log();
        EXPECT_EQ(entries.back().rfind("C:\\install.ini: ", 0), 0u) << entries.back();
        EXPECT_NE(entries.back().find(c.logged), std::string::npos) << c.logged << "\n" << entries.back();
        EXPECT_FALSE(fs::exists(root + "/C/Varentis")) << c.logged;
    }
    // A response file that is not there at all.
    const RunResult missing = Run({"--medium", "E:\\", "-bC:\\none.ini"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(LogEntries().back().find("C:\\none.ini: cannot be opened"), std::string::npos);
}

TEST_F(Refusals, ADestinationTheRulesRefuseOrAnExistingOneEndsTheRunBeforeAnythingIsWritten) {
    std::string text = DemoResponse("C:\\My Varentis");
    WriteResponse(text);
    RunResult run = Install();
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(Log().find("You cannot use the   character as part of the directory name."), std::string::npos)
        << Log();
    EXPECT_FALSE(fs::exists(root + "/C/My Varentis"));

    // An existing destination with the default decision (cancel).
    fs::create_directories(root + "/C/Varentis");
    WriteHostFile(root + "/C/Varentis/keep.txt", "mine");
    WriteResponse(DemoResponse());
    run = Install();
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(ReadTree(root + "/C/Varentis").size(), 1u);
}

TEST_F(Refusals, ADamagedArchiveFailsTheRunOnceAndTheRerunCompletesIt) {
    // A staged medium whose SQL engine archive has a damaged member at its
    // end; the 4GL engine's archive is extracted before it.
    WriteDrives("drive E: " + root + "/damaged kind=fixed\n");
    const std::string built = BuildDemoVariant("staged-medium", {{"Type = cd", "Type = hd"},
                                                                {"Compression = fast", "Compression = fast\nArchive Directory = XXARCSXX"}});
    const std::string damaged = DamagedCopy(built, "XXARCSXX/srvsql.arc", 20);
    WriteResponse(DemoResponse());
    RunResult run = Install();
    EXPECT_EQ(run.status, 3) << run.err;
    const auto entries = LogEntries();
    ASSERT_EQ(entries.size(), 2u) << Log();   // the start, the one report
    EXPECT_TRUE(entries[1].find("corrupted") != std::string::npos || entries[1].find("srvsql.arc") != std::string::npos)
        << entries[1];
    EXPECT_TRUE(fs::exists(root + "/C/Varentis/vinstall.run"));
    EXPECT_TRUE(fs::exists(root + "/C/Varentis/bin/vrn4gl.exe"));   // extracted before the damaged archive

    // The medium mended; the same response file finishes the installation.
    fs::copy_file(built + "/XXARCSXX/srvsql.arc", damaged + "/XXARCSXX/srvsql.arc",
                  fs::copy_options::overwrite_existing);
    run = Install();
    ASSERT_EQ(run.status, 0) << run.err << Log();
    const auto rerun = LogEntries();
    EXPECT_TRUE(std::any_of(rerun.begin(), rerun.end(), [](const std::string& e) {
        return e == "Resuming the unfinished installation in C:\\Varentis";
    })) << Log();
    EXPECT_FALSE(fs::exists(root + "/C/Varentis/vinstall.run"));
    EXPECT_FALSE(fs::exists(root + "/C/Varentis/XXARCSXX"));
    for (const auto& [path, bytes] : ReadTree(root + "/C/src-staged-medium/files/srvsql"))
        EXPECT_EQ(ReadTree(root + "/C/Varentis").count(path), 1u) << path;
}

TEST_F(Refusals, AFullDriveIsRefusedOnceAndARunWithRoomCompletes) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\ndrive F: " + root + "/F cluster=32K free=1M total=1G\n");
    fs::create_directories(root + "/F");
    WriteResponse(DemoResponse("F:\\Varentis"));
    RunResult run = Install();
    EXPECT_EQ(run.status, 3) << run.err;
    const auto entries = LogEntries();
    ASSERT_EQ(entries.size(), 2u) << Log();
    EXPECT_NE(entries[1].find("NOT enough disk space to install to F:\\Varentis"), std::string::npos) << entries[1];
    EXPECT_FALSE(fs::exists(root + "/F/Varentis"));

    WriteDrives("drive E: " + demoMedium + " kind=cdrom\ndrive F: " + root + "/F cluster=32K free=900M total=1G\n");
    run = Install();
    EXPECT_EQ(run.status, 0) << run.err << Log();
    EXPECT_TRUE(fs::exists(root + "/F/Varentis/bin/vrn4gl.exe"));
}

TEST_F(Refusals, TheDryRunWritesNothingAndThePlanNamesWhatWouldBeDone) {
    WriteResponse(DemoResponse());
    const auto before = ReadTree(root + "/C");
    const RunResult run = Run({"--medium", "E:\\", "--dry-run", "-bC:\\install.ini"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadTree(root + "/C"), before);   // the destination's drive and the log's directory
    EXPECT_FALSE(fs::exists(root + "/C/Varentis"));
    EXPECT_EQ(Log(), "");
    for (const char* expected : {"Varentis Database Server (250)", "SKU Database Server Standard Edition",
                                 "Sample Database", "Archives to extract (10)", "srv4gl.arc", "common.arc",
                                 "C:\\Varentis\\bin\\vrnenv.bat", "C:\\Varentis\\installd.ini", "clusters of"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    EXPECT_EQ(run.out.find("srvdoc.arc"), std::string::npos) << run.out;
    // common.arc is shared by two components and listed once.
    EXPECT_EQ(run.out.find("common.arc"), run.out.rfind("common.arc"));
}

TEST_F(Refusals, TheMediumCheckFindsADamagedMember) {
    const RunResult good = Run({"--medium", "E:\\", "--verify"});
    EXPECT_EQ(good.status, 0) << good.out << good.err;
    EXPECT_EQ(std::count(good.out.begin(), good.out.end(), '\n'), 13) << good.out;
    const std::string damaged = DamagedCopy(demoMedium, "srvdoc.arc", 100);
    const RunResult bad = Run({"--medium", damaged, "--verify"});
    EXPECT_EQ(bad.status, 3) << bad.out;
    size_t failed = 0;
    for (size_t at = bad.out.find("FAILED"); at != std::string::npos; at = bad.out.find("FAILED", at + 1)) ++failed;
    EXPECT_EQ(failed, 1u) << bad.out;
    const size_t line = bad.out.find("srvdoc.arc");
    ASSERT_NE(line, std::string::npos);
    EXPECT_NE(bad.out.find("FAILED", line), std::string::npos) << bad.out;
    EXPECT_LT(bad.out.find("FAILED", line), bad.out.find('\n', line)) << bad.out;
}

}  // namespace
}  // namespace vrn::test
