// Opening initialization files and reading and writing their line pieces.
#include <cstring>

#include "runtime/ini/ini.h"
#include "runtime/ini/ini_internal.h"

namespace vrn {

namespace ini {

bool ReadPiece(FILE* stream, Piece& piece) {
    return vrn::fgets(piece.text, INI_LINE_SIZE, stream) != nullptr;
}

bool EndsLine(FILE* stream, const Piece& piece) {
    size_t length = std::strlen(piece.text);
    if (length > 0 && piece.text[length - 1] == '\n') return true;
    // A piece that filled the buffer continues on the next read, unless the
    // file ends right there.
    if (length < static_cast<size_t>(INI_LINE_SIZE - 1)) return true;
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

bool WritePiece(FILE* stream, const Piece& piece) { return vrn::fputs(piece.text, stream) >= 0; }

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
    return *stream != nullptr ? 1 : 0;
}

}  // namespace vrn
