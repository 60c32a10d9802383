// The tests' terminal: tmux run as a child process for every request.
#include "tests/frontend/tmux_terminal.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace vrn::test {

namespace {

constexpr const char* kTmux = "/usr/bin/tmux";

}  // namespace

TmuxTerminal::TmuxTerminal(const std::string& directory)
    : socket_(directory + "/tmux.socket"), config_(directory + "/tmux.conf") {
    // No status line, so that the window is the whole 80 x 25; the pane
    // stays after its command so that what it left can be read.
    std::ofstream(config_) << "set -g default-terminal tmux-256color\n"
                              "set -g status off\n"
                              "set -g remain-on-exit on\n";
}

TmuxTerminal::~TmuxTerminal() { Run({"kill-server"}); }

bool TmuxTerminal::Available() { return ::access(kTmux, X_OK) == 0; }

std::string TmuxTerminal::Run(std::vector<std::string> arguments, int* status) {
    // The server that a new session starts keeps the descriptors of the
    // client that started it: its output is not read.
    const bool starts = arguments.front() == "new-session";
    arguments.insert(arguments.begin(), {kTmux, "-u", "-S", socket_, "-f", config_});
    int out[2];
    if (::pipe(out) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::unsetenv("TMUX");
        const int in = ::open("/dev/null", O_RDWR);
        ::dup2(in, 0);
        ::dup2(starts ? in : out[1], 1);
        ::dup2(in, 2);
        ::close(out[0]);
        ::close(out[1]);
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(kTmux, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    ::close(out[0]);
    int wait = 0;
    ::waitpid(pid, &wait, 0);
    if (status != nullptr) *status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return text;
}

bool TmuxTerminal::Start(const std::string& command, int columns, int rows) {
    int status = -1;
    Run({"new-session", "-d", "-x", std::to_string(columns), "-y", std::to_string(rows), "-s", "t", command},
        &status);
    return status == 0;
}

std::string TmuxTerminal::Screen() { return Run({"capture-pane", "-p", "-t", "t"}); }

bool TmuxTerminal::WaitFor(const std::string& text, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (Screen().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return false;
}

bool TmuxTerminal::WaitForGone(const std::string& text, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (Screen().find(text) == std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return false;
}

void TmuxTerminal::Keys(const std::vector<std::string>& keys) {
    std::vector<std::string> arguments = {"send-keys", "-t", "t"};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    Run(arguments);
}

void TmuxTerminal::Type(const std::string& text) { Run({"send-keys", "-t", "t", "-l", text}); }

std::string TmuxTerminal::Format(const std::string& format) {
    std::string text = Run({"display-message", "-p", "-t", "t", format});
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace vrn::test
