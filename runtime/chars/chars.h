// Character tables of the runtime layer: the ISO 8859-1 case maps and the
// pointers to the maps in force, the code-page attribute record and the
// predicates that tell how many bytes a character takes, collation weights
// with their per-language adjustments, the conversion between ISO 8859-1 and
// IBM code page 850, and the names of the collations and code pages.
//
// No attribute record is installed by the engine, so text is single-byte
// ISO 8859-1 unless a caller installs a record whose flags mark a multi-byte
// code page.
#pragma once

#include <array>
#include <cstdint>

namespace vrn {

// Case maps, indexed by byte value. Upper: a-z and 0xE0-0xFE (not 0xF7) to
// their capitals, 0xFF to 'Y'; 0xDF and 0xB5 stay. Lower: A-Z and 0xC0-0xDE
// (not 0xD7) to their small letters.
extern const std::array<uint8_t, 256> _ISOL1_uptable;
extern const std::array<uint8_t, 256> _ISOL1_dntable;
// The locale's copies (same contents).
extern const std::array<uint8_t, 256> _ISOL1_uptablelcl;
extern const std::array<uint8_t, 256> _ISOL1_dntablelcl;
// The maps in force; initially the ISO 8859-1 maps.
extern const uint8_t* _GlobalUptable;
extern const uint8_t* _GlobalDntable;

// Capability flags of a code page.
inline constexpr uint16_t CP_I18N_CAPABLE = 0x1;         // reported by utI18NCap
inline constexpr uint16_t CP_MULTIBYTE = 0x2;            // characters of more than one byte
inline constexpr uint16_t CP_CASE_CHANGES_LENGTH = 0x8;  // case mapping may change a length

// The code-page attribute record.
struct CpAttrib {
    uint8_t reserved[4];        // not used by the character routines
    uint16_t capabilities;      // CP_* flags
    uint8_t alpha[256];         // non-zero: the byte is a letter
    uint8_t leadBytes[256];     // low three bits: bytes that follow this lead byte
    uint8_t trailBytes[256];    // non-zero: the byte can trail a character
};

// The record in force (null: none, single-byte text).
extern const CpAttrib* _pGlobCpAttrib;
// Installed by a code page together with its record; null otherwise. The
// case maps for multi-byte characters have no layout known to this layer:
// while they are null, the case routines leave multi-byte characters as they
// are.
extern const void* _pGlobCaseMaps;
extern void* _pgstpool;
extern const uint8_t* _pNativeToCharCcTable;
extern const uint8_t* _pCharToNativeCcTable;

// Bytes that follow a single-byte character: always 0.
inline constexpr int32_t IS_SB() { return 0; }
// Bytes that follow c as a lead byte (0 without a multi-byte record).
int32_t IS_LB(uint8_t c);
// Whether c can trail a character (0 without a multi-byte record).
int32_t IS_TRAIL(uint8_t c);
// Whether c is a letter (1 without a record).
int32_t IS_ALPHA(uint8_t c);
// 1 when the byte at p begins a character of the text that begins at start,
// 0 when it trails one.
int32_t firstByte(const char* p, const char* start);
// The same under an explicitly given record (null: single-byte).
int32_t cpFirstByte(const CpAttrib* record, const char* p, const char* start);
// Bit 0x1 of a capability word.
inline constexpr int32_t utI18NCap(uint16_t flags) { return flags & CP_I18N_CAPABLE; }

// Collation weights by ISO 8859-1 byte: case-insensitive and case-sensitive.
extern const std::array<uint8_t, 256> _ISOL1_cisWeights;
extern const std::array<uint8_t, 256> _ISOL1_csWeights;

// Language adjustments: pairs (character, weight character), ending with a
// zero word.
extern const uint16_t _ISOL1_basic[];
extern const uint16_t _ISOL1_csbasic[];
extern const uint16_t _ISOL1_danish[];
extern const uint16_t _ISOL1_csdanish[];
extern const uint16_t _ISOL1_swedish[];
extern const uint16_t _ISOL1_csswedish[];
// The case-insensitive lists (basic, Danish, Swedish) and the case-sensitive
// ones, each ending with a null pointer.
extern const uint16_t* const _ISOL1_plang[];
extern const uint16_t* const _ISOL1_pcslang[];

// A name and its number; lists of them end with a null name.
struct TableName {
    const char* name;
    int32_t number;
};
extern const TableName _CollTableNames[];
extern const TableName _XlateTableNames[];

// Conversion between code page 850 and ISO 8859-1: mutual inverses, one to
// one over all 256 byte values.
extern const std::array<uint8_t, 256> _CP850_to_ISOL1;
extern const std::array<uint8_t, 256> _ISOL1_to_CP850;

}  // namespace vrn
