// The match finder of the best parse: the longest match at every place.
//
// The places of the last window that share a hashed four-byte prefix form a
// binary search tree ordered by the (up to 17) bytes that follow each place,
// its root the newest place. Entering a place walks down from the root,
// measuring each place on the way against it, and splits the tree around
// it, so that the new place becomes the root; the walk finds the longest
// match among the places it measures, and a place the new one equals in all
// 17 bytes leaves the tree (the new one is nearer and as good). Tables of the
// last place of every three-byte prefix and byte pair give the short
// references. Places are stamps as in the fast parse's finder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/vrnarc/window_stamps.h"

namespace vrn::arc {

class TreeMatchFinder {
public:
    TreeMatchFinder(const uint8_t* data, size_t size);
    TreeMatchFinder(const TreeMatchFinder&) = delete;
    TreeMatchFinder& operator=(const TreeMatchFinder&) = delete;

    // Makes room for the stamps of the next kStampStretch places from `at`;
    // the parse calls it before each such stretch.
    void Reserve(size_t at) {
        if (stamps_.NeedsRebase(at))
            stamps_.Rebase(at, {&tables_.head, &tables_.tree, &tables_.triple, &tables_.pair});
    }

    // Enters the places [from, from + count) in turn (every place, none
    // skipped) and stores for each, at longest[k] and distances[k], the
    // longest match there that ends by `end` (length 0 when there is none of
    // at least two bytes).
    void Matches(size_t from, size_t count, size_t end, uint8_t* longest, uint16_t* distances);
    // Enters the places [from, from + count) without looking for matches.
    void Prime(size_t from, size_t count);

private:
    // Enters the place `at` and returns the length of the longest match
    // there of at most `limit` bytes that is longer than `known` (0 when
    // there is none of at least two bytes), with `distance` set; a match of
    // `known` bytes at `distance` is known already. kInside: a whole longest
    // match fits before the end and within the limit, as at nearly every
    // place, which spares the checks of what is left.
    template <bool kInside>
    uint32_t Enter(size_t at, uint32_t limit, uint32_t known, uint32_t& distance);

    static constexpr int kHeadBits = 14;
    static constexpr int kTripleBits = 16;
    // Tree nodes of places: two windows' worth, so that a place a whole
    // window back keeps its node.
    static constexpr uint32_t kNodes = 2 * kStampWindow;
    // The most places measured for one place; a deeper part of the tree is
    // cut off.
    static constexpr int kDepth = 32;

    struct Tables {
        std::vector<uint32_t> head;     // tree roots
        std::vector<uint32_t> tree;     // per node: the smaller, then the larger subtree
        std::vector<uint32_t> triple;   // the last place of a hashed three-byte prefix
        std::vector<uint32_t> pair;     // the last place of every byte pair
        uint32_t next = kFirstStamp;    // the stamp of the next member's first byte
    };
    static thread_local Tables threadTables_;

    Tables& tables_;
    const uint8_t* data_;
    size_t size_;
    MemberStamps stamps_;
};

}  // namespace vrn::arc
