// The character-cell grid: the installer's screen in memory.
#include <algorithm>

#include "frontend/console/console.h"

namespace vrn::console {

CellGrid::CellGrid(int rows, int columns) { Resize(rows, columns); }

void CellGrid::Resize(int rows, int columns) {
    rows_ = std::max(rows, 1);
    columns_ = std::max(columns, 1);
    cells_.assign(static_cast<size_t>(rows_) * static_cast<size_t>(columns_), Cell{});
    cursorRow_ = cursorColumn_ = 0;
}

void CellGrid::Clear() { std::fill(cells_.begin(), cells_.end(), Cell{}); }

bool CellGrid::Put(int row, int column, uint8_t character, uint32_t attribute) {
    if (!Inside(row, column)) return false;
    cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column)] =
        Cell{character, attribute};
    return true;
}

const Cell& CellGrid::At(int row, int column) const {
    static const Cell blank{};
    if (!Inside(row, column)) return blank;
    return cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column)];
}

int CellGrid::PutBytes(int row, int column, std::string_view bytes, uint32_t attribute) {
    int written = 0;
    for (const char c : bytes) {
        if (!Put(row, column + written, static_cast<uint8_t>(c), attribute)) break;
        ++written;
    }
    return written;
}

void CellGrid::Fill(int row, int from, int to, uint8_t character, uint32_t attribute) {
    for (int column = std::max(from, 0); column < std::min(to, columns_); ++column)
        Put(row, column, character, attribute);
}

void CellGrid::SetCursor(int row, int column, bool visible) {
    cursorRow_ = row;
    cursorColumn_ = column;
    cursorVisible_ = visible;
}

std::string CellGrid::RowText(int row, bool unicode) const {
    std::string line;
    int end = columns_;
    while (end > 0 && At(row, end - 1).character == ' ') --end;
    for (int column = 0; column < end; ++column) line += CellGlyph(At(row, column).character, unicode);
    return line;
}

std::string CellGrid::Text(bool unicode) const {
    std::string text;
    for (int row = 0; row < rows_; ++row) text += RowText(row, unicode) + "\n";
    return text;
}

bool CellGrid::Shows(std::string_view text) const { return Text(true).find(text) != std::string::npos; }

}  // namespace vrn::console
