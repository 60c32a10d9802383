// The runtime layer's routines on NUL-terminated byte strings and counted
// buffers: copies and compares, case mapping through the tables in force
// (_GlobalUptable, _GlobalDntable), searches, the wildcard and SQL-style
// matchers, trims, multi-line labels, and conversions between byte and
// character positions.
//
// Routines that walk text step over whole characters as the code-page record
// in force describes them (IS_LB: the bytes that follow a lead byte). With no
// multi-byte record every byte is a character. Positions handed back are
// 1-based, 0 meaning not found. No routine checks a destination's size: the
// caller provides what each contract below says it needs.
#pragma once

#include <cstdint>

namespace vrn {

// --- Matchers: 1 for a match, 0 for none --------------------------------

// '*' any sequence, '.' any one character, '~' takes the next pattern
// character literally. Case-insensitive unless caseSensitive is non-zero.
int32_t ststar(const char* text, const char* pattern, int32_t caseSensitive);
// As ststar, with '.' an ordinary character.
int32_t ststaronly(const char* text, const char* pattern, int32_t caseSensitive);
// As ststar but always case-insensitive; further stars after a star are not
// skipped, and a star fails when the text runs out before the rest matched.
// With atStart non-zero a '#' as the first pattern character is passed over.
int32_t stprvstr(const char* text, const char* pattern, int32_t atStart);
// '%' any sequence, '_' any one character; the escape character followed by
// '%', '_' or itself stands for that character. -1 (reported) for any other
// character after the escape.
int32_t stsqlstr(const char* text, const char* pattern, char escape, int32_t caseSensitive);
// The text, lower-cased and without surrounding blanks, tabs, line feeds and
// carriage returns, equals word (which must be in lower case).
int32_t stmatch(const char* text, const char* word);

// --- Searches -----------------------------------------------------------

// Character position of the first / last occurrence of sub in text, 0 when
// none or sub is empty. A case-insensitive search upper-cases both strings
// in place (on working copies when case mapping can change byte lengths).
int32_t stidx(char* text, char* sub, int32_t caseSensitive);
int32_t stridx(char* text, char* sub, int32_t caseSensitive);

// First character c of s, null when none; c is found only as a whole
// character, never as a trailing byte.
const char* scan(const char* s, int c);
// As scan, looking at no more than count bytes.
const char* scann(const char* s, int c, int32_t count);
// First of n bytes that differs from c, null when all equal.
const char* chrcmp(const char* p, int c, int32_t n);
// Last byte of the last character among the n bytes that differs from c,
// p - 1 when all equal c.
const char* chrrcm(const char* p, int c, int32_t n);
// Address of the terminator.
const char* term(const char* s);

inline char* scan(char* s, int c) { return const_cast<char*>(scan(static_cast<const char*>(s), c)); }
inline char* scann(char* s, int c, int32_t count) {
    return const_cast<char*>(scann(static_cast<const char*>(s), c, count));
}
inline char* chrcmp(char* p, int c, int32_t n) {
    return const_cast<char*>(chrcmp(static_cast<const char*>(p), c, n));
}
inline char* chrrcm(char* p, int c, int32_t n) {
    return const_cast<char*>(chrrcm(static_cast<const char*>(p), c, n));
}
inline char* term(char* s) { return const_cast<char*>(term(static_cast<const char*>(s))); }

// Number of leading occurrences of c in s.
int32_t chrcnt(int c, const char* s);
// Number of characters of s that occur in set.
int32_t occurns(const char* set, const char* s);
// Character position of c in set, 0 when absent.
int32_t chidx(int c, const char* set);
// Character position in s of the first character that occurs in set, 0 if none.
int32_t chsidx(const char* set, const char* s);
// As chidx for the whole (possibly multi-byte) character at ch.
int32_t utChIdx(const char* ch, const char* set);
// Occurrences of the whole character at c in s.
int32_t utCountSep(const char* c, const char* s);

// --- Labels: '!' ends a line, '!!' stands for '!' ------------------------

// Length in characters of the longest line.
int32_t labwidth(const char* label);
// Number of lines, at least 1.
int32_t labdepth(const char* label);
// Start of line n (1-based); null when there are fewer lines or line n
// starts at the end of the text.
const char* nthlab(const char* label, int32_t n);
// Characters of one line up to the next single '!' (stopAtBreak non-zero) or
// of the whole rest (stopAtBreak 0); '!!' counts as one.
int32_t nlablen(const char* line, int32_t stopAtBreak);
// Copies one line (or with stopAtBreak 0 the whole rest), '!!' becoming '!';
// writes no terminator. The destination needs as many bytes as the line
// holds. Returns the number of characters written.
int32_t labcopy(char* destination, const char* line, int32_t stopAtBreak);

// --- Trimming -----------------------------------------------------------

// First character of text not in set, or the terminator.
const char* utLeftTrim(const char* text, const char* set, int32_t caseInsensitive);
inline char* utLeftTrim(char* text, const char* set, int32_t caseInsensitive) {
    return const_cast<char*>(utLeftTrim(static_cast<const char*>(text), set, caseInsensitive));
}
// Drops the characters in set from the end of text[0, length), writes a
// terminator after the last one kept and returns the terminator's address.
char* utRightTrim(char* text, int32_t length, const char* set, int32_t caseInsensitive);
// Removes trailing blanks in place; returns the new length.
int32_t dblank(char* text);
// Removes leading blanks in place; returns the new length.
int32_t dlblank(char* text);

// --- Copies and fills ---------------------------------------------------

int32_t stlen(const char* s);
// Copies with the terminator; returns the address of the copied terminator.
char* p_stcopy(char* d, const char* s);
// Copies without the terminator; returns the address after the last byte.
char* stmove(char* d, const char* s);
// As stmove, stopping also when d reaches end.
char* stemov(char* d, const char* s, const char* end);
// Copies at most n bytes and terminates (d needs n + 1 bytes); a character
// cut at the end is dropped. Returns the bytes copied.
int32_t stncop(char* d, const char* s, int32_t n);
// Copies at most n bytes without a terminator (d needs n bytes); the bytes of
// a character cut at the end are zeroed. Returns the address after the last
// whole character.
char* stnmov(char* d, const char* s, int32_t n);
// stncop, then blanks up to n bytes and a terminator at n (d needs n + 1).
// Returns n.
int32_t stnpad(char* d, const char* s, int32_t n);
// Copies at most n bytes and terminates (d needs n + 1 bytes); a character
// cut at the end is replaced by the byte c, or dropped when c is 0. Returns
// the bytes kept.
int32_t utdbncop(char* d, const char* s, int32_t n, char c);
void stnclr(void* p, int32_t n);
// Fills n bytes with c; returns p + n.
char* chrcop(char* p, int c, int32_t n);
// Copies n bytes; the areas may overlap.
void bufcop(void* d, const void* s, int32_t n);
// Copies n bytes in blocks of 32,767, backwards when d lies above s.
void bufcopl(void* d, const void* s, uint32_t n);
// bufcopl of n 32-bit words.
void utblkcp(uint32_t* d, const uint32_t* s, uint32_t n);
// Moves the bytes [p, end) by shift bytes (negative: towards lower addresses).
void bufmov(char* p, char* end, int32_t shift);

// --- Comparisons --------------------------------------------------------

// n bytes as unsigned: -1, 0 or 1.
int32_t bufcmp(const void* a, const void* b, int32_t n);
// Counted buffers as unsigned; on a common prefix the longer is greater.
int32_t rawbcmp(const void* a, int32_t na, const void* b, int32_t nb);
// Strings as unsigned bytes: -1, 0 or 1.
int32_t stcomp(const char* a, const char* b);
int32_t stncmp(const char* a, const char* b, int32_t n);
// Case-insensitive over at most n characters: -1, 0 or 1.
int32_t stncmpc(const char* a, const char* b, int32_t n);
// Case-insensitive equality: 0 when equal, 1 otherwise.
int32_t sticmp(const char* a, const char* b);
// Case-insensitive with a prefix result: 0 equal, 1 a sorts first (a proper
// prefix of b included), 2 a sorts after b, 3 b is a proper prefix of a.
int32_t stpcmp(const char* a, const char* b);
// Case-insensitive, trailing blanks ignored: -1, 0 or 1.
int32_t stbcmp(const char* a, const char* b);
// Decimal numbers as counted text, equal in value (sign, leading zeros and
// trailing fraction zeros taken into account): 0 equal, 1 not.
int32_t utdeccmp(const char* a, int32_t na, const char* b, int32_t nb);
// Counted strings equal but for trailing blanks: byte for byte when raw is
// set, else case-insensitively. 0 equal, 1 not.
int32_t uttrlcmp(const char* a, int32_t na, const char* b, int32_t nb, int32_t raw);

// --- Case mapping -------------------------------------------------------

// Upper-cases in place; returns the length.
int32_t caps(char* s);
// Copies upper-cased with the terminator (d needs stlen(s) + 1); returns the length.
int32_t capscop(char* d, const char* s);
// Copies at most n bytes upper-cased and terminates (d needs n + 1);
// returns the bytes copied.
int32_t capscopn(char* d, const char* s, int32_t n);
// capscop through the locale's table _ISOL1_uptablelcl.
int32_t capscoplcl(char* d, const char* s);
// Lower-cases in place; returns the length.
int32_t lc(char* s);
// Copies at most n bytes lower-cased and terminates (d needs n + 1);
// returns the bytes copied.
int32_t lccopn(char* d, const char* s, int32_t n);

// --- Substitution and fields --------------------------------------------

// Replaces every character from by to in place; returns the count.
int32_t strsub(char* s, int from, int to);
// In [start, end), replaces each occurrence of any of the null-terminated
// list of patterns by the replacement of the same index (the first pattern
// matching at a position wins), moving the rest of the text; replaced text is
// not searched again. No terminator is written; the buffer must have room for
// the growth. Returns the new end.
char* strsubs(char* start, char* end, const char* const* patterns, const char* const* replacements);
// The substitute paired with c (& @, ( {, ) }, * ^, ' `, < [, % |, > ], ? ~);
// 0 for any other character.
int delimiter(int c);
// Copies field n (1-based) of a list separated by sep into d and terminates
// it (d needs the field's length + 1); returns its length, -1 when the list
// has fewer fields.
int32_t fentry(char* d, int32_t n, const char* list, int sep);
// As fentry with any character of seps separating fields.
int32_t utFentry(char* d, int32_t n, const char* list, const char* seps);
// 1-based number of the first entry of list (entries separated by any
// character of separators) equal to word, 0 if none; case-insensitive unless
// caseSensitive is set. flkup compares the whole word, utLkup its first
// length characters.
int32_t flkup(const char* word, const char* list, int32_t caseSensitive, const char* separators);
int32_t utLkup(const char* word, int32_t length, const char* list, int32_t caseSensitive,
               const char* separators);

// --- Characters and columns ---------------------------------------------

// Characters that begin within the first bytes of s.
int32_t utCharCount(const char* s, int32_t bytes);
// Bytes that chars characters take from s + offset.
int32_t utTotalBytes(const char* s, int32_t offset, int32_t chars);
// Characters in s.
int32_t utCharLength(const char* s);
// Screen columns of s: one per character, two per multi-byte character.
int32_t utColLength(const char* s);
// Bytes from s + start whose characters fill at most columns screen columns
// (a wide character that would not fit is left out).
int32_t utColumnToBytes(const char* s, int32_t start, int32_t columns);
// Byte offset of the character with 0-based index n (stops at the terminator).
int32_t utCharToByte(const char* s, int32_t n);
// 0-based index of the character that holds byte offset n.
int32_t utByteToChar(const char* s, int32_t n);

// Column-format attribute word: width, alignment and the 'u' flag.
inline constexpr uint32_t ATTR_WIDTH_MASK = 0xFFFF;
inline constexpr uint32_t ATTR_ALIGN_SHIFT = 16;
inline constexpr uint32_t ATTR_ALIGN_MASK = 0x7u << ATTR_ALIGN_SHIFT;
inline constexpr uint32_t ATTR_ALIGN_LEFT = 1u << ATTR_ALIGN_SHIFT;
inline constexpr uint32_t ATTR_ALIGN_RIGHT = 2u << ATTR_ALIGN_SHIFT;
inline constexpr uint32_t ATTR_ALIGN_CENTER = 3u << ATTR_ALIGN_SHIFT;
inline constexpr uint32_t ATTR_ALIGN_TRUNCATE = 4u << ATTR_ALIGN_SHIFT;
inline constexpr uint32_t ATTR_UNDERLINE = 1u << 20;
// Parses a width in digits, at most one of l, r, c, t and at most one u (any
// case, letters after the digits) into *attr; 0, or -1 for a malformed text.
int32_t utConvStrAttr(uint32_t* attr, const char* s);

// --- Numbers to text ----------------------------------------------------

// Reverse a string, or its first n bytes, in place, character by character.
char* reverse(char* s);
char* reversen(char* s, int32_t n);
// Decimal text with terminator (d needs 7 bytes); returns d.
char* itoa(int16_t value, char* d);
// Decimal text with terminator (d needs 12 bytes); returns d.
char* utitoa(int32_t value, char* d);
// Decimal text into at most size bytes, no terminator; the number of
// characters written, 0 when it does not fit.
int32_t utultoa(uint32_t value, char* d, int32_t size);

// --- Odds and ends ------------------------------------------------------

void utVoidNoOp();
int32_t utIntNoOp();
void* utPointerNoOp();
// Set: utcore only calls the trace-back hook.
extern uint8_t _argnocore;
// The trace-back hook; does nothing.
void uttraceback();
// Calls uttraceback, then, unless _argnocore is set, raises the software
// exception 0xE0000003 for the crash reporter.
void utcore();
inline constexpr uint32_t UT_CORE_EXCEPTION = 0xE0000003;

}  // namespace vrn
