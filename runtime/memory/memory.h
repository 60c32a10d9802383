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

void* utmalloc(uint32_t size);
void* utcalloc(int32_t count, int32_t size);
void* utrealloc(void* pointer, uint32_t size);
void utfree(void* pointer);
void utSetGPHeapManager(BuddyContext* context);

BuddyContext* utBuddyInit(int32_t minimum, int32_t orders, int32_t reserve);
void utBuddyClose(BuddyContext* context);
void* utBuddyAlloc(BuddyContext* context, uint32_t size);
void* utBuddyCalloc(BuddyContext* context, int32_t count, int32_t size);
void* utBuddyReAlloc(BuddyContext* context, void* pointer, uint32_t size);
void utBuddyFree(BuddyContext* context, void* pointer);

void utsetbit(uint32_t* words, int32_t bit);
void utclrbit(uint32_t* words, int32_t bit);
int32_t uttstbit(const uint32_t* words, int32_t bit);
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
