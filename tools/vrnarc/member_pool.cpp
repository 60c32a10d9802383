// The member pool: admission by charge, the threads' units of work, and the
// handing back in order.
#include "tools/vrnarc/member_pool.h"

#include <algorithm>

#include "tools/vrnarc/best_parse.h"

namespace vrn::arc {

namespace {

// The name, the bookkeeping and the header of a member, or a note.
constexpr size_t kItemOverhead = 4096;

}  // namespace

struct MemberPool::Item {
    MadeMember made;
    bool isNote = false;
    std::string note;
    bool failure = false;
    size_t charge = 0;
    std::vector<ParsedBlock> blocks;   // the best parse's, joined when handed back
    size_t pending = 0;                // units not yet done; under the mutex
};

MemberPool::MemberPool(uint32_t threads, const MemberOptions& options, size_t budget, Sink sink)
    : options_(options), budget_(budget), sink_(std::move(sink)) {
    threads_.reserve(threads);
    for (uint32_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

MemberPool::~MemberPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& t : threads_) t.join();
}

size_t MemberPool::Charge(size_t size) {
    // The data, the parsed blocks (a byte or two for each token, a bit per
    // token, a flag byte per block) and the stream (the data with a flag
    // byte per eight tokens), each at its largest.
    const size_t blocks = BestBlockCount(size);
    return size + (size + size / 8 + 2 * blocks) + (size + size / 8 + 16) + kItemOverhead;
}

void MemberPool::MakeRoom(size_t size) {
    const size_t charge = Charge(size);
    while (!items_.empty() && inFlight_ + charge > budget_) HandBackFirst(true);
}

void MemberPool::Add(MemberInput input) {
    MakeRoom(input.data.size());
    auto item = std::make_unique<Item>();
    item->charge = Charge(input.data.size());
    item->made.error = MemberError(input.name, input.data.size());
    item->made.input = std::move(input);
    size_t units = 0;
    if (item->made.error.empty()) {
        const size_t size = item->made.input.data.size();
        const bool blocked = !options_.store && options_.level == CompressionLevel::Best;
        units = blocked ? std::max<size_t>(1, BestBlockCount(size)) : 1;
        if (blocked) item->blocks.resize(BestBlockCount(size));
    }
    Admit(std::move(item), units);
}

void MemberPool::Note(std::string text, bool failure) {
    auto item = std::make_unique<Item>();
    item->isNote = true;
    item->charge = kItemOverhead;
    item->note = std::move(text);
    item->failure = failure;
    Admit(std::move(item), 0);
}

void MemberPool::Finish() {
    while (!items_.empty()) HandBackFirst(true);
}

void MemberPool::Admit(std::unique_ptr<Item> item, size_t units) {
    Item* raw = item.get();
    inFlight_ += item->charge;
    peak_ = std::max(peak_, inFlight_);
    items_.push_back(std::move(item));
    if (threads_.empty()) {
        for (size_t k = 0; k < units; ++k) RunUnit(*raw, k);
        HandBackFirst(false);
        return;
    }
    if (units > 0) {
        {
            std::lock_guard lock(mutex_);
            raw->pending = units;
            for (size_t k = 0; k < units; ++k) units_.push_back({raw, k});
        }
        if (units == 1)
            workReady_.notify_one();
        else
            workReady_.notify_all();
    }
    // Whatever is done already goes out now, keeping the memory in flight low.
    while (HandBackFirst(false)) {
    }
}

void MemberPool::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        workReady_.wait(lock, [this] { return stopping_ || !units_.empty(); });
        if (units_.empty()) return;
        const Unit unit = units_.front();
        units_.pop_front();
        lock.unlock();
        RunUnit(*unit.item, unit.index);
        lock.lock();
        if (--unit.item->pending == 0) unitDone_.notify_one();
    }
}

// The first unit takes the CRC and, but for the best parse's blocks, the
// whole stream; each unit writes only its own part of the item.
void MemberPool::RunUnit(Item& item, size_t index) {
    const std::vector<uint8_t>& data = item.made.input.data;
    if (index == 0) item.made.crc = DataCRC(data.data(), data.size());
    if (options_.store) return;
    if (!item.blocks.empty())
        ParseBestBlock(data.data(), data.size(), index, item.blocks[index]);
    else if (options_.level != CompressionLevel::Best)
        CompressStream(data.data(), data.size(), options_.level, item.made.packed);
}

bool MemberPool::HandBackFirst(bool wait) {
    if (items_.empty()) return false;
    Item& first = *items_.front();
    if (!threads_.empty()) {
        std::unique_lock lock(mutex_);
        if (wait)
            unitDone_.wait(lock, [&first] { return first.pending == 0; });
        else if (first.pending != 0)
            return false;
    }
    if (!first.blocks.empty()) {
        const size_t size = first.made.input.data.size();
        first.made.packed.reserve(size + size / 8 + 16);
        BlockJoiner joiner{first.made.packed};
        for (ParsedBlock& block : first.blocks) {
            joiner.Append(block);
            block = ParsedBlock{};
        }
    }
    if (first.isNote)
        sink_(nullptr, first.note, first.failure);
    else
        sink_(&first.made, first.note, false);
    const size_t charge = first.charge;
    items_.pop_front();
    inFlight_ -= charge;
    return true;
}

}  // namespace vrn::arc
