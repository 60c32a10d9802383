// The crashing side of the crash tests. The test program runs itself again
// with VRN_CRASH_SCENARIO set; this file's static object, built after the
// crash reporter's global object and before the test framework starts, then
// runs the scenario, which ends the process through the reporter.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/signals.h"
#include "runtime/strings/strings.h"
#include "tests/runtime/crash/crash_child.h"

namespace vrn::test {

namespace {

// Loads known values into the registers the report names and stores to an
// unmapped address.
[[gnu::noinline]] void CrashByWrite() {
    asm volatile(
        "movabs $0x1111222233334444, %%rax\n\t"
        "movabs $0x5555666677778888, %%rbx\n\t"
        "movabs $0x0123456789ABCDEF, %%rcx\n\t"
        "movabs $0x00000000DEADBEEF, %%rdx\n\t"
        "movabs $0x0000000000000042, %%rsi\n\t"
        "movabs $0x0000000000000010, %%rdi\n\t"
        "movl $1, (%%rdi)\n\t"
        :
        :
        : "rax", "rbx", "rcx", "rdx", "rsi", "rdi", "memory");
}

[[gnu::noinline]] void CrashByDivide() {
    asm volatile(
        "movl $7, %%eax\n\t"
        "xorl %%edx, %%edx\n\t"
        "xorl %%ecx, %%ecx\n\t"
        "idivl %%ecx\n\t"
        :
        :
        : "rax", "rcx", "rdx");
}

volatile uint64_t g_depthLimit = UINT64_MAX;

[[gnu::noinline]] uint64_t RecurseForever(uint64_t depth) {
    volatile char pad[512];
    pad[0] = static_cast<char>(depth);
    if (depth == g_depthLimit) return static_cast<uint64_t>(pad[0]);
    return RecurseForever(depth + 1) + static_cast<uint64_t>(pad[0]);
}

void AppendMarker(const char* fileName, const char* text) {
    const int fd = ::open(fileName, O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) return;
    const ssize_t written = ::write(fd, text, std::strlen(text));
    (void)written;
    ::close(fd);
}

// The handler installed before the crash reporter: it notes that it ran and
// makes the faulting page writable, so that the store can go ahead.
void* g_guardedPage = nullptr;

void EarlyHandler(int, siginfo_t* info, void*) {
    AppendMarker(kPreviousMarker, "previous handler ran\n");
    const auto page = reinterpret_cast<uintptr_t>(info->si_addr) & ~static_cast<uintptr_t>(4095);
    ::mprotect(reinterpret_cast<void*>(page), 4096, PROT_READ | PROT_WRITE);
}

__attribute__((constructor(101))) void InstallEarlyHandler() {
    if (std::getenv(kEarlyHandlerVariable) == nullptr) return;
    struct sigaction action {};
    action.sa_sigaction = EarlyHandler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, nullptr);
}

volatile int g_scenarioDone = 0;

[[gnu::noinline]] void RunScenario(const char* name) {
    if (std::strcmp(name, "write") == 0) {
        CrashByWrite();
    } else if (std::strcmp(name, "divide") == 0) {
        CrashByDivide();
    } else if (std::strcmp(name, "overflow") == 0) {
        RecurseForever(0);
    } else if (std::strcmp(name, "abort") == 0) {
        std::abort();
    } else if (std::strcmp(name, "core") == 0) {
        utcore();
    } else if (std::strcmp(name, "no-imagehlp") == 0) {
        SetImageHelpAvailable(false);
        CrashByWrite();
    } else if (std::strcmp(name, "recover") == 0) {
        g_guardedPage = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        auto* cell = static_cast<volatile int*>(g_guardedPage);
        *cell = 42;   // faults; the earlier handler lets it through
        AppendMarker(kResumedMarker, *cell == 42 ? "resumed with 42\n" : "resumed without the value\n");
        CrashByDivide();
    }
    // Work after the calls keeps them from becoming jumps, so that this
    // frame stays on the stack for the walks to find.
    g_scenarioDone = 1;
}

struct ScenarioRunner {
    ScenarioRunner() {
        const char* name = std::getenv(kScenarioVariable);
        if (name == nullptr) return;
        RunScenario(name);
        ::_exit(kScenarioReturned);
    }
};

ScenarioRunner g_runner __attribute__((init_priority(300)));

}  // namespace

}  // namespace vrn::test
