// Copying the medium's loose files into the destination, and the prompt for
// the first installation diskette.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "tests/engine/startup/test_medium.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

const std::vector<std::string> kLooseFiles = {"install.exe", "install.tab", "installd.ini",
                                              "install.hlp", "vrnupdt.bat", "README.VRN"};

const std::string kInsertPrompt =
    "Insert the following disk:\n\nDisk Name: INSTALLATION DISK    RidazEvori System\nDisk Number: 1";

class CopyInstallFilesTest : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        ASSERT_EQ(::mkdir(Host("C:\\dest").c_str(), 0700), 0);
    }
    void TearDown() override {
        _commandLineSwitch = 0;
        _insertDiskErrorFlag = 0;
        TempDrives::TearDown();
    }
    // A medium of loose files on a drive of the given kind.
    std::string Medium(char letter, DriveKind kind) {
        const std::string host = MapTempDrive(letter, kind);
        for (const std::string& name : kLooseFiles) test::WriteFile(host + "/" + name, name + " contents");
        return host;
    }
    static DeviceRecord Device(const char* type) {
        DeviceRecord device{};
        tablewriter::SetText(device.deviceType, type);
        return device;
    }
    bool HostExists(const std::string& windowsPath) { return ::access(Host(windowsPath).c_str(), F_OK) == 0; }
};

TEST_F(CopyInstallFilesTest, AWrongDiskIsRefusedWithACautionUntilTheUserQuits) {
    const std::string a = Medium('A', DriveKind::Removable);
    test::WriteVolume(a, test::kFirstDiskName, 2);
    const DeviceRecord device = Device("f");

    dialogs.answers = {IDOK, IDCANCEL, IDYES};
    EXPECT_EQ(CopyInstallFiles("A:\\", "C:\\dest", &device, 0), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].title, "Insert Disk");
    EXPECT_EQ(dialogs.boxes[0].style, MB_OKCANCEL);
    EXPECT_EQ(dialogs.boxes[0].text, kInsertPrompt);
    EXPECT_EQ(dialogs.boxes[1].text,
              kInsertPrompt +
                  "\n\n** CAUTION **\nIncorrect Disk Number in the Drive\nThe diskette that is currently in the "
                  "drive is...\nINSTALLATION DISK    RidazEvori System Disk #2");
    EXPECT_EQ(dialogs.boxes[2].title, "Quit Confirmation");
    EXPECT_EQ(dialogs.beeps.size(), 2u);
    EXPECT_FALSE(HostExists("C:\\dest\\README.VRN"));

    // Cancel answered No goes on asking; a disk of another name is refused too.
    test::WriteVolume(a, "SERVER DISK", 1);
    dialogs.Clear();
    dialogs.answers = {IDCANCEL, IDNO, IDCANCEL, IDYES};
    EXPECT_EQ(CopyInstallFiles("A:\\", "C:\\dest", &device, 0), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(dialogs.boxes[2].text.substr(kInsertPrompt.size()),
              "\n\n** CAUTION **\nIncorrect Disk Number in the Drive\nThe diskette that is currently in the "
              "drive is...\nSERVER DISK Disk #1");

    // The right disk: no prompt, and a caution left from before is cleared.
    test::WriteVolume(a, test::kFirstDiskName, 1);
    dialogs.Clear();
    _insertDiskErrorFlag = 1;
    EXPECT_EQ(CopyInstallFiles("A:\\", "C:\\dest", &device, 0), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(_insertDiskErrorFlag, 0);
    for (const std::string& name : kLooseFiles)
        EXPECT_EQ(ReadHostFile(Host("C:\\dest\\" + name)), name + " contents") << name;
}

TEST_F(CopyInstallFilesTest, CdromCopiesAreWritableAndTheRecordFileIsKept) {
    const std::string e = Medium('E', DriveKind::CdRom);
    for (const std::string& name : kLooseFiles) ASSERT_EQ(::chmod((e + "/" + name).c_str(), 0400), 0);
    test::WriteFile(Host("C:\\dest\\installd.ini"), "[installed]\n");
    test::WriteFile(Host("C:\\dest\\install.exe"), "old program");
    const DeviceRecord device = Device("cd");

    EXPECT_EQ(CopyInstallFiles("E:\\", "C:\\dest", &device, 0), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(ReadHostFile(Host("C:\\dest\\installd.ini")), "[installed]\n");
    EXPECT_EQ(ReadHostFile(Host("C:\\dest\\install.exe")), "install.exe contents");
    for (const std::string& name : kLooseFiles) {
        if (name == "installd.ini") continue;
        struct stat st {};
        ASSERT_EQ(::stat(Host("C:\\dest\\" + name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }

    // Release notes only.
    ASSERT_EQ(::mkdir(Host("C:\\notes").c_str(), 0700), 0);
    EXPECT_EQ(CopyInstallFiles("E:\\", "C:\\notes", &device, 1), 0);
    EXPECT_TRUE(HostExists("C:\\notes\\README.VRN"));
    EXPECT_FALSE(HostExists("C:\\notes\\install.exe"));
    EXPECT_FALSE(HostExists("C:\\notes\\installd.ini"));

    // A file missing on the medium stops the copy at that file.
    ASSERT_EQ(::chmod(e.c_str(), 0700), 0);
    ASSERT_EQ(::unlink((e + "/vrnupdt.bat").c_str()), 0);
    ASSERT_EQ(::mkdir(Host("C:\\other").c_str(), 0700), 0);
    EXPECT_EQ(CopyInstallFiles("E:\\", "C:\\other", &device, 0), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("vrnupdt.bat"), std::string::npos);
    EXPECT_TRUE(HostExists("C:\\other\\install.hlp"));
    EXPECT_FALSE(HostExists("C:\\other\\README.VRN"));
}

}  // namespace
}  // namespace vrn
