// Reporting of failures: a numbered message shown in a message box, or in
// batch mode appended to the installation log; the per-file form that names
// the file and the C runtime error; the plain console error line; and the
// hook through which the runtime's routines report with the same messages.
#include <cstdio>
#include <string>

#include "engine/state/state.h"
#include "platform/system.h"
#include "runtime/report/report.h"

namespace vrn {

namespace {

// The C runtime error codes that a file report can name.
struct ErrnoName {
    int32_t value;
    const char* name;
};
constexpr ErrnoName kErrnoNames[] = {
    {2, "ENOENT"}, {9, "EBADF"}, {13, "EACCES"}, {17, "EEXIST"},
    {22, "EINVAL"}, {24, "EMFILE"}, {28, "ENOSPC"},
};

constexpr const char kUnknownFileErrorText[] = "Unknown file error code.\n\nCall Varentis technical support.";
constexpr const char kUnknownFileErrorTitle[] = "Unknown File Error Code";

const char* ErrnoNameOf(int32_t value) {
    for (const ErrnoName& entry : kErrnoNames) {
        if (entry.value == value) return entry.name;
    }
    return nullptr;
}

bool InBatchMode() { return (_commandLineSwitch & SWITCH_BATCH) != 0; }

int32_t ReportThroughMessageTable(const char* detail, int32_t code) {
    return DisplayErrorMsg(_installWnd, detail, code);
}

// Installed while the program starts, before any routine runs: this file is
// part of every program that reports through the message table.
const bool kRuntimeReportingAtStart = (InstallRuntimeReporting(), true);

}  // namespace

void InstallRuntimeReporting() { _runtimeReportHook = ReportThroughMessageTable; }

uint32_t _reportCount = 0;

int32_t DisplayErrorMsg(HWND window, const char* detail, int32_t code) {
    const char* format = FindMessageFormat(code);
    if (format == nullptr) return RESULT_STOP;

    // Every format holds exactly one %d; the longest text with an 11-digit
    // code fits comfortably in this buffer.
    char formatted[256];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(formatted, sizeof formatted, format, static_cast<int>(code));
#pragma GCC diagnostic pop
    std::string text = formatted;
    ++_reportCount;
    if (detail != nullptr) {
        text += " (";
        text += detail;
        text += ")";
    }

    if (!InBatchMode()) {
        MessageBeep(MB_BEEP_DEFAULT);
        if (MessageBox(window, text.c_str(), "Error", MB_OK | MB_ICONEXCLAMATION) == 0) return RESULT_STOP;
    } else {
        FlushData(text.c_str());
    }
    return -code;
}

int32_t ProcessFileError(HWND window, int32_t errnoValue, int32_t code, const char* fileName) {
    if (const char* name = ErrnoNameOf(errnoValue)) {
        std::string detail = ": ";
        detail += fileName != nullptr ? fileName : "";
        detail += " (";
        detail += name;
        detail += ")";
        return DisplayErrorMsg(window, detail.c_str(), code);
    }
    ++_reportCount;
    if (InBatchMode()) {
        FlushData(kUnknownFileErrorText);
    } else {
        MessageBox(window, kUnknownFileErrorText, kUnknownFileErrorTitle,
                   MB_OK | MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    }
    return RESULT_STOP;
}

void printError(const char* text) {
    std::string line = "\n Error: ";
    line += text != nullptr ? text : "(null)";
    line += " \n";
    ConsoleWrite(line);
}

}  // namespace vrn
