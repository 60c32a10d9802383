#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace vrn {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class Vrnini : public test::TempDrives {
protected:
    static std::string Quote(const std::string& s) {
        std::string q = "'";
        for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

    // Runs the tool with the default drive map (C: is the host root).
    Outcome Run(std::initializer_list<std::string> args, const std::string& environment = "") {
        std::string command = "env -u VRN_DRIVES -u TEMP " + environment + " " + Quote(VRNINI_PATH);
        for (const auto& a : args) command += " " + Quote(a);
        command += " >" + Quote(root + "/out") + " 2>" + Quote(root + "/err");
        int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = ReadHostFile(root + "/out");
        o.err = ReadHostFile(root + "/err");
        return o;
    }

    // The Windows form of a host path under the default drive map.
    static std::string WindowsForm(const std::string& host) {
        std::string w = "C:" + host;
        for (char& c : w) c = c == '/' ? '\\' : c;
        return w;
    }

    std::string file() const { return root + "/C/installd.ini"; }
};

TEST_F(Vrnini, GetListAndInt) {
    WriteHostFile(file(), "[Products]\r\nServer = 9.1 \r\nempty=\r\nport=12 ;x\r\nbad=12x\r\n[Other]\r\n");
    Outcome o = Run({"get", file(), "products", "SERVER"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "9.1 \n");
    o = Run({"get", WindowsForm(file()), "Products", "server"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "9.1 \n");
    o = Run({"get", file(), "Products", "empty", "none"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "none\n");
    o = Run({"get", file(), "Products", "missing"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    o = Run({"get", root + "/C/nofile.ini", "Products", "server", "d"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "d\n");

    o = Run({"list", file(), "products"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "Server=9.1 \nempty=\nport=12 ;x\nbad=12x\n");
    o = Run({"list", file(), "other"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");

    o = Run({"int", file(), "products", "port", "7"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "12\n");
    o = Run({"int", file(), "products", "bad", "-7"});
    EXPECT_EQ(o.out, "-7\n");
    o = Run({"int", file(), "products", "port", "seven"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("not an integer"), std::string::npos);
}

TEST_F(Vrnini, SetAndDelete) {
    WriteHostFile(file(), "[a]\r\nx=1\r\n; note\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(Run({"set", file(), "a", "x", "one"}).status, 0);
    EXPECT_EQ(Run({"set", file(), "  New   Group ", "k", "v ;v "}).status, 0);
    EXPECT_EQ(ReadHostFile(file()), "[a]\r\nx=one\r\n; note\r\n[b]\r\ny=2\r\n\r\n[New Group]\r\nk=v ;v \r\n");
    EXPECT_EQ(Run({"get", file(), "new group", "k"}).out, "v ;v \n");
    EXPECT_EQ(Run({"delete", file(), "a", "x"}).status, 0);
    EXPECT_EQ(Run({"delete", file(), "B"}).status, 0);
    EXPECT_EQ(ReadHostFile(file()), "[a]\r\n; note\r\n\r\n[New Group]\r\nk=v ;v \r\n");
    // The temporary file goes to TEMP and is gone afterwards.
    ASSERT_EQ(::mkdir((root + "/C/tmp").c_str(), 0700), 0);
    Outcome o = Run({"set", file(), "a", "z", "1"}, "TEMP=" + Quote(WindowsForm(root + "/C/tmp")));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Run({"get", file(), "a", "z"}).out, "1\n");
    EXPECT_TRUE(std::filesystem::is_empty(root + "/C/tmp"));
}

TEST_F(Vrnini, FailuresSayWhy) {
    Outcome o = Run({"set", root + "/C/none.ini", "s", "k", "v"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("no such file"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(root + "/C/none.ini"), std::string::npos) << o.err;
    o = Run({"delete", root + "/C/none.ini", "s"});
    EXPECT_EQ(o.status, 3);

    WriteHostFile(file(), "[s]\r\nk=1\r\n");
    o = Run({"set", file(), "[s]", "k", "v"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("not a valid name"), std::string::npos) << o.err;
    o = Run({"set", file(), "s", "k", "two\nlines"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("printable"), std::string::npos) << o.err;
    o = Run({"set", file(), "s", "k", "2"}, "TEMP=" + Quote(WindowsForm(root + "/C/absent")));
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("TEMP"), std::string::npos) << o.err;
    o = Run({"set", root, "s", "k", "2"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("is a directory"), std::string::npos) << o.err;

    ASSERT_EQ(::chmod(file().c_str(), 0400), 0);
    o = Run({"set", file(), "s", "k", "2"});
    EXPECT_EQ(o.status, 3);
    EXPECT_NE(o.err.find("access denied"), std::string::npos) << o.err;
    ASSERT_EQ(::chmod(file().c_str(), 0600), 0);
    EXPECT_EQ(ReadHostFile(file()), "[s]\r\nk=1\r\n");
}

TEST_F(Vrnini, UsageAndHelp) {
    Outcome o = Run({"--help"});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("usage: vrnini get FILE SECTION KEY [DEFAULT]"), std::string::npos);
    EXPECT_EQ(Run({}).status, 2);
    o = Run({"frobnicate", "x"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("unknown command"), std::string::npos);
    EXPECT_EQ(Run({"set", file(), "s", "k"}).status, 2);
    EXPECT_EQ(Run({"list", "", "s"}).status, 2);
}

}  // namespace
}  // namespace vrn
