// Copying one file and one directory, and the start-up check of the
// medium's own loose files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/faults.h"
#include "runtime/memory/memory.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class LooseFilesTest : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        _logBatchFilePathName[0] = '\0';
    }
    void TearDown() override {
        utFailAllocations(0, 0);
        _commandLineSwitch = 0;
        _logBatchFilePathName[0] = '\0';
        TempDrives::TearDown();
    }
    bool HostExists(const std::string& windowsPath) { return ::access(Host(windowsPath).c_str(), F_OK) == 0; }
    mode_t HostMode(const std::string& windowsPath) {
        struct stat st {};
        ::stat(Host(windowsPath).c_str(), &st);
        return st.st_mode & 0777;
    }
    void MakeDir(const std::string& windowsPath) { ASSERT_EQ(::mkdir(Host(windowsPath).c_str(), 0700), 0); }
};

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
    return bytes;
}

TEST_F(LooseFilesTest, FileCopyInBothModesKeepsPermissionBits) {
    // Larger than one full buffer, so the copy loop runs several times.
    const std::string big = Pattern(61440 * 2 + 777);
    WriteHostFile(Host("C:\\big.bin"), big);
    WriteHostFile(Host("C:\\copy.bin"), "older and different contents");
    EXPECT_EQ(FileCopy("C:\\big.bin", "C:\\copy.bin", _O_BINARY), 0);
    EXPECT_EQ(ReadHostFile(Host("C:\\copy.bin")), big);

    // Text mode reads CR LF as LF and stops at Ctrl-Z, and writes LF as CR LF.
    WriteHostFile(Host("C:\\notes.txt"), "one\r\ntwo\r\n\x1A" "after the end");
    EXPECT_EQ(FileCopy("C:\\notes.txt", "C:\\notes.out", _O_TEXT), 0);
    EXPECT_EQ(ReadHostFile(Host("C:\\notes.out")), "one\r\ntwo\r\n");

    // An empty, read-only source gives an empty, read-only copy.
    WriteHostFile(Host("C:\\empty"), "");
    ASSERT_EQ(::chmod(Host("C:\\empty").c_str(), 0400), 0);
    EXPECT_EQ(FileCopy("C:\\empty", "C:\\empty.out", _O_BINARY), 0);
    EXPECT_EQ(ReadHostFile(Host("C:\\empty.out")), "");
    EXPECT_EQ(HostMode("C:\\empty.out"), 0400u);
    EXPECT_EQ(HostMode("C:\\copy.bin"), 0600u);
    EXPECT_TRUE(dialogs.boxes.empty());

    // While the heap refuses, the buffer backs off and the copy still succeeds.
    utFailAllocations(0, 3);
    EXPECT_EQ(FileCopy("C:\\big.bin", "C:\\again.bin", _O_BINARY), 0);
    utFailAllocations(0, 0);
    EXPECT_EQ(ReadHostFile(Host("C:\\again.bin")), big);
}

TEST_F(LooseFilesTest, FileCopyFailuresAreReportedOnce) {
    EXPECT_EQ(FileCopy("C:\\absent", "C:\\out", _O_BINARY), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("(103)"), std::string::npos);
    EXPECT_NE(dialogs.boxes[0].text.find("C:\\absent (ENOENT)"), std::string::npos);
    EXPECT_FALSE(HostExists("C:\\out"));

    WriteHostFile(Host("C:\\src"), "data");
    EXPECT_EQ(FileCopy("C:\\src", "C:\\no\\such\\dir\\out", _O_BINARY), -102);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_NE(dialogs.boxes[1].text.find("C:\\no\\such\\dir\\out"), std::string::npos);

    // An old destination that cannot be deleted stops the copy silently.
    MakeDir("C:\\ro");
    WriteHostFile(Host("C:\\ro\\out"), "keep");
    ASSERT_EQ(::chmod(Host("C:\\ro").c_str(), 0500), 0);
    if (::access(Host("C:\\ro").c_str(), W_OK) != 0) {   // not when running with full privileges
        EXPECT_EQ(FileCopy("C:\\src", "C:\\ro\\out", _O_BINARY), 65535);
        EXPECT_EQ(dialogs.boxes.size(), 2u);
        EXPECT_EQ(ReadHostFile(Host("C:\\ro\\out")), "keep");
    }
    ::chmod(Host("C:\\ro").c_str(), 0700);

    // No heap at all for the buffer.
    utFailAllocations(0, -1);
    const int32_t result = FileCopy("C:\\src", "C:\\out2", _O_BINARY);
    utFailAllocations(0, 0);
    EXPECT_EQ(result, -601);
    EXPECT_NE(dialogs.boxes.back().text.find("(pReadWriteBuffer)"), std::string::npos);
    EXPECT_FALSE(HostExists("C:\\out2.part"));
}

// A copy that fails part way (a full volume, a copy that cannot take its
// name) leaves no part of a file under the destination's name, and nothing
// else behind; the copy made again is whole.
TEST_F(LooseFilesTest, AnInterruptedCopyLeavesNoPartUnderTheDestinationsName) {
    const std::string bytes = Pattern(200000);
    WriteHostFile(Host("C:\\big.bin"), bytes);
    FaultRule full;
    full.op = FaultOp::Write;
    full.nth = 2;
    full.error = ENOSPC;
    full.pathPart = "copy.bin";
    FaultRule rename;
    rename.op = FaultOp::Rename;
    rename.error = EACCES;
    rename.pathPart = "copy.bin";
    const std::pair<FaultRule, std::string> cases[] = {{full, "(105)"}, {rename, "(111)"}};
    for (const auto& [rule, code] : cases) {
        dialogs.Clear();
        ArmFault(rule);
        EXPECT_LT(FileCopy("C:\\big.bin", "C:\\copy.bin", _O_BINARY), 0);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_NE(dialogs.boxes[0].text.find(code), std::string::npos) << dialogs.boxes[0].text;
        EXPECT_NE(dialogs.boxes[0].text.find("C:\\copy.bin"), std::string::npos) << dialogs.boxes[0].text;
        EXPECT_FALSE(HostExists("C:\\copy.bin"));
        EXPECT_FALSE(HostExists("C:\\copy.bin.part"));
        ClearFaults();
        EXPECT_EQ(FileCopy("C:\\big.bin", "C:\\copy.bin", _O_BINARY), 0);
        EXPECT_TRUE(ReadHostFile(Host("C:\\copy.bin")) == bytes);
        EXPECT_FALSE(HostExists("C:\\copy.bin.part"));
    }
}

TEST_F(LooseFilesTest, CopyDirTakesOnlyThePlainFiles) {
    MakeDir("C:\\from");
    MakeDir("C:\\from\\sub");
    MakeDir("C:\\to");
    WriteHostFile(Host("C:\\from\\a.txt"), "alpha");
    WriteHostFile(Host("C:\\from\\B.DAT"), Pattern(5000));
    WriteHostFile(Host("C:\\from\\sub\\deep.txt"), "deep");
    WriteHostFile(Host("C:\\to\\a.txt"), "replaced");

    EXPECT_EQ(CopyDir("C:\\from", "C:\\to"), 0);
    EXPECT_EQ(ReadHostFile(Host("C:\\to\\a.txt")), "alpha");
    EXPECT_EQ(ReadHostFile(Host("C:\\to\\B.DAT")), Pattern(5000));
    EXPECT_FALSE(HostExists("C:\\to\\sub"));
    EXPECT_FALSE(HostExists("C:\\to\\deep.txt"));

    EXPECT_EQ(CopyDir("C:\\nowhere", "C:\\to"), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(LooseFilesTest, MissingMediumFilesAreListedInOneReport) {
    MakeDir("C:\\media");
    for (const char* name : {"install.hlp", "install.tab", "README.VRN"})
        WriteHostFile(Host(std::string("C:\\media\\") + name), "x");
    EXPECT_EQ(CheckInstallFiles("C:\\media", 0, 0), 0);
    EXPECT_TRUE(dialogs.boxes.empty());

    // Diskette files are only looked for on diskettes.
    EXPECT_EQ(CheckInstallFiles("C:\\media", 1, 0), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "File Exist/Read Error");
    EXPECT_EQ(dialogs.boxes[0].style, MB_OK);
    EXPECT_EQ(dialogs.boxes[0].text,
              "The Varentis installation has detected that the following file(s) do not exist on your "
              "installation medium or it is not readable.\n\nC:\\media\\layout.tab\nC:\\media\\volume.id\n"
              "\n\nThe installation process is unable to continue!\n\nCall Varentis technical support.\n");

    // The release notes alone missing: that one path, once.
    ASSERT_EQ(::unlink(Host("C:\\media\\README.VRN").c_str()), 0);
    dialogs.Clear();
    EXPECT_EQ(CheckInstallFiles("C:\\media", 0, 0), 65535);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("\n\nC:\\media\\README.VRN\n\n\n"), std::string::npos);
    EXPECT_EQ(dialogs.boxes[0].text.find("install.hlp"), std::string::npos);

    // An unreadable file counts as missing (unless privileges let it be read).
    ASSERT_EQ(::chmod(Host("C:\\media\\install.hlp").c_str(), 0), 0);
    if (::access(Host("C:\\media\\install.hlp").c_str(), R_OK) != 0) {
        dialogs.Clear();
        EXPECT_EQ(CheckInstallFiles("C:\\media", 0, 0), 65535);
        EXPECT_NE(dialogs.boxes.at(0).text.find("\n\nC:\\media\\install.hlp\nC:\\media\\README.VRN\n"),
                  std::string::npos);
    }

    // Batch mode writes the report to the log; -u checks nothing.
    dialogs.Clear();
    _commandLineSwitch = SWITCH_BATCH;
    std::snprintf(_logBatchFilePathName, sizeof _logBatchFilePathName, "C:\\install.log");
    EXPECT_EQ(CheckInstallFiles("C:\\media", 0, 0), 65535);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_NE(ReadHostFile(Host("C:\\install.log")).find("C:\\media\\README.VRN"), std::string::npos);
    _commandLineSwitch = SWITCH_UPDATE;
    EXPECT_EQ(CheckInstallFiles("C:\\nowhere", 1, 0), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace vrn
