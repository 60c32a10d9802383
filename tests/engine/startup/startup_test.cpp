// Engine start-up end to end on a medium in a temporary drive, shut-down and
// the Ctrl-C handler.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/drives.h"
#include "platform/system.h"
#include "runtime/memory/memory.h"
#include "tests/engine/startup/test_medium.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

const std::vector<std::string> kLooseFiles = {"install.exe", "installd.ini", "install.hlp", "vrnupdt.bat",
                                              "README.VRN"};

class StartupTest : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        ASSERT_EQ(::mkdir(Host("C:\\media").c_str(), 0700), 0);
    }
    void TearDown() override {
        utFailAllocations(0, 0);
        // Release what a start-up left, whatever switches it ended with.
        _commandLineSwitch = 0;
        CleanUpDisplay(0);
        SetInterruptHandler(nullptr);
        InitializeGlobalVars();
        _logBatchFilePathName[0] = '\0';
        _iniBatchFilePathName[0] = '\0';
        TempDrives::TearDown();
    }
    // Starts the engine with the program path and arguments.
    int32_t Start(const std::string& program, std::vector<std::string> args) {
        args_ = {program};
        args_.insert(args_.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : args_) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::memset(current, 'x', sizeof current);
        std::memset(source, 'x', sizeof source);
        return InitializeDisplay(current, source, static_cast<int32_t>(args_.size()), argv.data(), 0);
    }
    std::string Program() const { return args_[0].c_str(); }   // as cut by start-up
    std::string Log(const char* windowsPath) { return ReadHostFile(Host(windowsPath)); }

    char current[256];
    char source[256];
    std::vector<std::string> args_;
};

TEST_F(StartupTest, InteractiveStartReadsTheMediumAndShutDownReleasesIt) {
    test::WriteMedium(Host("C:\\media"), "cd", kLooseFiles);
    EXPECT_EQ(Start("C:\\media\\install.exe", {"-q", "-c"}), 0);
    EXPECT_STREQ(current, "C:\\");
    EXPECT_STREQ(source, "C:\\media");
    EXPECT_EQ(Program(), "C:\\media");
    EXPECT_EQ(_commandLineSwitch, SWITCH_QUIET | SWITCH_C);
    ASSERT_NE(_devTable, nullptr);
    EXPECT_STREQ(_devTable->deviceType, "cd");
    EXPECT_NE(_bitTable, nullptr);
    EXPECT_NE(GetInstallRec(1, 0), nullptr);
    ASSERT_NE(_backgroundDisplayBuffer, nullptr);
    EXPECT_EQ(_backgroundEndRow, 25);
    EXPECT_EQ(_backgroundEndColumn, 80);
    EXPECT_EQ(_backgroundStartRow + _backgroundStartColumn, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    // The interrupt handler is in place.
    EXPECT_EQ(SetInterruptHandler(InterruptEntry), &InterruptEntry);

    CleanUpDisplay(0);
    EXPECT_EQ(_devTable, nullptr);
    EXPECT_EQ(_bitTable, nullptr);
    EXPECT_EQ(_backgroundDisplayBuffer, nullptr);

    // A second start begins afresh; a program started by bare name takes
    // the current directory as its source.
    ASSERT_EQ(_chdir("C:\\media"), 0);
    EXPECT_EQ(Start("install", {}), 0);
    EXPECT_STREQ(current, "C:\\media");
    EXPECT_STREQ(source, "C:\\media");
    EXPECT_EQ(_commandLineSwitch, 0u);
}

TEST_F(StartupTest, BatchStartsTakeTheDefaultResponseFileAndLogConflicts) {
    test::WriteMedium(Host("C:\\media"), "cd", kLooseFiles);
    ASSERT_EQ(_chdir("C:\\media"), 0);
    EXPECT_EQ(Start("C:\\media\\install.exe", {"-b"}), 0);
    EXPECT_STREQ(_iniBatchFilePathName, "C:\\media\\install.ini");
    EXPECT_EQ(_backgroundDisplayBuffer, nullptr);   // no screen in batch mode
    EXPECT_EQ(SetInterruptHandler(nullptr), nullptr);
    CleanUpDisplay(0);

    ASSERT_EQ(_chdir("C:\\"), 0);
    EXPECT_EQ(Start("C:\\media\\install.exe", {"-F", "-b", "C:\\resp.ini", "-l", "C:\\inst.log"}), 0);
    EXPECT_STREQ(_iniBatchFilePathName, "C:\\resp.ini");
    EXPECT_NE(Log("C:\\inst.log").find("Choose either the -b or the -F option, not both"), std::string::npos);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(StartupTest, UpdateRunsNeitherReadNorCheckTheMedium) {
    // No medium at all on the program's drive.
    ASSERT_EQ(_chdir("C:\\media"), 0);
    EXPECT_EQ(Start("A:\\install.exe", {"-u"}), 0);
    EXPECT_EQ(Program(), "A:");
    EXPECT_STREQ(source, "C:\\media");
    EXPECT_EQ(_devTable, nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
    void* const background = _backgroundDisplayBuffer;
    ASSERT_NE(background, nullptr);
    CleanUpDisplay(0);
    EXPECT_EQ(_backgroundDisplayBuffer, background);   // left in place
    utfree(background);
    _backgroundDisplayBuffer = nullptr;

    // No memory for the background save buffer.
    utFailAllocations(0, -1);
    EXPECT_EQ(Start("A:\\install.exe", {"-u"}), -601);
    utFailAllocations(0, 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(601)"), std::string::npos);
    EXPECT_NE(dialogs.boxes[0].text.find("(_backgroundDisplayBuffer)"), std::string::npos);
}

TEST_F(StartupTest, DiskettesAndMissingFilesStopTheStart) {
    // Diskettes cannot be installed in batch mode.
    test::WriteMedium(Host("C:\\media"), "f", kLooseFiles);
    EXPECT_EQ(Start("C:\\media\\install.exe", {"-b", "-lC:\\batch.log"}), 65535);
    EXPECT_NE(Log("C:\\batch.log").find("You cannot run batch mode using diskettes!"), std::string::npos);
    EXPECT_TRUE(dialogs.boxes.empty());
    CleanUpDisplay(0);

    // Interactively the diskette files are checked too, in one report.
    EXPECT_EQ(Start("C:\\media\\install.exe", {}), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "File Exist/Read Error");
    EXPECT_NE(dialogs.boxes[0].text.find("\n\nC:\\media\\layout.tab\nC:\\media\\volume.id\n\n\n"),
              std::string::npos);
    CleanUpDisplay(0);
    test::WriteLayout(Host("C:\\media"));
    test::WriteVolume(Host("C:\\media"), test::kFirstDiskName, 1);
    dialogs.Clear();
    EXPECT_EQ(Start("C:\\media\\install.exe", {}), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    CleanUpDisplay(0);

    // A CD-ROM medium missing two loose files: both in one report.
    test::WriteMedium(Host("C:\\media"), "cd", {});
    ASSERT_EQ(::unlink(Host("C:\\media\\README.VRN").c_str()), 0);
    ASSERT_EQ(::unlink(Host("C:\\media\\install.hlp").c_str()), 0);
    dialogs.Clear();
    EXPECT_EQ(Start("C:\\media\\install.exe", {}), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("\n\nC:\\media\\install.hlp\nC:\\media\\README.VRN\n\n\n"),
              std::string::npos);
    CleanUpDisplay(0);

    // Without install.tab the table reader's report ends the start.
    ASSERT_EQ(::unlink(Host("C:\\media\\install.tab").c_str()), 0);
    dialogs.Clear();
    EXPECT_EQ(Start("C:\\media\\install.exe", {}), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("install.tab"), std::string::npos);
}

TEST_F(StartupTest, AnUnreadableCurrentDirectoryAndARefusedNameStopTheStart) {
    // A current directory longer than the 255 characters start-up keeps.
    std::string deep = "C:";
    for (int i = 0; i < 5; ++i) {
        deep += "\\" + std::string(60, static_cast<char>('a' + i));
        ASSERT_EQ(::mkdir(Host(deep).c_str(), 0700), 0);
    }
    ASSERT_EQ(_chdir(deep.c_str()), 0);
    EXPECT_EQ(Start("C:\\media\\install.exe", {"-u"}), -128);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(128)"), std::string::npos);

    ASSERT_EQ(_chdir("C:\\"), 0);
    EXPECT_EQ(Start("C:\\media\\install.exe", {"-u", "-b", std::string(600, 'r'), "-lC:\\refused.log"}), 65535);
    EXPECT_NE(Log("C:\\refused.log").find("longer than 511 characters"), std::string::npos);
}

TEST_F(StartupTest, TheInterruptHandlerAsksAndInstallsItselfAgain) {
    test::WriteMedium(Host("C:\\media"), "cd", kLooseFiles);
    ASSERT_EQ(Start("C:\\media\\install.exe", {}), 0);

    // Ctrl-C answered No: the installation goes on with the handler in place.
    dialogs.answers.push_back(IDNO);
    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Quit Confirmation");
    EXPECT_EQ(dialogs.boxes[0].style, MB_YESNO);
    EXPECT_NE(_devTable, nullptr);
    EXPECT_EQ(SetInterruptHandler(InterruptEntry), &InterruptEntry);

    // Yes ends the process with status 65535 (seen by the host as 255).
    dialogs.answers.push_back(IDYES);
    EXPECT_EXIT(SignalQuitFunc(), ::testing::ExitedWithCode(65535 & 0xFF), "");
}

}  // namespace
}  // namespace vrn
