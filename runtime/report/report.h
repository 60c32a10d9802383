// How runtime routines report a failure, and the runtime entry points that
// this release carries without an implementation.
//
// The runtime has no messages of its own: a routine that must report hands a
// message code (and an optional detail text) to the report hook. The engine
// installs a hook that shows the code's message from its message table, in a
// box or in the installation log; a program built on the runtime alone has
// no hook, and its reports go nowhere.
#pragma once

#include <cstdint>

namespace vrn {

// Reports one message; the result is what the reporter gives back (the
// engine's reporter: the negated code, or 65535 when nothing could be shown).
using RuntimeReportHook = int32_t (*)(const char* detail, int32_t code);

// The installed reporter, null when nobody listens.
extern RuntimeReportHook _runtimeReportHook;

// The message every unsupported entry point reports.
inline constexpr int32_t NOT_IMPLEMENTED_MESSAGE = 9000;

// Hands a report to the installed hook; 0 when there is none.
int32_t utReport(const char* detail, int32_t code);

// Unsupported entry points: each reports message 9000 and, where it has a
// result, returns zero (false, 0 or null).
int32_t ccConvertBytes();
int32_t ccConvertChar();
int32_t ccConvertWide();
int32_t rtRealInt();
int32_t crstats();
int32_t pdckhotkey();
int32_t msgn();
int32_t msgd();
int32_t drppath();
int32_t strentd();
int32_t strntdnf();
void* strent();
int32_t stget();
int32_t stgetd();
int32_t stvacate();
int32_t stfree();
int32_t stInitPool();
int32_t msgsubdll();
int32_t utxctlc();
int32_t drSigResAlm();
int32_t iodosprt();
int32_t libfchk();
int32_t libislib();
int32_t libref();

}  // namespace vrn
