// Short (8.3) names of paths and of listed entries.
#include <string>

#include "platform/native.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class ShortNamesTest : public test::TempDrives {
protected:
    // The short form, or "!<error>" when there is none.
    static std::string Short(const char* path) {
        char buffer[512];
        const DWORD n = GetShortPathNameA(path, buffer, sizeof buffer);
        if (n == 0) return "!" + std::to_string(GetLastError());
        EXPECT_LT(n, sizeof buffer);
        EXPECT_EQ(std::string(buffer).size(), n);
        return buffer;
    }
    void Dir(const std::string& windowsPath) { ASSERT_TRUE(CreateDirectory(windowsPath.c_str())) << windowsPath; }
};

TEST_F(ShortNamesTest, LongNamesOfOneDirectoryGetDistinctStableNumbers) {
    for (const char* d : {"C:\\Program Files", "C:\\Program Data", "C:\\Programs Old", "C:\\setup"}) Dir(d);
    WriteHostFile(root + "/C/Long Document.text", "x");
    WriteHostFile(root + "/C/a+b,c;d=e[f].txt", "x");
    WriteHostFile(root + "/C/readme.txt", "x");
    WriteHostFile(root + "/C/.profile", "x");

    // Numbers follow the directory's name order, whatever the order asked.
    EXPECT_EQ(Short("C:\\Programs Old"), "C:\\PROGRA~3");
    EXPECT_EQ(Short("C:\\Program Files"), "C:\\PROGRA~2");
    EXPECT_EQ(Short("C:\\Program Data"), "C:\\PROGRA~1");
    EXPECT_EQ(Short("C:\\Program Files"), "C:\\PROGRA~2");   // the same contents, the same name
    EXPECT_EQ(Short("c:\\program files"), "c:\\PROGRA~2");   // names are found ignoring case

    // Names that fit 8.3 keep their form, in upper case.
    EXPECT_EQ(Short("C:\\readme.txt"), "C:\\README.TXT");
    EXPECT_EQ(Short("C:\\Setup"), "C:\\SETUP");
    // Blanks and surplus dots are dropped, characters short names may not
    // hold become '_', the extension keeps three characters.
    EXPECT_EQ(Short("C:\\Long Document.text"), "C:\\LONGDO~1.TEX");
    EXPECT_EQ(Short("C:\\a+b,c;d=e[f].txt"), "C:\\A_B_C_~1.TXT");
    EXPECT_EQ(Short("C:\\.profile"), "C:\\PROFIL~1");

    // A name that fits takes its own place: a generated one moves past it.
    Dir("C:\\PROGRA~1");
    EXPECT_EQ(Short("C:\\Program Data"), "C:\\PROGRA~2");
    EXPECT_EQ(Short("C:\\Program Files"), "C:\\PROGRA~3");
    EXPECT_EQ(Short("C:\\Programs Old"), "C:\\PROGRA~4");

    // From the tenth on, the base gives up a character to the number.
    Dir("C:\\many");
    for (int i = 0; i < 10; ++i) WriteHostFile(root + "/C/many/Documentation " + std::to_string(i) + ".txt", "x");
    EXPECT_EQ(Short("C:\\many\\Documentation 0.txt"), "C:\\MANY\\DOCUME~1.TXT");
    EXPECT_EQ(Short("C:\\many\\Documentation 8.txt"), "C:\\MANY\\DOCUME~9.TXT");
    EXPECT_EQ(Short("C:\\many\\Documentation 9.txt"), "C:\\MANY\\DOCUM~10.TXT");

    // The listing gives the same short names, and none for names that fit.
    WIN32_FIND_DATA data;
    const HANDLE h = FindFirstFile("C:\\Program*", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<std::pair<std::string, std::string>> listed;
    do listed.emplace_back(data.cFileName, data.cAlternateFileName);
    while (FindNextFile(h, &data));
    FindClose(h);
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, std::string>>{
                          {"Program Data", "PROGRA~2"}, {"Program Files", "PROGRA~3"}, {"Programs Old", "PROGRA~4"}}));
    ASSERT_NE(FindFirstFile("C:\\readme.txt", &data), INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cAlternateFileName, "");
}

TEST_F(ShortNamesTest, WholePathsBufferSizesAndMissingNames) {
    Dir("C:\\My Apps");
    Dir("C:\\My Apps\\Varentis Suite");
    Dir("C:\\My Apps\\Varentis Suite\\bin");
    EXPECT_EQ(Short("C:\\My Apps\\Varentis Suite\\bin"), "C:\\MYAPPS~1\\VARENT~1\\BIN");
    EXPECT_EQ(Short("C:/My Apps/Varentis Suite/"), "C:\\MYAPPS~1\\VARENT~1\\");
    EXPECT_EQ(Short("C:\\"), "C:\\");
    EXPECT_EQ(Short("\\My Apps\\.\\Varentis Suite\\..\\Varentis Suite"), "\\MYAPPS~1\\.\\VARENT~1\\..\\VARENT~1");
    ASSERT_EQ(_chdir("C:\\My Apps"), 0);
    EXPECT_EQ(Short("Varentis Suite\\bin"), "VARENT~1\\BIN");

    // Too small a buffer: the size needed, with its NUL, and nothing written.
    const std::string expected = "C:\\MYAPPS~1\\VARENT~1";
    char small[8] = "keep";
    EXPECT_EQ(GetShortPathNameA("C:\\My Apps\\Varentis Suite", small, sizeof small), expected.size() + 1);
    EXPECT_STREQ(small, "keep");
    EXPECT_EQ(GetShortPathNameA("C:\\My Apps\\Varentis Suite", nullptr, 0), expected.size() + 1);
    std::string exact(expected.size() + 1, '?');
    EXPECT_EQ(GetShortPathNameA("C:\\My Apps\\Varentis Suite", exact.data(), static_cast<DWORD>(exact.size())),
              expected.size());
    EXPECT_STREQ(exact.c_str(), expected.c_str());

    // A path that does not exist has a short form only as far as it exists:
    // beyond that the call fails and says why.
    EXPECT_EQ(Short("C:\\My Apps\\New Product"), "!" + std::to_string(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Short("C:\\My Apps\\New Product\\bin"), "!" + std::to_string(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Short("Q:\\x"), "!" + std::to_string(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Short("C:\\a|b"), "!" + std::to_string(ERROR_INVALID_NAME));
    EXPECT_EQ(GetShortPathNameA(nullptr, small, sizeof small), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace vrn
