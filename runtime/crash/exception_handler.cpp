// The crash reporter's global object, its static members, and the
// unhandled-exception filter that writes the trace file.
#include "platform/system.h"
#include "runtime/crash/crash.h"

namespace vrn {

char VRNExceptionHandler::m_szLogFileName[260];
HANDLE VRNExceptionHandler::m_hReportFile = 0;
LPTOP_LEVEL_EXCEPTION_FILTER VRNExceptionHandler::m_previousFilter = nullptr;

SymInitializeFn VRNExceptionHandler::_SymInitialize = nullptr;
SymCleanupFn VRNExceptionHandler::_SymCleanup = nullptr;
StackWalkFn VRNExceptionHandler::_StackWalk = nullptr;
SymFunctionTableAccessFn VRNExceptionHandler::_SymFunctionTableAccess = nullptr;
SymGetModuleBaseFn VRNExceptionHandler::_SymGetModuleBase = nullptr;
SymGetSymFromAddrFn VRNExceptionHandler::_SymGetSymFromAddr = nullptr;

// Built ahead of the program's other static objects, so that a crash while
// they are built is reported too.
VRNExceptionHandler g_VRNExceptionHandler __attribute__((init_priority(200)));

VRNExceptionHandler::VRNExceptionHandler() {
    m_previousFilter = SetUnhandledExceptionFilter(VRNUnhandledExceptionFilter);
    wsprintfA(m_szLogFileName, "vrntrace.%d", static_cast<int>(GetCurrentProcessId()));
    // Image-help libraries search "_NT_SYMBOL_PATH" for symbols: the
    // program's path. The environment cannot be changed safely while a
    // signal is handled, so this is done now.
    if (const char* path = GetEnv("PATH")) SetEnv("_NT_SYMBOL_PATH", path);
}

VRNExceptionHandler::~VRNExceptionHandler() { SetUnhandledExceptionFilter(m_previousFilter); }

LONG VRNExceptionHandler::VRNUnhandledExceptionFilter(EXCEPTION_POINTERS* exceptionPointers) {
    const HANDLE file = OpenTraceFile(m_szLogFileName);
    if (file != INVALID_HANDLE_VALUE) {
        m_hReportFile = file;
        // Reports of several crashes of one process, or of processes that
        // had the same identifier, follow one another.
        SeekTraceFileEnd(file);
        GenerateExceptionReport(exceptionPointers);
        CloseTraceFile(file);
        m_hReportFile = 0;
    }
    if (m_previousFilter != nullptr) return m_previousFilter(exceptionPointers);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace vrn
