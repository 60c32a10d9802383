// Members made ready on a small pool of threads and handed back in order.
//
// One thread (the caller's) adds members and notes in the archive's order;
// the pool's threads take the CRC and compress; the caller's thread gets
// every member and note back through the sink in exactly the order given, so
// that what is written and printed does not depend on the number of threads.
// The best parse of a large member is split into its blocks, which the
// threads parse side by side. With no threads, everything is done in Add and
// Note, on the caller's thread.
//
// Memory in flight is bounded: a member added and not yet handed back is
// charged Charge(its size), which covers its data, its parsed blocks and its
// stream at their largest. A member is admitted only while the charges stay
// within the budget, or when it is the only one in flight; the caller asks
// for room (MakeRoom) before it reads a file, so that it holds only the files
// admitted and the one it reads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/vrnarc/archive_writer.h"

namespace vrn::arc {

class MemberPool {
public:
    // A member made ready, or (member null) a note with its text; failure
    // tells the notes of failures from the others.
    using Sink = std::function<void(MadeMember* member, const std::string& note, bool failure)>;

    // The default budget of bytes in flight.
    static constexpr size_t kDefaultBudget = size_t{64} << 20;

    MemberPool(uint32_t threads, const MemberOptions& options, size_t budget, Sink sink);
    ~MemberPool();
    MemberPool(const MemberPool&) = delete;
    MemberPool& operator=(const MemberPool&) = delete;

    // Hands back members until one of `size` bytes can be admitted.
    void MakeRoom(size_t size);
    // Adds a member (after making room for it).
    void Add(MemberInput input);
    // Adds a note between the members added before and after it.
    void Note(std::string text, bool failure);
    // Hands back everything added.
    void Finish();

    // The bytes a member of `size` bytes is charged while in flight.
    static size_t Charge(size_t size);
    size_t BytesInFlight() const { return inFlight_; }
    size_t PeakBytesInFlight() const { return peak_; }

private:
    struct Item;
    struct Unit {
        Item* item;
        size_t index;
    };

    void Work();
    void RunUnit(Item& item, size_t index);
    void Admit(std::unique_ptr<Item> item, size_t units);
    // Hands back the oldest item, waiting for it when `wait` is set; false
    // when it is not done (or there is none).
    bool HandBackFirst(bool wait);

    const MemberOptions options_;
    const size_t budget_;
    const Sink sink_;
    // The caller's thread alone uses these.
    std::deque<std::unique_ptr<Item>> items_;
    size_t inFlight_ = 0, peak_ = 0;
    // Shared with the threads.
    std::mutex mutex_;
    std::condition_variable workReady_, unitDone_;
    std::deque<Unit> units_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace vrn::arc
