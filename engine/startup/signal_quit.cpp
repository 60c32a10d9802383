// The interrupt (Ctrl-C) handler: asks whether to quit, with further
// interrupts ignored while the question is open.
#include "engine/display/display.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "platform/system.h"

namespace vrn {


namespace {

constexpr const char kSignalResetText[] =
    "The Installation Utility cannot reset a CTRL-C signal interrupt handler.\n\nCall Varentis technical support.";
constexpr const char kSignalTitle[] = "Signal Handle Error";
constexpr int kQuitStatus = 65535;

}  // namespace

void SignalQuitFunc() {
    IgnoreInterrupt();
    if (ConfirmQuit() == 1) {
        ClearScr();
        CleanUpDisplay(0);
        ExitProcess(kQuitStatus);
    }
    if (SetInterruptHandler(InterruptEntry) == INTERRUPT_ERROR) {
        MessageBox(_installWnd, kSignalResetText, kSignalTitle, MB_OK);
        CleanUpDisplay(0);
        ExitProcess(kQuitStatus);
    }
}

}  // namespace vrn
