// The window-system name and the display type.
#include "runtime/interrupt/interrupt.h"
#include "runtime/report/report.h"
#include "runtime/winsys/winsys.h"

namespace vrn {

char* _pszWindowSys = nullptr;

namespace {

// The name buffer, requested from the storage pool while there is none.
bool HaveNameBuffer() {
    if (_pszWindowSys == nullptr) _pszWindowSys = static_cast<char*>(strent());
    return _pszWindowSys != nullptr;
}

bool NameSet() { return _pszWindowSys != nullptr && _pszWindowSys[0] != '\0'; }

}  // namespace

const char* utWhatWindowSys() {
    HaveNameBuffer();
    if (NameSet()) return _pszWindowSys;
    if (_argwsys != 0) return utInWindows95Shell() ? "MS-WIN95" : "MS-WINDOWS";
    return "TTY";
}

void utSetWindowSys(const char* name) {
    if (!HaveNameBuffer()) return;
    int32_t n = 0;
    if (name != nullptr) {
        for (; name[n] != '\0' && n < WINDOW_SYS_SIZE - 1; ++n) _pszWindowSys[n] = name[n];
    }
    _pszWindowSys[n] = '\0';
}

void utClearWindowSys() {
    if (_pszWindowSys != nullptr) _pszWindowSys[0] = '\0';
}

const char* utDisplayType(int32_t flag) { return flag != 0 ? "GUI" : "TTY"; }

}  // namespace vrn
