// The page every screen is drawn on, and the pieces of text it is made of.
#include <cstdio>

#include "engine/destination/destination.h"
#include "frontend/console/console.h"

namespace vrn::console {

void DrawPage(Ui& ui, std::string_view title, std::string_view step, std::string_view keys) {
    CellGrid& grid = ui.grid;
    grid.Clear();
    grid.SetCursor(0, 0, false);
    grid.Fill(0, 0, grid.Columns(), ' ', ATTR_BAR);
    PutText(grid, 0, 1, "Varentis Installation Utility", ATTR_BAR);
    PutRight(grid, 0, grid.Columns() - 1, step, ATTR_BAR);
    PutText(grid, 2, 2, title, ATTR_BRIGHT, grid.Columns() - 4);
    const int last = grid.Rows() - 1;
    grid.Fill(last, 0, grid.Columns(), ' ', ATTR_FOOTER);
    PutText(grid, last, 1, keys, ATTR_FOOTER, grid.Columns() - 2);
}

int PutText(CellGrid& grid, int row, int column, std::string_view text, uint32_t attribute, int width) {
    std::string bytes = ScreenText(text);
    if (width > 0 && bytes.size() > static_cast<size_t>(width)) bytes.resize(static_cast<size_t>(width));
    return grid.PutBytes(row, column, bytes, attribute);
}

void PutRight(CellGrid& grid, int row, int end, std::string_view text, uint32_t attribute) {
    PutText(grid, row, end - static_cast<int>(text.size()), text, attribute);
}

std::vector<std::string> WrapText(std::string_view text, size_t width) {
    std::vector<std::string> lines;
    if (width == 0) width = 1;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        std::string_view paragraph = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
        // A paragraph's leading blanks are its indentation; the blanks
        // between two words stay as they are unless the line breaks there.
        size_t at = 0;
        while (at < paragraph.size() && paragraph[at] == ' ') ++at;
        const size_t indent = at < width ? at : 0;
        std::string line(paragraph.substr(0, at));
        bool any = false;
        while (at < paragraph.size()) {
            size_t wordStart = at;
            while (wordStart < paragraph.size() && paragraph[wordStart] == ' ') ++wordStart;
            if (wordStart == paragraph.size()) break;
            size_t wordEnd = wordStart;
            while (wordEnd < paragraph.size() && paragraph[wordEnd] != ' ') ++wordEnd;
            const std::string_view gap = paragraph.substr(at, wordStart - at);
            std::string_view word = paragraph.substr(wordStart, wordEnd - wordStart);
            at = wordEnd;
            if (any && line.size() + gap.size() + word.size() > width) {
                lines.push_back(line);
                line.assign(indent, ' ');
                any = false;
            }
            // A word longer than a whole line is cut into pieces.
            while (!any && line.size() + word.size() > width) {
                const size_t room = width > line.size() ? width - line.size() : 1;
                line += word.substr(0, room);
                lines.push_back(line);
                line.assign(indent, ' ');
                word.remove_prefix(room);
            }
            if (word.empty()) continue;
            if (any) line += gap;
            line += word;
            any = true;
        }
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

std::vector<int> DrawButtons(CellGrid& grid, int row, int left, int right, const std::vector<std::string>& labels,
                             int focused, uint32_t attribute) {
    int width = 0;
    for (const std::string& label : labels) width += static_cast<int>(label.size()) + 4;
    width += 2 * (static_cast<int>(labels.size()) - 1);
    int column = left + (right - left - width) / 2;
    std::vector<int> starts;
    for (size_t i = 0; i < labels.size(); ++i) {
        starts.push_back(column);
        const bool on = static_cast<int>(i) == focused;
        column += PutText(grid, row, column, "[ " + labels[i] + " ]", on ? ATTR_HIGHLIGHT : attribute);
        column += 2;
    }
    return starts;
}

std::string Grouped(double bytes) {
    char text[128];
    std::snprintf(text, sizeof text, "%.0f", bytes < 0 ? 0.0 : bytes);
    FormatDiskSpace(text);
    return text;
}

}  // namespace vrn::console
