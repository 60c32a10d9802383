// An editable line of text whose typed characters pass a keystroke filter.
#include "engine/state/state.h"
#include "frontend/console/console.h"
#include "platform/dialogs.h"

namespace vrn::console {

bool TextField::Edit(Key key) {
    switch (key.code) {
    case KeyCode::Char:
        // A character the system code page has no byte for, or one past the
        // field's length, cannot be taken.
        if (key.character > 0xFF || text.size() >= limit) {
            MessageBeep(MB_BEEP_DEFAULT);
            return true;
        }
        if (filter != nullptr && filter(key.character) == 0) return true;
        text.insert(cursor, 1, static_cast<char>(key.character));
        ++cursor;
        return true;
    case KeyCode::Backspace:
        if (cursor > 0) text.erase(--cursor, 1);
        return true;
    case KeyCode::Delete:
        if (cursor < text.size()) text.erase(cursor, 1);
        return true;
    case KeyCode::Left:
        if (cursor > 0) --cursor;
        return true;
    case KeyCode::Right:
        if (cursor < text.size()) ++cursor;
        return true;
    case KeyCode::Home: cursor = 0; return true;
    case KeyCode::End: cursor = text.size(); return true;
    case KeyCode::KillLine:
        text.clear();
        cursor = 0;
        return true;
    default: return false;
    }
}

void TextField::Draw(CellGrid& grid, int row, int column, int width, bool focused) {
    if (width < 2) return;
    if (cursor > text.size()) cursor = text.size();
    // The cursor stays inside the visible part, one cell kept for it at the end.
    const size_t room = static_cast<size_t>(width - 1);
    if (cursor < first) first = cursor;
    if (cursor > first + room) first = cursor - room;
    const uint32_t attribute = focused ? ATTR_HIGHLIGHT : ATTR_BRIGHT;
    grid.Fill(row, column, column + width, ' ', attribute);
    PutText(grid, row, column, std::string_view(text).substr(first, room + 1), attribute, width);
    if (focused) grid.SetCursor(row, column + static_cast<int>(cursor - first), true);
}

}  // namespace vrn::console
