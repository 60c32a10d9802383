// Method 2: the compressed stream of one member, decoded into its output
// file with the data CRC computed on the way. Three steps: opening the
// output, then either writing what the decoding threads made of the member
// or decoding it here straight from the archive. Both decodings take the
// stream the same way (token_decoder.h), so the file, the reports and the
// questions asked are the same whichever did the work.
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/archive/archive.h"
#include "engine/archive/decode_pool.h"
#include "engine/archive/token_decoder.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

void ReportArchiveUnreadable(const char* archivePath) {
    std::string text = "Archive ";
    text += archivePath;
    text += " is missing or cannot be read.";
    if (_commandLineSwitch & SWITCH_BATCH)
        FlushData(text.c_str());
    else
        MessageBox(nullptr, text.c_str(), "ERROR", MB_OK);
}

// The member's output file (none when testing) and its joined path.
struct MemberOutput {
    int32_t fd = -1;
    char path[ARCHIVE_PATH_SIZE] = {};
    void Close() {
        if (fd >= 0) utclose(fd, UT_WRITE_THROUGH);
        fd = -1;
    }
};

int32_t OpenMemberOutput(const ArchiveFileHeader* header, const char* destinationDir, uint8_t testing,
                         MemberOutput& output) {
    if (JoinMemberPath(destinationDir, header->fileName, output.path) == 0)
        return DisplayErrorMsg(_installWnd, header->fileName, 130);
    if (testing) return 0;
    int32_t result = 0;
    output.fd = CreateMemberFile(output.path, &result);
    return output.fd < 0 ? result : 0;
}

// The buffers of one member, taken from the heap in this order: the window,
// the read/write buffer (_pReadWriteBuffer), the input buffer.
struct DecodingBuffers {
    uint8_t* window = nullptr;
    uint8_t* out = nullptr;
    uint32_t capacity = 0;
    uint8_t* input = nullptr;
    uint32_t inputLength = 0;

    void Release() {
        if (input != nullptr) utfree(input);
        if (window != nullptr) utfree(window);
        if (out != nullptr) {
            utfree(out);
            _pReadWriteBuffer = nullptr;
        }
        input = window = out = nullptr;
    }
    // The damaged-member rule, which frees them itself.
    int32_t Damaged(MemberOutput& output, const ArchiveFileHeader* header, uint32_t* crc, uint8_t* skip,
                    uint8_t testing) {
        void* buffers[] = {input, window, out};
        input = window = out = nullptr;
        const int32_t result = HandleDamagedMember(output.fd, output.path, header, crc, skip, testing, buffers, 3);
        output.fd = -1;
        return result;
    }
};

int32_t AllocateDecodingBuffers(uint32_t fileSize, DecodingBuffers& b) {
    // Zeroed only when this member is decoded here (StreamDecode): the
    // decoding threads keep windows of their own.
    b.window = static_cast<uint8_t*>(utmalloc(LZSS_WINDOW_SIZE));
    if (b.window == nullptr) return DisplayErrorMsg(_installWnd, "window", 601);
    if (const int32_t result = AllocGlobalRWBuffer(fileSize, &b.capacity); result != 0) return result;
    b.out = static_cast<uint8_t*>(_pReadWriteBuffer);
    for (b.inputLength = RW_BUFFER_MAX; b.inputLength >= RW_BUFFER_STEP; b.inputLength -= RW_BUFFER_STEP) {
        b.input = static_cast<uint8_t*>(utmalloc(b.inputLength));
        if (b.input != nullptr) return 0;
    }
    b.inputLength = 0;
    return DisplayErrorMsg(_installWnd, "tempFileArray", 601);
}

// What a flush needs besides the bytes.
struct FlushTarget {
    MemberOutput& output;
    ArchiveFileHeader* header;
    uint32_t* crc;
    uint8_t* skip;
    uint8_t testing;
    int32_t result = 0;   // FlushRWBuffer's, when it said to end the member

    bool Flush(const uint8_t* bytes, uint32_t count) {
        return FlushRWBuffer(output.fd, bytes, count, header, output.path, crc, skip, &result, testing) != 0;
    }
};

// The archive itself as the stream's source.
struct DescriptorSource {
    int32_t fd;
    uint8_t* input;
    bool ReadByte(uint8_t& byte) { return _read(fd, &byte, 1) == 1; }
    int64_t ReadChunk(uint32_t count, const uint8_t** chunk) {
        *chunk = input;
        return _read(fd, input, count);
    }
};

// Output into the read/write buffer, flushed exactly when full. A reference
// whose source lies before the buffer's start reads the window, which takes
// the buffer's bytes at their positions at every flush; so whole groups go
// unchecked once 4,096 bytes are in the buffer, and before that each
// reference is checked.
struct BufferSink {
    uint8_t* out;
    uint32_t capacity;
    uint8_t* window;
    const uint32_t* crcTable;
    FlushTarget& target;
    uint32_t fill = 0;
    uint64_t flushed = 0;   // bytes produced before the buffer's start
    uint32_t crc = CRC32_INITIAL;

    uint64_t Produced() const { return flushed + fill; }
    bool GroupFits() const { return capacity - fill >= TOKEN_GROUP_OUTPUT; }
    bool Group(const uint8_t*& ip, uint32_t& position) {
        // The room left for the group keeps the buffer from filling.
        if (fill >= LZSS_WINDOW_SIZE) {
            uint8_t* op = out + fill;
            DecodeGroup(ip, op, position);
            fill = static_cast<uint32_t>(op - out);
            return true;
        }
        uint32_t flags = *ip++;
        for (int token = 0; token < 8; ++token, flags >>= 1) {
            if (flags & 1) {
                out[fill++] = *ip++;
                ++position;
            } else {
                Reference(ip[0], ip[1], position);
                ip += 2;
            }
        }
        return true;
    }
    bool Token(uint32_t literal, uint32_t b1, uint32_t b2, uint32_t& position) {
        if (literal) {
            out[fill++] = static_cast<uint8_t>(b1);
            ++position;
            return fill < capacity || Flush();
        }
        if (capacity - fill >= LZSS_MAX_MATCH) {
            Reference(b1, b2, position);
            return fill < capacity || Flush();
        }
        // Near the buffer's end: byte by byte, flushing when it is full.
        const uint32_t distance = ReferenceDistance(position, b1, b2);
        const uint32_t length = ReferenceLength(b1);
        const uint32_t source = (b1 & 0x0F) << 8 | b2;
        position += length;
        for (uint32_t i = 0; i < length; ++i) {
            out[fill] = distance <= fill ? out[fill - distance] : window[(source + i) & LZSS_WINDOW_MASK];
            if (++fill == capacity && !Flush()) return false;
        }
        return true;
    }
    // A reference with room for its bytes.
    void Reference(uint32_t b1, uint32_t b2, uint32_t& position) {
        const uint32_t distance = ReferenceDistance(position, b1, b2);
        const uint32_t length = ReferenceLength(b1);
        position += length;
        uint8_t* op = out + fill;
        fill += length;
        if (distance <= fill - length) {
            if (distance < length)
                CopyOverlapping(op, distance, length);
            else
                std::memcpy(op, op - distance, length);
            return;
        }
        // Its first bytes lie before the buffer: from the window, the rest
        // from the bytes it has just produced.
        const uint32_t source = (b1 & 0x0F) << 8 | b2;
        const uint32_t before = static_cast<uint32_t>(op - out);
        for (uint32_t i = 0; i < length; ++i)
            op[i] = distance <= before + i ? op[i - static_cast<ptrdiff_t>(distance)]
                                           : window[(source + i) & LZSS_WINDOW_MASK];
    }
    bool Finish() { return fill == 0 || Flush(); }

    bool Flush() {
        crc = CalculateBlockCRC32(out, fill, crc, crcTable);
        // Only the last 4,096 bytes can still be referred to.
        const uint32_t keep = fill < LZSS_WINDOW_SIZE ? fill : LZSS_WINDOW_SIZE;
        const uint32_t first = fill - keep;
        const auto at = static_cast<uint32_t>((LZSS_WINDOW_START + flushed + first) & LZSS_WINDOW_MASK);
        const uint32_t head = LZSS_WINDOW_SIZE - at < keep ? LZSS_WINDOW_SIZE - at : keep;
        std::memcpy(window + at, out + first, head);
        std::memcpy(window, out + first + head, keep - head);
        flushed += fill;
        const uint32_t count = fill;
        fill = 0;
        return target.Flush(out, count);
    }
};

// Decoding here, straight from the archive.
int32_t StreamDecode(int32_t fd, const char* archivePath, ArchiveFileHeader* header, DecodingBuffers& buffers,
                     FlushTarget& target, uint32_t* crc, const uint32_t* crcTable) {
    DescriptorSource source{fd, buffers.input};
    // Window positions never written read as zero.
    std::memset(buffers.window, 0, LZSS_WINDOW_SIZE);
    BufferSink sink{buffers.out, buffers.capacity, buffers.window, crcTable, target};
    uint64_t used = 0;
    switch (DecodeStream(source, sink, header->storedSize, header->fileSize, buffers.inputLength, &used)) {
    case StreamEnd::Complete:
        *crc = ~sink.crc;
        return 0;
    case StreamEnd::Damaged:
        return buffers.Damaged(target.output, header, crc, target.skip, target.testing);
    case StreamEnd::Unreadable:
        ReportArchiveUnreadable(archivePath);
        return RESULT_STOP;
    case StreamEnd::Stopped:
        break;
    }
    return target.result;
}

// Writing what the decoding threads made of the member, in the pieces the
// read/write buffer would have held, each flushed as DecompressData's own
// decoding flushes it; the member ends the way that decoding would have
// ended it, and the archive is left where it would have left it.
int32_t WriteDecodedMember(DecodedMember* member, int32_t fd, int64_t dataOffset, const char* archivePath,
                           ArchiveFileHeader* header, DecodingBuffers& buffers, FlushTarget& target,
                           uint32_t* crc, const uint32_t* crcTable) {
    const uint32_t capacity = buffers.capacity;
    uint32_t fill = 0;   // a piece gathered in the buffer across two runs
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    const bool ownCrc = !DecodedMemberHasCrc(member);
    uint32_t runningCrc = CRC32_INITIAL;   // of the bytes handed out, when the thread takes none
    while (NextDecodedBytes(member, &data, &length)) {
        if (ownCrc) runningCrc = CalculateBlockCRC32(data, length, runningCrc, crcTable);
        while (length > 0) {
            if (fill == 0 && length >= capacity) {
                if (!target.Flush(data, capacity)) return target.result;
                data += capacity;
                length -= capacity;
                continue;
            }
            const uint32_t take = capacity - fill < length ? capacity - fill : length;
            std::memcpy(buffers.out + fill, data, take);
            fill += take;
            data += take;
            length -= take;
            if (fill == capacity) {
                if (!target.Flush(buffers.out, capacity)) return target.result;
                fill = 0;
            }
        }
    }
    uint32_t decodedCrc = 0;
    uint64_t produced = 0;
    uint64_t used = 0;
    const StreamEnd end = DecodedMemberEnd(member, &decodedCrc, &produced, &used);
    if (target.testing) {
        // Nothing was handed over: the flushes of the full buffers, and of
        // the last part at a complete end.
        uint64_t flushes = produced / capacity;
        if (end == StreamEnd::Complete && produced % capacity != 0) ++flushes;
        for (; flushes > 0; --flushes)
            if (!target.Flush(buffers.out, capacity)) return target.result;
    } else if (end == StreamEnd::Complete && fill > 0 && !target.Flush(buffers.out, fill)) {
        return target.result;
    }
    switch (end) {
    case StreamEnd::Complete:
        if (_lseek(fd, dataOffset + static_cast<int64_t>(used), SEEK_SET) < 0)
            return ProcessFileError(nullptr, errno, 107, archivePath);
        *crc = ownCrc ? ~runningCrc : decodedCrc;
        return 0;
    case StreamEnd::Damaged:
        return buffers.Damaged(target.output, header, crc, target.skip, target.testing);
    case StreamEnd::Unreadable:
    case StreamEnd::Stopped:
        break;
    }
    ReportArchiveUnreadable(archivePath);
    return RESULT_STOP;
}

}  // namespace

int32_t DecompressData(int32_t fd, const char* archivePath, ArchiveFileHeader* header, const char* destinationDir,
                       uint32_t* crc, const uint32_t* crcTable, uint8_t* skip, uint8_t testing) {
    SetMarkerFileFlags(header->fileName);
    MemberOutput output;
    if (const int32_t result = OpenMemberOutput(header, destinationDir, testing, output); result != 0) return result;
    struct CloseAtEnd {
        MemberOutput& output;
        ~CloseAtEnd() { output.Close(); }
    } closeAtEnd{output};
    // An empty member reads no stream byte.
    if (header->fileSize == 0) {
        *crc = ~CRC32_INITIAL;
        return 0;
    }

    DecodingBuffers buffers;
    struct ReleaseAtEnd {
        DecodingBuffers& buffers;
        ~ReleaseAtEnd() { buffers.Release(); }
    } releaseAtEnd{buffers};
    if (const int32_t result = AllocateDecodingBuffers(header->fileSize, buffers); result != 0) return result;
    FlushTarget target{output, header, crc, skip, testing};

    // The threads read the stream in chunks of a whole input buffer; a
    // shorter buffer would end an odd stream elsewhere, so then the member
    // is decoded here.
    const int64_t dataOffset = _lseek(fd, 0, SEEK_CUR);
    DecodedMember* member = dataOffset >= 0 ? TakeDecodedMember(dataOffset, header) : nullptr;
    if (member != nullptr && buffers.inputLength != RW_BUFFER_MAX) {
        ReleaseDecodedMember(member);
        member = nullptr;
    }
    if (member != nullptr) {
        struct ReleaseMember {
            DecodedMember* member;
            ~ReleaseMember() { ReleaseDecodedMember(member); }
        } releaseMember{member};
        return WriteDecodedMember(member, fd, dataOffset, archivePath, header, buffers, target, crc, crcTable);
    }
    return StreamDecode(fd, archivePath, header, buffers, target, crc, crcTable);
}

}  // namespace vrn
