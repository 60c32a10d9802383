// The terminal's capabilities and key strings from the terminfo database.
#include <cstdlib>

#include "frontend/console/console_internal.h"

// Last: the terminfo header defines every capability's name as a macro.
#include <curses.h>
#include <term.h>

namespace vrn::console::detail {

namespace {

std::string StringCap(const char* name) {
    char* value = tigetstr(name);
    if (value == nullptr || value == reinterpret_cast<char*>(-1)) return {};
    return value;
}

}  // namespace

bool LoadTerminfo(int fd, TermCaps& caps, std::string& error) {
    int status = 0;
    if (setupterm(nullptr, fd, &status) != OK) {
        const char* term = std::getenv("TERM");
        error = std::string("the terminal type ") + (term != nullptr && *term != '\0' ? term : "(TERM is not set)") +
                " is not in the terminfo database";
        return false;
    }
    caps.cup = StringCap("cup");
    if (caps.cup.empty()) {
        error = std::string("the terminal ") + (std::getenv("TERM") ? std::getenv("TERM") : "") +
                " cannot place the cursor";
        return false;
    }
    caps.sgr0 = StringCap("sgr0");
    caps.setaf = StringCap("setaf");
    caps.setab = StringCap("setab");
    caps.bold = StringCap("bold");
    caps.rev = StringCap("rev");
    caps.civis = StringCap("civis");
    caps.cnorm = StringCap("cnorm");
    caps.smcup = StringCap("smcup");
    caps.rmcup = StringCap("rmcup");
    caps.smkx = StringCap("smkx");
    caps.rmkx = StringCap("rmkx");
    caps.clear = StringCap("clear");
    caps.bel = StringCap("bel");
    caps.colours = tigetnum("colors");
    if (caps.colours < 0 || caps.setaf.empty() || caps.setab.empty()) caps.colours = 0;
    const std::pair<const char*, KeyCode> keys[] = {
        {"kcuu1", KeyCode::Up},     {"kcud1", KeyCode::Down},     {"kcub1", KeyCode::Left},
        {"kcuf1", KeyCode::Right},  {"khome", KeyCode::Home},     {"kend", KeyCode::End},
        {"kpp", KeyCode::PageUp},   {"knp", KeyCode::PageDown},   {"kdch1", KeyCode::Delete},
        {"kcbt", KeyCode::BackTab}, {"kf1", KeyCode::F1},         {"kf2", KeyCode::F2},
        {"kbs", KeyCode::Backspace},
    };
    for (const auto& [name, code] : keys) {
        std::string sequence = StringCap(name);
        if (!sequence.empty()) caps.keys.emplace_back(std::move(sequence), code);
    }
    return true;
}

std::string Parameterised(const std::string& capability, int first, int second) {
    if (capability.empty()) return {};
    const char* out = tiparm(capability.c_str(), first, second);
    return out != nullptr ? out : std::string();
}

}  // namespace vrn::console::detail
