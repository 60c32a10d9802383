// Text-mode display of the installation engine: nine screen primitives on an
// 80 by 25 character-cell screen, and the composite routines built on them
// (centred status lines, the utility's header, lines, frames, saving and
// restoring an area, the release-notes viewer).
//
// The primitives go through one replaceable table of function pointers. The
// table installed at start is the silent one: every primitive draws nothing
// and returns 0, and the user meets the engine through its message boxes or
// the log. A character-cell implementation installs its own table with
// SetScreenPrimitives and the composite routines draw through it unchanged.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

namespace vrn {

// Screen size and the attribute every routine without one uses.
inline constexpr int32_t SCREEN_ROWS = 25;
inline constexpr int32_t SCREEN_COLUMNS = 80;
inline constexpr uint32_t DEFAULT_ATTRIBUTE = 7;   // light grey on black

// Box-drawing characters (code page 437).
inline constexpr uint8_t BOX_HORIZONTAL = 0xC4;
inline constexpr uint8_t BOX_VERTICAL = 0xB3;
inline constexpr uint8_t BOX_TOP_LEFT = 0xDA;
inline constexpr uint8_t BOX_TOP_RIGHT = 0xBF;
inline constexpr uint8_t BOX_BOTTOM_LEFT = 0xC0;
inline constexpr uint8_t BOX_BOTTOM_RIGHT = 0xD9;
inline constexpr uint8_t BOX_LEFT_TEE = 0xC3;
inline constexpr uint8_t BOX_RIGHT_TEE = 0xB4;
inline constexpr uint8_t BOX_TOP_TEE = 0xC2;
inline constexpr uint8_t BOX_BOTTOM_TEE = 0xC1;

// Rows and columns count from 0. A status of 0 is success.
struct ScreenPrimitives {
    int32_t (*clearScr)();
    int32_t (*readCharacter)(int32_t row, int32_t column, uint8_t* character, uint32_t* attribute);
    int32_t (*writeCharacter)(int32_t row, int32_t column, uint8_t character, uint32_t attribute);
    int32_t (*writeString)(int32_t row, int32_t column, const char* text, uint32_t attribute);
    int32_t (*clearRow)(int32_t row);
    int32_t (*clearColumn)(int32_t column);
    int32_t (*setCursorPosition)(int32_t row, int32_t column);
    int32_t (*getCursorPosition)(int32_t* row, int32_t* column);
    int32_t (*defineCursorType)(int32_t type);
};

// The silent primitives: no output, each returns 0 (a read gives a blank in
// attribute 7, a cursor query row and column 0).
extern const ScreenPrimitives _silentScreen;

// Installs a table of primitives (null: the silent one); returns the previous.
const ScreenPrimitives* SetScreenPrimitives(const ScreenPrimitives* primitives);

int32_t ClearScr();
int32_t ReadCharacter(int32_t row, int32_t column, uint8_t* character, uint32_t* attribute);
int32_t WriteCharacter(int32_t row, int32_t column, uint8_t character, uint32_t attribute);
int32_t WriteString(int32_t row, int32_t column, const char* text, uint32_t attribute);
int32_t ClearRow(int32_t row);
int32_t ClearColumn(int32_t column);
int32_t SetCursorPosition(int32_t row, int32_t column);
int32_t GetCursorPosition(int32_t* row, int32_t* column);
int32_t DefineCursorType(int32_t type);

// A rectangle: left column, top row, right column, bottom row, the right
// column and the bottom row included.
struct DisplayRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// One saved cell of a save buffer.
struct SavedCell {
    uint8_t character;
    uint32_t attribute;
};
// The engine's background save buffer holds 26 rows of 81 cells.
inline constexpr uint32_t BACKGROUND_BUFFER_SIZE = 26 * 81 * 8;
static_assert(sizeof(SavedCell) == 8);

// Writes the text centred in the row (start column 40 - length / 2); row + 1,
// or -1 when the write fails.
int32_t DisplayStatusString(const char* text, int32_t row);
// The utility's title and notice in rows 5 to 7; 9, or -1 at the first failure.
int32_t DisplayStatusHeader();
// A horizontal line from startColumn; with connect = 1 through endColumn
// with tees at both ends, else up to the column before endColumn. 0, or
// 65535 for a width above 80 (nothing drawn) or a failed write.
int32_t DisplayHorzLine(int32_t startColumn, int32_t endColumn, int32_t row, int32_t connect);
// A vertical line from startRow; with connect = 1 through endRow with tees at
// both ends. 0, or 65535 at the first failed write.
int32_t DisplayVertLine(int32_t startRow, int32_t endRow, int32_t column, int32_t connect);
// A single-line frame; 0, or the status of the first failed write.
int32_t DisplayRectangle(const DisplayRect* rectangle, uint32_t attribute);
// Saves the area (end row and end column excluded) row by row into buffer
// and blanks it. 65535 for a null buffer, else 0 or the first failed status.
int32_t SaveDisplayScreen(int32_t startRow, int32_t endRow, int32_t startColumn, int32_t endColumn,
                          SavedCell* buffer);
// Writes an area saved by SaveDisplayScreen back. Same results.
int32_t RestoreDisplayScreen(int32_t startRow, int32_t endRow, int32_t startColumn, int32_t endColumn,
                             const SavedCell* buffer);

// Shows directory\fileName in the text editor. When the file is not there,
// the file name is turned to lower case in place and tried again. The
// command "edit <path>" runs through the command processor, with "edit"
// standing for the user's $VISUAL, else $EDITOR, else the pager "more", and
// the path given in its host form. 0, or the result of a reported message
// (103 file missing, 601 no memory, 801 screen not saved).
int32_t DisplayReleaseNotes(HWND window, const char* directory, char* fileName);

}  // namespace vrn
