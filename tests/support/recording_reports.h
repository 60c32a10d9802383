// Records what runtime routines report: while one is alive it stands in for
// the report hook (the engine's message table, when the engine is linked) and
// keeps every code and detail, in order.
#pragma once

#include <string>
#include <vector>

#include "runtime/report/report.h"

namespace vrn::test {

class RecordingReports {
public:
    RecordingReports() : previous_(_runtimeReportHook) {
        active_ = this;
        _runtimeReportHook = &Record;
    }
    ~RecordingReports() {
        _runtimeReportHook = previous_;
        active_ = nullptr;
    }
    RecordingReports(const RecordingReports&) = delete;
    RecordingReports& operator=(const RecordingReports&) = delete;

    std::vector<int32_t> codes;
    std::vector<std::string> details;

private:
    static int32_t Record(const char* detail, int32_t code) {
        active_->codes.push_back(code);
        active_->details.push_back(detail != nullptr ? detail : "");
        return -code;
    }

    static inline RecordingReports* active_ = nullptr;
    RuntimeReportHook previous_;
};

}  // namespace vrn::test
