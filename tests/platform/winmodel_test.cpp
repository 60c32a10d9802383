// The registry model's values and handles, and which source the models
// follow: a setter's content lasts until the configuration changes.
#include <cstring>

#include <gtest/gtest.h>

#include "platform/winmodel.h"
#include "tests/support/test_support.h"

namespace vrn::test {

namespace {

class WinModelTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        ResetPlatformModels();
    }
    void TearDown() override {
        ResetPlatformModels();
        TempDrives::TearDown();
    }
};

}  // namespace

TEST_F(WinModelTest, RegistryValuesAndHandles) {
    SetRegistryValue("HKLM\\Software\\Varentis\\Install", "Directory", "C:\\VRN");
    HKEY software = 0, install = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &software), 0);
    // A key opened under an opened key, names in any case.
    ASSERT_EQ(RegOpenKeyExA(software, "varentis\\INSTALL", 0, KEY_READ, &install), 0);
    HKEY none = 0;
    EXPECT_EQ(RegOpenKeyExA(software, "Varent", 0, KEY_READ, &none),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));   // a prefix of a name is no key

    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(install, "directory", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 7u);   // with its NUL
    uint8_t small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(install, "Directory", nullptr, nullptr, small, &size),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 7u);
    uint8_t data[16];
    size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(install, "Directory", nullptr, nullptr, data, &size), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(data), "C:\\VRN");
    EXPECT_EQ(RegQueryValueExA(install, "Missing", nullptr, nullptr, data, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));

    EXPECT_EQ(RegCloseKey(install), 0);
    EXPECT_EQ(RegCloseKey(install), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegQueryValueExA(install, "Directory", nullptr, nullptr, data, &size),
              static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCloseKey(software), 0);
}

TEST_F(WinModelTest, SetterContentLastsUntilTheConfigurationChanges) {
    SetWindows({WindowDecl{"Set", "by a setter", true, true, false}});
    SetPlatformVersion(VersionDecl{PlatformFamily::Windows95, 4, 0, 950, ""});
    // The configuration in force has not changed: the setters' content holds.
    EXPECT_NE(FindWindowA("set", nullptr), nullptr);
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);

    // A new configuration takes over.
    PlatformConfig config = CurrentPlatformConfig();
    config.windows = {WindowDecl{"Configured", "from the file", true, true, true}};
    config.version.build = 2195;
    ApplyPlatformConfig(config);
    EXPECT_EQ(FindWindowA("Set", nullptr), nullptr);
    const HWND w = FindWindowA("Configured", "from the file");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsIconic(w));
    ASSERT_TRUE(GetVersionExA(&v));
    EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(v.dwBuildNumber, 2195u);

    // Restoring and minimising by system command; other windows unknown.
    EXPECT_TRUE(PostMessageA(w, WM_SYSCOMMAND, SC_RESTORE, 0));
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(PostMessageA(w, WM_SYSCOMMAND, SC_MINIMIZE | 2, 0));
    EXPECT_TRUE(IsIconic(w));
    const HWND unknown = reinterpret_cast<HWND>(static_cast<uintptr_t>(99));
    EXPECT_FALSE(PostMessageA(unknown, WM_SYSCOMMAND, SC_RESTORE, 0));
    EXPECT_FALSE(SetForegroundWindow(unknown));
    char name[4];
    EXPECT_EQ(GetClassNameA(w, name, sizeof name), 3);
    EXPECT_STREQ(name, "Con");
}

}  // namespace vrn::test
