// Method 2: decoding the compressed stream straight from the archive into
// the output file.
//
// The stream is a series of groups: a flag byte, then eight tokens taken from
// its lowest bit upward; a set bit is a literal byte, a clear bit a two-byte
// reference b1 b2 to window position (b1 & 0x0F) * 256 + b2 with length
// (b1 >> 4) + 2. The window is 4,096 bytes addressed modulo 4,096, and the
// first byte produced lands at position 1.
//
// Bytes are produced into the output buffer. A reference names a window
// position; seen from the byte about to be written it lies d bytes back,
// d = ((write position - position - 1) mod 4096) + 1, from 1 to 4,096. While
// the source is still in the output buffer it is copied from there; bytes
// from before the buffer's start come from the window, which holds the latest
// byte written at each position and is brought up to date whenever the buffer
// is flushed. Window positions never written read as zero.
//
// Whole groups are decoded without per-byte checks while the chunk holds a
// full group and the output buffer has room for one; near either end each
// token is taken one at a time, with bytes past the chunk read directly from
// the archive and a flush exactly when the buffer is full.
#include <cstddef>
#include <cstring>
#include <string>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr uint32_t kWindowMask = LZSS_WINDOW_SIZE - 1;
// A group at most: a flag byte and eight two-byte references.
constexpr uint32_t kGroupInput = 1 + 8 * 2;
// Output room for a group decoded without checks: eight longest references,
// plus the slack of a wide copy.
constexpr uint32_t kGroupOutput = 8 * LZSS_MAX_MATCH + 16;

void ReportArchiveUnreadable(const char* archivePath) {
    std::string text = "Archive ";
    text += archivePath;
    text += " is missing or cannot be read.";
    if (_commandLineSwitch & SWITCH_BATCH)
        FlushData(text.c_str());
    else
        MessageBox(nullptr, text.c_str(), "ERROR", MB_OK);
}

struct Decoder {
    // Output.
    uint8_t* out = nullptr;
    uint32_t capacity = 0;
    uint32_t fill = 0;
    uint64_t flushedBytes = 0;   // bytes produced before the buffer's start
    uint8_t* window = nullptr;
    uint32_t writePosition = LZSS_WINDOW_START;
    uint32_t crc = CRC32_INITIAL;
    // Flag state.
    uint32_t flags = 0;
    uint32_t mask = 1;

    // The window takes the buffer's bytes at their positions; only the last
    // 4,096 can matter.
    void UpdateWindow() {
        const uint32_t keep = fill < LZSS_WINDOW_SIZE ? fill : LZSS_WINDOW_SIZE;
        const uint32_t first = fill - keep;
        uint32_t position = static_cast<uint32_t>((LZSS_WINDOW_START + flushedBytes + first) & kWindowMask);
        const uint32_t head = LZSS_WINDOW_SIZE - position < keep ? LZSS_WINDOW_SIZE - position : keep;
        std::memcpy(window + position, out + first, head);
        std::memcpy(window, out + first + head, keep - head);
    }

    // A reference whose source may lie before the buffer's start, or whose
    // bytes may not all fit before the buffer is full: byte by byte. Returns
    // false when a flush said to end the member.
    template <typename Flush>
    bool CopyCarefully(uint32_t position, uint32_t length, uint32_t distance, Flush& flush) {
        for (uint32_t i = 0; i < length; ++i) {
            const uint8_t value = distance <= fill ? out[fill - distance] : window[(position + i) & kWindowMask];
            out[fill++] = value;
            if (fill == capacity && !flush()) return false;
        }
        writePosition = (writePosition + length) & kWindowMask;
        return true;
    }

    // A reference with the source in the buffer and room for it: no checks.
    inline void CopyFast(uint32_t length, uint32_t distance) {
        uint8_t* dst = out + fill;
        const uint8_t* src = dst - distance;
        if (distance >= length) {
            // No overlap: a wide copy, whose surplus lands past the fill and
            // is overwritten later.
            uint8_t wide[16];
            std::memcpy(wide, src, 16);
            std::memcpy(dst, wide, 16);
            if (length > 16) dst[16] = src[16];
        } else if (distance == 1) {
            std::memset(dst, *src, length);
        } else {
            for (uint32_t i = 0; i < length; ++i) dst[i] = src[i];
        }
        fill += length;
        writePosition = (writePosition + length) & kWindowMask;
    }
};

}  // namespace

int32_t DecompressData(int32_t fd, const char* archivePath, ArchiveFileHeader* header, const char* destinationDir,
                       uint32_t* crc, const uint32_t* crcTable, uint8_t* skip, uint8_t testing) {
    Decoder d;
    SetMarkerFileFlags(header->fileName);
    char path[ARCHIVE_PATH_SIZE];
    if (JoinMemberPath(destinationDir, header->fileName, path) == 0)
        return DisplayErrorMsg(_installWnd, header->fileName, 130);

    int32_t output = -1;
    if (!testing) {
        int32_t result = 0;
        output = CreateMemberFile(path, &result);
        if (output < 0) return result;
    }
    auto closeOutput = [&] {
        if (output >= 0) utclose(output, UT_WRITE_THROUGH);
        output = -1;
    };
    if (header->fileSize == 0) {
        closeOutput();
        *crc = ~d.crc;
        return 0;
    }

    // Decoded ahead: the bytes go out in the steps of a full read/write
    // buffer, each a flush as below; no decoding buffers are needed.
    uint32_t decodedCrc = 0;
    const int64_t dataOffset = _lseek(fd, 0, SEEK_CUR);
    const uint8_t* decoded = dataOffset >= 0 ? TakeDecodedMember(dataOffset, header, &decodedCrc) : nullptr;
    if (decoded != nullptr && _lseek(fd, header->storedSize, SEEK_CUR) >= 0) {
        int32_t result = 0;
        for (uint32_t done = 0; done < header->fileSize;) {
            const uint32_t count = header->fileSize - done < RW_BUFFER_MAX ? header->fileSize - done : RW_BUFFER_MAX;
            if (FlushRWBuffer(output, decoded + done, count, header, path, crc, skip, &result, testing) == 0) {
                closeOutput();
                return result;
            }
            done += count;
        }
        closeOutput();
        *crc = decodedCrc;
        return 0;
    }

    d.window = static_cast<uint8_t*>(utcalloc(1, LZSS_WINDOW_SIZE));
    if (d.window == nullptr) {
        closeOutput();
        return DisplayErrorMsg(_installWnd, "window", 601);
    }
    if (const int32_t result = AllocGlobalRWBuffer(header->fileSize, &d.capacity); result != 0) {
        closeOutput();
        utfree(d.window);
        return result;
    }
    d.out = static_cast<uint8_t*>(_pReadWriteBuffer);
    uint8_t* input = nullptr;
    uint32_t inputLength = RW_BUFFER_MAX;
    for (; inputLength >= RW_BUFFER_STEP; inputLength -= RW_BUFFER_STEP) {
        input = static_cast<uint8_t*>(utmalloc(inputLength));
        if (input != nullptr) break;
    }
    auto releaseBuffers = [&] {
        if (input != nullptr) utfree(input);
        if (d.window != nullptr) utfree(d.window);
        if (_pReadWriteBuffer != nullptr) utfree(_pReadWriteBuffer);
        input = nullptr;
        d.window = nullptr;
        _pReadWriteBuffer = nullptr;
    };
    if (input == nullptr) {
        releaseBuffers();
        closeOutput();
        return DisplayErrorMsg(_installWnd, "tempFileArray", 601);
    }
    auto damaged = [&] {
        void* buffers[] = {input, d.window, _pReadWriteBuffer};
        input = nullptr;
        d.window = nullptr;
        _pReadWriteBuffer = nullptr;
        return HandleDamagedMember(output, path, header, crc, skip, testing, buffers, 3);
    };

    // A flush: CRC, window, write. False when the member ends here (quit, or
    // a write failure answered by stop or skip); `flushResult` then holds
    // the result.
    int32_t flushResult = 0;
    auto flush = [&]() -> bool {
        d.crc = CalculateBlockCRC32(d.out, d.fill, d.crc, crcTable);
        d.UpdateWindow();
        d.flushedBytes += d.fill;
        const uint32_t count = d.fill;
        d.fill = 0;
        return FlushRWBuffer(output, d.out, count, header, path, crc, skip, &flushResult, testing) != 0;
    };
    auto endMember = [&](int32_t result) {
        releaseBuffers();
        closeOutput();
        return result;
    };

    uint8_t first = 0;
    if (_read(fd, &first, 1) != 1) return damaged();
    d.flags = first;
    d.mask = 1;

    const uint64_t fileSize = header->fileSize;
    int64_t consumed = 0;   // stream bytes after the first flag byte
    while (d.flushedBytes + d.fill < fileSize) {
        int64_t want = static_cast<int64_t>(header->storedSize) - 1 - consumed;
        if (want > inputLength) want = inputLength;
        const int got = want > 0 ? _read(fd, input, static_cast<unsigned>(want)) : 0;
        if (got <= 0) {
            ReportArchiveUnreadable(archivePath);
            return endMember(RESULT_STOP);
        }
        const uint8_t* ip = input;
        const uint8_t* const end = input + got;
        int64_t direct = 0;
        bool readFailed = false;
        // The next token byte: from the chunk, else straight from the archive.
        auto next = [&]() -> uint8_t {
            if (ip < end) return *ip++;
            uint8_t byte = 0;
            if (_read(fd, &byte, 1) != 1) {
                readFailed = true;
                return 0;
            }
            ++direct;
            return byte;
        };

        while (ip < end) {
            if (d.mask == 256) {
                // A whole group at once when it cannot run past the chunk or
                // the buffer.
                if (end - ip >= static_cast<ptrdiff_t>(kGroupInput) && d.capacity - d.fill >= kGroupOutput) {
                    const uint32_t groupFlags = *ip++;
                    for (uint32_t bit = 1; bit < 256; bit <<= 1) {
                        if (groupFlags & bit) {
                            d.out[d.fill++] = *ip++;
                            d.writePosition = (d.writePosition + 1) & kWindowMask;
                        } else {
                            const uint32_t b1 = ip[0];
                            const uint32_t b2 = ip[1];
                            ip += 2;
                            const uint32_t position = (b1 & 0x0F) << 8 | b2;
                            const uint32_t length = (b1 >> 4) + LZSS_MIN_MATCH;
                            const uint32_t distance = ((d.writePosition - position - 1) & kWindowMask) + 1;
                            if (distance <= d.fill)
                                d.CopyFast(length, distance);
                            else
                                d.CopyCarefully(position, length, distance, flush);   // room: never flushes
                        }
                    }
                    continue;
                }
                d.flags = *ip++;
                d.mask = 1;
            }
            const bool literal = (d.flags & d.mask) != 0;
            d.mask <<= 1;
            if (literal) {
                const uint8_t value = next();
                if (readFailed) return damaged();
                d.out[d.fill++] = value;
                d.writePosition = (d.writePosition + 1) & kWindowMask;
                if (d.fill == d.capacity && !flush()) return endMember(flushResult);
            } else {
                const uint32_t b1 = next();
                if (readFailed) return damaged();
                const uint32_t b2 = next();
                if (readFailed) return damaged();
                const uint32_t position = (b1 & 0x0F) << 8 | b2;
                const uint32_t length = (b1 >> 4) + LZSS_MIN_MATCH;
                const uint32_t distance = ((d.writePosition - position - 1) & kWindowMask) + 1;
                if (!d.CopyCarefully(position, length, distance, flush)) return endMember(flushResult);
            }
        }
        consumed += got + direct;
    }
    if (d.fill > 0 && !flush()) return endMember(flushResult);
    endMember(0);
    *crc = ~d.crc;
    return 0;
}

}  // namespace vrn
