// Block arithmetic and free-list handling shared by the buddy allocator's
// routines. Private to runtime/memory.
#pragma once

#include <cstdint>

#include "runtime/memory/memory.h"

namespace vrn::buddy {

inline constexpr uint8_t STATE_FREE = 0x01;

inline char* BytesOf(BuddyHeader* header) { return reinterpret_cast<char*>(header); }

inline void* PayloadOf(BuddyHeader* header) { return BytesOf(header) + BUDDY_HEADER_SIZE; }

inline BuddyHeader* HeaderOf(void* payload) {
    return reinterpret_cast<BuddyHeader*>(static_cast<char*>(payload) - BUDDY_HEADER_SIZE);
}

inline BuddyLinks* LinksOf(BuddyHeader* header) {
    return reinterpret_cast<BuddyLinks*>(BytesOf(header) + BUDDY_HEADER_SIZE);
}

inline bool IsFree(const BuddyHeader* header) { return (header->state & STATE_FREE) != 0; }

inline uint64_t BlockSize(const BuddyContext* context, int order) {
    return static_cast<uint64_t>(context->minimumSize) << order;
}

inline int TopOrder(const BuddyContext* context) { return context->orders - 1; }

// The order that holds a block of s bytes (header included): the number of
// significant bits of s shifted right by the minimum size's logarithm, i.e.
// the smallest k with s strictly below minimum << k.
int RequestOrder(const BuddyContext* context, uint64_t s);

void WriteHeader(BuddyHeader* header, uint8_t order, uint8_t state, uintptr_t chunkBase,
                 uint32_t size);

// The buddy of the block at `block`, of the given order, within the chunk
// at `chunkBase`: above it when bit (order + log) of its offset is clear,
// below it otherwise.
BuddyHeader* BuddyOf(const BuddyContext* context, BuddyHeader* block, uintptr_t chunkBase,
                     int order);

void PushFree(BuddyContext* context, BuddyHeader* block, int order);
void UnlinkFree(BuddyContext* context, BuddyHeader* block, int order);
BuddyHeader* PopFree(BuddyContext* context, int order);

// Splits an allocated block of order `from` down to order `to`, putting each
// upper half on its free list.
void SplitDown(BuddyContext* context, BuddyHeader* block, int from, int to);

// A block taken straight from the system heap (order BUDDY_SYSTEM_ORDER,
// chunk base 0), s bytes with its header; the caller's pointer or null.
void* SystemBlock(uint64_t s);

}  // namespace vrn::buddy
