// Runtime entry points that this release carries without an implementation.
// Each reports message 9000 and, where it has a result, returns zero.
#include "runtime/report/report.h"

namespace vrn {

namespace {

void ReportNotImplemented() { utReport(nullptr, NOT_IMPLEMENTED_MESSAGE); }

}  // namespace

int32_t ccConvertBytes() { ReportNotImplemented(); return 0; }
int32_t ccConvertChar() { ReportNotImplemented(); return 0; }
int32_t ccConvertWide() { ReportNotImplemented(); return 0; }
int32_t rtRealInt() { ReportNotImplemented(); return 0; }
int32_t crstats() { ReportNotImplemented(); return 0; }
int32_t pdckhotkey() { ReportNotImplemented(); return 0; }
int32_t msgn() { ReportNotImplemented(); return 0; }
int32_t msgd() { ReportNotImplemented(); return 0; }
int32_t drppath() { ReportNotImplemented(); return 0; }
int32_t strentd() { ReportNotImplemented(); return 0; }
int32_t strntdnf() { ReportNotImplemented(); return 0; }
void* strent() { ReportNotImplemented(); return nullptr; }
int32_t stget() { ReportNotImplemented(); return 0; }
int32_t stgetd() { ReportNotImplemented(); return 0; }
int32_t stvacate() { ReportNotImplemented(); return 0; }
int32_t stfree() { ReportNotImplemented(); return 0; }
int32_t stInitPool() { ReportNotImplemented(); return 0; }
int32_t msgsubdll() { ReportNotImplemented(); return 0; }
int32_t utxctlc() { ReportNotImplemented(); return 0; }
int32_t drSigResAlm() { ReportNotImplemented(); return 0; }
int32_t iodosprt() { ReportNotImplemented(); return 0; }
int32_t libfchk() { ReportNotImplemented(); return 0; }
int32_t libislib() { ReportNotImplemented(); return 0; }
int32_t libref() { ReportNotImplemented(); return 0; }

}  // namespace vrn
