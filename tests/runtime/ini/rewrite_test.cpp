#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/files/files.h"
#include "runtime/ini/ini.h"
#include "tests/runtime/ini/ini_fixture.h"

namespace vrn {
namespace {

class IniRewrite : public test::IniFiles {
protected:
    // Files in a directory of the temporary drive whose names start with prefix.
    int CountFiles(const char* directory, const std::string& prefix) {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(Host(directory)))
            if (e.path().filename().string().rfind(prefix, 0) == 0) ++n;
        return n;
    }
    const char* f = "C:\\setup.ini";
};

TEST_F(IniRewrite, NewSectionsAndKeysGoWhereTheyBelong) {
    WriteText(f, "[s]\na=1\n\n; trailing comment\n[t]\nb=2\n");
    EXPECT_EQ(wdWritePrivateProfileString("s", "new", "v", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\na=1\n\n; trailing comment\nnew=v\n[t]\nb=2\n");
    // Written in text mode: every line ends with CR LF on disk.
    EXPECT_EQ(ReadHostFile(Host(f)), "[s]\r\na=1\r\n\r\n; trailing comment\r\nnew=v\r\n[t]\r\nb=2\r\n");

    EXPECT_EQ(wdWritePrivateProfileString("t", "c", "3", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\na=1\n\n; trailing comment\nnew=v\n[t]\nb=2\nc=3\n");
    EXPECT_EQ(wdWritePrivateProfileString("  New    Sect ", " my  key ", "  spaced value ", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\na=1\n\n; trailing comment\nnew=v\n[t]\nb=2\nc=3\n\n[New Sect]\nmy key=  spaced value \n");
    EXPECT_EQ(Get("new sect", "MY KEY", f), "spaced value ");
    // A null value into a missing section: the header alone.
    EXPECT_EQ(wdWritePrivateProfileString("empty", "k", nullptr, f), 0);
    EXPECT_EQ(ReadText(f).substr(ReadText(f).size() - 9), "\n[empty]\n");
    EXPECT_EQ(wdWritePrivateProfileInt("t", "n", -42, f), 0);
    EXPECT_EQ(Get("t", "n", f), "-42");
}

TEST_F(IniRewrite, AnEntryAddedBehindALastLineWithoutLineFeedGoesOnALineOfItsOwn) {
    WriteText(f, "[s]\na=1\n; no line feed");
    EXPECT_EQ(wdWritePrivateProfileString("s", "b", "2", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\na=1\n; no line feed\nb=2\n");
    EXPECT_EQ(Get("s", "b", f), "2");
    // An entry on the last line is replaced with its line.
    WriteText(f, "[s]\nb=1");
    EXPECT_EQ(wdWritePrivateProfileString("s", "b", "2", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\nb=2\n");
    // The section's header is that last line.
    WriteText(f, "[a]\nx=1\n[s] old");
    EXPECT_EQ(wdWritePrivateProfileString("s", "b", "2", f), 0);
    EXPECT_EQ(ReadText(f), "[a]\nx=1\n[s] old\nb=2\n");
    EXPECT_EQ(Get("s", "b", f), "2");
    // Deleting behind such a line adds nothing.
    WriteText(f, "[s]\na=1");
    EXPECT_EQ(wdWritePrivateProfileString("s", "b", nullptr, f), 0);
    EXPECT_EQ(ReadText(f), "[s]\na=1");
}

TEST_F(IniRewrite, ALineHoldingAZeroByteSurvivesARewriteWithItsLineFeed) {
    using namespace std::string_literals;
    const std::string zeroLines = "[s]\r\nnote=a\0b\r\n; x\0y\r\n"s;
    WriteHostFile(Host(f), zeroLines + "[t]\r\nk=1\r\n"s);
    EXPECT_EQ(wdWritePrivateProfileString("t", "k", "2", f), 0);
    EXPECT_EQ(ReadHostFile(Host(f)), zeroLines + "[t]\r\nk=2\r\n"s);
    EXPECT_EQ(Get("t", "k", f), "2");
    // The entry reads as far as its zero byte.
    EXPECT_EQ(Get("s", "note", f), "a");
}

TEST_F(IniRewrite, ReplaceAndDeleteEntries) {
    WriteText(f, "; head\n[S]\nk=old\nother=1\nK = dup\n[T]\nk=t\n");
    EXPECT_EQ(wdWritePrivateProfileString("s", "K", "new", f), 0);
    EXPECT_EQ(ReadText(f), "; head\n[S]\nK=new\nother=1\nK = dup\n[T]\nk=t\n");
    // Deleting removes the first occurrence only; the duplicate then shows.
    EXPECT_EQ(wdWritePrivateProfileString("s", "k", nullptr, f), 0);
    EXPECT_EQ(ReadText(f), "; head\n[S]\nother=1\nK = dup\n[T]\nk=t\n");
    EXPECT_EQ(Get("s", "k", f), "dup");
    EXPECT_EQ(wdWritePrivateProfileString("s", "k", nullptr, f), 0);
    EXPECT_EQ(wdWritePrivateProfileString("s", "k", nullptr, f), 0);   // nothing left to delete
    EXPECT_EQ(ReadText(f), "; head\n[S]\nother=1\n[T]\nk=t\n");
    EXPECT_EQ(Get("t", "k", f), "t");
    // An empty value is written as given and reads as absent.
    EXPECT_EQ(wdWritePrivateProfileString("t", "k", "", f), 0);
    EXPECT_EQ(ReadText(f), "; head\n[S]\nother=1\n[T]\nk=\n");
    EXPECT_EQ(Get("t", "k", f), "<default>");
}

TEST_F(IniRewrite, DeleteSectionKeepsCommentsAndBlankLines) {
    WriteText(f, "[a]\nx=1\n[s]\n; about s\nk=1\n\nj=2\n; end of s\n[b]\ny=2\n");
    EXPECT_EQ(wdWritePrivateProfileString("S", nullptr, nullptr, f), 0);
    EXPECT_EQ(ReadText(f), "[a]\nx=1\n; about s\n\n; end of s\n[b]\ny=2\n");
    EXPECT_EQ(Get("s", "k", f), "<default>");
    EXPECT_EQ(Get("b", "y", f), "2");
    // Deleting a missing section changes nothing.
    EXPECT_EQ(wdWritePrivateProfileString("zz", nullptr, nullptr, f), 0);
    EXPECT_EQ(ReadText(f), "[a]\nx=1\n; about s\n\n; end of s\n[b]\ny=2\n");
    // The last section.
    EXPECT_EQ(wdWritePrivateProfileString("b", nullptr, nullptr, f), 0);
    EXPECT_EQ(ReadText(f), "[a]\nx=1\n; about s\n\n; end of s\n");
}

TEST_F(IniRewrite, LongLinesSurvive) {
    std::string comment = "; " + std::string(398, 'c');
    std::string longEntry = "long=" + std::string(395, 'v');
    std::string looksLikeEntry = "; " + std::string(157, '-') + "k=piece";
    WriteText(f, "[s]\n" + comment + "\n" + longEntry + "\n" + looksLikeEntry + "\nk=1\n");
    EXPECT_EQ(wdWritePrivateProfileString("s", "other", "2", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\n" + comment + "\n" + longEntry + "\n" + looksLikeEntry + "\nk=1\nother=2\n");
    // A value is read from the line's first 159 characters.
    EXPECT_EQ(Get("s", "long", f), std::string(154, 'v'));
    // Replacing a long entry removes all of its line.
    EXPECT_EQ(wdWritePrivateProfileString("s", "long", "short", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\n" + comment + "\nlong=short\n" + looksLikeEntry + "\nk=1\nother=2\n");
}

TEST_F(IniRewrite, FailuresLeaveTheFileAlone) {
    // The file must exist: it is never created.
    EXPECT_EQ(wdWritePrivateProfileString("s", "k", "v", "C:\\none.ini"), 1);
    EXPECT_EQ(utIsFile("C:\\none.ini"), 0);
    WriteText(f, "[s]\nk=1\n");
    EXPECT_EQ(wdWritePrivateProfileString("=bad", "k", "v", f), 1);
    EXPECT_EQ(wdWritePrivateProfileString("s", " ", "v", f), 1);
    EXPECT_EQ(wdWritePrivateProfileString(nullptr, "k", "v", f), 1);
    // A temporary directory that does not exist.
    SetEnv("TEMP", "C:\\notthere");
    EXPECT_EQ(wdWritePrivateProfileString("s", "k", "2", f), 1);
    EXPECT_EQ(ReadText(f), "[s]\nk=1\n");
    // No temporary file was left in the current directory by any of these.
    EXPECT_EQ(CountFiles("C:\\", "ini"), 0);

    // A file that cannot be replaced: the copy back's error comes back and
    // the temporary file is gone.
    ASSERT_EQ(vrn::_mkdir("C:\\tmp"), 0);
    SetEnv("TEMP", "C:\\tmp");
    ASSERT_EQ(vrn::_chmod(f, _S_IREAD), 0);
    utSetOsError(1234);
    int32_t result = wdWritePrivateProfileString("s", "k", "2", f);
    EXPECT_NE(result, 0);
    EXPECT_NE(result, 1);
    EXPECT_EQ(result, 8);              // access denied
    EXPECT_EQ(_pgc->osError, 1234u);   // the stored error is left as it was
    EXPECT_EQ(ReadText(f), "[s]\nk=1\n");
    EXPECT_EQ(CountFiles("C:\\tmp", ""), 0);   // the temporary file was deleted
    ASSERT_EQ(vrn::_chmod(f, _S_IREAD | _S_IWRITE), 0);
    EXPECT_EQ(wdWritePrivateProfileString("s", "k", "2", f), 0);
    EXPECT_EQ(ReadText(f), "[s]\nk=2\n");
    EXPECT_EQ(CountFiles("C:\\tmp", ""), 0);
    EXPECT_EQ(CountFiles("C:\\", ""), 2);   // setup.ini and tmp
}

}  // namespace
}  // namespace vrn
