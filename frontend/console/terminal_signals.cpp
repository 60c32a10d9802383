// The signals the console listens to. A handler only notes the signal and
// writes a byte to a pipe that the key reader waits on, so that every answer
// (redrawing, asking whether to quit, ending the run) is given outside the
// handler, where drawing and the engine's dialogs are safe.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "frontend/console/console_internal.h"

namespace vrn::console {

namespace detail {
namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_resize = 0;
volatile sig_atomic_t g_interrupt = 0;
volatile sig_atomic_t g_hangup = 0;

void Announce() {
    if (g_pipe[1] < 0) return;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void OnResize(int) {
    g_resize = 1;
    Announce();
}

// The terminal went away or the run is asked to end: the terminal is put
// back at once, in case the run is busy for a while before it sees this.
void OnHangup(int) {
    g_hangup = 1;
    RestoreTerminalNow();
    Announce();
}

void Catch(int signal, void (*handler)(int)) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

void ListenToSignals() {
    if (g_pipe[0] >= 0) return;
    if (::pipe(g_pipe) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    Catch(SIGWINCH, OnResize);
    Catch(SIGHUP, OnHangup);
    Catch(SIGTERM, OnHangup);
    // A reader that went away must not end the process before the terminal
    // is put back.
    Catch(SIGPIPE, SIG_IGN);
}

int SignalPipe() { return g_pipe[0]; }

void DrainSignalPipe() {
    char bytes[64];
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

bool TakeResize() {
    if (g_resize == 0) return false;
    g_resize = 0;
    return true;
}

bool TakeInterrupt() {
    if (g_interrupt == 0) return false;
    g_interrupt = 0;
    return true;
}

bool HangupNoted() { return g_hangup != 0; }

}  // namespace detail

void NoteInterrupt(int) {
    detail::g_interrupt = 1;
    detail::Announce();
}

}  // namespace vrn::console
