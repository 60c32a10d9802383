// The compressor against the decoders: every stream is checked by a plain
// decoding that also refuses references to bytes not yet produced, and
// whole archives of them go through the engine's extraction.
#include <string>
#include <thread>
#include <vector>

#include "engine/state/state.h"
#include "platform/network.h"
#include "platform/winmodel.h"
#include "tests/engine/archive/archive_builder.h"
#include "tests/support/test_support.h"

namespace vrn::test {
namespace {

// Decodes like ReferenceDecode but fails on anything a compressor must not
// produce: a reference to a position never written, a token cut short.
bool StrictDecode(const std::string& stream, std::string& out, std::string& why) {
    std::vector<int> written(4096, 0);
    std::vector<uint8_t> window(4096, 0);
    uint32_t w = 1;
    size_t i = 0;
    out.clear();
    while (i < stream.size()) {
        const uint8_t flags = static_cast<uint8_t>(stream[i++]);
        if (i == stream.size()) {
            why = "flag byte with no token";
            return false;
        }
        for (int bit = 0; bit < 8 && i < stream.size(); ++bit) {
            if (flags & (1 << bit)) {
                window[w] = static_cast<uint8_t>(stream[i++]);
                written[w] = 1;
                out.push_back(static_cast<char>(window[w]));
                w = (w + 1) & 4095;
                continue;
            }
            if (i + 1 >= stream.size()) {
                why = "reference cut short";
                return false;
            }
            const uint8_t b1 = static_cast<uint8_t>(stream[i]);
            const uint8_t b2 = static_cast<uint8_t>(stream[i + 1]);
            i += 2;
            const uint32_t position = (b1 & 0x0F) << 8 | b2;
            const uint32_t length = (b1 >> 4) + 2;
            for (uint32_t k = 0; k < length; ++k) {
                const uint32_t p = (position + k) & 4095;
                if (!written[p]) {
                    why = "reference to an unwritten position at output " + std::to_string(out.size());
                    return false;
                }
                window[w] = window[p];
                written[w] = 1;
                out.push_back(static_cast<char>(window[w]));
                w = (w + 1) & 4095;
            }
        }
    }
    return true;
}

std::string Compress(const std::string& data, arc::CompressionLevel level) {
    std::vector<uint8_t> out;
    arc::CompressStream(reinterpret_cast<const uint8_t*>(data.data()), data.size(), level, out);
    return std::string(out.begin(), out.end());
}

std::string Mixed(size_t n) {
    std::string s = TextBytes(n / 3) + std::string(n / 5, '\0') + RandomBytes(n / 4, 11) + TextBytes(n / 7);
    s += s.substr(0, n - std::min(n, s.size()));
    s.resize(n, 'x');
    return s;
}

// Text with matches of every length: words, and numbers that repeat only now
// and then.
std::string VariedText(size_t n, uint32_t seed) {
    static const char* const words[] = {"#define ", "VRN_", "INSTALL", "_PATH ", "struct ", "{\n", "};\n", "int ",
                                        "const ", "char* ", "return ", "(", ")", ", ", ";\n", "    ", "/* ", " */\n"};
    std::string s;
    uint32_t x = seed * 2654435761u + 1;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        const uint32_t pick = (x >> 16) % 24;
        if (pick < sizeof words / sizeof words[0])
            s += words[pick];
        else
            s += std::to_string((x >> 8) % (pick == 23 ? 100000 : 100));
    }
    s.resize(n);
    return s;
}

class RoundTripTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        ResetPlatformModels();
        ResetNetworkModel();
    }
};

TEST_F(RoundTripTest, EverySizeBoundaryAndKindDecodesExactly) {
    const size_t sizes[] = {0, 1, 2, 3, 17, 18, 19, 4095, 4096, 4097, 8193, 61439, 61440, 61441, 122885, 300000};
    struct Kind {
        const char* name;
        std::string (*make)(size_t);
    };
    const Kind kinds[] = {
        {"run", [](size_t n) { return std::string(n, 'r'); }},
        {"pairs", [](size_t n) {
             std::string s;
             while (s.size() < n) s += "ab";
             s.resize(n);
             return s;
         }},
        {"random", [](size_t n) { return RandomBytes(n, static_cast<uint32_t>(n)); }},
        {"text", [](size_t n) { return TextBytes(n); }},
        {"mixed", [](size_t n) { return Mixed(n); }},
    };
    for (const auto level : {arc::CompressionLevel::Fast, arc::CompressionLevel::Best}) {
        std::vector<MemberSpec> members;
        for (const Kind& kind : kinds) {
            for (size_t size : sizes) {
                SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(size) + " level " +
                             std::to_string(static_cast<int>(level)));
                const std::string data = kind.make(size);
                const std::string stream = Compress(data, level);
                std::string decoded, why;
                ASSERT_TRUE(StrictDecode(stream, decoded, why)) << why;
                ASSERT_EQ(decoded.size(), data.size());
                EXPECT_TRUE(decoded == data);
                if (level == arc::CompressionLevel::Best) {
                    // The best parse is never larger than the fast one (but for
                    // the rounding of the last flag byte).
                    EXPECT_LE(stream.size(), Compress(data, arc::CompressionLevel::Fast).size() + 1);
                }
                MemberSpec m;
                m.name = std::string(kind.name) + "\\" + std::to_string(size) + ".bin";
                m.data = data;
                m.stream = stream;
                m.method = ARCHIVE_METHOD_COMPRESSED;
                members.push_back(m);
            }
        }
        // Runs shrink to about 2 bytes in 17; text shrinks.
        EXPECT_LT(Compress(std::string(100000, 'r'), level).size(), 100000u * 2 / 17 + 800);
        EXPECT_LT(Compress(TextBytes(100000), level).size(), 50000u);

        std::string archive;
        for (const MemberSpec& m : members) archive += EncodeMember(m);
        WriteHostFile(root + "/C/a.vrn", archive);
        EXPECT_EQ(DecompressFile("*", "C:\\a.vrn", "C:\\out", 1), 0);
        EXPECT_EQ(DecompressFile("*", "C:\\a.vrn", "C:\\out", 0), 0);
        for (const MemberSpec& m : members) {
            std::string host = m.name;
            host[host.find('\\')] = '/';
            ASSERT_TRUE(ReadHostFile(root + "/C/out/" + host) == m.data) << m.name;
        }
        EXPECT_TRUE(dialogs.boxes.empty());
    }
}

TEST_F(RoundTripTest, BestParseIsExactSmallAndIndependentOfEarlierMembers) {
    // Larger than the best parse's blocks, so that matches meet block ends.
    const size_t n = (size_t{5} << 20) / 4;
    struct Case {
        const char* name;
        std::string data;
    };
    std::string steps;
    for (size_t i = 0; steps.size() < n; ++i) steps += std::string(1 + i % 40, static_cast<char>('a' + i % 7));
    const Case cases[] = {
        {"all equal", std::string(n, '\xFF')},
        {"long runs", steps.substr(0, n)},
        {"random", RandomBytes(n, 5)},
        {"varied text", VariedText(n, 3)},
        {"mixed", Mixed(n)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string best = Compress(c.data, arc::CompressionLevel::Best);
        const std::string fast = Compress(c.data, arc::CompressionLevel::Fast);
        std::string decoded, why;
        ASSERT_TRUE(StrictDecode(best, decoded, why)) << why;
        ASSERT_TRUE(decoded == c.data);
        EXPECT_LE(best.size(), fast.size() + 1);
    }
    // On text the best parse saves a good part of what the fast one leaves.
    const std::string text = VariedText(n, 9);
    const size_t best = Compress(text, arc::CompressionLevel::Best).size();
    const size_t fast = Compress(text, arc::CompressionLevel::Fast).size();
    EXPECT_LT(best, fast * 96 / 100) << best << " against " << fast;

    // A member's stream does not depend on the members compressed before it
    // on the same thread, at either level, even when they hold the same bytes,
    // nor on the thread.
    const std::string member = Mixed(70000);
    for (const auto level : {arc::CompressionLevel::Fast, arc::CompressionLevel::Best}) {
        SCOPED_TRACE(static_cast<int>(level));
        std::string alone;
        std::thread([&] { alone = Compress(member, level); }).join();
        Compress(member, level);
        EXPECT_TRUE(Compress(member, level) == alone);
        Compress(TextBytes(3000), arc::CompressionLevel::Fast);
        Compress(TextBytes(3000), arc::CompressionLevel::Best);
        EXPECT_TRUE(Compress(member, level) == alone);
        std::string other;
        std::thread([&] { other = Compress(member, level); }).join();
        EXPECT_TRUE(other == alone);
        std::string decoded, why;
        ASSERT_TRUE(StrictDecode(alone, decoded, why)) << why;
        EXPECT_TRUE(decoded == member);
    }
}

TEST_F(RoundTripTest, WrittenMembersChooseTheSmallerMethod) {
    const std::string text = TextBytes(20000);
    const std::string noise = RandomBytes(20000, 2);
    std::FILE* f = std::fopen((root + "/C/w.vrn").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ArchiveFileHeader textHeader, noiseHeader, storedHeader;
    std::string error;
    const auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
    ASSERT_TRUE(arc::WriteMember(f, "t.txt", bytes(text), text.size(), 5, 6, {}, &textHeader, error)) << error;
    ASSERT_TRUE(arc::WriteMember(f, "n.bin", bytes(noise), noise.size(), 5, 6, {}, &noiseHeader, error)) << error;
    arc::MemberOptions store;
    store.store = true;
    ASSERT_TRUE(arc::WriteMember(f, "s.txt", bytes(text), text.size(), 5, 6, store, &storedHeader, error));
    EXPECT_FALSE(arc::WriteMember(f, std::string(ARCHIVE_NAME_SIZE, 'n'), bytes(text), 1, 0, 0, {}, nullptr, error));
    std::fclose(f);
    EXPECT_EQ(textHeader.method, ARCHIVE_METHOD_COMPRESSED);
    EXPECT_LT(textHeader.storedSize, text.size());
    EXPECT_EQ(noiseHeader.method, ARCHIVE_METHOD_STORED);
    EXPECT_EQ(noiseHeader.storedSize, noise.size());
    EXPECT_EQ(storedHeader.method, ARCHIVE_METHOD_STORED);

    // The headers read back as written, and the engine agrees.
    f = std::fopen((root + "/C/w.vrn").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ArchiveFileHeader back;
    ASSERT_EQ(arc::ReadMemberHeader(f, back, error), 1) << error;
    EXPECT_STREQ(back.fileName, "t.txt");
    EXPECT_EQ(back.headerCRC, textHeader.headerCRC);
    EXPECT_EQ(back.dataCRC, textHeader.dataCRC);
    std::fclose(f);
    EXPECT_EQ(DecompressFile("*", "C:\\w.vrn", "C:\\out", 0), 0);
    EXPECT_TRUE(ReadHostFile(root + "/C/out/n.bin") == noise);
    EXPECT_TRUE(ReadHostFile(root + "/C/out/s.txt") == text);
}

}  // namespace
}  // namespace vrn::test
