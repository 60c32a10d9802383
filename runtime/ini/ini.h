// The initialization-file library: sections of key=value entries in text
// files, read and written through the platform's text-mode streams.
//
// Every call opens the file, does its work and closes it again. A change is
// never made in place: the file is copied into a temporary file with the
// change applied, and the temporary file is then copied back over the file
// (atomically: the copy is renamed into place). Lines are read in pieces of
// at most 159 characters; section and key names are normalised (surrounding
// blanks dropped, inner runs of blanks made one space) and compared without
// regard to case.
//
// A second, smaller reader (FindSection, FindEntry, CopyEntryStr) works byte
// by byte on a descriptor the caller opened and compares names exactly,
// letters without regard to ASCII case.
#pragma once

#include <cstdint>

#include "platform/crt.h"

namespace vrn {

// Size of the line buffer: lines are taken at most 159 characters at a time.
// Name and value buffers of the building blocks need this many bytes too.
inline constexpr int32_t INI_LINE_SIZE = 160;
// The extension appended by wdGetIniString to a name without a '.'.
extern const char _szIniExt[];
// The default of wdGetIniString's lookups, and its "absent" answer.
inline constexpr const char INI_ABSENT_MARKER[] = "$%^@";

// --- Reading ------------------------------------------------------------

// With a key: copies the first non-empty value of that key in the first
// section of that name (at most size - 1 characters, terminated) and returns
// its length; otherwise copies the default the same way (size below 2: 0,
// nothing copied). With a null key: lists the section's entries, each as
// "key=value" with its terminator, the list ending with an extra zero byte,
// and returns the bytes stored; a missing or empty section gives two zero
// bytes and 2. A listing needs a buffer of at least 2 bytes.
int32_t wdGetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, int32_t size, const char* file);
// The value read as a plain run of decimal digits; the default when it is
// absent, empty or not such a number.
int32_t wdGetPrivateProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file);
// Reads a decimal integer (sign allowed) into *out after leading blanks and
// returns 1 when the text, from its first non-blank character on, is a run of
// digits followed by the end or a blank; else 0. Values beyond 32 bits are
// clamped.
int32_t wdSetEntryInt(const char* text, int32_t* out);
// Looks the key up in file (".ini" appended when the name has no '.'), then
// with fallback in the default initialization file: 1 found in file, 2 found
// in the default file, 0 not found (buffer holds INI_ABSENT_MARKER). With a
// null file only the default file is searched (1 or 0).
int32_t wdGetIniString(const char* file, const char* section, const char* key, char* buffer, int32_t size,
                       int32_t fallback);

// --- Writing ------------------------------------------------------------

// key and value: set the entry (replacing its first occurrence, else adding
// it at the end of its section, the section at the end of the file); null
// value: delete the entry; null key: delete the section's header and entries.
// The file must exist. 0 when rewritten and copied back; 1 when the file or
// the temporary file cannot be opened, a name is invalid or a write failed;
// otherwise the error number of the copy back.
int32_t wdWritePrivateProfileString(const char* section, const char* key, const char* value, const char* file);
// Writes the integer in decimal; as wdWritePrivateProfileString.
int32_t wdWritePrivateProfileInt(const char* section, const char* key, int32_t value, const char* file);

// --- Building blocks ----------------------------------------------------

// 1 and the stream open for reading, or 0 (empty path, cannot be opened).
int32_t wdOpenIniFile(const char* path, FILE** stream);
// 1 and the stream open for writing (truncated), or 0.
int32_t wdCreateIniFile(const char* path, FILE** stream);
// 1 and the normalised name (name needs INI_LINE_SIZE bytes), or 0 and an
// empty name.
int32_t wdIsName(const char* text, char* name);
// 1 and the section name when the line is a section header.
int32_t wdIsSection(const char* line, char* name);
// 1, key name and value when the line is an entry (both INI_LINE_SIZE bytes).
int32_t wdIsEntry(const char* line, char* name, char* value);
// Reads to just after the header of that section: 1, or 0 at the end of the
// file or for an invalid name.
int32_t wdFindSection(FILE* stream, const char* section);
// From the current position to the next header: 1 and *count when an entry
// of that key with a non-empty value was copied (wdSetEntryString rules);
// with a null key the listing of the section.
int32_t wdFindEntry(FILE* stream, const char* key, int32_t size, char* buffer, int32_t* count);
// The listing loop; 1 when at least one entry was stored.
int32_t wdFindAllEntrys(FILE* stream, int32_t limit, char* buffer, int32_t* count);
// size below 2: copies nothing, 0; a source of size characters or more:
// size - 1 characters and a terminator, size - 1; else the whole source.
int32_t wdSetEntryString(int32_t size, char* destination, const char* source);
// Null key: two zero bytes, 2; else wdSetEntryString of the default.
int32_t wdSetDefaultBuff(const char* key, int32_t size, char* buffer, const char* defaultValue);
// The section phase of a rewrite: copies up to that section's header (kept
// when key is given, dropped when the section is deleted), or creates the
// section at the end when it is missing and key is given. 1, or 0.
int32_t wdWriteSection(FILE* input, FILE* output, const char* section, const char* key);
// Writes "\n[section]\n": 0, or -1 on a write error or an invalid name.
int32_t wdCreateSection(FILE* output, const char* section);
// The entry phase of a rewrite: the key's first entry is replaced (or with a
// null value dropped), or the entry added before the next header. 1, or 0.
int32_t wdWriteEntry(FILE* input, FILE* output, const char* key, const char* value);
// The entry phase of a deleted section: its entries dropped, comments and
// blank lines kept, the next header written. 1, or 0.
int32_t wdDeleteAllEntrys(FILE* input, FILE* output);
// Writes "key=value\n" (nothing for a null value): 0, or -1.
int32_t wdCreateEntry(FILE* output, const char* key, const char* value);
// Copies the remaining lines and closes both streams: 1, or 0 after a write
// error.
int32_t wdWriteIniFile(FILE* input, FILE* output);
// Copies the temporary file over the file and deletes it, leaving the
// runtime's stored error as it was; returns the copy's error number.
int32_t wdCopyIniFile(const char* temporaryPath, const char* file);

// --- Descriptor-level reader --------------------------------------------

// Reads to the line "[name]" (after backspaces, tabs and spaces): 1 with the
// descriptor at the start of the next line, or 0 at the end of the file.
int32_t FindSection(const char* name, int32_t descriptor);
// Reads to the entry "name =" of the current section: 1 with the descriptor
// just after the '=', 0 at the next section or the end of the file.
int32_t FindEntry(const char* name, int32_t descriptor);
// Copies the bytes up to the next line feed (at most size - 1 of them),
// skips the rest of the line, terminates; returns the bytes copied.
int32_t CopyEntryStr(char* buffer, int32_t size, int32_t descriptor);

// The display toolkit's state record. This library reads only the path of
// the default initialization file; the party that sets up the display fills
// it (empty: no default file).
struct VDisplayState {
    char defaultIniFile[260];
};
extern VDisplayState _vdisplay;

// The default initialization file of wdGetIniString.
const char* wdDefaultIniFile();

}  // namespace vrn
