// The composite display routines drawn on a character-cell screen kept in
// memory, and the release-notes viewer with a stand-in editor.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/display/display.h"
#include "engine/state/state.h"
#include "platform/system.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

// An 80 by 25 screen in memory. Every write counts; the write numbered
// failAt (from 1) and all after it return failStatus.
struct Screen {
    SavedCell cells[SCREEN_ROWS][SCREEN_COLUMNS];
    int writes = 0;
    int reads = 0;
    int failAt = 0;
    int32_t failStatus = 5;
    std::vector<std::pair<int32_t, int32_t>> stringStarts;
} g;

bool Fails() { return g.failAt != 0 && g.writes >= g.failAt; }

int32_t FakeClear() {
    for (auto& row : g.cells)
        for (auto& cell : row) cell = SavedCell{' ', DEFAULT_ATTRIBUTE};
    return 0;
}
int32_t FakeRead(int32_t row, int32_t column, uint8_t* character, uint32_t* attribute) {
    ++g.reads;
    *character = g.cells[row][column].character;
    *attribute = g.cells[row][column].attribute;
    return 0;
}
int32_t FakeWriteCharacter(int32_t row, int32_t column, uint8_t character, uint32_t attribute) {
    ++g.writes;
    if (Fails()) return g.failStatus;
    g.cells[row][column] = SavedCell{character, attribute};
    return 0;
}
int32_t FakeWriteString(int32_t row, int32_t column, const char* text, uint32_t attribute) {
    ++g.writes;
    if (Fails()) return g.failStatus;
    g.stringStarts.emplace_back(row, column);
    for (int32_t c = column; *text != '\0' && c < SCREEN_COLUMNS; ++c, ++text)
        g.cells[row][c] = SavedCell{static_cast<uint8_t>(*text), attribute};
    return 0;
}
int32_t FakeLine(int32_t) { return 0; }
int32_t FakeSetCursor(int32_t, int32_t) { return 0; }
int32_t FakeGetCursor(int32_t*, int32_t*) { return 0; }

const ScreenPrimitives kFakeScreen = {FakeClear,  FakeRead,      FakeWriteCharacter, FakeWriteString, FakeLine,
                                      FakeLine,   FakeSetCursor, FakeGetCursor,      FakeLine};

// The text of one row between two columns, end excluded.
std::string RowText(int32_t row, int32_t from, int32_t to) {
    std::string text;
    for (int32_t c = from; c < to; ++c) text += static_cast<char>(g.cells[row][c].character);
    return text;
}

int BlankCount() {
    int count = 0;
    for (auto& row : g.cells)
        for (auto& cell : row) count += cell.character == ' ' ? 1 : 0;
    return count;
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        g = Screen{};
        FakeClear();
        previous_ = SetScreenPrimitives(&kFakeScreen);
    }
    void TearDown() override { SetScreenPrimitives(previous_); }
    const ScreenPrimitives* previous_ = nullptr;
};

TEST_F(DisplayTest, StatusLinesAreCentredAndStopAtAFailedWrite) {
    EXPECT_EQ(DisplayStatusString(std::string(50, 'a').c_str(), 3), 4);
    EXPECT_EQ(g.stringStarts.back(), std::make_pair(3, 15));
    EXPECT_EQ(DisplayStatusString(std::string(51, 'b').c_str(), 4), 5);
    EXPECT_EQ(g.stringStarts.back(), std::make_pair(4, 15));
    EXPECT_EQ(g.cells[4][15].attribute, DEFAULT_ATTRIBUTE);

    g = Screen{};
    EXPECT_EQ(DisplayStatusHeader(), 9);
    ASSERT_EQ(g.stringStarts.size(), 3u);
    EXPECT_EQ(g.stringStarts[0].first, 5);
    EXPECT_EQ(g.stringStarts[2].first, 7);
    const std::string title = "Varentis Software Corporation Installation Utility";
    EXPECT_EQ(RowText(5, 15, 15 + static_cast<int32_t>(title.size())), title);

    g = Screen{};
    g.failAt = 2;
    EXPECT_EQ(DisplayStatusHeader(), -1);
    EXPECT_EQ(g.writes, 2);   // nothing after the failing line
    g = Screen{};
    g.failAt = 1;
    EXPECT_EQ(DisplayStatusString("x", 0), -1);
}

TEST_F(DisplayTest, HorizontalAndVerticalLines) {
    EXPECT_EQ(DisplayHorzLine(10, 20, 3, 1), 0);
    EXPECT_EQ(RowText(3, 10, 21), "\xC3" + std::string(9, '\xC4') + "\xB4");
    EXPECT_EQ(g.cells[3][21].character, ' ');
    EXPECT_EQ(DisplayHorzLine(10, 20, 4, 0), 0);
    EXPECT_EQ(RowText(4, 10, 21), std::string(10, '\xC4') + " ");
    EXPECT_EQ(g.cells[4][9].character, ' ');

    const int before = g.writes;
    EXPECT_EQ(DisplayHorzLine(0, 81, 0, 0), 65535);
    EXPECT_EQ(g.writes, before);
    EXPECT_EQ(RowText(0, 0, 80), std::string(80, ' '));
    EXPECT_EQ(DisplayHorzLine(0, 80, 0, 0), 0);
    EXPECT_EQ(RowText(0, 0, 80), std::string(80, '\xC4'));

    EXPECT_EQ(DisplayVertLine(2, 6, 40, 0), 0);
    EXPECT_EQ(g.cells[1][40].character, ' ');
    for (int row = 2; row < 6; ++row) EXPECT_EQ(g.cells[row][40].character, BOX_VERTICAL) << row;
    EXPECT_EQ(g.cells[6][40].character, ' ');
    EXPECT_EQ(DisplayVertLine(10, 14, 41, 1), 0);
    EXPECT_EQ(g.cells[10][41].character, BOX_TOP_TEE);
    EXPECT_EQ(g.cells[12][41].character, BOX_VERTICAL);
    EXPECT_EQ(g.cells[14][41].character, BOX_BOTTOM_TEE);

    g.failAt = g.writes + 2;
    EXPECT_EQ(DisplayVertLine(0, 5, 0, 0), 65535);
    EXPECT_EQ(g.writes, g.failAt);   // stopped at the first failure
    g.failAt = g.writes + 1;
    EXPECT_EQ(DisplayHorzLine(0, 5, 0, 0), 65535);
}

TEST_F(DisplayTest, RectanglesAndTheFirstFailingStatus) {
    const DisplayRect frame{2, 1, 6, 4};
    EXPECT_EQ(DisplayRectangle(&frame, 0x1F), 0);
    EXPECT_EQ(RowText(1, 2, 7), "\xDA\xC4\xC4\xC4\xBF");
    EXPECT_EQ(RowText(2, 2, 7), "\xB3   \xB3");
    EXPECT_EQ(RowText(3, 2, 7), "\xB3   \xB3");
    EXPECT_EQ(RowText(4, 2, 7), "\xC0\xC4\xC4\xC4\xD9");
    EXPECT_EQ(g.cells[4][4].attribute, 0x1Fu);
    EXPECT_EQ(RowText(0, 0, 10) + RowText(5, 0, 10), std::string(20, ' '));

    g = Screen{};
    FakeClear();
    const DisplayRect corners{10, 10, 11, 11};
    EXPECT_EQ(DisplayRectangle(&corners, DEFAULT_ATTRIBUTE), 0);
    EXPECT_EQ(g.writes, 4);
    EXPECT_EQ(RowText(10, 10, 12) + RowText(11, 10, 12), "\xDA\xBF\xC0\xD9");

    g.failAt = g.writes + 3;
    g.failStatus = 42;
    EXPECT_EQ(DisplayRectangle(&frame, DEFAULT_ATTRIBUTE), 42);
    EXPECT_EQ(g.writes - 4, 3);
}

TEST_F(DisplayTest, SavedAreasAreBlankedAndWrittenBack) {
    for (int r = 0; r < SCREEN_ROWS; ++r)
        for (int c = 0; c < SCREEN_COLUMNS; ++c)
            g.cells[r][c] = SavedCell{static_cast<uint8_t>('A' + (r + c) % 26), static_cast<uint32_t>(r * 100 + c)};
    const auto original = g;

    EXPECT_EQ(SaveDisplayScreen(0, 1, 0, 1, nullptr), 65535);
    std::vector<SavedCell> buffer(3 * 4);
    EXPECT_EQ(SaveDisplayScreen(5, 5, 0, 80, buffer.data()), 0);
    EXPECT_EQ(g.reads + g.writes, 0);

    ASSERT_EQ(SaveDisplayScreen(2, 5, 10, 14, buffer.data()), 0);
    // Row by row, each row from its start column.
    EXPECT_EQ(buffer[0].character, original.cells[2][10].character);
    EXPECT_EQ(buffer[5].attribute, original.cells[3][11].attribute);
    EXPECT_EQ(buffer[11].attribute, original.cells[4][13].attribute);
    EXPECT_EQ(BlankCount(), 12);
    EXPECT_EQ(RowText(3, 9, 15), std::string(1, static_cast<char>(original.cells[3][9].character)) + "    " +
                                     static_cast<char>(original.cells[3][14].character));
    EXPECT_EQ(g.cells[3][11].attribute, DEFAULT_ATTRIBUTE);

    ASSERT_EQ(RestoreDisplayScreen(2, 5, 10, 14, buffer.data()), 0);
    for (int r = 0; r < SCREEN_ROWS; ++r)
        for (int c = 0; c < SCREEN_COLUMNS; ++c) {
            ASSERT_EQ(g.cells[r][c].character, original.cells[r][c].character) << r << "," << c;
            ASSERT_EQ(g.cells[r][c].attribute, original.cells[r][c].attribute) << r << "," << c;
        }

    g.failAt = g.writes + 1;
    g.failStatus = 7;
    EXPECT_EQ(SaveDisplayScreen(0, 2, 0, 2, buffer.data()), 7);
    EXPECT_EQ(RestoreDisplayScreen(0, 2, 0, 2, buffer.data()), 7);
    EXPECT_EQ(RestoreDisplayScreen(0, 2, 0, 2, nullptr), 65535);
}

class ReleaseNotesTest : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        for (const char* name : {"VISUAL", "EDITOR"})
            if (const char* v = std::getenv(name)) saved_.emplace_back(name, v);
        ::unsetenv("EDITOR");
        // The stand-in editor copies what it is given beside the drives.
        const std::string editor = "sh -c 'cp \"$0\" " + root + "/seen'";
        ::setenv("VISUAL", editor.c_str(), 1);
        _backgroundDisplayBuffer = buffer_.data();
        _backgroundStartRow = 0;
        _backgroundEndRow = SCREEN_ROWS;
        _backgroundStartColumn = 0;
        _backgroundEndColumn = SCREEN_COLUMNS;
        _commandLineSwitch = 0;
    }
    void TearDown() override {
        ::unsetenv("VISUAL");
        for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
        _backgroundDisplayBuffer = nullptr;
        TempDrives::TearDown();
    }
    std::vector<std::pair<std::string, std::string>> saved_;
    std::vector<SavedCell> buffer_ = std::vector<SavedCell>(26 * 81);
};

TEST_F(ReleaseNotesTest, NotesAreFoundInEitherCaseAndHandedToTheEditor) {
    ASSERT_EQ(::mkdir(Host("C:\\notes").c_str(), 0700), 0);
    WriteHostFile(Host("C:\\notes\\readme.vrn"), "release notes\n");
    char name[] = "README.VRN";
    // Drive lookups ignore case, so the upper-case name finds the file.
    EXPECT_EQ(DisplayReleaseNotes(nullptr, "C:\\notes", name), 0);
    EXPECT_EQ(ReadHostFile(root + "/seen"), "release notes\n");
    EXPECT_TRUE(dialogs.boxes.empty());

    // The notes in the given case are taken as they are.
    WriteHostFile(Host("C:\\notes\\NOTES.TXT"), "upper\n");
    char upper[] = "NOTES.TXT";
    EXPECT_EQ(DisplayReleaseNotes(nullptr, "C:\\notes", upper), 0);
    EXPECT_STREQ(upper, "NOTES.TXT");
    EXPECT_EQ(ReadHostFile(root + "/seen"), "upper\n");

    // Without $VISUAL the editor comes from $EDITOR.
    ::unsetenv("VISUAL");
    const std::string editor = "sh -c 'cp \"$0\" " + root + "/seen2'";
    ::setenv("EDITOR", editor.c_str(), 1);
    EXPECT_EQ(DisplayReleaseNotes(nullptr, "C:\\notes", name), 0);
    EXPECT_EQ(ReadHostFile(root + "/seen2"), "release notes\n");
}

TEST_F(ReleaseNotesTest, MissingNotesAndAnUnsavedScreenAreReported) {
    char name[] = "Missing.TXT";
    EXPECT_EQ(DisplayReleaseNotes(nullptr, "C:\\", name), -103);
    EXPECT_STREQ(name, "missing.txt");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(103)"), std::string::npos);
    EXPECT_NE(dialogs.boxes[0].text.find("C:\\missing.txt"), std::string::npos);

    // A name too long for the joined path is reported, never written past the buffer.
    std::string longName(600, 'n');
    EXPECT_EQ(DisplayReleaseNotes(nullptr, "C:\\", longName.data()), -103);
    EXPECT_EQ(dialogs.boxes.size(), 2u);

    WriteHostFile(Host("C:\\README.VRN"), "x");
    _backgroundDisplayBuffer = nullptr;
    char notes[] = "README.VRN";
    EXPECT_EQ(DisplayReleaseNotes(nullptr, "C:\\", notes), -801);
    EXPECT_NE(dialogs.boxes.back().text.find("(801)"), std::string::npos);
    EXPECT_NE(::access((root + "/seen").c_str(), F_OK), 0);   // the editor never ran
}

}  // namespace
}  // namespace vrn
