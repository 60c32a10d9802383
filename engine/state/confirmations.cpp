// The two questions the engine asks while it installs: what to do about a
// corrupted file, and whether the user really wants to quit. In batch mode
// nothing is asked and each question takes its default (go on).
#include <string>

#include "engine/state/state.h"

namespace vrn {

const char _quitConfirmationText[] =
    " The installation process is not complete!\n\nCAUTION: quitting at this point will result in some "
    "products not working properly.\n\nIf you do quit, you may rerun the installation program to fully "
    "install the desired products.\n\nAre you sure you want to quit?";
const char _quitConfirmationTitle[] = "Quit Confirmation";

namespace {

constexpr const char kCorruptedBefore[] = "The Varentis Installation Utility has encountered a corrupted file (";
constexpr const char kCorruptedAfter[] =
    ")!\n\nChoose OK to skip over the corrupted file or choose QUIT to end the installation.\n\n"
    "CAUTION: If you choose to continue you may lose Varentis functionality!";
constexpr const char kCorruptedTitle[] = "Corrupted File";

bool InBatchMode() { return (_commandLineSwitch & SWITCH_BATCH) != 0; }

}  // namespace

int32_t ConfirmQuit() {
    if (InBatchMode()) return 0;
    return MessageBox(_installWnd, _quitConfirmationText, _quitConfirmationTitle, MB_YESNO) == IDYES ? 1 : 0;
}

int32_t StopInstallation(const char* fileName) {
    if (InBatchMode()) return 0;

    std::string text = kCorruptedBefore;
    text += fileName != nullptr ? fileName : "";
    text += kCorruptedAfter;
    MessageBeep(MB_BEEP_DEFAULT);
    if (MessageBox(_installWnd, text.c_str(), kCorruptedTitle, MB_OKCANCEL) != IDCANCEL) return 0;
    return ConfirmQuit();
}

// Extraction asks before every data chunk whether to stop; the engine offers
// no way to interrupt it from here, so the answer is always to go on.
int32_t AbortProcess(const char* /*text*/, const char* /*title*/) { return 0; }

}  // namespace vrn
