// The engine's display routines drawing on the character-cell grid, and
// the grid shown as a person sees it.
#include <gtest/gtest.h>

#include "engine/destination/destination.h"
#include "engine/display/display.h"
#include "engine/state/state.h"
#include "frontend/console/console.h"

namespace vrn::console {
namespace {

TEST(GridScreen, TheEnginesLineAndFrameRoutinesDrawThroughTheGrid) {
    CellGrid grid;
    {
        GridScreen screen(grid);
        const DisplayRect frame{2, 1, 12, 4};
        ASSERT_EQ(DisplayRectangle(&frame, 0x1F), 0);
        ASSERT_EQ(DisplayHorzLine(2, 12, 3, 1), 0);
        ASSERT_EQ(DisplayVertLine(1, 4, 7, 1), 0);
        EXPECT_EQ(DisplayStatusHeader(), 9);
        EXPECT_EQ(DisplayStatusString("centred", 20), 21);
    }
    EXPECT_EQ(grid.RowText(1), "  ┌────┬────┐");
    EXPECT_EQ(grid.RowText(2), "  │    │    │");
    // The vertical line is drawn last: it crosses the horizontal one.
    EXPECT_EQ(grid.RowText(3), "  ├────│────┤");
    EXPECT_EQ(grid.RowText(4), "  └────┴────┘");
    EXPECT_EQ(grid.RowText(1, false), "  +----+----+");
    EXPECT_EQ(grid.RowText(2, false), "  |    |    |");
    EXPECT_EQ(grid.At(1, 2).attribute, 0x1Fu);
    EXPECT_EQ(grid.At(3, 5).attribute, ATTR_NORMAL);
    // The header's title centred on column 40.
    const std::string title = "Varentis Software Corporation Installation Utility";
    EXPECT_EQ(grid.RowText(5), std::string(40 - title.size() / 2, ' ') + title);
    EXPECT_EQ(grid.RowText(20), std::string(37, ' ') + "centred");
    // Once the screen is given back, nothing draws on the grid.
    WriteString(10, 0, "gone", 7);
    EXPECT_EQ(grid.RowText(10), "");
}

TEST(GridScreen, WritesOutsideTheGridFailAndTextIsCutAtTheRightEdge) {
    CellGrid grid(25, 80);
    GridScreen screen(grid);
    EXPECT_EQ(WriteString(0, 76, "abcdef", 7), 0);
    EXPECT_EQ(grid.RowText(0), std::string(76, ' ') + "abcd");
    EXPECT_EQ(WriteString(25, 0, "x", 7), RESULT_STOP);
    EXPECT_EQ(WriteString(0, 80, "x", 7), RESULT_STOP);
    EXPECT_EQ(WriteCharacter(-1, 0, 'x', 7), RESULT_STOP);
    uint8_t c = 0;
    uint32_t a = 0;
    EXPECT_EQ(ReadCharacter(0, 80, &c, &a), RESULT_STOP);
    // A line wider than the grid is drawn as far as the grid goes; one wider
    // than the engine allows is not drawn at all.
    EXPECT_EQ(DisplayHorzLine(0, 80, 2, 0), 0);
    EXPECT_EQ(grid.RowText(2, false), std::string(80, '-'));
    EXPECT_EQ(DisplayHorzLine(0, 81, 3, 0), RESULT_STOP);
    EXPECT_EQ(grid.RowText(3), "");
    // Cursor type 0 hides the cursor, any other shows it.
    EXPECT_EQ(SetCursorPosition(4, 9), 0);
    EXPECT_EQ(DefineCursorType(1), 0);
    int32_t row = 0, column = 0;
    GetCursorPosition(&row, &column);
    EXPECT_EQ(row, 4);
    EXPECT_EQ(column, 9);
    EXPECT_TRUE(grid.CursorVisible());
    DefineCursorType(0);
    EXPECT_FALSE(grid.CursorVisible());
}

TEST(GridScreen, SavedAreasComeBackWithTheirAttributes) {
    CellGrid grid;
    GridScreen screen(grid);
    WriteString(3, 10, "behind", 0x4F);
    std::vector<SavedCell> saved(3 * 8);
    ASSERT_EQ(SaveDisplayScreen(2, 5, 8, 16, saved.data()), 0);
    EXPECT_EQ(grid.RowText(3), "");   // the saved area is blanked
    WriteString(3, 8, "overwrit", 0x70);
    ASSERT_EQ(RestoreDisplayScreen(2, 5, 8, 16, saved.data()), 0);
    EXPECT_EQ(grid.RowText(3), std::string(10, ' ') + "behind");
    EXPECT_EQ(grid.At(3, 10).attribute, 0x4Fu);
    EXPECT_EQ(grid.At(3, 8).attribute, ATTR_NORMAL);
}

TEST(GridScreen, TheSpaceFiguresLineUpTheirColons) {
    CellGrid grid;
    GridScreen screen(grid);
    // CD-ROM media add nothing back to the remaining space; without a device
    // table the medium is not one, and the largest archive is added back.
    _lastLargestArchive = 1000;
    DisplayDiskSpaceData(2, 5, 78, 1234567, 2345678, 5000.0);
    const size_t colon = grid.RowText(6).find(':');
    EXPECT_EQ(colon, 44u);
    for (int row = 7; row <= 8; ++row) EXPECT_EQ(grid.RowText(row).find(':'), colon) << grid.RowText(row);
    EXPECT_NE(grid.RowText(6).find("1,234,567 bytes"), std::string::npos);
    EXPECT_NE(grid.RowText(7).find("2,345,678 bytes"), std::string::npos);
    EXPECT_NE(grid.RowText(8).find("6,000 bytes"), std::string::npos) << grid.RowText(8);
    _lastLargestArchive = 0;
}

TEST(ScreenCharacters, TextOfTheSystemCodePageIsShownAsItIs) {
    CellGrid grid;
    // "Français" in ISO 8859-1, through the display code page and back.
    const std::string latin1 = "Fran\xE7" "ais";
    grid.PutBytes(0, 0, ScreenText(latin1), ATTR_NORMAL);
    EXPECT_EQ(grid.RowText(0), "Français");
    EXPECT_EQ(grid.RowText(0, false), "Fran?ais");
    // Control characters never reach the terminal.
    EXPECT_EQ(ScreenText("a\tb\x1b"), "a b ");
    EXPECT_EQ(CellGlyph(BLOCK_FULL, true), "█");
    EXPECT_EQ(CellGlyph(SHADE_LIGHT, false), ".");
    EXPECT_EQ(CellGlyph(0xCD, true), "═");
}

TEST(PageText, WrappingKeepsIndentationAndCutsWordsLongerThanALine) {
    EXPECT_EQ(WrapText("one two three four", 9), (std::vector<std::string>{"one two", "three", "four"}));
    EXPECT_EQ(WrapText("  indented text here", 12), (std::vector<std::string>{"  indented", "  text here"}));
    EXPECT_EQ(WrapText("a\n\nb", 10), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(WrapText("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
    // The blanks between words are kept where the line does not break.
    EXPECT_EQ(WrapText("DISK    RidazEvori System", 20), (std::vector<std::string>{"DISK    RidazEvori", "System"}));
    for (const std::string& line : WrapText(std::string(300, 'x') + " y", 74)) EXPECT_LE(line.size(), 74u);
}

}  // namespace
}  // namespace vrn::console
