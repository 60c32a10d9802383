// Internal to the table readers: bounded reading of stored fields and of
// whole stored areas from a descriptor. Nothing here reads beyond the width
// of a field or beyond the bytes a read actually delivered.
#pragma once

#include <cstdint>
#include <string>

#include "engine/tables/tables.h"

namespace vrn::tables_detail {

// A text field: `width` stored bytes, each unscrambled on its own. False when
// no NUL lies inside the width (the field is then left NUL-terminated anyway).
template <size_t N>
bool TextField(const uint8_t* stored, char (&field)[N]) {
    bool terminated = false;
    for (size_t i = 0; i < N; ++i) {
        field[i] = static_cast<char>(UnpackData(1, stored + i));
        if (field[i] == 0) terminated = true;
    }
    if (!terminated) field[N - 1] = 0;
    return terminated;
}

inline uint32_t IntField(const uint8_t* stored) { return UnpackData(4, stored); }
inline uint16_t Int16Field(const uint8_t* stored) { return static_cast<uint16_t>(UnpackData(4, stored)); }
// Only the low 16 bits survive: a stored 65535 becomes -1.
inline int16_t SignedInt16Field(const uint8_t* stored) {
    return static_cast<int16_t>(static_cast<uint16_t>(UnpackData(4, stored)));
}
inline uint8_t ByteField(const uint8_t* stored) { return static_cast<uint8_t>(UnpackData(1, stored)); }

template <size_t N>
void IntFields(const uint8_t* stored, uint32_t (&values)[N]) {
    for (size_t i = 0; i < N; ++i) values[i] = IntField(stored + 4 * i);
}

// Outcome of reading a stored area of a known length.
enum class ReadOutcome { Complete, Failed, EndOfFile, Short };

// One read call of `length` bytes; Failed leaves errno set by the read.
ReadOutcome ReadArea(int32_t fd, void* buffer, uint32_t length);

// True when `count` records of `storedSize` bytes fit both in 32 bits and in
// what remains of the file after the descriptor's position.
bool RecordsFit(int32_t fd, uint32_t count, uint32_t storedSize);

// The directory and a table file's name joined by FormatFileName, in a
// buffer as long as the joined path needs.
std::string TablePath(const char* directory, const char* fileName);

}  // namespace vrn::tables_detail
