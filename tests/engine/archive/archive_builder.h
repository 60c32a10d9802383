// Test helpers: archives assembled member by member, hand-made compressed
// streams, and a plain byte-at-a-time decoder of the stream that serves as
// the reference the engine's decoder is compared with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/archive/archive.h"
#include "tools/vrnarc/archive_writer.h"

namespace vrn::test {

// A member with the given stream; fileSize and CRC are taken from `data`
// (the bytes the member stands for) unless overridden.
struct MemberSpec {
    std::string name;
    std::string data;          // the file's bytes
    std::string stream;        // the stored bytes (data itself for method 1)
    int8_t method = ARCHIVE_METHOD_STORED;
    uint32_t accessTime = 1000000000;
    uint32_t modificationTime = 1100000000;
    bool overrideCRC = false;
    uint32_t crc = 0;
    bool overrideStoredSize = false;
    uint32_t storedSize = 0;
};

inline std::string EncodeMember(const MemberSpec& m) {
    ArchiveFileHeader h;
    SetMemberName(&h, m.name.c_str());
    h.fileSize = static_cast<uint32_t>(m.data.size());
    h.storedSize = m.overrideStoredSize ? m.storedSize : static_cast<uint32_t>(m.stream.size());
    h.dataCRC = m.overrideCRC ? m.crc
                              : arc::DataCRC(reinterpret_cast<const uint8_t*>(m.data.data()), m.data.size());
    h.accessTime = m.accessTime;
    h.modificationTime = m.modificationTime;
    h.method = m.method;
    const arc::RawHeader raw = arc::EncodeMemberHeader(h);
    return std::string(raw.begin(), raw.end()) + m.stream;
}

inline MemberSpec Stored(const std::string& name, const std::string& data) {
    MemberSpec m;
    m.name = name;
    m.data = data;
    m.stream = data;
    return m;
}

inline MemberSpec Compressed(const std::string& name, const std::string& data,
                             arc::CompressionLevel level = arc::CompressionLevel::Fast) {
    MemberSpec m;
    m.name = name;
    m.data = data;
    m.method = ARCHIVE_METHOD_COMPRESSED;
    std::vector<uint8_t> out;
    arc::CompressStream(reinterpret_cast<const uint8_t*>(data.data()), data.size(), level, out);
    m.stream.assign(out.begin(), out.end());
    return m;
}

// Hand-made streams, token by token.
struct StreamBuilder {
    std::string bytes;
    size_t flagAt = 0;
    int used = 8;
    void Begin() {
        if (used == 8) {
            flagAt = bytes.size();
            bytes.push_back('\0');
            used = 0;
        }
    }
    StreamBuilder& Literal(char c) {
        Begin();
        bytes[flagAt] = static_cast<char>(static_cast<uint8_t>(bytes[flagAt]) | (1u << used));
        ++used;
        bytes.push_back(c);
        return *this;
    }
    StreamBuilder& Reference(uint32_t position, uint32_t length) {
        Begin();
        ++used;
        bytes.push_back(static_cast<char>((length - 2) << 4 | position >> 8));
        bytes.push_back(static_cast<char>(position & 0xFF));
        return *this;
    }
};

// The stream decoded the plain way: window of 4,096 zero bytes, first byte
// written at position 1, tokens while stream bytes remain.
inline std::string ReferenceDecode(const std::string& stream) {
    std::vector<uint8_t> window(4096, 0);
    uint32_t w = 1;
    std::string out;
    size_t i = 0;
    while (i < stream.size()) {
        const uint8_t flags = static_cast<uint8_t>(stream[i++]);
        for (int bit = 0; bit < 8 && i < stream.size(); ++bit) {
            if (flags & (1 << bit)) {
                const uint8_t c = static_cast<uint8_t>(stream[i++]);
                out.push_back(static_cast<char>(c));
                window[w] = c;
                w = (w + 1) & 4095;
            } else {
                if (i + 1 >= stream.size()) return out;
                const uint8_t b1 = static_cast<uint8_t>(stream[i]);
                const uint8_t b2 = static_cast<uint8_t>(stream[i + 1]);
                i += 2;
                const uint32_t position = (b1 & 0x0F) << 8 | b2;
                const uint32_t length = (b1 >> 4) + 2;
                for (uint32_t k = 0; k < length; ++k) {
                    const uint8_t c = window[(position + k) & 4095];
                    out.push_back(static_cast<char>(c));
                    window[w] = c;
                    w = (w + 1) & 4095;
                }
            }
        }
    }
    return out;
}

// Deterministic test data.
inline std::string RandomBytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}

inline std::string TextBytes(size_t n) {
    static const char* const words[] = {"install ", "the ", "component ", "Varentis ", "server\n", "directory ",
                                        "engine ", "of ", "#define ", "size_t ", "(void);\n", "    "};
    std::string s;
    uint32_t x = 7;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % (sizeof words / sizeof words[0])];
    }
    s.resize(n);
    return s;
}

}  // namespace vrn::test
