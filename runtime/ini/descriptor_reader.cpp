// The descriptor-level reader: byte by byte on a descriptor the caller
// opened, names compared exactly but for the case of ASCII letters.
#include "platform/crt.h"
#include "runtime/ini/ini.h"

namespace vrn {

namespace {

constexpr int END_OF_FILE = -1;

int ReadByte(int32_t descriptor) {
    unsigned char c = 0;
    return vrn::_read(descriptor, &c, 1) == 1 ? c : END_OF_FILE;
}

bool IsLeadBlank(int c) { return c == '\b' || c == '\t' || c == ' '; }

bool IsAsciiLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool SameNameChar(int fileChar, char nameChar) {
    int n = static_cast<unsigned char>(nameChar);
    if (fileChar == n) return true;
    return IsAsciiLetter(fileChar) && IsAsciiLetter(n) && (fileChar - n == 32 || n - fileChar == 32);
}

// Reads through the next line feed; false at the end of the file.
bool SkipLine(int32_t descriptor, int c) {
    while (c != '\n') {
        if (c == END_OF_FILE) return false;
        c = ReadByte(descriptor);
    }
    return true;
}

// Matches the name against the following bytes; next is then the byte after
// the name, or the byte that differed.
bool MatchName(int32_t descriptor, const char* name, int& next) {
    for (const char* p = name; *p != '\0'; ++p) {
        next = ReadByte(descriptor);
        if (!SameNameChar(next, *p)) return false;
    }
    next = ReadByte(descriptor);
    return true;
}

}  // namespace

int32_t FindSection(const char* name, int32_t descriptor) {
    for (;;) {
        int c = ReadByte(descriptor);
        while (IsLeadBlank(c)) c = ReadByte(descriptor);
        if (c == END_OF_FILE) return 0;
        if (c == '[') {
            int next = 0;
            if (MatchName(descriptor, name, next) && next == ']') {
                SkipLine(descriptor, ReadByte(descriptor));
                return 1;
            }
            c = next;
        }
        if (!SkipLine(descriptor, c)) return 0;
    }
}

int32_t FindEntry(const char* name, int32_t descriptor) {
    for (;;) {
        int c = ReadByte(descriptor);
        while (IsLeadBlank(c)) c = ReadByte(descriptor);
        if (c == END_OF_FILE || c == '[') return 0;
        if (c != ';' && SameNameChar(c, name[0])) {
            int next = 0;
            if (name[0] != '\0' && MatchName(descriptor, name + 1, next)) {
                while (IsLeadBlank(next)) next = ReadByte(descriptor);
                if (next == '=') return 1;
            }
            c = next;
        }
        if (!SkipLine(descriptor, c)) return 0;
    }
}

int32_t CopyEntryStr(char* buffer, int32_t size, int32_t descriptor) {
    int32_t copied = 0;
    int c = ReadByte(descriptor);
    while (c != END_OF_FILE && c != '\n') {
        if (copied < size - 1) buffer[copied++] = static_cast<char>(c);
        c = ReadByte(descriptor);
    }
    if (size > 0) buffer[copied] = '\0';
    return copied;
}

}  // namespace vrn
