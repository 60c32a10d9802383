// Process-level services on the host: environment, time and time zone,
// console output and input, the interrupt signal, running a command line
// through the host's command processor, process identity and exit.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/system.h"

extern char** environ;

namespace vrn {

namespace {

void WriteAll(int fd, std::string_view text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

InterruptHandler g_interrupt = nullptr;

void CallHandler(int signal) {
    if (g_interrupt != nullptr) g_interrupt(signal);
}

}  // namespace

const InterruptHandler INTERRUPT_ERROR = reinterpret_cast<InterruptHandler>(static_cast<intptr_t>(-1));

const char* GetEnv(const char* name) { return name ? std::getenv(name) : nullptr; }

void SetEnv(const char* name, const char* value) {
    if (name == nullptr) return;
    if (value == nullptr)
        ::unsetenv(name);
    else
        ::setenv(name, value, 1);
}

int64_t CurrentTime() { return static_cast<int64_t>(std::time(nullptr)); }

bool LocalTime(int64_t t, std::tm& out) {
    const time_t tt = static_cast<time_t>(t);
    if (static_cast<int64_t>(tt) != t) return false;
    return ::localtime_r(&tt, &out) != nullptr;
}

int64_t MakeLocalTime(std::tm& tm) { return static_cast<int64_t>(std::mktime(&tm)); }

std::string AscTime(const std::tm& tm) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = tm.tm_wday >= 0 && tm.tm_wday < 7 ? days[tm.tm_wday] : "???";
    const char* month = tm.tm_mon >= 0 && tm.tm_mon < 12 ? months[tm.tm_mon] : "???";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", day, month, tm.tm_mday, tm.tm_hour,
                  tm.tm_min, tm.tm_sec, 1900 + tm.tm_year);
    return buffer;
}

void SetTimeZone(const char* tz) {
    // The host's own rule, remembered at the first change.
    static bool saved = false;
    static std::optional<std::string> original;
    if (!saved) {
        if (const char* now = std::getenv("TZ")) original = now;
        saved = true;
    }
    if (tz != nullptr)
        ::setenv("TZ", tz, 1);
    else if (original)
        ::setenv("TZ", original->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

void ConsoleWrite(std::string_view text) { WriteAll(1, text); }

void ConsoleError(std::string_view text) { WriteAll(2, text); }

bool HaveConsole() { return ::isatty(0) && ::isatty(1); }

bool ConsoleReadLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        char c;
        const ssize_t n = ::read(0, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return any;
        any = true;
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

InterruptHandler SetInterruptHandler(InterruptHandler handler) {
    struct sigaction action {};
    struct sigaction previous {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = handler != nullptr ? CallHandler : SIG_DFL;
    if (::sigaction(SIGINT, &action, &previous) != 0) return INTERRUPT_ERROR;
    const InterruptHandler old = previous.sa_handler == CallHandler ? g_interrupt : nullptr;
    g_interrupt = handler;
    return old;
}

void IgnoreInterrupt() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &action, nullptr);
}

int RunCommand(const char* commandLine) {
    if (commandLine == nullptr) return ::access("/bin/sh", X_OK) == 0 ? 1 : 0;
    vrn::fflush(nullptr);
    pid_t pid = 0;
    char shell[] = "/bin/sh";
    char flag[] = "-c";
    std::string command = commandLine;
    char* argv[] = {shell, flag, command.data(), nullptr};
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

int RunTextEditor(const char* path) {
    const char* editor = GetEnv("VISUAL");
    if (editor == nullptr || *editor == '\0') editor = GetEnv("EDITOR");
    if (editor == nullptr || *editor == '\0') editor = "more";
    // The editor's text is a command of its own (it may carry options); the
    // file's host path follows it as one quoted word.
    std::string command = editor;
    command += " '";
    for (const char c : HostPath(path != nullptr ? path : "")) {
        if (c == '\'') command += "'\\''";
        else command += c;
    }
    command += "'";
    return RunCommand(command.c_str());
}

uint32_t ProcessId() { return static_cast<uint32_t>(::getpid()); }

void ExitProcess(int status) {
    vrn::fflush(nullptr);
    std::exit(status);
}

}  // namespace vrn
