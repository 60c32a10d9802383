#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "runtime/ini/ini.h"
#include "tests/runtime/ini/ini_fixture.h"

namespace vrn {
namespace {

TEST(IniFormat, NamesHeadersAndEntries) {
    char name[INI_LINE_SIZE];
    char value[INI_LINE_SIZE];
    struct NameCase {
        const char* text;
        const char* name;   // null: no name
    };
    const NameCase names[] = {
        {"  Main   Setup  ", "Main Setup"}, {"a\t \tb", "a b"},   {"x=y", "x"},     {"ab;c", "ab"},
        {"=x", nullptr},                    {"  ", nullptr},      {"[s]", nullptr}, {"a \xE9", "a"},
        {"a\xE9 b", "a"},                   {"key\r\n", "key"},   {"a b c", "a b c"},
    };
    for (const auto& c : names) {
        EXPECT_EQ(wdIsName(c.text, name), c.name ? 1 : 0) << c.text;
        EXPECT_STREQ(name, c.name ? c.name : "") << c.text;
    }
    EXPECT_EQ(wdIsName(nullptr, name), 0);

    struct HeaderCase {
        const char* line;
        const char* name;
    };
    const HeaderCase headers[] = {
        {"[ Main  Setup ]\n", "Main Setup"}, {"[setup] ; comment\n", "setup"}, {"  [setup]", "setup"},
        {"[setup]\tx\n", "setup"},           {"[setup];comment\n", nullptr},   {"[Setup]x\n", nullptr},
        {"[]\n", nullptr},                   {"[ ]\n", nullptr},               {"[a]]\n", nullptr},
        {"[a b\n", nullptr},                 {"x[a]\n", nullptr},              {"[a=b]\n", nullptr},
    };
    for (const auto& c : headers) {
        EXPECT_EQ(wdIsSection(c.line, name), c.name ? 1 : 0) << c.line;
        if (c.name) {
            EXPECT_STREQ(name, c.name) << c.line;
        }
    }

    struct EntryCase {
        const char* line;
        const char* key;
        const char* value;
    };
    const EntryCase entries[] = {
        {" Key   Name = some value ;x \n", "Key Name", "some value ;x "},
        {"a=b=c\n", "a", "b=c"},
        {"a=\n", "a", ""},
        {"a =   \n", "a", ""},
        {"a=x\ty\n", "a", "x"},
        {"a=x\xE9y\n", "a", "x"},
        {"a=\"quoted\" [x]\r\n", "a", "\"quoted\" [x]"},
        {"; a=b\n", nullptr, nullptr},
        {"=b\n", nullptr, nullptr},
        {"a b\n", nullptr, nullptr},
        {"[a]=b\n", nullptr, nullptr},
    };
    for (const auto& c : entries) {
        EXPECT_EQ(wdIsEntry(c.line, name, value), c.key ? 1 : 0) << c.line;
        if (c.key) {
            EXPECT_STREQ(name, c.key) << c.line;
            EXPECT_STREQ(value, c.value) << c.line;
        }
    }
}

TEST(IniFormat, IntegerValidity) {
    struct Case {
        const char* text;
        int32_t valid;
        int32_t value;
    };
    const Case cases[] = {
        {"12", 1, 12},  {"  12 abc", 1, 12}, {"12abc", 0, 12}, {"-1", 0, -1},
        {"+5", 0, 5},   {"007", 1, 7},       {"12\t", 1, 12},  {"99999999999", 1, INT32_MAX},
    };
    for (const auto& c : cases) {
        int32_t out = -777;
        EXPECT_EQ(wdSetEntryInt(c.text, &out), c.valid) << c.text;
        EXPECT_EQ(out, c.value) << c.text;
    }
    int32_t out = -777;
    EXPECT_EQ(wdSetEntryInt("", &out), 0);
    EXPECT_EQ(wdSetEntryInt("abc", &out), 0);
    EXPECT_EQ(out, -777);
}

class IniLookups : public test::IniFiles {};

TEST_F(IniLookups, EntriesSectionsAndDefaults) {
    WriteText("C:\\setup.ini",
              "orphan=1\n"
              "[setup];comment\n"
              "hidden=1\n"
              "[setup] ; comment\n"
              "key=\n"
              " Key   Name = some value ;x \n"
              "; key=commented\n"
              "key=x\n"
              "key=second\n"
              "only=\n"
              "[ Main  Setup ]\n"
              "path = C:\\VRN\n"
              "[SETUP]\n"
              "late=1\n"
              "[Setup]x\n"
              "port=12 ;x\n"
              "neg=-1\n"
              "bad=12x\n");
    const char* f = "C:\\setup.ini";
    EXPECT_EQ(Get("setup", "key", f), "x");
    EXPECT_EQ(Get("SETUP", "KEY NAME", f), "some value ;x ");
    EXPECT_EQ(Get("setup", "  key    name ", f), "some value ;x ");
    EXPECT_EQ(Get("setup", "only", f), "<default>");
    EXPECT_EQ(Get("setup", "hidden", f), "<default>");   // "[setup];comment" is no header
    EXPECT_EQ(Get("setup", "orphan", f), "<default>");
    EXPECT_EQ(Get("main setup", "path", f), "C:\\VRN");
    EXPECT_EQ(Get("Main Setup", "key", f), "<default>");
    // Only the first section of a name is searched; "[Setup]x" is no header,
    // so port and the rest belong to that second SETUP section.
    EXPECT_EQ(Get("setup", "late", f), "<default>");
    EXPECT_EQ(wdGetPrivateProfileInt("setup", "port", 5, f), 5);
    EXPECT_EQ(Get("missing", "key", f), "<default>");
    EXPECT_EQ(Get("setup", "key", "C:\\absent.ini"), "<default>");
    EXPECT_EQ(Get("setup", "key", ""), "<default>");
    EXPECT_EQ(Get("setup", "nokey", f, nullptr), "");

    // Sizes: at most size - 1 characters, and nothing below 2.
    EXPECT_EQ(Get("setup", "KEY NAME", f, "", 5), "some");
    char b[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(wdGetPrivateProfileString("setup", "key", "dflt", b, 1, f), 0);
    EXPECT_EQ(b[0], '#');
    EXPECT_EQ(wdGetPrivateProfileString("setup", "nokey", "dflt", b, 1, f), 0);
    EXPECT_EQ(b[0], '#');
    EXPECT_EQ(Get("setup", "nokey", f, "dflt", 3), "df");
}

TEST_F(IniLookups, Integers) {
    WriteText("C:\\n.ini", "[net]\nport=12 ;x\nneg=-1\nbad=12x\nplus=+5\nempty=\nzero=0\n");
    const char* f = "C:\\n.ini";
    EXPECT_EQ(wdGetPrivateProfileInt("net", "port", 7, f), 12);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "neg", 7, f), 7);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "bad", 7, f), 7);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "plus", 7, f), 7);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "empty", 7, f), 7);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "zero", 7, f), 0);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "none", -3, f), -3);
    EXPECT_EQ(wdGetPrivateProfileInt("net", "port", 7, "C:\\none.ini"), 7);
}

TEST_F(IniLookups, ListingNeverPassesTheBuffer) {
    WriteText("C:\\l.ini", "[s]\nalpha=1\n; note\nbeta=22\ngamma=\n[t]\n; only a comment\n[u]\nx=y\n");
    const char* f = "C:\\l.ini";
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    int32_t n = wdGetPrivateProfileString("s", nullptr, "dflt", buffer, 64, f);
    EXPECT_EQ(n, 24);
    EXPECT_EQ(std::string(buffer, 25), std::string("alpha=1\0beta=22\0gamma=\0\0#", 25));

    for (int32_t size = 2; size <= 26; ++size) {
        std::memset(buffer, '#', sizeof buffer);
        n = wdGetPrivateProfileString("s", nullptr, "dflt", buffer, size, f);
        EXPECT_LE(n, size) << size;
        EXPECT_GE(n, 2) << size;
        EXPECT_EQ(buffer[n - 1], '\0') << size;
        EXPECT_EQ(buffer[n - 2], '\0') << size;
        for (int32_t i = size; i < 64; ++i) ASSERT_EQ(buffer[i], '#') << "size " << size << " byte " << i;
    }
    std::memset(buffer, '#', sizeof buffer);
    n = wdGetPrivateProfileString("s", nullptr, "dflt", buffer, 10, f);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(std::string(buffer, 10), std::string("alpha=1\0\0#", 10));

    // A section without entries, a missing one and a missing file: two zeros.
    for (const char* section : {"t", "nothing"}) {
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(wdGetPrivateProfileString(section, nullptr, "dflt", buffer, 64, f), 2);
        EXPECT_EQ(std::string(buffer, 3), std::string("\0\0#", 3));
    }
    EXPECT_EQ(wdGetPrivateProfileString("s", nullptr, "dflt", buffer, 64, "C:\\none.ini"), 2);
    EXPECT_EQ(wdGetPrivateProfileString("u", nullptr, "dflt", buffer, 64, f), 5);
}

TEST_F(IniLookups, IniStringExtensionAndFallback) {
    ASSERT_EQ(vrn::_mkdir("C:\\cfg"), 0);
    ASSERT_EQ(vrn::_mkdir("C:\\work"), 0);
    WriteText("C:\\install.ini", "[s]\nk=from install.ini\nmarker=$%^@\n");
    WriteText("C:\\install", "[s]\nk=from install\n");
    WriteText("C:\\cfg\\install", "[s]\nk=from cfg\n");
    WriteText("C:\\default.ini", "[s]\nk=from default\nd=only default\nmarker=also default\n");
    char buffer[64];
    EXPECT_EQ(wdGetIniString("C:\\install", "s", "k", buffer, 64, 0), 1);
    EXPECT_STREQ(buffer, "from install.ini");
    EXPECT_EQ(wdGetIniString("C:\\install.ini", "s", "k", buffer, 64, 0), 1);
    EXPECT_STREQ(buffer, "from install.ini");
    ASSERT_EQ(vrn::_chdir("C:\\work"), 0);
    EXPECT_EQ(wdGetIniString("..\\cfg\\install", "s", "k", buffer, 64, 0), 1);
    EXPECT_STREQ(buffer, "from cfg");
    ASSERT_EQ(vrn::_chdir("C:\\"), 0);

    // Without a default file, absent stays absent.
    _vdisplay = VDisplayState{};
    EXPECT_EQ(wdGetIniString("C:\\install", "s", "d", buffer, 64, 1), 0);
    EXPECT_STREQ(buffer, "$%^@");
    std::strcpy(_vdisplay.defaultIniFile, "C:\\default.ini");
    EXPECT_EQ(wdGetIniString("C:\\install", "s", "d", buffer, 64, 0), 0);
    EXPECT_STREQ(buffer, "$%^@");
    EXPECT_EQ(wdGetIniString("C:\\install", "s", "d", buffer, 64, 1), 2);
    EXPECT_STREQ(buffer, "only default");
    // A value that is the marker itself counts as absent.
    EXPECT_EQ(wdGetIniString("C:\\install", "s", "marker", buffer, 64, 1), 2);
    EXPECT_STREQ(buffer, "also default");
    EXPECT_EQ(wdGetIniString("C:\\install", "s", "none", buffer, 64, 1), 0);
    EXPECT_STREQ(buffer, "$%^@");
    EXPECT_EQ(wdGetIniString("C:\\missing", "s", "k", buffer, 64, 1), 2);
    EXPECT_STREQ(buffer, "from default");
    // A null file: the default file alone, fallback ignored.
    EXPECT_EQ(wdGetIniString(nullptr, "s", "k", buffer, 64, 1), 1);
    EXPECT_STREQ(buffer, "from default");
    EXPECT_EQ(wdGetIniString(nullptr, "s", "none", buffer, 64, 0), 0);
    _vdisplay = VDisplayState{};
}

TEST_F(IniLookups, DescriptorReader) {
    TempDrives::WriteHostFile(Host("C:\\d.ini"),
                              "x=0\r\n[ Setup ]\r\nwrong=1\r\n \t[SETUP]  trailing\r\n"
                              "; key=commented\r\nkeyname=no\r\n\tKey \t= raw value \r\n"
                              "long=" + std::string(50, 'z') + "\r\nafter=1\r\n[next]\r\nlast=1\r\n");
    for (int mode : {_O_BINARY, _O_TEXT}) {
        int fd = vrn::_open("C:\\d.ini", _O_RDONLY | mode);
        ASSERT_GE(fd, 0);
        char buffer[16];
        ASSERT_EQ(FindSection("setup", fd), 1);
        ASSERT_EQ(FindEntry("key", fd), 1);
        int32_t n = CopyEntryStr(buffer, sizeof buffer, fd);
        if (mode == _O_BINARY) {
            EXPECT_EQ(n, 12);
            EXPECT_STREQ(buffer, " raw value \r");
        } else {
            EXPECT_EQ(n, 11);
            EXPECT_STREQ(buffer, " raw value ");
        }
        // An over-long value is cut and the rest of its line skipped.
        ASSERT_EQ(FindEntry("LONG", fd), 1);
        EXPECT_EQ(CopyEntryStr(buffer, 6, fd), 5);
        EXPECT_STREQ(buffer, "zzzzz");
        ASSERT_EQ(FindEntry("after", fd), 1);
        EXPECT_EQ(CopyEntryStr(buffer, sizeof buffer, fd), mode == _O_BINARY ? 2 : 1);
        // The next header ends the section.
        EXPECT_EQ(FindEntry("last", fd), 0);
        vrn::_close(fd);

        fd = vrn::_open("C:\\d.ini", _O_RDONLY | mode);
        EXPECT_EQ(FindSection("next", fd), 1);
        EXPECT_EQ(FindEntry("last", fd), 1);
        EXPECT_EQ(FindSection("setup", fd), 0);
        vrn::_close(fd);
        // "[ Setup ]" is no header of setup: its entry is never reached.
        fd = vrn::_open("C:\\d.ini", _O_RDONLY | mode);
        EXPECT_EQ(FindSection("setup", fd), 1);
        EXPECT_EQ(FindEntry("wrong", fd), 0);
        vrn::_close(fd);
    }
}

}  // namespace
}  // namespace vrn
