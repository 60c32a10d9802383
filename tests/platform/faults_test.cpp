// Fault injection: rules that strike the Nth read, write or rename of the
// files they name, the failures the descriptors then give, failures the
// platform absorbs (EINTR, short host writes), a drive that fills up, the
// rule text of child processes, and a kill at an exact operation.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/crt.h"
#include "platform/faults.h"
#include "platform/native.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

class FaultsTest : public test::TempDrives {
protected:
    // Writes `text` to a new binary file in chunks of `chunk` bytes; the
    // result of the first write that did not write its whole chunk, or the
    // length written.
    int WriteInChunks(const char* path, const std::string& text, size_t chunk) {
        const int fd = _open(path, _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY);
        if (fd < 0) return -1000 - errno;
        int total = 0;
        for (size_t at = 0; at < text.size(); at += chunk) {
            const std::string piece = text.substr(at, chunk);
            const int n = _write(fd, piece.data(), static_cast<unsigned>(piece.size()));
            if (n != static_cast<int>(piece.size())) {
                lastErrno = errno;
                _close(fd);
                return n;
            }
            total += n;
        }
        _close(fd);
        return total;
    }
    int lastErrno = 0;
};

TEST_F(FaultsTest, TheNthWriteOfTheNamedFileFailsWithTheChosenErrorAndOthersGoOn) {
    FaultRule rule;
    rule.op = FaultOp::Write;
    rule.nth = 3;
    rule.error = ENOSPC;
    rule.pathPart = "victim";
    ArmFault(rule);

    EXPECT_EQ(WriteInChunks("C:\\other.bin", std::string(40, 'o'), 10), 40);
    EXPECT_EQ(WriteInChunks("C:\\victim.bin", std::string(40, 'v'), 10), -1);
    EXPECT_EQ(lastErrno, ENOSPC);
    EXPECT_EQ(ReadHostFile(root + "/C/victim.bin"), std::string(20, 'v'));
    EXPECT_EQ(FaultsStruck(), 1u);
    // Only the Nth strikes: the same file is written whole afterwards.
    EXPECT_EQ(WriteInChunks("C:\\victim.bin", std::string(40, 'v'), 10), 40);
    EXPECT_EQ(FaultsStruck(), 1u);

    // A device error on a read reaches the descriptor's caller as EINVAL,
    // the runtime's number for a system error it has none for; a repeating
    // rule strikes every read from its Nth on.
    ClearFaults();
    rule = FaultRule{};
    rule.op = FaultOp::Read;
    rule.nth = 2;
    rule.repeat = true;
    ArmFault(rule);
    const int fd = _open("C:\\victim.bin", _O_RDONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    char buffer[8];
    EXPECT_EQ(_read(fd, buffer, 8), 8);
    EXPECT_EQ(_read(fd, buffer, 8), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(_read(fd, buffer, 8), -1);
    _close(fd);
    EXPECT_EQ(FaultsStruck(), 2u);
}

TEST_F(FaultsTest, AnInterruptedOrShortHostCallIsCompletedByThePlatform) {
    FaultRule interrupted;
    interrupted.op = FaultOp::Write;
    interrupted.nth = 1;
    interrupted.error = EINTR;
    interrupted.repeat = true;   // EINTR strikes once all the same
    ArmFault(interrupted);
    FaultRule shortRead;
    shortRead.op = FaultOp::Read;
    shortRead.nth = 1;
    shortRead.action = FaultAction::Short;
    shortRead.repeat = true;
    ArmFault(shortRead);
    FaultRule shortWrite = shortRead;
    shortWrite.op = FaultOp::Write;
    shortWrite.nth = 2;
    ArmFault(shortWrite);

    const std::string text(1000, 'x');
    EXPECT_EQ(WriteInChunks("C:\\f.bin", text, 300), 1000);
    EXPECT_EQ(ReadHostFile(root + "/C/f.bin"), text);
    const int fd = _open("C:\\f.bin", _O_RDONLY | _O_BINARY);
    ASSERT_GE(fd, 0);
    char buffer[1000];
    EXPECT_EQ(_read(fd, buffer, 1000), 1000);   // a file's read takes what the halves give
    _close(fd);
    EXPECT_GE(FaultsStruck(), 4u);
    EXPECT_GT(FaultOperationCount(FaultOp::Write), 4u);
}

TEST_F(FaultsTest, ADriveBecomesFullAfterItsBudgetAndOtherDrivesDoNot) {
    MapTempDrive('D');
    SetDriveFullAfter('c', 25);
    // The write that does not fit writes what fits; the next one fails.
    EXPECT_EQ(WriteInChunks("C:\\a.bin", std::string(40, 'a'), 10), 5);
    EXPECT_EQ(ReadHostFile(root + "/C/a.bin"), std::string(25, 'a'));
    EXPECT_EQ(WriteInChunks("C:\\b.bin", "b", 1), -1);
    EXPECT_EQ(lastErrno, ENOSPC);
    EXPECT_EQ(WriteInChunks("D:\\d.bin", std::string(40, 'd'), 10), 40);
    // A whole-file copy onto the full drive fails and leaves no part behind.
    EXPECT_FALSE(CopyFile("D:\\d.bin", "C:\\copy.bin", 0));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(_access("C:\\copy.bin", ACCESS_EXISTS), -1);
}

TEST_F(FaultsTest, ARenameOrTheLastStepOfACopyFailsAndLeavesBothNamesAsTheyWere) {
    WriteHostFile(root + "/C/new.txt", "new");
    WriteHostFile(root + "/C/old.txt", "old");
    FaultRule rule;
    rule.op = FaultOp::Rename;
    rule.error = EACCES;
    rule.repeat = true;
    ArmFault(rule);
    EXPECT_EQ(RenameReplacing("C:\\new.txt", "C:\\old.txt"), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(_rename("C:\\new.txt", "C:\\third.txt"), -1);
    EXPECT_FALSE(CopyFile("C:\\new.txt", "C:\\old.txt", 0));
    EXPECT_EQ(ReadHostFile(root + "/C/new.txt"), "new");
    EXPECT_EQ(ReadHostFile(root + "/C/old.txt"), "old");
    // The copy's temporary file went with the failure.
    WIN32_FIND_DATA data;
    const HANDLE find = FindFirstFile("C:\\*.*", &data);
    int entries = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do
            if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..") ++entries;
        while (FindNextFile(find, &data));
        FindClose(find);
    }
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(FaultOperationCount(FaultOp::Rename), 3u);
}

TEST_F(FaultsTest, TheRuleTextArmsRulesAndDriveBudgetsAndRefusesMistakes) {
    std::string error;
    EXPECT_TRUE(ArmFaultsFromText("write#2=ENOSPC@x.bin;rename#1+=EIO;full:C=100", error)) << error;
    EXPECT_EQ(WriteInChunks("C:\\x.bin", "abcdef", 3), -1);
    EXPECT_EQ(lastErrno, ENOSPC);
    EXPECT_EQ(WriteInChunks("C:\\y.bin", std::string(200, 'y'), 50), 47);   // 3 + 47 = 100 bytes on C:
    EXPECT_EQ(_rename("C:\\y.bin", "C:\\z.bin"), -1);
    for (const char* wrong : {"write#0=EIO", "write#1=EWHAT", "writes#1=EIO", "write1=EIO", "full:C=", "full:CC=1"}) {
        ClearFaults();
        error.clear();
        EXPECT_FALSE(ArmFaultsFromText(wrong, error)) << wrong;
        EXPECT_NE(error, "") << wrong;
        EXPECT_EQ(WriteInChunks("C:\\w.bin", "w", 1), 1) << wrong << " armed something";
    }
}

TEST_F(FaultsTest, AKillStrikesBeforeTheNthChangeIsMade) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::string error;
        if (!ArmFaultsFromText("change#3=kill", error)) ::_exit(10);
        // 1: create, 2: write, 3: the rename, which is never made.
        WriteInChunks("C:\\a.tmp", "data", 4);
        _rename("C:\\a.tmp", "C:\\a.txt");
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(ReadHostFile(root + "/C/a.tmp"), "data");
    EXPECT_EQ(_access("C:\\a.txt", ACCESS_EXISTS), -1);
}

}  // namespace
}  // namespace vrn
