// The decoding threads. Each thread claims the next member of the walk (the
// walk reads the member headers one after another from offset 0, as the
// extraction will), decodes it with DecodeStream from its own reader, and
// hands its bytes over a block at a time. The threads touch nothing of the
// engine's state: they read with pread, decode into the pool's blocks and
// report nothing; every report and question stays the extraction's.
//
// A thread decodes into a block of its own, which stays in its processor's
// cache, and copies each full one into a block of the store to hand it over,
// so the extraction writes it while the thread decodes on (kReuseBlocks says
// which free block is taken). The store is fixed; the member the extraction
// waits for (the first still held) may always take a block, the others only
// while one more stays free, so the extraction can never wait on a thread
// that waits on it.
#include "engine/archive/decode_pool.h"

#include <array>
#include <cstdlib>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/crt.h"
#include "platform/system.h"

namespace vrn {

namespace {

constexpr uint32_t kHistory = LZSS_WINDOW_SIZE;
constexpr uint32_t kBlockData = RW_BUFFER_MAX;
// History, the bytes handed over, and the room a group or token decoded
// unchecked may write past them.
constexpr uint32_t kBlockBytes = (kHistory + kBlockData + TOKEN_GROUP_OUTPUT + 63) / 64 * 64;
// A block of the store holds only the bytes handed over.
constexpr uint32_t kStoreBlockBytes = kBlockData;
// A thread reads the archive through a window this large: a whole input
// chunk and the token bytes just past it, or a header with a small
// member's stream.
constexpr uint32_t kReadWindow = RW_BUFFER_MAX + 1024;
// While testing, the extraction waiting for a member is woken once this
// many members in a row are done (or nothing more is coming), so that it is
// woken seldom.
constexpr uint32_t kTestingWakeRun = 16;
// A thread waiting for a block or for a member's room is woken once this
// many blocks are free, or this many members would fit, or the extraction
// is about to wait itself: a thread woken for every member the extraction
// is done with would cost several futex calls a member. With three quarters
// of the store free, a thread woken fills it again in one run while the
// extraction writes the quarter still held.
constexpr uint32_t kWorkerWakeBlocks = DECODE_POOL_BLOCKS * 3 / 4;
constexpr uint32_t kWorkerWakeMembers = DECODE_POOL_MEMBERS / 4;
// The extraction waiting for a member's bytes is woken once this many blocks
// of it are ready, or the member is done, or the thread decoding it is about
// to wait for a block: each wake-up costs a futex call on both sides.
constexpr uint32_t kExtractionWakeBlocks = 4;
// With fewer blocks of the store than this taken when a thread claims a
// member, the extraction keeps up with the threads and is about to wait for
// them (the bytes of a large member, or small members few): it takes that
// member's CRC itself then, as it writes the bytes, and the thread decodes on.
constexpr size_t kCrcAheadBlocks = 8;

// Blocks handed back are taken again oldest first: the one the extraction
// has just written out is still in the other processor's cache, where
// writing into it again would cost more than the copy. A block of the store
// never used yet is taken only while fewer than this many wait, though:
// the first touch of each of its pages costs a fault, far more than a cache
// miss, so the store is touched only as far as the extraction falls behind.
constexpr size_t kReuseBlocks = 4;

struct Run {
    int32_t block;
    uint32_t length;
};

// The runs of one member waiting to be handed out, oldest first. A member
// can hold no more blocks than the store has, so a fixed ring holds them:
// nothing is allocated for a member's runs.
class RunQueue {
public:
    bool empty() const { return count_ == 0; }
    uint32_t size() const { return count_; }
    const Run& front() const { return runs_[head_]; }
    void push_back(Run run) { runs_[(head_ + count_++) % DECODE_POOL_BLOCKS] = run; }
    void pop_front() {
        head_ = (head_ + 1) % DECODE_POOL_BLOCKS;
        --count_;
    }
    // Hands every run to `f`, oldest first, and empties the queue.
    template <class F>
    void Drain(F f) {
        for (; count_ > 0; pop_front()) f(front());
    }

private:
    std::array<Run, DECODE_POOL_BLOCKS> runs_{};
    uint32_t head_ = 0;
    uint32_t count_ = 0;
};

// A thread's view of the archive: reads served from a window of the file.
class ArchiveWindow {
public:
    explicit ArchiveWindow(int32_t fd) : reader_(fd), bytes_(std::make_unique_for_overwrite<uint8_t[]>(kReadWindow)) {}
    bool valid() const { return reader_.valid(); }

    // Up to `count` bytes at `offset` (fewer only at the end of the file),
    // -1 on failure; *at points at them.
    int64_t Read(uint64_t offset, uint32_t count, const uint8_t** at) {
        if (offset < start_ || offset + count > start_ + length_) {
            // Refill unless the window already reaches the end of the file.
            if (!(atEnd_ && offset >= start_ && offset <= start_ + length_)) {
                const int64_t got = reader_.ReadAt(offset, bytes_.get(), kReadWindow);
                if (got < 0) {
                    length_ = 0;
                    atEnd_ = false;
                    return -1;
                }
                start_ = offset;
                length_ = static_cast<uint32_t>(got);
                atEnd_ = length_ < kReadWindow;
            }
        }
        const uint64_t available = start_ + length_ - offset;
        *at = bytes_.get() + (offset - start_);
        return static_cast<int64_t>(available < count ? available : count);
    }

private:
    PositionalReader reader_;
    std::unique_ptr<uint8_t[]> bytes_;
    uint64_t start_ = 0;
    uint32_t length_ = 0;
    bool atEnd_ = false;   // the file ends where the window does
};

// A member's stream as the thread reads it: as the archive reader would,
// from the member's data offset on.
struct WindowSource {
    ArchiveWindow& window;
    uint64_t offset;
    bool ReadByte(uint8_t& byte) {
        const uint8_t* at = nullptr;
        if (window.Read(offset, 1, &at) != 1) return false;
        byte = *at;
        ++offset;
        return true;
    }
    int64_t ReadChunk(uint32_t count, const uint8_t** chunk) {
        const int64_t got = window.Read(offset, count, chunk);
        if (got > 0) offset += static_cast<uint64_t>(got);
        return got;
    }
};

}  // namespace

struct DecodedMember {
    int64_t dataOffset = 0;
    ArchiveFileHeader header;
    RunQueue ready;               // blocks decoded and not yet handed out
    int32_t handedBlock = -1;     // the block the extraction holds
    bool done = false;
    bool threadCrc = true;        // the CRC is the thread's to take, not the extraction's
    std::atomic<bool> abandoned{false};   // the extraction is done with it
    StreamEnd end = StreamEnd::Stopped;
    uint32_t crc = 0;
    uint64_t produced = 0;
    uint64_t used = 0;
};

namespace {

class DecodePool {
public:
    DecodePool(int32_t fd, const char* pattern, const uint32_t* crcTable, uint8_t testing, uint32_t threads)
        : pattern_(pattern), testing_(testing != 0) {
        std::memcpy(crcTable_.data(), crcTable, sizeof crcTable_);
        try {
            if (!testing_) {
                store_ = std::make_unique_for_overwrite<uint8_t[]>(size_t{DECODE_POOL_BLOCKS} * kStoreBlockBytes);
                freeBlocks_.reserve(DECODE_POOL_BLOCKS);
            }
            for (uint32_t i = 0; i < threads; ++i) {
                auto thread = std::make_unique<ThreadPart>(fd);
                if (!thread->window.valid()) break;
                parts_.push_back(std::move(thread));
            }
            for (auto& part : parts_) {
                ThreadPart* p = part.get();
                workers_.emplace_back([this, p] { Work(*p); });
            }
        } catch (const std::bad_alloc&) {
        } catch (const std::system_error&) {
        }
        // With no thread running, the extraction decodes everything itself.
        if (workers_.empty()) Stop();
    }

    ~DecodePool() { Stop(); }

    bool running() const { return !workers_.empty(); }

    DecodedMember* Take(int64_t dataOffset, const ArchiveFileHeader* header) {
        std::unique_lock lock(mutex_);
        for (;;) {
            // Members the extraction passed by are of no more use.
            while (!members_.empty() && members_.front()->dataOffset < dataOffset) DropFront();
            if (!members_.empty() && members_.front()->dataOffset == dataOffset) {
                DecodedMember* m = members_.front().get();
                const ArchiveFileHeader& h = m->header;
                if (h.storedSize == header->storedSize && h.fileSize == header->fileSize &&
                    h.method == header->method && std::strcmp(h.fileName, header->fileName) == 0)
                    return m;
                DropFront();
                return nullptr;
            }
            // Walked past it without taking it, or stopped short of it.
            if (walkDone_ || walked_ > dataOffset - static_cast<int64_t>(ARCHIVE_HEADER_SIZE)) return nullptr;
            awaitingWalk_ = true;
            WakeWorkers(true);
            extractionCv_.wait(lock);
            awaitingWalk_ = false;
        }
    }

    bool Next(DecodedMember* m, const uint8_t** data, uint32_t* length) {
        std::unique_lock lock(mutex_);
        if (m->handedBlock >= 0) {
            FreeBlock(m->handedBlock);
            m->handedBlock = -1;
        }
        while (m->ready.empty() && !m->done) {
            awaited_ = m;
            WakeWorkers(true);
            extractionCv_.wait(lock);
        }
        awaited_ = nullptr;
        if (m->ready.empty()) return false;
        const Run run = m->ready.front();
        m->ready.pop_front();
        m->handedBlock = run.block;
        *data = BlockData(run.block);
        *length = run.length;
        return true;
    }

    void Release(DecodedMember* m) {
        std::lock_guard lock(mutex_);
        if (!members_.empty() && members_.front().get() == m) DropFront();
    }

private:
    // What one thread owns: its view of the archive and the block it decodes
    // into over and over.
    struct ThreadPart {
        explicit ThreadPart(int32_t fd)
            : window(fd), scratch(std::make_unique_for_overwrite<uint8_t[]>(kBlockBytes)) {}
        ArchiveWindow window;
        std::unique_ptr<uint8_t[]> scratch;
    };

    // Output into the thread's block: history before the bytes, the bytes
    // copied into a block of the store and handed over (or, testing, only
    // counted) once there are kBlockData of them, the bytes a token wrote
    // past that carried to the front with the history.
    struct BlockSink {
        DecodePool& pool;
        DecodedMember& member;
        uint8_t* base;          // the thread's own block, decoded into
        int32_t block;          // the store's block the bytes go to; -1 testing
        uint8_t* op;
        uint64_t handed = 0;    // bytes before this block
        uint32_t crc = CRC32_INITIAL;

        uint8_t* data() const { return base + kHistory; }
        uint32_t fill() const { return base == nullptr ? 0 : static_cast<uint32_t>(op - data()); }
        uint64_t Produced() const { return handed + fill(); }
        bool GroupFits() const { return fill() < kBlockData; }
        bool Group(const uint8_t*& ip, uint32_t& position) {
            DecodeGroup(ip, op, position);
            return fill() < kBlockData || HandOver();
        }
        bool Token(uint32_t literal, uint32_t b1, uint32_t b2, uint32_t& position) {
            DecodeToken(literal, b1, b2, op, position);
            return fill() < kBlockData || HandOver();
        }
        bool Finish() { return true; }

        bool HandOver() {
            const uint32_t carried = kHistory + fill() - kBlockData;
            if (member.threadCrc) crc = CalculateBlockCRC32(data(), kBlockData, crc, pool.crcTable_.data());
            handed += kBlockData;
            if (block >= 0) {
                std::memcpy(pool.BlockData(block), data(), kBlockData);
                pool.Publish(member, block, kBlockData);
                // The block published is the extraction's now: with no next
                // block the sink holds none, and the member ends stopped
                // without a look at the bytes it handed over.
                block = pool.AcquireBlock(member);
                if (block < 0) {
                    base = nullptr;
                    op = nullptr;
                    return false;
                }
            }
            std::memmove(base, base + kBlockData, carried);
            op = base + carried;
            return !pool.stopping_.load(std::memory_order_relaxed) &&
                   !member.abandoned.load(std::memory_order_relaxed);
        }
    };

    uint32_t FreeBlockCount() const { return static_cast<uint32_t>(freeBlocks_.size()) + unusedBlocks_; }
    // Under mutex_, with a block free.
    int32_t TakeFreeBlock() {
        if (freeBlocks_.size() < kReuseBlocks && unusedBlocks_ > 0)
            return static_cast<int32_t>(DECODE_POOL_BLOCKS - unusedBlocks_--);
        const int32_t block = freeBlocks_.front();
        freeBlocks_.erase(freeBlocks_.begin());
        return block;
    }

    uint8_t* BlockData(int32_t block) const { return store_.get() + static_cast<size_t>(block) * kStoreBlockBytes; }

    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            walkDone_ = true;
        }
        workerCv_.notify_all();
        extractionCv_.notify_all();
        for (std::thread& t : workers_)
            if (t.joinable()) t.join();
        workers_.clear();
    }

    // Under the lock.
    void FreeBlock(int32_t block) {
        freeBlocks_.push_back(block);
        WakeWorkers(false);
    }

    // Wakes the waiting threads when there is room for a run of work, or,
    // `always`, because the extraction is about to wait: a thread is then
    // never left waiting on a wake-up held back.
    uint32_t WorkersWaiting() const { return waitingForBlock_ + waitingForRoom_; }

    void WakeWorkers(bool always) {
        if (WorkersWaiting() == 0) return;
        if (always || (waitingForBlock_ > 0 && FreeBlockCount() >= kWorkerWakeBlocks) ||
            (waitingForRoom_ > 0 && members_.size() + kWorkerWakeMembers <= DECODE_POOL_MEMBERS))
            workerCv_.notify_all();
    }

    void DropFront() {
        DecodedMember* m = members_.front().get();
        m->abandoned = true;
        if (m->handedBlock >= 0) freeBlocks_.push_back(m->handedBlock);
        m->ready.Drain([this](const Run& run) { freeBlocks_.push_back(run.block); });
        m->handedBlock = -1;
        members_.pop_front();
        // Room for another member, blocks, and perhaps a new first member.
        WakeWorkers(false);
    }

    bool IsFirst(const DecodedMember& m) const { return !members_.empty() && members_.front().get() == &m; }

    // Whether the extraction, waiting for a member, should be woken now.
    void WakeExtraction() {
        if (awaitingWalk_) {
            extractionCv_.notify_one();
            return;
        }
        const DecodedMember* m = awaited_;
        if (m == nullptr || (m->ready.empty() && !m->done)) return;
        if (testing_ && !walkDone_ && WorkersWaiting() == 0) {
            uint32_t run = 0;
            for (const auto& held : members_) {
                if (!held->done) break;
                if (++run >= kTestingWakeRun) break;
            }
            if (run < kTestingWakeRun) return;
        }
        extractionCv_.notify_one();
    }

    // The next block for `m`: -1 when the pool stops or the extraction is
    // done with the member.
    int32_t AcquireBlock(DecodedMember& m) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stopping_ || m.abandoned) return -1;
            if (FreeBlockCount() > (IsFirst(m) ? 0u : 1u)) return TakeFreeBlock();
            ++waitingForBlock_;
            WakeExtraction();
            workerCv_.wait(lock);
            --waitingForBlock_;
        }
    }

    void Publish(DecodedMember& m, int32_t block, uint32_t length) {
        std::lock_guard lock(mutex_);
        if (m.abandoned) {
            freeBlocks_.push_back(block);
            return;
        }
        m.ready.push_back({block, length});
        if (awaited_ == &m && m.ready.size() >= kExtractionWakeBlocks) extractionCv_.notify_one();
    }

    // The member's end, with its last block (or, stopped, the block freed).
    void Finish(DecodedMember& m, BlockSink& sink, StreamEnd end, uint64_t used) {
        const uint32_t rest = sink.fill();
        // A stopped member's bytes are not used: its CRC is not taken.
        const uint32_t crc = end == StreamEnd::Stopped || !m.threadCrc
                                 ? 0
                                 : ~CalculateBlockCRC32(sink.data(), rest, sink.crc, crcTable_.data());
        // A member the extraction has given up needs none of its bytes.
        if (sink.block >= 0 && end != StreamEnd::Stopped && rest > 0 && !m.abandoned.load(std::memory_order_relaxed))
            std::memcpy(BlockData(sink.block), sink.data(), rest);
        std::lock_guard lock(mutex_);
        if (sink.block >= 0) {
            if (m.abandoned || end == StreamEnd::Stopped || rest == 0)
                freeBlocks_.push_back(sink.block);
            else
                m.ready.push_back({sink.block, rest});
            if (WorkersWaiting() > 0) workerCv_.notify_all();
        }
        m.end = end;
        m.crc = crc;
        m.produced = sink.Produced();
        m.used = used;
        m.done = true;
        WakeExtraction();
    }

    // The next member to decode, from the walk: null when there is none.
    std::shared_ptr<DecodedMember> Claim(ArchiveWindow& window) {
        std::lock_guard walk(walkMutex_);
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                while (!stopping_ && !walkDone_ && members_.size() >= DECODE_POOL_MEMBERS) {
                    ++waitingForRoom_;
                    WakeExtraction();
                    workerCv_.wait(lock);
                    --waitingForRoom_;
                }
                if (stopping_ || walkDone_) return nullptr;
            }
            const uint8_t* raw = nullptr;
            ArchiveFileHeader h;
            const bool valid = window.Read(static_cast<uint64_t>(walkOffset_), ARCHIVE_HEADER_SIZE, &raw) ==
                                   ARCHIVE_HEADER_SIZE &&
                               UnmaskFileHeader(raw, &h, crcTable_.data()) != 0;
            const bool wanted = valid && h.method == ARCHIVE_METHOD_COMPRESSED && h.fileSize > 0 &&
                                MatchFileName(pattern_.c_str(), h.fileName) != 0;
            std::shared_ptr<DecodedMember> member;
            if (wanted) {
                member = std::make_shared<DecodedMember>();
                member->header = h;
                member->dataOffset = walkOffset_ + ARCHIVE_HEADER_SIZE;
            }
            std::lock_guard lock(mutex_);
            if (!valid) {
                walkDone_ = true;
                WakeExtraction();
                return nullptr;
            }
            walkOffset_ += ARCHIVE_HEADER_SIZE + static_cast<int64_t>(h.storedSize);
            walked_ = walkOffset_;
            if (member) {
                // A member claimed while little of the store is taken is one
                // the extraction will soon wait for (kCrcAheadBlocks).
                member->threadCrc = testing_ || DECODE_POOL_BLOCKS - FreeBlockCount() >= kCrcAheadBlocks;
                members_.push_back(member);
            }
            WakeExtraction();
            if (member) return member;
        }
    }

    void Work(ThreadPart& part) {
        try {
            while (std::shared_ptr<DecodedMember> member = Claim(part.window)) Decode(*member, part);
        } catch (const std::bad_alloc&) {
            // Short of memory: the walk ends here, and the extraction
            // decodes what is left itself.
            std::lock_guard lock(mutex_);
            walkDone_ = true;
            WakeExtraction();
        }
    }

    void Decode(DecodedMember& m, ThreadPart& part) {
        int32_t block = -1;
        uint8_t* base = part.scratch.get();
        if (!testing_) {
            block = AcquireBlock(m);
            if (block < 0) {
                std::lock_guard lock(mutex_);
                m.done = true;
                WakeExtraction();
                return;
            }
        }
        // Window positions never written read as zero.
        std::memset(base, 0, kHistory);
        BlockSink sink{*this, m, base, block, base + kHistory};
        WindowSource source{part.window, static_cast<uint64_t>(m.dataOffset)};
        uint64_t used = 0;
        const StreamEnd end =
            DecodeStream(source, sink, m.header.storedSize, m.header.fileSize, RW_BUFFER_MAX, &used);
        Finish(m, sink, end, used);
    }

    std::string pattern_;
    bool testing_;
    std::array<uint32_t, CRC_TABLE_SIZE> crcTable_{};
    std::unique_ptr<uint8_t[]> store_;
    std::vector<std::unique_ptr<ThreadPart>> parts_;
    std::vector<std::thread> workers_;

    std::mutex walkMutex_;   // one thread walks at a time
    int64_t walkOffset_ = 0;   // the next header's offset

    std::mutex mutex_;
    std::condition_variable workerCv_;       // threads wait here for a block or a member's room
    std::condition_variable extractionCv_;   // the extraction waits here
    std::deque<std::shared_ptr<DecodedMember>> members_;   // in archive order, until the extraction is done
    std::vector<int32_t> freeBlocks_;   // handed back, oldest first
    uint32_t unusedBlocks_ = DECODE_POOL_BLOCKS;   // never taken yet: the last ones of the store
    int64_t walked_ = 0;   // every header before this offset has been read
    bool walkDone_ = false;
    std::atomic<bool> stopping_{false};
    DecodedMember* awaited_ = nullptr;   // the member the extraction waits for
    bool awaitingWalk_ = false;
    uint32_t waitingForBlock_ = 0;   // threads waiting for a block
    uint32_t waitingForRoom_ = 0;    // and for a member's room
};

std::unique_ptr<DecodePool>& Active() {
    static std::unique_ptr<DecodePool> active;
    return active;
}

}  // namespace

uint32_t _decodeThreads = DECODE_THREADS_DEFAULT;

namespace {

// One thread per processor in all, up to DECODE_THREADS_DEFAULT_MAX: each thread
// holds a read window and, testing, a block of its own, so more would take
// the memory of an extraction past its bound on a machine with many.
uint32_t DefaultThreadCount(uint8_t testing) {
    unsigned processors = std::thread::hardware_concurrency();
    if (!testing && processors > 1) --processors;   // the extracting thread's own
    if (processors == 0) return 1;
    return processors > DECODE_THREADS_DEFAULT_MAX ? DECODE_THREADS_DEFAULT_MAX : processors;
}

}  // namespace

uint32_t DecodeThreadCount(uint8_t testing) {
    uint32_t count = _decodeThreads;
    if (count == DECODE_THREADS_DEFAULT) {
        const char* text = GetEnv("VRN_THREADS");
        char* end = nullptr;
        const unsigned long value = text != nullptr ? std::strtoul(text, &end, 10) : 0;
        if (text != nullptr && *text != '\0' && *end == '\0')
            count = value > DECODE_THREADS_MAX ? DECODE_THREADS_MAX : static_cast<uint32_t>(value);
        else
            count = DefaultThreadCount(testing);
    }
    return count > DECODE_THREADS_MAX ? DECODE_THREADS_MAX : count;
}

void StartDecodePool(int32_t fd, const char* pattern, const uint32_t* crcTable, uint8_t testing, uint32_t threads) {
    Active().reset();
    if (threads == 0) return;
    try {
        auto pool = std::make_unique<DecodePool>(fd, pattern, crcTable, testing, threads);
        if (pool->running()) Active() = std::move(pool);
    } catch (const std::bad_alloc&) {
    }
}

void StopDecodePool() { Active().reset(); }

DecodedMember* TakeDecodedMember(int64_t dataOffset, const ArchiveFileHeader* header) {
    return Active() ? Active()->Take(dataOffset, header) : nullptr;
}

bool NextDecodedBytes(DecodedMember* member, const uint8_t** data, uint32_t* length) {
    return Active()->Next(member, data, length);
}

bool DecodedMemberHasCrc(const DecodedMember* member) { return member->threadCrc; }

StreamEnd DecodedMemberEnd(const DecodedMember* member, uint32_t* crc, uint64_t* produced, uint64_t* streamUsed) {
    *crc = member->crc;
    *produced = member->produced;
    *streamUsed = member->used;
    return member->end;
}

void ReleaseDecodedMember(DecodedMember* member) {
    if (Active()) Active()->Release(member);
}

}  // namespace vrn
