// The call stack of a report: the symbolic walk through the image-help
// library, and the frame-pointer walk used when that library is missing.
#include "runtime/crash/crash.h"

namespace vrn {

namespace {

constexpr uintptr_t kWord = sizeof(uintptr_t);

// Whether a frame pointer may be followed: aligned to the word, and its two
// words (the caller's frame pointer and the return address) writable.
bool UsableFrame(uintptr_t frame) {
    return frame % kWord == 0 && IsWritableMemory(reinterpret_cast<const void*>(frame), 2 * kWord);
}

}  // namespace

BOOL VRNExceptionHandler::InitImagehlpFunctions() {
    HMODULE library = LoadLibraryA("IMAGEHLP.DLL");
    if (library == nullptr) return 0;
    _SymInitialize = reinterpret_cast<SymInitializeFn>(GetProcAddress(library, "SymInitialize"));
    if (_SymInitialize == nullptr) return 0;
    _SymCleanup = reinterpret_cast<SymCleanupFn>(GetProcAddress(library, "SymCleanup"));
    if (_SymCleanup == nullptr) return 0;
    _StackWalk = reinterpret_cast<StackWalkFn>(GetProcAddress(library, "StackWalk"));
    if (_StackWalk == nullptr) return 0;
    _SymFunctionTableAccess =
        reinterpret_cast<SymFunctionTableAccessFn>(GetProcAddress(library, "SymFunctionTableAccess"));
    if (_SymFunctionTableAccess == nullptr) return 0;
    _SymGetModuleBase = reinterpret_cast<SymGetModuleBaseFn>(GetProcAddress(library, "SymGetModuleBase"));
    if (_SymGetModuleBase == nullptr) return 0;
    _SymGetSymFromAddr = reinterpret_cast<SymGetSymFromAddrFn>(GetProcAddress(library, "SymGetSymFromAddr"));
    if (_SymGetSymFromAddr == nullptr) return 0;
    return _SymInitialize(GetCurrentProcess(), nullptr, 1) ? 1 : 0;
}

void VRNExceptionHandler::IntelStackWalk(const CONTEXT* context) {
    printf("\nCall Stack:\n");
    printf("Address   Frame     Logical addr  Module\n");

    uintptr_t pc = static_cast<uintptr_t>(context->Rip);
    uintptr_t frame = static_cast<uintptr_t>(context->Rbp);
    // The context's own frame pointer is checked as well before it is read.
    bool readable = UsableFrame(frame);
    for (;;) {
        char module[260];
        module[0] = '\0';
        DWORD section = 0;
        uintptr_t offset = 0;
        GetLogicalAddress(reinterpret_cast<const void*>(pc), module, sizeof module, section, offset);
        printf("%08llX  %08llX  %04X:%08llX %s\n", static_cast<unsigned long long>(pc),
               static_cast<unsigned long long>(frame), section, static_cast<unsigned long long>(offset), module);
        if (!readable) break;
        const auto* words = reinterpret_cast<const uintptr_t*>(frame);
        pc = words[1];
        const uintptr_t next = words[0];
        if (next <= frame || !UsableFrame(next)) break;
        frame = next;
    }
}

void VRNExceptionHandler::ImagehlpStackWalk(CONTEXT* context) {
    printf("\nCall Stack:\n");
    printf("Address   Frame\n");

    STACKFRAME frame{};
    frame.AddrPC.Offset = context->Rip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrStack.Offset = context->Rsp;
    frame.AddrStack.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = context->Rbp;
    frame.AddrFrame.Mode = AddrModeFlat;

    for (;;) {
        if (!_StackWalk(IMAGE_FILE_MACHINE_HOST, GetCurrentProcess(), GetCurrentThread(), &frame, context, nullptr,
                        _SymFunctionTableAccess, _SymGetModuleBase, nullptr)) {
            break;
        }
        if (frame.AddrFrame.Offset == 0) break;
        printf("%08llX  %08llX  ", static_cast<unsigned long long>(frame.AddrPC.Offset),
               static_cast<unsigned long long>(frame.AddrFrame.Offset));

        // A symbol record with room for a 512-character name.
        alignas(IMAGEHLP_SYMBOL) unsigned char buffer[sizeof(IMAGEHLP_SYMBOL) + 512];
        auto* symbol = reinterpret_cast<IMAGEHLP_SYMBOL*>(buffer);
        symbol->SizeOfStruct = sizeof buffer;
        symbol->MaxNameLength = 512;
        uint64_t displacement = 0;
        if (_SymGetSymFromAddr(GetCurrentProcess(), frame.AddrPC.Offset, &displacement, symbol)) {
            printf("%hs+%llX\n", symbol->Name, static_cast<unsigned long long>(displacement));
        } else {
            char module[260];
            module[0] = '\0';
            DWORD section = 0;
            uintptr_t offset = 0;
            GetLogicalAddress(reinterpret_cast<const void*>(frame.AddrPC.Offset), module, sizeof module, section,
                              offset);
            printf("%04X:%08llX %s\n", section, static_cast<unsigned long long>(offset), module);
        }
    }
}

}  // namespace vrn
