// The engine's nine screen primitives on the character-cell grid. Writes
// that start outside the grid fail (65535); a text that runs over the right
// edge is cut there.
#include <cstring>

#include "engine/state/state.h"
#include "frontend/console/console.h"

namespace vrn::console {

namespace {

CellGrid* g_grid = nullptr;

int32_t Clear() {
    if (g_grid == nullptr) return RESULT_STOP;
    g_grid->Clear();
    return 0;
}

int32_t Read(int32_t row, int32_t column, uint8_t* character, uint32_t* attribute) {
    if (g_grid == nullptr || !g_grid->Inside(row, column)) return RESULT_STOP;
    const Cell& cell = g_grid->At(row, column);
    if (character != nullptr) *character = cell.character;
    if (attribute != nullptr) *attribute = cell.attribute;
    return 0;
}

int32_t WriteOne(int32_t row, int32_t column, uint8_t character, uint32_t attribute) {
    if (g_grid == nullptr || !g_grid->Put(row, column, character, attribute)) return RESULT_STOP;
    return 0;
}

int32_t WriteText(int32_t row, int32_t column, const char* text, uint32_t attribute) {
    if (g_grid == nullptr || text == nullptr || !g_grid->Inside(row, column)) return RESULT_STOP;
    g_grid->PutBytes(row, column, std::string_view(text, std::strlen(text)), attribute);
    return 0;
}

int32_t ClearOneRow(int32_t row) {
    if (g_grid == nullptr || row < 0 || row >= g_grid->Rows()) return RESULT_STOP;
    g_grid->Fill(row, 0, g_grid->Columns(), ' ', ATTR_NORMAL);
    return 0;
}

int32_t ClearOneColumn(int32_t column) {
    if (g_grid == nullptr || column < 0 || column >= g_grid->Columns()) return RESULT_STOP;
    for (int row = 0; row < g_grid->Rows(); ++row) g_grid->Put(row, column, ' ', ATTR_NORMAL);
    return 0;
}

int32_t SetCursor(int32_t row, int32_t column) {
    if (g_grid == nullptr || !g_grid->Inside(row, column)) return RESULT_STOP;
    g_grid->SetCursor(row, column, g_grid->CursorVisible());
    return 0;
}

int32_t GetCursor(int32_t* row, int32_t* column) {
    if (g_grid == nullptr) return RESULT_STOP;
    if (row != nullptr) *row = g_grid->CursorRow();
    if (column != nullptr) *column = g_grid->CursorColumn();
    return 0;
}

// Cursor types: 0 hides the cursor, any other shows it.
int32_t CursorType(int32_t type) {
    if (g_grid == nullptr) return RESULT_STOP;
    g_grid->SetCursor(g_grid->CursorRow(), g_grid->CursorColumn(), type != 0);
    return 0;
}

const ScreenPrimitives kGridPrimitives = {
    Clear, Read, WriteOne, WriteText, ClearOneRow, ClearOneColumn, SetCursor, GetCursor, CursorType,
};

}  // namespace

GridScreen::GridScreen(CellGrid& grid) : previous_(SetScreenPrimitives(&kGridPrimitives)), previousGrid_(g_grid) {
    g_grid = &grid;
}

GridScreen::~GridScreen() {
    g_grid = previousGrid_;
    SetScreenPrimitives(previous_);
}

}  // namespace vrn::console
