// The report of one exception: header, exception code and name, fault
// address, registers and the call stack; and the report's line writer.
#include <cstdarg>

#include "runtime/crash/crash.h"

namespace vrn {

namespace {

struct ExceptionName {
    DWORD code;
    const char* name;
};

constexpr ExceptionName kExceptionNames[] = {
    {0x80000001, "GUARD_PAGE"},
    {0x80000002, "DATATYPE_MISALIGNMENT"},
    {0x80000003, "BREAKPOINT"},
    {0x80000004, "SINGLE_STEP"},
    {0xC0000005, "ACCESS_VIOLATION"},
    {0xC0000006, "IN_PAGE_ERROR"},
    {0xC0000008, "INVALID_HANDLE"},
    {0xC000001D, "ILLEGAL_INSTRUCTION"},
    {0xC0000025, "NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, "INVALID_DISPOSITION"},
    {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008D, "FLT_DENORMAL_OPERAND"},
    {0xC000008E, "FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, "FLT_INEXACT_RESULT"},
    {0xC0000090, "FLT_INVALID_OPERATION"},
    {0xC0000091, "FLT_OVERFLOW"},
    {0xC0000092, "FLT_STACK_CHECK"},
    {0xC0000093, "FLT_UNDERFLOW"},
    {0xC0000094, "INT_DIVIDE_BY_ZERO"},
    {0xC0000095, "INT_OVERFLOW"},
    {0xC0000096, "PRIV_INSTRUCTION"},
    {0xC00000FD, "STACK_OVERFLOW"},
};

// Names that have to be looked up are kept here.
char g_exceptionText[512];

constexpr const char* kRule = "//=====================================================\n";

}  // namespace

const char* VRNExceptionHandler::GetExceptionString(DWORD code) {
    for (const ExceptionName& e : kExceptionNames) {
        if (e.code == code) return e.name;
    }
    FormatSystemMessage(code, g_exceptionText, sizeof g_exceptionText);
    return g_exceptionText;
}

int VRNExceptionHandler::printf(const char* format, ...) {
    char buffer[1024 + 1];
    va_list args;
    va_start(args, format);
    const int n = wvsprintfA(buffer, format, args);
    va_end(args);
    if (m_hReportFile != 0) WriteTraceFile(m_hReportFile, buffer, static_cast<size_t>(n));
    return n;
}

void VRNExceptionHandler::GenerateExceptionReport(EXCEPTION_POINTERS* exceptionPointers) {
    const EXCEPTION_RECORD* record = exceptionPointers->ExceptionRecord;
    CONTEXT* context = exceptionPointers->ContextRecord;

    std::tm now{};
    SignalSafeLocalTime(now);
    char when[26];
    SignalSafeAscTime(now, when);
    printf("%s", kRule);
    printf("VARENTIS stack trace as of %s", when);
    printf("%s", kRule);

    printf("Exception code: %08X %s\n", record->ExceptionCode, GetExceptionString(record->ExceptionCode));

    char module[260];
    DWORD section = 0;
    uintptr_t offset = 0;
    GetLogicalAddress(record->ExceptionAddress, module, sizeof module, section, offset);
    printf("Fault address:  %08llX %02X:%08llX %s\n", static_cast<unsigned long long>(
               reinterpret_cast<uintptr_t>(record->ExceptionAddress)),
           section, static_cast<unsigned long long>(offset), module);

    printf("\nRegisters:\n");
    printf("EAX:%08llX\nEBX:%08llX\nECX:%08llX\nEDX:%08llX\nESI:%08llX\nEDI:%08llX\n",
           static_cast<unsigned long long>(context->Rax), static_cast<unsigned long long>(context->Rbx),
           static_cast<unsigned long long>(context->Rcx), static_cast<unsigned long long>(context->Rdx),
           static_cast<unsigned long long>(context->Rsi), static_cast<unsigned long long>(context->Rdi));
    printf("CS:EIP:%04X:%08llX\n", context->SegCs, static_cast<unsigned long long>(context->Rip));
    printf("SS:ESP:%04X:%08llX  EBP:%08llX\n", context->SegSs, static_cast<unsigned long long>(context->Rsp),
           static_cast<unsigned long long>(context->Rbp));
    printf("DS:%04X  ES:%04X  FS:%04X  GS:%04X\n", context->SegDs, context->SegEs, context->SegFs, context->SegGs);
    printf("Flags:%08llX\n", static_cast<unsigned long long>(context->EFlags));

    if (InitImagehlpFunctions()) {
        ImagehlpStackWalk(context);
        _SymCleanup(GetCurrentProcess());
        printf("\n");
    } else {
        OutputDebugStringA("IMAGEHLP.DLL or its exported procs not found");
        IntelStackWalk(context);
    }
}

}  // namespace vrn
