// The phases of a rewrite: lines are copied from the file to the temporary
// file with the one change applied on the way.
#include "runtime/ini/ini.h"
#include "runtime/ini/ini_internal.h"
#include "runtime/strings/strings.h"

namespace vrn {

using namespace ini;

int32_t wdCreateSection(FILE* output, const char* section) {
    char name[INI_LINE_SIZE];
    if (!wdIsName(section, name)) return -1;
    g_lineOpen = false;
    return vrn::fprintf(output, "\n[%s]\n", name) < 0 ? -1 : 0;
}

int32_t wdCreateEntry(FILE* output, const char* key, const char* value) {
    if (value == nullptr) return 0;
    char name[INI_LINE_SIZE];
    if (!wdIsName(key, name)) return -1;
    g_lineOpen = false;
    return vrn::fprintf(output, "%s=%s\n", name, value) < 0 ? -1 : 0;
}

int32_t wdWriteSection(FILE* input, FILE* output, const char* section, const char* key) {
    char wanted[INI_LINE_SIZE];
    if (!wdIsName(section, wanted)) return 0;
    Piece piece;
    char name[INI_LINE_SIZE];
    while (ReadPiece(input, piece)) {
        if (wdIsSection(piece.text, name) && sticmp(name, wanted) == 0) {
            // The header stays as it was written, unless the section goes.
            if (key == nullptr) {
                SkipRestOfLine(input, piece);
                return 1;
            }
            return WritePiece(output, piece) ? 1 : 0;
        }
        if (!WritePiece(output, piece)) return 0;
    }
    if (key == nullptr) return 1;
    return wdCreateSection(output, section) == 0 ? 1 : 0;
}

int32_t wdWriteEntry(FILE* input, FILE* output, const char* key, const char* value) {
    char wanted[INI_LINE_SIZE];
    if (!wdIsName(key, wanted)) return 0;
    Piece piece;
    char name[INI_LINE_SIZE];
    char entryValue[INI_LINE_SIZE];
    bool atHeader = false;
    while (ReadPiece(input, piece)) {
        if (wdIsSection(piece.text, name)) {
            atHeader = true;
            break;
        }
        if (wdIsEntry(piece.text, name, entryValue) && sticmp(name, wanted) == 0) {
            // The old entry goes with the whole of its line; later duplicates stay.
            SkipRestOfLine(input, piece);
            break;
        }
        if (!WritePiece(output, piece)) return 0;
    }
    // A file whose last line (an entry, a comment, the section's header) has
    // no line feed gets one before an entry added behind that line, which
    // would otherwise run on into the entry.
    if (g_lineOpen && value != nullptr && vrn::fputs("\n", output) < 0) return 0;
    if (wdCreateEntry(output, key, value) != 0) return 0;
    if (atHeader && !WritePiece(output, piece)) return 0;
    return 1;
}

int32_t wdDeleteAllEntrys(FILE* input, FILE* output) {
    Piece piece;
    char name[INI_LINE_SIZE];
    char value[INI_LINE_SIZE];
    while (ReadPiece(input, piece)) {
        if (wdIsSection(piece.text, name)) return WritePiece(output, piece) ? 1 : 0;
        if (wdIsEntry(piece.text, name, value)) {
            SkipRestOfLine(input, piece);
            continue;
        }
        if (!WritePiece(output, piece)) return 0;
    }
    return 1;
}

int32_t wdWriteIniFile(FILE* input, FILE* output) {
    bool ok = true;
    Piece piece;
    while (ok && ReadPiece(input, piece)) ok = WritePiece(output, piece);
    if (vrn::ferror(output)) ok = false;
    vrn::fclose(input);
    if (vrn::fclose(output) != 0) ok = false;
    return ok ? 1 : 0;
}

}  // namespace vrn
