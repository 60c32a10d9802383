// The buddy allocator: sizing, splitting and merging, the reserve of free
// chunks, resizing in place and by moving, exhaustion, damaged headers, and a
// long randomized run checked against a model of the live blocks.
#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/memory/memory.h"

namespace vrn {
namespace {

BuddyHeader* Header(void* p) {
    return reinterpret_cast<BuddyHeader*>(static_cast<char*>(p) - BUDDY_HEADER_SIZE);
}
BuddyLinks* Links(BuddyHeader* h) {
    return reinterpret_cast<BuddyLinks*>(reinterpret_cast<char*>(h) + BUDDY_HEADER_SIZE);
}
int ListLength(const BuddyContext* c, int order) {
    int n = 0;
    for (BuddyHeader* h = c->freeList[order]; h != nullptr; h = Links(h)->next) ++n;
    return n;
}

struct Refusals {
    ~Refusals() { utFailAllocations(0, 0); }
};

// Walks every free list and checks each entry; then checks that the free
// blocks and the given live blocks tile every chunk they lie in exactly,
// and that no two free buddies of one order were left unmerged.
void CheckAllocator(const BuddyContext* c, const std::vector<void*>& live) {
    struct Span { uintptr_t start; uint64_t size; bool free; };
    std::map<uintptr_t, std::vector<Span>> chunks;
    std::set<uintptr_t> freeStarts[BUDDY_MAX_ORDERS];
    const uint64_t chunkSize = uint64_t(c->minimumSize) << (c->orders - 1);
    for (int order = 0; order < c->orders; ++order) {
        BuddyHeader* previous = nullptr;
        for (BuddyHeader* h = c->freeList[order]; h != nullptr; h = Links(h)->next) {
            ASSERT_EQ(h->magic, BUDDY_MAGIC);
            ASSERT_EQ(h->order, order);
            ASSERT_EQ(h->state & 1, 1);
            ASSERT_EQ(Links(h)->previous, previous) << "broken back link on list " << order;
            const uintptr_t at = reinterpret_cast<uintptr_t>(h);
            const uint64_t size = uint64_t(c->minimumSize) << order;
            ASSERT_NE(h->chunkBase, 0u);
            ASSERT_EQ((at - h->chunkBase) % size, 0u) << "misplaced block of order " << order;
            ASSERT_LE(at - h->chunkBase + size, chunkSize);
            chunks[h->chunkBase].push_back({at, size, true});
            freeStarts[order].insert(at);
            previous = h;
        }
    }
    ASSERT_EQ(uint32_t(ListLength(c, c->orders - 1)), c->freeChunks);
    ASSERT_LE(c->freeChunks, c->reserveLimit);
    for (void* p : live) {
        BuddyHeader* h = Header(p);
        ASSERT_EQ(h->magic, BUDDY_MAGIC);
        ASSERT_EQ(h->state & 1, 0);
        if (h->chunkBase == 0) {
            ASSERT_EQ(h->order, BUDDY_SYSTEM_ORDER);
            continue;
        }
        const uint64_t size = uint64_t(c->minimumSize) << h->order;
        ASSERT_LT(h->size, size) << "block too small for its request";
        chunks[h->chunkBase].push_back({reinterpret_cast<uintptr_t>(h), size, false});
    }
    for (auto& [base, spans] : chunks) {
        std::sort(spans.begin(), spans.end(),
                  [](const Span& a, const Span& b) { return a.start < b.start; });
        uintptr_t expected = base;
        for (const Span& s : spans) {
            ASSERT_EQ(s.start, expected) << "gap or overlap in chunk";
            expected += s.size;
        }
        ASSERT_EQ(expected, base + chunkSize) << "chunk not covered";
    }
    for (int order = 0; order + 1 < c->orders; ++order) {
        const uint64_t size = uint64_t(c->minimumSize) << order;
        for (uintptr_t at : freeStarts[order]) {
            const uintptr_t base = reinterpret_cast<BuddyHeader*>(at)->chunkBase;
            const uintptr_t buddy = ((at - base) & size) ? at - size : at + size;
            ASSERT_EQ(freeStarts[order].count(buddy), 0u) << "free buddies left unmerged";
        }
    }
}

TEST(BuddyAllocator, InitialisationRoundsTheMinimumAndCapsTheOrders) {
    struct Case { int32_t minimum, orders; uint32_t size, log; int32_t expectedOrders; };
    for (const Case& t : {Case{20, 16, 32, 5, 16}, Case{32, 30, 32, 5, 16}, Case{64, 16, 64, 6, 15},
                          Case{33, 4, 64, 6, 4}, Case{1, 0, 32, 5, 0}, Case{4096, 16, 4096, 12, 9}}) {
        BuddyContext* c = utBuddyInit(t.minimum, t.orders, 2);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->minimumSize, t.size) << t.minimum;
        EXPECT_EQ(c->minimumLog, t.log) << t.minimum;
        EXPECT_EQ(c->orders, t.expectedOrders) << t.minimum << "/" << t.orders;
        EXPECT_EQ(c->reserveLimit, 2u);
        EXPECT_EQ(c->freeChunks, 0u);
        for (BuddyHeader* head : c->freeList) EXPECT_EQ(head, nullptr);
        utSystemFree(c);
    }
}

TEST(BuddyAllocator, FirstSmallBlockSplitsAChunkAndFreeingMergesItBack) {
    BuddyContext* c = utBuddyInit(20, 16, 1);
    // With the 16-byte header, 15 bytes fill an order-0 block, 16 need order 1.
    void* small = utBuddyAlloc(c, 15);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(small) % 16, 0u);
    BuddyHeader* h = Header(small);
    EXPECT_EQ(h->order, 0);
    EXPECT_EQ(h->size, 31u);
    EXPECT_EQ(h->chunkBase, reinterpret_cast<uintptr_t>(h));
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(h);
    EXPECT_EQ(raw[0], 0x59);
    EXPECT_EQ(raw[1], 0xAA);
    for (int order = 0; order < 15; ++order) EXPECT_EQ(ListLength(c, order), 1) << order;
    EXPECT_EQ(ListLength(c, 15), 0);
    CheckAllocator(c, {small});

    void* larger = utBuddyAlloc(c, 16);
    EXPECT_EQ(Header(larger)->order, 1);
    CheckAllocator(c, {small, larger});
    utBuddyFree(c, larger);
    utBuddyFree(c, small);
    for (int order = 0; order < 15; ++order) EXPECT_EQ(ListLength(c, order), 0) << order;
    EXPECT_EQ(ListLength(c, 15), 1);
    EXPECT_EQ(c->freeChunks, 1u);

    // The kept chunk serves the next request without the system heap.
    Refusals guard;
    utFailAllocations(0, -1);
    void* again = utBuddyAlloc(c, 100);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Header(again)->chunkBase, reinterpret_cast<uintptr_t>(h));
    EXPECT_EQ(c->freeChunks, 0u);
    utFailAllocations(0, 0);

    // A second chunk in use beyond the reserve goes back to the system heap.
    void* whole = utBuddyAlloc(c, (1u << 20) - 16 - 1);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(Header(whole)->order, 15);
    utBuddyFree(c, again);
    EXPECT_EQ(c->freeChunks, 1u);
    utBuddyFree(c, whole);
    EXPECT_EQ(c->freeChunks, 1u);
    EXPECT_EQ(ListLength(c, 15), 1);
    utBuddyClose(c);
    EXPECT_EQ(c->freeChunks, 0u);
    EXPECT_EQ(c->freeList[15], nullptr);
    utSystemFree(c);
}

TEST(BuddyAllocator, OversizedRequestsGoStraightToTheSystemHeap) {
    BuddyContext* c = utBuddyInit(32, 4, 0);   // chunks of 256 bytes
    void* big = utBuddyAlloc(c, 256 - 16);     // s reaches the chunk size
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(Header(big)->order, BUDDY_SYSTEM_ORDER);
    EXPECT_EQ(Header(big)->chunkBase, 0u);
    EXPECT_EQ(Header(big)->size, 256u);
    for (BuddyHeader* head : c->freeList) EXPECT_EQ(head, nullptr);
    std::memset(big, 0x5A, 240);
    big = utBuddyReAlloc(c, big, 4000);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(Header(big)->order, BUDDY_SYSTEM_ORDER);
    EXPECT_EQ(Header(big)->size, 4016u);
    EXPECT_EQ(static_cast<uint8_t*>(big)[239], 0x5A);
    utBuddyFree(c, big);   // the sanitizer run would report a leak otherwise

    BuddyContext* none = utBuddyInit(32, 0, 0);
    void* p = utBuddyAlloc(none, 1);
    EXPECT_EQ(Header(p)->order, BUDDY_SYSTEM_ORDER);
    utBuddyFree(none, p);
    utSystemFree(none);
    utSystemFree(c);
}

TEST(BuddyAllocator, ResizingShrinksInPlaceGrowsIntoFreeBuddiesOrMoves) {
    BuddyContext* c = utBuddyInit(32, 6, 0);   // chunks of 1024 bytes
    void* a = utBuddyAlloc(c, 200);            // order 3, the chunk's first 256 bytes
    ASSERT_EQ(Header(a)->order, 3);
    for (int i = 0; i < 200; ++i) static_cast<uint8_t*>(a)[i] = uint8_t(i);

    void* shrunk = utBuddyReAlloc(c, a, 10);
    EXPECT_EQ(shrunk, a);
    EXPECT_EQ(Header(a)->order, 0);
    EXPECT_EQ(Header(a)->size, 26u);
    EXPECT_EQ(ListLength(c, 0), 1);
    EXPECT_EQ(ListLength(c, 1), 1);
    EXPECT_EQ(ListLength(c, 2), 1);
    CheckAllocator(c, {a});

    // Its buddies are free: growing keeps the address and takes them back.
    void* grown = utBuddyReAlloc(c, a, 400);
    EXPECT_EQ(grown, a);
    EXPECT_EQ(Header(a)->order, 4);
    EXPECT_EQ(static_cast<uint8_t*>(a)[9], 9);
    CheckAllocator(c, {a});

    // An upper-half block whose lower buddy is free moves down.
    void* low = utBuddyAlloc(c, 100);          // order 2 in the upper half
    void* high = utBuddyAlloc(c, 100);
    ASSERT_LT(low, high);
    utBuddyFree(c, low);
    std::memset(high, 0x77, 100);
    void* moved = utBuddyReAlloc(c, high, 200);
    EXPECT_EQ(moved, low);
    EXPECT_EQ(Header(moved)->order, 3);
    EXPECT_EQ(Header(moved)->size, 216u);
    EXPECT_EQ(static_cast<uint8_t*>(moved)[0], 0x77);
    EXPECT_EQ(static_cast<uint8_t*>(moved)[99], 0x77);
    CheckAllocator(c, {a, moved});

    // No free buddy: a new block, the old one released.
    void* blocked = utBuddyAlloc(c, 10);       // order 0 in a fresh chunk
    void* neighbour = utBuddyAlloc(c, 10);
    std::memset(blocked, 0x33, 10);
    void* elsewhere = utBuddyReAlloc(c, blocked, 40);
    ASSERT_NE(elsewhere, nullptr);
    EXPECT_NE(elsewhere, blocked);
    EXPECT_EQ(static_cast<uint8_t*>(elsewhere)[9], 0x33);
    CheckAllocator(c, {a, moved, neighbour, elsewhere});

    // Growing past the chunk size moves the block to the system heap.
    void* huge = utBuddyReAlloc(c, neighbour, 5000);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(Header(huge)->order, BUDDY_SYSTEM_ORDER);
    CheckAllocator(c, {a, moved, elsewhere, huge});
    for (void* p : {a, moved, elsewhere, huge}) utBuddyFree(c, p);
    CheckAllocator(c, {});
    EXPECT_EQ(c->freeChunks, 0u);
    utSystemFree(c);
}

TEST(BuddyAllocator, ExhaustionFallsBackAndReleasesAsSpecified) {
    Refusals guard;
    BuddyContext* c = utBuddyInit(32, 6, 0);
    // No chunk to be had: the request is served straight from the system heap.
    utFailAllocations(0, 1);
    void* fallback = utBuddyAlloc(c, 10);
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(Header(fallback)->order, BUDDY_SYSTEM_ORDER);
    utBuddyFree(c, fallback);
    utFailAllocations(0, 4);   // a chunk and the fallback, twice
    EXPECT_EQ(utBuddyAlloc(c, 10), nullptr);
    EXPECT_EQ(utBuddyCalloc(c, 2, 5), nullptr);

    // Growing past the chunk size with no memory keeps the old block.
    utFailAllocations(0, 0);
    void* kept = utBuddyAlloc(c, 10);
    void* pin = utBuddyAlloc(c, 10);           // stops kept from growing in place
    utFailAllocations(0, -1);
    EXPECT_EQ(utBuddyReAlloc(c, kept, 5000), nullptr);
    CheckAllocator(c, {kept, pin});
    // A failed move within the chunk size gives the old block back.
    utBuddyFree(c, pin);
    pin = utBuddyAlloc(c, 10);                 // reuses the same order-0 block
    void* other = utBuddyAlloc(c, 300);        // takes the order-4 half of the chunk
    EXPECT_EQ(utBuddyReAlloc(c, kept, 400), nullptr);
    CheckAllocator(c, {pin, other});
    utFailAllocations(0, 0);
    utBuddyFree(c, pin);
    utBuddyFree(c, other);
    CheckAllocator(c, {});

    void* cleared = utBuddyCalloc(c, 3, 7);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(static_cast<uint8_t*>(cleared)[i], 0);
    EXPECT_EQ(utBuddyCalloc(c, -1, 7), nullptr);
    utBuddyFree(c, cleared);
    utSystemFree(c);
}

TEST(BuddyAllocator, DamagedHeadersAreRefusedAndStopMerging) {
    BuddyContext* c = utBuddyInit(32, 4, 0);
    void* a = utBuddyAlloc(c, 10);
    void* b = utBuddyAlloc(c, 10);             // a's buddy
    ASSERT_EQ(reinterpret_cast<char*>(b) - reinterpret_cast<char*>(a), 32);

    Header(b)->magic = 0;
    utBuddyFree(c, b);                         // ignored
    EXPECT_EQ(utBuddyReAlloc(c, b, 20), nullptr);
    EXPECT_EQ(ListLength(c, 0), 0);

    utBuddyFree(c, a);                         // its buddy is damaged
    EXPECT_EQ(Header(a)->state & 1, 0);
    EXPECT_EQ(ListLength(c, 0), 0);
    Header(b)->magic = BUDDY_MAGIC;
    CheckAllocator(c, {a, b});

    utBuddyFree(c, a);
    utBuddyFree(c, a);                         // a second release changes nothing
    EXPECT_EQ(ListLength(c, 0), 1);
    CheckAllocator(c, {b});
    utBuddyFree(c, b);
    CheckAllocator(c, {});
    utSystemFree(c);
}

TEST(BuddyAllocator, RandomSequenceAgreesWithModel) {
    BuddyContext* c = utBuddyInit(32, 7, 2);   // chunks of 2048 bytes
    struct Live { uint32_t size; uint8_t fill; };
    std::map<void*, Live> model;
    std::mt19937 random(20240611);
    auto pickSize = [&] {
        const uint32_t r = random() % 100;
        return r < 85 ? random() % 500 : random() % 3000;   // some beyond a chunk
    };
    auto fill = [](void* p, uint32_t from, uint32_t to, uint8_t value) {
        if (to > from) std::memset(static_cast<uint8_t*>(p) + from, value, to - from);
    };
    for (int step = 0; step < 4000; ++step) {
        const uint32_t action = random() % 10;
        if (model.empty() || action < 4) {
            const uint32_t size = pickSize();
            void* p = utBuddyAlloc(c, size);
            ASSERT_NE(p, nullptr);
            ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
            ASSERT_EQ(model.count(p), 0u) << "block handed out twice";
            const uint8_t value = uint8_t(random());
            fill(p, 0, size, value);
            model[p] = {size, value};
        } else {
            auto it = model.begin();
            std::advance(it, random() % model.size());
            if (action < 7) {
                utBuddyFree(c, it->first);
                model.erase(it);
            } else {
                const uint32_t size = pickSize();
                const Live old = it->second;
                void* p = utBuddyReAlloc(c, it->first, size);
                ASSERT_NE(p, nullptr);
                model.erase(it);
                ASSERT_EQ(model.count(p), 0u);
                const uint32_t kept = std::min(old.size, size);
                for (uint32_t i = 0; i < kept; ++i)
                    ASSERT_EQ(static_cast<uint8_t*>(p)[i], old.fill) << "contents lost at step " << step;
                fill(p, kept, size, old.fill);
                model[p] = {size, old.fill};
            }
        }
        std::vector<void*> live;
        for (auto& [p, l] : model) {
            live.push_back(p);
            const uint8_t* bytes = static_cast<const uint8_t*>(p);
            if (l.size > 0) {
                ASSERT_EQ(bytes[0], l.fill) << "block overwritten at step " << step;
                ASSERT_EQ(bytes[l.size - 1], l.fill) << "block overwritten at step " << step;
            }
        }
        CheckAllocator(c, live);
        if (HasFatalFailure()) FAIL() << "at step " << step;
    }
    for (auto& [p, l] : model) utBuddyFree(c, p);
    CheckAllocator(c, {});
    EXPECT_LE(c->freeChunks, 2u);
    utBuddyClose(c);
    EXPECT_EQ(c->freeChunks, 0u);
    utSystemFree(c);
}

}  // namespace
}  // namespace vrn
