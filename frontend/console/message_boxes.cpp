// Modal boxes over the page, and the engine's message boxes on the console:
// drawn on the screen while one is up, plain prompts on the standard
// streams otherwise.
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "engine/display/display.h"
#include "frontend/console/console.h"
#include "platform/system.h"

namespace vrn::console {

namespace {

struct BoxLayout {
    int top = 0, left = 0, height = 0, width = 0, textRows = 0;
    std::vector<std::string> lines;
};

BoxLayout LayOut(const CellGrid& grid, std::string_view title, std::string_view text,
                 const std::vector<BoxButton>& buttons) {
    BoxLayout box;
    const int widest = std::min(grid.Columns() - 4, 74);
    box.lines = WrapText(text, static_cast<size_t>(widest - 4));
    while (!box.lines.empty() && box.lines.back().empty()) box.lines.pop_back();
    int content = static_cast<int>(title.size()) + 6;
    for (const std::string& line : box.lines) content = std::max(content, static_cast<int>(line.size()) + 4);
    int buttonWidth = 0;
    for (const BoxButton& b : buttons) buttonWidth += static_cast<int>(b.label.size()) + 6;
    content = std::max(content, buttonWidth + 2);
    box.width = std::clamp(content, 30, widest);
    box.textRows = std::min(static_cast<int>(box.lines.size()), grid.Rows() - 9);
    box.height = box.textRows + 5;
    box.top = (grid.Rows() - box.height) / 2;
    box.left = (grid.Columns() - box.width) / 2;
    return box;
}

void Draw(CellGrid& grid, const BoxLayout& box, std::string_view title, const std::vector<BoxButton>& buttons,
          size_t selected, size_t scroll, uint32_t attribute) {
    for (int row = box.top; row < box.top + box.height; ++row)
        grid.Fill(row, box.left, box.left + box.width, ' ', attribute);
    const DisplayRect frame{box.left, box.top, box.left + box.width - 1, box.top + box.height - 1};
    DisplayRectangle(&frame, attribute);
    const std::string heading = " " + std::string(title) + " ";
    PutText(grid, box.top, box.left + (box.width - static_cast<int>(heading.size())) / 2, heading, attribute,
            box.width - 2);
    for (int i = 0; i < box.textRows; ++i)
        PutText(grid, box.top + 2 + i, box.left + 2, box.lines[scroll + static_cast<size_t>(i)], attribute,
                box.width - 4);
    if (scroll > 0) PutRight(grid, box.top + 1, box.left + box.width - 2, "more above", attribute);
    if (scroll + static_cast<size_t>(box.textRows) < box.lines.size())
        PutRight(grid, box.top + box.height - 3, box.left + box.width - 2, "more below", attribute);
    std::vector<std::string> labels;
    for (const BoxButton& b : buttons) labels.push_back(b.label);
    DrawButtons(grid, box.top + box.height - 2, box.left, box.left + box.width, labels, static_cast<int>(selected),
                attribute);
}

}  // namespace

int RunBox(Ui& ui, std::string_view title, std::string_view text, const std::vector<BoxButton>& buttons,
           size_t defaultButton, int escapeResult, uint32_t attribute) {
    if (buttons.empty()) return 0;
    CellGrid& grid = ui.grid;
    BoxLayout box = LayOut(grid, title, text, buttons);
    // What the box covers is put back when it closes, unless the page was
    // drawn anew in between (a new size).
    std::vector<SavedCell> saved(static_cast<size_t>(box.height) * static_cast<size_t>(box.width));
    const int savedRows = grid.Rows();
    bool restore = SaveDisplayScreen(box.top, box.top + box.height, box.left, box.left + box.width, saved.data()) == 0;
    const bool cursorWasVisible = grid.CursorVisible();
    grid.SetCursor(grid.CursorRow(), grid.CursorColumn(), false);

    size_t selected = std::min(defaultButton, buttons.size() - 1);
    size_t scroll = 0;
    int result = 0;
    bool open = true;
    while (open) {
        Draw(grid, box, title, buttons, selected, scroll, attribute);
        const size_t lastScroll = box.lines.size() - static_cast<size_t>(box.textRows);
        const Key key = ui.Wait();
        switch (key.code) {
        case KeyCode::Hangup: open = false; break;
        case KeyCode::Resize:
            ui.Repaint();
            box = LayOut(grid, title, text, buttons);
            scroll = std::min(scroll, box.lines.size() - static_cast<size_t>(box.textRows));
            restore = false;
            break;
        case KeyCode::Redraw: break;
        case KeyCode::Left:
        case KeyCode::BackTab: selected = (selected + buttons.size() - 1) % buttons.size(); break;
        case KeyCode::Right:
        case KeyCode::Tab: selected = (selected + 1) % buttons.size(); break;
        case KeyCode::Enter:
            result = buttons[selected].result;
            open = false;
            break;
        case KeyCode::Escape:
            if (escapeResult != 0) {
                result = escapeResult;
                open = false;
            }
            break;
        case KeyCode::Up:
            if (scroll > 0) --scroll;
            break;
        case KeyCode::Down:
            if (scroll < lastScroll) ++scroll;
            break;
        case KeyCode::PageUp: scroll -= std::min(scroll, static_cast<size_t>(box.textRows)); break;
        case KeyCode::PageDown: scroll = std::min(lastScroll, scroll + static_cast<size_t>(box.textRows)); break;
        case KeyCode::Char:
            for (const BoxButton& b : buttons)
                if (key.character < 0x80 && std::tolower(key.character) == b.hotKey) {
                    result = b.result;
                    open = false;
                }
            break;
        default: break;
        }
    }
    if (restore && grid.Rows() == savedRows)
        RestoreDisplayScreen(box.top, box.top + box.height, box.left, box.left + box.width, saved.data());
    grid.SetCursor(grid.CursorRow(), grid.CursorColumn(), cursorWasVisible);
    return result;
}

std::vector<BoxButton> ButtonsOfStyle(uint32_t style) {
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{"OK", 'o', IDOK}, {"Cancel", 'c', IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"Abort", 'a', IDABORT}, {"Retry", 'r', IDRETRY}, {"Ignore", 'i', IDIGNORE}};
    case MB_YESNOCANCEL: return {{"Yes", 'y', IDYES}, {"No", 'n', IDNO}, {"Cancel", 'c', IDCANCEL}};
    case MB_YESNO: return {{"Yes", 'y', IDYES}, {"No", 'n', IDNO}};
    case MB_RETRYCANCEL: return {{"Retry", 'r', IDRETRY}, {"Cancel", 'c', IDCANCEL}};
    default: return {{"OK", 'o', IDOK}};
    }
}

namespace {

const char* IconMark(uint32_t style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND: return "[X] ";
    case MB_ICONQUESTION: return "[?] ";
    case MB_ICONEXCLAMATION: return "[!] ";
    case MB_ICONASTERISK: return "[i] ";
    default: return "";
    }
}

// Escape answers Cancel, else No, else closes a box that only informs.
int EscapeResult(const std::vector<BoxButton>& buttons) {
    for (const int wanted : {IDCANCEL, IDNO, IDOK})
        for (const BoxButton& b : buttons)
            if (b.result == wanted) return wanted;
    return 0;
}

}  // namespace

int ConsoleDialogs::Show(HWND, std::string_view text, std::string_view title, uint32_t style) {
    const std::vector<BoxButton> buttons = ButtonsOfStyle(style);
    const size_t defaultButton = (style & MB_DEFBUTTON2) != 0 && buttons.size() > 1 ? 1 : 0;
    int result = 0;
    if (ui_ != nullptr) {
        const uint32_t icon = style & MB_ICONMASK;
        const uint32_t attribute = icon == MB_ICONHAND || icon == MB_ICONEXCLAMATION ? 0x4F : ATTR_BOX;
        result = RunBox(*ui_, std::string(IconMark(style)) + std::string(title), text, buttons, defaultButton,
                        EscapeResult(buttons), attribute);
    } else {
        result = Prompt(text, title, style);
    }
    if (onAnswered) onAnswered(title, result);
    return result;
}

int ConsoleDialogs::Prompt(std::string_view text, std::string_view title, uint32_t style) {
    const std::vector<BoxButton> buttons = ButtonsOfStyle(style);
    const size_t defaultButton = (style & MB_DEFBUTTON2) != 0 && buttons.size() > 1 ? 1 : 0;
    std::string out = "\n== " + std::string(IconMark(style)) + std::string(title) + " ==\n" + std::string(text) + "\n\n";
    for (size_t i = 0; i < buttons.size(); ++i)
        out += "  [" + std::string(1, static_cast<char>(std::toupper(buttons[i].hotKey))) + "] " + buttons[i].label +
               (i == defaultButton ? " (Enter)" : "");
    out += "\n> ";
    for (;;) {
        ConsoleError(out);
        std::string line;
        if (!ConsoleReadLine(line)) return 0;   // nobody to answer: the box was not shown
        if (line.empty()) return buttons[defaultButton].result;
        for (const BoxButton& b : buttons)
            if (std::tolower(static_cast<unsigned char>(line[0])) == b.hotKey) return b.result;
        out = "> ";
    }
}

void ConsoleDialogs::Beep(uint32_t) {
    if (ui_ != nullptr) ui_->Beep();
    else if (::isatty(2) != 0) ConsoleError("\a");
}

}  // namespace vrn::console
