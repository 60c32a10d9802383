// Start-up of the installation engine from the command line and its
// shut-down: the first and the last routine a front end calls. They reset and
// release the state of engine/state, read the installation table, check the
// medium's own files and prepare the screen, so they stand above the tables,
// the archive and the display.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vrn {

// Longest batch or log file name taken from the command line. A longer name
// is refused, never cut short: the name stays unset, the refusal is written to
// the installation log once the command line has been read, and
// _commandLineNameRefused is set, on which InitializeDisplay stops with 65535
// rather than run with a response file or log the user did not name.
inline constexpr size_t COMMAND_LINE_NAME_MAX = 511;
extern uint8_t _commandLineNameRefused;

// Starts the engine: resets the state, reads the command line, installs the
// interrupt handler (not in batch mode), takes the source directory from the
// program's path (argv[0], cut in place after its directory part; '/' counts
// as a separator beside '\' and ':'), reads install.tab and checks the
// medium's own files (neither with -u), and allocates the background save
// buffer for interactive runs. currentDir and sourceDir hold at least 256
// bytes. 0, 65535, or the result of the reporting or reading routine.
int32_t InitializeDisplay(char* currentDir, char* sourceDir, int32_t argc, char** argv, int32_t reserved);
// Fills *switches and the two batch file names from the arguments; 0.
int32_t ParseCommandLine(int32_t argc, char** argv, uint32_t* switches);
// Releases the engine's state, unless -u was given.
void CleanUpDisplay(int32_t unused);
// Clears the run options, the owner window, the table pointers and their
// counts, the product tree's head, the space figures, the background buffer
// and the marker flags, and has the runtime report through the message table.
void InitializeGlobalVars();
// Returns the tables, the install records, the layout list and the
// background buffer to the heap; the pointers are left null.
void FreeGlobalVars();
// The interrupt (Ctrl-C) handler: asks whether to quit and ends the process
// with status 65535 on Yes, else installs itself again.
void SignalQuitFunc();
// What InitializeDisplay installs for the interrupt signal: calls SignalQuitFunc.
void InterruptEntry(int signal);

}  // namespace vrn
