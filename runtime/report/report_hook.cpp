// The report hook: the one way out of the runtime for a message.
#include "runtime/report/report.h"

namespace vrn {

RuntimeReportHook _runtimeReportHook = nullptr;

int32_t utReport(const char* detail, int32_t code) {
    return _runtimeReportHook != nullptr ? _runtimeReportHook(detail, code) : 0;
}

}  // namespace vrn
