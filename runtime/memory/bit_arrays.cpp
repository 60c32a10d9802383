// Bit arrays over 32-bit words (bit n is bit n mod 32 of word n / 32) and
// over bytes (bit n is bit n mod 8 of byte n / 8).
#include "runtime/memory/memory.h"

namespace vrn {

void utsetbit(uint32_t* words, int32_t bit) {
    const uint32_t n = static_cast<uint32_t>(bit);
    words[n / 32] |= 1u << (n % 32);
}

void utclrbit(uint32_t* words, int32_t bit) {
    const uint32_t n = static_cast<uint32_t>(bit);
    words[n / 32] &= ~(1u << (n % 32));
}

int32_t uttstbit(const uint32_t* words, int32_t bit) {
    const uint32_t n = static_cast<uint32_t>(bit);
    return (words[n / 32] >> (n % 32)) & 1u;
}

int32_t uttstbyt(uint32_t /*unused*/, const uint8_t* bytes, int32_t bit) {
    const uint32_t n = static_cast<uint32_t>(bit);
    return (bytes[n / 8] >> (n % 8)) & 1u;
}

}  // namespace vrn
