// Horizontal and vertical lines and single-line frames in box-drawing
// characters.
#include <array>

#include "engine/display/display.h"
#include "engine/state/state.h"

namespace vrn {

int32_t DisplayHorzLine(int32_t startColumn, int32_t endColumn, int32_t row, int32_t connect) {
    const int32_t width = endColumn - startColumn;
    if (width > SCREEN_COLUMNS) return RESULT_STOP;

    // Room for 80 line characters, the closing tee and the terminator.
    std::array<char, SCREEN_COLUMNS + 2> line{};
    int32_t length = width > 0 ? width : 0;
    for (int32_t i = 0; i < length; ++i) line[i] = static_cast<char>(BOX_HORIZONTAL);
    if (connect == 1) {
        line[0] = static_cast<char>(BOX_LEFT_TEE);
        line[length++] = static_cast<char>(BOX_RIGHT_TEE);
    }
    line[length] = '\0';
    return WriteString(row, startColumn, line.data(), DEFAULT_ATTRIBUTE) != 0 ? RESULT_STOP : 0;
}

int32_t DisplayVertLine(int32_t startRow, int32_t endRow, int32_t column, int32_t connect) {
    for (int32_t row = startRow; row < endRow; ++row) {
        if (WriteCharacter(row, column, BOX_VERTICAL, DEFAULT_ATTRIBUTE) != 0) return RESULT_STOP;
    }
    if (connect == 1) {
        if (WriteCharacter(startRow, column, BOX_TOP_TEE, DEFAULT_ATTRIBUTE) != 0) return RESULT_STOP;
        if (WriteCharacter(endRow, column, BOX_BOTTOM_TEE, DEFAULT_ATTRIBUTE) != 0) return RESULT_STOP;
    }
    return 0;
}

int32_t DisplayRectangle(const DisplayRect* rectangle, uint32_t attribute) {
    const DisplayRect& r = *rectangle;
    int32_t status = 0;
    if ((status = WriteCharacter(r.top, r.left, BOX_TOP_LEFT, attribute)) != 0) return status;
    if ((status = WriteCharacter(r.top, r.right, BOX_TOP_RIGHT, attribute)) != 0) return status;
    if ((status = WriteCharacter(r.bottom, r.left, BOX_BOTTOM_LEFT, attribute)) != 0) return status;
    if ((status = WriteCharacter(r.bottom, r.right, BOX_BOTTOM_RIGHT, attribute)) != 0) return status;
    for (int32_t row = r.top + 1; row < r.bottom; ++row) {
        if ((status = WriteCharacter(row, r.left, BOX_VERTICAL, attribute)) != 0) return status;
        if ((status = WriteCharacter(row, r.right, BOX_VERTICAL, attribute)) != 0) return status;
    }
    for (int32_t column = r.left + 1; column < r.right; ++column) {
        if ((status = WriteCharacter(r.top, column, BOX_HORIZONTAL, attribute)) != 0) return status;
        if ((status = WriteCharacter(r.bottom, column, BOX_HORIZONTAL, attribute)) != 0) return status;
    }
    return 0;
}

}  // namespace vrn
