// The platform's image-help library: a stack walk over the toolchain's
// unwinder (which follows the call-frame information of every image, and
// through the signal frame into the code that faulted) and symbol lookup in
// the images' own symbol tables. All of it is signal-safe: the unwinder
// finds frame information without locks, and symbols are read from the
// image files with plain system calls.
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/posix/posix_internal.h"
#include "platform/signals.h"

extern "C" {
struct dwarf_eh_bases {
    void* tbase;
    void* dbase;
    void* func;
};
// The unwinder's frame-information lookup (exported by the toolchain's
// unwinding library).
const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);
}

namespace vrn {

namespace {

std::atomic<bool> g_available{true};
std::atomic<bool> g_initialized{false};

// The image-help library's module handle: the address of its export table.
struct Export {
    const char* name;
    FARPROC proc;
};

// ---- Stack walk ------------------------------------------------------------

constexpr int kMaxFrames = 256;

struct Frame {
    uintptr_t ip;
    uintptr_t cfa;   // the frame's stack pointer where it called or faulted
    bool exact;   // the ip of a frame that was interrupted, not a return address
};

// The frames of the walk in progress, from the walker's own frame outwards.
Frame g_frames[kMaxFrames];
int g_frameCount = 0;
uint64_t g_walkId = 0;

_Unwind_Reason_Code Collect(_Unwind_Context* context, void*) {
    if (g_frameCount >= kMaxFrames) return _URC_END_OF_STACK;
    int before = 0;
    const uintptr_t ip = _Unwind_GetIPInfo(context, &before);
    // A frame that returns nowhere is the end of the chain.
    if (ip == 0) return _URC_END_OF_STACK;
    // At this point the unwinder's frame address is still the one of the
    // frame called from here: this frame's stack pointer at the call (or,
    // for the interrupted frame, at the fault).
    g_frames[g_frameCount++] = Frame{ip, _Unwind_GetCFA(context), before != 0};
    return _URC_NO_REASON;
}

void SetFlat(ADDRESS& a, uint64_t offset) {
    a.Offset = offset;
    a.Segment = 0;
    a.Mode = AddrModeFlat;
}

BOOL WalkStep(DWORD machineType, HANDLE, HANDLE, STACKFRAME* frame, void* contextRecord,
              PREAD_PROCESS_MEMORY_ROUTINE, PFUNCTION_TABLE_ACCESS_ROUTINE, PGET_MODULE_BASE_ROUTINE,
              PTRANSLATE_ADDRESS_ROUTINE) {
    if (machineType != IMAGE_FILE_MACHINE_HOST || frame == nullptr || contextRecord == nullptr) return 0;
    const auto* context = static_cast<const CONTEXT*>(contextRecord);
    // Reserved[0]: 0 before the first step, then 1 + the index of the next
    // frame to give; Reserved[1]: the walk the indices belong to.
    if (frame->Reserved[0] == 0) {
        g_frameCount = 0;
        _Unwind_Backtrace(Collect, nullptr);
        ++g_walkId;
        // The context's frame: the one interrupted at exactly its pc (a
        // signal frame) or, for a context taken at a call, the frame that
        // returns there.
        int start = -1;
        for (int i = 0; i < g_frameCount && start < 0; ++i) {
            if (g_frames[i].exact && g_frames[i].ip == context->Rip) start = i;
        }
        for (int i = 0; i < g_frameCount && start < 0; ++i) {
            if (g_frames[i].ip == context->Rip) start = i;
        }
        SetFlat(frame->AddrPC, context->Rip);
        SetFlat(frame->AddrStack, context->Rsp);
        if (start < 0) {
            // Not on this thread's stack: only the context's own frame is known.
            SetFlat(frame->AddrFrame, context->Rbp);
            SetFlat(frame->AddrReturn, 0);
            frame->Reserved[0] = static_cast<uint64_t>(kMaxFrames) + 1;
        } else {
            SetFlat(frame->AddrFrame, g_frames[start].cfa);
            SetFlat(frame->AddrReturn, start + 1 < g_frameCount ? g_frames[start + 1].ip : 0);
            frame->Reserved[0] = static_cast<uint64_t>(start) + 2;
        }
        frame->Reserved[1] = g_walkId;
        return 1;
    }
    if (frame->Reserved[1] != g_walkId) return 0;
    const uint64_t next = frame->Reserved[0] - 1;
    if (next >= static_cast<uint64_t>(g_frameCount)) return 0;
    const Frame& f = g_frames[next];
    SetFlat(frame->AddrPC, f.ip);
    SetFlat(frame->AddrFrame, f.cfa);
    SetFlat(frame->AddrStack, next > 0 ? g_frames[next - 1].cfa : 0);
    SetFlat(frame->AddrReturn, next + 1 < static_cast<uint64_t>(g_frameCount) ? g_frames[next + 1].ip : 0);
    frame->Reserved[0] = next + 2;
    return 1;
}

// ---- Symbols -------------------------------------------------------------------


// Finds the symbol table (the full one, else the dynamic one) of an image.
bool FindSymbolTable(const LoadedImage& image, ImageSection& symbols, ImageSection& names) {
    constexpr int kChunk = 32;
    ImageSection chunk[kChunk];
    bool haveDynamic = false;
    ImageSection dynamic{};
    for (uint32_t first = 0;; first += kChunk) {
        const int total = ReadImageSections(image, first, chunk, kChunk);
        if (total < 0) return false;
        const int got = static_cast<int>(std::min<int64_t>(kChunk, static_cast<int64_t>(total) - first));
        for (int i = 0; i < got; ++i) {
            if (chunk[i].type == SHT_SYMTAB) {
                symbols = chunk[i];
                goto found;
            }
            if (chunk[i].type == SHT_DYNSYM && !haveDynamic) {
                dynamic = chunk[i];
                haveDynamic = true;
            }
        }
        if (static_cast<int64_t>(first) + kChunk >= total) break;
    }
    if (!haveDynamic) return false;
    symbols = dynamic;
found:
    if (symbols.entrySize != sizeof(Elf64_Sym)) return false;
    return ReadImageSections(image, symbols.link, &names, 1) > static_cast<int>(symbols.link);
}

BOOL SymFromAddr(HANDLE, uint64_t address, uint64_t* displacement, IMAGEHLP_SYMBOL* symbol) {
    if (symbol == nullptr || symbol->SizeOfStruct < sizeof(IMAGEHLP_SYMBOL)) return 0;
    LoadedImage image{};
    if (!FindLoadedImage(static_cast<uintptr_t>(address), &image)) return 0;
    ImageSection symbols{};
    ImageSection names{};
    if (!FindSymbolTable(image, symbols, names)) return 0;
    const int fd = ::open(image.fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const uint64_t target = address - image.base;
    // The nearest function or object at or below the address; one whose size
    // covers the address wins over one that merely precedes it.
    bool found = false, covering = false;
    Elf64_Sym best{};
    constexpr size_t kChunk = 128;
    Elf64_Sym chunk[kChunk];
    const uint64_t count = symbols.size / sizeof(Elf64_Sym);
    for (uint64_t i = 0; i < count; i += kChunk) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, count - i));
        if (!host::ReadFullyAt(fd, chunk, n * sizeof(Elf64_Sym), symbols.fileOffset + i * sizeof(Elf64_Sym))) break;
        for (size_t k = 0; k < n; ++k) {
            const Elf64_Sym& s = chunk[k];
            const int type = ELF64_ST_TYPE(s.st_info);
            if ((type != STT_FUNC && type != STT_OBJECT) || s.st_shndx == SHN_UNDEF || s.st_value > target) continue;
            const bool covers = target < s.st_value + s.st_size;
            if (covering && !covers) continue;
            if (!found || (covers && !covering) || s.st_value > best.st_value) {
                best = s;
                found = true;
                covering = covers;
            }
        }
    }
    bool named = false;
    if (found && best.st_name < names.size) {
        const DWORD room = symbol->MaxNameLength;   // Name holds room + 1 characters
        char* out = symbol->Name;
        DWORD used = 0;
        char piece[64];
        uint64_t at = names.fileOffset + best.st_name;
        bool ended = false;
        while (!ended && used < room) {
            const ssize_t got = ::pread(fd, piece, sizeof piece, static_cast<off_t>(at));
            if (got <= 0) break;
            for (ssize_t k = 0; k < got && used < room; ++k) {
                if (piece[k] == '\0') {
                    ended = true;
                    break;
                }
                out[used++] = piece[k];
            }
            at += static_cast<uint64_t>(got);
        }
        out[used] = '\0';
        named = used > 0;
    }
    ::close(fd);
    if (!named) return 0;
    symbol->Address = image.base + best.st_value;
    symbol->Size = static_cast<DWORD>(best.st_size);
    symbol->Flags = 0;
    if (displacement != nullptr) *displacement = target - best.st_value;
    return 1;
}

BOOL SymInit(HANDLE, const char*, BOOL) {
    LoadedImage image{};
    // Symbols are read from the images on demand; the library is usable
    // when the program's own image can be found.
    const bool ok = FindLoadedImage(reinterpret_cast<uintptr_t>(&SymInit), &image);
    g_initialized.store(ok);
    return ok ? 1 : 0;
}

BOOL SymClean(HANDLE) {
    const bool was = g_initialized.exchange(false);
    return was ? 1 : 0;
}

void* FunctionTableAccess(HANDLE, uint64_t address) {
    dwarf_eh_bases bases{};
    return const_cast<void*>(_Unwind_Find_FDE(reinterpret_cast<void*>(address), &bases));
}

uint64_t ModuleBase(HANDLE, uint64_t address) {
    LoadedImage image{};
    return FindLoadedImage(static_cast<uintptr_t>(address), &image) ? image.base : 0;
}

const Export kExports[] = {
    {"SymInitialize", reinterpret_cast<FARPROC>(&SymInit)},
    {"SymCleanup", reinterpret_cast<FARPROC>(&SymClean)},
    {"StackWalk", reinterpret_cast<FARPROC>(&WalkStep)},
    {"SymFunctionTableAccess", reinterpret_cast<FARPROC>(&FunctionTableAccess)},
    {"SymGetModuleBase", reinterpret_cast<FARPROC>(&ModuleBase)},
    {"SymGetSymFromAddr", reinterpret_cast<FARPROC>(&SymFromAddr)},
};

bool SameNameNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(*a) != lower(*b)) return false;
        if (*a == '\0') return true;
    }
}

}  // namespace

HMODULE LoadLibraryA(const char* name) {
    if (name == nullptr || !g_available.load() || !SameNameNoCase(name, "IMAGEHLP.DLL")) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return const_cast<Export*>(kExports);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    if (module != static_cast<const void*>(kExports) || name == nullptr) return nullptr;
    for (const Export& e : kExports) {
        if (std::strcmp(e.name, name) == 0) return e.proc;
    }
    return nullptr;
}

void SetImageHelpAvailable(bool available) { g_available.store(available); }

}  // namespace vrn
