// The copy of the medium's own loose files into the destination, with the
// first installation diskette asked for when the medium is diskettes.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/crt.h"
#include "platform/dialogs.h"

namespace vrn {

namespace {

constexpr const char kFirstDiskName[] = "INSTALLATION DISK    RidazEvori System";
constexpr int32_t kFirstDiskNumber = 1;
constexpr const char kInsertTitle[] = "Insert Disk";

struct LooseFile {
    const char* name;
    int32_t mode;
};
// Copied in this order; the release notes come last and are copied always.
constexpr LooseFile kLooseFiles[] = {
    {"install.exe", _O_BINARY}, {"install.tab", _O_BINARY}, {"installd.ini", _O_TEXT},
    {"install.hlp", _O_BINARY}, {"vrnupdt.bat", _O_BINARY},
};
constexpr LooseFile kReleaseNotes = {"README.VRN", _O_TEXT};

bool InBatchMode() { return (_commandLineSwitch & SWITCH_BATCH) != 0; }

// A text field of a stored record, which need not hold a terminator.
std::string Field(const char* text, size_t width) { return std::string(text, strnlen(text, width)); }

bool IsKind(const DeviceRecord* device, const char* kind) {
    return device != nullptr && Field(device->deviceType, sizeof device->deviceType) == kind;
}

// Waits until the first installation disk is in the drive: 0, 65535 when the
// user quits, or the volume reader's own result.
int32_t WaitForFirstDisk(const char* sourceDir, const DeviceRecord* /*device*/) {
    for (;;) {
        VolumeHeader header{};
        const int32_t read = ReadVolumeIDFile(sourceDir, &header, 0, kFirstDiskName, kFirstDiskNumber);
        if (read != 0) return read;

        const std::string name = Field(header.diskName, sizeof header.diskName);
        if (header.diskNumber == static_cast<uint32_t>(kFirstDiskNumber) && name == kFirstDiskName) return 0;

        if (!InBatchMode()) MessageBeep(MB_BEEP_DEFAULT);
        char line[160];
        std::snprintf(line, sizeof line, "Insert the following disk:\n\nDisk Name: %s\nDisk Number: %d",
                      kFirstDiskName, kFirstDiskNumber);
        std::string prompt = line;
        if (_insertDiskErrorFlag == 1) {
            std::snprintf(line, sizeof line,
                          "** CAUTION **\nIncorrect Disk Number in the Drive\nThe diskette that is currently "
                          "in the drive is...\n%s Disk #%d",
                          name.c_str(), static_cast<int>(header.diskNumber));
            prompt += "\n\n";
            prompt += line;
        }

        if (MessageBox(_installWnd, prompt.c_str(), kInsertTitle, MB_OKCANCEL) == IDCANCEL) {
            if (InBatchMode()) FlushData(_quitConfirmationText);
            else if (ConfirmQuit() == 1) return RESULT_STOP;
        }
        _insertDiskErrorFlag = 1;
    }
}

int32_t CopyOne(const char* sourceDir, const char* destinationDir, const LooseFile& file, bool cdrom) {
    const std::string from = JoinedFileName(sourceDir, file.name);
    const std::string to = JoinedFileName(destinationDir, file.name);
    const int32_t result = FileCopy(from.c_str(), to.c_str(), file.mode);
    if (result != 0) return result;
    // Files from a CD-ROM come read-only; the installed copies must stay
    // writable for tailoring and later updates.
    if (cdrom) _chmod(to.c_str(), _S_IREAD | _S_IWRITE);
    return 0;
}

}  // namespace

int32_t CopyInstallFiles(const char* sourceDir, const char* destinationDir, const DeviceRecord* deviceRecord,
                         uint8_t readmeOnly) {
    _insertDiskErrorFlag = 0;
    if (IsKind(deviceRecord, "f")) {
        const int32_t result = WaitForFirstDisk(sourceDir, deviceRecord);
        if (result != 0) return result;
    }
    const bool cdrom = IsKind(deviceRecord, "cd");

    if (!readmeOnly) {
        for (const LooseFile& file : kLooseFiles) {
            // The record of installed products is the user's once it exists.
            if (std::strcmp(file.name, "installd.ini") == 0 &&
                _access(JoinedFileName(destinationDir, file.name).c_str(), ACCESS_EXISTS) == 0)
                continue;
            const int32_t result = CopyOne(sourceDir, destinationDir, file, cdrom);
            if (result != 0) return result;
        }
    }
    return CopyOne(sourceDir, destinationDir, kReleaseNotes, cdrom);
}

}  // namespace vrn
