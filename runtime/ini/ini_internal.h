// Private helpers of the initialization-file library: the character classes
// of the format and the reading and writing of line pieces.
#pragma once

#include <cstdint>

#include "platform/crt.h"
#include "runtime/ini/ini.h"

namespace vrn::ini {

// Character classes of the default (classic) locale.
inline bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsGraphic(char c) { return c >= 0x21 && c <= 0x7E; }
inline bool IsPrintable(char c) { return c >= 0x20 && c <= 0x7E; }
inline bool IsSpecial(char c) { return c == '=' || c == '[' || c == ']' || c == ';'; }
inline bool IsNameChar(char c) { return IsGraphic(c) && !IsSpecial(c); }

inline const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

// Reads a name at text (after leading blanks) into name (INI_LINE_SIZE
// bytes); false when there is none. *end is set after the name's last
// character.
bool ReadName(const char* text, char* name, const char** end);

// One piece of a line: at most 159 characters, with the line feed when the
// line ended within it. A piece is classified by its text up to a zero byte
// it may hold, and written back whole, zero bytes and all, so that a line
// holding one survives a rewrite with its line feed.
struct Piece {
    char text[INI_LINE_SIZE];
    size_t length = 0;   // the characters read
};

// Reads the next piece; false at the end of the file.
bool ReadPiece(FILE* stream, Piece& piece);
// Whether the piece ends its line (a line feed, or the end of the file).
bool EndsLine(FILE* stream, const Piece& piece);
// Reads and discards the rest of the line the piece began.
void SkipRestOfLine(FILE* stream, const Piece& piece);
// Writes a piece unchanged; false on a write error.
bool WritePiece(FILE* stream, const Piece& piece);
// Whether the last piece written to a rewrite's temporary file left its line
// open (the file's last line had no line feed). A rewrite writes one file at
// a time; creating its temporary file clears it, and so do the written
// sections and entries, which end their lines.
extern bool g_lineOpen;

}  // namespace vrn::ini
