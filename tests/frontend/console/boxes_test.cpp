// The engine's message boxes as modal boxes on the grid, the text field
// behind the keystroke filters, and the list's selection.
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "frontend/console/console.h"

namespace vrn::console {
namespace {

class Boxes : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetDialogHandler(&dialogs);
        dialogs.Attach(&ui);
        grid.PutBytes(12, 0, std::string(80, '#'), 0x02);
    }
    void TearDown() override { SetDialogHandler(previous_); }

    CellGrid grid;
    GridScreen screen{grid};
    ScriptedKeys keys;
    Ui ui{grid, keys};
    ConsoleDialogs dialogs;

private:
    DialogHandler* previous_ = nullptr;
};

// Keys that note the grid before each one is taken.
class WatchedKeys : public KeySource {
public:
    WatchedKeys(CellGrid& grid, std::vector<Key> keys) : grid_(grid), keys_(std::move(keys)) {}
    Key Next() override {
        shown.push_back(grid_.Text());
        grids.push_back(grid_);
        if (keys_.empty()) return Key{KeyCode::Hangup, 0};
        const Key key = keys_.front();
        keys_.erase(keys_.begin());
        return key;
    }
    Key Poll() override { return Key{}; }
    std::vector<std::string> shown;
    std::vector<CellGrid> grids;

private:
    CellGrid& grid_;
    std::vector<Key> keys_;
};

TEST_F(Boxes, AQuestionIsDrawnWithItsButtonsAndAnsweredByTheirKeys) {
    WatchedKeys watched(grid, {Key{KeyCode::Right, 0}, Key{KeyCode::Enter, 0}});
    Ui watchedUi(grid, watched);
    dialogs.Attach(&watchedUi);
    EXPECT_EQ(MessageBox(nullptr, "Do you want the directory created?", "Create Directory?", MB_YESNO), IDNO);
    ASSERT_EQ(watched.shown.size(), 2u);
    const std::string& first = watched.shown[0];
    EXPECT_NE(first.find(" Create Directory? "), std::string::npos) << first;
    EXPECT_NE(first.find("Do you want the directory created?"), std::string::npos) << first;
    EXPECT_NE(first.find("[ Yes ]  [ No ]"), std::string::npos) << first;
    EXPECT_NE(first.find("┌"), std::string::npos);
    // Yes is highlighted first, No after Right.
    auto attributeOf = [](const CellGrid& g, std::string_view label) -> uint32_t {
        for (int row = 0; row < g.Rows(); ++row) {
            const size_t at = g.RowText(row, false).find(label);
            if (at != std::string::npos) return g.At(row, static_cast<int>(at)).attribute;
        }
        return 0;
    };
    EXPECT_EQ(attributeOf(watched.grids[0], "[ Yes ]"), ATTR_HIGHLIGHT);
    EXPECT_NE(attributeOf(watched.grids[0], "[ No ]"), ATTR_HIGHLIGHT);
    EXPECT_EQ(attributeOf(watched.grids[1], "[ No ]"), ATTR_HIGHLIGHT);
    // After the box: what it covered is back.
    EXPECT_EQ(grid.RowText(12), std::string(80, '#'));
    EXPECT_EQ(grid.At(12, 40).attribute, 0x02u);

    // The keys of the buttons, in either case; Escape is No in a Yes/No box.
    dialogs.Attach(&ui);
    keys.Type("Y");
    EXPECT_EQ(MessageBox(nullptr, "text", "title", MB_YESNO), IDYES);
    keys.Add(KeyCode::Escape);
    EXPECT_EQ(MessageBox(nullptr, "text", "title", MB_YESNO), IDNO);
    keys.Add(KeyCode::Escape);
    EXPECT_EQ(MessageBox(nullptr, "text", "title", MB_OKCANCEL), IDCANCEL);
    // The second button is the default where the style says so.
    keys.Add(KeyCode::Enter);
    EXPECT_EQ(MessageBox(nullptr, "text", "title", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    // Keys that are no button's do nothing; Tab goes round the buttons.
    keys.Type("xz");
    for (int i = 0; i < 4; ++i) keys.Add(KeyCode::Tab);
    keys.Add(KeyCode::Enter);
    EXPECT_EQ(MessageBox(nullptr, "text", "title", MB_ABORTRETRYIGNORE), IDRETRY);
    // A terminal that went away answers nothing: the box was not shown.
    EXPECT_EQ(MessageBox(nullptr, "text", "title", MB_OK), 0);
}

TEST_F(Boxes, TheEnginesQuitConfirmationAndCtrlCInsideABox) {
    int interrupts = 0;
    ui.onInterrupt = [&] {
        ++interrupts;
        // The quit confirmation over the open box, answered No.
        keys.keys.push_front(CharKey('n'));
        EXPECT_EQ(ConfirmQuit(), 0);
    };
    keys.Add(KeyCode::Interrupt);
    keys.Add(KeyCode::Enter);
    std::vector<std::string> titles;
    dialogs.onAnswered = [&](std::string_view title, int) { titles.emplace_back(title); };
    EXPECT_EQ(MessageBox(nullptr, "Insert the following disk:", "Insert Disk", MB_OKCANCEL), IDOK);
    EXPECT_EQ(interrupts, 1);
    EXPECT_EQ(titles, (std::vector<std::string>{"Quit Confirmation", "Insert Disk"}));
    EXPECT_EQ(grid.RowText(12), std::string(80, '#'));
}

TEST_F(Boxes, ALongTextScrollsInsideTheBox) {
    std::string text;
    for (int i = 1; i <= 40; ++i) text += "line " + std::to_string(i) + "\n";
    WatchedKeys watched(grid, {Key{KeyCode::PageDown, 0}, Key{KeyCode::PageDown, 0}, Key{KeyCode::Down, 0},
                               Key{KeyCode::Enter, 0}});
    Ui watchedUi(grid, watched);
    dialogs.Attach(&watchedUi);
    EXPECT_EQ(MessageBox(nullptr, text.c_str(), "File Exist/Read Error", MB_OK), IDOK);
    EXPECT_NE(watched.shown[0].find(" line 1 "), std::string::npos);
    EXPECT_NE(watched.shown[0].find(" line 16 "), std::string::npos);
    EXPECT_EQ(watched.shown[0].find(" line 17 "), std::string::npos);
    EXPECT_NE(watched.shown[0].find("more below"), std::string::npos);
    EXPECT_EQ(watched.shown[0].find("more above"), std::string::npos);
    // A page further on.
    EXPECT_NE(watched.shown[1].find("more above"), std::string::npos);
    EXPECT_EQ(watched.shown[1].find(" line 16 "), std::string::npos);
    EXPECT_NE(watched.shown[1].find(" line 17 "), std::string::npos);
    // Down at the end of the text goes no further.
    EXPECT_NE(watched.shown[3].find(" line 40 "), std::string::npos);
    EXPECT_EQ(watched.shown[3].find("more below"), std::string::npos);
}

TEST_F(Boxes, WithoutTheScreenABoxIsAPlainPromptOnTheStandardStreams) {
    dialogs.Attach(nullptr);
    // The answers come from standard input: here a file.
    char name[] = "/tmp/vrn-prompt-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string answers = "x\nn\n\n";
    ASSERT_EQ(::write(fd, answers.data(), answers.size()), static_cast<ssize_t>(answers.size()));
    ::lseek(fd, 0, SEEK_SET);
    const int savedIn = ::dup(0);
    ::dup2(fd, 0);
    // A key that is no button's is asked again; Enter takes the default.
    const int first = MessageBox(nullptr, "text", "title", MB_YESNO);
    const int second = MessageBox(nullptr, "text", "title", MB_OKCANCEL | MB_DEFBUTTON2);
    // No input left: the box counts as not shown.
    const int third = MessageBox(nullptr, "text", "title", MB_OK);
    ::dup2(savedIn, 0);
    ::close(savedIn);
    ::close(fd);
    ::unlink(name);
    EXPECT_EQ(first, IDNO);
    EXPECT_EQ(second, IDCANCEL);
    EXPECT_EQ(third, 0);
}

TEST_F(Boxes, TheDestinationFieldTakesOnlyWhatTheKeystrokeFilterAllows) {
    TextField field;
    field.filter = destfilter_func;
    field.limit = 12;
    for (const char c : std::string("C:\\my dir+{x}"))
        field.Edit(CharKey(static_cast<uint8_t>(c)));
    EXPECT_EQ(field.text, "C:\\mydir{x}");
    // The filter beeps twice for a refused key.
    EXPECT_EQ(ui.beeps, 4u);
    field.Edit(Key{KeyCode::Home, 0});
    field.Edit(Key{KeyCode::Delete, 0});
    field.Edit(CharKey('D'));
    field.Edit(Key{KeyCode::End, 0});
    field.Edit(Key{KeyCode::Backspace, 0});
    EXPECT_EQ(field.text, "D:\\mydir{x");
    // Past the limit a character is refused with a beep.
    field.Edit(CharKey('a'));
    field.Edit(CharKey('b'));
    field.Edit(CharKey('c'));
    EXPECT_EQ(field.text, "D:\\mydir{xab");
    EXPECT_EQ(ui.beeps, 5u);
    // A character the system code page has no byte for is not typed.
    field.Edit(Key{KeyCode::KillLine, 0});
    field.Edit(CharKey(0x100));
    EXPECT_EQ(field.text, "");
    EXPECT_FALSE(field.Edit(Key{KeyCode::Up, 0}));

    // Drawn with the cursor on its place, the start scrolled out of sight
    // when the text is wider than the field.
    field.limit = 255;
    field.text = "C:\\a\\very\\long\\path";
    field.cursor = field.text.size();
    field.Draw(grid, 3, 10, 8, true);
    EXPECT_EQ(grid.RowText(3), std::string(10, ' ') + "ng\\path");
    EXPECT_TRUE(grid.CursorVisible());
    EXPECT_EQ(grid.CursorColumn(), 17);
}

TEST(ListView, TheSelectionSkipsRowsThatCannotBeChosenAndScrollsIntoView) {
    std::vector<ListRow> rows;
    for (int i = 0; i < 30; ++i) rows.push_back(ListRow{"row " + std::to_string(i), "", i % 3 != 0});
    ListView view;
    view.Settle(rows);
    EXPECT_EQ(view.selected, 1u);
    view.Move(rows, 1);
    EXPECT_EQ(view.selected, 2u);
    view.Move(rows, 1);
    EXPECT_EQ(view.selected, 4u);
    EXPECT_FALSE(view.Move(rows, -0));
    view.Move(rows, -10);
    EXPECT_EQ(view.selected, 1u);
    EXPECT_FALSE(view.Move(rows, -1));
    CellGrid grid;
    view.Move(rows, 100);
    EXPECT_EQ(view.selected, 29u);
    view.Draw(grid, rows, 5, 15, 0, 80, true);
    EXPECT_EQ(view.first, 20u);
    EXPECT_NE(grid.RowText(14).find("row 29"), std::string::npos);
    EXPECT_EQ(grid.At(14, 3).attribute, ATTR_HIGHLIGHT);
    EXPECT_NE(grid.RowText(4).find("more above"), std::string::npos);
    EXPECT_EQ(grid.RowText(15).find("more below"), std::string::npos);
    // Without a row to choose, the keys scroll.
    std::vector<ListRow> text(30, ListRow{"t", "", false});
    ListView reader;
    reader.visibleRows = 10;
    EXPECT_TRUE(reader.Move(text, 10));
    EXPECT_EQ(reader.first, 10u);
    reader.Move(text, 100);
    EXPECT_EQ(reader.first, 20u);
}

}  // namespace
}  // namespace vrn::console
