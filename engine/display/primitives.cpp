// The nine screen primitives, dispatched through the installed table. The
// silent table draws nothing: this engine shows its messages in message
// boxes or the log, and a character-cell table can take its place.
#include "engine/display/display.h"

namespace vrn {

namespace {

int32_t SilentClear() { return 0; }
int32_t SilentRead(int32_t, int32_t, uint8_t* character, uint32_t* attribute) {
    if (character != nullptr) *character = ' ';
    if (attribute != nullptr) *attribute = DEFAULT_ATTRIBUTE;
    return 0;
}
int32_t SilentWriteCharacter(int32_t, int32_t, uint8_t, uint32_t) { return 0; }
int32_t SilentWriteString(int32_t, int32_t, const char*, uint32_t) { return 0; }
int32_t SilentClearLine(int32_t) { return 0; }
int32_t SilentSetCursor(int32_t, int32_t) { return 0; }
int32_t SilentGetCursor(int32_t* row, int32_t* column) {
    if (row != nullptr) *row = 0;
    if (column != nullptr) *column = 0;
    return 0;
}
int32_t SilentCursorType(int32_t) { return 0; }

const ScreenPrimitives* g_screen = &_silentScreen;

}  // namespace

const ScreenPrimitives _silentScreen = {
    SilentClear,     SilentRead,      SilentWriteCharacter, SilentWriteString, SilentClearLine,
    SilentClearLine, SilentSetCursor, SilentGetCursor,      SilentCursorType,
};

const ScreenPrimitives* SetScreenPrimitives(const ScreenPrimitives* primitives) {
    const ScreenPrimitives* previous = g_screen;
    g_screen = primitives != nullptr ? primitives : &_silentScreen;
    return previous;
}

int32_t ClearScr() { return g_screen->clearScr(); }
int32_t ReadCharacter(int32_t row, int32_t column, uint8_t* character, uint32_t* attribute) {
    return g_screen->readCharacter(row, column, character, attribute);
}
int32_t WriteCharacter(int32_t row, int32_t column, uint8_t character, uint32_t attribute) {
    return g_screen->writeCharacter(row, column, character, attribute);
}
int32_t WriteString(int32_t row, int32_t column, const char* text, uint32_t attribute) {
    return g_screen->writeString(row, column, text, attribute);
}
int32_t ClearRow(int32_t row) { return g_screen->clearRow(row); }
int32_t ClearColumn(int32_t column) { return g_screen->clearColumn(column); }
int32_t SetCursorPosition(int32_t row, int32_t column) { return g_screen->setCursorPosition(row, column); }
int32_t GetCursorPosition(int32_t* row, int32_t* column) { return g_screen->getCursorPosition(row, column); }
int32_t DefineCursorType(int32_t type) { return g_screen->defineCursorType(type); }

}  // namespace vrn
