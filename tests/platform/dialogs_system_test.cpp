// Message boxes through the installed handler and the console dialog
// without a terminal; time, environment and commands of the process layer.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

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

// Runs in a child process: a grandchild shows a console box on a new
// pseudo-terminal; this process reads the box from the terminal's other
// side and answers with a key the box does not know, then with 'n'.
[[noreturn]] void ExitWithConsoleAnswer() {
    ::alarm(20);   // a safety net should the box never appear
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) std::_Exit(10);
    const std::string slave = ::ptsname(master);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int tty = ::open(slave.c_str(), O_RDWR);   // becomes the controlling terminal
        if (tty < 0) ::_exit(11);
        SetDialogHandler(nullptr);
        ::_exit(MessageBox(nullptr, "Are you sure you want to quit?", "Quit Confirmation", MB_YESNO));
    }
    std::string screen;
    char buf[256];
    while (screen.find("[N] No") == std::string::npos) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) std::_Exit(12);
        screen.append(buf, static_cast<size_t>(n));
    }
    if (::write(master, "xn", 2) != 2) std::_Exit(13);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const bool shown = screen.find("Quit Confirmation") != std::string::npos &&
                       screen.find("Are you sure you want to quit?") != std::string::npos &&
                       screen.find("[Y] Yes (Enter)") != std::string::npos;
    std::_Exit(WIFEXITED(status) && WEXITSTATUS(status) == IDNO && shown ? 0 : 1);
}

TEST_F(DialogTest, TheConsoleDialogTakesItsAnswerFromTheTerminal) {
    EXPECT_EXIT(ExitWithConsoleAnswer(), ::testing::ExitedWithCode(0), "");
}

volatile sig_atomic_t g_interrupts = 0;
void CountInterrupt(int signal) {
    if (signal == SIGNAL_INTERRUPT) g_interrupts = g_interrupts + 1;
}

TEST_F(DialogTest, InterruptHandlerRunsOnTheInterruptSignal) {
    EXPECT_EQ(SetInterruptHandler(CountInterrupt), nullptr);
    ::raise(SIGINT);
    EXPECT_EQ(g_interrupts, 1);
    IgnoreInterrupt();
    ::raise(SIGINT);
    EXPECT_EQ(g_interrupts, 1);
    EXPECT_EQ(SetInterruptHandler(CountInterrupt), nullptr);   // ignoring had replaced it
    ::raise(SIGINT);
    EXPECT_EQ(g_interrupts, 2);
    EXPECT_EQ(SetInterruptHandler(nullptr), CountInterrupt);
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

TEST_F(DialogTest, TheTextEditorGetsTheHostFileAsOneWord) {
    std::string visual, editor;
    if (const char* v = GetEnv("VISUAL")) visual = v;
    if (const char* e = GetEnv("EDITOR")) editor = e;
    // The stand-in editor copies its one argument and ends with the status
    // the editor's text gives it.
    ASSERT_EQ(::mkdir((root + "/C/it's notes").c_str(), 0700), 0);
    WriteHostFile(root + "/C/it's notes/Read Me.txt", "notes\n");
    SetEnv("VISUAL", ("sh -c 'cp \"$0\" " + root + "/seen; exit 3'").c_str());
    EXPECT_EQ(RunTextEditor("c:\\IT'S NOTES\\read me.TXT"), 3);
    EXPECT_EQ(ReadHostFile(root + "/seen"), "notes\n");

    // An empty $VISUAL gives way to $EDITOR.
    SetEnv("VISUAL", "");
    SetEnv("EDITOR", ("sh -c 'cp \"$0\" " + root + "/seen2'").c_str());
    EXPECT_EQ(RunTextEditor("C:\\it's notes\\Read Me.txt"), 0);
    EXPECT_EQ(ReadHostFile(root + "/seen2"), "notes\n");

    SetEnv("VISUAL", visual.empty() ? nullptr : visual.c_str());
    SetEnv("EDITOR", editor.empty() ? nullptr : editor.c_str());
}

}  // namespace
}  // namespace vrn
