// The compressed method on hand-made streams: every stream is extracted by
// the engine and compared with the plain reference decoding.
#include <string>

#include "platform/system.h"
#include "tests/engine/archive/archive_fixture.h"

namespace vrn::test {
namespace {

class DecoderTest : public ArchiveTest {
protected:
    // Extracts one compressed member holding `stream` that stands for
    // `expected`, and checks the file and that nothing was reported.
    void ExpectDecodes(const std::string& stream, const std::string& expected) {
        ASSERT_EQ(ReferenceDecode(stream), expected) << "the test's stream itself is wrong";
        MemberSpec m;
        m.name = "m.bin";
        m.data = expected;
        m.stream = stream;
        m.method = ARCHIVE_METHOD_COMPRESSED;
        WriteArchive({m});
        EXPECT_EQ(Extract("*", 1), 0) << Boxes();
        EXPECT_EQ(Extract(), 0) << Boxes();
        EXPECT_EQ(ReadHostFile(Out("m.bin")), expected);
        EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
    }
};

TEST_F(DecoderTest, LiteralsOverlappingRunsAndLongestReference) {
    // A flag byte of all literals and its eight bytes.
    ExpectDecodes(std::string("\xFF") + "ABCDEFGH", "ABCDEFGH");
    // X at position 1, then position 1 length 2 copies the bytes it writes.
    ExpectDecodes(StreamBuilder().Literal('X').Reference(1, 2).bytes, "XXX");
    // b1 = 0xF0: 17 bytes, a run from one literal.
    StreamBuilder longest;
    longest.Literal('a').Literal('b').Reference(1, 17);
    EXPECT_EQ(static_cast<uint8_t>(longest.bytes[3]), 0xF0);
    ExpectDecodes(longest.bytes, "ab" + std::string("ababababababababa"));
    // Flag bits across two groups, references and literals mixed.
    StreamBuilder mixed;
    mixed.Literal('1').Literal('2').Literal('3');
    for (int i = 0; i < 10; ++i) mixed.Reference(1, 3).Literal(static_cast<char>('a' + i));
    ExpectDecodes(mixed.bytes, ReferenceDecode(mixed.bytes));
}

TEST_F(DecoderTest, WindowWrapsFromPosition4095ToZero) {
    // 4,100 literals: byte k sits at window position (k + 1) mod 4096, so
    // position 4095 holds byte 4094, 0 byte 4095 and 1 byte 4096.
    const std::string data = RandomBytes(4100, 3);
    StreamBuilder s;
    for (char c : data) s.Literal(c);
    s.Reference(4095, 3);
    ExpectDecodes(s.bytes, data + data.substr(4094, 3));
    // A reference 4,096 back (to the write position itself) reads the byte
    // about to be replaced.
    StreamBuilder back;
    for (char c : data) back.Literal(c);
    const uint32_t write = (1 + data.size()) & 4095;
    back.Reference(write, 17);
    ExpectDecodes(back.bytes, data + data.substr(data.size() - 4096, 17));
}

TEST_F(DecoderTest, ReferencesAcrossTheOutputBufferFlush) {
    // The output is flushed every 61,440 bytes; references right after a
    // flush reach back into bytes that are no longer in the buffer.
    const std::string data = RandomBytes(61440 + 30, 5);
    StreamBuilder s;
    for (char c : data) s.Literal(c);
    for (uint32_t back = 1; back <= 4096; back = back * 3 + 1) {
        const uint32_t produced = static_cast<uint32_t>(ReferenceDecode(s.bytes).size());
        s.Reference((1 + produced - back) & 4095, 2 + back % 16);
    }
    ExpectDecodes(s.bytes, ReferenceDecode(s.bytes));
}

TEST_F(DecoderTest, TokensStraddlingAnInputChunk) {
    // The first chunk holds stream bytes 1 to 61,440; a token that begins at
    // its last byte takes the rest straight from the archive. Leading
    // references shift which part of a group lands on the boundary: a
    // reference split after b1, a literal after its flag byte, a flag byte.
    for (int shift = 0; shift < 9; ++shift) {
        SCOPED_TRACE(shift);
        StreamBuilder s;
        s.Literal('q');
        for (int i = 0; i < shift; ++i) s.Reference(1, 2);
        while (s.bytes.size() < 61440 - 1) s.Literal(static_cast<char>('a' + s.bytes.size() % 26));
        // Pad literal by literal until a token begins exactly at offset 61,440.
        while (s.bytes.size() < 61440) s.Literal('z');
        s.Reference(2, 17).Literal('!').Reference(5, 9);
        ExpectDecodes(s.bytes, ReferenceDecode(s.bytes));
    }
}

TEST_F(DecoderTest, StreamEndingEarlyIsReported) {
    // The header promises more bytes than the stream holds.
    MemberSpec m;
    m.name = "short.bin";
    m.data = "ABCDEFGHIJ";
    m.stream = std::string("\xFF") + "ABCDE";
    m.method = ARCHIVE_METHOD_COMPRESSED;
    WriteArchive({m});
    EXPECT_EQ(Extract(), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_EQ(dialogs.boxes[0].title, "ERROR");
    EXPECT_EQ(dialogs.boxes[0].text, "Archive C:\\a.vrn is missing or cannot be read.");
    EXPECT_EQ(dialogs.boxes[0].owner, nullptr);

    // The same in batch mode goes to the log, and the testing mode finds it too.
    dialogs.Clear();
    SetEnv("TMP", "C:\\");
    _commandLineSwitch = SWITCH_BATCH;
    EXPECT_EQ(Extract("*", 1), RESULT_STOP);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_NE(ReadHostFile(root + "/C/install.log").find("Archive C:\\a.vrn is missing or cannot be read."),
              std::string::npos);
}

TEST_F(DecoderTest, EmptyMemberReadsNoStreamByte) {
    // File size 0: nothing is read, so the next member follows at once.
    MemberSpec empty;
    empty.name = "empty";
    empty.method = ARCHIVE_METHOD_COMPRESSED;
    WriteArchive({empty, Compressed("next.txt", "next member")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_EQ(ReadHostFile(Out("empty")), "");
    EXPECT_EQ(ReadHostFile(Out("next.txt")), "next member");
}

}  // namespace
}  // namespace vrn::test
