// The check of the destination the user entered: the drive, the directories
// on the way, and what becomes of a directory that exists already (refused,
// emptied after a look for read-only files and for room, or kept).
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"

namespace vrn {

namespace {

void Accept(const std::string& path, char* acceptedPath, uint8_t* emptyFirst, uint8_t empty, uint8_t create) {
    *emptyFirst = empty;
    _createDestinationDir = create;
    std::memcpy(acceptedPath, path.c_str(), path.size() + 1);
}

// The volume figures are refreshed (and a network name turned into drive
// form) for a new destination; an absent drive has nothing to tell, and is
// refused below.
void RefreshVolumeFigures(char* entered) {
    if (std::strcmp(entered, _destinationPath) == 0) return;
    const char letter = DriveLetterOf(entered);
    if (letter != 0 && FindDriveType(letter - 'A' + 1) == DRIVE_CLASS_NONE) return;
    GetDiskSpaceInfo(entered);
}

// The existing directory is to be emptied: nothing in it may be read-only,
// and with checkSpace 1 the volume must hold requiredBytes once its files
// are gone. 0 to go on, else 65535 after the refusal.
int32_t CheckDirectoryToEmpty(const CheckPresenter& presenter, HWND window, const std::string& path,
                              uint8_t checkSpace, uint32_t requiredBytes) {
    std::string badFile;
    uint32_t existingBytes = 0;
    if (CheckTree(path, badFile, existingBytes) != 0) {
        CheckNotice notice;
        notice.text = "The Installation Utility has detected that the following file has READ ONLY attribute set:\n" +
                      badFile + "\n\nThe selected destination directory (" + path +
                      ") cannot be erased because of this file. Select another destination directory.";
        notice.title = "Read-Only File Found";
        presenter.Present(notice);
        return RESULT_STOP;
    }
    if (checkSpace != 1) return 0;

    std::string query = path;
    const double available = GetDiskSpaceInfo(query.data()) + static_cast<double>(existingBytes);
    if (static_cast<double>(requiredBytes) <= available) return 0;
    CheckNotice notice;
    notice.owner = window;
    notice.text = ShortfallText(path.c_str(), BytesText(requiredBytes), BytesText(available),
                                "Available (once all files are removed)", _sameVersionAndDir != 0);
    notice.title = "Insufficient Disk Space";
    presenter.Present(notice);
    return RESULT_STOP;
}

}  // namespace

int32_t RunEnteredDestination(const CheckPresenter& presenter, HWND window, char* entered, char* acceptedPath,
                              uint8_t* emptyFirst, uint8_t checkSpace, uint32_t requiredBytes) {
    if (std::strlen(entered) > DESTINATION_PATH_MAX) return presenter.Report(window, entered, 130);
    RefreshVolumeFigures(entered);

    const int32_t drive = GetDriveNumber(entered);
    if (drive == -1) return presenter.Report(window, entered, 401);
    // Any other number outside the drives is the result of a report made.
    if (drive < 0 || drive > 25) return drive;
    const int32_t driveClass = FindDriveType(drive + 1) & 7;
    if (driveClass == DRIVE_CLASS_NONE) return presenter.Report(window, entered, 132);
    if (driveClass == DRIVE_CLASS_REMOVABLE && presenter.Present(RemovableDriveQuestion(window)) != IDYES)
        return RESULT_STOP;

    const std::string path = entered;
    char badPart[DESTINATION_PATH_MAX + 1];
    if (InvalidDirName(path.c_str(), badPart) != 0) {
        CheckNotice notice;
        notice.text = "You have entered the following as your destination pathname:\n" + path +
                      "\n\nThe Varentis installation has detected that '" + badPart +
                      "' is not a valid pathname.  Enter another destination pathname.";
        notice.title = "Invalid Directory name";
        presenter.Present(notice);
        return RESULT_STOP;
    }

    if (!Exists(path.c_str())) {
        Accept(path, acceptedPath, emptyFirst, 0, 1);
        return 0;
    }
    switch (_existingDirectoryDecision) {
    case EXISTING_DIR_CHOOSE_ANOTHER: return RESULT_STOP;
    case EXISTING_DIR_KEEP: Accept(path, acceptedPath, emptyFirst, 0, 0); return 0;
    case EXISTING_DIR_EMPTY:
        if (CheckDirectoryToEmpty(presenter, window, path, checkSpace, requiredBytes) != 0) return RESULT_STOP;
        Accept(path, acceptedPath, emptyFirst, 1, 1);
        return 0;
    default: return 0;
    }
}

int32_t CheckEnteredDestination(HWND window, char* entered, char* acceptedPath, uint8_t* emptyFirst,
                                uint8_t checkSpace, uint32_t requiredBytes) {
    return RunEnteredDestination(kInteractivePresenter, window, entered, acceptedPath, emptyFirst, checkSpace,
                                 requiredBytes);
}

int32_t CheckBatchDestination(char* entered, char* acceptedPath, uint8_t* emptyFirst, uint8_t checkSpace,
                              uint32_t requiredBytes) {
    const UnattendedRun run;
    return RunEnteredDestination(kUnattendedPresenter, _installWnd, entered, acceptedPath, emptyFirst, checkSpace,
                                 requiredBytes);
}

}  // namespace vrn
