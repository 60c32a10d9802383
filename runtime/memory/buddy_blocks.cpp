// Block arithmetic and the doubly linked free lists of the buddy allocator.
#include "runtime/memory/buddy_blocks.h"

namespace vrn::buddy {

int RequestOrder(const BuddyContext* context, uint64_t s) {
    uint64_t scaled = s >> context->minimumLog;
    int bits = 0;
    while (scaled != 0) {
        ++bits;
        scaled >>= 1;
    }
    return bits;
}

void WriteHeader(BuddyHeader* header, uint8_t order, uint8_t state, uintptr_t chunkBase,
                 uint32_t size) {
    header->magic = BUDDY_MAGIC;
    header->order = order;
    header->state = state;
    header->chunkBase = chunkBase;
    header->size = size;
}

BuddyHeader* BuddyOf(const BuddyContext* context, BuddyHeader* block, uintptr_t chunkBase,
                     int order) {
    const uintptr_t offset = reinterpret_cast<uintptr_t>(block) - chunkBase;
    const uint64_t size = BlockSize(context, order);
    const bool upper = ((offset >> (order + context->minimumLog)) & 1u) != 0;
    return reinterpret_cast<BuddyHeader*>(upper ? BytesOf(block) - size : BytesOf(block) + size);
}

void PushFree(BuddyContext* context, BuddyHeader* block, int order) {
    BuddyLinks* links = LinksOf(block);
    BuddyHeader* head = context->freeList[order];
    links->next = head;
    links->previous = nullptr;
    if (head != nullptr) LinksOf(head)->previous = block;
    context->freeList[order] = block;
}

void UnlinkFree(BuddyContext* context, BuddyHeader* block, int order) {
    BuddyLinks* links = LinksOf(block);
    if (links->previous != nullptr) {
        LinksOf(links->previous)->next = links->next;
    } else {
        context->freeList[order] = links->next;
    }
    if (links->next != nullptr) LinksOf(links->next)->previous = links->previous;
    links->next = nullptr;
    links->previous = nullptr;
}

BuddyHeader* PopFree(BuddyContext* context, int order) {
    BuddyHeader* head = context->freeList[order];
    if (head != nullptr) UnlinkFree(context, head, order);
    return head;
}

void SplitDown(BuddyContext* context, BuddyHeader* block, int from, int to) {
    for (int order = from; order > to;) {
        --order;
        auto* upper = reinterpret_cast<BuddyHeader*>(BytesOf(block) + BlockSize(context, order));
        WriteHeader(upper, static_cast<uint8_t>(order), STATE_FREE, block->chunkBase, 0);
        PushFree(context, upper, order);
    }
    block->order = static_cast<uint8_t>(to);
}

void* SystemBlock(uint64_t s) {
    if (s > UINT32_MAX) return nullptr;
    auto* header = static_cast<BuddyHeader*>(utSystemAlloc(s));
    if (header == nullptr) return nullptr;
    WriteHeader(header, BUDDY_SYSTEM_ORDER, 0, 0, static_cast<uint32_t>(s));
    return PayloadOf(header);
}

}  // namespace vrn::buddy
