// Queries on paths and drives, times through utlocaltime, and the listings.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/files/files.h"
#include "tests/support/recording_reports.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

class Queries : public test::TempDrives {
protected:
    test::RecordingReports reports;
    void SetUp() override {
        TempDrives::SetUp();
        fs::create_directory(root + "/C/dir");
        WriteHostFile(root + "/C/plain.txt", "12345");
        WriteHostFile(root + "/C/.hidden", "");
        WriteHostFile(root + "/C/ro.txt", "r");
        fs::permissions(root + "/C/ro.txt", fs::perms::owner_write, fs::perm_options::remove);
    }
    // What a buffer-writing query wrote, up to the position it returned.
    static std::string Written(char* (*routine)(char*, const char*), const char* path) {
        char buffer[8] = "#######";
        return std::string(buffer, routine(buffer, path) - buffer);
    }
    static std::vector<uint16_t> Fields(int32_t which) {
        std::vector<uint16_t> f(6);
        return utFileTime("C:\\plain.txt", f.data(), which) ? f : std::vector<uint16_t>{};
    }
};

TEST_F(Queries, KindAccessAttributesAndSize) {
    EXPECT_TRUE(utIsFile("C:\\plain.txt") && !utIsFile("C:\\dir") && !utIsFile("C:\\none"));
    EXPECT_TRUE(utIsDir("C:\\DIR") && !utIsDir("C:\\plain.txt"));
    EXPECT_TRUE(utHaveAccess("C:\\plain.txt") && !utHaveAccess("C:\\ro.txt") && !utHaveAccess("C:\\none"));
    EXPECT_TRUE(utIsFileHidden("C:\\.hidden") && !utIsFileHidden("C:\\plain.txt") && !utIsFileHidden("C:\\.x"));
    EXPECT_EQ(Written(utFileAttr, "C:\\.hidden"), "FH");
    EXPECT_EQ(Written(utFileAttr, "C:\\plain.txt"), "F");
    EXPECT_EQ(Written(utFileAttr, "C:\\dir"), "D");
    EXPECT_EQ(Written(utFileAttr, "C:\\none"), "X");
    EXPECT_EQ(Written(utRWAttr, "C:\\plain.txt"), "RW");
    EXPECT_EQ(Written(utRWAttr, "C:\\ro.txt"), "R");
    EXPECT_EQ(Written(utRWAttr, "C:\\none"), "");
    uint32_t size = 99;
    EXPECT_TRUE(utFileSize("C:\\plain.txt", &size) == 1 && size == 5u);
    EXPECT_EQ(utFileSize("C:\\plain.txt", nullptr), 0);
    EXPECT_EQ(utFileSize("C:\\none", &size), 0);
}

TEST_F(Queries, FileTimesAreLocalBrokenDownFields) {
    SetTimeZone("UTC0");
    const _utimbuf_t times{981173106, 1262400610};   // 2001-02-03 04:05:06, 2010-01-02 02:50:10
    ASSERT_EQ(_utime("C:\\plain.txt", &times), 0);
    EXPECT_EQ(Fields(1), (std::vector<uint16_t>{6, 5, 4, 3, 1, 101}));
    EXPECT_EQ(Fields(2), (std::vector<uint16_t>{10, 50, 2, 2, 0, 110}));
    EXPECT_EQ(Fields(3).size(), 6u);
    EXPECT_TRUE(Fields(0).empty() && Fields(4).empty());
    EXPECT_EQ(utFileTime("C:\\plain.txt", nullptr, 2), 0);

    // A year before 1910 reads as a century later.
    std::tm tm;
    const int64_t early = -2034374400, later = -1704153600;   // 1905-07-15, 1916-01-01
    ASSERT_EQ(utlocaltime(&early, &tm), &tm);
    EXPECT_TRUE(tm.tm_year == 105 && tm.tm_mon == 6 && tm.tm_mday == 15);
    ASSERT_NE(utlocaltime(&later, &tm), nullptr);
    EXPECT_EQ(tm.tm_year, 16);
    EXPECT_EQ(utlocaltime(nullptr, &tm), nullptr);
    EXPECT_EQ(tm.tm_year, 0);
}

TEST_F(Queries, DriveKindsAndList) {
    MapTempDrive('D', DriveKind::Removable);
    MapTempDrive('E', DriveKind::CdRom);
    MapTempDrive('N', DriveKind::Network);
    MapTempDrive('R', DriveKind::RamDisk);
    std::string kinds;
    for (char letter : std::string("CcDENRQ1")) kinds += std::to_string(utGetDriveType(letter)) + " ";
    EXPECT_EQ(kinds, "6 6 5 5 10 20 0 0 ");
    for (auto [length, expected] : std::vector<std::pair<int, std::string>>{
             {32, "C:,D:,E:,N:,R:"}, {3, "C:"}, {5, "C:"}, {6, "C:,D:"}, {2, ""}, {14, "C:,D:,E:,N:"}}) {
        char buffer[33];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        EXPECT_EQ(utDriveList(buffer, length), 0);
        EXPECT_EQ(buffer, expected) << length;
        EXPECT_EQ(buffer[length], '#') << "wrote past the length " << length;
    }
}

TEST_F(Queries, ListingsIncludeEveryEntry) {
    UtFindRecord find;
    std::vector<std::string> names;
    for (int32_t r = utFindFirst("C:\\*.*", 0, &find); r == 0; r = utFindNext(&find))
        names.push_back(find.data.cFileName);
    utFindClose(&find);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", ".hidden", "dir", "plain.txt", "ro.txt"}));
    EXPECT_NE(utFindFirst("C:\\nodir\\*.*", 0, &find), 0);

    // The runtime's storage pool is not available in this engine.
    EXPECT_EQ(utDirOpendll("C:\\plain.txt", _pgc), nullptr);
    EXPECT_TRUE(reports.codes.empty());
    EXPECT_EQ(utDirOpendll("C:\\dir", _pgc), nullptr);
    utDirClose(_pgc, nullptr);
    EXPECT_EQ(reports.codes, (std::vector<int32_t>{NOT_IMPLEMENTED_MESSAGE, NOT_IMPLEMENTED_MESSAGE}));

    WriteHostFile(root + "/C/dir/one", "");
    for (const char* path : {"C:\\dir", "C:\\dir\\", "C:\\nodir"}) {
        UtDirHandle handle;
        utDirStart(&handle, path);
        std::vector<std::string> listed;
        while (char* name = utDirNext(&handle)) listed.push_back(name);
        EXPECT_EQ(listed, path[3] == 'd' ? (std::vector<std::string>{".", "..", "one"}) : std::vector<std::string>{});
        EXPECT_EQ(utDirNext(&handle), nullptr);
    }
}

}  // namespace
}  // namespace vrn
