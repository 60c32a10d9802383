// Decoding ahead must not change anything an extraction does: every archive
// here is extracted with it and without it, and the results, the files with
// their times, and the boxes shown are compared.
#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/system.h"
#include "tests/engine/archive/archive_fixture.h"

namespace vrn::test {
namespace {

struct Outcome {
    int32_t result = 0;
    std::map<std::string, std::string> files;   // relative path -> bytes and time
    std::string boxes;
    bool operator==(const Outcome&) const = default;
};

class DecodeAheadTest : public ArchiveTest {
protected:
    void TearDown() override {
        _decodeAhead = 1;
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
            if (S_ISDIR(st.st_mode))
                Collect(host, relative + name + "/", outcome);
            else
                // A member given the archive's time shows it; one left as it
                // was written carries the clock's, which two runs need not share.
                outcome.files[relative + name] =
                    ReadHostFile(host) + "@" +
                    (st.st_mtime < 1500000000 ? std::to_string(st.st_mtime) : std::string("written"));
        }
        ::closedir(d);
    }

    // Extracts the archive into a fresh destination, with or without
    // decoding ahead.
    Outcome Run(uint8_t ahead, const char* pattern = "*") {
        std::filesystem::remove_all(root + "/C/out");
        std::filesystem::create_directory(root + "/C/out");
        dialogs.Clear();
        _decodeAhead = ahead;
        Outcome outcome;
        outcome.result = Extract(pattern);
        Collect(root + "/C/out", "", outcome);
        outcome.boxes = Boxes();
        return outcome;
    }

    void ExpectSameBothWays(const char* pattern = "*") {
        const Outcome plain = Run(0, pattern);
        const Outcome ahead = Run(1, pattern);
        EXPECT_EQ(plain.result, ahead.result);
        EXPECT_EQ(plain.boxes, ahead.boxes);
        EXPECT_EQ(plain.files.size(), ahead.files.size());
        EXPECT_TRUE(plain.files == ahead.files);
    }
};

TEST_F(DecodeAheadTest, ManyMembersOfEverySizeExtractTheSame) {
    std::vector<MemberSpec> members;
    for (size_t size : {0, 1, 2, 17, 18, 4095, 4096, 4097, 61439, 61440, 61441, 200000})
        members.push_back(Compressed("sizes\\t" + std::to_string(size), TextBytes(size)));
    members.push_back(Compressed("sizes\\random", RandomBytes(70000, 5)));
    members.push_back(Stored("plain\\stored.txt", "stored between compressed members"));
    // Larger than is decoded ahead: the extraction decodes it itself while
    // the members after it are decoded ahead.
    members.push_back(Compressed("big\\large.txt", TextBytes(DECODE_AHEAD_MEMBER_MAX + 1)));
    // More than the budget holds, so that the decoding waits for room.
    for (int i = 0; i < 40; ++i)
        members.push_back(Compressed("many\\f" + std::to_string(i), TextBytes(150000 + static_cast<size_t>(i))));
    // The same name twice: the later member wins either way.
    members.push_back(Compressed("twice.txt", "first copy"));
    members.push_back(Compressed("twice.txt", TextBytes(9000)));
    WriteArchive(members);

    ExpectSameBothWays();
    const Outcome ahead = Run(1);
    EXPECT_EQ(ahead.result, 0) << ahead.boxes;
    EXPECT_EQ(ahead.files.size(), members.size() - 1);
    EXPECT_EQ(ReadHostFile(Out("twice.txt")), TextBytes(9000));
    EXPECT_EQ(ReadHostFile(Out("big/large.txt")), TextBytes(DECODE_AHEAD_MEMBER_MAX + 1));
    // A pattern selecting a few members in the middle.
    ExpectSameBothWays("many\\f3*");
    EXPECT_EQ(Run(1, "many\\f3*").files.size(), 11u);
}

TEST_F(DecodeAheadTest, DamagedAndOddStreamsAreLeftToTheArchiveReader) {
    // Well-formed streams with one thing changed: cut short, a stray byte
    // or flag byte at the end, a size that disagrees, a wrong data CRC.
    // Each member is followed by another, so that bytes read past a member
    // come from the next header as they do without decoding ahead.
    const std::string text = TextBytes(30000);
    const MemberSpec good = Compressed("d\\good.txt", text);
    std::vector<MemberSpec> variants;
    for (size_t cut : {1u, 2u, 3u}) {
        MemberSpec m = good;
        m.stream.resize(m.stream.size() - cut);
        variants.push_back(m);
    }
    for (const std::string& tail : {std::string("\x01", 1), std::string("\0", 1), std::string("\xFF", 1),
                                    std::string("\0\x10", 2)}) {
        MemberSpec m = good;
        m.stream += tail;
        variants.push_back(m);
    }
    for (int delta : {-1, 1}) {
        MemberSpec m = good;
        m.data.resize(m.data.size() + static_cast<size_t>(delta), 'x');
        variants.push_back(m);
    }
    MemberSpec wrongCRC = good;
    wrongCRC.overrideCRC = true;
    wrongCRC.crc = 12345;
    variants.push_back(wrongCRC);
    // A reference to window positions never written, as a first token.
    MemberSpec early;
    early.name = "d\\early.bin";
    early.method = ARCHIVE_METHOD_COMPRESSED;
    early.stream = StreamBuilder().Reference(100, 17).Literal('z').Reference(4000, 5).bytes;
    early.data = ReferenceDecode(early.stream);
    variants.push_back(early);

    for (uint32_t answer : {0u, 1u}) {
        _commandLineSwitch = answer == 0 ? SWITCH_BATCH : 0;
        SetEnv("TMP", "C:\\");
        for (size_t i = 0; i < variants.size(); ++i) {
            SCOPED_TRACE("variant " + std::to_string(i) + (answer == 0 ? " batch" : " interactive"));
            WriteArchive({Compressed("a\\before.txt", TextBytes(5000)), variants[i],
                          Compressed("z\\after.txt", TextBytes(7000))});
            ExpectSameBothWays();
        }
    }
    // The early reference decodes to zeros where nothing was written yet.
    WriteArchive({early});
    EXPECT_EQ(Run(1).result, 0);
    EXPECT_EQ(ReadHostFile(Out("d/early.bin")), std::string(17, '\0') + "z" + std::string(5, '\0'));
}

TEST_F(DecodeAheadTest, InMemoryDecoderNeedsTheExactSizeAndWholeStream) {
    const std::string data = TextBytes(20000) + RandomBytes(3000, 9) + std::string(5000, 'r');
    const MemberSpec m = Compressed("x", data);
    const auto* in = reinterpret_cast<const uint8_t*>(m.stream.data());
    const auto inLength = static_cast<uint32_t>(m.stream.size());
    std::string out(data.size() + 1, '\0');
    auto* o = reinterpret_cast<uint8_t*>(out.data());
    const auto size = static_cast<uint32_t>(data.size());
    ASSERT_EQ(DecodeStreamInMemory(in, inLength, o, size), 1);
    EXPECT_EQ(out.substr(0, data.size()), data);
    EXPECT_EQ(DecodeStreamInMemory(in, inLength, o, size - 1), 0);
    EXPECT_EQ(DecodeStreamInMemory(in, inLength, o, size + 1), 0);
    EXPECT_EQ(DecodeStreamInMemory(in, inLength - 1, o, size), 0);
    EXPECT_EQ(DecodeStreamInMemory(in, 0, o, 0), 0);
    // A token cut short by the end of the stream.
    const std::string lone = StreamBuilder().Literal('a').bytes + std::string(1, '\0');
    uint8_t small[4] = {};
    EXPECT_EQ(DecodeStreamInMemory(reinterpret_cast<const uint8_t*>(lone.data()), 2, small, 1), 1);
    EXPECT_EQ(DecodeStreamInMemory(reinterpret_cast<const uint8_t*>(lone.data()), 3, small, 1), 0);
}

}  // namespace
}  // namespace vrn::test
