// The interrupt queries, which poll the window toolkit's event queue, the
// debugger hot key and the stop checker on the way.
#include "runtime/interrupt/interrupt.h"
#include "runtime/report/report.h"

namespace vrn {

namespace {

constexpr uint16_t ANY_INTERRUPT = INT_HARD | INT_SOFT;

uint16_t Pending(uint16_t which) { return _intflag & which; }

// A pending statistics request in statistics mode is served here and the
// query then reports nothing.
bool ServeStatistics() {
    if ((_argstats & ARG_STATS_MODE) == 0 || (_intstats & INT_STATS_REQUEST) == 0) return false;
    _intstats &= static_cast<uint16_t>(~INT_STATS_REQUEST);
    crstats();
    return true;
}

}  // namespace

void utintpeek() {
    if (_pumctl == nullptr || _pumctl->window == nullptr) return;
    if (_wi_active_toolkit == nullptr || _wi_active_toolkit->peekEvent == nullptr) return;
    ToolkitEvent event{};
    while (_wi_active_toolkit->peekEvent(_pumctl->window, &event) != 0) {
    }
}

int32_t utqctlc() {
    uint16_t flags = Pending(ANY_INTERRUPT);
    if (_disableCount > 0) return 0;
    if (flags == 0) {
        // The event queue and the hot key are polled on every second query.
        if (_pollCount++ > 0) {
            if (_argwsys != 0) {
                utintpeek();
                flags = Pending(ANY_INTERRUPT);
            }
            if (_pddbgflg != 0) pdckhotkey();
            _pollCount = 0;
        }
    }
    if (_s_rtn_check != nullptr) {
        _s_rtn_check(_s_prtn_context);
        flags = Pending(ANY_INTERRUPT);
    }
    if (ServeStatistics()) return 0;
    return flags;
}

int32_t utqsoftctlc() {
    if (Pending(INT_HARD) != 0 || _disableCount > 0) return 0;
    uint16_t flags = Pending(INT_SOFT);
    if (_argwsys != 0 && flags == 0) {
        if (_pollCount++ >= 0) {
            _pollCount = 0;
            utintpeek();
            flags = Pending(INT_SOFT);
        }
    }
    if (_pddbgflg != 0) pdckhotkey();
    if (ServeStatistics()) return 0;
    return flags;
}

int32_t utpctlc() {
    if (_argwsys != 0 && Pending(ANY_INTERRUPT) == 0) utintpeek();
    uint16_t flags = Pending(ANY_INTERRUPT);
    if (flags == 0 && _s_rtn_check != nullptr) {
        _s_rtn_check(_s_prtn_context);
        flags = Pending(ANY_INTERRUPT);
    }
    return flags;
}

}  // namespace vrn
