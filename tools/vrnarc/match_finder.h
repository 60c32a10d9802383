// The match finder of the fast parse: the places in the 4 KiB window behind
// a position where its bytes occurred before.
//
// Three-byte prefixes are hashed into chains of earlier places, newest first;
// a table of the last place of every byte pair gives the two-byte references
// that the chains cannot see. The tables belong to the thread and outlive a
// member: places are kept as stamps that run on from member to member, more
// than a window apart, so that a new member never sees the last one's places
// and no table is cleared between members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/vrnarc/window_stamps.h"

namespace vrn::arc {

class MatchFinder {
public:
    MatchFinder(const uint8_t* data, size_t size);
    MatchFinder(const MatchFinder&) = delete;
    MatchFinder& operator=(const MatchFinder&) = delete;

    // Makes room for the stamps of the next kStampStretch places from `at`;
    // the parse calls it before each such stretch.
    void Reserve(size_t at) {
        if (stamps_.NeedsRebase(at)) stamps_.Rebase(at, {&tables_.head, &tables_.chain, &tables_.pair});
    }

    // Enters the place `at`.
    void Insert(size_t at) {
        const uint32_t stamp = stamps_.Of(at);
        if (at + 3 <= size_) {
            const uint32_t h = Hash(data_ + at);
            tables_.chain[stamp & (kStampWindow - 1)] = tables_.head[h];
            tables_.head[h] = stamp;
        }
        if (at + 2 <= size_) tables_.pair[static_cast<uint32_t>(data_[at]) << 8 | data_[at + 1]] = stamp;
    }

    // The longest match at `at` of at most `limit` bytes found within `depth`
    // chain steps: its length (0 when there is none of at least two bytes),
    // with `distance` set. The place must not be entered yet.
    uint32_t Longest(size_t at, uint32_t limit, int depth, uint32_t& distance) const;

private:
    static constexpr int kHashBits = 15;

    struct Tables {
        std::vector<uint32_t> head;
        std::vector<uint32_t> chain;
        std::vector<uint32_t> pair;
        uint32_t next = kFirstStamp;   // the stamp of the next member's first byte
    };
    static thread_local Tables tables_;

    static uint32_t Hash(const uint8_t* p) {
        const uint32_t v = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    const uint8_t* data_;
    size_t size_;
    MemberStamps stamps_;
};

}  // namespace vrn::arc
