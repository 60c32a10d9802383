// The code-page attribute record in force and the predicates built on it.
#include "runtime/chars/chars.h"

namespace vrn {

const CpAttrib* _pGlobCpAttrib = nullptr;
const void* _pGlobCaseMaps = nullptr;
void* _pgstpool = nullptr;
const uint8_t* _pNativeToCharCcTable = nullptr;
const uint8_t* _pCharToNativeCcTable = nullptr;

namespace {

bool IsMultiByte(const CpAttrib* record) {
    return record != nullptr && (record->capabilities & CP_MULTIBYTE) != 0;
}

}  // namespace

int32_t IS_LB(uint8_t c) {
    return IsMultiByte(_pGlobCpAttrib) ? (_pGlobCpAttrib->leadBytes[c] & 0x7) : 0;
}

int32_t IS_TRAIL(uint8_t c) {
    return IsMultiByte(_pGlobCpAttrib) ? _pGlobCpAttrib->trailBytes[c] : 0;
}

int32_t IS_ALPHA(uint8_t c) {
    return _pGlobCpAttrib != nullptr ? _pGlobCpAttrib->alpha[c] : 1;
}

int32_t cpFirstByte(const CpAttrib* record, const char* p, const char* start) {
    if (!IsMultiByte(record) || p == start) return 1;
    // A byte whose lead entry is zero always ends a character; the lead bytes
    // between it and p pair off, so p starts a character when their count is
    // even.
    int32_t leads = 0;
    for (const char* q = p; q != start;) {
        --q;
        if (record->leadBytes[static_cast<uint8_t>(*q)] == 0) break;
        ++leads;
    }
    return (leads % 2) == 0 ? 1 : 0;
}

int32_t firstByte(const char* p, const char* start) {
    return cpFirstByte(_pGlobCpAttrib, p, start);
}

}  // namespace vrn
