// The insert-disk prompt of volume.id, damaged layout.tab and volume.id
// files, and whole text files.
#include "runtime/memory/memory.h"
#include "tests/engine/tables/table_media.h"

namespace vrn::test {
namespace {

class MediaFiles : public TableMedia {
protected:
    void TearDown() override {
        _commandLineSwitch = 0;
        TableMedia::TearDown();
    }
};

constexpr char kPrompt[] = "Insert the following disk:\n\nDisk Name: DISK TWO\nDisk Number: 2\n\n";
constexpr char kCaution[] =
    "\n\n** CAUTION **\nIncorrect Disk Number in the Drive\nThe diskette that is currently in the drive is...\n"
    "Not a Varentis Diskette!    Disk #0";

TEST_F(MediaFiles, InsertDiskPromptRepeatsWithTheCautionUntilTheUserQuits) {
    VolumeHeader header{};
    // OK with no disk, Cancel then No, Cancel then Yes.
    dialogs.answers = {IDOK, IDCANCEL, IDNO, IDCANCEL, IDYES};
    EXPECT_EQ(ReadVolumeIDFile("C:\\MEDIA", &header, 0, "DISK TWO", 2), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 5u);
    EXPECT_EQ(dialogs.boxes[0].text, kPrompt);
    EXPECT_EQ(dialogs.boxes[0].title, "Insert Disk");
    EXPECT_EQ(dialogs.boxes[0].style & MB_TYPEMASK, MB_OKCANCEL);
    EXPECT_EQ(dialogs.boxes[1].text, std::string(kPrompt) + kCaution);
    EXPECT_EQ(dialogs.boxes[2].title, "Quit Confirmation");
    EXPECT_EQ(dialogs.boxes[2].text, _quitConfirmationText);
    EXPECT_EQ(dialogs.boxes[3].text, std::string(kPrompt) + kCaution);
    EXPECT_EQ(dialogs.boxes[4].title, "Quit Confirmation");
    EXPECT_EQ(dialogs.beeps.size(), 3u);
    EXPECT_EQ(_insertDiskErrorFlag, 1);

    // Batch mode: Cancel gives up at once, with no beep and no confirmation.
    dialogs.Clear();
    _insertDiskErrorFlag = 0;
    _commandLineSwitch = SWITCH_BATCH;
    dialogs.answers = {IDCANCEL};
    EXPECT_EQ(ReadVolumeIDFile("C:\\MEDIA", &header, 0, "DISK TWO", 2), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kPrompt);
    EXPECT_TRUE(dialogs.beeps.empty());

    // With the disk in place nothing is asked.
    dialogs.Clear();
    _insertDiskErrorFlag = 1;
    VolumeHeader written{};
    tablewriter::SetText(written.diskName, "DISK TWO");
    written.diskNumber = 2;
    tablewriter::SetText(written.auxText, "aux");
    std::string error;
    ASSERT_TRUE(tablewriter::WriteVolumeId(MediaHost("volume.id"), written, error)) << error;
    EXPECT_EQ(ReadVolumeIDFile("C:\\MEDIA", &header, 0, "DISK TWO", 2), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_STREQ(header.diskName, "DISK TWO");
    EXPECT_EQ(header.diskNumber, 2u);
}

TEST_F(MediaFiles, DamagedVolumeIdIsRefusedAndLeavesTheHeader) {
    VolumeHeader written{};
    tablewriter::SetText(written.diskName, "DISK");
    auto bytes = tablewriter::StoreVolumeId(written);
    VolumeHeader header{};
    header.diskNumber = 77;
    WriteMedia("volume.id", std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));
    EXPECT_EQ(ReadVolumeIDFile("C:\\MEDIA", &header, 0, "DISK", 1), -149);
    for (size_t i = 0; i < 50; ++i) bytes[i] = 'x' ^ TABLE_MASK;
    WriteMedia("volume.id", bytes);
    EXPECT_EQ(ReadVolumeIDFile("C:\\MEDIA", &header, 0, "DISK", 1), -149);
    EXPECT_EQ(header.diskNumber, 77u);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(MediaFiles, LayoutFileEndsAndBreaks) {
    // A count of 0 first: no groups, no report.
    WriteMedia("layout.tab", tablewriter::StoreLayout({}));
    EXPECT_EQ(ReadTableFile("C:\\MEDIA"), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());

    std::vector<tablewriter::LayoutGroup> groups(2);
    groups[0].name = "one";
    groups[0].entries.resize(1);
    groups[1].name = "two";
    groups[1].entries.resize(2);
    const auto whole = tablewriter::StoreLayout(groups);
    const size_t firstGroup = 4 + 50 + 267;
    // Cut anywhere inside the second group or its closing count: the first
    // group comes back whole, and the damage is reported as 106. A file
    // that simply ends where the closing count should be ends the list.
    for (size_t cut = firstGroup + 1; cut < whole.size(); ++cut) {
        WriteMedia("layout.tab", std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
        dialogs.Clear();
        LayoutNode* first = ReadTableFile("C:\\MEDIA");
        ASSERT_NE(first, nullptr) << cut;
        EXPECT_STREQ(first->groupName, "one");
        EXPECT_EQ(first->entryCount, 1u);
        const bool secondWhole = cut >= whole.size() - 4;
        EXPECT_EQ(first->next != nullptr, secondWhole) << cut;
        if (cut == whole.size() - 4) {
            EXPECT_TRUE(dialogs.boxes.empty());
        } else {
            ASSERT_EQ(dialogs.boxes.size(), 1u) << cut;
            EXPECT_NE(dialogs.boxes[0].text.find("(106)"), std::string::npos);
        }
        FreeLayoutList(first);
    }
    // A count larger than the entries that follow.
    auto lying = whole;
    PackData(4, 3, lying.data() + firstGroup);
    WriteMedia("layout.tab", lying);
    dialogs.Clear();
    LayoutNode* first = ReadTableFile("C:\\MEDIA");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->next, nullptr);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    FreeLayoutList(first);

    std::filesystem::remove(MediaHost("layout.tab"));
    dialogs.Clear();
    EXPECT_EQ(ReadTableFile("C:\\MEDIA"), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(103)"), std::string::npos);
}

TEST_F(MediaFiles, WholeTextFileEndsWithNul) {
    WriteHostFile(MediaHost("readme.txt"), "line one\r\nline two\r\n");
    char* text = ReadFileData("C:\\MEDIA", "readme.txt");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "line one\nline two\n");
    utfree(text);
    WriteHostFile(MediaHost("empty.txt"), "");
    EXPECT_EQ(ReadFileData("C:\\MEDIA", "empty.txt"), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(ReadFileData("C:\\MEDIA", "absent.txt"), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(103)"), std::string::npos);
}

}  // namespace
}  // namespace vrn::test
