// Reading volume.id, after asking for the disk until the file is there.
#include <cerrno>
#include <cstdio>
#include <string>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "engine/tables/stored_records.h"
#include "platform/crt.h"
#include "platform/dialogs.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {
namespace {

constexpr char kInsertTitle[] = "Insert Disk";
constexpr char kInsertFormat[] = "Insert the following disk:\n\nDisk Name: %s\nDisk Number: %d\n\n";
constexpr char kCautionFormat[] =
    "** CAUTION **\nIncorrect Disk Number in the Drive\nThe diskette that is currently in the drive is...\n%s Disk #%d";
constexpr char kNotOurDiskette[] = "Not a Varentis Diskette!   ";

std::string Formatted(const char* format, const char* text, int32_t number) {
    const int length = std::snprintf(nullptr, 0, format, text, number);
    std::string out(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::snprintf(out.data(), out.size() + 1, format, text, number);
    return out;
}

// Asks for the disk until `path` exists. False when the user gives up.
bool WaitForDisk(const std::string& path, const char* diskName, int32_t diskNumber) {
    const bool batch = (_commandLineSwitch & SWITCH_BATCH) != 0;
    while (_access(path.c_str(), ACCESS_EXISTS) != 0) {
        if (!batch) MessageBeep(MB_BEEP_DEFAULT);
        std::string prompt = Formatted(kInsertFormat, diskName != nullptr ? diskName : "", diskNumber);
        if (_insertDiskErrorFlag == 1) {
            prompt += "\n\n";
            prompt += Formatted(kCautionFormat, kNotOurDiskette, 0);
        }
        // Anything but OK, also a box that could not be shown, is taken as
        // Cancel: asking again would not change the answer.
        if (MessageBox(_installWnd, prompt.c_str(), kInsertTitle, MB_OKCANCEL) != IDOK) {
            if (batch || ConfirmQuit() == 1) return false;
        }
        _insertDiskErrorFlag = 1;
    }
    return true;
}

}  // namespace

// A volume.id shorter than its 71 bytes, or a text without its NUL, is
// refused with code 149 (no detail).
int32_t ReadVolumeIDFile(const char* directory, VolumeHeader* header, int32_t /*reserved*/, const char* diskName,
                         int32_t diskNumber) {
    using namespace tables_detail;
    const std::string path = TablePath(directory, "volume.id");
    if (!WaitForDisk(path, diskName, diskNumber)) return RESULT_STOP;

    UtDescriptor file(utopendll(path.c_str(), _O_RDONLY | _O_BINARY, -1, 0, _pgc));
    if (file.fd < 0) return ProcessFileError(_installWnd, errno, 103, path.c_str());
    UtBlock area(utmalloc(VOLUME_ID_SIZE));
    if (area.p == nullptr) {
        utclose(file.release(), 0);
        return DisplayErrorMsg(_installWnd, "headerData", 601);
    }
    const ReadOutcome outcome = ReadArea(file.fd, area.p, VOLUME_ID_SIZE);
    const int saved = errno;
    utclose(file.release(), 0);
    if (outcome == ReadOutcome::Failed) return ProcessFileError(_installWnd, saved, 106, path.c_str());
    if (outcome != ReadOutcome::Complete) return DisplayErrorMsg(_installWnd, nullptr, 149);
    const auto* s = static_cast<const uint8_t*>(area.p);
    VolumeHeader read{};
    using L = StoredLayout<VolumeHeader>;
    read.diskNumber = IntField(s + L::diskNumber);
    if (!(TextField(s + L::diskName, read.diskName) & TextField(s + L::auxText, read.auxText)))
        return DisplayErrorMsg(_installWnd, nullptr, 149);
    *header = read;
    return 0;
}

}  // namespace vrn
