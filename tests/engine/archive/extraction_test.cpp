// Extraction of whole archives: selection, marker flags, times, replaced
// files, testing mode, free space, and damaged and hostile archives.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/system.h"
#include "tests/engine/archive/archive_fixture.h"

namespace vrn::test {
namespace {

using ExtractionTest = ArchiveTest;

TEST_F(ExtractionTest, SelectsMembersByPatternAndRestoresTimes) {
    WriteArchive({Stored("readme.txt", "read me"), Compressed("bin\\vrngodbc.dll", TextBytes(5000)),
                  Stored("bin\\tool.exe", "exe"), Compressed("bin\\sub\\x.dll", "nested dll"),
                  Stored("bin\\.dll", "")});
    EXPECT_EQ(Extract("bin\\*.dll"), 0) << Boxes();
    struct stat st {};
    ASSERT_EQ(::stat(Out("bin/vrngodbc.dll").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1100000000);
    EXPECT_EQ(st.st_atime, 1000000000);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadHostFile(Out("bin/vrngodbc.dll")), TextBytes(5000));
    EXPECT_EQ(ReadHostFile(Out("bin/sub/x.dll")), "nested dll");
    EXPECT_TRUE(Exists(Out("bin/.dll")));
    EXPECT_FALSE(Exists(Out("readme.txt")));
    EXPECT_FALSE(Exists(Out("bin/tool.exe")));
    EXPECT_EQ(VRNGODBC_DLL_FLAG, 1u);
    EXPECT_EQ(QLAUNCH_EXE_FLAG, 0u);

    // '?' takes exactly one character, never the end.
    EXPECT_EQ(MatchFileName("readme.tx?", "readme.txt"), 1);
    EXPECT_EQ(MatchFileName("readme.txt?", "readme.txt"), 0);
    EXPECT_EQ(MatchFileName("*", ""), 1);
    EXPECT_EQ(MatchFileName("b*n\\*e", "bin\\tool.exe"), 1);
    EXPECT_EQ(MatchFileName("BIN\\*", "bin\\tool.exe"), 0);
    EXPECT_EQ(MatchFileName("*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), 0);
}

// Member patterns told as plain recursion, rule by rule: '*' takes nothing
// or one more character, '?' one character, anything else itself.
int32_t MatchByTheRules(const char* pattern, const char* name) {
    if (*pattern == '*')
        return MatchByTheRules(pattern + 1, name) != 0 ||
               (*name != '\0' && MatchByTheRules(pattern, name + 1) != 0);
    if (*pattern == '\0') return *name == '\0' ? 1 : 0;
    if (*name == '\0' || (*pattern != '?' && *pattern != *name)) return 0;
    return MatchByTheRules(pattern + 1, name + 1);
}

TEST(MemberPatterns, AgreeWithTheRulesAndFinishOnManyStars) {
    // Every string of up to four characters of "ab*?" is a pattern; names are
    // those of up to five letters, and the short ones with '*' and '?' too.
    std::vector<std::string> all{""};
    for (size_t from = 0; all[from].size() < 5; ++from)
        for (char c : std::string_view("ab*?")) all.push_back(all[from] + c);
    for (const auto& pattern : all) {
        if (pattern.size() > 4) break;
        for (const auto& name : all) {
            if (name.find_first_of("*?") != std::string::npos && name.size() > 3) continue;
            ASSERT_EQ(MatchFileName(pattern.c_str(), name.c_str()), MatchByTheRules(pattern.c_str(), name.c_str()))
                << "pattern '" << pattern << "' name '" << name << "'";
        }
    }
    // A name that almost matches many stars is decided at once.
    const std::string name(10000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MatchFileName("*a*a*a*a*a*a*a*a*b", name.c_str()), 0);
    EXPECT_EQ(MatchFileName("*a*a*a*a*a*a*a*a*?", name.c_str()), 1);
    EXPECT_EQ(MatchFileName("a*?*a*a*a*a*a*a*a", name.c_str()), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(ExtractionTest, MarkerFilesSetTheirFlags) {
    WriteArchive({Stored("bin\\qdspdrv.386", "a"), Compressed("bin\\qlaunch.exe", "b"),
                  Stored("vrnlang\\dbesupp.not", "c"), Stored("./vrnbuild/asian/wxwindow.o", "d"),
                  Stored("bin\\VRNGODBC.DLL", "case differs")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_EQ(QDSPDRV_386_FLAG, 1u);
    EXPECT_EQ(QLAUNCH_EXE_FLAG, 1u);
    EXPECT_EQ(ZOV_INSTALL_FLAG, 1u);
    EXPECT_EQ(MVRNSRVA_EXE_FLAG, 1u);
    EXPECT_EQ(VRNGODBC_DLL_FLAG, 0u);
    EXPECT_EQ(ReadHostFile(Out("vrnbuild/asian/wxwindow.o")), "d");
}

TEST_F(ExtractionTest, EmptyArchivesEmptyMembersAndReplacedReadOnlyFiles) {
    WriteArchive({});
    EXPECT_EQ(Extract(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());

    // A stored empty member has CRC 0; a second member of the same name
    // replaces a read-only file.
    MemberSpec empty = Stored("e.txt", "");
    EXPECT_EQ(EncodeMember(empty).size(), ARCHIVE_HEADER_SIZE);
    WriteHostFile(Out("ro.txt"), "old contents");
    ASSERT_EQ(::chmod(Out("ro.txt").c_str(), 0400), 0);
    WriteArchive({empty, Stored("ro.txt", "first"), Compressed("ro.txt", "second version")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_EQ(ReadHostFile(Out("e.txt")), "");
    EXPECT_EQ(ReadHostFile(Out("ro.txt")), "second version");
}

TEST_F(ExtractionTest, TheNextMemberBeginsAfterTheStoredBytesWhateverTheMethodReadOfThem) {
    // An empty compressed member, whose stream is not read at all.
    MemberSpec empty = Compressed("empty.txt", "");
    empty.stream = "\xFF" "abc";
    // A member whose size is reached at the end of the first chunk of its
    // stream (a flag byte, then 61,440 bytes), with stored bytes after it.
    std::string literals;
    for (size_t i = 0; i < 8 + 6825 * 8 + 6; ++i) literals += static_cast<char>('a' + i % 26);
    StreamBuilder stream;
    for (const char c : literals) stream.Literal(c);
    ASSERT_EQ(stream.bytes.size(), 1u + RW_BUFFER_MAX);
    MemberSpec longer = Compressed("long.txt", literals);
    longer.stream = stream.bytes + "trailing bytes";
    for (uint8_t testing : {0, 1}) {
        WriteArchive({empty, Stored("after1.txt", "one"), longer, Stored("after2.txt", "two")});
        dialogs.Clear();
        EXPECT_EQ(Extract("*", testing), 0) << Boxes();
        EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
    }
    EXPECT_EQ(ReadHostFile(Out("empty.txt")), "");
    EXPECT_EQ(ReadHostFile(Out("after1.txt")), "one");
    EXPECT_EQ(ReadHostFile(Out("long.txt")), literals);
    EXPECT_EQ(ReadHostFile(Out("after2.txt")), "two");
}

TEST_F(ExtractionTest, TestingModeWritesNothingButChecksEveryCRC) {
    MemberSpec bad = Compressed("dir\\bad.txt", TextBytes(3000));
    bad.overrideCRC = true;
    bad.crc = 0x12345678;
    WriteArchive({Stored("dir\\good.txt", "good"), bad});
    EXPECT_EQ(Extract("*", 1), RESULT_STOP);
    EXPECT_FALSE(Exists(Out("dir")));
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_EQ(dialogs.boxes[0].text,
              "The Installation Utility has detected that the 'dir\\bad.txt' file is corrupted.\n\n"
              "Call Varentis technical support.");
    EXPECT_EQ(dialogs.boxes[0].style & MB_ICONMASK, MB_ICONEXCLAMATION);

    // Extracting names the joined path; the good member before it stays.
    dialogs.Clear();
    EXPECT_EQ(Extract(), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_NE(dialogs.boxes[0].text.find("'C:\\out\\dir\\bad.txt'"), std::string::npos);
    EXPECT_EQ(ReadHostFile(Out("dir/good.txt")), "good");
}

TEST_F(ExtractionTest, HeaderCRCAlteredStopsTheArchiveAfterEarlierMembers) {
    std::string bytes = EncodeMember(Stored("one.txt", "1")) + EncodeMember(Compressed("two.txt", "22")) +
                        EncodeMember(Stored("three.txt", "333"));
    const size_t second = ARCHIVE_HEADER_SIZE + 1;
    bytes[second + ARCHIVE_OFFSET_MODIFICATION_TIME] ^= 0x01;
    WriteHostFile(root + "/C/a.vrn", bytes);
    EXPECT_EQ(Extract(), -129);
    EXPECT_EQ(ReadHostFile(Out("one.txt")), "1");
    EXPECT_FALSE(Exists(Out("two.txt")));
    EXPECT_FALSE(Exists(Out("three.txt")));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (129): Archive checksums do not match for file. (two.txt)");

    // A header cut short at the end of the archive fails the same way.
    dialogs.Clear();
    WriteHostFile(root + "/C/a.vrn", EncodeMember(Stored("one.txt", "1")) + std::string(100, 'x'));
    EXPECT_EQ(Extract(), -129);
}

TEST_F(ExtractionTest, UnknownMethodAndTruncatedStoredData) {
    MemberSpec odd = Stored("odd.bin", "abc");
    odd.method = 3;
    WriteArchive({odd});
    EXPECT_EQ(Extract(), RESULT_STOP);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(Exists(Out("odd.bin")));

    // Stored data that ends early: the copy stops at the archive's end and
    // the CRC check reports the file, which stays as far as it came.
    std::string bytes = EncodeMember(Stored("cut.bin", RandomBytes(70000, 9)));
    bytes.resize(bytes.size() - 10000);
    WriteHostFile(root + "/C/a.vrn", bytes);
    EXPECT_EQ(Extract(), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_EQ(ReadHostFile(Out("cut.bin")).size(), 60000u);
}

// A compressed member whose first flag byte is missing is damaged: its file
// is removed and the corrupted-file question decides.
TEST_F(ExtractionTest, DamagedMemberAnswers) {
    MemberSpec damaged;
    damaged.name = "d\\lost.bin";
    damaged.data = "something";
    damaged.method = ARCHIVE_METHOD_COMPRESSED;   // no stream byte at all
    const std::string archive = EncodeMember(Stored("first.txt", "f")) + EncodeMember(damaged);

    // Batch: skipped without a question; nothing after it in the archive.
    WriteHostFile(root + "/C/a.vrn", archive);
    SetEnv("TMP", "C:\\");
    _commandLineSwitch = SWITCH_BATCH;
    EXPECT_EQ(Extract(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(Exists(Out("d/lost.bin")));
    EXPECT_EQ(ReadHostFile(Out("first.txt")), "f");

    // Interactive OK: skip.
    _commandLineSwitch = 0;
    EXPECT_EQ(Extract(), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_NE(dialogs.boxes[0].text.find("(C:\\out\\d\\lost.bin)"), std::string::npos);
    EXPECT_FALSE(Exists(Out("d/lost.bin")));

    // Cancel, then Yes to quitting: stop. Cancel, then No: skip.
    dialogs.Clear();
    dialogs.answers = {IDCANCEL, IDYES};
    EXPECT_EQ(Extract(), RESULT_STOP);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].title, "Quit Confirmation");
    EXPECT_FALSE(Exists(Out("d/lost.bin")));
    dialogs.Clear();
    dialogs.answers = {IDCANCEL, IDNO};
    EXPECT_EQ(Extract(), 0);

    // Not at the archive's end the flag byte is taken from the next header,
    // and the empty stream is then reported as unreadable.
    dialogs.Clear();
    WriteHostFile(root + "/C/a.vrn", EncodeMember(damaged) + EncodeMember(Stored("after.txt", "a")));
    EXPECT_EQ(Extract(), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "ERROR");
    EXPECT_FALSE(Exists(Out("after.txt")));
}

TEST_F(ExtractionTest, FreeSpaceEqualToTheMemberIsEnough) {
    const std::string data = RandomBytes(5000, 4);
    DriveMapping c = *FindDrive('C');
    c.freeBytes = data.size();
    MapDrive('C', c);
    WriteArchive({Stored("fits.bin", data)});
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_EQ(ReadHostFile(Out("fits.bin")), data);

    c.freeBytes = data.size() - 1;
    MapDrive('C', c);
    WriteArchive({Stored("big.bin", data)});
    EXPECT_EQ(Extract(), -148);
    EXPECT_FALSE(Exists(Out("big.bin")));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("Out of disk space."), std::string::npos);
    // Testing asks no free space.
    dialogs.Clear();
    EXPECT_EQ(Extract("*", 1), 0) << Boxes();
}

TEST_F(ExtractionTest, HostileNamesWriteNothingOutsideTheDestination) {
    MapTempDrive('D');
    WriteHostFile(root + "/keep", "k");
    const char* const names[] = {"..\\..\\x", "\\x", "C:\\x", "\\\\srv\\s\\x", "a\\..\\..\\x", "D:x", "../x", ""};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        dialogs.Clear();
        WriteArchive({Stored(name, "evil"), Stored("fine.txt", "fine")});
        EXPECT_EQ(Extract(), -112);
        ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
        EXPECT_EQ(dialogs.boxes[0].text,
                  std::string("INSTALLATION ERROR (112): Invalid filename supplied. (") + name + ")");
        EXPECT_FALSE(Exists(Out("fine.txt")));
        EXPECT_EQ(Extract("*", 1), -112);
    }
    // Nothing new anywhere: the temporary root holds C (with the archive and
    // the empty destination), D and the file put there before.
    EXPECT_FALSE(Exists(root + "/x"));
    EXPECT_FALSE(Exists(root + "/C/x"));
    EXPECT_FALSE(Exists(root + "/D/x"));
    EXPECT_FALSE(Exists(Out("x")));
    EXPECT_FALSE(Exists(Out("a")));
    EXPECT_EQ(ReadHostFile(root + "/keep"), "k");
    // ".." inside a name component is no parent reference.
    WriteArchive({Stored("a..b\\..c", "ok")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_EQ(ReadHostFile(Out("a..b/..c")), "ok");
}

TEST_F(ExtractionTest, SymbolicLinksAreReplacedNeverWrittenThrough) {
    WriteHostFile(root + "/target.txt", "outside");
    ::mkdir((root + "/elsewhere").c_str(), 0700);
    ASSERT_EQ(::symlink((root + "/target.txt").c_str(), Out("file.txt").c_str()), 0);
    ASSERT_EQ(::symlink((root + "/elsewhere").c_str(), Out("dir").c_str()), 0);
    ASSERT_EQ(::symlink((root + "/target.txt").c_str(), Out("Upper.TXT").c_str()), 0);
    WriteArchive({Stored("file.txt", "inside"), Compressed("dir\\in.txt", "in dir"), Stored("upper.txt", "case")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_EQ(ReadHostFile(root + "/target.txt"), "outside");
    EXPECT_FALSE(Exists(root + "/elsewhere/in.txt"));
    struct stat st {};
    ASSERT_EQ(::lstat(Out("file.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadHostFile(Out("file.txt")), "inside");
    ASSERT_EQ(::lstat(Out("dir").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(ReadHostFile(Out("dir/in.txt")), "in dir");

    // Each extraction checks its directories afresh: a link planted between
    // two extractions of the same member is found by the second.
    WriteArchive({Compressed("dir\\in.txt", "again")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    ASSERT_EQ(::unlink(Out("dir/in.txt").c_str()), 0);
    ASSERT_EQ(::rmdir(Out("dir").c_str()), 0);
    ASSERT_EQ(::symlink((root + "/elsewhere").c_str(), Out("dir").c_str()), 0);
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_FALSE(Exists(root + "/elsewhere/in.txt"));
    ASSERT_EQ(::lstat(Out("dir").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ExtractionTest, LinksInDirectoriesNewToEachMemberAreReplacedWhereverItGoes) {
    ::mkdir((root + "/elsewhere").c_str(), 0700);
    ::mkdir(Out("a").c_str(), 0700);
    for (const char* link : {"a/c", "a/e", "x"})
        ASSERT_EQ(::symlink((root + "/elsewhere").c_str(), Out(link).c_str()), 0) << link;
    // Down into a new directory, across to a sibling, down two levels, back
    // up, and over to another tree: each directory the member does not share
    // with the one before is looked at.
    WriteArchive({Compressed("a\\b\\one.txt", "1"), Compressed("a\\c\\two.txt", "2"),
                  Compressed("a\\b\\d\\three.txt", "3"), Compressed("a\\e\\f\\four.txt", "4"),
                  Compressed("a\\b\\up.txt", "5"), Compressed("x\\y\\five.txt", "6")});
    EXPECT_EQ(Extract(), 0) << Boxes();
    DIR* outside = ::opendir((root + "/elsewhere").c_str());
    ASSERT_NE(outside, nullptr);
    int entries = 0;
    while (const dirent* e = ::readdir(outside))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++entries;
    ::closedir(outside);
    EXPECT_EQ(entries, 0);
    for (const char* dir : {"a/c", "a/e", "a/e/f", "x", "x/y"}) {
        struct stat st {};
        ASSERT_EQ(::lstat(Out(dir).c_str(), &st), 0) << dir;
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << dir;
    }
    EXPECT_EQ(ReadHostFile(Out("a/b/one.txt")), "1");
    EXPECT_EQ(ReadHostFile(Out("a/c/two.txt")), "2");
    EXPECT_EQ(ReadHostFile(Out("a/b/d/three.txt")), "3");
    EXPECT_EQ(ReadHostFile(Out("a/e/f/four.txt")), "4");
    EXPECT_EQ(ReadHostFile(Out("a/b/up.txt")), "5");
    EXPECT_EQ(ReadHostFile(Out("x/y/five.txt")), "6");
}

TEST_F(ExtractionTest, MissingArchiveAndBlockCRCContract) {
    EXPECT_EQ(DecompressFile("*", "C:\\none.vrn", "C:\\out", 0), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "INSTALLATION ERROR (103): Unable to open the file. (: C:\\none.vrn (ENOENT))");

    // The sliced and folded computations give the byte-wise results at every
    // length, alignment and starting value; another table is followed byte
    // by byte.
    uint32_t table[256];
    BuildCRCTable(table, 256);
    const std::string check = "123456789";
    EXPECT_EQ(~CalculateBlockCRC32(reinterpret_cast<const uint8_t*>(check.data()), 9, 0xFFFFFFFFu, table),
              0xCBF43926u);
    EXPECT_EQ(CalculateBlockCRC32(nullptr, 0, 0x1234u, table), 0x1234u);
    const std::string data = RandomBytes(1000, 8);
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    for (uint32_t start : {0xFFFFFFFFu, 0u, 0x12345678u}) {
        for (uint32_t offset : {0u, 1u, 3u, 7u}) {
            for (uint32_t length : {63u, 64u, 65u, 80u, 100u, 128u, 257u, 900u}) {
                uint32_t bytewise = start;
                for (uint32_t i = 0; i < length; ++i)
                    bytewise = table[(bytewise ^ p[offset + i]) & 0xFF] ^ (bytewise >> 8);
                EXPECT_EQ(CalculateBlockCRC32(p + offset, length, start, table), bytewise) << offset << " " << length;
            }
        }
    }
    uint32_t other[256];
    for (uint32_t i = 0; i < 256; ++i) other[i] = i * 0x01010101u;
    uint32_t expected = 7;
    for (uint32_t i = 0; i < 500; ++i) expected = other[(expected ^ p[i]) & 0xFF] ^ (expected >> 8);
    EXPECT_EQ(CalculateBlockCRC32(p, 500, 7, other), expected);
}

}  // namespace
}  // namespace vrn::test
