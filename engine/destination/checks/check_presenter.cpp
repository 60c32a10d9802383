// Putting the destination checks' refusals and questions: in a message box
// for the user, or in the installation log for an unattended run, where a
// question takes its fixed answer instead of waiting for one.
#include <string>

#include "engine/destination/checks/checks_internal.h"
#include "engine/state/state.h"

namespace vrn {

int CheckPresenter::Present(const CheckNotice& notice) const {
    if (!unattended) {
        MessageBeep(MB_BEEP_DEFAULT);
        return MessageBox(notice.owner, notice.text.c_str(), notice.title, notice.style);
    }
    std::string entry = notice.title;
    entry += ": ";
    entry += notice.text;
    // A question is logged with the answer the run went on with.
    if ((notice.style & MB_TYPEMASK) == MB_YESNO)
        entry += notice.unattendedAnswer == IDYES ? "\n\nAnswered Yes." : "\n\nAnswered No.";
    FlushData(entry.c_str());
    return notice.unattendedAnswer;
}

void CheckPresenter::Beep() const {
    if (!unattended) MessageBeep(MB_BEEP_DEFAULT);
}

int32_t CheckPresenter::Report(HWND owner, const char* detail, int32_t code) const {
    if (!unattended) MessageBeep(MB_BEEP_DEFAULT);
    return DisplayErrorMsg(owner, detail, code);
}

UnattendedRun::UnattendedRun() : saved(_commandLineSwitch) { _commandLineSwitch |= SWITCH_BATCH; }

UnattendedRun::~UnattendedRun() { _commandLineSwitch = saved; }

}  // namespace vrn
