// Extraction on a failing disk: a read of the archive or a write of a
// member that fails, a drive that fills up, host calls that are interrupted
// or cut short. Each failure is reported once, through the corrupted-file
// question with the member's path; a member that could not be read is not
// left behind; and the same extraction run again completes.
#include <cerrno>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/faults.h"
#include "platform/system.h"
#include "tests/engine/archive/archive_fixture.h"

namespace vrn {
namespace {

class ExtractionFaults : public test::ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        // Without decoding threads every read is the extracting thread's
        // own, in a fixed order, so the Nth read is always the same one.
        savedDecodeThreads = _decodeThreads;
        _decodeThreads = 0;
        first = test::TextBytes(300);
        big = test::RandomBytes(200000, 5);
        text = test::TextBytes(180000);
    }
    void TearDown() override {
        _decodeThreads = savedDecodeThreads;
        ArchiveTest::TearDown();
    }
    void ExpectAllExtracted() {
        EXPECT_EQ(ReadHostFile(Out("first.txt")), first);
        EXPECT_EQ(ReadHostFile(Out("data/big.bin")), big);
        EXPECT_EQ(ReadHostFile(Out("data/text.txt")), text);
    }
    // A rerun with nothing armed extracts everything and asks nothing.
    void ExpectRerunCompletes() {
        ClearFaults();
        dialogs.Clear();
        EXPECT_EQ(Extract(), 0) << Boxes();
        EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
        ExpectAllExtracted();
    }
    void WriteTheArchive() {
        WriteArchive({test::Stored("first.txt", first), test::Stored("data\\big.bin", big),
                      test::Compressed("data\\text.txt", text), test::Stored("last.txt", "last")});
    }
    uint32_t savedDecodeThreads = DECODE_THREADS_DEFAULT;
    std::string first, big, text;
};

TEST_F(ExtractionFaults, AReadErrorInAMemberIsAskedAboutOnceAndLeavesNoPartOfIt) {
    WriteTheArchive();
    // The first read fills the read-ahead buffer; every later one fails.
    FaultRule rule;
    rule.op = FaultOp::Read;
    rule.nth = 2;
    rule.repeat = true;
    rule.pathPart = "a.vrn";
    ArmFault(rule);
    dialogs.answers = {IDOK};   // skip the damaged member
    EXPECT_EQ(Extract(), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_NE(dialogs.boxes[0].text.find("(C:\\out\\data\\big.bin)"), std::string::npos) << Boxes();
    EXPECT_EQ(ReadHostFile(Out("first.txt")), first);
    EXPECT_FALSE(Exists(Out("data/big.bin")));
    // The rest of the archive was given up with the member.
    EXPECT_FALSE(Exists(Out("data/text.txt")));
    EXPECT_FALSE(Exists(Out("last.txt")));
    ExpectRerunCompletes();

    // Stop instead of skip: the same single question, then the quit
    // confirmation, and the run stops.
    ClearFaults();
    ArmFault(rule);
    dialogs.Clear();
    dialogs.answers = {IDCANCEL, IDYES};
    EXPECT_EQ(Extract(), RESULT_STOP);
    ASSERT_EQ(dialogs.boxes.size(), 2u) << Boxes();
    EXPECT_EQ(dialogs.boxes[1].title, "Quit Confirmation");
    EXPECT_FALSE(Exists(Out("data/big.bin")));
    ExpectRerunCompletes();
}

TEST_F(ExtractionFaults, AFailedOrShortWriteIsAskedAboutOnceAndTheRerunReplacesThePart) {
    WriteTheArchive();
    // The compressed member's second block cannot be written: the volume is full.
    FaultRule rule;
    rule.op = FaultOp::Write;
    rule.nth = 2;
    rule.error = ENOSPC;
    rule.pathPart = "text.txt";
    ArmFault(rule);
    dialogs.answers = {IDOK};
    EXPECT_EQ(Extract(), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_EQ(dialogs.boxes[0].title, "Corrupted File");
    EXPECT_NE(dialogs.boxes[0].text.find("(C:\\out\\data\\text.txt)"), std::string::npos) << Boxes();
    // A write failure of the compressed method leaves what was written.
    EXPECT_EQ(ReadHostFile(Out("data/text.txt")), text.substr(0, RW_BUFFER_MAX));
    EXPECT_EQ(ReadHostFile(Out("data/big.bin")), big);
    ExpectRerunCompletes();

    // The stored method's write fails on a drive that fills up part way:
    // its file goes.
    for (const char* name : {"first.txt", "data/big.bin", "data/text.txt", "last.txt"}) ::unlink(Out(name).c_str());
    SetDriveFullAfter('C', 100000);
    dialogs.Clear();
    dialogs.answers = {IDOK};
    EXPECT_EQ(Extract(), 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
    EXPECT_NE(dialogs.boxes[0].text.find("(C:\\out\\data\\big.bin)"), std::string::npos) << Boxes();
    EXPECT_FALSE(Exists(Out("data/big.bin")));
    EXPECT_EQ(ReadHostFile(Out("first.txt")), first);
    ExpectRerunCompletes();

    // In batch mode the damaged member is skipped without a question and
    // without a log entry (the front end tells the archive was not whole).
    SetEnv("TMP", "C:\\");
    _commandLineSwitch = SWITCH_BATCH;
    ArmFault(rule);
    dialogs.Clear();
    EXPECT_EQ(Extract(), 0);
    EXPECT_EQ(FaultsStruck(), 1u);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(Exists(root + "/C/install.log"));
    _commandLineSwitch = 0;
    ExpectRerunCompletes();
}

TEST_F(ExtractionFaults, InterruptedAndShortHostCallsChangeNothing) {
    WriteTheArchive();
    for (const FaultOp op : {FaultOp::Read, FaultOp::Write}) {
        FaultRule interrupted;
        interrupted.op = op;
        interrupted.nth = 2;
        interrupted.error = EINTR;
        ArmFault(interrupted);
        FaultRule shortened;
        shortened.op = op;
        shortened.nth = 3;
        shortened.action = FaultAction::Short;
        shortened.repeat = true;
        ArmFault(shortened);
    }
    EXPECT_EQ(Extract(), 0) << Boxes();
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
    EXPECT_GE(FaultsStruck(), 10u);
    ExpectAllExtracted();
    EXPECT_EQ(ReadHostFile(Out("last.txt")), "last");
}

}  // namespace
}  // namespace vrn
