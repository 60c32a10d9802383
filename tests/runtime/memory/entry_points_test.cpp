// The memory entry points on the system heap and through an installed
// manager, the exhaustion hook, and the bit arrays.
#include <cstring>

#include <gtest/gtest.h>

#include "runtime/memory/memory.h"

namespace vrn {
namespace {

TEST(MemoryEntryPoints, SystemHeapAndRefusalHook) {
    ASSERT_EQ(_pgHeap, nullptr);
    auto* cleared = static_cast<uint8_t*>(utcalloc(5, 9));
    ASSERT_NE(cleared, nullptr);
    for (int i = 0; i < 45; ++i) EXPECT_EQ(cleared[i], 0);
    std::memcpy(cleared, "abc", 4);
    cleared = static_cast<uint8_t*>(utrealloc(cleared, 4000));
    ASSERT_NE(cleared, nullptr);
    EXPECT_STREQ(reinterpret_cast<char*>(cleared), "abc");
    utfree(cleared);
    EXPECT_EQ(utcalloc(-1, 4), nullptr);
    EXPECT_EQ(utcalloc(0x10000, 0x10000), nullptr);

    // Two requests granted, then two refused, then granted again.
    utFailAllocations(2, 2);
    void* first = utmalloc(8);
    void* second = utcalloc(1, 8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(utmalloc(8), nullptr);
    EXPECT_EQ(utrealloc(first, 64), nullptr);   // the old block stays valid
    void* third = utmalloc(8);
    EXPECT_NE(third, nullptr);
    utFailAllocations(0, -1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(utmalloc(1), nullptr);
    utFailAllocations(0, 0);
    void* fourth = utmalloc(1);
    EXPECT_NE(fourth, nullptr);
    for (void* p : {first, second, third, fourth}) utfree(p);
}

TEST(MemoryEntryPoints, InstalledManagerServesEveryEntryPoint) {
    BuddyContext* first = utBuddyInit(32, 8, 1);
    BuddyContext* second = utBuddyInit(64, 8, 1);
    utSetGPHeapManager(first);
    utSetGPHeapManager(second);
    EXPECT_EQ(_pgHeap, first);

    void* p = utmalloc(40);
    auto* h = reinterpret_cast<BuddyHeader*>(static_cast<char*>(p) - BUDDY_HEADER_SIZE);
    EXPECT_EQ(h->magic, BUDDY_MAGIC);
    EXPECT_EQ(h->order, 1);
    auto* zeros = static_cast<uint8_t*>(utcalloc(10, 10));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(zeros[i], 0);
    std::memset(p, 1, 40);
    p = utrealloc(p, 90);
    EXPECT_EQ(reinterpret_cast<BuddyHeader*>(static_cast<char*>(p) - BUDDY_HEADER_SIZE)->order, 2);
    EXPECT_EQ(static_cast<uint8_t*>(p)[39], 1);
    utfree(p);
    utfree(zeros);
    EXPECT_EQ(first->freeChunks, 1u);

    // This test owns the manager only for its own run.
    _pgHeap = nullptr;
    utBuddyClose(first);
    utSystemFree(first);
    utSystemFree(second);
}

TEST(BitArrays, WordAndByteNumbering) {
    uint32_t words[3] = {};
    utsetbit(words, 0);
    utsetbit(words, 33);
    utsetbit(words, 95);
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[1], 2u);
    EXPECT_EQ(words[2], 0x80000000u);
    EXPECT_EQ(uttstbit(words, 33), 1);
    EXPECT_EQ(uttstbit(words, 32), 0);
    EXPECT_EQ(uttstbit(words, 95), 1);
    utclrbit(words, 33);
    EXPECT_EQ(words[1], 0u);
    EXPECT_EQ(uttstbit(words, 33), 0);
    EXPECT_EQ(words[2], 0x80000000u);

    const uint8_t bytes[2] = {0x01, 0x02};
    EXPECT_EQ(uttstbyt(0xFFFFFFFFu, bytes, 9), 1);
    EXPECT_EQ(uttstbyt(0, bytes, 8), 0);
    EXPECT_EQ(uttstbyt(0, bytes, 0), 1);
    EXPECT_EQ(uttstbyt(0, bytes, 1), 0);
}

}  // namespace
}  // namespace vrn
