// Window-system names, display type, platform family and the search for a
// running client, over window, registry and version models set from a
// drive-map file or directly.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/winmodel.h"
#include "runtime/interrupt/interrupt.h"
#include "runtime/winsys/winsys.h"
#include "tests/support/recording_reports.h"
#include "tests/support/test_support.h"

namespace vrn::test {

namespace {

constexpr const char* kExplorerKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

class WinsysTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        ResetPlatformModels();
        savedWsys_ = _argwsys;
        savedName_ = _pszWindowSys;
        savedFirst_ = _FirstClientSession;
        _pszWindowSys = nullptr;
        _FirstClientSession = 0;
    }
    void TearDown() override {
        _argwsys = savedWsys_;
        _pszWindowSys = savedName_;
        _FirstClientSession = savedFirst_;
        ResetPlatformModels();
        TempDrives::TearDown();
    }

    // Puts a drive-map file's declarations (besides the temporary C:) in force.
    void Configure(const std::string& lines) {
        const std::string file = root + "/drives.cfg";
        WriteHostFile(file, "drive C: " + root + "/C\n" + lines);
        PlatformConfig config;
        std::string error;
        ASSERT_TRUE(ParsePlatformConfig(file, config, error)) << error;
        ApplyPlatformConfig(config);
    }

    size_t Reports9000() const {
        size_t n = 0;
        for (int32_t code : reports.codes) n += code == NOT_IMPLEMENTED_MESSAGE ? 1 : 0;
        EXPECT_EQ(n, reports.codes.size()) << "only message 9000 is reported";
        return n;
    }

    RecordingReports reports;

private:
    int32_t savedWsys_ = 0;
    char* savedName_ = nullptr;
    int32_t savedFirst_ = 0;
};

}  // namespace

TEST_F(WinsysTest, RefusingPoolGivesTheDefaultsAndReportsEveryCall) {
    _argwsys = 0;
    EXPECT_STREQ(utWhatWindowSys(), "TTY");
    EXPECT_STREQ(utWhatWindowSys(), "TTY");
    EXPECT_EQ(Reports9000(), 2u);   // the buffer is asked for again each time

    _argwsys = 1;
    // No Explorer key, no task bar.
    EXPECT_STREQ(utWhatWindowSys(), "MS-WINDOWS");
    // The key without the task bar, then the task bar without the key.
    SetRegistryValue(kExplorerKey, "", "");
    EXPECT_EQ(utInWindows95Shell(), 0);
    EXPECT_STREQ(utWhatWindowSys(), "MS-WINDOWS");
    SetRegistry({});
    SetWindows({WindowDecl{"Shell_TrayWnd", "", true, true, false}});
    EXPECT_EQ(utInWindows95Shell(), 0);
    EXPECT_STREQ(utWhatWindowSys(), "MS-WINDOWS");
    // Both, with a value under a subkey of Explorer standing for the key and
    // the root written in its short form.
    SetRegistryValue("HKCU\\software\\microsoft\\windows\\currentversion\\explorer\\Shell Folders", "Desktop",
                     "C:\\WINDOWS\\Desktop");
    EXPECT_EQ(utInWindows95Shell(), 1);
    EXPECT_STREQ(utWhatWindowSys(), "MS-WIN95");
    EXPECT_EQ(Reports9000(), 6u);

    // Setting a name only reports; clearing asks for nothing.
    utSetWindowSys("X11");
    EXPECT_EQ(Reports9000(), 7u);
    utClearWindowSys();
    EXPECT_EQ(Reports9000(), 7u);
    EXPECT_EQ(_pszWindowSys, nullptr);
    EXPECT_STREQ(utWhatWindowSys(), "MS-WIN95");
}

TEST_F(WinsysTest, GrantedBufferKeepsTheName) {
    char buffer[WINDOW_SYS_SIZE + 16];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    buffer[0] = '\0';
    _pszWindowSys = buffer;   // as a pool that grants the request would leave it

    utSetWindowSys("X11/Motif");
    _argwsys = 0;
    EXPECT_STREQ(utWhatWindowSys(), "X11/Motif");
    _argwsys = 1;
    EXPECT_STREQ(utWhatWindowSys(), "X11/Motif");

    // At most 127 characters, and nothing written past the 128 bytes.
    utSetWindowSys(std::string(200, 'n').c_str());
    EXPECT_EQ(std::string(utWhatWindowSys()), std::string(127, 'n'));
    EXPECT_EQ(buffer[WINDOW_SYS_SIZE], '#');

    utClearWindowSys();
    EXPECT_STREQ(utWhatWindowSys(), "MS-WINDOWS");
    _argwsys = 0;
    EXPECT_STREQ(utWhatWindowSys(), "TTY");
    EXPECT_TRUE(reports.codes.empty());
}

TEST_F(WinsysTest, DisplayTypeAndPlatformFamily) {
    EXPECT_STREQ(utDisplayType(1), "GUI");
    EXPECT_STREQ(utDisplayType(-5), "GUI");
    EXPECT_STREQ(utDisplayType(0), "TTY");

    EXPECT_EQ(utWinGetOSVersion(), 2);   // the default platform: NT 4.0
    Configure("version 95 4.10 1998\n");
    EXPECT_EQ(utWinGetOSVersion(), 1);
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_EQ(v.dwMajorVersion, 4u);
    EXPECT_EQ(v.dwMinorVersion, 10u);
    EXPECT_EQ(v.dwBuildNumber, 1998u);
    Configure("version nt 5.0 2195 \"Service Pack 1\"\n");
    EXPECT_EQ(utWinGetOSVersion(), 2);
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_STREQ(v.szCSDVersion, "Service Pack 1");

    SetPlatformVersionId(VER_PLATFORM_WIN32s, 3, 11, 0);
    EXPECT_EQ(utWinGetOSVersion(), 0);
    SetPlatformVersionUnreadable();
    EXPECT_EQ(utWinGetOSVersion(), 0);
    // A record of the wrong size is refused too.
    ResetPlatformModels();
    v.dwOSVersionInfoSize = sizeof v - 1;
    EXPECT_FALSE(GetVersionExA(&v));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(WinsysTest, MultiSessionRestoresTheClientWindowAndIgnoresHiddenOrDisabledOnes) {
    Configure(
        "window VrnMainWin \"hidden\" visible=0\n"
        "window VrnMainWin \"disabled\" enabled=0 minimized=1\n"
        "window VrnMainWinner \"longer class\"\n"
        "window vrnmainwin \"other case\"\n"
        "window Notepad \"Untitled - Notepad\"\n"
        "window VrnMainWin \"client\" minimized=1\n"
        "window VrnMainWin \"second client\" minimized=1\n");

    // The first session looks at no window.
    _FirstClientSession = 1;
    EXPECT_EQ(utWinCheckForMultiSession(), 0);
    EXPECT_TRUE(PostedMessages().empty());
    EXPECT_EQ(GetForegroundWindow(), nullptr);

    _FirstClientSession = 0;
    EXPECT_EQ(utWinCheckForMultiSession(), 1);
    const HWND front = GetForegroundWindow();
    ASSERT_NE(front, nullptr);
    char title[64];
    GetWindowTextA(front, title, sizeof title);
    EXPECT_STREQ(title, "client");
    ASSERT_EQ(PostedMessages().size(), 1u);
    EXPECT_EQ(PostedMessages()[0].window, front);
    EXPECT_EQ(PostedMessages()[0].message, 0x0112u);
    EXPECT_EQ(PostedMessages()[0].wParam, 0xF120u);
    const std::vector<WindowDecl> now = CurrentWindows();
    EXPECT_FALSE(now[5].minimized);
    EXPECT_TRUE(now[1].minimized);   // the disabled one is left alone
    EXPECT_TRUE(now[6].minimized);   // so is any window after the first match

    // A client window that is not minimised is only brought forward.
    SetWindows({WindowDecl{"Notepad", "x", true, true, false}, WindowDecl{"VrnMainWin", "up", true, true, false}});
    EXPECT_EQ(utWinCheckForMultiSession(), 1);
    ASSERT_NE(GetForegroundWindow(), nullptr);
    GetWindowTextA(GetForegroundWindow(), title, sizeof title);
    EXPECT_STREQ(title, "up");
    EXPECT_TRUE(PostedMessages().empty());

    // No client window at all: still not the first session.
    SetWindows({WindowDecl{"VrnMainWin", "hidden", false, true, true}});
    EXPECT_EQ(utWinCheckForMultiSession(), 1);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_TRUE(CurrentWindows()[0].minimized);
}

}  // namespace vrn::test
