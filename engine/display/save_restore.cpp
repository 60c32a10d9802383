// Saving a screen area into a buffer of cells (blanking it) and writing it
// back.
#include "engine/display/display.h"
#include "engine/state/state.h"

namespace vrn {

int32_t SaveDisplayScreen(int32_t startRow, int32_t endRow, int32_t startColumn, int32_t endColumn,
                          SavedCell* buffer) {
    if (buffer == nullptr) return RESULT_STOP;
    SavedCell* cell = buffer;
    for (int32_t row = startRow; row < endRow; ++row) {
        for (int32_t column = startColumn; column < endColumn; ++column, ++cell) {
            int32_t status = ReadCharacter(row, column, &cell->character, &cell->attribute);
            if (status != 0) return status;
            status = WriteCharacter(row, column, ' ', DEFAULT_ATTRIBUTE);
            if (status != 0) return status;
        }
    }
    return 0;
}

int32_t RestoreDisplayScreen(int32_t startRow, int32_t endRow, int32_t startColumn, int32_t endColumn,
                             const SavedCell* buffer) {
    if (buffer == nullptr) return RESULT_STOP;
    const SavedCell* cell = buffer;
    for (int32_t row = startRow; row < endRow; ++row) {
        for (int32_t column = startColumn; column < endColumn; ++column, ++cell) {
            const int32_t status = WriteCharacter(row, column, cell->character, cell->attribute);
            if (status != 0) return status;
        }
    }
    return 0;
}

}  // namespace vrn
