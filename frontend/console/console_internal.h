// What the console's own files share: the terminal's capabilities from the
// terminfo database, and the signals the console listens to.
#pragma once

#include <termios.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frontend/console/console.h"

namespace vrn::console::detail {

// The capability strings the console uses ("" when the terminal has none),
// the number of colours and the key strings.
struct TermCaps {
    std::string cup, sgr0, setaf, setab, bold, rev, civis, cnorm, smcup, rmcup, smkx, rmkx, clear, bel;
    int colours = 0;
    std::vector<std::pair<std::string, KeyCode>> keys;
};
// Reads the entry of $TERM for the terminal on `fd`. False with `error` set.
bool LoadTerminfo(int fd, TermCaps& caps, std::string& error);
// A parameterised capability with one or two numbers.
std::string Parameterised(const std::string& capability, int first, int second = 0);

// The signals: a resized terminal, a terminal that went away (or a request
// to end), and Ctrl-C, each noted and announced on a pipe that the key
// reader waits on beside the keyboard.
void ListenToSignals();
int SignalPipe();
void DrainSignalPipe();
bool TakeResize();
bool TakeInterrupt();
bool HangupNoted();

// The terminal as it was found and how to leave the installer's screen;
// RestoreTerminalNow puts both back once.
void ArmRestore(int fd, const termios& saved, std::string_view leave);
void DisarmRestore();

}  // namespace vrn::console::detail
