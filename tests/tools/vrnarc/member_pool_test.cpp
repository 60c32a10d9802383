// The member pool in the tool's own process: members come back in order,
// made as the one-thread writer makes them, within the bound of bytes in
// flight.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/archive/archive_builder.h"
#include "tools/vrnarc/member_pool.h"

namespace vrn::test {
namespace {

struct PoolRecord {
    std::vector<std::string> order;
    std::vector<std::vector<uint8_t>> streams;
    std::vector<uint32_t> crcs;
    size_t mostInFlight = 0;
};

TEST(MemberPool, HandsBackInOrderWithinTheBudget) {
    std::vector<arc::MemberInput> inputs;
    for (int i = 0; i < 60; ++i) {
        arc::MemberInput in;
        in.name = "m" + std::to_string(i);
        const std::string bytes = i % 9 == 0 ? std::string() : TextBytes(static_cast<size_t>(i * 7919 % 300000));
        in.data.assign(bytes.begin(), bytes.end());
        inputs.push_back(in);
    }
    // One member larger than the budget, in the middle, with several blocks
    // of the best parse.
    const std::string large = TextBytes((size_t{5} << 20) / 2) + RandomBytes(100000, 3);
    inputs[30].data.assign(large.begin(), large.end());
    inputs[41].name = std::string(ARCHIVE_NAME_SIZE, 'n');   // cannot be a member

    const size_t budget = 2 * arc::MemberPool::Charge(300000);
    for (const auto level : {arc::CompressionLevel::Fast, arc::CompressionLevel::Best}) {
        arc::MemberOptions options;
        options.level = level;
        std::vector<std::vector<uint8_t>> expected;
        for (const arc::MemberInput& in : inputs) {
            std::vector<uint8_t> stream;
            arc::CompressStream(in.data.data(), in.data.size(), level, stream);
            expected.push_back(stream);
        }
        for (const uint32_t threads : {0u, 1u, 2u, 8u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, level " + std::to_string(static_cast<int>(level)));
            PoolRecord record;
            arc::MemberPool* current = nullptr;
            arc::MemberPool pool(threads, options, budget,
                                 [&](arc::MadeMember* made, const std::string& note, bool failure) {
                                     record.mostInFlight = std::max(record.mostInFlight, current->BytesInFlight());
                                     if (made == nullptr) {
                                         record.order.push_back(note + (failure ? "!" : ""));
                                         return;
                                     }
                                     record.order.push_back(made->error.empty() ? made->input.name : "error");
                                     record.streams.push_back(made->packed);
                                     record.crcs.push_back(made->crc);
                                 });
            current = &pool;
            for (size_t i = 0; i < inputs.size(); ++i) {
                if (i == 20) pool.Note("between", true);
                const size_t charge = arc::MemberPool::Charge(inputs[i].data.size());
                pool.MakeRoom(inputs[i].data.size());
                if (i == 30)
                    EXPECT_EQ(pool.BytesInFlight(), 0u);   // over the budget: admitted alone
                else
                    EXPECT_LE(pool.BytesInFlight() + charge, budget);
                pool.Add(inputs[i]);
                if (i != 30) {
                    EXPECT_LE(pool.BytesInFlight(), budget);
                }
            }
            pool.Finish();
            EXPECT_EQ(pool.BytesInFlight(), 0u);
            EXPECT_EQ(pool.PeakBytesInFlight(), arc::MemberPool::Charge(large.size()));
            EXPECT_LE(record.mostInFlight, arc::MemberPool::Charge(large.size()));

            std::vector<std::string> names;
            for (size_t i = 0; i < inputs.size(); ++i) {
                if (i == 20) names.push_back("between!");
                names.push_back(i == 41 ? "error" : inputs[i].name);
            }
            ASSERT_EQ(record.order, names);
            for (size_t i = 0, k = 0; i < inputs.size(); ++i) {
                if (i == 41) {
                    ++k;
                    continue;
                }
                EXPECT_TRUE(record.streams[k] == expected[i]) << inputs[i].name;
                EXPECT_EQ(record.crcs[k], arc::DataCRC(inputs[i].data.data(), inputs[i].data.size()));
                ++k;
            }
        }
    }
}

// Room is made before a member is read: what is in flight and the member
// to come stay within the budget, whatever the threads have finished.
TEST(MemberPool, AdmitsWithinTheBudget) {
    const std::string text = TextBytes(200000);
    const size_t charge = arc::MemberPool::Charge(text.size());
    for (const size_t members : {size_t{1}, size_t{3}, size_t{6}}) {
        SCOPED_TRACE(members);
        const size_t budget = members * charge;
        size_t handedBack = 0;
        arc::MemberPool pool(2, {}, budget, [&](arc::MadeMember*, const std::string&, bool) { ++handedBack; });
        for (int i = 0; i < 40; ++i) {
            pool.MakeRoom(text.size());
            EXPECT_LE(pool.BytesInFlight() + charge, std::max(budget, charge));
            arc::MemberInput in;
            in.name = "t" + std::to_string(i);
            in.data.assign(text.begin(), text.end());
            pool.Add(std::move(in));
        }
        pool.Finish();
        EXPECT_EQ(handedBack, 40u);
        EXPECT_LE(pool.PeakBytesInFlight(), budget);
    }
}

}  // namespace
}  // namespace vrn::test
