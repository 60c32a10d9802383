// Byte figures as the user reads them: digits grouped by thousands, and the
// three lines of the disk-space summary on the text screen.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/display/display.h"
#include "engine/state/state.h"

namespace vrn {

namespace {

// The work area of the grouping, terminator included.
constexpr size_t kGroupingRoom = 100;
// Any double printed with %f fits here (at most 309 digits, the point and
// six decimals); a figure too long to group is shown ungrouped.
constexpr size_t kFigureRoom = 330;

void WriteLine(int32_t row, int32_t column, int32_t endColumn, const std::string& text) {
    WriteString(row, column, text.c_str(), DEFAULT_ATTRIBUTE);
    for (int32_t c = column + static_cast<int32_t>(text.size()); c < endColumn; ++c)
        WriteCharacter(row, c, ' ', DEFAULT_ATTRIBUTE);
}

std::string FigureText(double bytes) {
    char figure[kFigureRoom];
    std::snprintf(figure, sizeof figure, "%f", bytes);
    FormatDiskSpace(figure);
    return figure;
}

std::string FigureText(uint32_t bytes) {
    char figure[kFigureRoom];
    std::snprintf(figure, sizeof figure, "%lu", static_cast<unsigned long>(bytes));
    FormatDiskSpace(figure);
    return figure;
}

}  // namespace

int32_t FormatDiskSpace(char* text) {
    if (char* point = std::strrchr(text, '.')) *point = '\0';
    char work[kGroupingRoom];
    size_t out = 0;
    size_t copied = 0;
    for (size_t i = std::strlen(text); i-- > 0;) {
        if (out >= kGroupingRoom) return RESULT_STOP;
        work[out++] = text[i];
        if (++copied % 3 == 0 && i > 0) {
            if (out >= kGroupingRoom) return RESULT_STOP;
            work[out++] = ',';
        }
    }
    if (out >= kGroupingRoom) return RESULT_STOP;
    for (size_t i = 0; i < out; ++i) text[i] = work[out - 1 - i];
    text[out] = '\0';
    return 0;
}

std::string BytesText(double bytes) { return FigureText(bytes) + " bytes"; }

std::string BytesText(uint32_t bytes) { return FigureText(bytes) + " bytes"; }

void DisplayDiskSpaceData(int32_t column, int32_t row, int32_t endColumn, uint32_t productBytes,
                          uint32_t installBytes, double remainingBytes) {
    WriteLine(row + 1, column + 10, endColumn, "Disk Space Required for Products: " + BytesText(productBytes));
    WriteLine(row + 2, column + 6, endColumn, "Disk Space Required for Installation: " + BytesText(installBytes));
    // A staged archive is removed once it is extracted: its room comes back.
    if (!IsCdMedium()) remainingBytes += static_cast<double>(_lastLargestArchive);
    WriteLine(row + 3, column + 3, endColumn,
              "Disk Space Remaining After Installation: " + BytesText(remainingBytes) + " ");
}

}  // namespace vrn
