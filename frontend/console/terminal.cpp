// The terminal: raw keys and the installer's own screen while the run lasts,
// the grid shown through the terminfo capabilities (only what changed is
// sent), and everything put back afterwards.
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "frontend/console/console_internal.h"

namespace vrn::console {

namespace {

// Text-mode adapter colour order to the terminal's (ANSI) order.
constexpr int kAnsiColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

void WriteAll(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(1, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;   // the terminal went away; the key reader will tell
        done += static_cast<size_t>(n);
    }
}

// Whether the user's locale speaks UTF-8. The engine's own character rules
// keep the locale they have: it is only looked at here.
bool LocaleIsUtf8() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = current != nullptr ? current : "C";
    if (std::setlocale(LC_CTYPE, "") == nullptr) return false;
    const std::string codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    return codeset == "UTF-8" || codeset == "utf8";
}

termios g_found{};

}  // namespace

std::unique_ptr<Terminal> Terminal::Open(std::string& error) {
    if (::isatty(0) == 0 || ::isatty(1) == 0) {
        error = "standard input and output are not a terminal";
        return nullptr;
    }
    detail::TermCaps caps;
    if (!detail::LoadTerminfo(1, caps, error)) return nullptr;
    if (::tcgetattr(0, &g_found) != 0) {
        error = std::string("the terminal's modes cannot be read: ") + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<Terminal> terminal(new Terminal());
    Terminal& t = *terminal;
    t.unicode_ = LocaleIsUtf8();
    t.cup_ = caps.cup;
    t.sgr0_ = caps.sgr0;
    t.setaf_ = caps.setaf;
    t.setab_ = caps.setab;
    t.bold_ = caps.bold;
    t.rev_ = caps.rev;
    t.civis_ = caps.civis;
    t.cnorm_ = caps.cnorm;
    t.smcup_ = caps.smcup;
    t.rmcup_ = caps.rmcup;
    t.smkx_ = caps.smkx;
    t.rmkx_ = caps.rmkx;
    t.clear_ = caps.clear;
    t.bel_ = caps.bel.empty() ? std::string("\a") : caps.bel;
    t.colours_ = caps.colours;
    for (auto& [sequence, code] : caps.keys) t.decoder_.AddSequence(sequence, code);
    detail::ListenToSignals();
    t.QuerySize();
    t.Enter();
    return terminal;
}

Terminal::~Terminal() { Restore(); }

void Terminal::Enter() {
    termios raw = g_found;
    // Keys one at a time and unechoed; Ctrl-C still raises the interrupt
    // signal, so that it is seen while the engine works. The suspend and
    // quit characters are switched off: a stopped or dumped installer would
    // leave the terminal in this state.
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_lflag |= ISIG;
    raw.c_cc[VSUSP] = _POSIX_VDISABLE;
    raw.c_cc[VQUIT] = _POSIX_VDISABLE;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(0, TCSANOW, &raw);
    const std::string leave = sgr0_ + rmkx_ + rmcup_ + cnorm_;
    detail::ArmRestore(0, g_found, leave);
    WriteAll(smcup_ + smkx_ + civis_ + sgr0_ + clear_);
    active_ = true;
    fullRedraw_ = true;
}

void Terminal::Restore() {
    if (!active_) return;
    active_ = false;
    RestoreTerminalNow();
}

void Terminal::Suspend() { Restore(); }

void Terminal::Resume() {
    if (active_) return;
    QuerySize();
    Enter();
}

void Terminal::QuerySize() {
    winsize size{};
    if (::ioctl(1, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
        rows_ = size.ws_row;
        columns_ = size.ws_col;
    }
}

void Terminal::Beep() {
    if (active_) WriteAll(bel_);
}

std::string Terminal::Attribute(uint32_t attribute) const {
    const int foreground = static_cast<int>(attribute & 7);
    const bool bright = (attribute & 8) != 0;
    const int background = static_cast<int>((attribute >> 4) & 7);
    std::string out = sgr0_;
    // Grey on black is the terminal's own colours.
    if (attribute == ATTR_NORMAL) return out;
    if (colours_ >= 8) {
        if (bright && colours_ >= 16) {
            out += detail::Parameterised(setaf_, 8 + kAnsiColour[foreground]);
        } else {
            if (bright) out += bold_;
            if (foreground != 7 || background != 0) out += detail::Parameterised(setaf_, kAnsiColour[foreground]);
        }
        if (background != 0 || foreground != 7) out += detail::Parameterised(setab_, kAnsiColour[background]);
    } else {
        if (background != 0) out += rev_;
        if (bright) out += bold_;
    }
    return out;
}

void Terminal::Render(const CellGrid& grid) {
    if (!active_ || detail::HangupNoted()) return;
    std::string out;
    if (shownRows_ != rows_ || shownColumns_ != columns_) fullRedraw_ = true;
    if (fullRedraw_) {
        out += sgr0_ + clear_;
        shown_.assign(static_cast<size_t>(rows_) * static_cast<size_t>(columns_), Cell{});
        shownRows_ = rows_;
        shownColumns_ = columns_;
        fullRedraw_ = false;
    }
    std::vector<Cell> wanted(shown_.size(), Cell{});
    if (TooSmall()) {
        // Nothing of the page fits: say so, and wait for a larger terminal.
        const std::string text = "The terminal has " + std::to_string(columns_) + " x " + std::to_string(rows_) +
                                 " cells; the installation needs " + std::to_string(PAGE_COLUMNS) + " x " +
                                 std::to_string(PAGE_MIN_ROWS) + ". Enlarge it, or press Ctrl-C to quit.";
        for (size_t i = 0; i < text.size() && i < wanted.size(); ++i)
            wanted[i] = Cell{static_cast<uint8_t>(text[i]), ATTR_BRIGHT};
    } else {
        const int left = (columns_ - grid.Columns()) / 2;
        for (int row = 0; row < rows_ && row < grid.Rows(); ++row)
            for (int column = 0; column < grid.Columns(); ++column)
                wanted[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column + left)] =
                    grid.At(row, column);
    }
    uint32_t attribute = 0xFFFFFFFF;
    int atRow = -1, atColumn = -1;
    for (int row = 0; row < rows_; ++row) {
        for (int column = 0; column < columns_; ++column) {
            // The last cell would scroll a terminal with automatic margins.
            if (row == rows_ - 1 && column == columns_ - 1) continue;
            const size_t i = static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column);
            if (wanted[i] == shown_[i]) continue;
            if (row != atRow || column != atColumn) out += detail::Parameterised(cup_, row, column);
            if (wanted[i].attribute != attribute) {
                attribute = wanted[i].attribute;
                out += Attribute(attribute);
            }
            out += CellGlyph(wanted[i].character, unicode_);
            shown_[i] = wanted[i];
            atRow = row;
            atColumn = column + 1;
        }
    }
    if (attribute != 0xFFFFFFFF) out += sgr0_;
    if (!TooSmall() && grid.CursorVisible()) {
        const int left = (columns_ - grid.Columns()) / 2;
        out += detail::Parameterised(cup_, grid.CursorRow(), grid.CursorColumn() + left) + cnorm_;
    } else {
        out += civis_;
    }
    WriteAll(out);
}

Key Terminal::Read(int timeoutMs) {
    for (;;) {
        if (detail::HangupNoted()) return Key{KeyCode::Hangup, 0};
        if (detail::TakeInterrupt()) return Key{KeyCode::Interrupt, 0};
        if (detail::TakeResize()) {
            QuerySize();
            fullRedraw_ = true;
            return Key{KeyCode::Resize, 0};
        }
        Key key;
        if (decoder_.Next(key, false)) return key;
        pollfd fds[2] = {{0, POLLIN, 0}, {detail::SignalPipe(), POLLIN, 0}};
        // The rest of a key string follows at once; a lone Escape does not.
        const int wait = decoder_.Pending() ? 40 : timeoutMs;
        const int ready = ::poll(fds, fds[1].fd >= 0 ? 2 : 1, wait);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Key{KeyCode::Hangup, 0};
        }
        if (ready == 0) {
            if (decoder_.Pending()) {
                if (decoder_.Next(key, true)) return key;
                continue;
            }
            return Key{};
        }
        if ((fds[1].revents & POLLIN) != 0) detail::DrainSignalPipe();
        if ((fds[0].revents & POLLIN) != 0) {
            char bytes[256];
            const ssize_t n = ::read(0, bytes, sizeof bytes);
            if (n > 0) decoder_.Feed(std::string_view(bytes, static_cast<size_t>(n)));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN)) return Key{KeyCode::Hangup, 0};
        } else if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return Key{KeyCode::Hangup, 0};
        }
    }
}

Key Terminal::Next() {
    for (;;) {
        const Key key = Read(-1);
        if (key.code != KeyCode::None) return key;
    }
}

Key Terminal::Poll() { return Read(0); }

}  // namespace vrn::console
