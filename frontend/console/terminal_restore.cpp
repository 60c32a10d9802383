// Putting the terminal back on every way out: the run's end, exit() from
// anywhere, a crash (the console's filter runs before the crash reporter's
// and passes the exception on), a hang-up. Only signal-safe calls.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "frontend/console/console_internal.h"
#include "platform/signals.h"

namespace vrn::console {

namespace detail {
namespace {

struct Saved {
    int fd = -1;
    termios modes{};
    char leave[512] = {};
    size_t leaveLength = 0;
};
Saved g_saved;
volatile sig_atomic_t g_armed = 0;
LPTOP_LEVEL_EXCEPTION_FILTER g_nextFilter = nullptr;

LONG RestoreOnCrash(EXCEPTION_POINTERS* exception) {
    RestoreTerminalNow();
    return g_nextFilter != nullptr ? g_nextFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void RestoreAtExit() { RestoreTerminalNow(); }

}  // namespace

void ArmRestore(int fd, const termios& saved, std::string_view leave) {
    static bool chained = false;
    if (!chained) {
        chained = true;
        std::atexit(RestoreAtExit);
        g_nextFilter = SetUnhandledExceptionFilter(RestoreOnCrash);
    }
    g_armed = 0;
    g_saved.fd = fd;
    g_saved.modes = saved;
    g_saved.leaveLength = std::min(leave.size(), sizeof g_saved.leave);
    std::memcpy(g_saved.leave, leave.data(), g_saved.leaveLength);
    g_armed = 1;
}

void DisarmRestore() { g_armed = 0; }

}  // namespace detail

void RestoreTerminalNow() {
    using detail::g_armed;
    using detail::g_saved;
    if (g_armed == 0) return;
    g_armed = 0;
    size_t done = 0;
    while (done < g_saved.leaveLength) {
        const ssize_t n = ::write(g_saved.fd, g_saved.leave + done, g_saved.leaveLength - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::tcsetattr(g_saved.fd, TCSAFLUSH, &g_saved.modes);
}

}  // namespace vrn::console
