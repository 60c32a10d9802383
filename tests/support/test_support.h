// Fixtures shared by the test programs: a per-test temporary directory with
// drives mapped into it, and the recording dialog handler that answers every
// message box from a queue and keeps what was shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/drives.h"

namespace vrn::test {

struct DialogRecord {
    HWND owner = nullptr;
    std::string title;
    std::string text;
    uint32_t style = 0;
};

// Records every box and beep; answers from a queue, then with the default
// answer (IDOK unless set; 0 simulates a box that cannot be shown).
class RecordingDialogs : public DialogHandler {
public:
    std::vector<DialogRecord> boxes;
    std::vector<uint32_t> beeps;
    std::deque<int> answers;
    int defaultAnswer = IDOK;

    int Show(HWND owner, std::string_view text, std::string_view title, uint32_t style) override;
    void Beep(uint32_t type) override;
    void Clear();
};

// Per-test environment: a fresh temporary directory, the drive map cleared
// and C: mapped to <tmp>/C as a fixed drive and made current with current
// directory C:\, a RecordingDialogs handler installed. Everything is undone in
// TearDown (the directory is removed, the previous handler restored, every
// armed fault cleared).
class TempDrives : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Maps a further drive to <tmp>/<letter> (created) and returns its host root.
    std::string MapTempDrive(char letter, DriveKind kind = DriveKind::Fixed);
    // Host path of a Windows-form path under the temporary drives.
    std::string Host(const std::string& windowsPath) const;
    // Writes / reads a whole host file in binary.
    static void WriteHostFile(const std::string& hostPath, const std::string& bytes);
    static std::string ReadHostFile(const std::string& hostPath);

    std::string root;            // the temporary directory
    RecordingDialogs dialogs;
private:
    DialogHandler* previous_ = nullptr;
    std::vector<std::pair<std::string, std::string>> savedEnv_;
    PlatformState savedPlatform_;
};

}  // namespace vrn::test
