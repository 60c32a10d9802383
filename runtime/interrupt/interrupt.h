// Interrupt polling: hard (Ctrl-C) and soft (stop at the next convenient
// point) interrupts recorded as bits of one process-wide flag word, the
// queries that read them while draining a window system's event queue,
// calling a registered stop checker and honouring statistics requests, and
// the suspension of interrupt delivery for critical stretches.
#pragma once

#include <cstdint>

namespace vrn {

inline constexpr uint16_t INT_HARD = 0x02;     // hard interrupt pending
inline constexpr uint16_t INT_SOFT = 0x10;     // soft interrupt pending
inline constexpr uint16_t INT_STATS_REQUEST = 0x01;   // in _intstats
inline constexpr uint8_t ARG_STATS_MODE = 0x02;       // in _argstats

// The window toolkit's control record: its first word is the window whose
// events are peeked.
struct ToolkitControl {
    void* window;
};
// The event record handed to the toolkit's event-peek routine.
struct ToolkitEvent {
    uint32_t words[8];
};
// The active toolkit's routine table; peekEvent returns non-zero when it
// handled an event.
struct WindowToolkit {
    int32_t (*peekEvent)(void* window, ToolkitEvent* event);
};

using StopChecker = void (*)(uintptr_t context);

extern uint16_t _intflag;
extern uint16_t _intstats;
extern int32_t _disableCount;
extern int32_t _pollCount;
extern StopChecker _s_rtn_check;
extern uintptr_t _s_prtn_context;
extern int32_t _xrejflag;
extern uint8_t _argstats;
extern int32_t _argwsys;
extern uint8_t _pddbgflg;
extern ToolkitControl* _pumctl;
extern const WindowToolkit* _wi_active_toolkit;

// Raise a hard interrupt.
void utsctlc();
// Raise a soft interrupt; 0.
int32_t utssoftctlc();
// In statistics mode request statistics, else raise a soft interrupt; 0.
int32_t utRealsoftctlc();
// Keep the hard-interrupt bit, clear every other bit of _intflag.
void utectlc();
// Clear both interrupt bits and the statistics request.
void utuctlc();
// Query for any interrupt with polling: the pending INT_HARD / INT_SOFT
// bits, or 0 (suspended, none, or a statistics request served).
int32_t utqctlc();
// Query for a soft interrupt with polling: INT_SOFT or 0.
int32_t utqsoftctlc();
// Peek for any interrupt, ignoring suspension and statistics.
int32_t utpctlc();
void utsuspendctlc();
void utenablectlc();
int32_t utsetxrej();
int32_t utclrxrej();
int32_t utqxrej();
// Registers the stop checker and its argument (null: none).
void utregstopchecker(StopChecker checker, uintptr_t context);
// Drains the window toolkit's event queue.
void utintpeek();

}  // namespace vrn
