// Message boxes through the installed handler and the console dialog
// without a terminal; time, environment and commands of the process layer.
#include <unistd.h>

#include <cstdlib>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class DialogTest : public test::TempDrives {};

TEST_F(DialogTest, BoxesAndBeepsGoToTheInstalledHandler) {
    int owner = 0;
    dialogs.answers = {IDCANCEL, IDYES};
    EXPECT_EQ(MessageBox(&owner, "Corrupted?", "Corrupted File", MB_OKCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
    EXPECT_EQ(MessageBox(nullptr, "Quit?", "Quit Confirmation", MB_YESNO | MB_SYSTEMMODAL), IDYES);
    dialogs.defaultAnswer = 0;   // a box that cannot be shown
    EXPECT_EQ(MessageBox(nullptr, nullptr, nullptr, MB_OK), 0);
    EXPECT_EQ(MessageBeep(MB_BEEP_DEFAULT), 1);
    EXPECT_EQ(MessageBeep(MB_ICONHAND), 1);

    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].owner, &owner);
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_EQ(dialogs.boxes[0].text, "Corrupted?");
    EXPECT_EQ(dialogs.boxes[0].style, MB_OKCANCEL | MB_ICONEXCLAMATION);
    EXPECT_EQ(dialogs.boxes[1].style, MB_YESNO | MB_SYSTEMMODAL);
    EXPECT_EQ(dialogs.boxes[2].text, "");
    EXPECT_EQ(dialogs.beeps, (std::vector<uint32_t>{MB_BEEP_DEFAULT, MB_ICONHAND}));

    // Installing a handler hands back the one before; null restores the console.
    test::RecordingDialogs other;
    EXPECT_EQ(SetDialogHandler(&other), &dialogs);
    MessageBox(nullptr, "to other", "T", MB_OK);
    EXPECT_EQ(other.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes.size(), 3u);
    DialogHandler* console = SetDialogHandler(nullptr);
    EXPECT_EQ(console, &other);
    DialogHandler* restored = SetDialogHandler(&dialogs);
    EXPECT_NE(restored, nullptr);
    EXPECT_NE(restored, &other);
}

TEST_F(DialogTest, TheConsoleDialogWithoutATerminalShowsNothing) {
    EXPECT_EXIT(
        {
            // A new session has no controlling terminal.
            if (::setsid() < 0) std::_Exit(3);
            SetDialogHandler(nullptr);
            const int answer = MessageBox(nullptr, "text", "title", MB_YESNO);
            MessageBeep(MB_BEEP_DEFAULT);
            std::_Exit(answer == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DialogTest, TimeEnvironmentAndCommands) {
    SetTimeZone("UTC0");
    std::tm tm {};
    ASSERT_TRUE(LocalTime(1796526717, tm));   // Sun Dec  6 03:11:57 2026 UTC
    EXPECT_EQ(AscTime(tm), "Sun Dec  6 03:11:57 2026");
    EXPECT_EQ(MakeLocalTime(tm), 1796526717);
    SetTimeZone("EST5");
    ASSERT_TRUE(LocalTime(1796526717, tm));
    EXPECT_EQ(AscTime(tm), "Sat Dec  5 22:11:57 2026");
    EXPECT_GT(CurrentTime(), 1700000000);

    SetEnv("TMP", "C:\\temp");
    EXPECT_STREQ(GetEnv("TMP"), "C:\\temp");
    SetEnv("TMP", nullptr);
    EXPECT_EQ(GetEnv("TMP"), nullptr);

    EXPECT_EQ(RunCommand("exit 7"), 7);
    EXPECT_EQ(RunCommand(("test -d '" + root + "/C'").c_str()), 0);
    EXPECT_NE(RunCommand(nullptr), 0);
    EXPECT_EQ(ProcessId(), static_cast<uint32_t>(::getpid()));
}

}  // namespace
}  // namespace vrn
