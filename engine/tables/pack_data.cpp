// The scrambling of the table files: every stored byte is the plain byte
// exclusive-or'ed with TABLE_MASK; integers are little-endian, of 1 to 4
// bytes (a larger count is taken as 4).
#include "engine/tables/tables.h"

namespace vrn {

int32_t PackData(int32_t count, uint32_t value, uint8_t* bytes) {
    for (int32_t i = 0; i < count && i < 4; ++i)
        bytes[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF) ^ TABLE_MASK;
    return 0;
}

uint32_t UnpackData(int32_t count, const uint8_t* bytes) {
    uint32_t value = 0;
    for (int32_t i = 0; i < count && i < 4; ++i) value |= static_cast<uint32_t>(bytes[i] ^ TABLE_MASK) << (8 * i);
    return value;
}

}  // namespace vrn
