// The Windows platform family and the Windows 95 style shell.
#include "runtime/winsys/winsys.h"

namespace vrn {

int32_t utInWindows95Shell() {
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", 0, KEY_READ,
                      &key) != static_cast<LONG>(ERROR_SUCCESS)) {
        return 0;
    }
    RegCloseKey(key);
    // The shell is running when its task bar is there.
    return FindWindowA("Shell_TrayWnd", nullptr) != nullptr ? 1 : 0;
}

int32_t utWinGetOSVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    switch (version.dwPlatformId) {
        case VER_PLATFORM_WIN32_WINDOWS: return 1;
        case VER_PLATFORM_WIN32_NT: return 2;
        default: return 0;
    }
}

}  // namespace vrn
