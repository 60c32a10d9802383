// Centred status lines and the utility's header.
#include <cstring>

#include "engine/display/display.h"

namespace vrn {

int32_t DisplayStatusString(const char* text, int32_t row) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    const int32_t column = SCREEN_COLUMNS / 2 - length / 2;
    if (WriteString(row, column, text, DEFAULT_ATTRIBUTE) != 0) return -1;
    return row + 1;
}

int32_t DisplayStatusHeader() {
    static const char* const kLines[] = {
        "Varentis Software Corporation Installation Utility",
        "Copyright (c) Varentis Software Corporation",
        "All rights reserved",
    };
    int32_t row = 5;
    for (const char* line : kLines) {
        row = DisplayStatusString(line, row);
        if (row == -1) return -1;
    }
    // A blank row separates the header from what follows.
    return row + 1;
}

}  // namespace vrn
