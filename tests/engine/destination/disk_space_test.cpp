// Disk-space planning on simulated drives: the chosen space per cluster
// size with shared archives counted once, the staged largest archive, the
// constant space, the comparison with the free space and its texts.
#include <fstream>
#include <string>
#include <vector>

#include "engine/display/display.h"
#include "tests/engine/destination/destination_fixture.h"

namespace vrn::test {
namespace {

class DiskSpaceTest : public DestinationDrives {
protected:
    // A chosen product and SKU: A a.arc 1000/32768; B shares a.arc; C not
    // chosen; D with D1 (chosen, 2000/65536) and D2 (not chosen) and own
    // sizes never used; E not extracted (largest archive, 8000); F shares
    // e.arc. A product not chosen holds Z (z.arc, the largest of all).
    void BuildTree() {
        SkuNode* sku = ChosenSku();
        Add(sku, "a.arc", 3000, Sizes(1000, 32768), COMPONENT_CHOSEN);
        b = Add(sku, "a.arc", 3000, Sizes(7, 7), COMPONENT_CHOSEN);
        Add(sku, "c.arc", 9000, Sizes(50, 60), 0);
        ComponentNode* d = Add(sku, "d.arc", 1, Sizes(123456, 123456), COMPONENT_CHOSEN);
        Add<SubcomponentNode>(d, "d1.arc", 5000, Sizes(2000, 65536), SUBCOMPONENT_CHOSEN);
        Add<SubcomponentNode>(d, "d2.arc", 100000, Sizes(300, 400), 0);
        Add(sku, "e.arc", 8000, Sizes(4000, 4000), COMPONENT_CHOSEN | COMPONENT_NOT_EXTRACTED);
        Add(sku, "e.arc", 8000, Sizes(11, 11), COMPONENT_CHOSEN);
        Add(ChosenSku(false), "z.arc", 200000, Sizes(70, 80), COMPONENT_CHOSEN);
    }
    // The figures as a drive-map file gives them: C: 4 KiB clusters, D:
    // 512 bytes, N: (network) 32 KiB.
    void DriveMap(uint64_t dFree, uint64_t nFree) {
        const std::string file = root + "/drives.map";
        std::ofstream(file) << "drive C: " << root << "/C cluster=4K free=1G total=2G\n"
                            << "drive D: " << root << "/D cluster=512 free=" << dFree << " total=8G\n"
                            << "drive N: " << root << "/N kind=network cluster=32K free=" << nFree << " total=8G\n";
        PlatformConfig config;
        std::string error;
        ASSERT_TRUE(ParsePlatformConfig(file, config, error)) << error;
        ApplyPlatformConfig(config);
    }
    ComponentNode* b = nullptr;
    double free = -1;
};

TEST_F(DiskSpaceTest, ChosenAndWholeTreeFigures) {
    BuildTree();
    _blockSizeIndex = 0;
    EXPECT_EQ(CalcReqDiskSpace(_availableProducts), 1000u + 2000u);
    _blockSizeIndex = 6;
    EXPECT_EQ(CalcReqDiskSpace(_availableProducts), 32768u + 65536u);
    EXPECT_EQ(FindLargestArchive(_availableProducts), 8000u);   // the not-extracted bit is not looked at
    EXPECT_EQ(_lastLargestArchive, 8000u);
    EXPECT_EQ(PreviouslyCheckedComp(_availableProducts, _availableProducts->firstSku->firstComponent), 0);
    EXPECT_EQ(PreviouslyCheckedComp(_availableProducts, b), 1);
    EXPECT_EQ(FindLargestArchive(nullptr), 0u);

    // Whole tree: A, C, D1, D2, E, Z, on the cluster size of the path's volume.
    DriveMap(1000, 1000);
    _lastLargestArchive = 5;
    EXPECT_EQ(CalcQuickDiskSpace(_availableProducts, "N:\\x"), 32768u + 60u + 65536u + 400u + 4000u + 80u);
    EXPECT_EQ(CalcQuickDiskSpace(_availableProducts, "D:\\x"), 1000u + 50u + 2000u + 300u + 4000u + 70u);
    EXPECT_EQ(FindQuickLargestArchive(_availableProducts), 200000u);
    EXPECT_EQ(_lastLargestArchive, 5u);

    // An unchosen subcomponent first in walk order claims a shared archive
    // for the largest-archive rule; the space counts chosen ones only.
    ResetGlobals();
    ComponentNode* c = Add(ChosenSku(), "c.arc", 1, Sizes(0, 0), COMPONENT_CHOSEN);
    const SubcomponentNode* first = Add<SubcomponentNode>(c, "s.arc", 70000, Sizes(5, 5), 0);
    const SubcomponentNode* second = Add<SubcomponentNode>(c, "s.arc", 70000, Sizes(6, 6), SUBCOMPONENT_CHOSEN);
    Add<SubcomponentNode>(c, "t.arc", 600, Sizes(7, 7), SUBCOMPONENT_CHOSEN);
    EXPECT_EQ(PreviouslyCheckedSubcomp(_availableProducts, first), 0);
    EXPECT_EQ(PreviouslyCheckedSubcomp(_availableProducts, second), 1);
    EXPECT_EQ(FindLargestArchive(_availableProducts), 600u);
    EXPECT_EQ(CalcReqDiskSpace(_availableProducts), 13u);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DiskSpaceTest, FiveGibibytesWrapAt32BitsFreeSpaceDoesNot) {
    SkuNode* sku = ChosenSku();
    Add(sku, "big1.arc", 1, Sizes(3u << 30, 0), COMPONENT_CHOSEN);
    Add(sku, "big2.arc", 1, Sizes(2u << 30, 0), COMPONENT_CHOSEN);
    EXPECT_EQ(CalcReqDiskSpace(_availableProducts), 1u << 30);
    DriveMap(6ull << 30, 0);
    SetMedium("cd");
    EXPECT_EQ(AvailDiskSpace(nullptr, "D:\\x", &free), 1);
    EXPECT_EQ(_addDiskSpace, 1u << 30);
    EXPECT_EQ(_availDiskSpace, static_cast<double>(6ull << 30));
    EXPECT_EQ(free, static_cast<double>(5ull << 30));
}

TEST_F(DiskSpaceTest, AvailableSpaceOnEachMediumAndClusterSize) {
    BuildTree();
    _constDiskSpace = 1000000;
    // Diskettes: constant + chosen (3000 on 512 bytes) + largest archive;
    // exactly that much free is enough and leaves 0.
    DriveMap(1011000, 1098303);
    SetMedium("f");
    EXPECT_EQ(AvailDiskSpace(nullptr, "D:\\x", &free), 1);
    EXPECT_EQ(_addDiskSpace, 1011000u);
    EXPECT_EQ(_reqDiskSpace, 3000u);
    EXPECT_EQ(free, 0.0);
    // A CD-ROM stages no archive on the destination.
    SetMedium("cd");
    EXPECT_EQ(AvailDiskSpace(nullptr, "D:\\x", &free), 1);
    EXPECT_EQ(_addDiskSpace, 1003000u);
    EXPECT_EQ(free, 8000.0);
    EXPECT_TRUE(dialogs.boxes.empty());
    // 32 KiB clusters: one byte short.
    EXPECT_EQ(AvailDiskSpace(nullptr, "N:\\x", &free), 0);
    EXPECT_EQ(_addDiskSpace, 1098304u);
    EXPECT_EQ(free, 1098303.0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Insufficient Disk Space");
    EXPECT_EQ(dialogs.boxes[0].style, MB_OK);
    EXPECT_EQ(dialogs.boxes[0].text,
              "The Installation Utility has detected that there is NOT enough disk space to install to N:\\x\n\n"
              "Required for Installation: 1,098,304 bytes\nAvailable: 1,098,303 bytes\n\n"
              "Change your destination path before continuing the installation!");

    // The other ending, for a reinstallation or the caller's bit 0x100;
    // in batch mode the text goes to the log once and no box is shown.
    for (const auto& [same, switches] : {std::pair{1u, 0u}, std::pair{0u, SWITCH_FRONTEND_256}}) {
        _sameVersionAndDir = same;
        _commandLineSwitch = switches;
        EXPECT_EQ(AvailDiskSpace(nullptr, "N:\\x", &free), 0);
        EXPECT_EQ(dialogs.boxes.back().text.substr(dialogs.boxes.back().text.rfind("\n\n")),
                  "\n\nYou must free up disk space to continue!");
    }
    dialogs.Clear();
    _sameVersionAndDir = 0;
    _commandLineSwitch = SWITCH_BATCH;
    UseLog();
    EXPECT_EQ(AvailDiskSpace(nullptr, "N:\\x", &free), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    int entries = 0;
    const std::string log = LogText(&entries);
    EXPECT_EQ(entries, 1);
    EXPECT_NE(log.find("Available: 1,098,303 bytes\n\nChange your destination"), std::string::npos);
}

TEST_F(DiskSpaceTest, ConstantSpaceIsSizedOnItsOwnVolume) {
    DriveMap(1000000, 0);
    MakeDir("C:\\SETUP");
    MakeFile("C:\\SETUP\\install.exe", 1);
    MakeFile("C:\\SETUP\\install.hlp", 4097);
    MakeFile("C:\\SETUP\\README.VRN", 5000);
    EXPECT_EQ(CalcConstDiskSpace("C:\\SETUP", 1), 8192u);
    EXPECT_EQ(CalcConstDiskSpace("C:\\SETUP", 0), 4096u + 8192u + 8192u);
    EXPECT_EQ(_constDiskSpace, 20480u);
    // The destination is queried again before the sum: D:'s 512-byte sizes.
    BuildTree();
    SetMedium("cd");
    EXPECT_EQ(AvailDiskSpace(nullptr, "D:\\x", &free), 1);
    EXPECT_EQ(_addDiskSpace, 20480u + 3000u);

    ::unlink(Host("C:\\SETUP\\README.VRN").c_str());
    EXPECT_EQ(CalcConstDiskSpace("C:\\SETUP", 1), 0u);
    EXPECT_EQ(_constDiskSpace, 20480u);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (103): Unable to open the file. (: C:\\SETUP\\README.VRN (ENOENT))");
    EXPECT_EQ(CalcConstDiskSpace(("C:\\" + std::string(250, 'd')).c_str(), 0), 0u);
    EXPECT_EQ(dialogs.boxes.size(), 1u);   // a name that cannot be joined is not reported
}

TEST_F(DiskSpaceTest, GroupingByThousands) {
    for (const auto& [in, out] : {std::pair{"999", "999"}, {"1000", "1,000"}, {"1234567.000000", "1,234,567"},
                                  {"1234.5", "1,234"}, {"12", "12"}, {"", ""}, {"100000", "100,000"}}) {
        char text[100];
        std::strcpy(text, in);
        EXPECT_EQ(FormatDiskSpace(text), 0);
        EXPECT_STREQ(text, out);
    }
    // 75 digits take 99 characters grouped and fit; 76 would take 101.
    char text[120];
    std::strcpy(text, std::string(75, '9').c_str());
    EXPECT_EQ(FormatDiskSpace(text), 0);
    EXPECT_EQ(std::strlen(text), 99u);
    std::strcpy(text, (std::string(76, '8') + ".25").c_str());
    EXPECT_EQ(FormatDiskSpace(text), RESULT_STOP);
    EXPECT_EQ(std::string(text), std::string(76, '8'));
}

struct Written {
    int32_t row, column;
    std::string text;
};
std::vector<Written> g_written;

TEST_F(DiskSpaceTest, SummaryLines) {
    ScreenPrimitives screen = _silentScreen;
    screen.writeString = [](int32_t row, int32_t column, const char* text, uint32_t) {
        g_written.push_back({row, column, text});
        return 0;
    };
    screen.writeCharacter = [](int32_t row, int32_t column, uint8_t c, uint32_t) {
        g_written.push_back({row, column, std::string(1, static_cast<char>(c))});
        return 0;
    };
    const ScreenPrimitives* previous = SetScreenPrimitives(&screen);
    g_written.clear();
    SetMedium("f");
    _lastLargestArchive = 8000;
    DisplayDiskSpaceData(2, 10, 79, 3000, 1011000, 1234567.0);
    SetMedium("cd");
    DisplayDiskSpaceData(2, 10, 79, 3000, 1011000, 1234567.0);
    SetScreenPrimitives(previous);

    std::vector<Written> lines;
    int blanks = 0;
    for (const Written& w : g_written) {
        if (w.text == " ") ++blanks;
        else lines.push_back(w);
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].text, "Disk Space Required for Products: 3,000 bytes");
    EXPECT_EQ(lines[1].text, "Disk Space Required for Installation: 1,011,000 bytes");
    // The staged archive is removed after extraction; from a CD-ROM there is none.
    EXPECT_EQ(lines[2].text, "Disk Space Remaining After Installation: 1,242,567 bytes ");
    EXPECT_EQ(lines[5].text, "Disk Space Remaining After Installation: 1,234,567 bytes ");
    int expectedBlanks = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].row, 11 + static_cast<int32_t>(i % 3));
        EXPECT_EQ(lines[i].column + static_cast<int32_t>(lines[i].text.find(':')), 44);   // colons aligned
        expectedBlanks += 79 - lines[i].column - static_cast<int32_t>(lines[i].text.size());
    }
    EXPECT_EQ(blanks, expectedBlanks);   // each line blanked up to column 79
}

}  // namespace
}  // namespace vrn::test
