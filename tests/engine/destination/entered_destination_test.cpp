// The checks of an entered destination and of typed names on a drive map
// with absent, removable, fixed, CD-ROM and network drives: every refusal
// with its title, the existing-directory decisions, and the batch forms
// that reach the same verdicts with each refusal logged once and no box.
#include <string>
#include <vector>

#include "platform/network.h"
#include "tests/engine/destination/destination_fixture.h"

namespace vrn::test {
namespace {

const HWND kOwner = reinterpret_cast<HWND>(0x77);
constexpr const char kRemovable[] = "The destination device you have chosen \nis removable, do you wish to continue?";

class EnteredDestinationTest : public DestinationDrives {
protected:
    struct Verdict {
        int32_t result;
        std::string accepted;
        int emptyFirst, create;
        bool operator==(const Verdict&) const = default;
    };
    Verdict Run(bool batch, const std::string& entered, uint8_t checkSpace = 0, uint32_t required = 0) {
        std::vector<char> buffer(entered.begin(), entered.end());
        buffer.push_back('\0');
        char accepted[256] = "-";
        uint8_t emptyFirst = 7;
        _createDestinationDir = 7;
        const int32_t result =
            batch ? CheckBatchDestination(buffer.data(), accepted, &emptyFirst, checkSpace, required)
                  : CheckEnteredDestination(kOwner, buffer.data(), accepted, &emptyFirst, checkSpace, required);
        return {result, accepted, emptyFirst, _createDestinationDir};
    }
};

TEST_F(EnteredDestinationTest, EveryVerdictInteractiveAndInBatch) {
    // D:\old holds 10 + 20 bytes in old\sub and 5 in old; D: has 5000 free.
    MakeDir("D:\\old");
    MakeDir("D:\\old\\sub");
    MakeFile("D:\\old\\sub\\a.txt", 10);
    MakeFile("D:\\old\\sub\\b.txt", 20);
    MakeFile("D:\\old\\top.txt", 5);
    MakeDir("D:\\ro");
    MakeDir("D:\\ro\\a");
    MakeFile("D:\\ro\\a\\first", 1, true);   // first in walk order
    MakeFile("D:\\ro\\b", 1, true);
    MakeFile("D:\\blocker", 2);
    SetFigures('D', 512, 5000);
    const std::string tooLong = "D:\\" + std::string(253, 'l');
    const std::string shortOf =
        "The Installation Utility has detected that there is NOT enough disk space to install to D:\\old\n\n"
        "Required for Installation: 5,036 bytes\nAvailable (once all files are removed): 5,035 bytes\n\n";
    struct Case {
        std::string entered;
        int32_t decision;
        uint8_t checkSpace;
        uint32_t required;
        Verdict verdict;
        std::string title, text;   // the one refusal, or none
        HWND owner = kOwner;
    };
    const std::vector<Case> cases = {
        {"D:\\fresh\\dir", 1601, 0, 0, {0, "D:\\fresh\\dir", 0, 1}, "", ""},
        {"N:\\x", 1601, 0, 0, {0, "N:\\x", 0, 1}, "", ""},
        {"R:\\x", 1601, 0, 0, {0, "R:\\x", 0, 1}, "", ""},
        {"G:\\x", 1601, 0, 0, {-132, "-", 7, 7}, "Error",
         "INSTALLATION ERROR (132): The specified destination drive and/or path is unknown. (G:\\x)"},
        {"E:\\x", 1601, 0, 0, {RESULT_STOP, "-", 7, 7}, "Warning", kRemovable},
        {"F:\\x", 1601, 0, 0, {RESULT_STOP, "-", 7, 7}, "Warning", kRemovable},
        {"D:\\blocker\\x", 1603, 0, 0, {RESULT_STOP, "-", 7, 7}, "Invalid Directory name",
         "You have entered the following as your destination pathname:\nD:\\blocker\\x\n\nThe Varentis installation "
         "has detected that 'blocker' is not a valid pathname.  Enter another destination pathname.", nullptr},
        {tooLong, 1603, 0, 0, {-130, "-", 7, 7}, "Error",
         "INSTALLATION ERROR (130): Filename length exceeds maximum. (" + tooLong + ")"},
        {tooLong.substr(0, 255), 1603, 0, 0, {0, tooLong.substr(0, 255), 0, 1}, "", ""},
        {"D:\\old", 1601, 0, 0, {RESULT_STOP, "-", 7, 7}, "", ""},
        {"D:\\old", 1603, 0, 0, {0, "D:\\old", 0, 0}, "", ""},
        {"D:\\old", 1602, 0, 0, {0, "D:\\old", 1, 1}, "", ""},
        {"D:\\old", 1700, 0, 0, {0, "-", 7, 7}, "", ""},
        {"D:\\old", 1602, 1, 5035, {0, "D:\\old", 1, 1}, "", ""},   // free + old files, exactly
        {"D:\\old", 1602, 0, 4000000000u, {0, "D:\\old", 1, 1}, "", ""},
        {"D:\\old", 1602, 1, 5036, {RESULT_STOP, "-", 7, 7}, "Insufficient Disk Space",
         shortOf + "Change your destination path before continuing the installation!"},
        {"D:\\ro", 1602, 0, 0, {RESULT_STOP, "-", 7, 7}, "Read-Only File Found",
         "The Installation Utility has detected that the following file has READ ONLY attribute set:\n"
         "D:\\ro\\a\\first\n\nThe selected destination directory (D:\\ro) cannot be erased because of this file. "
         "Select another destination directory.", nullptr},
    };
    UseLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entered.substr(0, 16) + " " + std::to_string(c.decision) + " " + std::to_string(c.required));
        _existingDirectoryDecision = c.decision;
        dialogs.Clear();
        dialogs.defaultAnswer = IDNO;
        EXPECT_TRUE(Run(false, c.entered, c.checkSpace, c.required) == c.verdict);
        ASSERT_EQ(dialogs.boxes.size(), c.title.empty() ? 0u : 1u);
        if (!c.title.empty()) {
            EXPECT_EQ(dialogs.boxes[0].title, c.title);
            EXPECT_EQ(dialogs.boxes[0].text, c.text);
            EXPECT_EQ(dialogs.boxes[0].owner, c.owner);
        }

        dialogs.Clear();
        ::unlink(logPath.c_str());
        EXPECT_TRUE(Run(true, c.entered, c.checkSpace, c.required) == c.verdict);
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_TRUE(dialogs.beeps.empty());
        EXPECT_EQ(_commandLineSwitch, 0u);   // the batch bit was only lent
        int entries = 0;
        const std::string log = LogText(&entries);
        EXPECT_EQ(entries, c.title.empty() ? 0 : 1);
        if (c.title == "Warning") {
            EXPECT_EQ(log, "Warning: " + c.text + "\n\nAnswered No.\n\n");
        } else if (c.title == "Error") {
            EXPECT_EQ(log, c.text + "\n\n");
        } else if (!c.title.empty()) {
            EXPECT_EQ(log, c.title + ": " + c.text + "\n\n");
        }
    }
    // Agreed to interactively, a removable drive is taken; a reinstallation
    // asks to free space; nothing was created or removed on the way.
    dialogs.Clear();
    dialogs.answers = {IDYES};
    EXPECT_TRUE(Run(false, "E:\\x") == (Verdict{0, "E:\\x", 0, 1}));
    _sameVersionAndDir = 1;
    _existingDirectoryDecision = 1602;
    EXPECT_EQ(Run(false, "D:\\old", 1, 5036).result, RESULT_STOP);
    EXPECT_EQ(dialogs.boxes.back().text, shortOf + "You must free up disk space to continue!");
    EXPECT_FALSE(Exists(root + "/D/fresh"));
    EXPECT_TRUE(Exists(root + "/D/old/sub/b.txt"));
}

TEST_F(EnteredDestinationTest, ANewDestinationRefreshesTheVolumeFigures) {
    SetFigures('D', 8192, 1000000);
    _blockSizeIndex = -1;
    EXPECT_EQ(Run(false, "D:\\dest").result, 0);
    EXPECT_EQ(_blockSizeIndex, 4);
    std::strcpy(_destinationPath, "D:\\dest");
    _blockSizeIndex = -1;
    EXPECT_EQ(Run(false, "D:\\dest").result, 0);
    EXPECT_EQ(_blockSizeIndex, -1);

    // A network name is checked, and handed back, in drive form.
    ::mkdir((root + "/share").c_str(), 0700);
    SetNetworkConnections({ShareDecl{"\\\\srv\\share", root + "/share", 'S'}});
    EXPECT_TRUE(Run(false, "\\\\srv\\share\\dest") == (Verdict{0, "S:\\dest", 0, 1}));
    ResetNetworkModel();
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(EnteredDestinationTest, TypedFileAndDirectoryNames) {
    MakeDir("D:\\dir");
    MakeFile("D:\\dir\\f.txt", 1);
    MakeFile("D:\\plain", 1);
    MakeFile("C:\\x.log", 1);
    const auto text = [](const char* head, const char* path, const char* tail) {
        return std::string(head) + path + tail;
    };
    const std::string fileIsDir = "\n\nThe Varentis installation has detected that it is a directory and not a file.  "
                                  "Enter a valid filename.";
    struct Case {
        const char* path;
        uint8_t kind;
        int answer;   // to a question; the batch run is told to create exactly when this is Yes
        int32_t result;
        std::string title, text;
    };
    const std::vector<Case> cases = {
        {"D:\\x.log", PATH_KIND_FILE, IDNO, 1, "", ""},
        {"D:\\dir\\f.txt", PATH_KIND_EITHER, IDNO, 1, "", ""},
        {"D:\\dir", PATH_KIND_DIRECTORY, IDNO, 1, "", ""},
        {"D:\\dir", PATH_KIND_FILE, IDNO, 0, "Invalid File Name",
         text("You have entered the following as a filename:\n", "D:\\dir", fileIsDir.c_str())},
        {"D:\\dir\\f.txt", PATH_KIND_DIRECTORY, IDNO, 0, "Invalid Directory Name",
         text("You have entered the following as a directory:\n", "D:\\dir\\f.txt",
              "\n\nThe Varentis installation has detected that it is a file and not a directory.  Enter a valid "
              "directory name.")},
        {"x.log", PATH_KIND_FILE, IDNO, 0, "No Filename",
         text("The Installation Utility has detected that there is no filename associated with the ", "x.log",
              " pathname.  You must provide a filename.")},
        {"G:\\x", PATH_KIND_DIRECTORY, IDNO, 0, "Unknown Drive",
         text("You have entered the following directory name:\n", "G:\\x",
              "\n\nThis drive does not exist! Select another drive.")},
        {"E:\\x", PATH_KIND_DIRECTORY, IDYES, RESULT_STOP, "Warning", kRemovable},
        {"D:\\new\\sub", PATH_KIND_DIRECTORY, IDNO, 0, "Create Directory?",
         text("You have entered the following directory name:\n", "D:\\new\\sub",
              "\n\nThis directory path does NOT exist!\n\nDo you want the Varentis installation to create the "
              "directory path?")},
    };
    UseLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        dialogs.Clear();
        dialogs.defaultAnswer = c.title == "Warning" ? IDNO : c.answer;
        EXPECT_EQ(CheckPathFileName(kOwner, c.path, c.kind), c.result);
        ASSERT_EQ(dialogs.boxes.size(), c.title.empty() ? 0u : 1u);
        if (!c.title.empty()) {
            EXPECT_EQ(dialogs.boxes[0].title, c.title);
            EXPECT_EQ(dialogs.boxes[0].text, c.text);
            EXPECT_EQ(dialogs.boxes[0].owner, kOwner);
        }
        dialogs.Clear();
        ::unlink(logPath.c_str());
        EXPECT_EQ(CheckBatchPathFileName(c.path, c.kind, c.answer == IDYES), c.result);
        EXPECT_TRUE(dialogs.boxes.empty());
        int entries = 0;
        const std::string log = LogText(&entries);
        EXPECT_EQ(entries, c.title.empty() ? 0 : 1);
        if (!c.title.empty()) {
            EXPECT_EQ(log.rfind(c.title + ": " + c.text, 0), 0u) << log;
        }
    }
    EXPECT_FALSE(Exists(root + "/D/new"));

    // Yes creates the directory; for a file only its directory.
    dialogs.Clear();
    dialogs.defaultAnswer = IDYES;
    EXPECT_EQ(CheckPathFileName(kOwner, "D:\\new\\sub", PATH_KIND_DIRECTORY), 1);
    EXPECT_TRUE(Exists(root + "/D/new/sub"));
    EXPECT_EQ(CheckPathFileName(kOwner, "D:\\logs\\run.log", PATH_KIND_FILE), 1);
    EXPECT_NE(dialogs.boxes.back().text.find("name:\nD:\\logs\n\n"), std::string::npos);
    EXPECT_TRUE(Exists(root + "/D/logs"));
    EXPECT_FALSE(Exists(root + "/D/logs/run.log"));
    EXPECT_EQ(CheckBatchPathFileName("D:\\made\\here", PATH_KIND_DIRECTORY, 1), 1);
    EXPECT_TRUE(Exists(root + "/D/made/here"));
    // A creation that fails is reported once, by the creation.
    dialogs.Clear();
    dialogs.defaultAnswer = IDYES;
    EXPECT_EQ(CheckPathFileName(kOwner, "D:\\plain\\sub", PATH_KIND_DIRECTORY), 0);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "INSTALLATION ERROR (119): Unable to make directory. (D:\\plain\\sub)");

    // The format rule's batch form.
    ::unlink(logPath.c_str());
    EXPECT_EQ(CheckBatchPathnameFormat("D:\\a b"), RESULT_STOP);
    EXPECT_EQ(CheckBatchPathnameFormat("D:\\ab"), 0);
    EXPECT_EQ(LogText(), "Invalid Destination Pathname Character: The following destination path is invalid.\n"
                         "D:\\a b\n\nYou cannot use the   character as part of the directory name.\n\n");
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

}  // namespace
}  // namespace vrn::test
