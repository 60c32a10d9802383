// The rules for the text of a destination: tidying, the characters it may
// hold, files standing where directories are needed, drive numbers and
// classes, and the keystroke filters.
#include <clocale>
#include <string>
#include <vector>

#include "tests/engine/destination/destination_fixture.h"

namespace vrn::test {
namespace {

class PathRulesTest : public DestinationDrives {};

std::string Formatted(const std::string& path) {
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    FormatPathName(buffer.data());
    return buffer.data();
}

TEST_F(PathRulesTest, FormattingAndCharacters) {
    EXPECT_EQ(Formatted("D:\\\\a\\\\\\b\\"), "D:\\a\\b");
    EXPECT_EQ(Formatted("D:\\"), "D:");
    EXPECT_EQ(Formatted("\\"), "");
    EXPECT_EQ(Formatted("\\\\\\srv\\\\share\\"), "\\\\srv\\share");   // a network name keeps its pair
    EXPECT_EQ(Formatted("D:\\" + std::string(400, 'a') + "\\\\"), "D:\\" + std::string(400, 'a'));

    EXPECT_EQ(CheckPathnameFormat(nullptr, "D:\\"), 0);
    EXPECT_EQ(CheckPathnameFormat(nullptr, "D:\\a~b_(c)\\.`^&()':~!@#$%-_{}09azAZ"), 0);
    EXPECT_EQ(CheckPathnameFormat(nullptr, "+;*abc"), 0);   // the root's three characters are not tested
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
    for (const char c : std::string(" +,;=[]\"*?|<>/")) {
        SCOPED_TRACE(c);
        dialogs.Clear();
        const std::string path = std::string("D:\\my") + c + "dir";
        EXPECT_EQ(CheckPathnameFormat(reinterpret_cast<HWND>(0x12), path.c_str()), RESULT_STOP);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].title, "Invalid Destination Pathname Character");
        EXPECT_EQ(dialogs.boxes[0].text, "The following destination path is invalid.\n" + path +
                                             "\n\nYou cannot use the " + c + " character as part of the directory name.");
        EXPECT_EQ(dialogs.boxes[0].owner, reinterpret_cast<HWND>(0x12));
        EXPECT_EQ(dialogs.beeps.size(), 2u);   // the character rule's and the box's
    }
    EXPECT_EQ(ValidCharCheck(0xE9), 0);   // no letter in the C locale

    // Paths longer than 255 characters are refused whole, never cut.
    const std::string fits = "D:\\" + std::string(252, 'a');
    dialogs.Clear();
    EXPECT_EQ(CheckPathnameFormat(nullptr, fits.c_str()), 0);
    EXPECT_EQ(CheckPathnameFormat(nullptr, (fits + "b").c_str()), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "INSTALLATION ERROR (130): Filename length exceeds maximum. (" + fits + "b)");
}

TEST_F(PathRulesTest, MultiByteLocaleTakesWholeCharactersOnly) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr && std::setlocale(LC_ALL, "C.utf8") == nullptr)
        GTEST_SKIP() << "no UTF-8 locale here";
    EXPECT_EQ(ValidCharCheck(0xC3), 0);   // a lead byte alone
    EXPECT_EQ(ValidCharCheck('k'), 1);
    EXPECT_NE(isalpha_func(0x3B1), 0);    // alpha, typed as a wide character
    EXPECT_EQ(isalpha_func(0x2603), 0);
    std::setlocale(LC_ALL, saved.c_str());
}

TEST_F(PathRulesTest, FilesInTheWayOfDirectories) {
    MakeDir("D:\\a");
    MakeFile("D:\\a\\b", 3);
    MakeFile("C:\\top", 1);
    char bad[256] = {};
    EXPECT_EQ(InvalidDirName("D:\\a\\b\\c", bad), 1);
    EXPECT_STREQ(bad, "b");
    EXPECT_EQ(InvalidDirName("D:\\\\a\\new\\deeper", bad), 0);
    EXPECT_EQ(InvalidDirName("\\top\\x", bad), 1);   // the first prefix, as formed
    EXPECT_STREQ(bad, "\\top");
    EXPECT_EQ(InvalidDirName(("D:\\" + std::string(253, 'x')).c_str(), bad), 1);
    EXPECT_STREQ(bad, "");
    EXPECT_EQ(ValidPathName("D:\\a"), 1);
    EXPECT_EQ(ValidPathName("D:\\a\\b"), 0);
    EXPECT_EQ(ValidFileName("D:\\a\\b"), 1);
    EXPECT_EQ(ValidFileName("D:\\a"), 0);
    EXPECT_EQ(ValidFileName("D:\\none"), 1);
}

TEST_F(PathRulesTest, DriveNumbersAndClasses) {
    EXPECT_EQ(GetDriveNumber("n:\\x"), 13);
    EXPECT_EQ(GetDriveNumber("\\x"), 2);   // the current drive, C:
    const struct {
        char letter;
        int32_t driveClass;
    } drives[] = {{'C', DRIVE_CLASS_FIXED},     {'D', DRIVE_CLASS_FIXED},   {'E', DRIVE_CLASS_REMOVABLE},
                  {'F', DRIVE_CLASS_REMOVABLE}, {'G', DRIVE_CLASS_NONE},    {'N', DRIVE_CLASS_NETWORK},
                  {'R', DRIVE_CLASS_NETWORK}};
    for (const auto& d : drives) EXPECT_EQ(FindDriveType(d.letter - 'A' + 1), d.driveClass) << d.letter;
    EXPECT_EQ(FindDriveType(0), DRIVE_CLASS_NONE);
    EXPECT_EQ(FindDriveType(27), DRIVE_CLASS_NONE);
}

TEST_F(PathRulesTest, KeystrokeFilters) {
    // Taken keys are silent; a key destfilter_func refuses beeps twice,
    // Escape once.
    const struct {
        int32_t (*filter)(int32_t);
        int32_t key;
        bool taken;
        size_t beeps;
    } keys[] = {{destfilter_func, ':', true, 0}, {destfilter_func, '{', true, 0}, {destfilter_func, ' ', false, 2},
                {destfilter_func, '+', false, 2}, {destfilter_func, 27, false, 1}, {destfilter_func, 0x141, false, 2},
                {isascii_func, 127, true, 0},     {isascii_func, 27, false, 1},    {isascii_func, 128, false, 1},
                {isdigit_func, '9', true, 0},     {isdigit_func, 'a', false, 1},   {isalpha_func, 'a', true, 0},
                {isalpha_func, '1', false, 1},    {isalnum_func, '1', true, 0},    {isalnum_func, '_', false, 1}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.key);
        dialogs.Clear();
        EXPECT_EQ(k.filter(k.key) != 0, k.taken);
        EXPECT_EQ(dialogs.beeps.size(), k.beeps);
    }
}

}  // namespace
}  // namespace vrn::test
