// Structured exceptions on a POSIX host: the unhandled-exception filter built
// on the fault signals, the exception record and thread context read from
// the signal context, software exceptions, and the services a crash report
// needs while a signal is being handled (trace file output, formatting, the
// time, the loaded images and their sections, memory probing, and the
// image-help routines: stack walking and symbol lookup).
//
// Everything marked "signal-safe" does only async-signal-safe work: system
// calls, no heap, no locks, no standard streams.
//
// Signals and their exception codes (ExceptionCodeForSignal):
//   SIGSEGV, fault address within 64 KiB of the stack pointer
//                              0xC00000FD STACK_OVERFLOW
//   SIGSEGV, any other         0xC0000005 ACCESS_VIOLATION
//   SIGBUS  BUS_ADRALN         0x80000002 DATATYPE_MISALIGNMENT
//   SIGBUS  any other          0xC0000006 IN_PAGE_ERROR
//   SIGILL  ILL_PRVOPC/PRVREG  0xC0000096 PRIV_INSTRUCTION
//   SIGILL  any other          0xC000001D ILLEGAL_INSTRUCTION
//   SIGFPE  FPE_INTDIV         0xC0000094 INT_DIVIDE_BY_ZERO
//   SIGFPE  FPE_INTOVF         0xC0000095 INT_OVERFLOW
//   SIGFPE  FPE_FLTDIV         0xC000008E FLT_DIVIDE_BY_ZERO
//   SIGFPE  FPE_FLTOVF         0xC0000091 FLT_OVERFLOW
//   SIGFPE  FPE_FLTUND         0xC0000093 FLT_UNDERFLOW
//   SIGFPE  FPE_FLTRES         0xC000008F FLT_INEXACT_RESULT
//   SIGFPE  FPE_FLTSUB         0xC000008C ARRAY_BOUNDS_EXCEEDED
//   SIGFPE  FPE_FLTINV, other  0xC0000090 FLT_INVALID_OPERATION
//   SIGTRAP TRAP_TRACE         0x80000004 SINGLE_STEP
//   SIGTRAP any other          0x80000003 BREAKPOINT
//   SIGABRT                    0xC0000409 (abnormal termination, as abort() gives)
//   SIGABRT sent by RaiseException: the code it was given
// A stack overflow is recognised because a fault that close to the stack
// pointer can only be a push or a frame that ran off the end of the stack;
// the handlers run on an alternate signal stack, so they still run then.
//
// The filter's verdict decides what follows the filter:
//   EXCEPTION_CONTINUE_EXECUTION (-1): the context (possibly changed by the
//       filter) is written back and the thread resumes.
//   EXCEPTION_EXECUTE_HANDLER (1): the process ends at once with status
//       128 + the signal number.
//   EXCEPTION_CONTINUE_SEARCH (0), or no filter: the signal's default action
//       is restored and the signal raised again, so the process ends as it
//       would have without any handler (core dump included).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "platform/native.h"

namespace vrn {

using LONG = int32_t;

// ---- Exception codes and verdicts -----------------------------------------

inline constexpr DWORD EXCEPTION_GUARD_PAGE = 0x80000001;
inline constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002;
inline constexpr DWORD EXCEPTION_BREAKPOINT = 0x80000003;
inline constexpr DWORD EXCEPTION_SINGLE_STEP = 0x80000004;
inline constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
inline constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006;
inline constexpr DWORD EXCEPTION_INVALID_HANDLE = 0xC0000008;
inline constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
inline constexpr DWORD EXCEPTION_NONCONTINUABLE_EXCEPTION = 0xC0000025;
inline constexpr DWORD EXCEPTION_INVALID_DISPOSITION = 0xC0000026;
inline constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
inline constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D;
inline constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
inline constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
inline constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
inline constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
inline constexpr DWORD EXCEPTION_FLT_STACK_CHECK = 0xC0000092;
inline constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
inline constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
inline constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
inline constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;
inline constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FD;
inline constexpr DWORD EXCEPTION_ABNORMAL_TERMINATION = 0xC0000409;

inline constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
inline constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;
inline constexpr LONG EXCEPTION_CONTINUE_EXECUTION = -1;

inline constexpr DWORD EXCEPTION_NONCONTINUABLE = 1;
inline constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;

// ---- Exception record, context, filter -----------------------------------

struct EXCEPTION_RECORD {
    DWORD ExceptionCode;
    DWORD ExceptionFlags;
    EXCEPTION_RECORD* ExceptionRecord;   // chained record; always null here
    void* ExceptionAddress;              // the instruction that faulted
    DWORD NumberParameters;
    // Access violations and in-page errors: [0] 0 read / 1 write, [1] the
    // data address. Software exceptions: the arguments given.
    uintptr_t ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};

// The thread context of the host's 64-bit registers, read from the signal
// context (ucontext_t.uc_mcontext.gregs): each general register from its
// REG_xxx slot, the flags from REG_EFL, CS/GS/FS from REG_CSGSFS (16 bits
// each, in that order), SS from the slot after them when the kernel saved it
// (UC_SIGCONTEXT_SS) and otherwise from the live register, DS and ES (never
// saved in a 64-bit signal frame, and not changed by signal delivery) from
// the live registers.
struct CONTEXT {
    uint64_t Rax, Rbx, Rcx, Rdx, Rsi, Rdi, Rbp, Rsp, Rip;
    uint64_t R8, R9, R10, R11, R12, R13, R14, R15;
    uint64_t EFlags;
    uint16_t SegCs, SegSs, SegDs, SegEs, SegFs, SegGs;
    // The delivery this context came from: signal number, siginfo_t*,
    // ucontext_t* (0 and nulls for a context captured otherwise).
    int HostSignal;
    void* HostSignalInfo;
    void* HostSignalContext;
};

struct EXCEPTION_POINTERS {
    EXCEPTION_RECORD* ExceptionRecord;
    CONTEXT* ContextRecord;
};

using LPTOP_LEVEL_EXCEPTION_FILTER = LONG (*)(EXCEPTION_POINTERS* exceptionPointers);

// Installs the process-wide unhandled-exception filter and returns the one
// it replaces. The first call takes over SIGSEGV, SIGBUS, SIGILL, SIGFPE,
// SIGTRAP and SIGABRT (SA_SIGINFO | SA_ONSTACK, on an alternate stack of
// this thread unless it has one already), keeping the handlers installed
// before; if any of them is a handler function, the filter returned is
// PreviousSignalHandlers, which runs those handlers; else null. Installing
// null or PreviousSignalHandlers gives the signals back to those handlers.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// The filter that stands for the handlers that were installed before the
// first SetUnhandledExceptionFilter: runs the handler of the exception's
// signal with the original siginfo and ucontext (re-reading the context
// afterwards, so that its changes survive) and returns
// EXCEPTION_CONTINUE_EXECUTION; for a default action, or an ignored fault
// the kernel would not let go, EXCEPTION_CONTINUE_SEARCH.
LONG PreviousSignalHandlers(EXCEPTION_POINTERS* exceptionPointers);

// Raises a software exception through the filter: SIGABRT is sent to this
// thread with the code attached, so the report sees the signal context of
// this call. Returns when the verdict is to continue execution.
void RaiseException(DWORD code, DWORD flags, DWORD numberOfArguments, const uintptr_t* arguments);

// Whether this thread is running the unhandled-exception filter now.
bool InSignalHandler();

// The exception code of a signal (the table above). Signal-safe.
DWORD ExceptionCodeForSignal(int signal, int signalCode, uintptr_t faultAddress, uintptr_t stackPointer);

// Fills a context from a ucontext_t (the layout above). Signal-safe.
void ContextFromSignal(const void* ucontext, CONTEXT* context);

// ---- Process, thread, debugger -------------------------------------------

HANDLE GetCurrentProcess();     // pseudo handle
HANDLE GetCurrentThread();      // pseudo handle
DWORD GetCurrentProcessId();    // signal-safe
// Writes the text to standard error, ending the line. Signal-safe.
void OutputDebugStringA(const char* text);

// ---- Trace file output (signal-safe) ----------------------------------------

// Opens a file of the current directory for writing: created when absent
// (owner read/write), every write going through to the disk, and no sharing
// (an exclusive lock: a file another writer holds cannot be opened).
// INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenTraceFile(const char* fileName);
// Moves to the end of the file; false on failure.
bool SeekTraceFileEnd(HANDLE file);
// Writes all bytes; false on failure.
bool WriteTraceFile(HANDLE file, const char* data, size_t size);
void CloseTraceFile(HANDLE file);

// ---- Formatting and time (signal-safe) ---------------------------------------

// Formats into at most 1024 characters plus the NUL (a longer text is cut)
// and returns the length. Conversions: %d %i %u %x %X %c %s %hs %p %%, the
// flags '-' and '0', a width, and the sizes h, l, ll, z (l is 32 bits, as
// on the platform whose format this is; ll and z are 64).
int wvsprintfA(char* buffer, const char* format, va_list arguments);
int wsprintfA(char* buffer, const char* format, ...);

// The local time now: the clock read with a system call, shifted by the
// offset from UTC that was in force when the filter was installed (the time
// zone library itself is not safe to call while a signal is handled).
void SignalSafeLocalTime(std::tm& out);
// "Sun Dec  6 03:11:57 2026\n" (asctime's form, 25 characters and a NUL).
void SignalSafeAscTime(const std::tm& tm, char out[26]);

// The message text of a system status code that has one ("" else, result
// 0); returns the length. Signal-safe.
DWORD FormatSystemMessage(DWORD code, char* buffer, DWORD size);

// ---- Loaded images and memory (signal-safe) -----------------------------------

struct LoadedImage {
    uintptr_t base;          // load bias: run-time address = base + link-time address
    uintptr_t low, high;     // the range its loadable segments occupy
    char fileName[260];      // full path ("" when the image has no file)
};

// The loaded image whose loadable segments contain the address. The list of
// images is taken when the filter is installed and taken again by every
// call made outside a signal handler.
bool FindLoadedImage(uintptr_t address, LoadedImage* out);
// Takes the list of loaded images again (not signal-safe).
void RefreshLoadedImages();

struct ImageSection {
    uint32_t number;         // index in the image's section table (0 is the null section)
    uint64_t start;          // link-time address
    uint64_t size;           // size in memory
    bool allocated;          // occupies memory at run time
    uint32_t type;           // SHT_xxx
    uint64_t fileOffset;     // where its bytes lie in the file
    uint32_t link;           // the related section (a symbol table's names)
    uint64_t entrySize;      // size of one entry, for tables
};

// Reads up to `max` entries of the image's section table, starting with
// section `first`; returns the number of sections the table has in all, or
// -1 when the image's headers cannot be read.
int ReadImageSections(const LoadedImage& image, uint32_t first, ImageSection* out, int max);

// Whether `size` bytes at `address` can be read and written, found out
// without touching them in a way that could fault.
bool IsWritableMemory(const void* address, size_t size);

// ---- The image-help library: stack walks and symbols ----------------------------

using HMODULE = void*;
using FARPROC = void (*)();
// "IMAGEHLP.DLL" is the platform's built-in image-help library (unless made
// unavailable below); no other library can be loaded. Signal-safe.
HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
// Makes the image-help library unavailable or available again (tests, and
// hosts whose unwinder cannot be trusted).
void SetImageHelpAvailable(bool available);

inline constexpr DWORD IMAGE_FILE_MACHINE_I386 = 0x014C;
inline constexpr DWORD IMAGE_FILE_MACHINE_AMD64 = 0x8664;
// The machine type of this host, the one StackWalk accepts.
inline constexpr DWORD IMAGE_FILE_MACHINE_HOST = IMAGE_FILE_MACHINE_AMD64;

enum ADDRESS_MODE : uint32_t { AddrMode1616, AddrMode1632, AddrModeReal, AddrModeFlat };
struct ADDRESS {
    uint64_t Offset;
    uint16_t Segment;
    ADDRESS_MODE Mode;
};
struct STACKFRAME {
    ADDRESS AddrPC;          // the frame's instruction
    ADDRESS AddrReturn;      // where it returns to
    ADDRESS AddrFrame;       // the frame's stack pointer where it called (or faulted)
    ADDRESS AddrStack;
    uint64_t Reserved[4];    // the walk's own state; cleared by the caller
};
struct IMAGEHLP_SYMBOL {
    DWORD SizeOfStruct;      // at least sizeof(IMAGEHLP_SYMBOL)
    uint64_t Address;        // run-time address of the symbol
    DWORD Size;
    DWORD Flags;
    DWORD MaxNameLength;     // characters Name can hold beyond its first
    char Name[1];
};

inline constexpr DWORD SYMOPT_DEFERRED_LOADS = 0x4;

using PREAD_PROCESS_MEMORY_ROUTINE = BOOL (*)(HANDLE, uint64_t, void*, DWORD, DWORD*);
using PFUNCTION_TABLE_ACCESS_ROUTINE = void* (*)(HANDLE, uint64_t);
using PGET_MODULE_BASE_ROUTINE = uint64_t (*)(HANDLE, uint64_t);
using PTRANSLATE_ADDRESS_ROUTINE = uint64_t (*)(HANDLE, HANDLE, ADDRESS*);

using SymInitializeFn = BOOL (*)(HANDLE process, const char* searchPath, BOOL invadeProcess);
using SymCleanupFn = BOOL (*)(HANDLE process);
using StackWalkFn = BOOL (*)(DWORD machineType, HANDLE process, HANDLE thread, STACKFRAME* frame,
                             void* context, PREAD_PROCESS_MEMORY_ROUTINE readMemory,
                             PFUNCTION_TABLE_ACCESS_ROUTINE functionTableAccess,
                             PGET_MODULE_BASE_ROUTINE getModuleBase,
                             PTRANSLATE_ADDRESS_ROUTINE translateAddress);
using SymFunctionTableAccessFn = void* (*)(HANDLE process, uint64_t address);
using SymGetModuleBaseFn = uint64_t (*)(HANDLE process, uint64_t address);
using SymGetSymFromAddrFn = BOOL (*)(HANDLE process, uint64_t address, uint64_t* displacement,
                                     IMAGEHLP_SYMBOL* symbol);

}  // namespace vrn
