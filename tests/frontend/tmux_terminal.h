// A real terminal for the installer's tests: a tmux server of its own with
// one 80 x 25 window running a command, its screen read back as text, keys
// sent to it by their names.
#pragma once

#include <string>
#include <vector>

namespace vrn::test {

class TmuxTerminal {
public:
    // The server's socket and configuration go into `directory`.
    explicit TmuxTerminal(const std::string& directory);
    ~TmuxTerminal();
    TmuxTerminal(const TmuxTerminal&) = delete;
    TmuxTerminal& operator=(const TmuxTerminal&) = delete;

    // Whether tmux can be run here.
    static bool Available();
    // Starts the command (a shell command line) in a window of the size.
    bool Start(const std::string& command, int columns = 80, int rows = 25);
    // The window's text, row by row.
    std::string Screen();
    // Waits until the text is on the screen (or gone); false after the time.
    bool WaitFor(const std::string& text, int timeoutMs = 15000);
    bool WaitForGone(const std::string& text, int timeoutMs = 15000);
    // Sends keys by tmux's names (Down, Enter, Space, C-c, ...), or text as it is.
    void Keys(const std::vector<std::string>& keys);
    void Type(const std::string& text);
    // A tmux format of the window's pane (#{alternate_on}, #{cursor_flag}, ...).
    std::string Format(const std::string& format);

private:
    std::string Run(std::vector<std::string> arguments, int* status = nullptr);
    std::string socket_;
    std::string config_;
};

}  // namespace vrn::test
