// A scrolling list with a highlighted row.
#include <algorithm>

#include "frontend/console/console.h"

namespace vrn::console {

namespace {

bool AnySelectable(const std::vector<ListRow>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const ListRow& r) { return r.selectable; });
}

}  // namespace

void ListView::Settle(const std::vector<ListRow>& rows) {
    if (rows.empty()) {
        selected = first = 0;
        return;
    }
    if (selected >= rows.size()) selected = rows.size() - 1;
    if (!AnySelectable(rows)) return;
    for (size_t i = selected; i < rows.size(); ++i)
        if (rows[i].selectable) {
            selected = i;
            return;
        }
    for (size_t i = selected; i-- > 0;)
        if (rows[i].selectable) {
            selected = i;
            return;
        }
}

bool ListView::Move(const std::vector<ListRow>& rows, int delta) {
    if (rows.empty() || delta == 0) return false;
    if (!AnySelectable(rows)) {
        // Nothing to select: the keys scroll the text.
        const size_t last = rows.size() > static_cast<size_t>(visibleRows) ? rows.size() - visibleRows : 0;
        const size_t before = first;
        if (delta < 0) first = first > static_cast<size_t>(-delta) ? first - static_cast<size_t>(-delta) : 0;
        else first = std::min(last, first + static_cast<size_t>(delta));
        return first != before;
    }
    const size_t before = selected;
    size_t at = selected;
    const int step = delta > 0 ? 1 : -1;
    for (int left = delta > 0 ? delta : -delta; left > 0; --left) {
        size_t next = at;
        for (;;) {
            if (step < 0 && next == 0) break;
            if (step > 0 && next + 1 >= rows.size()) break;
            next += step;
            if (rows[next].selectable) break;
        }
        if (!rows[next].selectable || next == at) break;
        at = next;
    }
    selected = at;
    return selected != before;
}

void ListView::Draw(CellGrid& grid, const std::vector<ListRow>& rows, int top, int bottom, int left, int right,
                    bool focused) {
    visibleRows = std::max(bottom - top, 1);
    const size_t shown = static_cast<size_t>(visibleRows);
    if (AnySelectable(rows)) {
        if (selected < first) first = selected;
        if (selected >= first + shown) first = selected - shown + 1;
    }
    if (rows.size() <= shown) first = 0;
    else first = std::min(first, rows.size() - shown);
    for (size_t i = 0; i < shown && first + i < rows.size(); ++i) {
        const ListRow& row = rows[first + i];
        const int y = top + static_cast<int>(i);
        const bool highlighted = row.selectable && first + i == selected;
        const uint32_t attribute = highlighted ? (focused ? ATTR_HIGHLIGHT : ATTR_BRIGHT) : row.attribute;
        grid.Fill(y, left, right, ' ', highlighted ? attribute : ATTR_NORMAL);
        const int rightWidth = static_cast<int>(row.right.size());
        PutText(grid, y, left + 1, row.text, attribute, right - left - 3 - (rightWidth > 0 ? rightWidth + 1 : 0));
        if (rightWidth > 0) PutRight(grid, y, right - 1, row.right, attribute);
    }
    // Where rows are hidden, the frame says so.
    if (first > 0) PutRight(grid, top - 1, right - 2, " more above ", ATTR_NORMAL);
    if (first + shown < rows.size()) PutRight(grid, bottom, right - 2, " more below ", ATTR_NORMAL);
}

}  // namespace vrn::console
