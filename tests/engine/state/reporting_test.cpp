// Messages, the installation log and the confirmation dialogs, run against
// drives mapped into a per-test directory with every box answered by the
// recording handler.
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/system.h"
#include "runtime/files/files.h"
#include "runtime/report/report.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

const char* const kLogVariables[] = {"TMP", "TEMP", "TMPDIR"};

class StateTest : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        for (const char* name : kLogVariables) {
            const char* value = GetEnv(name);
            saved_.emplace_back(value != nullptr, value != nullptr ? value : "");
            SetEnv(name, nullptr);
        }
        ResetState();
    }
    void TearDown() override {
        for (size_t i = 0; i < saved_.size(); ++i)
            SetEnv(kLogVariables[i], saved_[i].first ? saved_[i].second.c_str() : nullptr);
        ResetState();
        TempDrives::TearDown();
    }
    static void ResetState() {
        _commandLineSwitch = 0;
        _logBatchFilePathName[0] = '\0';
        _installWnd = nullptr;
    }
    static void Batch() { _commandLineSwitch = SWITCH_BATCH; }
    bool HostExists(const std::string& windowsPath) const { return std::filesystem::exists(Host(windowsPath)); }

    std::vector<std::pair<bool, std::string>> saved_;
};

const std::string kHeader =
    R"(VARENTIS INSTALL UTILITY LOG <VERSION 9\.1C> \([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\))";

TEST_F(StateTest, LogDirectoryComesFromTmpTempTmpdirThenCurrentAndIsKept) {
    for (const char* dir : {"C:\\a", "C:\\b", "C:\\c", "C:\\d"}) ASSERT_EQ(_mkdir(dir), 0);
    Batch();
    SetEnv("TEMP", "C:\\b");
    SetEnv("TMPDIR", "C:\\c");
    EXPECT_EQ(DisplayErrorMsg(nullptr, "x", 103), -103);
    EXPECT_STREQ(_logBatchFilePathName, "C:\\b\\install.log");

    // The chosen path stays even when a variable of higher rank appears.
    SetEnv("TMP", "C:\\a");
    EXPECT_EQ(DisplayErrorMsg(nullptr, nullptr, 601), -601);
    EXPECT_STREQ(_logBatchFilePathName, "C:\\b\\install.log");
    EXPECT_FALSE(HostExists("C:\\a\\install.log"));

    // The first entry was created in binary mode, the second appended in text mode.
    const std::regex twoEntries(kHeader + "\nINSTALLATION ERROR \\(103\\): Unable to open the file\\. \\(x\\)\n\n" +
                                kHeader + "\r\nINSTALLATION ERROR \\(601\\): Insufficient memory available for "
                                          "allocation\\.\r\n\r\n");
    EXPECT_TRUE(std::regex_match(ReadHostFile(Host("C:\\b\\install.log")), twoEntries))
        << ReadHostFile(Host("C:\\b\\install.log"));

    _logBatchFilePathName[0] = '\0';
    FlushData("one");
    EXPECT_STREQ(_logBatchFilePathName, "C:\\a\\install.log");

    _logBatchFilePathName[0] = '\0';
    SetEnv("TMP", nullptr);
    SetEnv("TEMP", nullptr);
    FlushData("two");
    EXPECT_STREQ(_logBatchFilePathName, "C:\\c\\install.log");

    _logBatchFilePathName[0] = '\0';
    SetEnv("TMPDIR", nullptr);
    ASSERT_EQ(_chdir("C:\\d"), 0);
    FlushData("three");
    EXPECT_STREQ(_logBatchFilePathName, "C:\\d\\install.log");
    EXPECT_TRUE(std::regex_match(ReadHostFile(Host("C:\\d\\install.log")), std::regex(kHeader + "\nthree\n\n")));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
}

TEST_F(StateTest, UnknownCodesAndUnwritableLogsAreSilent) {
    Batch();
    SetEnv("TMP", "C:\\missing");
    EXPECT_EQ(DisplayErrorMsg(nullptr, "x", 103), -103);
    EXPECT_FALSE(HostExists("C:\\missing"));

    ASSERT_EQ(_mkdir("C:\\logs"), 0);
    _logBatchFilePathName[0] = '\0';
    SetEnv("TMP", "C:\\logs");
    EXPECT_EQ(DisplayErrorMsg(nullptr, "x", 125), RESULT_STOP);
    EXPECT_FALSE(HostExists("C:\\logs\\install.log"));

    _commandLineSwitch = 0;
    EXPECT_EQ(DisplayErrorMsg(nullptr, "x", 125), RESULT_STOP);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
}

TEST_F(StateTest, MessageBoxesCarryTheFormattedMessage) {
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(DisplayErrorMsg(owner, "_pReadWriteBuffer", 601), -601);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].owner, owner);
    EXPECT_EQ(dialogs.boxes[0].title, "Error");
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (601): Insufficient memory available for allocation. (_pReadWriteBuffer)");
    EXPECT_EQ(dialogs.boxes[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(dialogs.beeps, std::vector<uint32_t>{MB_BEEP_DEFAULT});

    // Code 153 shares the text of 108, each with its own number.
    DisplayErrorMsg(nullptr, nullptr, 153);
    EXPECT_EQ(dialogs.boxes.back().text,
              "INSTALLATION ERROR (153): Unable to get the current file pointer position.");

    // A box that cannot be shown turns the result into stop.
    dialogs.defaultAnswer = 0;
    EXPECT_EQ(DisplayErrorMsg(nullptr, nullptr, 102), RESULT_STOP);
    dialogs.defaultAnswer = IDOK;

    // Unsupported entry points report 9000 and give zero.
    dialogs.Clear();
    EXPECT_EQ(libref(), 0);
    EXPECT_EQ(strent(), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "INSTALLATION ERROR (9000): Selection not implemented for current release.");

    // Every format is safe to hand a single code: one %d and no other conversion.
    for (int i = 0; i < _messageCount; ++i) {
        const std::string format = _messageTable[i].format;
        EXPECT_EQ(format.find('%'), format.rfind('%')) << _messageTable[i].code;
        EXPECT_NE(format.find("%d"), std::string::npos) << _messageTable[i].code;
        EXPECT_EQ(FindMessageFormat(_messageTable[i].code), _messageTable[i].format) << "duplicate code";
    }
}

TEST_F(StateTest, FileErrorsNameTheFileAndTheErrno) {
    EXPECT_EQ(ProcessFileError(nullptr, 2, 103, "C:\\a.txt"), -103);
    EXPECT_EQ(dialogs.boxes.back().text, "INSTALLATION ERROR (103): Unable to open the file. (: C:\\a.txt (ENOENT))");
    EXPECT_EQ(ProcessFileError(nullptr, 28, 105, "f"), -105);
    EXPECT_EQ(dialogs.boxes.back().text, "INSTALLATION ERROR (105): Unable to write data. (: f (ENOSPC))");

    // An errno without a name: its own box whatever the code, and stop.
    dialogs.Clear();
    EXPECT_EQ(ProcessFileError(nullptr, 5, 103, "f"), RESULT_STOP);
    EXPECT_EQ(ProcessFileError(nullptr, 5, 125, "f"), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].title, "Unknown File Error Code");
    EXPECT_EQ(dialogs.boxes[0].text, "Unknown file error code.\n\nCall Varentis technical support.");
    EXPECT_EQ(dialogs.boxes[0].style, MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);

    // In batch mode the same text goes to the log instead.
    Batch();
    SetEnv("TMP", "C:\\");
    dialogs.Clear();
    EXPECT_EQ(ProcessFileError(nullptr, 5, 103, "f"), RESULT_STOP);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(std::regex_match(ReadHostFile(Host("C:\\install.log")),
                                 std::regex(kHeader + "\nUnknown file error code\\.\n\nCall Varentis technical "
                                                      "support\\.\n\n")));
}

TEST_F(StateTest, CorruptedFileAndQuitQuestions) {
    Batch();
    EXPECT_EQ(StopInstallation("C:\\x.dll"), 0);
    EXPECT_EQ(ConfirmQuit(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());

    _commandLineSwitch = 0;
    dialogs.answers = {IDOK};
    EXPECT_EQ(StopInstallation("C:\\x.dll"), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_EQ(dialogs.boxes[0].text,
              "The Varentis Installation Utility has encountered a corrupted file (C:\\x.dll)!\n\nChoose OK to skip "
              "over the corrupted file or choose QUIT to end the installation.\n\nCAUTION: If you choose to "
              "continue you may lose Varentis functionality!");
    EXPECT_EQ(dialogs.boxes[0].style & MB_TYPEMASK, MB_OKCANCEL);
    EXPECT_EQ(dialogs.beeps.size(), 1u);

    dialogs.Clear();
    dialogs.answers = {IDCANCEL, IDYES};
    EXPECT_EQ(StopInstallation("f"), 1);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].title, "Quit Confirmation");
    EXPECT_EQ(dialogs.boxes[1].text,
              " The installation process is not complete!\n\nCAUTION: quitting at this point will result in some "
              "products not working properly.\n\nIf you do quit, you may rerun the installation program to fully "
              "install the desired products.\n\nAre you sure you want to quit?");
    EXPECT_EQ(dialogs.boxes[1].style & MB_TYPEMASK, MB_YESNO);

    dialogs.answers = {IDCANCEL, IDNO};
    EXPECT_EQ(StopInstallation("f"), 0);

    dialogs.Clear();
    dialogs.defaultAnswer = 0;
    EXPECT_EQ(StopInstallation("f"), 0);
    EXPECT_EQ(dialogs.boxes.size(), 1u);

    dialogs.Clear();
    EXPECT_EQ(AbortProcess("text", "title"), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace vrn
