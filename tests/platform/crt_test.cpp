// C runtime descriptors: open flags and errno values, text and binary
// mode both ways, positions, and the calls by name.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/crt.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class CrtTest : public test::TempDrives {
protected:
    std::string ReadAll(int fd, unsigned chunk) {
        std::string out;
        std::vector<char> buf(chunk);
        int n;
        while ((n = _read(fd, buf.data(), chunk)) > 0) out.append(buf.data(), static_cast<size_t>(n));
        EXPECT_EQ(n, 0);
        return out;
    }
};

TEST_F(CrtTest, OpenFlagsGiveTheRuntimesErrors) {
    EXPECT_EQ(_open("C:\\f", _O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    int fd = _open("C:\\f", _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_write(fd, "abc", 3), 3);
    EXPECT_EQ(_read(fd, nullptr, 1), -1);   // write-only descriptor
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(_close(fd), 0);
    EXPECT_EQ(_close(fd), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(_open("C:\\f", _O_CREAT | _O_EXCL | _O_RDWR), -1);
    EXPECT_EQ(errno, EEXIST);
    // Create without truncate keeps the contents; with truncate empties them.
    fd = _open("C:\\f", _O_CREAT | _O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_filelength(fd), 3);
    _close(fd);
    fd = _open("C:\\f", _O_CREAT | _O_TRUNC | _O_RDWR);
    EXPECT_EQ(_filelength(fd), 0);
    _close(fd);

    // A permission without owner write makes the created file read-only.
    fd = _open("C:\\ro", _O_CREAT | _O_WRONLY, _S_IREAD);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_write(fd, "x", 1), 1);
    _close(fd);
    EXPECT_EQ(_open("C:\\ro", _O_WRONLY), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(_access("C:\\ro", ACCESS_READ), 0);
    EXPECT_EQ(_access("C:\\ro", ACCESS_WRITE), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(_unlink("C:\\ro"), -1);
    EXPECT_EQ(errno, EACCES);
    _stat_t st;
    ASSERT_EQ(_stat("C:\\RO", &st), 0);
    EXPECT_EQ(st.st_mode & (_S_IFMT | _S_IREAD | _S_IWRITE), _S_IFREG | _S_IREAD);
    EXPECT_EQ(st.st_size, 1);
    EXPECT_EQ(st.st_dev, 2u);
    ASSERT_EQ(_chmod("C:\\ro", _S_IREAD | _S_IWRITE), 0);
    EXPECT_EQ(_access("C:\\ro", ACCESS_READ_WRITE), 0);
    EXPECT_EQ(_unlink("C:\\ro"), 0);
    EXPECT_EQ(_access("C:\\ro", ACCESS_EXISTS), -1);
    EXPECT_EQ(errno, ENOENT);

    EXPECT_EQ(_mkdir("C:\\d"), 0);
    EXPECT_EQ(_mkdir("C:\\d"), -1);
    EXPECT_EQ(errno, EEXIST);
    ASSERT_EQ(_stat("C:\\d", &st), 0);
    EXPECT_EQ(st.st_mode & _S_IFMT, _S_IFDIR);
    EXPECT_EQ(_rename("C:\\f", "C:\\d\\g"), 0);
    EXPECT_EQ(_rmdir("C:\\d"), -1);
    EXPECT_EQ(errno, ENOTEMPTY);
    EXPECT_EQ(_unlink("C:\\d\\g"), 0);
    EXPECT_EQ(_rmdir("C:\\d"), 0);
    EXPECT_EQ(_rmdir("C:\\d"), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(CrtTest, TextModeReadsCrLfAsLfAcrossReadsAndStopsAtCtrlZ) {
    WriteHostFile(Host("C:\\t.txt"), "ab\r\ncd\r\re\rf\r\n\r\ng\x1Ahidden");
    // Every chunk size puts a CR at the end of some read.
    for (unsigned chunk : {1u, 2u, 3u, 4u, 5u, 7u, 64u}) {
        const int fd = _open("C:\\t.txt", _O_RDONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(ReadAll(fd, chunk), "ab\ncd\r\re\rf\n\ng") << "chunk " << chunk;
        // The file stays positioned at the Ctrl-Z, and reads give 0 until a seek.
        EXPECT_EQ(_tell(fd), 16);
        char c = 0;
        EXPECT_EQ(_read(fd, &c, 1), 0);
        EXPECT_EQ(_lseek(fd, 17, SEEK_SET), 17);
        EXPECT_EQ(ReadAll(fd, chunk), "hidden");
        EXPECT_EQ(_eof(fd), 1);
        _close(fd);
    }
    // A CR that ends one read is joined with the LF that the next byte holds.
    const int fd = _open("C:\\t.txt", _O_RDONLY | _O_TEXT);
    char buf[3];
    ASSERT_EQ(_read(fd, buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "ab\n");
    EXPECT_EQ(_tell(fd), 4);
    // Binary mode passes everything through.
    EXPECT_EQ(_setmode(fd, _O_BINARY), _O_TEXT);
    EXPECT_EQ(ReadAll(fd, 5), std::string("cd\r\re\rf\r\n\r\ng\x1Ahidden"));
    EXPECT_EQ(_setmode(fd, 0x1234), -1);
    _close(fd);
}

TEST_F(CrtTest, TextModeWritesLfAsCrLfAndCountsTheCallersBytes) {
    int fd = _open("C:\\w.txt", _O_CREAT | _O_TRUNC | _O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_write(fd, "one\ntwo\n", 8), 8);
    const std::string many(5000, '\n');   // more than one internal chunk
    EXPECT_EQ(_write(fd, many.data(), 5000), 5000);
    EXPECT_EQ(_tell(fd), 10 + 10000);
    _close(fd);
    std::string expect = "one\r\ntwo\r\n";
    for (int i = 0; i < 5000; ++i) expect += "\r\n";
    EXPECT_EQ(ReadHostFile(Host("C:\\w.txt")), expect);

    fd = _open("C:\\b.bin", _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY);
    EXPECT_EQ(_write(fd, "a\nb\r\n", 5), 5);
    _close(fd);
    EXPECT_EQ(ReadHostFile(Host("C:\\b.bin")), "a\nb\r\n");

    // Append mode writes at the end whatever the position; a text file
    // opened for reading and writing loses a Ctrl-Z at its end.
    WriteHostFile(Host("C:\\log.txt"), "first\r\n\x1A");
    fd = _open("C:\\log.txt", _O_RDWR | _O_APPEND);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_lseek(fd, 0, SEEK_SET), 0);
    EXPECT_EQ(_write(fd, "second\n", 7), 7);
    EXPECT_EQ(_lseek(fd, -3, SEEK_CUR), 12);
    EXPECT_EQ(_lseek(fd, -100, SEEK_CUR), -1);
    EXPECT_EQ(errno, EINVAL);
    _close(fd);
    EXPECT_EQ(ReadHostFile(Host("C:\\log.txt")), "first\r\nsecond\r\n");
}

TEST_F(CrtTest, WrappedHandlesAndFileCalls) {
    const HANDLE h = CreateFile("C:\\n.txt", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    // Without _O_TEXT a wrapped handle is binary.
    int fd = _open_osfhandle(h, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(_get_osfhandle(fd), h);
    EXPECT_EQ(_write(fd, "a\n", 2), 2);
    EXPECT_EQ(_setmode(fd, _O_TEXT), _O_BINARY);
    EXPECT_EQ(_write(fd, "b\n", 2), 2);
    EXPECT_EQ(_chsize(fd, 4), 0);
    EXPECT_EQ(_filelength(fd), 4);
    EXPECT_EQ(_locking(fd, _LK_NBLCK, 2), 0);
    EXPECT_EQ(_locking(fd, _LK_UNLCK, 2), 0);
    _stat_t st;
    EXPECT_EQ(_fstat(fd, &st), 0);
    EXPECT_EQ(st.st_size, 4);
    EXPECT_EQ(_close(fd), 0);
    EXPECT_EQ(_get_osfhandle(fd), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadHostFile(Host("C:\\n.txt")), "a\nb\r");
    EXPECT_EQ(_open_osfhandle(INVALID_HANDLE_VALUE, 0), -1);

    _utimbuf_t times;
    times.actime = 1200000000;
    times.modtime = 1300000000;
    EXPECT_EQ(_utime("C:\\n.txt", &times), 0);
    ASSERT_EQ(_stat("C:\\n.txt", &st), 0);
    EXPECT_EQ(st.st_mtime_, 1300000000);
    EXPECT_EQ(st.st_atime_, 1200000000);
    EXPECT_EQ(_utime("C:\\none", nullptr), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(CrtTest, TheTimesOfAFileJustWrittenAreSetAsOfAnyOther) {
    ASSERT_EQ(_mkdir("C:\\w"), 0);
    const std::string dir = root + "/C/w";
    auto writeAndClose = [](const char* path) {
        const int fd = _open(path, _O_CREAT | _O_TRUNC | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
        ASSERT_GE(fd, 0) << path;
        EXPECT_EQ(_write(fd, "data", 4), 4);
        EXPECT_EQ(_close(fd), 0);
    };
    auto mtime = [](const std::string& host) {
        struct stat st {};
        return ::stat(host.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
    };
    _utimbuf_t times{1200000000, 1300000000};

    // Right after its closing, by any spelling of its name.
    writeAndClose("C:\\w\\First.txt");
    EXPECT_EQ(_utime("C:\\w\\FIRST.TXT", &times), 0);
    EXPECT_EQ(mtime(dir + "/First.txt"), 1300000000);

    // Made read-only by the platform in between: refused, as for any file.
    writeAndClose("C:\\w\\ro.txt");
    ASSERT_EQ(_chmod("C:\\w\\ro.txt", _S_IREAD), 0);
    EXPECT_EQ(_utime("C:\\w\\ro.txt", &times), -1);
    EXPECT_EQ(errno, EACCES);

    // Removed behind the platform's back: not found.
    writeAndClose("C:\\w\\gone.txt");
    ASSERT_EQ(::unlink((dir + "/gone.txt").c_str()), 0);
    EXPECT_EQ(_utime("C:\\w\\gone.txt", &times), -1);
    EXPECT_EQ(errno, ENOENT);

    // The drive mapped elsewhere in between: the same path names the file
    // of the new mapping.
    writeAndClose("C:\\w\\mapped.txt");
    const std::string elsewhere = MapTempDrive('E');
    ASSERT_EQ(::mkdir((elsewhere + "/w").c_str(), 0755), 0);
    WriteHostFile(elsewhere + "/w/mapped.txt", "else");
    DriveMapping e;
    e.hostRoot = elsewhere;
    MapDrive('C', e);
    EXPECT_EQ(_utime("C:\\w\\mapped.txt", &times), 0);
    EXPECT_EQ(mtime(elsewhere + "/w/mapped.txt"), 1300000000);
    EXPECT_NE(mtime(dir + "/mapped.txt"), 1300000000);
    DriveMapping c;
    c.hostRoot = root + "/C";
    MapDrive('C', c);

    // Another file than the one just closed, and the closed one asked
    // about later, are looked at afresh: a file made read-only behind the
    // platform's back is refused once the moment has passed.
    writeAndClose("C:\\w\\other.txt");
    writeAndClose("C:\\w\\late.txt");
    EXPECT_EQ(_utime("C:\\w\\other.txt", &times), 0);
    EXPECT_EQ(mtime(dir + "/other.txt"), 1300000000);
    ASSERT_EQ(::chmod((dir + "/late.txt").c_str(), 0400), 0);
    ::usleep(3000);
    EXPECT_EQ(_utime("C:\\w\\late.txt", &times), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_NE(mtime(dir + "/late.txt"), 1300000000);
}

TEST_F(CrtTest, ReadAheadKeepsEveryReadAndPositionOfAPlainDescriptor) {
    std::string data;
    for (int i = 0; i < 70000; ++i) data += static_cast<char>('a' + (i * 7) % 26);
    WriteHostFile(root + "/C/big.bin", data);
    const int plain = _open("C:\\big.bin", _O_RDONLY | _O_BINARY);
    const int ahead = _open("C:\\big.bin", _O_RDONLY | _O_BINARY);
    ASSERT_GE(plain, 0);
    ASSERT_GE(ahead, 0);
    ASSERT_EQ(_read(ahead, nullptr, 0), 0);
    ASSERT_EQ(SetDescriptorReadAhead(ahead, 1000), 0);
    // The same calls on both, each result compared: small and large reads,
    // seeks inside and outside what was read ahead, from the end, past the
    // end and before the start.
    std::vector<char> a(5000), b(5000);
    auto both = [&](auto call) { EXPECT_EQ(call(plain), call(ahead)); };
    auto read = [&](unsigned n) {
        const int x = _read(plain, a.data(), n);
        const int y = _read(ahead, b.data(), n);
        ASSERT_EQ(x, y) << "reading " << n;
        EXPECT_EQ(std::string(a.data(), x > 0 ? x : 0), std::string(b.data(), y > 0 ? y : 0));
    };
    read(10);
    read(539);
    both([](int fd) { return _tell(fd); });
    both([](int fd) { return _lseek(fd, 100, SEEK_CUR); });
    read(300);
    both([](int fd) { return _lseek(fd, -200, SEEK_CUR); });
    read(1);
    both([](int fd) { return _lseek(fd, 5, SEEK_SET); });
    read(4000);   // larger than the buffer: read directly
    both([](int fd) { return _lseek(fd, -10, SEEK_CUR); });
    read(20);
    both([](int fd) { return _lseek(fd, 60000, SEEK_CUR); });
    read(7);
    both([](int fd) { return _lseek(fd, -10, SEEK_SET); });
    both([](int fd) { return _tell(fd); });
    both([](int fd) { return _lseek(fd, -3, SEEK_END); });
    read(10);
    read(10);
    both([](int fd) { return _eof(fd); });
    both([](int fd) { return _lseek(fd, 69990, SEEK_SET); });
    both([](int fd) { return _eof(fd); });
    read(100);
    both([](int fd) { return _lseek(fd, 80000, SEEK_SET); });
    read(5);
    // Ending it leaves the descriptor where the caller stood.
    both([](int fd) { return _lseek(fd, 123, SEEK_SET); });
    read(50);
    EXPECT_EQ(SetDescriptorReadAhead(ahead, 0), 0);
    read(50);
    both([](int fd) { return _tell(fd); });
    // Only descriptors open for reading alone.
    const int writable = _open("C:\\big.bin", _O_RDWR | _O_BINARY);
    EXPECT_EQ(SetDescriptorReadAhead(writable, 1000), -1);
    for (int fd : {plain, ahead, writable}) EXPECT_EQ(_close(fd), 0);
}

TEST_F(CrtTest, TextReadAheadAndLineReadsKeepTheTextRules) {
    // CR LF pairs falling across every buffer boundary, lone CRs (one as the
    // last byte a buffer holds), long lines, and a Ctrl-Z ending the data.
    std::string data;
    for (int i = 0; i < 3000; ++i) {
        data += std::string(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26));
        data += i % 11 == 0 ? "\r" : "";
        data += i % 5 == 0 ? "\n" : "\r\n";
    }
    data += "tail\r";
    const std::string withCtrlZ = data + "\x1A" "after";
    for (const std::string& bytes : {data, withCtrlZ}) {
        WriteHostFile(root + "/C/t.txt", bytes);
        const int plain = _open("C:\\t.txt", _O_RDONLY | _O_TEXT);
        const int ahead = _open("C:\\t.txt", _O_RDONLY | _O_TEXT);
        ASSERT_GE(plain, 0);
        ASSERT_GE(ahead, 0);
        ASSERT_EQ(SetDescriptorReadAhead(ahead, 64), 0);
        // The data up to a Ctrl-Z, each CR LF pair as LF, in one pass.
        const std::string raw = bytes.substr(0, bytes.find('\x1A'));
        std::string expected;
        for (size_t i = 0; i < raw.size(); ++i)
            if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) expected += raw[i];
        // Reads of many sizes hand out the translated data; then lines, with
        // every result and position as without the buffer.
        std::string a;
        char x[300], y[300];
        for (unsigned n = 1;; n = n % 250 + 7) {
            const int q = _read(ahead, y, n);
            ASSERT_GE(q, 0);
            ASSERT_LE(q, static_cast<int>(n));
            if (q == 0) break;
            a.append(y, q);
        }
        EXPECT_TRUE(a == expected) << "reads of many sizes";
        ASSERT_EQ(_lseek(ahead, 0, SEEK_SET), 0);
        a.clear();
        for (bool endSeen = false;;) {
            const int p = ReadDescriptorLine(plain, x, 100), q = ReadDescriptorLine(ahead, y, 100);
            ASSERT_EQ(p, q);
            ASSERT_EQ(_tell(plain), _tell(ahead));
            if (p <= 0) break;
            ASSERT_EQ(std::string(x, p), std::string(y, q));
            // A line read ends after its LF, when the count is reached, or
            // at the end of the data.
            EXPECT_FALSE(endSeen) << "a short line before " << std::string(x, p);
            endSeen = x[p - 1] != '\n' && p != 100;
            EXPECT_EQ(std::string(x, p - 1).find('\n'), std::string::npos);
            a.append(x, p);
        }
        EXPECT_TRUE(a == expected) << "line reads";
        // A seek clears the Ctrl-Z stop, as without the buffer.
        EXPECT_EQ(_lseek(plain, -5, SEEK_END), _lseek(ahead, -5, SEEK_END));
        EXPECT_EQ(_read(plain, x, 10), _read(ahead, y, 10));
        for (int fd : {plain, ahead}) EXPECT_EQ(_close(fd), 0);
    }
}

}  // namespace
}  // namespace vrn

namespace vrn {
namespace {

TEST_F(CrtTest, TextReadAheadFindsEveryCtrlZAfterASeek) {
    WriteHostFile(root + "/C/z.txt", std::string("abc\x1A" "def\x1A" "gh\r\ni", 13));
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "read ahead" : "plain");
        const int fd = _open("C:\\z.txt", _O_RDONLY | _O_TEXT);
        ASSERT_GE(fd, 0);
        if (ahead) {
            ASSERT_EQ(SetDescriptorReadAhead(fd, 4096), 0);
        }
        char b[32];
        int n = _read(fd, b, sizeof b);
        EXPECT_EQ(std::string(b, n > 0 ? n : 0), "abc");
        EXPECT_EQ(_read(fd, b, sizeof b), 0);
        EXPECT_EQ(_tell(fd), 3);
        ASSERT_EQ(_lseek(fd, 4, SEEK_SET), 4);
        n = _read(fd, b, sizeof b);
        EXPECT_EQ(std::string(b, n > 0 ? n : 0), "def");
        ASSERT_EQ(_lseek(fd, 8, SEEK_SET), 8);
        n = ReadDescriptorLine(fd, b, sizeof b);
        EXPECT_EQ(std::string(b, n > 0 ? n : 0), "gh\n");
        n = ReadDescriptorLine(fd, b, sizeof b);
        EXPECT_EQ(std::string(b, n > 0 ? n : 0), "i");
        EXPECT_EQ(_close(fd), 0);
    }
}

TEST_F(CrtTest, WriteBehindKeepsWhatIsWritten) {
    const int fd = _open("C:\\w.txt", _O_CREAT | _O_TRUNC | _O_RDWR | _O_TEXT);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(SetDescriptorWriteBehind(fd, 1000), 0);
    std::string expected;
    for (int i = 0; i < 500; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        ASSERT_EQ(_write(fd, line.data(), static_cast<unsigned>(line.size())), static_cast<int>(line.size()));
        expected += "line " + std::to_string(i) + "\r\n";
    }
    EXPECT_EQ(_close(fd), 0);
    EXPECT_EQ(ReadHostFile(root + "/C/w.txt"), expected);
    const int readOnly = _open("C:\\w.txt", _O_RDONLY);
    EXPECT_EQ(SetDescriptorWriteBehind(readOnly, 1000), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(_close(readOnly), 0);
}

class RenameReplacingTest : public test::TempDrives {};

TEST_F(RenameReplacingTest, ReplacesAFileInOneStepButNeverADirectoryOrAReadOnlyFile) {
    WriteHostFile(root + "/C/new.tmp", "new");
    WriteHostFile(root + "/C/Target.txt", "old");
    // The old file's own spelling stays; the new name's bytes are the new file's.
    ASSERT_EQ(RenameReplacing("C:\\new.tmp", "C:\\TARGET.TXT"), 0);
    EXPECT_EQ(ReadHostFile(root + "/C/Target.txt"), "new");
    EXPECT_EQ(_access("C:\\new.tmp", ACCESS_EXISTS), -1);
    // Onto a name that is free it is a plain rename.
    WriteHostFile(root + "/C/a.tmp", "a");
    ASSERT_EQ(RenameReplacing("C:\\a.tmp", "C:\\fresh.txt"), 0);
    EXPECT_EQ(ReadHostFile(root + "/C/fresh.txt"), "a");

    WriteHostFile(root + "/C/b.tmp", "b");
    ASSERT_EQ(_chmod("C:\\fresh.txt", _S_IREAD), 0);
    EXPECT_EQ(RenameReplacing("C:\\b.tmp", "C:\\fresh.txt"), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadHostFile(root + "/C/fresh.txt"), "a");
    ASSERT_EQ(_mkdir("C:\\dir"), 0);
    EXPECT_EQ(RenameReplacing("C:\\b.tmp", "C:\\dir"), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(RenameReplacing("C:\\none.tmp", "C:\\Target.txt"), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(ReadHostFile(root + "/C/b.tmp"), "b");
}

}  // namespace
}  // namespace vrn
