// Decoding on threads must change nothing an extraction does. Every archive
// here is extracted, and tested, with its members decoded in the extracting
// thread and on pools of 1, 2 and 8 threads; the results, the files with
// their bytes and times, the boxes, the log and the members reported done
// must agree exactly.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/system.h"
#include "runtime/memory/memory.h"
#include "tests/engine/archive/archive_fixture.h"

namespace vrn::test {
namespace {

constexpr uint32_t kPools[] = {1, 2, 8};
constexpr uint32_t kBlock = RW_BUFFER_MAX;

struct Outcome {
    int32_t result = 0;
    std::map<std::string, std::string> files;   // relative path -> bytes, then the time when it was set
    std::string boxes;
    std::string log;
    std::string done;   // the members reported done, in order
    bool operator==(const Outcome&) const = default;
};

std::string* doneMembers = nullptr;
void RecordDone(const char*, const ArchiveFileHeader* header) {
    if (doneMembers != nullptr) *doneMembers += std::string(header->fileName) + "\n";
}

// How the corrupted-file question is answered: batch (skip without a box),
// OK (skip), Cancel then Yes (stop).
enum class Answer { Batch, Skip, Stop };

class DecodingThreadsTest : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        SetEnv("TMP", "C:\\");
        _memberDoneHook = RecordDone;
    }
    void TearDown() override {
        _decodeThreads = DECODE_THREADS_DEFAULT;
        _memberDoneHook = nullptr;
        doneMembers = nullptr;
        utFailAllocations(0, 0);
        ArchiveTest::TearDown();
    }

    void Collect(const std::string& dir, const std::string& relative, Outcome& outcome) {
        DIR* d = ::opendir(dir.c_str());
        if (d == nullptr) return;
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string host = dir + "/" + name;
            struct stat st {};
            ::lstat(host.c_str(), &st);
            if (S_ISDIR(st.st_mode)) {
                Collect(host, relative + name + "/", outcome);
                continue;
            }
            // A file whose times were not set has the time of its writing.
            const bool timed = st.st_mtime == 1100000000;
            outcome.files[relative + name] = ReadHostFile(host) + (timed ? "@timed" : "@untimed");
        }
        ::closedir(d);
    }

    // One extraction (or test) into a fresh destination, the members decoded
    // on `threads` threads (0: in the extracting thread).
    Outcome Run(uint32_t threads, uint8_t testing, Answer answer, const char* pattern = "*",
                int32_t failSkip = -1) {
        std::filesystem::remove_all(root + "/C/out");
        std::filesystem::create_directory(root + "/C/out");
        std::filesystem::remove(root + "/C/install.log");
        dialogs.Clear();
        if (answer == Answer::Stop) dialogs.answers = {IDCANCEL, IDYES};
        _commandLineSwitch = answer == Answer::Batch ? SWITCH_BATCH : 0;
        _decodeThreads = threads;
        Outcome outcome;
        doneMembers = &outcome.done;
        if (failSkip >= 0) utFailAllocations(failSkip, 1);
        outcome.result = Extract(pattern, testing);
        utFailAllocations(0, 0);
        doneMembers = nullptr;
        Collect(root + "/C/out", "", outcome);
        for (const DialogRecord& b : dialogs.boxes)
            outcome.boxes += "[" + b.title + "|" + std::to_string(b.style) + "] " + b.text + "\n";
        // The log without its header lines, which carry the time.
        const std::string log =
            Exists(root + "/C/install.log") ? ReadHostFile(root + "/C/install.log") : std::string();
        for (size_t at = 0; at < log.size();) {
            const size_t end = std::min(log.find('\n', at), log.size());
            const std::string line = log.substr(at, end - at);
            if (line.rfind("VARENTIS INSTALL UTILITY LOG", 0) != 0) outcome.log += line + "\n";
            at = end + 1;
        }
        return outcome;
    }

    // The outcome of decoding in the extracting thread, after checking that
    // every pool gives the same.
    Outcome ExpectSameOnEveryPool(uint8_t testing, Answer answer, const char* pattern = "*",
                                  int32_t failSkip = -1) {
        const Outcome serial = Run(0, testing, answer, pattern, failSkip);
        for (uint32_t threads : kPools) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const Outcome pooled = Run(threads, testing, answer, pattern, failSkip);
            EXPECT_EQ(serial.result, pooled.result);
            EXPECT_EQ(serial.boxes, pooled.boxes);
            EXPECT_EQ(serial.log, pooled.log);
            EXPECT_EQ(serial.done, pooled.done);
            EXPECT_EQ(serial.files.size(), pooled.files.size());
            for (const auto& [name, bytes] : serial.files) {
                const auto other = pooled.files.find(name);
                if (other == pooled.files.end()) {
                    ADD_FAILURE() << name << " missing";
                    continue;
                }
                EXPECT_TRUE(bytes == other->second) << name << ": " << bytes.size() << " against "
                                                    << other->second.size() << " bytes";
            }
        }
        return serial;
    }
};

TEST_F(DecodingThreadsTest, EveryKindOfMemberExtractsAndTestsTheSame) {
    std::vector<MemberSpec> members;
    for (size_t size : {size_t{0}, size_t{1}, size_t{2}, size_t{17}, size_t{18}, size_t{4095}, size_t{4096},
                        size_t{4097}, size_t{kBlock - 1}, size_t{kBlock}, size_t{kBlock + 1}, size_t{3 * kBlock},
                        size_t{3 * kBlock + 1}, size_t{200000}})
        members.push_back(Compressed("sizes\\t" + std::to_string(size), TextBytes(size)));
    members.push_back(Compressed("sizes\\random", RandomBytes(70000, 5)));
    members.push_back(Stored("plain\\stored.txt", "stored between compressed members"));
    // Far larger than a block: written while the rest of it is decoded.
    members.push_back(Compressed("big\\mixed.bin", TextBytes(900000) + RandomBytes(300000, 7) + TextBytes(5)));
    members.push_back(Compressed("big\\best.txt", TextBytes(700000), arc::CompressionLevel::Best));
    // More than the threads may hold at once, in bytes and in members.
    for (int i = 0; i < 30; ++i)
        members.push_back(Compressed("many\\f" + std::to_string(i), TextBytes(150000 + static_cast<size_t>(i))));
    for (int i = 0; i < 200; ++i)
        members.push_back(Compressed("small\\s" + std::to_string(i), TextBytes(static_cast<size_t>(i) * 7)));
    // The same name twice: the later member wins.
    members.push_back(Compressed("twice.txt", "first copy"));
    members.push_back(Compressed("twice.txt", TextBytes(9000)));
    WriteArchive(members);

    const Outcome extracted = ExpectSameOnEveryPool(0, Answer::Skip);
    ASSERT_EQ(extracted.result, 0) << extracted.boxes;
    EXPECT_EQ(extracted.files.size(), members.size() - 1);
    EXPECT_EQ(extracted.files.at("big/mixed.bin"),
              TextBytes(900000) + RandomBytes(300000, 7) + TextBytes(5) + "@timed");
    EXPECT_EQ(extracted.files.at("twice.txt"), TextBytes(9000) + "@timed");
    const Outcome tested = ExpectSameOnEveryPool(1, Answer::Skip);
    EXPECT_EQ(tested.result, 0);
    EXPECT_TRUE(tested.files.empty());
    EXPECT_EQ(tested.done, extracted.done);
    // A pattern selecting a few members in the middle.
    const Outcome some = ExpectSameOnEveryPool(0, Answer::Skip, "many\\f2*");
    EXPECT_EQ(some.files.size(), 11u);
}

// One damaged or odd member, with what it was made from.
struct Variant {
    std::string what;
    MemberSpec member;
};

std::vector<Variant> DamagedVariants() {
    std::vector<Variant> variants;
    const MemberSpec good = Compressed("d\\good.txt", TextBytes(30000));
    for (size_t cut : {1u, 2u, 3u}) {
        MemberSpec m = good;
        m.stream.resize(m.stream.size() - cut);
        variants.push_back({"cut by " + std::to_string(cut), m});
    }
    for (const std::string& tail : {std::string("\x01", 1), std::string("\0", 1), std::string("\xFF", 1),
                                    std::string("\0\x10", 2), std::string(70000, '\xFF')})
        variants.push_back({"tail of " + std::to_string(tail.size()), [&] {
                                MemberSpec m = good;
                                m.stream += tail;
                                return m;
                            }()});
    for (int delta : {-1, 1, -20000}) {
        MemberSpec m = good;
        m.data.resize(m.data.size() + static_cast<size_t>(delta), 'x');
        variants.push_back({"size off by " + std::to_string(delta), m});
    }
    MemberSpec wrongCRC = good;
    wrongCRC.overrideCRC = true;
    wrongCRC.crc = 12345;
    variants.push_back({"wrong CRC", wrongCRC});
    MemberSpec empty;
    empty.name = "d\\nothing.bin";
    empty.data = "no stream at all";
    empty.method = ARCHIVE_METHOD_COMPRESSED;
    variants.push_back({"no stream", empty});
    // A large member whose stream stops after several blocks, and one whose
    // header promises more than its stream gives.
    MemberSpec large = Compressed("d\\large.bin", TextBytes(5 * kBlock) + RandomBytes(kBlock, 3));
    MemberSpec halved = large;
    halved.stream.resize(halved.stream.size() / 2);
    variants.push_back({"large cut in half", halved});
    MemberSpec longer = large;
    longer.data += TextBytes(3 * kBlock);
    longer.overrideCRC = true;
    longer.crc = arc::DataCRC(reinterpret_cast<const uint8_t*>(longer.data.data()), longer.data.size());
    variants.push_back({"large promising more", longer});
    MemberSpec cutStored = Stored("d\\stored.bin", RandomBytes(70000, 9));
    cutStored.overrideStoredSize = true;
    cutStored.storedSize = 90000;
    variants.push_back({"stored longer than its data", cutStored});
    // A stream whose first input chunk gives exactly the file's bytes, with
    // more after it: the reading stops after that chunk, and the next header
    // is looked for inside the member's data.
    StreamBuilder exact;
    std::string literals;
    while (exact.bytes.size() < RW_BUFFER_MAX + 1) {
        literals.push_back(static_cast<char>('a' + literals.size() % 23));
        exact.Literal(literals.back());
    }
    MemberSpec overlong;
    overlong.name = "d\\overlong.txt";
    overlong.method = ARCHIVE_METHOD_COMPRESSED;
    overlong.data = literals;
    overlong.stream = exact.bytes + TextBytes(100);
    variants.push_back({"overlong stream", overlong});
    // References to window positions never written, as first tokens.
    MemberSpec early;
    early.name = "d\\early.bin";
    early.method = ARCHIVE_METHOD_COMPRESSED;
    early.stream = StreamBuilder().Reference(100, 17).Literal('z').Reference(4000, 5).bytes;
    early.data = ReferenceDecode(early.stream);
    variants.push_back({"early references", early});
    return variants;
}

TEST_F(DecodingThreadsTest, DamagedMembersAtTheStartMiddleAndEnd) {
    const MemberSpec before = Compressed("a\\before.txt", TextBytes(5000));
    const MemberSpec large = Compressed("a\\large.txt", TextBytes(2 * kBlock + 3));
    const MemberSpec after = Compressed("z\\after.txt", TextBytes(7000));
    for (const Variant& v : DamagedVariants()) {
        const std::vector<std::vector<MemberSpec>> archives = {
            {v.member, before, after}, {before, large, v.member, after}, {before, large, v.member}};
        for (size_t place = 0; place < archives.size(); ++place) {
            WriteArchive(archives[place]);
            for (Answer answer : {Answer::Batch, Answer::Skip, Answer::Stop}) {
                for (uint8_t testing : {0, 1}) {
                    SCOPED_TRACE(v.what + ", place " + std::to_string(place) + ", answer " +
                                 std::to_string(static_cast<int>(answer)) + (testing ? ", testing" : ""));
                    const Outcome o = ExpectSameOnEveryPool(testing, answer);
                    // What came before the member stays; after a member not
                    // extracted whole nothing is written.
                    if (!testing && place > 0) {
                        EXPECT_EQ(o.files.count("a/before.txt"), 1u);
                    }
                    if (!testing && place < 2 && o.done.find(v.member.name) == std::string::npos) {
                        EXPECT_EQ(o.files.count("z/after.txt"), 0u);
                    }
                }
            }
        }
    }
}

TEST_F(DecodingThreadsTest, DamageShowsWhereTheSerialDecodingShowsIt) {
    // The large member cut in half: its file keeps the whole buffers written
    // before the stream ran out, the archive is reported unreadable, and the
    // member after it is not extracted.
    MemberSpec large = Compressed("d\\large.bin", TextBytes(5 * kBlock) + RandomBytes(kBlock, 3));
    large.stream.resize(large.stream.size() / 2);
    WriteArchive({Compressed("a\\before.txt", "before"), large, Compressed("z\\after.txt", "after")});
    const Outcome o = ExpectSameOnEveryPool(0, Answer::Skip);
    EXPECT_EQ(o.result, RESULT_STOP);
    EXPECT_EQ(o.boxes, "[ERROR|0] Archive C:\\a.vrn is missing or cannot be read.\n");
    const std::string partial = o.files.at("d/large.bin");
    EXPECT_GT(partial.size(), kBlock);
    EXPECT_EQ((partial.size() - std::string("@untimed").size()) % kBlock, 0u);
    EXPECT_EQ(o.files.count("z/after.txt"), 0u);
    EXPECT_EQ(o.done, "a\\before.txt\n");

    // With no stream the file is removed and the question asked; skipping
    // it abandons the rest of the archive.
    MemberSpec empty;
    empty.name = "d\\nothing.bin";
    empty.data = "no stream at all";
    empty.method = ARCHIVE_METHOD_COMPRESSED;
    WriteArchive({Compressed("a\\before.txt", "before"), empty});
    const Outcome skipped = ExpectSameOnEveryPool(0, Answer::Skip);
    EXPECT_EQ(skipped.result, 0);
    EXPECT_EQ(skipped.files.size(), 1u);
    ASSERT_NE(skipped.boxes.find("[Corrupted File"), std::string::npos) << skipped.boxes;
}

TEST_F(DecodingThreadsTest, ShortMemoryIsMetTheSameWay) {
    // Each of the extraction's heap requests refused in turn, among them the
    // decoding buffers of each member: a shorter read/write buffer writes
    // in other pieces, a shorter input buffer sends the member back to the
    // extracting thread.
    WriteArchive({Compressed("a\\one.txt", TextBytes(3000)), Compressed("b\\two.txt", TextBytes(2 * kBlock + 9)),
                  Stored("c\\three.txt", "three"), Compressed("d\\four.txt", TextBytes(100))});
    std::set<std::string> outcomes;
    for (int32_t skip = 0; skip < 40; ++skip) {
        SCOPED_TRACE("request " + std::to_string(skip) + " refused");
        const Outcome o = ExpectSameOnEveryPool(0, Answer::Batch, "*", skip);
        std::string summary = std::to_string(o.result);
        for (const auto& [name, bytes] : o.files) summary += " " + name + ":" + std::to_string(bytes.size());
        outcomes.insert(summary);
    }
    // Refusals at different places end differently.
    EXPECT_GE(outcomes.size(), 4u);

    // A stream of 240,000 literals where the header promises more: the file
    // keeps the whole buffers written before the stream ran out, four of
    // 59,392 bytes when the first try for the read/write buffer is refused,
    // the last of them partly from the bytes decoded after the third block.
    StreamBuilder literals;
    std::string data;
    for (int i = 0; i < 240000; ++i) {
        data.push_back(static_cast<char>(i * 7 % 251));
        literals.Literal(data.back());
    }
    MemberSpec promising;
    promising.name = "p.bin";
    promising.method = ARCHIVE_METHOD_COMPRESSED;
    promising.data = data + std::string(60000, 'x');
    promising.stream = literals.bytes;
    WriteArchive({promising});
    std::set<size_t> sizes;
    for (int32_t skip = 0; skip < 16; ++skip) {
        SCOPED_TRACE("request " + std::to_string(skip) + " refused");
        const Outcome o = ExpectSameOnEveryPool(0, Answer::Batch, "*", skip);
        if (o.files.count("p.bin") != 0) sizes.insert(o.files.at("p.bin").size() - std::string("@untimed").size());
    }
    EXPECT_EQ(sizes.count(3 * kBlock), 1u);
    EXPECT_EQ(sizes.count(4 * (kBlock - RW_BUFFER_STEP)), 1u);
}

// The number of threads: VRN_THREADS when it is a number (capped), else one
// per processor in all up to the default's cap, the extracting thread one
// of them when it writes; never none unless asked for.
TEST(DecodeThreadCountTest, EnvironmentElseOnePerProcessor) {
    const char* saved = std::getenv("VRN_THREADS");
    const std::string savedValue = saved ? saved : "";
    _decodeThreads = DECODE_THREADS_DEFAULT;
    ::unsetenv("VRN_THREADS");
    const unsigned processors = std::thread::hardware_concurrency();
    const uint32_t expected = processors == 0 ? 1 : std::min<uint32_t>(processors, DECODE_THREADS_DEFAULT_MAX);
    EXPECT_EQ(DecodeThreadCount(), expected);
    EXPECT_GE(DecodeThreadCount(), 1u);
    // Extracting, the extracting thread counts as one of them.
    const uint32_t extracting = processors <= 1 ? 1 : std::min<uint32_t>(processors - 1, DECODE_THREADS_DEFAULT_MAX);
    EXPECT_EQ(DecodeThreadCount(0), extracting);
    ::setenv("VRN_THREADS", "3", 1);
    EXPECT_EQ(DecodeThreadCount(), 3u);
    EXPECT_EQ(DecodeThreadCount(0), 3u);
    ::setenv("VRN_THREADS", "0", 1);
    EXPECT_EQ(DecodeThreadCount(), 0u);
    ::setenv("VRN_THREADS", "1000", 1);
    EXPECT_EQ(DecodeThreadCount(), DECODE_THREADS_MAX);
    ::setenv("VRN_THREADS", "two", 1);
    EXPECT_EQ(DecodeThreadCount(), expected);
    _decodeThreads = 5;
    EXPECT_EQ(DecodeThreadCount(), 5u);
    EXPECT_EQ(DecodeThreadCount(0), 5u);
    _decodeThreads = DECODE_THREADS_DEFAULT;
    if (saved) ::setenv("VRN_THREADS", savedValue.c_str(), 1); else ::unsetenv("VRN_THREADS");
}

}  // namespace
}  // namespace vrn::test
