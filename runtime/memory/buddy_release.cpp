// Giving a block back to the buddy allocator, merging it with its free
// buddies up to a whole chunk.
#include "runtime/memory/buddy_blocks.h"

namespace vrn {

using namespace buddy;

void utBuddyFree(BuddyContext* context, void* pointer) {
    if (context == nullptr || pointer == nullptr) return;
    BuddyHeader* block = HeaderOf(pointer);
    if (block->magic != BUDDY_MAGIC) return;
    if (block->chunkBase == 0) {
        utSystemFree(block);
        return;
    }
    // A block already on a free list (or merged into one) is not listed twice.
    if (IsFree(block) || block->order >= context->orders) return;

    block->state |= STATE_FREE;
    const uintptr_t chunkBase = block->chunkBase;
    const int top = TopOrder(context);
    int order = block->order;
    for (;;) {
        if (order == top) {
            if (context->freeChunks >= context->reserveLimit) {
                utSystemFree(block);
                return;
            }
            ++context->freeChunks;
            break;
        }
        BuddyHeader* buddy = BuddyOf(context, block, chunkBase, order);
        if (buddy->magic != BUDDY_MAGIC) {
            // The neighbour is damaged: merging stops and the block stays
            // allocated, on no list.
            block->state &= static_cast<uint8_t>(~STATE_FREE);
            return;
        }
        if (!IsFree(buddy) || buddy->order != order) break;
        UnlinkFree(context, buddy, order);
        if (buddy < block) block = buddy;
        ++order;
    }
    block->order = static_cast<uint8_t>(order);
    block->state |= STATE_FREE;
    PushFree(context, block, order);
}

}  // namespace vrn
