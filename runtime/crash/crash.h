// The crash reporter. One global object, g_VRNExceptionHandler, is built
// before the program's main routine (and before the other static objects of
// the program, so that their crashes are reported too); it installs
// VRNUnhandledExceptionFilter as the process's unhandled-exception filter.
// On an unhandled exception the filter appends a plain-text report to the
// trace file "vrntrace.<process id>" in the current directory (the host's
// working directory of the moment) and then passes the exception on to the
// filter that was installed before it, whose verdict it returns; with none
// it returns 0 and the default action ends the process as it would have.
//
// Exceptions on this host are the fault signals (platform/signals.h has the
// full table and what each verdict does):
//   SIGSEGV -> 0xC0000005 ACCESS_VIOLATION, or 0xC00000FD STACK_OVERFLOW when
//              the fault lies within 64 KiB of the stack pointer
//   SIGFPE  -> 0xC0000094 INT_DIVIDE_BY_ZERO, 0xC0000095 INT_OVERFLOW, or the
//              floating-point code of the signal's reason
//   SIGILL  -> 0xC000001D ILLEGAL_INSTRUCTION (0xC0000096 PRIV_INSTRUCTION)
//   SIGBUS  -> 0x80000002 DATATYPE_MISALIGNMENT or 0xC0000006 IN_PAGE_ERROR
//   SIGTRAP -> 0x80000003 BREAKPOINT (0x80000004 SINGLE_STEP)
//   SIGABRT -> 0xC0000409, named by the platform's message text
// and the software exceptions raised through the same path (RaiseException),
// such as utcore's 0xE0000003 (runtime/strings). The handlers run on an
// alternate signal stack, so a stack overflow is reported too.
//
// The report:
//   //=====================================================
//   VARENTIS stack trace as of <asctime form of the local time>
//   //=====================================================
//   Exception code: <code, 8 hex digits> <name>
//   Fault address:  <instruction address> <section, 2 hex digits>:<offset, 8> <module path>
//
//   Registers:
//   EAX:... EBX:... ECX:... EDX:... ESI:... EDI:...  (one a line)
//   CS:EIP:<cs>:<rip>
//   SS:ESP:<ss>:<rsp>  EBP:<rbp>
//   DS:<ds>  ES:<es>  FS:<fs>  GS:<gs>
//   Flags:<rflags>
//
//   Call Stack:
//   Address   Frame
//   <pc>  <frame>  <symbol>+<displacement> | <section>:<offset> <module>
// The registers are the 64-bit ones, under the labels of their 32-bit
// halves: EAX is RAX, EIP is RIP, ESP is RSP, EBP is RBP, Flags is RFLAGS.
// They are read from the signal context (ucontext_t.uc_mcontext.gregs, slot
// REG_RAX and so on; CS, GS, FS and, when the kernel saved it, SS from the
// packed REG_CSGSFS slot; DS and ES, which a 64-bit signal frame does not
// hold and signal delivery does not change, from the live registers). Every
// hex field is at least as wide as shown and as wide as its value needs, so
// addresses and registers appear in full.
//
// A module is a loaded ELF image, its "section" the section of the image's
// section table (numbered as in the file, so the null section is 0 and the
// first real one 1) that holds the address, and the offset is counted from
// the section's start. The module's base is the image's load bias (0 for an
// image loaded at its link-time addresses).
//
// The symbolic walk uses the platform's image-help library (the unwinder and
// the images' symbol tables, symbol names as the images hold them); when it
// is unavailable the frame-pointer walk follows the saved frame pointers,
// each frame holding the caller's frame pointer and, one word above it, the
// return address. It stops when the next frame pointer is not a multiple of
// the word size (8 bytes), is not above the current one, or the two words
// at it (16 bytes) are not writable; a frame pointer that fails these tests
// is never read.
//
// Only async-signal-safe work is done while reporting: no heap, no locks, no
// standard streams, no time-zone library. So the environment variable
// "_NT_SYMBOL_PATH" (a copy of "PATH", the symbol search path of image-help
// libraries) is set when the handler installs itself, not in the report.
#pragma once

#include <cstdint>

#include "platform/signals.h"

namespace vrn {

class VRNExceptionHandler {
public:
    VRNExceptionHandler();
    ~VRNExceptionHandler();
    VRNExceptionHandler(const VRNExceptionHandler&) = delete;
    VRNExceptionHandler& operator=(const VRNExceptionHandler&) = delete;

    // The filter: writes the report, then gives the previous filter's
    // verdict, or 0 (continue the search) when there was none.
    static LONG VRNUnhandledExceptionFilter(EXCEPTION_POINTERS* exceptionPointers);

    static void GenerateExceptionReport(EXCEPTION_POINTERS* exceptionPointers);
    // The exception's name; for a code the table does not name, the
    // platform's message text for it ("" when it has none).
    static const char* GetExceptionString(DWORD code);
    // Module path (at most moduleNameSize - 1 characters), section number
    // and offset of an address; 1, or 0 with section and offset 0 and an
    // empty name when the address lies in no section of a loaded image.
    static BOOL GetLogicalAddress(const void* address, char* moduleName, DWORD moduleNameSize, DWORD& section,
                                  uintptr_t& offset);
    static void IntelStackWalk(const CONTEXT* context);
    static void ImagehlpStackWalk(CONTEXT* context);
    static BOOL InitImagehlpFunctions();
    // Formats (platform wvsprintfA, at most 1024 characters) and writes the
    // text to the report file; returns its length.
    static int printf(const char* format, ...);

    static char m_szLogFileName[260];
    static HANDLE m_hReportFile;   // 0 when no report is being written
    static LPTOP_LEVEL_EXCEPTION_FILTER m_previousFilter;

    static SymInitializeFn _SymInitialize;
    static SymCleanupFn _SymCleanup;
    static StackWalkFn _StackWalk;
    static SymFunctionTableAccessFn _SymFunctionTableAccess;
    static SymGetModuleBaseFn _SymGetModuleBase;
    static SymGetSymFromAddrFn _SymGetSymFromAddr;
};

extern VRNExceptionHandler g_VRNExceptionHandler;

}  // namespace vrn
