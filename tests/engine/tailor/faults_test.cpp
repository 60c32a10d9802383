// Tailoring on a failing disk: the tailored copy cannot be written, the
// volume fills up, the copy cannot take the file's place, the file cannot be
// read. Each failure is reported once with its message and the file's name;
// the file itself is never left half tailored (it is replaced whole or not
// at all); and tailoring it again completes.
#include <cerrno>

#include "engine/tailor/tailor.h"
#include "platform/faults.h"
#include "tests/engine/tailor/tailor_fixture.h"

namespace vrn {
namespace {

class TailoringFaults : public test::TailorTest {
protected:
    void SetUp() override {
        TailorTest::SetUp();
        file = root + "/C/d/f.txt";
        temporary = root + "/C/d/tlrxxxxx.tmp";
        Set(_workPath, "D:\\work");
        ASSERT_EQ(::mkdir((root + "/C/d").c_str(), 0700), 0);
        // Four blocks of tailored text.
        for (int i = 0; i < 4000; ++i) original += "line " + std::to_string(i) + " [[work-dir]]\\bin;[[install-dir]]\r\n";
        for (int i = 0; i < 4000; ++i) tailored += "line " + std::to_string(i) + " D:\\work\\bin;C:\\App\r\n";
        WriteHostFile(file, original);
    }
    int32_t Tailor() { return ModifyFile("C:\\d\\f.txt", "C:\\App"); }
    // One report, with the message and the file's name and error.
    void ExpectOneReport(const std::string& message, const std::string& detail) {
        ASSERT_EQ(dialogs.boxes.size(), 1u) << Boxes();
        EXPECT_NE(dialogs.boxes[0].text.find(message), std::string::npos) << Boxes();
        EXPECT_NE(dialogs.boxes[0].text.find(detail), std::string::npos) << Boxes();
    }
    void ExpectRetailoringCompletes() {
        ClearFaults();
        dialogs.Clear();
        EXPECT_EQ(Tailor(), 0) << Boxes();
        EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
        EXPECT_TRUE(Holds(tailored));
        EXPECT_FALSE(Exists(temporary));
        WriteHostFile(file, original);
    }
    // Whether the file holds exactly `text` (without printing either).
    bool Holds(const std::string& text) const { return ReadHostFile(file) == text; }
    std::string file, temporary;
    std::string original, tailored;
};

TEST_F(TailoringFaults, AWriteThatFailsOrAFullVolumeIsReportedOnceAndTheFileStaysAsItWas) {
    FaultRule rule;
    rule.op = FaultOp::Write;
    rule.nth = 2;
    rule.error = ENOSPC;
    rule.pathPart = "tlrxxxxx.tmp";
    ArmFault(rule);
    EXPECT_EQ(Tailor(), -105);
    ExpectOneReport("Unable to write data.", "C:\\d\\f.txt (ENOSPC)");
    EXPECT_TRUE(Holds(original));
    EXPECT_FALSE(Exists(temporary));
    ExpectRetailoringCompletes();

    // The volume fills up part way through a block: a short write.
    SetDriveFullAfter('C', 100000);
    EXPECT_EQ(Tailor(), -105);
    ExpectOneReport("Unable to write data.", "C:\\d\\f.txt (ENOSPC)");
    EXPECT_TRUE(Holds(original));
    EXPECT_FALSE(Exists(temporary));
    ExpectRetailoringCompletes();
}

TEST_F(TailoringFaults, ACopyThatCannotTakeTheFilesPlaceIsReportedOnceAndGoes) {
    FaultRule rule;
    rule.op = FaultOp::Rename;
    rule.error = EACCES;
    rule.pathPart = "tlrxxxxx.tmp";
    ArmFault(rule);
    EXPECT_EQ(Tailor(), -105);
    ExpectOneReport("Unable to write data.", "C:\\d\\f.txt (EACCES)");
    EXPECT_TRUE(Holds(original));
    EXPECT_FALSE(Exists(temporary));
    ExpectRetailoringCompletes();
}

TEST_F(TailoringFaults, AReadErrorIsReportedOnceAndItsTemporaryFileHoldsTheDirectoryUntilRemoved) {
    FaultRule rule;
    rule.op = FaultOp::Read;
    rule.nth = 2;
    rule.pathPart = "f.txt";
    rule.repeat = true;
    ArmFault(rule);
    // The device error reaches the reader as EINVAL, the runtime's number
    // for an error it has no other for.
    EXPECT_EQ(Tailor(), -106);
    ExpectOneReport("Unable to read data.", "C:\\d\\f.txt (EINVAL)");
    EXPECT_TRUE(Holds(original));
    // The temporary file stays after a read error, and the next tailoring
    // in that directory is refused until it is gone.
    ASSERT_TRUE(Exists(temporary));
    ClearFaults();
    dialogs.Clear();
    EXPECT_EQ(Tailor(), -102);
    ExpectOneReport("Unable to create the file.", "C:\\d\\f.txt (EEXIST)");
    EXPECT_TRUE(Holds(original));
    ::unlink(temporary.c_str());
    ExpectRetailoringCompletes();
}

TEST_F(TailoringFaults, InterruptedAndShortHostCallsChangeNothing) {
    for (const FaultOp op : {FaultOp::Read, FaultOp::Write}) {
        FaultRule interrupted;
        interrupted.op = op;
        interrupted.nth = 1;
        interrupted.error = EINTR;
        ArmFault(interrupted);
        FaultRule shortened;
        shortened.op = op;
        shortened.nth = 2;
        shortened.action = FaultAction::Short;
        shortened.repeat = true;
        ArmFault(shortened);
    }
    EXPECT_EQ(Tailor(), 0) << Boxes();
    EXPECT_TRUE(dialogs.boxes.empty()) << Boxes();
    EXPECT_GE(FaultsStruck(), 4u);
    EXPECT_TRUE(Holds(tailored));
    EXPECT_FALSE(Exists(temporary));
}

}  // namespace
}  // namespace vrn
