// Resizing a buddy block: in place when it shrinks or its buddies are free,
// otherwise through a new block.
#include <cstring>

#include "runtime/memory/buddy_blocks.h"

namespace vrn {

using namespace buddy;

namespace {

// Grows an allocated block of order `from` to order `to` by absorbing its
// free buddies. Returns the merged block, or null (nothing changed) when a
// buddy is not free at the right order; `damaged` tells that a buddy header
// lacked the magic.
BuddyHeader* GrowInPlace(BuddyContext* context, BuddyHeader* block, int from, int to,
                         bool& damaged) {
    const uintptr_t chunkBase = block->chunkBase;
    BuddyHeader* merged = block;
    for (int order = from; order < to; ++order) {
        BuddyHeader* buddy = BuddyOf(context, merged, chunkBase, order);
        if (buddy->magic != BUDDY_MAGIC) {
            damaged = true;
            return nullptr;
        }
        if (!IsFree(buddy) || buddy->order != order) return nullptr;
        if (buddy < merged) merged = buddy;
    }
    merged = block;
    for (int order = from; order < to; ++order) {
        BuddyHeader* buddy = BuddyOf(context, merged, chunkBase, order);
        UnlinkFree(context, buddy, order);
        if (buddy < merged) merged = buddy;
    }
    return merged;
}

}  // namespace

void* utBuddyReAlloc(BuddyContext* context, void* pointer, uint32_t size) {
    if (context == nullptr) return nullptr;
    // No block yet: a plain allocation, as the C library's realloc does.
    if (pointer == nullptr) return utBuddyAlloc(context, size);
    BuddyHeader* block = HeaderOf(pointer);
    if (block->magic != BUDDY_MAGIC) return nullptr;
    const uint64_t s = static_cast<uint64_t>(size) + BUDDY_HEADER_SIZE;
    if (s > UINT32_MAX) return nullptr;

    if (block->chunkBase == 0) {
        auto* moved = static_cast<BuddyHeader*>(utSystemRealloc(block, s));
        if (moved == nullptr) return nullptr;
        WriteHeader(moved, BUDDY_SYSTEM_ORDER, 0, 0, static_cast<uint32_t>(s));
        return PayloadOf(moved);
    }

    const int k = RequestOrder(context, s);
    const int order = block->order;
    const uint32_t oldBytes = block->size - BUDDY_HEADER_SIZE;
    if (k <= order) {
        block->size = static_cast<uint32_t>(s);
        if (k < order) SplitDown(context, block, order, k);
        return pointer;
    }

    if (k < context->orders) {
        bool damaged = false;
        const uintptr_t chunkBase = block->chunkBase;
        if (BuddyHeader* merged = GrowInPlace(context, block, order, k, damaged)) {
            // The old header may lie inside the moved bytes: its fields were
            // taken above.
            if (merged != block) std::memmove(PayloadOf(merged), pointer, oldBytes);
            WriteHeader(merged, static_cast<uint8_t>(k), 0, chunkBase, static_cast<uint32_t>(s));
            return PayloadOf(merged);
        }
        void* fresh = utBuddyAlloc(context, size);
        if (fresh != nullptr) std::memcpy(fresh, pointer, oldBytes);
        // The old block goes back even when no new one could be had, unless
        // it lies next to a damaged header, where merging would go astray.
        if (!damaged) utBuddyFree(context, pointer);
        return fresh;
    }

    void* fresh = SystemBlock(s);
    if (fresh == nullptr) return nullptr;
    std::memcpy(fresh, pointer, oldBytes);
    // Released to this same allocator (the installed manager's utfree does
    // the same when this context is the manager).
    utBuddyFree(context, pointer);
    return fresh;
}

}  // namespace vrn
