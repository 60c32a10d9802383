// The volume space query on every platform branch, file sizes in whole
// clusters, and the network setup drive behind UNC paths.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/network.h"
#include "platform/winmodel.h"
#include "runtime/files/files.h"
#include "tests/support/test_support.h"

namespace vrn::test {
namespace {

class VolumeTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        _mappedNetworkSetupDrive[0] = '\0';
        _blockSizeIndex = -1;
        ResetPlatformModels();
        ResetNetworkModel();
        dHost = MapTempDrive('D');
    }
    void TearDown() override {
        ResetNetworkModel();
        ResetPlatformModels();
        TempDrives::TearDown();
    }
    void SetFigures(char letter, uint32_t cluster, uint64_t freeBytes) {
        DriveMapping m = *FindDrive(letter);
        m.clusterSize = cluster;
        m.freeBytes = freeBytes;
        MapDrive(letter, m);
    }
    void SetVersion(PlatformFamily family, uint32_t build) {
        VersionDecl v;
        v.family = family;
        v.build = build;
        SetPlatformVersion(v);
    }
    double Query(const char* path) {
        std::strcpy(buffer, path);
        return GetDiskSpaceInfo(buffer);
    }
    std::string dHost;
    char buffer[256] = {};
};

TEST_F(VolumeTest, ClusterSizeClasses) {
    const struct {
        uint32_t cluster;
        int32_t index;
    } cases[] = {{256, 0},  {512, 0},   {1024, 1},  {1536, 1},   {2048, 2},
                 {4096, 3}, {32768, 6}, {65536, 7}, {131072, 7}, {1u << 20, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cluster);
        SetFigures('D', c.cluster, 123456789);
        EXPECT_EQ(Query("D:\\any\\dir"), 123456789.0);
        EXPECT_EQ(_blockSizeIndex, c.index);
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(VolumeTest, EveryPlatformBranch) {
    // More than 4 GiB free: the early Windows 95 call works it in 32 bits.
    const uint64_t big = (5ull << 30) + 8192;
    SetFigures('D', 4096, big);
    SetVersion(PlatformFamily::Windows95, 950);
    EXPECT_EQ(Query("D:\\"), static_cast<double>(static_cast<uint32_t>(big)));
    EXPECT_EQ(_blockSizeIndex, 3);

    // Later Windows 95: free bytes from the extended call, the cluster size
    // from the vwin32 device.
    SetFigures('D', 8192, big);
    SetVersion(PlatformFamily::Windows95, 1111);
    EXPECT_EQ(Query("D:\\x"), static_cast<double>(big));
    EXPECT_EQ(_blockSizeIndex, 4);

    SetVersion(PlatformFamily::WindowsNT, 1381);
    SetFigures('D', 1024, big);
    EXPECT_EQ(Query("D:\\x"), static_cast<double>(big));
    EXPECT_EQ(_blockSizeIndex, 1);

    // A platform of neither family finds nothing.
    SetPlatformVersionId(VER_PLATFORM_WIN32s, 3, 1, 0);
    EXPECT_EQ(Query("D:\\x"), 0.0);
    EXPECT_EQ(_blockSizeIndex, 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(VolumeTest, FailedQueriesGiveTheDefaultCluster) {
    // The drive's directory is gone: volume information fails with the
    // system's text, the cluster query fails, 32,768 gives class 6.
    ASSERT_EQ(::rmdir(dHost.c_str()), 0);
    for (const auto& [family, build] : {std::pair{PlatformFamily::WindowsNT, 1381u},
                                        std::pair{PlatformFamily::Windows95, 950u},
                                        std::pair{PlatformFamily::Windows95, 1111u}}) {
        SCOPED_TRACE(build);
        dialogs.Clear();
        SetVersion(family, build);
        EXPECT_EQ(Query("D:\\x"), 0.0);
        EXPECT_EQ(_blockSizeIndex, 6);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].title, "GetLastError");
        EXPECT_EQ(dialogs.boxes[0].text, "The device is not ready.\r\n");
        EXPECT_EQ(dialogs.boxes[0].owner, nullptr);
        EXPECT_EQ(dialogs.boxes[0].style & MB_ICONMASK, MB_ICONINFORMATION);
    }
    // The box is shown in batch mode too.
    dialogs.Clear();
    _commandLineSwitch = SWITCH_BATCH;
    Query("D:\\x");
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(VolumeTest, FileSizesInWholeClusters) {
    SetFigures('D', 4096, 1 << 30);
    const struct {
        size_t size;
        uint32_t taken;
    } cases[] = {{0, 0}, {1, 4096}, {4096, 4096}, {4097, 8192}};
    for (const auto& c : cases) {
        WriteHostFile(dHost + "/f.bin", std::string(c.size, 'x'));
        const int32_t fd = utopendll("D:\\f.bin", _O_RDONLY | _O_BINARY, -1, 0, _pgc);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(AcquireFileSize(fd, "D:\\f.bin"), c.taken) << c.size;
        EXPECT_EQ(_blockSizeIndex, 3);
        utclose(fd, UT_WRITE_THROUGH);
    }
    EXPECT_EQ(AcquireFileSize(-1, "D:\\f.bin"), 0u);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (109): Unable to acquire information on the file. (D:\\f.bin)");
}

TEST_F(VolumeTest, UNCPathsTakeDriveForm) {
    const std::string shareHost = root + "/share";
    ::mkdir(shareHost.c_str(), 0700);
    // Connected as F: the path is rewritten, nothing is cancelled.
    SetNetworkConnections({ShareDecl{"\\\\srv\\share", shareHost, 'F'}});
    SetFigures('F', 2048, 777777);
    EXPECT_EQ(Query("\\\\srv\\share\\x"), 777777.0);
    EXPECT_STREQ(buffer, "F:\\x");
    EXPECT_EQ(_blockSizeIndex, 2);
    EXPECT_NE(FindDrive('F'), nullptr);
    EXPECT_EQ(Query("\\\\SRV\\Share"), 777777.0);
    EXPECT_STREQ(buffer, "F:\\");

    // Connected without a letter: mapped as the first free letter for the
    // query and cancelled right after it.
    UnmapDrive('F');
    SetNetworkConnections({ShareDecl{"\\\\srv\\share", shareHost, 0}});
    Query("\\\\srv\\share\\dir\\sub");
    EXPECT_STREQ(buffer, "F:\\dir\\sub");
    EXPECT_STREQ(_mappedNetworkSetupDrive, "F:");
    EXPECT_EQ(FindDrive('F'), nullptr);
    ASSERT_EQ(CurrentNetworkConnections().size(), 1u);
    EXPECT_EQ(CurrentNetworkConnections()[0].letter, 0);
    EXPECT_TRUE(dialogs.boxes.empty());

    // A share no connection serves cannot be translated; the letterless
    // connection met on the way was given a letter, which is taken back.
    EXPECT_EQ(Query("\\\\other\\s\\x"), 65535.0);
    EXPECT_EQ(FindDrive('F'), nullptr);
    EXPECT_STREQ(buffer, "\\\\other\\s\\x");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Error");
    EXPECT_EQ(dialogs.boxes[0].text,
              "Unable to translate UNC pathname \\\\other\\s\\x\n to drive letter and directory name.\n"
              "You must map a drive letter to the UNC pathname.");
}

class NetworkDriveTest : public VolumeTest {
protected:
    int32_t Find(const char* path) {
        std::memset(share, 0, sizeof share);
        std::memset(rootOut, 'x', sizeof rootOut);
        return mfGetPathNameFromUNC(path, share, rootOut);
    }
    char share[256] = {};
    char rootOut[8] = {};
};

TEST_F(NetworkDriveTest, ConnectedShareGivesItsDriveInAnyCase) {
    SetNetworkConnections({ShareDecl{"\\\\other\\x", root, 'G'}, ShareDecl{"\\\\srv\\share", root, 'H'}});
    EXPECT_EQ(Find("\\\\srv\\share\\dir"), 0);
    EXPECT_STREQ(share, "\\\\srv\\share");
    EXPECT_STREQ(rootOut, "H:");
    EXPECT_EQ(Find("\\\\SRV\\SHARE\\DIR"), 0);
    EXPECT_STREQ(rootOut, "H:");
    // A remote name longer than the path cannot serve it; no connection
    // serving the path leaves share and root empty.
    SetNetworkConnections({ShareDecl{"\\\\srv\\share-with-a-long-name", root, 'H'}});
    EXPECT_EQ(Find("\\\\srv\\sh"), 0);
    EXPECT_STREQ(rootOut, "");
    EXPECT_STREQ(share, "");
    EXPECT_STREQ(_mappedNetworkSetupDrive, "");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(NetworkDriveTest, LetterlessShareTakesTheFirstFreeLetter) {
    // D: and E: exist here, F: and G: are held by other connections.
    MapTempDrive('E');
    SetNetworkConnections({ShareDecl{"\\\\a\\f", root, 'F'}, ShareDecl{"\\\\a\\g", root, 'G'},
                           ShareDecl{"\\\\srv\\share", root + "/C", 0}});
    EXPECT_EQ(Find("\\\\srv\\share\\dir"), 0);
    EXPECT_STREQ(_mappedNetworkSetupDrive, "H:");
    EXPECT_EQ(rootOut[0], 'H');
    EXPECT_STREQ(share, "\\\\srv\\share");
    ASSERT_NE(FindDrive('H'), nullptr);
    EXPECT_EQ(FindDrive('H')->kind, DriveKind::Network);
    EXPECT_EQ(FindDrive('H')->hostRoot, root + "/C");
    EXPECT_EQ(_getdrive(), 3);   // the letters tried leave the current drive as it was
    EXPECT_EQ(WNetCancelConnection2A("H:", 0, 0), ERROR_SUCCESS);

    // Every letter from F to Z taken: failure.
    for (char letter = 'I'; letter <= 'Z'; ++letter) MapTempDrive(letter);
    MapTempDrive('H');
    EXPECT_EQ(Find("\\\\srv\\share\\dir"), RESULT_STOP);
}

TEST_F(NetworkDriveTest, LongListsAreEnumeratedWithALargerBlock) {
    // 400 connections do not fit in the first 16 KiB; a provider without a
    // batch limit asks for the whole list at once.
    std::vector<ShareDecl> shares;
    for (int i = 0; i < 400; ++i)
        shares.push_back(ShareDecl{"\\\\server-" + std::to_string(i) + "\\some-share-name", root, 'Z'});
    shares.push_back(ShareDecl{"\\\\srv\\share", root, 'K'});
    SetNetworkConnections(shares);
    SetNetworkBatchLimit(0);
    EXPECT_EQ(Find("\\\\srv\\share\\x"), 0);
    EXPECT_STREQ(rootOut, "K:");
    // In batches of 7 the same search walks many batches.
    SetNetworkBatchLimit(7);
    EXPECT_EQ(Find("\\\\srv\\share\\x"), 0);
    EXPECT_STREQ(rootOut, "K:");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(NetworkDriveTest, FailingCloseIsShownAndChangesNothing) {
    SetNetworkConnections({ShareDecl{"\\\\srv\\share", root, 'H'}});
    SetNetworkCloseFailure(true);
    EXPECT_EQ(Find("\\\\srv\\share\\x"), 0);
    EXPECT_STREQ(rootOut, "H:");
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes[0].title, "ERROR");
    EXPECT_EQ(dialogs.boxes[0].text, "Unable to close enumeration of resources.");
}

}  // namespace
}  // namespace vrn::test
