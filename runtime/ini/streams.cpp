// Opening initialization files and reading and writing their line pieces.
#include <cstring>

#include "runtime/ini/ini.h"
#include "runtime/ini/ini_internal.h"

namespace vrn {

namespace ini {

bool ReadPiece(FILE* stream, Piece& piece) {
    // As fgets reads, keeping the count, which a zero byte would hide.
    size_t n = 0;
    while (n < static_cast<size_t>(INI_LINE_SIZE - 1)) {
        const int c = vrn::fgetc(stream);
        if (c == EOF) break;
        piece.text[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    piece.text[n] = '\0';
    piece.length = n;
    return n > 0;
}

bool EndsLine(FILE* stream, const Piece& piece) {
    if (piece.length > 0 && piece.text[piece.length - 1] == '\n') return true;
    // A piece that filled the buffer continues on the next read, unless the
    // file ends right there.
    if (piece.length < static_cast<size_t>(INI_LINE_SIZE - 1)) return true;
    int c = vrn::fgetc(stream);
    if (c == EOF) return true;
    vrn::ungetc(c, stream);
    return false;
}

void SkipRestOfLine(FILE* stream, const Piece& piece) {
    if (EndsLine(stream, piece)) return;
    Piece rest;
    while (ReadPiece(stream, rest)) {
        if (EndsLine(stream, rest)) return;
    }
}

bool g_lineOpen = false;

bool WritePiece(FILE* stream, const Piece& piece) {
    if (piece.length == 0) return true;
    g_lineOpen = piece.text[piece.length - 1] != '\n';
    return vrn::fwrite(piece.text, 1, piece.length, stream) == piece.length;
}

}  // namespace ini

int32_t wdOpenIniFile(const char* path, FILE** stream) {
    *stream = nullptr;
    if (path == nullptr || *path == '\0') return 0;
    *stream = vrn::fopen(path, "r");
    return *stream != nullptr ? 1 : 0;
}

int32_t wdCreateIniFile(const char* path, FILE** stream) {
    *stream = nullptr;
    if (path == nullptr || *path == '\0') return 0;
    *stream = vrn::fopen(path, "w");
    ini::g_lineOpen = false;
    return *stream != nullptr ? 1 : 0;
}

}  // namespace vrn
