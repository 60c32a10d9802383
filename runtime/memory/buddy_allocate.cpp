// Creating a buddy allocator, taking blocks from it and draining its reserve
// of free chunks.
#include <cstring>

#include "runtime/memory/buddy_blocks.h"

namespace vrn {

using namespace buddy;

namespace {
constexpr uint64_t LARGEST_CHUNK = 0x100000;   // 1 MiB
}

BuddyContext* utBuddyInit(int32_t minimum, int32_t orders, int32_t reserve) {
    uint32_t minimumSize = 32;
    uint32_t minimumLog = 5;
    while (static_cast<int64_t>(minimumSize) < minimum && minimumSize < 0x80000000u) {
        minimumSize <<= 1;
        ++minimumLog;
    }

    const int32_t cap = orders > BUDDY_MAX_ORDERS ? BUDDY_MAX_ORDERS : orders;
    int32_t count = cap;
    if (cap >= 1) {
        // Grow the chunk a doubling at a time, up to the cap or 1 MiB.
        count = 1;
        uint64_t blockSize = minimumSize;
        while (count < cap && blockSize < LARGEST_CHUNK) {
            ++count;
            blockSize <<= 1;
        }
    }

    auto* context = static_cast<BuddyContext*>(utSystemAlloc(sizeof(BuddyContext)));
    if (context == nullptr) return nullptr;
    std::memset(context, 0, sizeof(BuddyContext));
    context->minimumSize = minimumSize;
    context->minimumLog = minimumLog;
    context->orders = count;
    context->reserveLimit = static_cast<uint32_t>(reserve);
    context->freeChunks = 0;
    return context;
}

void* utBuddyAlloc(BuddyContext* context, uint32_t size) {
    if (context == nullptr) return nullptr;
    const uint64_t s = static_cast<uint64_t>(size) + BUDDY_HEADER_SIZE;
    if (s > UINT32_MAX) return nullptr;
    const int k = RequestOrder(context, s);
    if (k >= context->orders) return SystemBlock(s);

    const int top = TopOrder(context);
    BuddyHeader* block = nullptr;
    int order = k;
    for (; order <= top; ++order) {
        if (context->freeList[order] != nullptr) {
            block = PopFree(context, order);
            if (order == top) --context->freeChunks;
            break;
        }
    }
    if (block == nullptr) {
        block = static_cast<BuddyHeader*>(utSystemAlloc(BlockSize(context, top)));
        if (block == nullptr) return SystemBlock(s);
        order = top;
        WriteHeader(block, static_cast<uint8_t>(top), 0, reinterpret_cast<uintptr_t>(block), 0);
    }
    block->state = 0;
    block->size = static_cast<uint32_t>(s);
    SplitDown(context, block, order, k);
    return PayloadOf(block);
}

void* utBuddyCalloc(BuddyContext* context, int32_t count, int32_t size) {
    if (count < 0 || size < 0) return nullptr;
    const uint64_t total = static_cast<uint64_t>(count) * static_cast<uint64_t>(size);
    if (total > UINT32_MAX) return nullptr;
    void* block = utBuddyAlloc(context, static_cast<uint32_t>(total));
    if (block != nullptr) std::memset(block, 0, total);
    return block;
}

void utBuddyClose(BuddyContext* context) {
    if (context == nullptr || context->orders < 1) return;
    const int top = TopOrder(context);
    while (BuddyHeader* chunk = PopFree(context, top)) {
        utSystemFree(chunk);
        --context->freeChunks;
    }
}

}  // namespace vrn
