// The console of the interactive installer: a character-cell grid that the
// engine's screen primitives draw into, the terminal that shows the grid and
// delivers keys (capabilities and key strings from the terminfo database),
// the modal message boxes that answer the engine's dialogs, and the small
// pieces every screen is made of: the page frame, lists, buttons, a text
// field and a text viewer.
//
// The grid is the screen as the installer sees it: 80 columns wide and as
// tall as the terminal (at least 25 rows). Its bytes are in the display code
// page (850, whose single and double line characters are those the engine's
// line routines write); the terminal shows them as Unicode box drawing when
// its locale is UTF-8 and as ASCII otherwise, the page centred when the
// terminal is wider than 80 columns.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/display/display.h"
#include "platform/dialogs.h"

namespace vrn::console {

// ---------------------------------------------------------------------------
// Attributes: low nibble the foreground, next three bits the background, in
// the colour order of the text-mode adapter (0 black, 1 blue, 2 green, 3 cyan,
// 4 red, 5 magenta, 6 brown, 7 grey); bit 3 makes the foreground bright.

inline constexpr uint32_t ATTR_NORMAL = 0x07;      // grey on black
inline constexpr uint32_t ATTR_BRIGHT = 0x0F;      // white on black
inline constexpr uint32_t ATTR_DIM = 0x08;         // dark grey on black
inline constexpr uint32_t ATTR_BAR = 0x1F;         // white on blue: the title bar
inline constexpr uint32_t ATTR_FOOTER = 0x70;      // black on grey: the key line
inline constexpr uint32_t ATTR_HIGHLIGHT = 0x70;   // the highlighted row or button
inline constexpr uint32_t ATTR_BOX = 0x1F;         // white on blue: a message box
inline constexpr uint32_t ATTR_BOX_BUTTON = 0x70;
inline constexpr uint32_t ATTR_WARNING = 0x0E;     // yellow on black: the status line

inline constexpr int PAGE_COLUMNS = 80;
inline constexpr int PAGE_MIN_ROWS = 25;

// ---------------------------------------------------------------------------
// The character-cell grid

struct Cell {
    uint8_t character = ' ';
    uint32_t attribute = ATTR_NORMAL;
    bool operator==(const Cell&) const = default;
};

class CellGrid {
public:
    CellGrid(int rows = PAGE_MIN_ROWS, int columns = PAGE_COLUMNS);
    // A new size, every cell blank.
    void Resize(int rows, int columns);
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    bool Inside(int row, int column) const { return row >= 0 && row < rows_ && column >= 0 && column < columns_; }

    void Clear();
    // Writes one cell; false outside the grid.
    bool Put(int row, int column, uint8_t character, uint32_t attribute);
    const Cell& At(int row, int column) const;
    // Writes display-code-page bytes from (row, column), cut at the right
    // edge; the number of cells written.
    int PutBytes(int row, int column, std::string_view bytes, uint32_t attribute);
    // Fills columns [from, to) of a row.
    void Fill(int row, int from, int to, uint8_t character, uint32_t attribute);

    void SetCursor(int row, int column, bool visible);
    int CursorRow() const { return cursorRow_; }
    int CursorColumn() const { return cursorColumn_; }
    bool CursorVisible() const { return cursorVisible_; }

    // A row or the whole grid as a person sees it: UTF-8 with box drawing,
    // or ASCII; trailing blanks of each row dropped.
    std::string RowText(int row, bool unicode = true) const;
    std::string Text(bool unicode = true) const;
    // Whether the text appears anywhere on the grid.
    bool Shows(std::string_view text) const;

private:
    int rows_ = 0, columns_ = 0;
    std::vector<Cell> cells_;
    int cursorRow_ = 0, cursorColumn_ = 0;
    bool cursorVisible_ = false;
};

// Installs the screen primitives that draw into `grid` for as long as it
// lives; the previous table afterwards.
class GridScreen {
public:
    explicit GridScreen(CellGrid& grid);
    ~GridScreen();
    GridScreen(const GridScreen&) = delete;
    GridScreen& operator=(const GridScreen&) = delete;

private:
    const ScreenPrimitives* previous_;
    CellGrid* previousGrid_;
};

// ---------------------------------------------------------------------------
// Characters

// Text of the system code page (ISO 8859-1) in the display code page.
std::string ScreenText(std::string_view latin1);
// How a display byte is shown: UTF-8 (box drawing for the line characters),
// or ASCII ('+', '-', '|' for the lines, '#' for the shades, '?' for other
// bytes above 127).
std::string CellGlyph(uint8_t character, bool unicode);

// Shades of the progress bar in the display code page.
inline constexpr uint8_t SHADE_LIGHT = 0xB0;
inline constexpr uint8_t BLOCK_FULL = 0xDB;

// ---------------------------------------------------------------------------
// Keys

enum class KeyCode : uint8_t {
    None,
    Char,        // a typed character, its ISO 8859-1 value in `character`
    Enter,
    Tab,
    BackTab,
    Escape,
    Backspace,
    Delete,
    Up,
    Down,
    Left,
    Right,
    Home,
    End,
    PageUp,
    PageDown,
    F1,
    F2,
    KillLine,    // Ctrl-U: clears a text field
    Interrupt,   // Ctrl-C
    Resize,      // the terminal changed its size
    Redraw,      // something was drawn over the screen: draw it again
    Hangup,      // the terminal is gone
};

struct Key {
    KeyCode code = KeyCode::None;
    int32_t character = 0;   // KeyCode::Char: 0 to 255, or 0x100 for a character outside ISO 8859-1
    bool operator==(const Key&) const = default;
};

inline Key CharKey(int32_t c) { return Key{KeyCode::Char, c}; }

// Where keys come from: the terminal, or a script in the tests.
class KeySource {
public:
    virtual ~KeySource() = default;
    // The next key, waiting for it.
    virtual Key Next() = 0;
    // A key that is already there, without waiting (KeyCode::None if none).
    virtual Key Poll() = 0;
};

// Keys given in advance; at the end of the script the terminal is "gone".
class ScriptedKeys : public KeySource {
public:
    std::deque<Key> keys;
    void Add(Key key) { keys.push_back(key); }
    void Add(KeyCode code) { keys.push_back(Key{code, 0}); }
    void Type(std::string_view text) {
        for (const char c : text) keys.push_back(CharKey(static_cast<uint8_t>(c)));
    }
    Key Next() override;
    Key Poll() override;
};

// Turns the bytes a terminal sends into keys: the terminfo key strings given,
// the usual ANSI forms of the cursor and function keys beside them, UTF-8
// characters, and the control characters the screens use.
class KeyDecoder {
public:
    // The terminal's own key strings: (string, code) pairs.
    void AddSequence(std::string sequence, KeyCode code);
    void Feed(std::string_view bytes);
    // The next key of the bytes fed. With `final` unset, a lone Escape or an
    // incomplete sequence waits for more bytes; with it set they are taken
    // as they are.
    bool Next(Key& key, bool final);
    bool Pending() const { return !buffer_.empty(); }

    KeyDecoder();

private:
    std::vector<std::pair<std::string, KeyCode>> sequences_;
    std::string buffer_;
};

// ---------------------------------------------------------------------------
// The terminal

class Terminal : public KeySource {
public:
    // Takes over the terminal on standard input and output: raw keys, the
    // alternate screen, the keypad's application mode, the cursor hidden.
    // Null with `error` set when there is none or it cannot position the
    // cursor.
    static std::unique_ptr<Terminal> Open(std::string& error);
    ~Terminal() override;

    bool Unicode() const { return unicode_; }
    // The terminal's size.
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    bool TooSmall() const { return rows_ < PAGE_MIN_ROWS || columns_ < PAGE_COLUMNS; }

    // Shows the grid, sending only what changed since the last time.
    void Render(const CellGrid& grid);
    void Beep();
    // Gives the terminal back for a program the installer runs, and takes it
    // again afterwards (everything is drawn again).
    void Suspend();
    void Resume();
    // Gives the terminal back for good (also done by the destructor).
    void Restore();

    Key Next() override;
    Key Poll() override;

private:
    Terminal() = default;
    Key Read(int timeoutMs);
    void QuerySize();
    void Enter();
    std::string Attribute(uint32_t attribute) const;

    KeyDecoder decoder_;
    bool unicode_ = false;
    int rows_ = PAGE_MIN_ROWS, columns_ = PAGE_COLUMNS;
    int colours_ = 0;
    bool active_ = false;
    bool fullRedraw_ = true;
    std::vector<Cell> shown_;   // what the terminal shows, by terminal cell
    int shownRows_ = 0, shownColumns_ = 0;
    std::string cup_, sgr0_, setaf_, setab_, bold_, rev_, civis_, cnorm_, smcup_, rmcup_, smkx_, rmkx_, clear_, bel_;
};

// Puts the terminal back as it was found (modes, cursor, alternate screen,
// keypad) from anywhere: a signal handler, the crash reporter's chain, the
// process's exit. Does only what is safe inside a signal handler, once.
void RestoreTerminalNow();
// The installer's interrupt entry: notes Ctrl-C for the screens, which ask
// whether to quit at their next key (or, while the engine extracts, at its
// next member).
void NoteInterrupt(int signal);

// ---------------------------------------------------------------------------
// The screens' shared state

class Ui {
public:
    Ui(CellGrid& grid, KeySource& keys, Terminal* terminal = nullptr);

    CellGrid& grid;
    Terminal* terminal;

    // Shows the grid (when there is a terminal) and waits for a key. F1 and
    // F2 are handled here on every screen (the help, the release notes) and
    // Ctrl-C goes to onInterrupt; the screen then gets KeyCode::Redraw. A
    // resized terminal resizes the grid and gives KeyCode::Resize.
    Key Wait();
    // The same without waiting: KeyCode::None when no key is there.
    Key Poll();
    void Present();
    void Beep();

    // Ctrl-C: the installer asks whether to quit.
    std::function<void()> onInterrupt;
    // The terminal is gone: the installer ends the run.
    std::function<void()> onHangup;
    // The help file (F1) and the release notes' directory and name (F2), in
    // Windows form.
    std::string helpFile;
    std::string notesDirectory;
    std::string notesFile = "README.VRN";
    // Beeps sounded (also without a terminal).
    uint32_t beeps = 0;

    // Draws the screen under whatever is open over it again (after the
    // terminal changed its size under a box): the painter of the innermost
    // screen that registered one.
    void Repaint();
    std::vector<std::function<void()>> painters;

private:
    Key Handle(Key key);
    void ResizeToTerminal();
    void ShowHelp();
    void ShowReleaseNotes();
    KeySource& keys_;
    bool inHelp_ = false;
};

// Registers a screen's painter with the Ui for as long as it lives.
class PainterScope {
public:
    PainterScope(Ui& ui, std::function<void()> painter) : ui_(ui) { ui_.painters.push_back(std::move(painter)); }
    ~PainterScope() { ui_.painters.pop_back(); }
    PainterScope(const PainterScope&) = delete;
    PainterScope& operator=(const PainterScope&) = delete;

private:
    Ui& ui_;
};

// ---------------------------------------------------------------------------
// Drawing a page

// Clears the grid and draws the title bar (with the step at its right) and
// the key line at the bottom.
void DrawPage(Ui& ui, std::string_view title, std::string_view step, std::string_view keys);
// Writes ISO 8859-1 text (converted) from (row, column), cut at `width`
// cells when width > 0; the cells written.
int PutText(CellGrid& grid, int row, int column, std::string_view text, uint32_t attribute, int width = 0);
// Writes text right-aligned so that it ends before column `end`.
void PutRight(CellGrid& grid, int row, int end, std::string_view text, uint32_t attribute);
// Words of `text` wrapped to lines of at most `width` characters; explicit
// line ends kept.
std::vector<std::string> WrapText(std::string_view text, size_t width);
// A row of buttons "[ Label ]" centred in [left, right); the focused one
// highlighted (-1: none). The columns where each starts.
std::vector<int> DrawButtons(CellGrid& grid, int row, int left, int right, const std::vector<std::string>& labels,
                             int focused, uint32_t attribute = ATTR_NORMAL);
// A number of bytes grouped by thousands: 1,234,567.
std::string Grouped(double bytes);

// ---------------------------------------------------------------------------
// Lists

struct ListRow {
    ListRow() = default;
    ListRow(std::string text_, std::string right_ = {}, bool selectable_ = true, uint32_t attribute_ = ATTR_NORMAL)
        : text(std::move(text_)), right(std::move(right_)), selectable(selectable_), attribute(attribute_) {}
    std::string text;          // ISO 8859-1
    std::string right;         // shown right-aligned (a size)
    bool selectable = true;
    uint32_t attribute = ATTR_NORMAL;
};

// A scrolling list drawn in the rows [top, bottom) of the columns
// [left, right): the selected row highlighted, "more" marks where rows are
// hidden above or below.
struct ListView {
    size_t selected = 0;
    size_t first = 0;   // the first row shown
    // Moves the selection by `delta` selectable rows (whole pages for the
    // page keys), keeping it on a selectable row. False when nothing moved.
    bool Move(const std::vector<ListRow>& rows, int delta);
    // Puts the selection on the first selectable row at or after `from`.
    void Settle(const std::vector<ListRow>& rows);
    void Draw(CellGrid& grid, const std::vector<ListRow>& rows, int top, int bottom, int left, int right,
              bool focused);
    int visibleRows = 1;   // set by Draw
};

// ---------------------------------------------------------------------------
// A text field

// An editable line of text. Typed characters pass through a keystroke filter
// (non-zero: take it) before they are inserted.
struct TextField {
    std::string text;   // ISO 8859-1
    size_t cursor = 0;
    size_t first = 0;   // the first character shown
    size_t limit = 255;
    int32_t (*filter)(int32_t) = nullptr;

    // Applies an editing key; false when the key is not an editing key.
    // A refused character is dropped (the filter has beeped).
    bool Edit(Key key);
    void Draw(CellGrid& grid, int row, int column, int width, bool focused);
};

// ---------------------------------------------------------------------------
// Modal boxes

struct BoxButton {
    std::string label;
    char hotKey;     // lower case; pressing it (either case) presses the button
    int result;
};

// Shows a modal box in the middle of the page over what is there (saved and
// put back afterwards): the title in its top line, the text wrapped, the
// buttons at the bottom. Left/Right/Tab move between the buttons, Enter
// presses the highlighted one, a button's key presses it, Escape presses
// the one whose result is `escapeResult` (0: Escape does nothing), Up/Down
// scroll a long text. The button's result, or 0 when the terminal went away.
int RunBox(Ui& ui, std::string_view title, std::string_view text, const std::vector<BoxButton>& buttons,
           size_t defaultButton, int escapeResult, uint32_t attribute = ATTR_BOX);

// The buttons of a message-box style (MB_OK, MB_OKCANCEL, MB_YESNO, ...).
std::vector<BoxButton> ButtonsOfStyle(uint32_t style);

// The engine's message boxes on the console: modal boxes on the screen
// while a Ui is attached, plain prompts on the standard streams otherwise.
class ConsoleDialogs : public DialogHandler {
public:
    void Attach(Ui* ui) { ui_ = ui; }
    Ui* Attached() const { return ui_; }
    int Show(HWND owner, std::string_view text, std::string_view title, uint32_t style) override;
    void Beep(uint32_t type) override;
    // Called with each box's title and the button pressed, after the box
    // has closed (the diskette drive takes the asked diskette on OK).
    std::function<void(std::string_view title, int result)> onAnswered;

private:
    int Prompt(std::string_view text, std::string_view title, uint32_t style);
    Ui* ui_ = nullptr;
};

// ---------------------------------------------------------------------------
// A text viewer

// Shows lines of text on the whole page until Escape, Enter or F1: the
// arrows and page keys scroll. The area under it is saved and put back.
void ViewText(Ui& ui, std::string_view title, const std::vector<std::string>& lines);
// Reads a text file of the medium (Windows form) into lines; false when it
// cannot be opened.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace vrn::console
