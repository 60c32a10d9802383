// The memory entry points on the system heap and through an installed
// manager, the exhaustion hook, and the bit arrays.
#include <cstring>

#include <gtest/gtest.h>

#include "runtime/memory/memory.h"

namespace vrn {
namespace {

TEST(MemoryEntryPoints, SystemHeapRefusalsAndAnInstalledManager) {
    ASSERT_EQ(_pgHeap, nullptr);
    auto* cleared = static_cast<uint8_t*>(utcalloc(5, 9));
    for (int i = 0; i < 45; ++i) EXPECT_EQ(cleared[i], 0);
    EXPECT_EQ(utcalloc(-1, 4), nullptr);
    EXPECT_EQ(utcalloc(0x10000, 0x10000), nullptr);
    utFailAllocations(1, 2);   // one granted, two refused, then granted again
    void* first = utmalloc(8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(utmalloc(8), nullptr);
    EXPECT_EQ(utrealloc(cleared, 64), nullptr);   // the old block stays
    void* later = utmalloc(8);
    EXPECT_NE(later, nullptr);
    utFailAllocations(0, 0);
    for (void* p : {first, later, static_cast<void*>(cleared)}) utfree(p);

    BuddyContext* manager = utBuddyInit(32, 8, 1);
    BuddyContext* second = utBuddyInit(64, 8, 1);
    utSetGPHeapManager(manager);
    utSetGPHeapManager(second);
    EXPECT_EQ(_pgHeap, manager);
    void* p = utmalloc(40);
    auto* zeros = static_cast<uint8_t*>(utcalloc(10, 10));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(zeros[i], 0);
    std::memset(p, 1, 40);
    p = utrealloc(p, 90);
    auto* h = reinterpret_cast<BuddyHeader*>(static_cast<char*>(p) - BUDDY_HEADER_SIZE);
    EXPECT_EQ(h->magic, BUDDY_MAGIC);
    EXPECT_EQ(h->order, 2);
    EXPECT_EQ(static_cast<uint8_t*>(p)[39], 1);
    utfree(p);
    utfree(zeros);
    EXPECT_EQ(manager->freeChunks, 1u);
    _pgHeap = nullptr;   // the manager belongs to this test only
    utBuddyClose(manager);
    utSystemFree(manager);
    utSystemFree(second);
}

TEST(BitArrays, WordAndByteNumbering) {
    uint32_t words[3] = {};
    for (int bit : {0, 33, 95}) utsetbit(words, bit);
    EXPECT_TRUE(words[0] == 1u && words[1] == 2u && words[2] == 0x80000000u);
    EXPECT_TRUE(uttstbit(words, 33) == 1 && uttstbit(words, 32) == 0);
    utclrbit(words, 33);
    EXPECT_TRUE(words[1] == 0u && words[2] == 0x80000000u && uttstbit(words, 33) == 0);
    const uint8_t bytes[2] = {0x01, 0x02};
    EXPECT_EQ(uttstbyt(0xFFFFFFFFu, bytes, 9), 1);
    EXPECT_EQ(uttstbyt(0, bytes, 8), 0);
    EXPECT_EQ(uttstbyt(0, bytes, 0), 1);
}

}  // namespace
}  // namespace vrn
