// The display code page: text of the system code page goes onto the grid in
// code page 850, and each grid byte is shown as Unicode or as ASCII.
#include "frontend/console/console.h"
#include "runtime/chars/chars.h"

namespace vrn::console {

namespace {

struct LineGlyph {
    uint8_t byte;
    char16_t unicode;
    char ascii;
};

// The line, shade and block characters of code page 850; the rest of its
// upper half are letters and signs that ISO 8859-1 has too.
constexpr LineGlyph kLineGlyphs[] = {
    {0xB0, u'\u2591', '.'}, {0xB1, u'\u2592', '#'}, {0xB2, u'\u2593', '#'}, {0xB3, u'\u2502', '|'},
    {0xB4, u'\u2524', '+'}, {0xB9, u'\u2563', '+'}, {0xBA, u'\u2551', '|'}, {0xBB, u'\u2557', '+'},
    {0xBC, u'\u255D', '+'}, {0xBF, u'\u2510', '+'}, {0xC0, u'\u2514', '+'}, {0xC1, u'\u2534', '+'},
    {0xC2, u'\u252C', '+'}, {0xC3, u'\u251C', '+'}, {0xC4, u'\u2500', '-'}, {0xC5, u'\u253C', '+'},
    {0xC8, u'\u255A', '+'}, {0xC9, u'\u2554', '+'}, {0xCA, u'\u2569', '+'}, {0xCB, u'\u2566', '+'},
    {0xCC, u'\u2560', '+'}, {0xCD, u'\u2550', '='}, {0xCE, u'\u256C', '+'}, {0xD9, u'\u2518', '+'},
    {0xDA, u'\u250C', '+'}, {0xDB, u'\u2588', '#'}, {0xDC, u'\u2584', '#'}, {0xDF, u'\u2580', '#'},
};

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

std::string ScreenText(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<uint8_t>(c);
        // Control characters would move the terminal's cursor: a blank instead.
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0)) out += ' ';
        else out += static_cast<char>(byte < 0x80 ? byte : _ISOL1_to_CP850[byte]);
    }
    return out;
}

std::string CellGlyph(uint8_t character, bool unicode) {
    if (character < 0x80) {
        if (character < 0x20 || character == 0x7F) return " ";
        return std::string(1, static_cast<char>(character));
    }
    for (const LineGlyph& g : kLineGlyphs)
        if (g.byte == character) return unicode ? Utf8(g.unicode) : std::string(1, g.ascii);
    const uint8_t latin1 = _CP850_to_ISOL1[character];
    if (!unicode || latin1 < 0xA0) return "?";
    return Utf8(latin1);
}

}  // namespace vrn::console
