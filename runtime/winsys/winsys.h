// Window-system detection: which window system the program runs under, the
// display type, the Windows platform family, and whether another session of
// the graphical client is already running (whose window is then brought to
// the front). The registry, the top-level windows and the platform version
// are the platform layer's (platform/winmodel.h).
#pragma once

#include <cstdint>

#include "platform/winmodel.h"

namespace vrn {

// The window-system name: a 128-byte text (at most 127 characters) from the
// runtime's storage pool (strent), null until it is granted. An empty text
// means that no name is set. This system's pool refuses every request
// (message 9000), so no name is stored unless a host supplies the buffer.
extern char* _pszWindowSys;
inline constexpr int32_t WINDOW_SYS_SIZE = 128;

// Non-zero when this process is the first session of the graphical client;
// set by the host.
extern int32_t _FirstClientSession;

// The class name of the graphical client's main window.
inline constexpr const char* CLIENT_WINDOW_CLASS = "VrnMainWin";

// The stored name when one is set; else, with a window system (_argwsys),
// "MS-WIN95" under the Windows 95 style shell and "MS-WINDOWS" otherwise,
// and "TTY" without one. Asks the pool for the buffer while it is null.
const char* utWhatWindowSys();
// Stores the name (cut to 127 characters), asking the pool for the buffer
// while it is null.
void utSetWindowSys(const char* name);
// Empties the stored name.
void utClearWindowSys();
// "GUI" for a non-zero flag, else "TTY".
const char* utDisplayType(int32_t flag);
// 1 when the current user's Explorer key exists and the task bar window
// ("Shell_TrayWnd") is there, else 0.
int32_t utInWindows95Shell();
// 1 for the Windows 95/98 family, 2 for the NT family, 0 for any other or
// when the version cannot be read.
int32_t utWinGetOSVersion();
// Not the first session (_FirstClientSession 0): finds the client's visible,
// enabled main window, restores it if minimised, brings it to the front and
// returns 1. The first session: 0, and no window is looked at.
int32_t utWinCheckForMultiSession();
// The enumeration callback: stores the first visible, enabled window of the
// client's class into the HWND that resultSlot points to and stops (0);
// otherwise continues (1).
BOOL utCFMSEnumWindowsProc(HWND window, LPARAM resultSlot);

}  // namespace vrn
