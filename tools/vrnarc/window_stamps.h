// Stamps for the places of the compressor's match finders.
//
// A finder's tables hold places as 32-bit stamps that run on from member to
// member, each member starting more than a window past the last one's end:
// a place of an earlier member is then never within a window of a place of
// the current one, so the tables need no clearing between members, and stamp
// 0 marks an empty slot. Stamps are counted modulo 2^32; before they could
// wrap, the places still in the window are moved down to small stamps and
// every other slot is emptied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/archive/archive.h"

namespace vrn::arc {

inline constexpr uint32_t kStampWindow = LZSS_WINDOW_SIZE;
// The most places entered between two checks for rebasing: a block of the
// best parse with the window before it and the bytes after it that its
// comparisons read.
inline constexpr size_t kStampStretch = size_t{1} << 21;
// The first stamp of a fresh thread's tables.
inline constexpr uint32_t kFirstStamp = kStampWindow + 1;

class MemberStamps {
public:
    // `next`: the thread's stamp for the next member's first byte; on
    // destruction it is set past this member's end.
    MemberStamps(uint32_t& next, size_t size) : next_(next), size_(size), base_(next) {}
    ~MemberStamps() { next_ = Of(size_) + kStampWindow + 1; }
    MemberStamps(const MemberStamps&) = delete;
    MemberStamps& operator=(const MemberStamps&) = delete;

    uint32_t Of(size_t at) const { return base_ + static_cast<uint32_t>(at); }

    bool NeedsRebase(size_t at) const {
        return uint64_t{Of(at)} + kStampStretch + kStampWindow + 2 > UINT32_MAX;
    }
    // Moves the stamps of the tables so that `at` gets a small one.
    void Rebase(size_t at, std::initializer_list<std::vector<uint32_t>*> tables) {
        const uint32_t here = Of(at);
        const uint32_t delta = here - (kStampWindow + 2);
        for (std::vector<uint32_t>* table : tables)
            for (uint32_t& stamp : *table) stamp = here - stamp <= kStampWindow ? stamp - delta : 0;
        base_ -= delta;
    }

private:
    uint32_t& next_;
    size_t size_;
    uint32_t base_;   // the stamp of byte 0, modulo 2^32
};

}  // namespace vrn::arc
