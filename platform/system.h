// Process-level services: environment, time and time zone, console output,
// the interrupt signal, running a command or the text editor, process
// identity and exit.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace vrn {

// Environment variables (the host's own environment).
const char* GetEnv(const char* name);     // null when unset
void SetEnv(const char* name, const char* value);   // null value unsets

// Time: seconds since 1970 UTC, and its local broken-down form.
int64_t CurrentTime();
bool LocalTime(int64_t t, std::tm& out);  // false when t cannot be converted
int64_t MakeLocalTime(std::tm& tm);       // mktime; -1 when it cannot
// "Sun Dec  6 03:11:57 2026" (asctime without its newline).
std::string AscTime(const std::tm& tm);
// Sets the time-zone rule (TZ form, e.g. "UTC0"), for tests; null restores the host's.
void SetTimeZone(const char* tz);

// Standard output and error.
void ConsoleWrite(std::string_view text);
void ConsoleError(std::string_view text);
// Whether standard input and output are a terminal.
bool HaveConsole();
// Reads one line from the console; false at end of input.
bool ConsoleReadLine(std::string& line);

// The interrupt (Ctrl-C) signal.
using InterruptHandler = void (*)(int);
inline constexpr int SIGNAL_INTERRUPT = 2;
InterruptHandler SetInterruptHandler(InterruptHandler handler);   // null: default action
// What SetInterruptHandler returns when the handler cannot be installed.
extern const InterruptHandler INTERRUPT_ERROR;
// Signal handling of SIG_IGN / SIG_DFL style for the interrupt signal.
void IgnoreInterrupt();

// Runs a command line through the command processor; returns its exit status or -1.
int RunCommand(const char* commandLine);
// Runs the system's text editor on a file named in Windows form and waits
// for it to end; returns its exit status or -1. The editor is the user's
// own ($VISUAL, else $EDITOR), else the pager "more".
int RunTextEditor(const char* path);

uint32_t ProcessId();
[[noreturn]] void ExitProcess(int status);

}  // namespace vrn
