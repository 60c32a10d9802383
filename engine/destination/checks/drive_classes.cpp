// Which drive a path lies on, and what kind of drive it is: absent,
// removable (asked about before it is installed to), or one on which a
// destination may be proposed.
#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/drives.h"
#include "platform/native.h"

namespace vrn {

namespace {

constexpr int32_t kDriveCount = 26;

}  // namespace

int32_t GetDriveNumber(const char* path) {
    if (const char letter = DriveLetterOf(path)) return letter - 'A';
    char current[256];
    if (_getcwd(current, sizeof current) == nullptr) return DisplayErrorMsg(_installWnd, nullptr, 128);
    const char letter = DriveLetterOf(current);
    return letter != 0 ? letter - 'A' : DisplayErrorMsg(_installWnd, current, 128);
}

int32_t FindDriveType(int32_t drive) {
    if (drive < 1 || drive > kDriveCount) return DRIVE_CLASS_NONE;
    const char root[] = {static_cast<char>('A' + drive - 1), ':', '\\', '\0'};
    switch (GetDriveType(root)) {
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM: return DRIVE_CLASS_REMOVABLE;
    case DRIVE_FIXED: return DRIVE_CLASS_FIXED;
    case DRIVE_REMOTE:
    case DRIVE_RAMDISK: return DRIVE_CLASS_NETWORK;
    default: return DRIVE_CLASS_NONE;
    }
}

}  // namespace vrn
