// A rewrite on a failing disk: the temporary file cannot be written, the
// copy back runs out of room or cannot take the file's place. The rewrite
// says so in its result (the library shows nothing itself), the file keeps
// its old contents whole, nothing of the copy back stays beside it, and the
// same rewrite made again succeeds.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/faults.h"
#include "runtime/files/files.h"
#include "tests/runtime/ini/ini_fixture.h"
#include "tests/support/recording_reports.h"

namespace vrn {
namespace {

class IniFaults : public test::IniFiles {
protected:
    void SetUp() override {
        IniFiles::SetUp();
        WriteText(f, before);
    }
    int32_t Rewrite() { return wdWritePrivateProfileString("s", "k", "new", f); }
    // Names in C:\ other than the file itself.
    std::vector<std::string> Others() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(root + "/C"))
            if (e.path().filename() != "setup.ini") names.push_back(e.path().filename().string());
        return names;
    }
    void ExpectUnchangedAndRewriteCompletes() {
        EXPECT_EQ(ReadText(f), before);
        EXPECT_TRUE(dialogs.boxes.empty());
        EXPECT_TRUE(reports.codes.empty());
        ClearFaults();
        EXPECT_EQ(Rewrite(), 0);
        EXPECT_EQ(ReadText(f), after);
        WriteText(f, before);
    }
    test::RecordingReports reports;
    const char* f = "C:\\setup.ini";
    const std::string before = "[s]\nk=old\nother=1\n[t]\nx=y\n";
    const std::string after = "[s]\nk=new\nother=1\n[t]\nx=y\n";
};

TEST_F(IniFaults, ATemporaryFileThatCannotBeWrittenLeavesTheFileAlone) {
    FaultRule rule;
    rule.op = FaultOp::Write;
    rule.error = ENOSPC;
    rule.pathPart = "/C/ini";
    ArmFault(rule);
    EXPECT_EQ(Rewrite(), 1);
    EXPECT_EQ(FaultsStruck(), 1u);
    // A failed rewrite leaves its temporary file; the next takes another name.
    EXPECT_EQ(Others().size(), 1u);
    ExpectUnchangedAndRewriteCompletes();
}

TEST_F(IniFaults, ACopyBackThatFailsGivesItsErrorNumberAndLeavesNothingBehind) {
    // The copy back runs out of room (portable error 17, disk full) ...
    FaultRule full;
    full.op = FaultOp::Write;
    full.error = ENOSPC;
    full.pathPart = ".setup.ini.copy-";
    ArmFault(full);
    EXPECT_EQ(Rewrite(), 17);
    EXPECT_TRUE(Others().empty());
    ExpectUnchangedAndRewriteCompletes();

    // ... or cannot take the file's place (a device error, portable 4) ...
    FaultRule rename;
    rename.op = FaultOp::Rename;
    rename.error = EIO;
    rename.pathPart = "setup.ini";
    ArmFault(rename);
    EXPECT_EQ(Rewrite(), 4);
    EXPECT_TRUE(Others().empty());
    ExpectUnchangedAndRewriteCompletes();

    // ... or the drive is full before the copy is whole. The runtime's
    // stored error is the one it held before the rewrite.
    SetDriveFullAfter('C', static_cast<uint64_t>(before.size()) + 30);
    utSetOsError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(Rewrite(), 17);
    EXPECT_EQ(utGetOsError(), 8);
    EXPECT_TRUE(Others().empty());
    ExpectUnchangedAndRewriteCompletes();
}

// A rewrite killed before each change it makes to the disk in turn (the
// temporary file created, each write, the copy back, its rename, the
// removal): the file is always its old contents or its new ones, whole.
TEST_F(IniFaults, ARewriteKilledAtAnyPointLeavesTheOldFileOrTheNewOne) {
    int killed = 0;
    for (int k = 1;; ++k) {
        WriteText(f, before);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string error;
            if (!ArmFaultsFromText("change#" + std::to_string(k) + "=kill", error)) ::_exit(10);
            ::_exit(Rewrite() == 0 ? 0 : 11);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        const std::string now = ReadText(f);
        EXPECT_TRUE(now == before || now == after) << "killed before change " << k << ":\n" << now;
        if (WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << "change " << k;
            EXPECT_EQ(now, after);
            break;
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "change " << k;
        ++killed;
    }
    std::cout << "[ kill points ] initialization-file rewrite: " << killed << " tried\n";
    // A create, writes, the copy and its rename at the least.
    EXPECT_GE(killed, 4);
}

}  // namespace
}  // namespace vrn
