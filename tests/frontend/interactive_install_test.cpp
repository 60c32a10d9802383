// Interactive installs on a real terminal (a tmux window of 80 x 25): the
// demo medium installed by keys as a person presses them, the recorded
// response file replayed unattended into a second destination, Ctrl-C on the
// component screen, diskettes with a wrong one in the drive, and no terminal.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>

#include "tests/frontend/tmux_terminal.h"
#include "tests/frontend/vinstall_fixture.h"

namespace vrn::test {
namespace {

namespace fs = std::filesystem;

// The files the demo medium tailors, relative to the destination.
const std::set<std::string> kTailored = {
    "bin/vrnenv.bat",     "etc/vrn4gl.cfg",    "etc/vrnsql.cfg",
    "bin/sqlstart.bat",   "etc/vrnutil.cfg",   "bin/admin.bat",
    "samples/load.bat",   "etc/client.cfg",    "etc/vrnodbc.ini",
    "properties/linkmgr.properties",           "properties/relays.properties",
    "properties/stubmake.preferences",         "properties/hubsvc.properties"};

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class InteractiveInstall : public VinstallTest {
protected:
    void SetUp() override {
        VinstallTest::SetUp();
        if (!TmuxTerminal::Available()) GTEST_SKIP() << "tmux is not installed";
        terminal_ = std::make_unique<TmuxTerminal>(root);
    }

    // Starts vinstall in the window through a script that then keeps the
    // window alive, with its exit status and the terminal's modes noted.
    void Start(const std::vector<std::string>& args) {
        std::string line;
        for (const std::string& a : args) line += " " + Quoted(a);
        const std::string script = root + "/run.sh";
        WriteHostFile(script, "#!/bin/sh\n"
                              "trap true INT\n"
                              "cd " + Quoted(root) + "\n"
                              "export VRN_DRIVES=" + Quoted(drivesFile) + " TMPDIR=" + Quoted(root + "/C/temp") +
                                  " HOME=" + Quoted(root) + " LC_ALL=C.UTF-8\n"
                              "unset TMP TEMP XDG_CONFIG_HOME VISUAL EDITOR\n" +
                                  Quoted(VINSTALL) + line + "\n"
                              "status=$?\n"
                              "stty -a > " + Quoted(root + "/stty") + "\n"
                              "echo $status > " + Quoted(root + "/status.new") + "\n"
                              "mv " + Quoted(root + "/status.new") + " " + Quoted(root + "/status") + "\n"
                              "exec sleep 600\n");
        fs::permissions(script, fs::perms::owner_all);
        ASSERT_TRUE(terminal_->Start(script));
    }

    // The exit status, once vinstall has ended; -1 when it has not in time.
    int ExitStatus(int timeoutMs = 30000) {
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            if (fs::exists(root + "/status")) return std::stoi(ReadHostFile(root + "/status"));
            usleep(50000);
        }
        return -1;
    }

    // The terminal as vinstall found it: line editing and echo on, the
    // normal screen, the cursor shown, the keypad in its normal mode.
    void ExpectTerminalRestored() {
        std::istringstream words(ReadHostFile(root + "/stty"));
        std::set<std::string> modes;
        for (std::string word; words >> word;) modes.insert(word);
        for (const char* mode : {"icanon", "echo", "isig", "ixon", "icrnl", "opost"})
            EXPECT_EQ(modes.count(mode), 1u) << mode;
        EXPECT_EQ(terminal_->Format("#{alternate_on}"), "0");
        EXPECT_EQ(terminal_->Format("#{cursor_flag}"), "1");
        EXPECT_EQ(terminal_->Format("#{keypad_cursor_flag}"), "0");
    }

    // Waits for a screen's text, failing the test with the screen otherwise.
    void See(const std::string& text) {
        ASSERT_TRUE(terminal_->WaitFor(text)) << "no " << text << " on\n" << terminal_->Screen();
    }

    // Every file of the chosen archives as its source has it (tailored ones
    // only present), none of the others.
    void ExpectInstalled(const std::string& hostDir, const std::set<std::string>& archives) {
        const auto installed = ReadTree(hostDir);
        for (const DemoArchive& a : DemoArchives(demoSource + "/demo.ini"))
            for (const auto& [path, bytes] : ReadTree(a.sourceDir)) {
                const auto it = installed.find(path);
                if (archives.count(a.name) == 0) {
                    EXPECT_EQ(it, installed.end()) << path << " of " << a.name << " was not chosen";
                    continue;
                }
                ASSERT_NE(it, installed.end()) << path << " of " << a.name;
                if (kTailored.count(path) == 0) {
                    EXPECT_EQ(it->second, bytes) << path;
                }
            }
        EXPECT_EQ(installed.count("installd.ini"), 1u);
        EXPECT_EQ(installed.count("vinstall.run"), 0u);
        EXPECT_FALSE(fs::exists(hostDir + "/XXARCSXX"));
    }

    std::unique_ptr<TmuxTerminal> terminal_;
};

TEST_F(InteractiveInstall, ChosenByKeysRecordedAndReplayedUnattendedIntoAnIdenticalTree) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    Start({"--medium", "E:\\", "--record", "C:\\recorded.ini"});
    See("Step 1 of 9");
    See("[x] Varentis ODBC Driver");
    terminal_->Keys({"Down", "Down", "Space"});
    See("[ ] Varentis ODBC Driver");
    terminal_->Keys({"Enter"});
    See("SKUs");
    terminal_->Keys({"Down", "Space"});
    See("(*) Database Server Developer Edition");
    terminal_->Keys({"Enter"});
    See("Components");
    // A mandatory component stays; an optional one is chosen, one of its
    // subcomponents left out.
    terminal_->Keys({"Down", "Down", "Space"});
    See("Server Utilities (m) is mandatory and cannot be cleared.");
    terminal_->Keys({"Down", "Space", "Down", "Down", "Space"});
    See("[x] Server Tools");
    See("[ ] Sample Database");
    terminal_->Keys({"Enter"});
    See("Server engines");
    terminal_->Keys({"Down", "Down", "Space", "Enter"});
    See("Message languages");
    terminal_->Keys({"Down", "Down", "Space"});
    See("[ ] German");
    terminal_->Keys({"Enter"});
    See("National-language settings");
    terminal_->Keys({"Down", "Down", "Down", "Down", "Space"});
    See("(*) Germany");
    terminal_->Keys({"Enter"});
    // The proposed destination, replaced; the blank is refused as it is typed.
    See("Destination:  C:\\RUD");
    terminal_->Keys({"C-u"});
    terminal_->Type("C:\\Var entis");
    See("Destination:  C:\\Varentis");
    terminal_->Keys({"Enter"});
    See("Disk Space Required for Installation:");
    terminal_->Keys({"Enter"});
    See("[ Install ]");
    See("Languages       English, French");
    terminal_->Keys({"Enter"});
    See("Installation complete");
    See("The log: C:\\temp\\install.log");
    terminal_->Keys({"Enter"});
    ASSERT_EQ(ExitStatus(), 0) << terminal_->Screen();
    ExpectTerminalRestored();
    EXPECT_TRUE(terminal_->WaitFor("vinstall: installed into C:\\Varentis"));
    EXPECT_TRUE(terminal_->WaitFor("vinstall: the choice was recorded in C:\\recorded.ini"));

    ExpectInstalled(root + "/C/Varentis", {"srv4gl.arc", "srvsql.arc", "common.arc", "srvadmin.arc", "srvdoc.arc",
                                           "client.arc", "messngr.arc", "msgeng.arc", "msgfra.arc", "msgtool.arc"});
    const std::string recorded = ReadHostFile(root + "/C/recorded.ini");
    for (const char* line : {"Destination=C:\\Varentis\n", "SKU=Database Server Developer Edition\n",
                             "ServerEngine=both\n", "Languages=English, French\n", "Country=Germany\n",
                             "Server Tools/Sample Database=no\n"})
        EXPECT_NE(recorded.find(line), std::string::npos) << line << " in\n" << recorded;

    // The same choice unattended, into a second C: drive.
    fs::create_directories(root + "/C2/temp");
    WriteHostFile(root + "/C2/install.ini", recorded);
    drivesFile = root + "/drives2";
    WriteHostFile(drivesFile, "drive C: " + root + "/C2\ncwd C:\\\ndrive E: " + demoMedium + " kind=cdrom\n");
    const RunResult replay = Run({"--medium", "E:\\", "-q", "-bC:\\install.ini", "-l", "C:\\temp\\install.log"});
    ASSERT_EQ(replay.status, 0) << replay.err;
    const auto first = ReadTree(root + "/C/Varentis");
    const auto second = ReadTree(root + "/C2/Varentis");
    EXPECT_EQ(first.size(), second.size());
    for (const auto& [path, bytes] : first) {
        const auto it = second.find(path);
        ASSERT_NE(it, second.end()) << path;
        EXPECT_EQ(it->second, bytes) << path;
    }
    EXPECT_EQ(second.at("installd.ini"), first.at("installd.ini"));
}

TEST_F(InteractiveInstall, CtrlCOnTheComponentScreenAsksAndYesEndsTheRunWithTheTerminalRestored) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    Start({"--medium", "E:\\", "--record", "C:\\recorded.ini"});
    See("Step 1 of 9");
    terminal_->Keys({"Enter"});
    See("SKUs");
    terminal_->Keys({"Enter"});
    See("Components");
    terminal_->Keys({"Down", "Down", "Down", "Space"});
    See("[x] Server Tools");
    terminal_->Keys({"C-c"});
    See("Quit Confirmation");
    See("Are you sure you want to quit?");
    terminal_->Keys({"n"});
    // No: back where the user was, the choice as it was.
    ASSERT_TRUE(terminal_->WaitForGone("Quit Confirmation")) << terminal_->Screen();
    const std::string back = terminal_->Screen();
    EXPECT_NE(back.find("Components"), std::string::npos) << back;
    EXPECT_NE(back.find("[x] Server Tools"), std::string::npos) << back;
    terminal_->Keys({"C-c"});
    See("Quit Confirmation");
    terminal_->Keys({"y"});
    ASSERT_EQ(ExitStatus(), 1) << terminal_->Screen();
    ExpectTerminalRestored();
    EXPECT_TRUE(terminal_->WaitFor("vinstall: the installation was cancelled"));
    EXPECT_TRUE(terminal_->WaitFor("nothing was recorded"));
    EXPECT_FALSE(fs::exists(root + "/C/recorded.ini"));
    EXPECT_FALSE(fs::exists(root + "/C/RUD"));
}

TEST_F(InteractiveInstall, DiskettesAreAskedForInLayoutOrderAndAWrongOneIsNamed) {
    const std::string medium = BuildDemoVariant(
        "floppies", {{"Type = cd", "Type = f"},
                     {"[Product 250]", "[Diskettes]\nCapacity = 1474560\nDisk Name = VARENTIS DISK\n\n[Product 250]"}});
    ASSERT_TRUE(fs::exists(medium + "/disk3/volume.id"));
    const std::string disk2 = ReadHostFile(medium + "/disk2/volume.id");
    WriteHostFile(medium + "/disk2/volume.id", ReadHostFile(medium + "/disk3/volume.id"));
    Start({"--medium", medium});
    // Enter on every screen: what the screens propose.
    for (int step = 1; step <= 9; ++step) {
        See("Step " + std::to_string(step) + " of 9");
        terminal_->Keys({"Enter"});
    }
    See("Insert Disk");
    See("Disk Number: 2");
    EXPECT_EQ(terminal_->Screen().find("CAUTION"), std::string::npos);
    terminal_->Keys({"Enter"});
    // The diskette in the drive says it is the third.
    See("CAUTION");
    See("VARENTIS DISK Disk #3");
    See("Disk Number: 2");
    WriteHostFile(medium + "/disk2/volume.id", disk2);
    terminal_->Keys({"Enter"});
    See("Disk Number: 3");
    terminal_->Keys({"Enter"});
    See("Installation complete");
    terminal_->Keys({"Enter"});
    ASSERT_EQ(ExitStatus(), 0) << terminal_->Screen();
    ExpectTerminalRestored();
    ExpectInstalled(root + "/C/RUD", {"srv4gl.arc", "common.arc", "client.arc", "messngr.arc", "odbc.arc",
                                      "msgeng.arc", "msgfra.arc", "msgdeu.arc", "msgtool.arc"});
}

TEST_F(InteractiveInstall, WithoutATerminalOrAResponseFileNothingStarts) {
    WriteDrives("drive E: " + demoMedium + " kind=cdrom\n");
    const RunResult run = Run({"--medium", "E:\\"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("needs a terminal"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("response file"), std::string::npos) << run.err;
    // --record is for the screens only.
    WriteResponse(DemoResponse());
    const RunResult batch = Run({"--medium", "E:\\", "--record", "C:\\r.ini", "-bC:\\install.ini"});
    EXPECT_EQ(batch.status, 2);
    EXPECT_FALSE(fs::exists(root + "/C/Varentis"));
}

}  // namespace
}  // namespace vrn::test
