// Decoding ahead: a second thread walks the archive through its own reader,
// a few members ahead of the extraction, and decodes the small compressed
// members into memory while the extraction creates and writes the files of
// the earlier ones. It touches no shared state but its own queue: it reads
// with pread, decodes into its own blocks and reports nothing. Whatever it
// could not do cleanly it leaves to DecompressData.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/archive/archive.h"
#include "platform/crt.h"

namespace vrn {

uint8_t _decodeAhead = 1;

namespace {

constexpr uint32_t kWindowMask = LZSS_WINDOW_SIZE - 1;
// A group at most: a flag byte and eight two-byte references; its output at
// most eight longest references; each with the slack of a wide copy.
constexpr uint32_t kGroupInput = 1 + 8 * 2 + 17;
constexpr uint32_t kGroupOutput = 8 * LZSS_MAX_MATCH + 17;

// How far back from output byte n a reference to window position `position`
// reaches: 1 to 4,096 (byte k of the member lies at position k + 1).
inline uint32_t Distance(uint32_t n, uint32_t position) {
    return ((n + LZSS_WINDOW_START - position - 1) & kWindowMask) + 1;
}

// A reference reaching before the member's first byte: those window
// positions were never written and read as zero.
inline void CopyFromStart(uint8_t* out, uint32_t n, uint32_t length, uint32_t distance) {
    uint32_t i = 0;
    for (; i < length && n + i < distance; ++i) out[n + i] = 0;
    for (; i < length; ++i) out[n + i] = out[n + i - distance];
}

// One group of tokens, with room and input known to suffice (input slack of
// a wide copy included). Literals and references take the same path, a
// 17-byte copy from either the input or the output behind, so that the
// flag bits steer data rather than branches; the bytes copied past a
// token's length land beyond it and are overwritten by the next.
inline void DecodeGroup(const uint8_t*& ip, uint8_t* out, uint32_t& n) {
    uint32_t flags = *ip++;
    for (int token = 0; token < 8; ++token, flags >>= 1) {
        const bool literal = (flags & 1) != 0;
        const uint32_t b1 = ip[0];
        const uint32_t b2 = ip[1];
        const uint32_t distance = Distance(n, (b1 & 0x0F) << 8 | b2);
        const uint32_t length = literal ? 1 : (b1 >> 4) + LZSS_MIN_MATCH;
        uint8_t* dst = out + n;
        if (!literal && (distance < 16 || distance > n)) {
            if (distance > n)
                CopyFromStart(out, n, length, distance);
            else if (distance == 1)
                std::memset(dst, dst[-1], length);
            else
                for (uint32_t i = 0; i < length; ++i) dst[i] = (dst - distance)[i];
        } else {
            const uint8_t* src = literal ? ip : dst - distance;
            uint8_t wide[16];
            std::memcpy(wide, src, 16);
            std::memcpy(dst, wide, 16);
            dst[16] = src[16];   // with distance 16, a byte just copied
        }
        ip += literal ? 1 : 2;
        n += length;
    }
}


struct DecodedMember {
    int64_t dataOffset = 0;
    ArchiveFileHeader header;
    std::unique_ptr<uint8_t[]> bytes;   // header.fileSize bytes
    uint32_t crc = 0;
};

class DecodeAhead {
public:
    DecodeAhead(int32_t fd, const char* pattern, const uint32_t* crcTable) : reader_(fd), pattern_(pattern) {
        std::memcpy(crcTable_.data(), crcTable, sizeof crcTable_);
        if (!reader_.valid()) return;
        try {
            worker_ = std::thread([this] { Walk(); });
        } catch (const std::system_error&) {
            // No second thread: the extraction decodes everything itself.
        }
    }

    ~DecodeAhead() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        room_.notify_all();
        decoded_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    const uint8_t* Take(int64_t dataOffset, const ArchiveFileHeader* header, uint32_t* crc) {
        std::unique_lock lock(mutex_);
        Release(taken_);
        for (;;) {
            // Members the extraction passed by are of no more use.
            while (!ready_.empty() && ready_.front().dataOffset < dataOffset) {
                Release(ready_.front());
                ready_.pop_front();
            }
            WakeWorkerIfRoom();
            if (!ready_.empty() && ready_.front().dataOffset == dataOffset) {
                taken_ = std::move(ready_.front());
                ready_.pop_front();
                break;
            }
            // Walked past it without decoding it, or stopped short of it.
            if (walked_ > dataOffset || finished_ || !worker_.joinable()) return nullptr;
            WaitForWalk(lock, dataOffset);
        }
        const ArchiveFileHeader& h = taken_.header;
        if (h.storedSize != header->storedSize || h.fileSize != header->fileSize || h.method != header->method ||
            std::strcmp(h.fileName, header->fileName) != 0)
            return nullptr;
        *crc = taken_.crc;
        return taken_.bytes.get();
    }

private:
    void Release(DecodedMember& member) {
        if (member.bytes) buffered_ -= member.header.fileSize;
        member.bytes.reset();
    }

    // The worker is usually about to finish the member asked for: it is
    // watched for a short while before sleeping, since being woken from a
    // sleep can take far longer than the decoding.
    void WaitForWalk(std::unique_lock<std::mutex>& lock, int64_t dataOffset) {
        lock.unlock();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
        while (walked_.load(std::memory_order_acquire) <= dataOffset && !finished_.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        lock.lock();
        if (walked_ > dataOffset || finished_) return;
        extractionWaiting_ = true;
        decoded_.wait(lock);
        extractionWaiting_ = false;
    }

    // The worker, once it has had to wait, goes on only when there is room
    // for the largest member again, so that it is woken seldom.
    bool RoomAfterWait() const {
        return stopping_ || ready_.empty() || buffered_ <= DECODE_AHEAD_BUDGET - DECODE_AHEAD_MEMBER_MAX;
    }

    void WakeWorkerIfRoom() {
        if (workerWaiting_ && RoomAfterWait()) room_.notify_one();
    }

    bool Eligible(const ArchiveFileHeader& h) const {
        return h.method == ARCHIVE_METHOD_COMPRESSED && h.fileSize > 0 && h.fileSize <= DECODE_AHEAD_MEMBER_MAX &&
               h.storedSize <= DECODE_AHEAD_MEMBER_MAX && MatchFileName(pattern_.c_str(), h.fileName) != 0;
    }

    // Waits for room for `size` more bytes; false when told to stop. A
    // member always fits when nothing else is held.
    bool WaitForRoom(size_t size) {
        std::unique_lock lock(mutex_);
        if (!ready_.empty() && buffered_ + size > DECODE_AHEAD_BUDGET) {
            workerWaiting_ = true;
            room_.wait(lock, [&] { return RoomAfterWait(); });
            workerWaiting_ = false;
        }
        if (stopping_) return false;
        buffered_ += size;
        return true;
    }

    // Decodes one member into `member`; false when it cannot be kept.
    bool Decode(DecodedMember& member, std::vector<uint8_t>& stream) {
        const ArchiveFileHeader& h = member.header;
        stream.resize(h.storedSize);
        if (reader_.ReadAt(static_cast<uint64_t>(member.dataOffset), stream.data(), h.storedSize) != h.storedSize)
            return false;
        member.bytes = std::make_unique_for_overwrite<uint8_t[]>(h.fileSize);
        if (DecodeStreamInMemory(stream.data(), h.storedSize, member.bytes.get(), h.fileSize) == 0) return false;
        member.crc = ~CalculateBlockCRC32(member.bytes.get(), h.fileSize, CRC32_INITIAL, crcTable_.data());
        return true;
    }

    void Walk() {
        std::vector<uint8_t> stream;
        int64_t offset = 0;
        try {
            for (;;) {
                std::array<uint8_t, ARCHIVE_HEADER_SIZE> raw{};
                DecodedMember member;
                if (reader_.ReadAt(static_cast<uint64_t>(offset), raw.data(), ARCHIVE_HEADER_SIZE) !=
                        ARCHIVE_HEADER_SIZE ||
                    UnmaskFileHeader(raw.data(), &member.header, crcTable_.data()) == 0)
                    break;
                member.dataOffset = offset + ARCHIVE_HEADER_SIZE;
                const int64_t next = member.dataOffset + member.header.storedSize;
                bool kept = false;
                const bool eligible = Eligible(member.header);
                if (eligible) {
                    if (!WaitForRoom(member.header.fileSize)) break;
                    kept = Decode(member, stream);
                }
                std::lock_guard lock(mutex_);
                if (kept) {
                    ready_.push_back(std::move(member));
                } else if (eligible) {
                    buffered_ -= member.header.fileSize;
                    member.bytes.reset();
                }
                walked_ = next;
                if (extractionWaiting_) decoded_.notify_one();
                if (stopping_) break;
                offset = next;
            }
        } catch (const std::bad_alloc&) {
            // Short of memory: the extraction decodes the rest itself.
        }
        std::lock_guard lock(mutex_);
        finished_ = true;
        decoded_.notify_all();
    }

    PositionalReader reader_;
    std::string pattern_;
    std::array<uint32_t, CRC_TABLE_SIZE> crcTable_{};
    std::thread worker_;

    std::mutex mutex_;
    std::condition_variable room_;      // the worker waits here for room
    std::condition_variable decoded_;   // the extraction waits here for a member
    bool workerWaiting_ = false;
    bool extractionWaiting_ = false;
    std::deque<DecodedMember> ready_;
    DecodedMember taken_;
    size_t buffered_ = 0;      // bytes held in ready_ and taken_, or being decoded
    // Written under the mutex; read without it while waiting for the walk.
    std::atomic<int64_t> walked_{0};   // the archive offset the walk has got to
    std::atomic<bool> finished_{false};
    bool stopping_ = false;
};

std::unique_ptr<DecodeAhead>& Active() {
    static std::unique_ptr<DecodeAhead> active;
    return active;
}

}  // namespace

int32_t DecodeStreamInMemory(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength) {
    if (inLength == 0) return 0;
    const uint8_t* ip = in + 1;
    const uint8_t* const end = in + inLength;
    uint32_t flags = in[0];
    uint32_t mask = 1;
    uint32_t n = 0;
    // Token by token, as the archive reader takes them: a flag byte is always
    // followed by a token, and no token may reach past the stream or the
    // member's size.
    while (ip < end) {
        if (mask == 256) {
            // A whole group without per-token checks when it cannot reach
            // past the stream or the member.
            if (end - ip >= static_cast<ptrdiff_t>(kGroupInput) && outLength - n >= kGroupOutput) {
                DecodeGroup(ip, out, n);
                continue;
            }
            flags = *ip++;
            mask = 1;
        }
        const bool literal = (flags & mask) != 0;
        mask <<= 1;
        if (literal) {
            if (ip >= end || n >= outLength) return 0;
            out[n++] = *ip++;
            continue;
        }
        if (end - ip < 2) return 0;
        const uint32_t b1 = ip[0];
        const uint32_t b2 = ip[1];
        ip += 2;
        const uint32_t position = (b1 & 0x0F) << 8 | b2;
        const uint32_t length = (b1 >> 4) + LZSS_MIN_MATCH;
        const uint32_t distance = Distance(n, position);
        if (length > outLength - n) return 0;
        // A window position not yet written reads as zero.
        if (distance >= length && n >= distance)
            std::memcpy(out + n, out + n - distance, length);
        else
            CopyFromStart(out, n, length, distance);
        n += length;
    }
    return n == outLength ? 1 : 0;
}

void StartDecodeAhead(int32_t fd, const char* pattern, const uint32_t* crcTable) {
    Active() = std::make_unique<DecodeAhead>(fd, pattern, crcTable);
}

void StopDecodeAhead() { Active().reset(); }

const uint8_t* TakeDecodedMember(int64_t dataOffset, const ArchiveFileHeader* header, uint32_t* crc) {
    return Active() ? Active()->Take(dataOffset, header, crc) : nullptr;
}

}  // namespace vrn
