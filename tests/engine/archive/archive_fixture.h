// The fixture of the archive tests: temporary drives, engine state reset,
// and an archive written to C:\a.vrn for extraction into C:\out.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/network.h"
#include "platform/winmodel.h"
#include "tests/engine/archive/archive_builder.h"
#include "tests/support/test_support.h"

namespace vrn::test {

class ArchiveTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        _mappedNetworkSetupDrive[0] = '\0';
        VRNGODBC_DLL_FLAG = QDSPDRV_386_FLAG = QLAUNCH_EXE_FLAG = ZOV_INSTALL_FLAG = MVRNSRVA_EXE_FLAG = 0;
        ResetPlatformModels();
        ResetNetworkModel();
        ::mkdir((root + "/C/out").c_str(), 0700);
    }

    void WriteArchive(const std::vector<MemberSpec>& members) {
        std::string bytes;
        for (const MemberSpec& m : members) bytes += EncodeMember(m);
        WriteHostFile(root + "/C/a.vrn", bytes);
    }
    int32_t Extract(const char* pattern = "*", uint8_t testing = 0) {
        return DecompressFile(pattern, "C:\\a.vrn", "C:\\out", testing);
    }
    std::string Out(const std::string& relative) const { return root + "/C/out/" + relative; }
    static bool Exists(const std::string& host) {
        struct stat st {};
        return ::lstat(host.c_str(), &st) == 0;
    }
    // Every box's text, for failure messages.
    std::string Boxes() const {
        std::string s;
        for (const DialogRecord& b : dialogs.boxes) s += "[" + b.title + "] " + b.text + "\n";
        return s;
    }
};

}  // namespace vrn::test
