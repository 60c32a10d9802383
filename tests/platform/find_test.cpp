// Find-first/next: the platform's wildcard matching, the order of entries,
// and what each entry reports.
#include <sys/stat.h>
#include <sys/time.h>

#include "platform/native.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class FindTest : public test::TempDrives {
protected:
    std::vector<std::string> List(const char* pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATA data;
        const HANDLE h = FindFirstFile(pattern, &data);
        if (h == INVALID_HANDLE_VALUE) return names;
        do names.push_back(data.cFileName);
        while (FindNextFile(h, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(h));
        return names;
    }
    WIN32_FIND_DATA Entry(const char* pattern) {
        WIN32_FIND_DATA data;
        const HANDLE h = FindFirstFile(pattern, &data);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << pattern;
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
        return data;
    }
};

using Names = std::vector<std::string>;

TEST_F(FindTest, WildcardsFollowThePlatformsRules) {
    EXPECT_TRUE(WildcardMatch("*.*", "README"));
    EXPECT_TRUE(WildcardMatch("*.*", "."));
    EXPECT_TRUE(WildcardMatch("*.TXT", "notes.txt"));
    EXPECT_FALSE(WildcardMatch("*.txt", "notes.txt.bak"));
    EXPECT_TRUE(WildcardMatch("a?c", "ABC"));
    EXPECT_FALSE(WildcardMatch("a?c", "ac"));
    EXPECT_TRUE(WildcardMatch("setup.*", "SETUP"));
    EXPECT_TRUE(WildcardMatch("*.", "makefile"));
    EXPECT_FALSE(WildcardMatch("*.", "make.file"));
    EXPECT_TRUE(WildcardMatch("*a*b*", "xxaYYbzz"));
    EXPECT_FALSE(WildcardMatch("*a*b*", "xxbYYazz"));

    ASSERT_TRUE(CreateDirectory("C:\\d"));
    for (const char* n : {"zeta.txt", "Alpha.TXT", "beta", "beta.txt.bak", ".profile"})
        WriteHostFile(root + "/C/d/" + n, "x");
    ASSERT_TRUE(CreateDirectory("C:\\d\\Sub"));
    EXPECT_EQ(List("C:\\d\\*.*"), (Names{".", "..", ".profile", "Alpha.TXT", "beta", "beta.txt.bak", "Sub", "zeta.txt"}));
    EXPECT_EQ(List("C:\\D\\*.txt"), (Names{"Alpha.TXT", "zeta.txt"}));
    EXPECT_EQ(List("C:/d/BETA*"), (Names{"beta", "beta.txt.bak"}));
    EXPECT_EQ(List("C:\\d\\sub"), (Names{"Sub"}));   // a plain name matches ignoring case

    // Relative and drive-relative patterns use the current directory.
    ASSERT_EQ(_chdir("C:\\d"), 0);
    EXPECT_EQ(List("z*"), (Names{"zeta.txt"}));
    EXPECT_EQ(List("C:a*"), (Names{"Alpha.TXT"}));

    WIN32_FIND_DATA data;
    EXPECT_EQ(FindFirstFile("C:\\d\\*.none", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFile("C:\\nodir\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirstFile("Q:\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FindNextFile(INVALID_HANDLE_VALUE, &data));
}

TEST_F(FindTest, EntriesCarryAttributesSizesAndTimes) {
    ASSERT_TRUE(CreateDirectory("C:\\d"));
    WriteHostFile(root + "/C/d/.hidden", "abc");
    WriteHostFile(root + "/C/d/ro.dat", std::string(5000, 'r'));
    ASSERT_EQ(::chmod((root + "/C/d/ro.dat").c_str(), 0444), 0);
    WriteHostFile(root + "/C/d/plain", "");
    const struct timeval times[2] = {{1100000000, 0}, {1111111111, 0}};
    ASSERT_EQ(::utimes((root + "/C/d/plain").c_str(), times), 0);

    const WIN32_FIND_DATA dot = Entry("C:\\d\\*");
    EXPECT_STREQ(dot.cFileName, ".");
    EXPECT_EQ(dot.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(Entry("C:\\d\\.hidden").dwFileAttributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(Entry("C:\\d\\.hidden").nFileSizeLow, 3u);
    const WIN32_FIND_DATA ro = Entry("C:\\d\\RO.DAT");
    EXPECT_EQ(ro.dwFileAttributes, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(ro.nFileSizeLow, 5000u);
    EXPECT_EQ(ro.nFileSizeHigh, 0u);
    const WIN32_FIND_DATA plain = Entry("C:\\d\\plain");
    EXPECT_EQ(UnixFromFileTime(plain.ftLastWriteTime), 1111111111);
    EXPECT_EQ(UnixFromFileTime(plain.ftLastAccessTime), 1100000000);
    EXPECT_EQ(GetFileAttributes("C:\\d"), FILE_ATTRIBUTE_DIRECTORY);
    // A drive's root is not hidden even when its host directory is a dot-name.
    ASSERT_EQ(::mkdir((root + "/.dotted").c_str(), 0700), 0);
    DriveMapping dotted;
    dotted.hostRoot = root + "/.dotted";
    MapDrive('H', dotted);
    EXPECT_EQ(GetFileAttributes("H:\\"), FILE_ATTRIBUTE_DIRECTORY);

    // The times convert both ways with the platform's epoch of 1601.
    const FILETIME ft = FileTimeFromUnix(0);
    EXPECT_EQ((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime, 116444736000000000ull);
    EXPECT_EQ(UnixFromFileTime(FileTimeFromUnix(-12345)), -12345);
}

}  // namespace
}  // namespace vrn
