// The search for another running session of the graphical client.
#include "runtime/strings/strings.h"
#include "runtime/winsys/winsys.h"

namespace vrn {

int32_t _FirstClientSession = 0;

BOOL utCFMSEnumWindowsProc(HWND window, LPARAM resultSlot) {
    char className[21];
    if (GetClassNameA(window, className, sizeof className) == 0) return 1;
    if (stcomp(className, CLIENT_WINDOW_CLASS) == 0 && IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(resultSlot) = window;
        return 0;
    }
    return 1;
}

int32_t utWinCheckForMultiSession() {
    if (_FirstClientSession != 0) return 0;
    HWND client = nullptr;
    EnumWindows(utCFMSEnumWindowsProc, reinterpret_cast<LPARAM>(&client));
    if (client != nullptr) {
        if (IsIconic(client)) PostMessageA(client, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetForegroundWindow(client);
    }
    return 1;
}

}  // namespace vrn
