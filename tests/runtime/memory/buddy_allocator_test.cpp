// The buddy allocator: sizing, splitting and merging, the chunk reserve,
// resizing, exhaustion, damaged headers, and a randomized run checked
// against a model of the live blocks with every free list walked.
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

BuddyHeader* Header(void* p) { return reinterpret_cast<BuddyHeader*>(static_cast<char*>(p) - BUDDY_HEADER_SIZE); }
BuddyLinks* Links(BuddyHeader* h) { return reinterpret_cast<BuddyLinks*>(h + 1); }
int ListLength(const BuddyContext* c, int order) {
    int n = 0;
    for (BuddyHeader* h = c->freeList[order]; h != nullptr; h = Links(h)->next) ++n;
    return n;
}
struct Refusals {
    ~Refusals() { utFailAllocations(0, 0); }
};

// Walks every free list checking each entry and its back link; then checks
// that free and live blocks tile each chunk they lie in exactly and that no
// two free buddies of one order were left unmerged.
void CheckAllocator(const BuddyContext* c, const std::vector<void*>& live) {
    struct Span { uintptr_t start; uint64_t size; };
    std::map<uintptr_t, std::vector<Span>> chunks;
    std::set<uintptr_t> freeAt[BUDDY_MAX_ORDERS];
    const uint64_t chunkSize = uint64_t(c->minimumSize) << (c->orders - 1);
    for (int order = 0; order < c->orders; ++order) {
        BuddyHeader* previous = nullptr;
        const uint64_t size = uint64_t(c->minimumSize) << order;
        for (BuddyHeader* h = c->freeList[order]; h != nullptr; previous = h, h = Links(h)->next) {
            const uintptr_t at = reinterpret_cast<uintptr_t>(h);
            ASSERT_TRUE(h->magic == BUDDY_MAGIC && h->order == order && (h->state & 1)) << "list " << order;
            ASSERT_EQ(Links(h)->previous, previous) << "broken back link on list " << order;
            ASSERT_NE(uintptr_t{h->chunkBase}, 0u);
            ASSERT_EQ((at - h->chunkBase) % size, 0u) << "misplaced block of order " << order;
            chunks[uintptr_t{h->chunkBase}].push_back({at, size});
            freeAt[order].insert(at);
        }
    }
    ASSERT_EQ(uint32_t(ListLength(c, c->orders - 1)), c->freeChunks);
    ASSERT_LE(c->freeChunks, c->reserveLimit);
    for (void* p : live) {
        BuddyHeader* h = Header(p);
        ASSERT_TRUE(h->magic == BUDDY_MAGIC && !(h->state & 1));
        if (h->chunkBase == 0) {
            ASSERT_EQ(h->order, BUDDY_SYSTEM_ORDER);
            continue;
        }
        ASSERT_LT(uint32_t{h->size}, uint64_t(c->minimumSize) << h->order) << "block too small for its request";
        chunks[uintptr_t{h->chunkBase}].push_back({reinterpret_cast<uintptr_t>(h), uint64_t(c->minimumSize) << h->order});
    }
    for (auto& [base, spans] : chunks) {
        std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
        uintptr_t expected = base;
        for (const Span& s : spans) {
            ASSERT_EQ(s.start, expected) << "gap or overlap in chunk";
            expected += s.size;
        }
        ASSERT_EQ(expected, base + chunkSize) << "chunk not covered";
    }
    for (int order = 0; order + 1 < c->orders; ++order) {
        const uint64_t size = uint64_t(c->minimumSize) << order;
        for (uintptr_t at : freeAt[order]) {
            const uintptr_t base = reinterpret_cast<BuddyHeader*>(at)->chunkBase;
            ASSERT_EQ(freeAt[order].count(((at - base) & size) ? at - size : at + size), 0u) << "unmerged buddies";
        }
    }
}

TEST(BuddyAllocator, SizingSplittingMergingAndTheReserve) {
    struct Case { int32_t minimum, orders; uint32_t size, log; int32_t got; };
    for (const Case& t : {Case{20, 16, 32, 5, 16}, Case{32, 30, 32, 5, 16}, Case{64, 16, 64, 6, 15},
                          Case{33, 4, 64, 6, 4}, Case{1, 0, 32, 5, 0}}) {
        BuddyContext* c = utBuddyInit(t.minimum, t.orders, 2);
        EXPECT_EQ(c->minimumSize, t.size) << t.minimum;
        EXPECT_EQ(c->minimumLog, t.log) << t.minimum;
        EXPECT_EQ(c->orders, t.got) << t.minimum << "/" << t.orders;
        utSystemFree(c);
    }

    Refusals guard;
    BuddyContext* c = utBuddyInit(20, 16, 1);
    // With the 16-byte header, 15 bytes fill an order-0 block; 16 need order 1.
    void* small = utBuddyAlloc(c, 15);
    BuddyHeader* h = Header(small);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(small) % 16, 0u);
    EXPECT_EQ(h->order, 0);
    EXPECT_EQ(uint32_t{h->size}, 31u);
    EXPECT_EQ(uintptr_t{h->chunkBase}, reinterpret_cast<uintptr_t>(h));
    EXPECT_EQ(std::memcmp(h, "\x59\xAA", 2), 0);
    for (int order = 0; order < 16; ++order) EXPECT_EQ(ListLength(c, order), order < 15 ? 1 : 0) << order;
    void* larger = utBuddyAlloc(c, 16);
    EXPECT_EQ(Header(larger)->order, 1);
    CheckAllocator(c, {small, larger});
    utBuddyFree(c, larger);
    utBuddyFree(c, small);
    for (int order = 0; order < 16; ++order) EXPECT_EQ(ListLength(c, order), order == 15 ? 1 : 0) << order;
    EXPECT_EQ(c->freeChunks, 1u);

    // The kept chunk serves the next request without the system heap; a
    // second chunk freed beyond the reserve goes back to it.
    utFailAllocations(0, -1);
    void* again = utBuddyAlloc(c, 100);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(uintptr_t{Header(again)->chunkBase}, reinterpret_cast<uintptr_t>(h));
    utFailAllocations(0, 0);
    void* whole = utBuddyAlloc(c, (1u << 20) - 17);
    EXPECT_EQ(Header(whole)->order, 15);
    utBuddyFree(c, again);
    utBuddyFree(c, whole);
    EXPECT_EQ(c->freeChunks, 1u);
    CheckAllocator(c, {});

    // s reaching the chunk size: straight from the system heap and back.
    void* big = utBuddyAlloc(c, (1u << 20) - 16);
    EXPECT_EQ(Header(big)->order, BUDDY_SYSTEM_ORDER);
    EXPECT_EQ(uintptr_t{Header(big)->chunkBase}, 0u);
    big = utBuddyReAlloc(c, big, 1u << 21);
    EXPECT_EQ(uint32_t{Header(big)->size}, (1u << 21) + 16);
    utBuddyFree(c, big);
    utBuddyClose(c);
    EXPECT_EQ(c->freeChunks, 0u);
    EXPECT_EQ(c->freeList[15], nullptr);
    utSystemFree(c);
}

TEST(BuddyAllocator, ResizingInPlaceByMovingAndUnderExhaustion) {
    Refusals guard;
    BuddyContext* c = utBuddyInit(32, 6, 0);   // chunks of 1024 bytes
    void* a = utBuddyAlloc(c, 200);            // order 3 at the chunk's start
    std::memset(a, 0x11, 200);
    EXPECT_EQ(utBuddyReAlloc(c, a, 10), a);    // shrinks in place, halves freed
    EXPECT_EQ(Header(a)->order, 0);
    EXPECT_EQ(ListLength(c, 0) + ListLength(c, 1) + ListLength(c, 2), 3);
    EXPECT_EQ(utBuddyReAlloc(c, a, 400), a);   // grows back over its free buddies
    EXPECT_EQ(Header(a)->order, 4);
    EXPECT_EQ(static_cast<uint8_t*>(a)[9], 0x11);
    CheckAllocator(c, {a});

    void* low = utBuddyAlloc(c, 100);
    void* high = utBuddyAlloc(c, 100);
    utBuddyFree(c, low);
    std::memset(high, 0x77, 100);
    void* moved = utBuddyReAlloc(c, high, 200);   // joins its free lower buddy
    EXPECT_EQ(moved, low);
    EXPECT_EQ(Header(moved)->order, 3);
    EXPECT_EQ(static_cast<uint8_t*>(moved)[99], 0x77);
    CheckAllocator(c, {a, moved});

    utBuddyFree(c, a);
    utBuddyFree(c, moved);
    CheckAllocator(c, {});
    utSystemFree(c);

    // No chunk to be had: the block comes straight from the system heap;
    // nothing at all: null.
    BuddyContext* e = utBuddyInit(32, 6, 0);
    utFailAllocations(0, 1);
    void* fallback = utBuddyAlloc(e, 10);
    EXPECT_EQ(Header(fallback)->order, BUDDY_SYSTEM_ORDER);
    utBuddyFree(e, fallback);
    utFailAllocations(0, 4);
    EXPECT_EQ(utBuddyAlloc(e, 10), nullptr);
    EXPECT_EQ(utBuddyCalloc(e, 2, 5), nullptr);

    // Growing past the chunk size without memory keeps the old block; a
    // failed move within the chunk size releases it.
    utFailAllocations(0, 0);
    void* kept = utBuddyAlloc(e, 10);
    void* pin = utBuddyAlloc(e, 10);
    void* rest = utBuddyAlloc(e, 300);
    utFailAllocations(0, -1);
    EXPECT_EQ(utBuddyReAlloc(e, kept, 5000), nullptr);
    CheckAllocator(e, {kept, pin, rest});
    EXPECT_EQ(utBuddyReAlloc(e, kept, 400), nullptr);
    CheckAllocator(e, {pin, rest});
    utFailAllocations(0, 0);
    std::memset(rest, 0x33, 300);
    void* copied = utBuddyReAlloc(e, rest, 600);   // buddy not free: a new chunk
    EXPECT_NE(copied, rest);
    EXPECT_EQ(static_cast<uint8_t*>(copied)[299], 0x33);
    void* huge = utBuddyReAlloc(e, pin, 5000);
    EXPECT_EQ(Header(huge)->order, BUDDY_SYSTEM_ORDER);
    CheckAllocator(e, {copied, huge});
    utBuddyFree(e, copied);
    utBuddyFree(e, huge);
    CheckAllocator(e, {});
    utSystemFree(e);
}

TEST(BuddyAllocator, DamagedHeadersAreRefusedAndStopMerging) {
    BuddyContext* c = utBuddyInit(32, 4, 0);
    void* a = utBuddyAlloc(c, 10);
    void* b = utBuddyAlloc(c, 10);             // a's buddy
    Header(b)->magic = 0;
    utBuddyFree(c, b);
    EXPECT_EQ(utBuddyReAlloc(c, b, 20), nullptr);
    utBuddyFree(c, a);                         // stays allocated, on no list
    EXPECT_EQ(Header(a)->state & 1, 0);
    EXPECT_EQ(ListLength(c, 0), 0);
    Header(b)->magic = BUDDY_MAGIC;
    CheckAllocator(c, {a, b});
    utBuddyFree(c, a);
    utBuddyFree(c, a);                         // a second release changes nothing
    CheckAllocator(c, {b});
    utBuddyFree(c, b);
    CheckAllocator(c, {});
    utSystemFree(c);
}

TEST(BuddyAllocator, RandomSequenceAgreesWithModel) {
    BuddyContext* c = utBuddyInit(32, 7, 2);   // chunks of 2048 bytes
    std::map<void*, std::pair<uint32_t, uint8_t>> model;   // size, fill byte
    std::mt19937 random(20240611);
    auto pickSize = [&] { return random() % 100 < 85 ? random() % 500 : random() % 3000; };
    for (int step = 0; step < 4000; ++step) {
        const uint32_t action = random() % 10;
        void* p = nullptr;
        uint32_t size = pickSize(), kept = 0;
        uint8_t fill = uint8_t(random());
        if (model.empty() || action < 4) {
            p = utBuddyAlloc(c, size);
        } else {
            auto it = std::next(model.begin(), random() % model.size());
            void* old = it->first;
            const auto [oldSize, oldFill] = it->second;
            model.erase(it);
            if (action < 7) {
                utBuddyFree(c, old);
            } else {
                p = utBuddyReAlloc(c, old, size);
                kept = std::min(oldSize, size);
                fill = oldFill;
                ASSERT_NE(p, nullptr);
                for (uint32_t i = 0; i < kept; ++i) ASSERT_EQ(static_cast<uint8_t*>(p)[i], fill) << step;
            }
        }
        if (p != nullptr) {
            ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
            ASSERT_TRUE(model.emplace(p, std::make_pair(size, fill)).second) << "handed out twice";
            std::memset(static_cast<uint8_t*>(p) + kept, fill, size - kept);
        }
        std::vector<void*> live;
        for (auto& [q, l] : model) {
            live.push_back(q);
            if (l.first > 0) {
                ASSERT_EQ(static_cast<uint8_t*>(q)[l.first - 1], l.second) << "overwritten " << step;
            }
        }
        CheckAllocator(c, live);
        if (HasFatalFailure()) FAIL() << "at step " << step;
    }
    for (auto& [q, l] : model) utBuddyFree(c, q);
    CheckAllocator(c, {});
    utBuddyClose(c);
    utSystemFree(c);
}

}  // namespace
}  // namespace vrn
