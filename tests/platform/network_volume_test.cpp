// The network provider model and the volume services.
#include <cstring>
#include <string>
#include <vector>

#include "platform/network.h"
#include "platform/volume.h"
#include "platform/winmodel.h"
#include "tests/support/test_support.h"

namespace vrn::test {
namespace {

class NetworkVolumeTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        ResetNetworkModel();
        ResetPlatformModels();
    }
    void TearDown() override {
        ResetNetworkModel();
        ResetPlatformModels();
        TempDrives::TearDown();
    }
};

TEST_F(NetworkVolumeTest, EnumerationInWholeBatches) {
    std::vector<ShareDecl> shares;
    for (int i = 0; i < 7; ++i) shares.push_back(ShareDecl{"\\\\s\\share" + std::to_string(i), root, 0});
    shares[2].letter = 'q';
    SetNetworkConnections(shares);
    SetNetworkBatchLimit(3);
    HANDLE h = 0;
    ASSERT_EQ(WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &h), ERROR_SUCCESS);

    // Too small for a whole batch: the size needed is named.
    std::vector<uint8_t> block(64);
    DWORD count = NET_ENUM_ALL, size = 64;
    EXPECT_EQ(WNetEnumResourceA(h, &count, block.data(), &size), ERROR_MORE_DATA);
    EXPECT_GT(size, 64u);
    block.assign(size, 0);

    std::vector<std::string> remotes;
    std::vector<DWORD> batches;
    for (;;) {
        count = NET_ENUM_ALL;
        size = static_cast<DWORD>(block.size());
        const DWORD status = WNetEnumResourceA(h, &count, block.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        batches.push_back(count);
        const auto* entries = reinterpret_cast<const NETRESOURCEA*>(block.data());
        for (DWORD i = 0; i < count; ++i) {
            // The texts lie inside the buffer.
            ASSERT_GE(entries[i].lpRemoteName, reinterpret_cast<const char*>(block.data()));
            ASSERT_LT(entries[i].lpRemoteName, reinterpret_cast<const char*>(block.data() + block.size()));
            remotes.push_back(entries[i].lpRemoteName);
            if (remotes.size() == 3) {
                ASSERT_NE(entries[i].lpLocalName, nullptr);
                EXPECT_STREQ(entries[i].lpLocalName, "Q:");
            } else {
                EXPECT_EQ(entries[i].lpLocalName, nullptr);
            }
        }
    }
    EXPECT_EQ(batches, (std::vector<DWORD>{3, 3, 1}));
    EXPECT_EQ(remotes.size(), 7u);
    EXPECT_EQ(remotes[6], "\\\\s\\share6");
    EXPECT_EQ(WNetCloseEnum(h), ERROR_SUCCESS);
    EXPECT_EQ(WNetCloseEnum(h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, nullptr, &h), ERROR_NOT_SUPPORTED);
}

TEST_F(NetworkVolumeTest, ConnectionsBecomeDrives) {
    SetNetworkConnections({ShareDecl{"\\\\srv\\share", root + "/C", 0}});
    NETRESOURCEA r;
    r.dwType = RESOURCETYPE_DISK;
    char local[] = "m:";
    char remote[] = "\\\\SRV\\Share";
    r.lpLocalName = local;
    r.lpRemoteName = remote;
    EXPECT_EQ(WNetAddConnection2A(&r, nullptr, nullptr, 0), ERROR_SUCCESS);
    ASSERT_NE(FindDrive('M'), nullptr);
    EXPECT_EQ(FindDrive('M')->kind, DriveKind::Network);
    EXPECT_EQ(GetDriveType("M:\\"), DRIVE_REMOTE);
    EXPECT_EQ(CurrentNetworkConnections().size(), 2u);
    EXPECT_EQ(WNetAddConnection2A(&r, nullptr, nullptr, 0), ERROR_ALREADY_ASSIGNED);
    char unknown[] = "\\\\nowhere\\x";
    r.lpRemoteName = unknown;
    char other[] = "N:";
    r.lpLocalName = other;
    EXPECT_EQ(WNetAddConnection2A(&r, nullptr, nullptr, 0), ERROR_BAD_NET_NAME);
    char bad[] = "N";
    r.lpLocalName = bad;
    r.lpRemoteName = remote;
    EXPECT_EQ(WNetAddConnection2A(&r, nullptr, nullptr, 0), ERROR_BAD_DEVICE);

    EXPECT_EQ(WNetCancelConnection2A("M:", 0, 0), ERROR_SUCCESS);
    EXPECT_EQ(FindDrive('M'), nullptr);
    EXPECT_EQ(WNetCancelConnection2A("M:", 0, 0), ERROR_NOT_CONNECTED);
    EXPECT_EQ(CurrentNetworkConnections().size(), 1u);
}

TEST_F(NetworkVolumeTest, VolumeFiguresAndTexts) {
    DriveMapping c = *FindDrive('C');
    c.clusterSize = 2048;
    c.freeBytes = 10 * 2048 + 100;
    c.totalBytes = 1000 * 2048;
    c.label = "MEDIA";
    c.serial = 0x1234ABCD;
    MapDrive('C', c);
    DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(spc * bps, 2048u);
    EXPECT_EQ(freeClusters, 10u);
    EXPECT_EQ(total, 1000u);
    uint64_t available = 0;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:", &available, nullptr, nullptr));
    EXPECT_EQ(available, 10u * 2048 + 100);

    char label[128], fileSystem[80];
    DWORD serial = 0, longest = 0, flags = 0;
    ASSERT_TRUE(GetVolumeInformationA("C:\\", label, sizeof label, &serial, &longest, &flags, fileSystem,
                                      sizeof fileSystem));
    EXPECT_STREQ(label, "MEDIA");
    EXPECT_EQ(serial, 0x1234ABCDu);
    EXPECT_STREQ(fileSystem, "NTFS");
    EXPECT_FALSE(GetVolumeInformationA("C:\\", label, 3, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_BAD_LENGTH);
    EXPECT_FALSE(GetVolumeInformationA("Q:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    // The device call exists on the Windows 95 family only and answers from
    // the same figures.
    EXPECT_EQ(CreateDeviceA("\\\\.\\vwin32", 0, FILE_FLAG_DELETE_ON_CLOSE), INVALID_HANDLE_VALUE);
    VersionDecl v;
    v.family = PlatformFamily::Windows95;
    v.build = 950;
    SetPlatformVersion(v);
    EXPECT_EQ(GetKernelProcAddress("GetDiskFreeSpaceExA"), nullptr);
    const HANDLE device = CreateDeviceA("\\\\.\\VWIN32", 0, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    uint8_t reply[DOS_FREE_SPACE_REPLY_SIZE] = {};
    DIOC_REGISTERS regs;
    regs.reg_EAX = DOS_EXTENDED_FREE_SPACE;
    regs.reg_EDX = reinterpret_cast<uintptr_t>("C:\\");
    regs.reg_ECX = sizeof reply;
    regs.reg_EDI = reinterpret_cast<uintptr_t>(reply);
    regs.reg_Flags = DOS_CARRY_FLAG;
    ASSERT_TRUE(DeviceIoControl(device, VWIN32_DIOC_DOS_DRIVEINFO, &regs, sizeof regs, &regs, sizeof regs, nullptr,
                                nullptr));
    EXPECT_EQ(regs.reg_Flags & DOS_CARRY_FLAG, 0u);
    EXPECT_EQ(reply[DOS_REPLY_SECTORS_PER_CLUSTER] * (reply[DOS_REPLY_BYTES_PER_SECTOR] |
                                                      reply[DOS_REPLY_BYTES_PER_SECTOR + 1] << 8),
              2048);
    EXPECT_EQ(reply[DOS_REPLY_FREE_CLUSTERS], 10);
    regs.reg_EDX = reinterpret_cast<uintptr_t>("Q:\\");
    regs.reg_Flags = DOS_CARRY_FLAG;
    ASSERT_TRUE(DeviceIoControl(device, VWIN32_DIOC_DOS_DRIVEINFO, &regs, sizeof regs, &regs, sizeof regs, nullptr,
                                nullptr));
    EXPECT_EQ(regs.reg_Flags & DOS_CARRY_FLAG, DOS_CARRY_FLAG);
    EXPECT_TRUE(CloseDevice(device));
    v.build = 1111;
    SetPlatformVersion(v);
    EXPECT_NE(GetKernelProcAddress("GetDiskFreeSpaceExA"), nullptr);

    char text[128];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_NOT_READY, LANG_NEUTRAL_DEFAULT, text,
                             sizeof text, nullptr),
              std::strlen("The device is not ready.\r\n"));
    EXPECT_STREQ(text, "The device is not ready.\r\n");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 99999, 0, text, sizeof text, nullptr), 0u);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_NOT_READY, 0, text, 5, nullptr), 0u);
    char* allocated = nullptr;
    EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                             ERROR_ACCESS_DENIED, 0, reinterpret_cast<char*>(&allocated), 0, nullptr),
              0u);
    ASSERT_NE(allocated, nullptr);
    EXPECT_STREQ(allocated, "Access is denied.\r\n");
    LocalFree(allocated);
}

}  // namespace
}  // namespace vrn::test
