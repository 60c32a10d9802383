// The vrnarc program as its users run it: create, list, test and extract,
// exit statuses, damaged and hostile archives.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine/archive/archive_builder.h"

namespace vrn::test {
namespace {

class VrnarcCommand : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vrnarc-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    // Runs vrnarc with the arguments; returns its exit status and keeps its output.
    int Run(const std::string& arguments) {
        const std::string command = "cd '" + dir + "' && VRN_DRIVES= '" + std::string(VRNARC_PROGRAM) + "' " +
                                    arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        output = Read(dir + "/out.txt");
        errors = Read(dir + "/err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::string dir, output, errors;
};

TEST_F(VrnarcCommand, CreateListTestExtract) {
    ::mkdir((dir + "/src").c_str(), 0700);
    ::mkdir((dir + "/src/sub").c_str(), 0700);
    const std::string text = TextBytes(70000);
    const std::string noise = RandomBytes(5000, 1);
    Write(dir + "/src/sub/b.txt", text);
    Write(dir + "/src/c.bin", noise);
    Write(dir + "/single.dat", "single");
    struct utimbuf times {1200000000, 1234567890};
    ::utime((dir + "/src/sub/b.txt").c_str(), &times);

    ASSERT_EQ(Run("c a.vrn -9 src single.dat"), 0) << errors;
    EXPECT_NE(output.find("3 members"), std::string::npos) << output;
    ASSERT_EQ(Run("l a.vrn"), 0) << errors;
    EXPECT_NE(output.find("sub\\b.txt"), std::string::npos) << output;
    EXPECT_NE(output.find("compressed"), std::string::npos);
    EXPECT_NE(output.find("stored"), std::string::npos);   // the random file
    EXPECT_NE(output.find("2009-02-13 23:31:30"), std::string::npos);   // 1234567890 in UTC
    EXPECT_NE(output.find("single.dat"), std::string::npos);
    ASSERT_EQ(Run("t a.vrn"), 0) << errors;
    EXPECT_NE(output.find("3 members tested"), std::string::npos);

    ASSERT_EQ(Run("x a.vrn out"), 0) << errors;
    EXPECT_EQ(Read(dir + "/out/sub/b.txt"), text);
    EXPECT_EQ(Read(dir + "/out/c.bin"), noise);
    EXPECT_EQ(Read(dir + "/out/single.dat"), "single");
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/out/sub/b.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1234567890);

    // A pattern picks members; -0 stores everything.
    ASSERT_EQ(Run("x a.vrn picked 'sub\\*'"), 0) << errors;
    EXPECT_EQ(Read(dir + "/picked/sub/b.txt"), text);
    EXPECT_NE(::access((dir + "/picked/c.bin").c_str(), F_OK), 0);
    ASSERT_EQ(Run("c s.vrn -0 src"), 0) << errors;
    ASSERT_EQ(Run("l s.vrn"), 0);
    EXPECT_EQ(output.find("compressed"), std::string::npos) << output;
}

TEST_F(VrnarcCommand, DamagedAndHostileArchivesFail) {
    ::mkdir((dir + "/src").c_str(), 0700);
    Write(dir + "/src/t.txt", TextBytes(30000));
    ASSERT_EQ(Run("c a.vrn src"), 0) << errors;
    std::string bytes = Read(dir + "/a.vrn");
    bytes[ARCHIVE_HEADER_SIZE + 100] ^= 0x5A;   // inside the compressed data
    Write(dir + "/a.vrn", bytes);
    EXPECT_EQ(Run("t a.vrn"), 1);
    EXPECT_NE(errors.find("corrupted"), std::string::npos) << errors;
    EXPECT_EQ(Run("x a.vrn out"), 1);

    bytes[10] ^= 0x01;   // inside the header
    Write(dir + "/a.vrn", bytes);
    EXPECT_EQ(Run("l a.vrn"), 1);
    EXPECT_NE(errors.find("checksum"), std::string::npos) << errors;
    EXPECT_EQ(Run("t a.vrn"), 1);

    Write(dir + "/h.vrn", EncodeMember(Stored("..\\escaped.txt", "evil")));
    EXPECT_EQ(Run("x h.vrn inside"), 1);
    EXPECT_NE(errors.find("Invalid filename supplied. (..\\escaped.txt)"), std::string::npos) << errors;
    EXPECT_NE(::access((dir + "/escaped.txt").c_str(), F_OK), 0);

    EXPECT_EQ(Run("t missing.vrn"), 1);
    EXPECT_EQ(Run("c bad.vrn src/none"), 1);
    EXPECT_NE(::access((dir + "/bad.vrn").c_str(), F_OK), 0);
}

// The archive, the summary and the messages are the same on any number of
// threads: a tree of empty files, many small ones, one large one (several
// blocks of the best parse) and entries that are left out with a message.
TEST_F(VrnarcCommand, ThreadCountsMakeTheSameArchive) {
    ::mkdir((dir + "/src").c_str(), 0700);
    ::mkdir((dir + "/src/small").c_str(), 0700);
    ::mkdir((dir + "/src/empty").c_str(), 0700);
    for (int i = 0; i < 5; ++i) Write(dir + "/src/empty/e" + std::to_string(i), "");
    for (int i = 0; i < 150; ++i)
        Write(dir + "/src/small/s" + std::to_string(1000 + i) + ".txt",
              TextBytes(static_cast<size_t>(200 + i * 97)) + RandomBytes(static_cast<size_t>(i % 7) * 30, i));
    std::string large = TextBytes(size_t{3} << 20);
    for (size_t at = 0; at + 4096 < large.size(); at += 700000) {
        const std::string noise = RandomBytes(4096, static_cast<uint32_t>(at));
        large.replace(at, noise.size(), noise);
    }
    Write(dir + "/src/large.bin", large);
    // Access times after the modification times and ahead of the clock, so
    // that reading the files does not move them.
    ASSERT_EQ(std::system(("cd '" + dir + "' && find src -type f -exec touch -m -d @1234567890 {} + && " +
                           "find src -type f -exec touch -a -d tomorrow {} +").c_str()),
              0);
    ASSERT_EQ(::mkfifo((dir + "/src/small/pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("small", (dir + "/src/link").c_str()), 0);
    ASSERT_EQ(::symlink("gone", (dir + "/src/small/s1050.zz").c_str()), 0);

    for (const char* level : {"-1", "-9", "-0"}) {
        SCOPED_TRACE(level);
        std::string archive, summary, messages;
        for (const char* threads : {"0", "1", "2", "8"}) {
            SCOPED_TRACE(threads);
            ASSERT_EQ(Run(std::string("c a.vrn ") + level + " -j " + threads + " src"), 0) << errors;
            const std::string bytes = Read(dir + "/a.vrn");
            if (archive.empty()) {
                archive = bytes;
                summary = output.substr(output.find(':'));
                messages = errors;
                EXPECT_NE(output.find("156 members"), std::string::npos) << output;
                EXPECT_NE(errors.find("link to a directory"), std::string::npos) << errors;
                EXPECT_LT(errors.find("pipe: not a regular file"), errors.find("s1050.zz: dangling link"))
                    << errors;
            }
            EXPECT_TRUE(bytes == archive);
            EXPECT_EQ(output.substr(output.find(':')), summary);
            EXPECT_EQ(errors, messages);
        }
        ASSERT_EQ(Run("t -j 2 a.vrn"), 0) << errors;
        ASSERT_EQ(Run("x a.vrn out"), 0) << errors;
        EXPECT_TRUE(Read(dir + "/out/large.bin") == large);
        EXPECT_EQ(Read(dir + "/out/small/s1149.txt"), Read(dir + "/src/small/s1149.txt"));
        std::system(("rm -rf '" + dir + "/out'").c_str());
    }
}

// A file that cannot be read in the middle of the tree, and an archive that
// cannot be written: the same messages, in the same order, status 1 and no
// archive left, on any number of threads.
TEST_F(VrnarcCommand, FailuresAreTheSameOnAnyNumberOfThreads) {
    ::mkdir((dir + "/src").c_str(), 0700);
    for (int i = 0; i < 40; ++i) Write(dir + "/src/f" + std::to_string(100 + i), TextBytes(5000 + i * 1000));
    // Reading a process's memory from address 0 fails, even for root.
    ASSERT_EQ(::symlink("/proc/self/mem", (dir + "/src/f120m").c_str()), 0);
    Write(dir + "/src/f120z", std::string(300, '\0'));
    ASSERT_EQ(::symlink("/dev/full", (dir + "/full.vrn").c_str()), 0);

    std::string unreadable, unwritable;
    for (const char* threads : {"0", "1", "2", "8"}) {
        SCOPED_TRACE(threads);
        EXPECT_EQ(Run(std::string("c a.vrn -9 -j ") + threads + " src"), 1);
        EXPECT_NE(::access((dir + "/a.vrn").c_str(), F_OK), 0);
        EXPECT_EQ(output, "");
        if (unreadable.empty()) unreadable = errors;
        EXPECT_EQ(errors, unreadable);
        EXPECT_NE(errors.find("f120m: read error"), std::string::npos) << errors;

        ASSERT_EQ(::unlink((dir + "/src/f120m").c_str()), 0);
        EXPECT_EQ(Run(std::string("c full.vrn -1 -j ") + threads + " src"), 1);
        struct stat st {};
        EXPECT_NE(::lstat((dir + "/full.vrn").c_str(), &st), 0);   // the link is removed, not the device
        EXPECT_EQ(::access("/dev/full", F_OK), 0);
        if (unwritable.empty()) unwritable = errors;
        EXPECT_EQ(errors, unwritable);
        EXPECT_NE(errors.find("cannot write the archive"), std::string::npos) << errors;
        ASSERT_EQ(::symlink("/proc/self/mem", (dir + "/src/f120m").c_str()), 0);
        ASSERT_EQ(::symlink("/dev/full", (dir + "/full.vrn").c_str()), 0);
    }
}

TEST_F(VrnarcCommand, UsageErrors) {
    EXPECT_EQ(Run(""), 2);
    EXPECT_EQ(Run("q a.vrn"), 2);
    EXPECT_EQ(Run("c a.vrn"), 2);
    EXPECT_EQ(Run("c a.vrn -5 x"), 2);
    EXPECT_EQ(Run("x a.vrn"), 2);
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(output.find("usage: vrnarc c ARCHIVE"), std::string::npos);
}

}  // namespace
}  // namespace vrn::test
