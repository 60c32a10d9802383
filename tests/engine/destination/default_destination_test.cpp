// The default destination over several drives, the look through an
// existing tree for read-only files and its size, and the one drive
// numbering the three callers of the drive class share.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "tests/engine/destination/destination_fixture.h"

namespace vrn::test {
namespace {

class DefaultDestinationTest : public DestinationDrives {
protected:
    void SetUp() override {
        DestinationDrives::SetUp();
        for (const char letter : {'C', 'D', 'E', 'F', 'N', 'R'}) SetFigures(letter, 512, 0);
    }
    std::string Propose(const char* suggestion, uint32_t required = 0) {
        char out[256] = "-";
        EXPECT_EQ(AcquireDefaultDestination(suggestion, out, required), 0);
        return out;
    }
};

TEST_F(DefaultDestinationTest, SuggestionThenTheDriveScan) {
    SetFigures('D', 512, 10000);
    EXPECT_EQ(Propose("D:\\old\\dir", 9999), "D:\\RUD");
    _InstallQZRT = 1;
    EXPECT_EQ(Propose("d:\\old", 9999), "D:\\QZRT");
    _InstallQZDE = 1;
    EXPECT_EQ(Propose("D:\\old", 9999), "D:\\QZQZ");
    _InstallQZDE = _InstallQZRT = 0;

    // The scan weighs each drive's total on its own cluster size: 500 +
    // 1000 (512-byte clusters) or 40,000 (32 KiB) + the staged 7000.
    Add(ChosenSku(), "one.arc", 7000, Sizes(1000, 40000), COMPONENT_CHOSEN);
    _constDiskSpace = 500;
    SetMedium("f");
    SetFigures('E', 512, 1u << 30);   // removable and CD-ROM: never proposed
    SetFigures('F', 512, 1u << 30);
    SetFigures('D', 512, 8500);       // exactly the total: no room
    SetFigures('N', 512, 8501);
    EXPECT_EQ(Propose("D:\\old", 8500), "N:\\RUD");   // the suggestion needs more than 8500 free
    EXPECT_EQ(Propose("G:\\old", 0), "N:\\RUD");      // an absent suggestion drive is passed over
    SetMedium("cd");                                   // nothing staged from a CD-ROM
    EXPECT_EQ(Propose(""), "D:\\RUD");
    SetFigures('D', 32768, 40000);
    EXPECT_EQ(Propose(""), "N:\\RUD");
    MakeFile("N:\\RUD", 1);                            // something in the way of the name
    SetFigures('R', 512, 1u << 30);
    EXPECT_EQ(Propose(""), "R:\\RUD");

    // No room anywhere: the first fixed or network drive, else C:.
    SetFigures('R', 512, 0);
    EXPECT_EQ(Propose(""), "C:\\RUD");
    UnmapDrive('C');
    UnmapDrive('D');
    EXPECT_EQ(Propose(""), "N:\\RUD");
    UnmapDrive('N');
    UnmapDrive('R');
    EXPECT_EQ(Propose(""), "C:\\RUD");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DefaultDestinationTest, OneDriveNumberingForEveryCaller) {
    // Fixed D: stands just before removable E:, so a caller off by one
    // would take the one for the other.
    char entered[] = "E:\\dest";
    EXPECT_EQ(FindDriveType(GetDriveNumber(entered) + 1), DRIVE_CLASS_REMOVABLE);   // the destination check
    EXPECT_EQ(FindDriveType('E' - 'A' + 1), DRIVE_CLASS_REMOVABLE);                // the drive scan
    EXPECT_EQ(FindDriveType(entered[0] - 'A' + 1), DRIVE_CLASS_REMOVABLE);         // the typed-name check
    dialogs.defaultAnswer = IDNO;
    char accepted[256];
    uint8_t emptyFirst = 0;
    EXPECT_EQ(CheckEnteredDestination(nullptr, entered, accepted, &emptyFirst, 0, 0), RESULT_STOP);
    EXPECT_EQ(CheckPathFileName(nullptr, entered, PATH_KIND_DIRECTORY), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].title, "Warning");
    EXPECT_EQ(dialogs.boxes[1].title, "Warning");
    UnmapDrive('C');
    SetFigures('D', 512, 0);
    SetFigures('E', 512, 1u << 30);
    SetFigures('N', 512, 100);
    EXPECT_EQ(Propose(""), "N:\\RUD");
}

class TreeCheckTest : public DestinationDrives {};

TEST_F(TreeCheckTest, SizesAndTheFirstReadOnlyFile) {
    char bad[256] = "-";
    uint32_t total = 99;
    MakeDir("D:\\t");
    MakeDir("D:\\t\\sub");
    MakeFile("D:\\t\\sub\\ten", 10);
    MakeFile("D:\\t\\sub\\twenty", 20);
    MakeFile("D:\\t\\.hidden", 4);
    EXPECT_EQ(RecursiveCheckFiles("D:\\t", bad, &total), 0);
    EXPECT_EQ(total, 34u);
    EXPECT_STREQ(bad, "");
    // Walk order: .hidden, a\..., sub\...; the count stops at the find.
    MakeDir("D:\\t\\a");
    MakeFile("D:\\t\\a\\first", 100);
    MakeFile("D:\\t\\a\\ro", 1, true);
    MakeFile("D:\\t\\sub\\zz", 1, true);
    EXPECT_EQ(RecursiveCheckFiles("D:\\t", bad, &total), RESULT_STOP);
    EXPECT_STREQ(bad, "D:\\t\\a\\ro");
    EXPECT_EQ(total, 104u);
    char directory[256] = "D:\\t\\sub";
    total = 1000;
    EXPECT_EQ(CheckPath(directory, bad, &total), RESULT_STOP);
    EXPECT_STREQ(directory, "D:\\t\\sub\\");
    EXPECT_STREQ(bad, "D:\\t\\sub\\zz");
    EXPECT_EQ(total, 1030u);
    EXPECT_EQ(CheckEntry("D:\\t\\a\\first", bad), 0);
    EXPECT_EQ(RecursiveCheckFiles("D:\\missing", bad, &total), 0);
    EXPECT_EQ(total, 0u);

    // Links are taken away as links by removal: neither entered nor counted.
    MakeDir("D:\\l");
    ASSERT_EQ(::symlink((root + "/D/t").c_str(), (root + "/D/l/dir").c_str()), 0);
    ASSERT_EQ(::symlink((root + "/D/t/a/first").c_str(), (root + "/D/l/file").c_str()), 0);
    EXPECT_EQ(RecursiveCheckFiles("D:\\l", bad, &total), 0);
    EXPECT_EQ(total, 0u);

    // A read-only file deeper than 255 characters is found but not cut
    // into the 256-byte buffer; the destination check names it in full.
    std::string deep = "D:\\deep";
    MakeDir(deep);
    for (char c = 'a'; c < 'f'; ++c) MakeDir(deep += "\\" + std::string(50, c));
    MakeFile(deep += "\\locked", 1, true);
    EXPECT_EQ(RecursiveCheckFiles("D:\\deep", bad, &total), RESULT_STOP);
    EXPECT_STREQ(bad, "");
    _existingDirectoryDecision = EXISTING_DIR_EMPTY;
    char entered[256] = "D:\\deep";
    char accepted[256];
    uint8_t emptyFirst = 0;
    EXPECT_EQ(CheckEnteredDestination(nullptr, entered, accepted, &emptyFirst, 0, 0), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("set:\n" + deep + "\n\n"), std::string::npos);
}

TEST_F(TreeCheckTest, AFiveGibibyteTreeWrapsAt32Bits) {
    MakeDir("D:\\big");
    MakeDir("D:\\big\\sub");
    // Sparse files of 2 + 2 + 1 GiB (and 12 bytes), next to no disk.
    for (const auto& [name, size] : {std::pair{"/D/big/one", 2ll << 30}, std::pair{"/D/big/sub/two", 2ll << 30},
                                     std::pair{"/D/big/sub/three", (1ll << 30) + 12}}) {
        const int fd = ::open((root + name).c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    char bad[256];
    uint32_t total = 0;
    EXPECT_EQ(RecursiveCheckFiles("D:\\big", bad, &total), 0);
    EXPECT_EQ(total, (1u << 30) + 12u);   // 5 GiB + 12 modulo 2^32

    // The existing tree's space check adds that wrapped figure to the free space.
    SetFigures('D', 512, 100);
    _existingDirectoryDecision = EXISTING_DIR_EMPTY;
    char entered[256] = "D:\\big";
    char accepted[256];
    uint8_t emptyFirst = 0;
    EXPECT_EQ(CheckEnteredDestination(nullptr, entered, accepted, &emptyFirst, 1, (1u << 30) + 112u), 0);
    EXPECT_EQ(CheckEnteredDestination(nullptr, entered, accepted, &emptyFirst, 1, (1u << 30) + 113u), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("removed): 1,073,741,936 bytes"), std::string::npos);
}

}  // namespace
}  // namespace vrn::test
