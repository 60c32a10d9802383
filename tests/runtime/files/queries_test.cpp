// Queries on paths and drives, times through utlocaltime, and the listings.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/files/files.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

class Queries : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        fs::create_directory(root + "/C/dir");
        WriteHostFile(root + "/C/plain.txt", "12345");
        WriteHostFile(root + "/C/.hidden", "");
        WriteHostFile(root + "/C/ro.txt", "r");
        fs::permissions(root + "/C/ro.txt", fs::perms::owner_write, fs::perm_options::remove);
    }
    static std::string Written(char* (*routine)(char*, const char*), const char* path, size_t* count) {
        char buffer[8] = "#######";
        char* end = routine(buffer, path);
        *count = static_cast<size_t>(end - buffer);
        return std::string(buffer, *count);
    }
};

TEST_F(Queries, KindAccessAndAttributes) {
    EXPECT_EQ(utIsFile("C:\\plain.txt"), 1);
    EXPECT_EQ(utIsFile("C:\\dir"), 0);
    EXPECT_EQ(utIsFile("C:\\none"), 0);
    EXPECT_EQ(utIsDir("C:\\DIR"), 1);
    EXPECT_EQ(utIsDir("C:\\plain.txt"), 0);
    EXPECT_EQ(utHaveAccess("C:\\plain.txt"), 1);
    EXPECT_EQ(utHaveAccess("C:\\ro.txt"), 0);
    EXPECT_EQ(utHaveAccess("C:\\none"), 0);
    EXPECT_EQ(utIsFileHidden("C:\\.hidden"), 1);
    EXPECT_EQ(utIsFileHidden("C:\\plain.txt"), 0);
    EXPECT_EQ(utIsFileHidden("C:\\.none"), 0);

    size_t n = 0;
    EXPECT_EQ(Written(utFileAttr, "C:\\.hidden", &n), "FH");
    EXPECT_EQ(Written(utFileAttr, "C:\\plain.txt", &n), "F");
    EXPECT_EQ(Written(utFileAttr, "C:\\dir", &n), "D");
    EXPECT_EQ(Written(utFileAttr, "C:\\none", &n), "X");
    EXPECT_EQ(Written(utRWAttr, "C:\\plain.txt", &n), "RW");
    EXPECT_EQ(Written(utRWAttr, "C:\\ro.txt", &n), "R");
    EXPECT_EQ(Written(utRWAttr, "C:\\none", &n), "");

    uint32_t size = 99;
    EXPECT_EQ(utFileSize("C:\\plain.txt", &size), 1);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(utFileSize("C:\\plain.txt", nullptr), 0);
    size = 99;
    EXPECT_EQ(utFileSize("C:\\none", &size), 0);
    EXPECT_EQ(size, 99u);
}

TEST_F(Queries, FileTimesAreLocalBrokenDownFields) {
    SetTimeZone("UTC0");
    _utimbuf_t times;
    times.actime = 981173106;    // 2001-02-03 04:05:06
    times.modtime = 1262400610;  // 2010-01-02 02:50:10
    ASSERT_EQ(_utime("C:\\plain.txt", &times), 0);

    uint16_t fields[6] = {};
    ASSERT_EQ(utFileTime("C:\\plain.txt", fields, 1), 1);
    EXPECT_EQ(std::vector<uint16_t>(fields, fields + 6), (std::vector<uint16_t>{6, 5, 4, 3, 1, 101}));
    ASSERT_EQ(utFileTime("C:\\plain.txt", fields, 2), 1);
    EXPECT_EQ(std::vector<uint16_t>(fields, fields + 6), (std::vector<uint16_t>{10, 50, 2, 2, 0, 110}));
    EXPECT_EQ(utFileTime("C:\\plain.txt", fields, 3), 1);
    EXPECT_EQ(utFileTime("C:\\plain.txt", fields, 0), 0);
    EXPECT_EQ(utFileTime("C:\\plain.txt", fields, 4), 0);
    EXPECT_EQ(utFileTime("C:\\plain.txt", nullptr, 2), 0);
    EXPECT_EQ(utFileTime("C:\\none", fields, 2), 0);

    // A year below 1910 reads as a century later.
    std::tm tm;
    const int64_t early = -2034374400;   // 1905-07-15 00:00:00
    ASSERT_EQ(utlocaltime(&early, &tm), &tm);
    EXPECT_EQ(tm.tm_year, 105);
    EXPECT_EQ(tm.tm_mon, 6);
    EXPECT_EQ(tm.tm_mday, 15);
    const int64_t later = -1704153600;   // 1916-01-01
    ASSERT_NE(utlocaltime(&later, &tm), nullptr);
    EXPECT_EQ(tm.tm_year, 16);
    tm.tm_hour = 7;
    EXPECT_EQ(utlocaltime(nullptr, &tm), nullptr);
    EXPECT_EQ(tm.tm_hour, 0);
}

TEST_F(Queries, DriveKindsAndList) {
    MapTempDrive('D', DriveKind::Removable);
    MapTempDrive('E', DriveKind::CdRom);
    MapTempDrive('N', DriveKind::Network);
    MapTempDrive('R', DriveKind::RamDisk);
    EXPECT_EQ(utGetDriveType('C'), 6);
    EXPECT_EQ(utGetDriveType('c'), 6);
    EXPECT_EQ(utGetDriveType('D'), 5);
    EXPECT_EQ(utGetDriveType('E'), 5);
    EXPECT_EQ(utGetDriveType('N'), 10);
    EXPECT_EQ(utGetDriveType('R'), 20);
    EXPECT_EQ(utGetDriveType('Q'), 0);
    EXPECT_EQ(utGetDriveType('1'), 0);

    char buffer[32];
    EXPECT_EQ(utDriveList(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "C:,D:,E:,N:,R:");
    for (auto [length, expected] : std::vector<std::pair<int, const char*>>{
             {3, "C:"}, {5, "C:"}, {6, "C:,D:"}, {2, ""}, {15, "C:,D:,E:,N:,R:"}, {14, "C:,D:,E:,N:"}}) {
        std::fill(std::begin(buffer), std::end(buffer), '#');
        utDriveList(buffer, length);
        EXPECT_STREQ(buffer, expected) << length;
        EXPECT_EQ(buffer[length], '#') << "wrote past the length " << length;
    }
}

TEST_F(Queries, ListingsIncludeEveryEntry) {
    UtFindRecord find;
    ASSERT_EQ(utFindFirst("C:\\*.*", 0, &find), 0);
    std::vector<std::string> names;
    do names.push_back(find.data.cFileName);
    while (utFindNext(&find) == 0);
    utFindClose(&find);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", ".hidden", "dir", "plain.txt", "ro.txt"}));
    EXPECT_NE(utFindFirst("C:\\nothing*.zz", 0, &find), 0);
    EXPECT_NE(utFindFirst("C:\\nodir\\*.*", 0, &find), 0);

    // The pool handles of the runtime are not available in this engine.
    EXPECT_EQ(utDirOpendll("C:\\plain.txt", _pgc), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(utDirOpendll("C:\\dir", _pgc), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(9000)"), std::string::npos);
    utDirClose(_pgc, nullptr);
    EXPECT_EQ(dialogs.boxes.size(), 2u);

    // The listing itself on a handle of the caller's.
    WriteHostFile(root + "/C/dir/one", "");
    WriteHostFile(root + "/C/dir/two", "");
    for (const char* path : {"C:\\dir", "C:\\dir\\"}) {
        UtDirHandle handle;
        utDirStart(&handle, path);
        std::vector<std::string> listed;
        while (char* name = utDirNext(&handle)) listed.push_back(name);
        EXPECT_EQ(listed, (std::vector<std::string>{".", "..", "one", "two"})) << path;
        EXPECT_EQ(utDirNext(&handle), nullptr);
    }
    UtDirHandle gone;
    utDirStart(&gone, "C:\\nodir");
    EXPECT_EQ(utDirNext(&gone), nullptr);
    EXPECT_EQ(utDirNext(nullptr), nullptr);
}

}  // namespace
}  // namespace vrn
