// The 16-bit, 32-bit and floating-point stored forms, most significant byte
// first.
#include <bit>
#include <cstring>

#include "runtime/numbers/numbers.h"

namespace vrn {

namespace {

template <typename T>
void StoreBigEndian(uint8_t* buffer, T value) {
    // From the last byte backwards: each takes the low 8 bits, then the
    // value moves on by 8.
    for (int i = static_cast<int>(sizeof(T)) - 1; i >= 0; --i) {
        buffer[i] = static_cast<uint8_t>(value & 0xFF);
        value = static_cast<T>(value >> 8);
    }
}

template <typename T>
T LoadBigEndian(const uint8_t* buffer) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value = static_cast<T>((value << 8) | buffer[i]);
    return value;
}

// Copies the value's bytes in reverse memory order on a host that keeps the
// least significant byte first, straight otherwise.
template <typename T>
void StoreByCopy(uint8_t* buffer, T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t i = 0; i < sizeof(T); ++i)
        buffer[i] = std::endian::native == std::endian::little ? bytes[sizeof(T) - 1 - i] : bytes[i];
}

template <typename T>
T LoadByCopy(const uint8_t* buffer) {
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = std::endian::native == std::endian::little ? buffer[sizeof(T) - 1 - i] : buffer[i];
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

}  // namespace

void sct(uint8_t* buffer, int32_t value) { StoreBigEndian(buffer, static_cast<uint16_t>(value)); }

uint16_t xct(const uint8_t* buffer) { return LoadBigEndian<uint16_t>(buffer); }

uint8_t* slng(uint8_t* buffer, int32_t value) {
    StoreBigEndian(buffer, static_cast<uint32_t>(value));
    return buffer;
}

uint32_t xlng(const uint8_t* buffer) { return LoadBigEndian<uint32_t>(buffer); }

void sflt(uint8_t* buffer, double value) {
    StoreBigEndian(buffer, std::bit_cast<uint32_t>(static_cast<float>(value)));
}

double xflt(const uint8_t* buffer) { return std::bit_cast<float>(LoadBigEndian<uint32_t>(buffer)); }

void sdbl(uint8_t* buffer, double value) { StoreBigEndian(buffer, std::bit_cast<uint64_t>(value)); }

double xdbl(const uint8_t* buffer) { return std::bit_cast<double>(LoadBigEndian<uint64_t>(buffer)); }

void rcode_sct(uint8_t* buffer, int32_t value) { StoreByCopy(buffer, static_cast<uint16_t>(value)); }

uint16_t rcode_xct(const uint8_t* buffer) { return LoadByCopy<uint16_t>(buffer); }

uint8_t* rcode_slng(uint8_t* buffer, int32_t value) {
    StoreByCopy(buffer, static_cast<uint32_t>(value));
    return buffer;
}

uint32_t rcode_xlng(const uint8_t* buffer) { return LoadByCopy<uint32_t>(buffer); }

}  // namespace vrn
