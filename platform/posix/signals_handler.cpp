// The unhandled-exception filter on the host's fault signals: installing the
// handlers on an alternate stack, turning a signal delivery into an
// exception record and context, calling the filter and carrying out its
// verdict; the earlier handlers as a filter; software exceptions.
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/signals.h"

namespace vrn {

// Defined with the other signal-safe services (signals_output.cpp,
// signals_images.cpp): things that must be ready before a signal arrives.
void CaptureLocalTimeOffset();
void PrepareMemoryProbe();

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT};

// Room for the report on the alternate stack: formatting buffers, the symbol
// record, section tables and the unwinder's contexts.
constexpr size_t kAltStackSize = 256 * 1024;
alignas(64) unsigned char g_altStack[kAltStackSize];

struct sigaction g_previous[NSIG];
bool g_installed = false;
std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
thread_local int t_handlerDepth = 0;

// A software exception in flight: its address travels with the signal, so
// a SIGABRT that carries it is known to be ours.
struct SoftwareException {
    DWORD code;
    DWORD flags;
    DWORD count;
    uintptr_t arguments[EXCEPTION_MAXIMUM_PARAMETERS];
};
thread_local SoftwareException t_software;

uint16_t LiveSegment(int which) {
    uint16_t value = 0;
    switch (which) {
        case 0: asm volatile("mov %%ds, %0" : "=r"(value)); break;
        case 1: asm volatile("mov %%es, %0" : "=r"(value)); break;
        default: asm volatile("mov %%ss, %0" : "=r"(value)); break;
    }
    return value;
}

bool IsFaultSignal(int sig) { return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE; }

void ContextToSignal(const CONTEXT& c, void* ucontext) {
    greg_t* g = static_cast<ucontext_t*>(ucontext)->uc_mcontext.gregs;
    g[REG_RAX] = static_cast<greg_t>(c.Rax);
    g[REG_RBX] = static_cast<greg_t>(c.Rbx);
    g[REG_RCX] = static_cast<greg_t>(c.Rcx);
    g[REG_RDX] = static_cast<greg_t>(c.Rdx);
    g[REG_RSI] = static_cast<greg_t>(c.Rsi);
    g[REG_RDI] = static_cast<greg_t>(c.Rdi);
    g[REG_RBP] = static_cast<greg_t>(c.Rbp);
    g[REG_RSP] = static_cast<greg_t>(c.Rsp);
    g[REG_RIP] = static_cast<greg_t>(c.Rip);
    g[REG_R8] = static_cast<greg_t>(c.R8);
    g[REG_R9] = static_cast<greg_t>(c.R9);
    g[REG_R10] = static_cast<greg_t>(c.R10);
    g[REG_R11] = static_cast<greg_t>(c.R11);
    g[REG_R12] = static_cast<greg_t>(c.R12);
    g[REG_R13] = static_cast<greg_t>(c.R13);
    g[REG_R14] = static_cast<greg_t>(c.R14);
    g[REG_R15] = static_cast<greg_t>(c.R15);
    g[REG_EFL] = static_cast<greg_t>(c.EFlags);
}

void RestoreDefault(int sig) {
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
}

void OnSignal(int sig, siginfo_t* info, void* ucontext) {
    const int savedErrno = errno;
    EXCEPTION_RECORD record{};
    CONTEXT context{};
    ContextFromSignal(ucontext, &context);
    context.HostSignal = sig;
    context.HostSignalInfo = info;
    context.HostSignalContext = ucontext;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);

    const bool software = sig == SIGABRT && info->si_code == SI_QUEUE &&
                          info->si_pid == static_cast<pid_t>(::getpid()) && info->si_value.sival_ptr == &t_software;
    if (software) {
        record.ExceptionCode = t_software.code;
        record.ExceptionFlags = t_software.flags;
        record.NumberParameters = t_software.count;
        std::memcpy(record.ExceptionInformation, t_software.arguments, sizeof record.ExceptionInformation);
    } else {
        const uintptr_t faultAddress = reinterpret_cast<uintptr_t>(info->si_addr);
        record.ExceptionCode = ExceptionCodeForSignal(sig, info->si_code, faultAddress, context.Rsp);
        if (sig == SIGSEGV || sig == SIGBUS) {
            // Bit 1 of the page-fault error code: the access was a write.
            const greg_t err = static_cast<ucontext_t*>(ucontext)->uc_mcontext.gregs[REG_ERR];
            record.NumberParameters = 2;
            record.ExceptionInformation[0] = (err & 2) ? 1 : 0;
            record.ExceptionInformation[1] = faultAddress;
        }
    }
    EXCEPTION_POINTERS pointers{&record, &context};

    ++t_handlerDepth;
    const LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
    const LONG verdict = filter != nullptr ? filter(&pointers) : EXCEPTION_CONTINUE_SEARCH;
    --t_handlerDepth;

    if (verdict == EXCEPTION_CONTINUE_EXECUTION) {
        ContextToSignal(context, ucontext);
        errno = savedErrno;
        return;
    }
    if (verdict == EXCEPTION_EXECUTE_HANDLER) ::_exit(128 + sig);
    // Continue the search: nothing else handles it, so the signal takes its
    // default action. It is blocked while this handler runs and is delivered
    // as soon as the handler returns.
    RestoreDefault(sig);
    ::raise(sig);
    errno = savedErrno;
}

bool InstallHandlers() {
    CaptureLocalTimeOffset();
    RefreshLoadedImages();
    PrepareMemoryProbe();

    // A report needs room: an alternate stack of this thread that is absent
    // or smaller than ours is replaced.
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_ONSTACK) == 0 &&
        ((current.ss_flags & SS_DISABLE) != 0 || current.ss_size < kAltStackSize)) {
        stack_t ours{};
        ours.ss_sp = g_altStack;
        ours.ss_size = kAltStackSize;
        ours.ss_flags = 0;
        sigaltstack(&ours, nullptr);
    }
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals) sigaction(sig, &action, &g_previous[sig]);
    g_installed = true;

    for (int sig : kSignals) {
        const struct sigaction& p = g_previous[sig];
        if ((p.sa_flags & SA_SIGINFO) != 0 || (p.sa_handler != SIG_DFL && p.sa_handler != SIG_IGN)) return true;
    }
    return false;
}

void RestorePrevious() {
    for (int sig : kSignals) sigaction(sig, &g_previous[sig], nullptr);
    g_installed = false;
}

}  // namespace

bool InSignalHandler() { return t_handlerDepth > 0; }

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    const bool giveBack = filter == nullptr || filter == PreviousSignalHandlers;
    if (!g_installed) {
        if (giveBack) return nullptr;
        const bool hadHandlers = InstallHandlers();
        g_filter.store(filter);
        return hadHandlers ? PreviousSignalHandlers : nullptr;
    }
    const LPTOP_LEVEL_EXCEPTION_FILTER old = g_filter.exchange(giveBack ? nullptr : filter);
    if (giveBack) RestorePrevious();
    return old;
}

LONG PreviousSignalHandlers(EXCEPTION_POINTERS* pointers) {
    CONTEXT* context = pointers->ContextRecord;
    const int sig = context->HostSignal;
    if (sig <= 0 || sig >= NSIG || context->HostSignalContext == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    const struct sigaction& p = g_previous[sig];
    auto* info = static_cast<siginfo_t*>(context->HostSignalInfo);
    if ((p.sa_flags & SA_SIGINFO) == 0) {
        if (p.sa_handler == SIG_DFL) return EXCEPTION_CONTINUE_SEARCH;
        if (p.sa_handler == SIG_IGN) {
            // The kernel does not let a process ignore a fault it raised.
            return (IsFaultSignal(sig) && info != nullptr && info->si_code > 0) ? EXCEPTION_CONTINUE_SEARCH
                                                                                 : EXCEPTION_CONTINUE_EXECUTION;
        }
    }
    // The handler sees the context as the filters before it left it, and
    // whatever it changes is kept.
    ContextToSignal(*context, context->HostSignalContext);
    if ((p.sa_flags & SA_SIGINFO) != 0) {
        p.sa_sigaction(sig, info, context->HostSignalContext);
    } else {
        p.sa_handler(sig);
    }
    const int hostSignal = sig;
    void* hostInfo = context->HostSignalInfo;
    void* hostContext = context->HostSignalContext;
    ContextFromSignal(hostContext, context);
    context->HostSignal = hostSignal;
    context->HostSignalInfo = hostInfo;
    context->HostSignalContext = hostContext;
    return EXCEPTION_CONTINUE_EXECUTION;
}

void RaiseException(DWORD code, DWORD flags, DWORD numberOfArguments, const uintptr_t* arguments) {
    t_software = SoftwareException{};
    t_software.code = code;
    t_software.flags = flags & EXCEPTION_NONCONTINUABLE;
    t_software.count = std::min<DWORD>(numberOfArguments, EXCEPTION_MAXIMUM_PARAMETERS);
    if (arguments != nullptr) std::memcpy(t_software.arguments, arguments, t_software.count * sizeof(uintptr_t));
    sigval value{};
    value.sival_ptr = &t_software;
    pthread_sigqueue(pthread_self(), SIGABRT, value);
}

DWORD ExceptionCodeForSignal(int signal, int signalCode, uintptr_t faultAddress, uintptr_t stackPointer) {
    switch (signal) {
        case SIGSEGV: {
            constexpr uintptr_t kNear = 64 * 1024;
            const bool nearStack = signalCode > 0 && faultAddress + kNear >= stackPointer &&
                                   faultAddress <= stackPointer + kNear;
            return nearStack ? EXCEPTION_STACK_OVERFLOW : EXCEPTION_ACCESS_VIOLATION;
        }
        case SIGBUS:
            return signalCode == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
        case SIGILL:
            return (signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG) ? EXCEPTION_PRIV_INSTRUCTION
                                                                          : EXCEPTION_ILLEGAL_INSTRUCTION;
        case SIGFPE:
            switch (signalCode) {
                case FPE_INTDIV: return EXCEPTION_INT_DIVIDE_BY_ZERO;
                case FPE_INTOVF: return EXCEPTION_INT_OVERFLOW;
                case FPE_FLTDIV: return EXCEPTION_FLT_DIVIDE_BY_ZERO;
                case FPE_FLTOVF: return EXCEPTION_FLT_OVERFLOW;
                case FPE_FLTUND: return EXCEPTION_FLT_UNDERFLOW;
                case FPE_FLTRES: return EXCEPTION_FLT_INEXACT_RESULT;
                case FPE_FLTSUB: return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
                default: return EXCEPTION_FLT_INVALID_OPERATION;
            }
        case SIGTRAP:
            return signalCode == TRAP_TRACE ? EXCEPTION_SINGLE_STEP : EXCEPTION_BREAKPOINT;
        case SIGABRT:
            return EXCEPTION_ABNORMAL_TERMINATION;
        default:
            return EXCEPTION_NONCONTINUABLE_EXCEPTION;
    }
}

void ContextFromSignal(const void* ucontext, CONTEXT* c) {
    const auto* uc = static_cast<const ucontext_t*>(ucontext);
    const greg_t* g = uc->uc_mcontext.gregs;
    *c = CONTEXT{};
    c->Rax = static_cast<uint64_t>(g[REG_RAX]);
    c->Rbx = static_cast<uint64_t>(g[REG_RBX]);
    c->Rcx = static_cast<uint64_t>(g[REG_RCX]);
    c->Rdx = static_cast<uint64_t>(g[REG_RDX]);
    c->Rsi = static_cast<uint64_t>(g[REG_RSI]);
    c->Rdi = static_cast<uint64_t>(g[REG_RDI]);
    c->Rbp = static_cast<uint64_t>(g[REG_RBP]);
    c->Rsp = static_cast<uint64_t>(g[REG_RSP]);
    c->Rip = static_cast<uint64_t>(g[REG_RIP]);
    c->R8 = static_cast<uint64_t>(g[REG_R8]);
    c->R9 = static_cast<uint64_t>(g[REG_R9]);
    c->R10 = static_cast<uint64_t>(g[REG_R10]);
    c->R11 = static_cast<uint64_t>(g[REG_R11]);
    c->R12 = static_cast<uint64_t>(g[REG_R12]);
    c->R13 = static_cast<uint64_t>(g[REG_R13]);
    c->R14 = static_cast<uint64_t>(g[REG_R14]);
    c->R15 = static_cast<uint64_t>(g[REG_R15]);
    c->EFlags = static_cast<uint64_t>(g[REG_EFL]);
    // REG_CSGSFS packs cs, gs, fs and (kernels that save it) ss, 16 bits each.
    const auto segments = static_cast<uint64_t>(g[REG_CSGSFS]);
    c->SegCs = static_cast<uint16_t>(segments & 0xFFFF);
    c->SegGs = static_cast<uint16_t>((segments >> 16) & 0xFFFF);
    c->SegFs = static_cast<uint16_t>((segments >> 32) & 0xFFFF);
    constexpr unsigned long kSavedSs = 0x2;   // UC_SIGCONTEXT_SS
    c->SegSs = (uc->uc_flags & kSavedSs) != 0 ? static_cast<uint16_t>((segments >> 48) & 0xFFFF) : LiveSegment(2);
    c->SegDs = LiveSegment(0);
    c->SegEs = LiveSegment(1);
}

HANDLE GetCurrentProcess() { return static_cast<HANDLE>(-1); }
HANDLE GetCurrentThread() { return static_cast<HANDLE>(-2); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

}  // namespace vrn
