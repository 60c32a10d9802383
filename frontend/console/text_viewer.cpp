// A page-sized viewer for a text of the medium (the help).
#include <algorithm>

#include "engine/display/display.h"
#include "frontend/console/console.h"
#include "platform/crt.h"

namespace vrn::console {

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
    vrn::FILE* in = vrn::fopen(path.c_str(), "r");
    if (in == nullptr) return false;
    lines.clear();
    char buffer[1024];
    std::string line;
    while (vrn::fgets(buffer, sizeof buffer, in) != nullptr) {
        line += buffer;
        if (line.empty() || line.back() != '\n') continue;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        // Tabs go to the next multiple of eight, as a terminal would put them.
        std::string expanded;
        for (const char c : line) {
            if (c == '\t') expanded.append(8 - expanded.size() % 8, ' ');
            else expanded += c;
        }
        lines.push_back(expanded);
        line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    vrn::fclose(in);
    return true;
}

void ViewText(Ui& ui, std::string_view title, const std::vector<std::string>& text) {
    CellGrid& grid = ui.grid;
    const int savedRows = grid.Rows();
    std::vector<SavedCell> saved(static_cast<size_t>(grid.Rows()) * static_cast<size_t>(grid.Columns()));
    const bool restore = SaveDisplayScreen(0, grid.Rows(), 0, grid.Columns(), saved.data()) == 0;
    const bool cursorWasVisible = grid.CursorVisible();

    // Long lines are wrapped to the page once.
    std::vector<std::string> lines;
    for (const std::string& line : text)
        for (std::string& piece : WrapText(line, static_cast<size_t>(PAGE_COLUMNS - 4))) lines.push_back(piece);
    size_t first = 0;
    for (;;) {
        DrawPage(ui, title, "", "Up/Down PgUp/PgDn Home/End: scroll   Esc, Enter, F1: close");
        const int top = 4, bottom = grid.Rows() - 2;
        const DisplayRect frame{0, top - 1, grid.Columns() - 1, bottom};
        DisplayRectangle(&frame, ATTR_NORMAL);
        const size_t shown = static_cast<size_t>(std::max(bottom - top, 1));
        const size_t last = lines.size() > shown ? lines.size() - shown : 0;
        first = std::min(first, last);
        for (size_t i = 0; i < shown && first + i < lines.size(); ++i)
            PutText(grid, top + static_cast<int>(i), 2, lines[first + i], ATTR_NORMAL, grid.Columns() - 4);
        if (first > 0) PutRight(grid, top - 1, grid.Columns() - 2, " more above ", ATTR_NORMAL);
        if (first < last) PutRight(grid, bottom, grid.Columns() - 2, " more below ", ATTR_NORMAL);
        const Key key = ui.Wait();
        bool done = false;
        switch (key.code) {
        case KeyCode::Escape:
        case KeyCode::Enter:
        case KeyCode::F1:
        case KeyCode::Hangup: done = true; break;
        case KeyCode::Up: first -= std::min<size_t>(first, 1); break;
        case KeyCode::Down: first = std::min(last, first + 1); break;
        case KeyCode::PageUp: first -= std::min(first, shown); break;
        case KeyCode::PageDown:
        case KeyCode::Char:
            if (key.code == KeyCode::Char && key.character != ' ') break;
            first = std::min(last, first + shown);
            break;
        case KeyCode::Home: first = 0; break;
        case KeyCode::End: first = last; break;
        default: break;
        }
        if (done) break;
    }
    if (restore && grid.Rows() == savedRows) RestoreDisplayScreen(0, grid.Rows(), 0, grid.Columns(), saved.data());
    grid.SetCursor(grid.CursorRow(), grid.CursorColumn(), cursorWasVisible);
}

}  // namespace vrn::console
