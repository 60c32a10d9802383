// The four memory entry points of the runtime layer, the binary buddy
// allocator that can stand behind them, and the bit-array routines.
#pragma once

#include <cstdint>

namespace vrn {

// Block header in front of every buddy block; the caller's pointer is the
// header's address + BUDDY_HEADER_SIZE. The fields keep their order; the
// chunk base is a full address on this host, and the header is packed to 16
// bytes so that returned pointers stay 16-byte aligned.
struct __attribute__((packed)) BuddyHeader {
    uint16_t magic;        // BUDDY_MAGIC, stored little-endian (0x59, 0xAA)
    uint8_t order;         // 0..15, or BUDDY_SYSTEM_ORDER
    uint8_t state;         // bit 0 set = free
    uintptr_t chunkBase;   // chunk the block lies in; 0 for a system-heap block
    uint32_t size;         // requested size + BUDDY_HEADER_SIZE
};
static_assert(sizeof(BuddyHeader) == 16);
inline constexpr uint16_t BUDDY_MAGIC = 0xAA59;
inline constexpr uint8_t BUDDY_SYSTEM_ORDER = 17;
inline constexpr uint32_t BUDDY_HEADER_SIZE = sizeof(BuddyHeader);
inline constexpr int BUDDY_MAX_ORDERS = 16;

// A free block keeps its list links right behind its header.
struct BuddyLinks {
    BuddyHeader* next;
    BuddyHeader* previous;
};

// One buddy heap: free lists per order over chunks of the top order's size.
struct BuddyContext {
    uint32_t minimumSize;      // power of two, at least 32
    uint32_t minimumLog;       // log2(minimumSize)
    int32_t orders;            // number of orders, at most 16
    uint32_t reserveLimit;     // free whole chunks kept for reuse
    uint32_t freeChunks;       // whole chunks now on the top order's list
    BuddyHeader* freeList[BUDDY_MAX_ORDERS];
};

// The installed general-purpose heap manager (null: the system heap).
extern BuddyContext* _pgHeap;

// The memory entry points: through _pgHeap's buddy routines when one is
// installed, else the system heap.
// A block of `size` bytes, or null.
void* utmalloc(uint32_t size);
// count * size bytes cleared to zero, or null.
void* utcalloc(int32_t count, int32_t size);
// The block resized (moved when it must be), or null with the old one kept.
void* utrealloc(void* pointer, uint32_t size);
// Returns a block from any of the above.
void utfree(void* pointer);
// Installs the heap manager, only if none is installed yet: the first one
// stays for the life of the process.
void utSetGPHeapManager(BuddyContext* context);

// A new buddy heap: minimum block size rounded up to a power of two of at
// least 32, at most 16 orders with the top one at most 1 MiB, `reserve`
// whole free chunks kept for reuse. Null when its memory cannot be had.
BuddyContext* utBuddyInit(int32_t minimum, int32_t orders, int32_t reserve);
// Gives the free whole chunks back to the system heap; blocks in use, free
// smaller blocks and the context itself stay.
void utBuddyClose(BuddyContext* context);
// A block of the smallest order that holds size + header, split off a free
// block or a new chunk; a request too large for the top order comes straight
// from the system heap. Null when the heap refuses.
void* utBuddyAlloc(BuddyContext* context, uint32_t size);
// As utBuddyAlloc, cleared to zero.
void* utBuddyCalloc(BuddyContext* context, int32_t count, int32_t size);
// Resizes in place where the order shrinks or the free buddies allow it,
// else moves; null with the old block kept when memory is short.
void* utBuddyReAlloc(BuddyContext* context, void* pointer, uint32_t size);
// Frees a block, merging it with its free buddies; a block with a damaged
// header is left alone.
void utBuddyFree(BuddyContext* context, void* pointer);

// Bit arrays: bit n is bit n % 32 of word n / 32 (bit n % 8 of byte n / 8
// for uttstbyt).
void utsetbit(uint32_t* words, int32_t bit);
void utclrbit(uint32_t* words, int32_t bit);
// 1 when the bit is set, else 0.
int32_t uttstbit(const uint32_t* words, int32_t bit);
// 1 when the bit of the byte array is set, else 0; the first word is not read.
int32_t uttstbyt(uint32_t unused, const uint8_t* bytes, int32_t bit);

// The system heap as the runtime layer reaches it: the standard library's
// allocation calls, subject to utFailAllocations. The buddy allocator takes
// its contexts, chunks and oversized blocks from here too.
void* utSystemAlloc(uint64_t size);
void* utSystemRealloc(void* pointer, uint64_t size);
void utSystemFree(void* pointer);

// Test hook: makes the system heap refuse requests (the next `count`
// requests after `skip` successful ones; count < 0 refuses all). Reset with
// utFailAllocations(0, 0).
void utFailAllocations(int32_t skip, int32_t count);

// Owns a block from utmalloc and returns it with utfree.
struct UtBlock {
    void* p = nullptr;
    UtBlock() = default;
    explicit UtBlock(void* block) : p(block) {}
    UtBlock(const UtBlock&) = delete;
    UtBlock& operator=(const UtBlock&) = delete;
    ~UtBlock() { if (p) utfree(p); }
    void* release() { void* q = p; p = nullptr; return q; }
};

}  // namespace vrn
