// Reading the command line into the switch word and the batch file names.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class CommandLineTest : public test::TempDrives {
protected:
    void TearDown() override {
        _commandLineSwitch = 0;
        _logBatchFilePathName[0] = '\0';
        _iniBatchFilePathName[0] = '\0';
        TempDrives::TearDown();
    }
    // Parses the arguments behind a program name; returns the switch word.
    uint32_t Parse(std::vector<std::string> args) {
        args.insert(args.begin(), "C:\\setup\\install.exe");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        uint32_t switches = 0xDEADBEEF;
        EXPECT_EQ(ParseCommandLine(static_cast<int32_t>(args.size()), argv.data(), &switches), 0);
        return switches;
    }
};

TEST_F(CommandLineTest, SwitchLettersAndTheirBits) {
    std::snprintf(_iniBatchFilePathName, sizeof _iniBatchFilePathName, "left over");
    std::snprintf(_logBatchFilePathName, sizeof _logBatchFilePathName, "left over");
    EXPECT_EQ(Parse({}), 0u);
    EXPECT_STREQ(_iniBatchFilePathName, "");
    EXPECT_STREQ(_logBatchFilePathName, "");

    EXPECT_EQ(Parse({"-F", "-c", "-u", "-q"}), SWITCH_F | SWITCH_C | SWITCH_UPDATE | SWITCH_QUIET);
    EXPECT_EQ(Parse({"-b-q"}), SWITCH_BATCH | SWITCH_QUIET);
    EXPECT_STREQ(_iniBatchFilePathName, "");
    // Letters are case-sensitive; unknown ones and a lone '-' mean nothing.
    EXPECT_EQ(Parse({"-B", "-U", "-x", "-"}), 0u);
    EXPECT_EQ(Parse({"-b", "-"}), SWITCH_BATCH);
    EXPECT_STREQ(_iniBatchFilePathName, "");
    // Switch scanning stops at the first character after a letter that is not '-'.
    EXPECT_EQ(Parse({"-uq"}), SWITCH_UPDATE);
}

TEST_F(CommandLineTest, BatchAndLogNames) {
    EXPECT_EQ(Parse({"-bC:\\setup\\install.ini"}), SWITCH_BATCH);
    EXPECT_STREQ(_iniBatchFilePathName, "C:\\setup\\install.ini");

    // Arguments after the log name are not read.
    EXPECT_EQ(Parse({"-b", "resp.ini", "-l", "inst.log", "-q", "other.ini"}), SWITCH_BATCH);
    EXPECT_STREQ(_iniBatchFilePathName, "resp.ini");
    EXPECT_STREQ(_logBatchFilePathName, "inst.log");

    // A log name before batch mode is set is not taken.
    EXPECT_EQ(Parse({"-l", "inst.log", "-b", "resp.ini"}), SWITCH_BATCH);
    EXPECT_STREQ(_logBatchFilePathName, "");
    EXPECT_STREQ(_iniBatchFilePathName, "resp.ini");

    // A later bare argument replaces the batch name while it is expected.
    EXPECT_EQ(Parse({"-b", "first.ini", "second.ini"}), SWITCH_BATCH);
    EXPECT_STREQ(_iniBatchFilePathName, "second.ini");
    EXPECT_EQ(Parse({"-b", "-lC:\\inst.log", "after.ini"}), SWITCH_BATCH);
    EXPECT_STREQ(_logBatchFilePathName, "C:\\inst.log");
    EXPECT_STREQ(_iniBatchFilePathName, "");

    // Without batch mode no name is taken.
    EXPECT_EQ(Parse({"-q", "resp.ini"}), SWITCH_QUIET);
    EXPECT_STREQ(_iniBatchFilePathName, "");
    EXPECT_EQ(_commandLineNameRefused, 0);
}

TEST_F(CommandLineTest, NamesLongerThan511CharactersAreRefusedAndLogged) {
    const std::string longest = "C:\\" + std::string(508, 'n');
    ASSERT_EQ(longest.size(), 511u);
    EXPECT_EQ(Parse({"-b", longest}), SWITCH_BATCH);
    EXPECT_EQ(_iniBatchFilePathName, longest);
    EXPECT_EQ(_commandLineNameRefused, 0);

    const std::string tooLong = longest + "x";
    EXPECT_EQ(Parse({"-b", tooLong, "-l", "C:\\named.log"}), SWITCH_BATCH);
    EXPECT_STREQ(_iniBatchFilePathName, "");
    EXPECT_STREQ(_logBatchFilePathName, "C:\\named.log");
    EXPECT_EQ(_commandLineNameRefused, 1);
    // The refusal reaches the log the user named.
    EXPECT_NE(ReadHostFile(Host("C:\\named.log")).find("batch file name given on the command line is longer than 511"),
              std::string::npos);
    EXPECT_TRUE(dialogs.boxes.empty());

    // A later name that fits takes the refused one's place.
    EXPECT_EQ(Parse({"-b", tooLong, "ok.ini"}), SWITCH_BATCH);
    EXPECT_STREQ(_iniBatchFilePathName, "ok.ini");
    EXPECT_EQ(_commandLineNameRefused, 0);

    EXPECT_EQ(Parse({"-b", "-l", "C:\\" + std::string(600, 'l')}), SWITCH_BATCH);
    EXPECT_EQ(_commandLineNameRefused, 1);
    EXPECT_EQ(std::string(_logBatchFilePathName).find(std::string(600, 'l')), std::string::npos);
}

}  // namespace
}  // namespace vrn
