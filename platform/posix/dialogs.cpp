// Message boxes and beeps through the installed dialog handler. The default
// handler is a console dialog on the controlling terminal: it prints the
// title, the text and the buttons with their keys, and waits for a key.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace vrn {

namespace {

struct Button {
    char key;
    const char* label;
    int result;
};

std::vector<Button> ButtonsOf(uint32_t style) {
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{'o', "OK", IDOK}, {'c', "Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{'a', "Abort", IDABORT}, {'r', "Retry", IDRETRY}, {'i', "Ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{'y', "Yes", IDYES}, {'n', "No", IDNO}, {'c', "Cancel", IDCANCEL}};
    case MB_YESNO: return {{'y', "Yes", IDYES}, {'n', "No", IDNO}};
    case MB_RETRYCANCEL: return {{'r', "Retry", IDRETRY}, {'c', "Cancel", IDCANCEL}};
    default: return {{'o', "OK", IDOK}};
    }
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

class ConsoleDialog : public DialogHandler {
public:
    int Show(HWND, std::string_view text, std::string_view title, uint32_t style) override {
        const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (tty < 0) return 0;   // no terminal: the box cannot be shown
        const std::vector<Button> buttons = ButtonsOf(style);
        const size_t defaultIndex = (style & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
        std::string out = "\n";
        const char* icon = "";
        switch (style & MB_ICONMASK) {
        case MB_ICONHAND: icon = "[X] "; break;
        case MB_ICONQUESTION: icon = "[?] "; break;
        case MB_ICONEXCLAMATION: icon = "[!] "; break;
        case MB_ICONASTERISK: icon = "[i] "; break;
        default: break;
        }
        out += "== " + std::string(icon) + std::string(title) + " ==\n";
        out += std::string(text) + "\n\n";
        for (size_t i = 0; i < buttons.size(); ++i) {
            out += "  [" + std::string(1, static_cast<char>(std::toupper(buttons[i].key))) + "] " + buttons[i].label;
            if (i == defaultIndex) out += " (Enter)";
        }
        out += "\n";

        // Keys are taken one at a time, without echo, from the moment the
        // box is on the screen.
        termios saved {};
        const bool raw = ::tcgetattr(tty, &saved) == 0;
        if (raw) {
            termios t = saved;
            t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
            t.c_cc[VMIN] = 1;
            t.c_cc[VTIME] = 0;
            ::tcsetattr(tty, TCSANOW, &t);
        }
        WriteAll(tty, out);
        int result = 0;
        while (result == 0) {
            char c = 0;
            const ssize_t n = ::read(tty, &c, 1);
            if (n <= 0) break;   // the terminal went away: not answered
            if (c == '\n' || c == '\r') {
                result = buttons[defaultIndex].result;
                break;
            }
            if (c == 0x1B) {   // Escape answers Cancel where there is one
                for (const Button& b : buttons)
                    if (b.result == IDCANCEL) result = IDCANCEL;
                continue;
            }
            for (const Button& b : buttons)
                if (std::tolower(static_cast<unsigned char>(c)) == b.key) result = b.result;
        }
        if (raw) ::tcsetattr(tty, TCSANOW, &saved);
        WriteAll(tty, "\n");
        ::close(tty);
        return result;
    }

    void Beep(uint32_t) override {
        const int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (tty < 0) return;
        WriteAll(tty, "\a");
        ::close(tty);
    }
};

ConsoleDialog g_console;
DialogHandler* g_handler = &g_console;

}  // namespace

DialogHandler* SetDialogHandler(DialogHandler* handler) {
    DialogHandler* previous = g_handler;
    g_handler = handler != nullptr ? handler : &g_console;
    return previous;
}

int MessageBox(HWND owner, const char* text, const char* title, uint32_t style) {
    return g_handler->Show(owner, text ? text : "", title ? title : "Error", style);
}

int MessageBeep(uint32_t type) {
    g_handler->Beep(type);
    return 1;
}

}  // namespace vrn
