// Portable numeric storage: integers and floating-point numbers stored most
// significant byte first whatever the host, a variable-length integer of up
// to four bytes, and the layer's small routines for time values.
//
// Each routine works on a caller-supplied buffer and does no bounds checking:
// 16-bit forms need 2 bytes, 32-bit and single precision 4, double precision
// 8, the variable-length form up to 4.
#pragma once

#include <cstdint>
#include <ctime>

namespace vrn {

// 16-bit integer: the low 16 bits of value.
void sct(uint8_t* buffer, int32_t value);
uint16_t xct(const uint8_t* buffer);
// 32-bit integer; returns the buffer.
uint8_t* slng(uint8_t* buffer, int32_t value);
uint32_t xlng(const uint8_t* buffer);
// Variable-length form: 0 bytes for 0, 1 for -127..127, 2 for -32,512..32,511,
// 3 for -8,323,072..8,323,071, else 4. Returns the length written.
int32_t slngv(uint8_t* buffer, int32_t value);
// Loads a variable-length form of the given length (0 to 4), sign-extended.
int32_t xlngv(const uint8_t* buffer, int32_t length);
// Single precision (the argument rounded to single), and double precision.
void sflt(uint8_t* buffer, double value);
double xflt(const uint8_t* buffer);
void sdbl(uint8_t* buffer, double value);
double xdbl(const uint8_t* buffer);
// The same stored forms, made by copying the value's bytes in reverse memory
// order on a host that keeps the least significant byte first (and in memory
// order on one that does not).
void rcode_sct(uint8_t* buffer, int32_t value);
uint16_t rcode_xct(const uint8_t* buffer);
uint8_t* rcode_slng(uint8_t* buffer, int32_t value);
uint32_t rcode_xlng(const uint8_t* buffer);

// The 24-character local-time text of t ("Sun Dec  6 03:11:57 2026") in a
// buffer that the next call overwrites; null when t cannot be converted.
const char* uttime(int64_t t);
// Lets the library decide daylight-saving time (tm_isdst = -1) and converts
// to a time value; -1 when it cannot.
int64_t utTmToTime(std::tm* tm);
// The local zone's offset from universal time in seconds, positive west of
// Greenwich, for the standard or daylight time now in force (exchanged when
// swap is non-zero); a zone without daylight time gives its one offset; -1
// when the local time cannot be had.
int32_t utTimeZoneOffset(int32_t swap);

}  // namespace vrn
