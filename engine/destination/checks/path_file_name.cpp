// The check of a file or directory name that the user types: the drive is
// known (and a removable one agreed to), a file is not a directory and a
// directory not a file, and a missing directory is created on request.
#include <cstring>
#include <string>
#include <utility>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

namespace {

constexpr int32_t kAccepted = 1;
constexpr int32_t kRefused = 0;

CheckNotice Refusal(HWND window, std::string text, const char* title) {
    CheckNotice notice;
    notice.owner = window;
    notice.text = std::move(text);
    notice.title = title;
    notice.style = MB_OK;
    return notice;
}

CheckNotice NotAFile(HWND window, const char* path) {
    return Refusal(window,
                   std::string("You have entered the following as a filename:\n") + path +
                       "\n\nThe Varentis installation has detected that it is a directory and not a file.  Enter a "
                       "valid filename.",
                   "Invalid File Name");
}

}  // namespace

// The removable-drive question, shared with the destination check.
CheckNotice RemovableDriveQuestion(HWND window) {
    CheckNotice notice;
    notice.owner = window;
    notice.text = "The destination device you have chosen \nis removable, do you wish to continue?";
    notice.title = "Warning";
    notice.style = MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL;
    // Nobody can agree to a removable destination in an unattended run.
    notice.unattendedAnswer = IDNO;
    return notice;
}

int32_t RunPathFileName(const CheckPresenter& presenter, HWND window, const char* path, uint8_t kind,
                        bool createMissing) {
    if (std::strlen(path) > DESTINATION_PATH_MAX) {
        presenter.Report(window, path, 130);
        return kRefused;
    }
    std::string copy = path;

    if (const char letter = DriveLetterOf(path)) {
        const int32_t driveClass = FindDriveType(letter - 'A' + 1) & 7;
        if (driveClass == DRIVE_CLASS_NONE) {
            presenter.Present(Refusal(window,
                                      std::string("You have entered the following directory name:\n") + path +
                                          "\n\nThis drive does not exist! Select another drive.",
                                      "Unknown Drive"));
            return kRefused;
        }
        if (driveClass == DRIVE_CLASS_REMOVABLE && presenter.Present(RemovableDriveQuestion(window)) != IDYES)
            return RESULT_STOP;
    }

    if (kind == PATH_KIND_FILE) {
        if (ValidFileName(path) == 0) {
            presenter.Present(NotAFile(window, path));
            return kRefused;
        }
        const size_t cut = copy.rfind('\\');
        if (cut != std::string::npos) copy.resize(cut);
        if (copy.size() < 3) copy += '\\';
    }

    if (!Exists(copy.c_str())) {
        CheckNotice question;
        question.owner = window;
        question.text = "You have entered the following directory name:\n" + copy +
                        "\n\nThis directory path does NOT exist!\n\nDo you want the Varentis installation to create "
                        "the directory path?";
        question.title = "Create Directory?";
        question.style = MB_YESNO;
        question.unattendedAnswer = createMissing ? IDYES : IDNO;
        if (presenter.Present(question) != IDYES) return kRefused;
        // A failure has been reported by the creation itself, once.
        return CreateDirectoryPath(path, kind) == 0 ? kAccepted : kRefused;
    }

    _stat_t status;
    const bool found = _stat(path, &status) == 0;
    const uint16_t type = found ? static_cast<uint16_t>(status.st_mode & _S_IFMT) : 0;
    if (kind == PATH_KIND_FILE) {
        if (copy.find('\\') == std::string::npos) {
            presenter.Present(Refusal(window,
                                      std::string("The Installation Utility has detected that there is no filename "
                                                  "associated with the ") +
                                          path + " pathname.  You must provide a filename.",
                                      "No Filename"));
            return kRefused;
        }
        if (!found || type == _S_IFREG) return kAccepted;
        presenter.Present(NotAFile(window, path));
        return kRefused;
    }
    if (kind == PATH_KIND_DIRECTORY) {
        if (found && type == _S_IFDIR) return kAccepted;
        presenter.Present(Refusal(window,
                                  std::string("You have entered the following as a directory:\n") + path +
                                      "\n\nThe Varentis installation has detected that it is a file and not a "
                                      "directory.  Enter a valid directory name.",
                                  "Invalid Directory Name"));
        return kRefused;
    }
    return kAccepted;
}

int32_t CheckPathFileName(HWND window, const char* path, uint8_t kind) {
    return RunPathFileName(kInteractivePresenter, window, path, kind, false);
}

int32_t CheckBatchPathFileName(const char* path, uint8_t kind, uint8_t createMissing) {
    const UnattendedRun run;
    return RunPathFileName(kUnattendedPresenter, _installWnd, path, kind, createMissing != 0);
}

}  // namespace vrn
