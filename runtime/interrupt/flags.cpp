// The interrupt flag word and the routines that raise, clear and suspend.
#include "runtime/interrupt/interrupt.h"

namespace vrn {

uint16_t _intflag = 0;
uint16_t _intstats = 0;
int32_t _disableCount = 0;
int32_t _pollCount = 0;
StopChecker _s_rtn_check = nullptr;
uintptr_t _s_prtn_context = 0;
int32_t _xrejflag = 0;
uint8_t _argstats = 0;
int32_t _argwsys = 0;
uint8_t _pddbgflg = 0;
ToolkitControl* _pumctl = nullptr;
const WindowToolkit* _wi_active_toolkit = nullptr;

void utsctlc() { _intflag |= INT_HARD; }

int32_t utssoftctlc() {
    _intflag |= INT_SOFT;
    return 0;
}

int32_t utRealsoftctlc() {
    if (_argstats & ARG_STATS_MODE) {
        _intstats |= INT_STATS_REQUEST;
    } else {
        _intflag |= INT_SOFT;
    }
    return 0;
}

void utectlc() { _intflag &= INT_HARD; }

void utuctlc() {
    _intflag &= static_cast<uint16_t>(~(INT_HARD | INT_SOFT));
    _intstats &= static_cast<uint16_t>(~INT_STATS_REQUEST);
}

void utsuspendctlc() { ++_disableCount; }

void utenablectlc() { --_disableCount; }

int32_t utsetxrej() {
    _xrejflag = 1;
    return 0;
}

int32_t utclrxrej() {
    _xrejflag = 0;
    return 0;
}

int32_t utqxrej() { return _xrejflag; }

void utregstopchecker(StopChecker checker, uintptr_t context) {
    _s_rtn_check = checker;
    _s_prtn_context = context;
}

}  // namespace vrn
