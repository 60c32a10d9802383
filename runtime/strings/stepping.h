// Private helpers of the string routines: the size of the character at hand,
// case mapping and comparison of whole characters, working copies.
#pragma once

#include <cstdint>

#include "runtime/chars/chars.h"

namespace vrn::stepping {

inline uint8_t Byte(const char* p) { return static_cast<uint8_t>(*p); }

// Bytes of the character at p; a character cut short by the terminator ends
// at the terminator.
inline int32_t CharSize(const char* p) {
    int32_t n = 1 + IS_LB(Byte(p));
    for (int32_t i = 1; i < n; ++i)
        if (p[i] == '\0') return i;
    return n;
}

// Bytes of the character at p without looking past end (the terminator is
// not special: counted buffers may hold any byte).
inline int32_t CharSizeIn(const char* p, const char* end) {
    int32_t n = 1 + IS_LB(Byte(p));
    return (p + n > end) ? static_cast<int32_t>(end - p) : n;
}

// Whether the character at p, of n bytes, is cut by a limit of `room` bytes.
inline bool IsCut(int32_t n, int32_t room) { return n > room; }

inline uint8_t Upper(uint8_t c) { return _GlobalUptable[c]; }
inline uint8_t Lower(uint8_t c) { return _GlobalDntable[c]; }

// The character at p (n bytes), upper-cased unless caseSensitive, as a number
// built from its bytes, most significant first.
uint64_t CharValue(const char* p, int32_t n, bool caseSensitive);

// Whether the characters at a (na bytes) and b (nb bytes) are the same.
bool SameChar(const char* a, int32_t na, const char* b, int32_t nb, bool caseSensitive);

// A working copy buffer of twice the length plus one, at most 32,767 bytes,
// for upper-cased copies; null (reported) when it cannot be had. Returned
// with ReleaseWorkingCopy.
char* WorkingCopy(int32_t sourceLength);
void ReleaseWorkingCopy(char* copy);

// Whether case mapping may change a character's byte length.
inline bool CaseChangesLength() {
    return _pGlobCpAttrib != nullptr && (_pGlobCpAttrib->capabilities & CP_CASE_CHANGES_LENGTH) != 0;
}

}  // namespace vrn::stepping
