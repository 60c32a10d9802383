// Buffered streams: modes, text translation through the stream buffer,
// positions in text mode, and switching between reading and writing.
#include "platform/crt.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class StreamTest : public test::TempDrives {};

TEST_F(StreamTest, TextLinesAcrossTheBufferBoundaryAndExactPositions) {
    // Lines of CR LF whose pairs straddle the stream's 4096-byte buffer.
    std::string file, expect;
    for (int i = 0; file.size() < 20000; ++i) {
        const std::string line = "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 37), 'x');
        file += line + "\r\n";
        expect += line + "\n";
    }
    WriteHostFile(Host("C:\\lines.txt"), file);
    FILE* f = fopen("C:\\lines.txt", "r");
    ASSERT_NE(f, nullptr);
    std::string got;
    std::vector<long> starts;
    char line[128];
    for (;;) {
        starts.push_back(ftell(f));
        if (fgets(line, sizeof line, f) == nullptr) break;
        got += line;
    }
    EXPECT_TRUE(feof(f));
    EXPECT_EQ(got, expect);
    // Every position told is the file offset of that line's first byte.
    long offset = 0;
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        ASSERT_EQ(starts[i], offset) << "line " << i;
        offset = static_cast<long>(file.find("\r\n", static_cast<size_t>(offset)) + 2);
    }
    // Seeking back to a told position reads that line again.
    ASSERT_EQ(fseek(f, starts[300], SEEK_SET), 0);
    EXPECT_FALSE(feof(f));
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    EXPECT_EQ(std::string(line), "line 300" + std::string(300 % 37, 'x') + "\n");
    EXPECT_EQ(fclose(f), 0);

    // Binary mode keeps the CRs.
    f = fopen("C:\\lines.txt", "rb");
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    EXPECT_EQ(std::string(line), "line 0\r\n");
    fclose(f);
}

TEST_F(StreamTest, ModesWriteAppendAndUpdate) {
    FILE* f = fopen("C:\\out.txt", "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fputs("alpha\n", f), 0);
    EXPECT_EQ(fprintf(f, "%s=%d\n", "beta", 42), 8);
    EXPECT_EQ(fputc('z', f), 'z');
    EXPECT_EQ(ftell(f), 17);   // the CR of each line counts
    EXPECT_EQ(fgetc(f), EOF);  // not open for reading
    EXPECT_TRUE(ferror(f));
    EXPECT_EQ(fclose(f), 0);
    EXPECT_EQ(ReadHostFile(Host("C:\\out.txt")), "alpha\r\nbeta=42\r\nz");

    f = fopen("C:\\OUT.TXT", "a");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fwrite("\nmore", 1, 5, f), 5u);
    fclose(f);
    EXPECT_EQ(ReadHostFile(Host("C:\\out.txt")), "alpha\r\nbeta=42\r\nz\r\nmore");

    // Update mode: read, then write in place, then read on.
    f = fopen("C:\\out.txt", "r+b");
    ASSERT_NE(f, nullptr);
    char buf[8] = {};
    EXPECT_EQ(fread(buf, 1, 5, f), 5u);
    EXPECT_EQ(std::string(buf, 5), "alpha");
    EXPECT_EQ(fwrite("!!", 1, 2, f), 2u);
    EXPECT_EQ(fgetc(f), 'b');
    EXPECT_EQ(ungetc('B', f), 'B');
    EXPECT_EQ(ftell(f), 7);
    EXPECT_EQ(fgetc(f), 'B');
    rewind(f);
    EXPECT_EQ(fgetc(f), 'a');
    EXPECT_EQ(fseek(f, -4, SEEK_END), 0);
    EXPECT_EQ(fread(buf, 1, 8, f), 4u);
    EXPECT_EQ(std::string(buf, 4), "more");
    fclose(f);
    EXPECT_EQ(ReadHostFile(Host("C:\\out.txt")), "alpha!!beta=42\r\nz\r\nmore");

    EXPECT_EQ(fopen("C:\\missing.txt", "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(fopen("C:\\out.txt", "rw"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(StreamTest, CtrlZEndsATextStream) {
    WriteHostFile(Host("C:\\z.txt"), "keep\r\n\x1A" "drop\r\n");
    FILE* f = fopen("C:\\z.txt", "rt");
    char line[32];
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "keep\n");
    EXPECT_EQ(fgets(line, sizeof line, f), nullptr);
    EXPECT_TRUE(feof(f));
    EXPECT_EQ(ftell(f), 6);
    fclose(f);
}

}  // namespace
}  // namespace vrn
