// The installation engine's process-wide state, its numbered messages and
// the reporting routines every engine part uses; start-up and shut-down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dialogs.h"

namespace vrn {

// The installation tables' records (engine/tables/tables.h).
struct LayoutNode;
struct DeviceRecord;
struct TailorRecord;
struct CompIDRecord;
struct Comp2SkuRecord;
struct Sku2ProductRecord;
struct Subcomp2CompRecord;
struct BitRecord;
using LayoutRec = LayoutNode;
using DevRec = DeviceRecord;
using TlrRec = TailorRecord;
using CompIDRec = CompIDRecord;
using Comp2SkuRec = Comp2SkuRecord;
using Sku2ProductRec = Sku2ProductRecord;
using Subcomp2CompRec = Subcomp2CompRecord;
using BitRec = BitRecord;
struct ProductNode;

// Run options in _commandLineSwitch.
inline constexpr uint32_t SWITCH_UPDATE = 1;        // -u
inline constexpr uint32_t SWITCH_BATCH = 4;         // -b
inline constexpr uint32_t SWITCH_QUIET = 8;         // -q
inline constexpr uint32_t SWITCH_C = 16;            // -c
inline constexpr uint32_t SWITCH_F = 32;            // -F
inline constexpr uint32_t SWITCH_FRONTEND_256 = 256;

// Result that means stop.
inline constexpr int32_t RESULT_STOP = 65535;

extern HWND _installWnd;
extern uint32_t _commandLineSwitch;
extern char _logBatchFilePathName[512];
extern char _iniBatchFilePathName[512];
extern void* _pReadWriteBuffer;
extern int32_t _blockSizeIndex;

extern LayoutRec* _layoutTable;
extern DevRec* _devTable;
extern TlrRec* _tlrTable;
extern CompIDRec* _compIDTable;
extern Comp2SkuRec* _comp2SkuTable;
extern Sku2ProductRec* _sku2ProductTable;
extern Subcomp2CompRec* _subcomp2CompTable;
extern BitRec* _bitTable;

extern ProductNode* _availableProducts;
extern uint32_t _pathChanged;
extern uint32_t _addDiskSpace;
extern uint32_t _constDiskSpace;

extern void* _backgroundDisplayBuffer;
extern int32_t _backgroundStartRow, _backgroundStartColumn, _backgroundEndRow, _backgroundEndColumn;

extern uint32_t VRNGODBC_DLL_FLAG, QDSPDRV_386_FLAG, QLAUNCH_EXE_FLAG, ZOV_INSTALL_FLAG, MVRNSRVA_EXE_FLAG;

extern char _destinationPath[256];
extern char _workPath[256];
extern char _docRootDestPath[256];
extern char _cgiScriptDestPath[256];
extern char _javaDestinationPath[256];

extern char _szArchiveDir[256];
extern char _szFolderName[256];
extern char _szDefaultLanguage[256];
extern char _szDefaultCountry[256];
extern char _szUseSourceEditor[256];
extern char _nlsCpinternal[256];
extern char _nlsCpcollation[256];
extern char _nlsCpcase[256];
extern char _nlsDateFormat[256];
extern char _nlsNumberFormat[256];
extern char _nlsNumsep[256];
extern char _nlsNumdec[256];

// The Kestrel message-queue adapter: already installed (set to 1 by the
// archive explosion when a configured product is one of the adapter
// products 270, 274, 283, 304, 305, 339, 340, 341), or being installed in
// this run (set by the engine's caller). Either puts the adapter's class
// path into installed files.
extern uint32_t _bIsKestrelAdapterInstalled;
extern uint32_t _bInstallingKestrelMqAdapter;

extern double _availDiskSpace;
extern uint32_t _reqDiskSpace;
extern uint32_t _lastLargestArchive;
extern char _mappedNetworkSetupDrive[4];

// The message table.
struct MessageEntry {
    int32_t code;
    const char* format;   // holds exactly one %d
};
extern const MessageEntry _messageTable[];
extern const int _messageCount;
// The format text of a code, or null when the table has no such code.
const char* FindMessageFormat(int32_t code);

int32_t DisplayErrorMsg(HWND window, const char* detail, int32_t code);
// The numbered messages and unknown file errors reported so far (shown or
// logged) over the whole process: a caller can tell whether a step that does
// not pass its failures on (the batch tailoring pass) reported any.
extern uint32_t _reportCount;
int32_t ProcessFileError(HWND window, int32_t errnoValue, int32_t code, const char* fileName);
void FlushData(const char* text);
// When set, FlushData hands each entry's text here instead of writing the
// installation log: the installer's dry run and medium check show what would
// have been logged without writing anything. Null (the default): the log.
extern void (*_logEntryHook)(const char* text);
int32_t StopInstallation(const char* fileName);
int32_t AbortProcess(const char* text, const char* title);
// Shows the quit confirmation; 1 for Yes, 0 for No or when not shown. In
// batch mode nothing is shown and the answer is 0.
int32_t ConfirmQuit();
// The quit confirmation's text and title, also logged by callers in batch mode.
extern const char _quitConfirmationText[];
extern const char _quitConfirmationTitle[];
int32_t FormatFileName(const char* directory, const char* fileName, char* out);
// The same join as a string, for callers that keep their paths in strings.
std::string JoinedFileName(const char* directory, const char* fileName);
// 1 when a name that is joined to a directory stays inside it (an archive
// member under the destination, a tailored file listed relative to it): not
// empty, not absolute, no drive letter, not a network name, no ".."
// component; else 0.
int32_t IsSafeMemberName(const char* memberName);
int32_t FindAndCheckFile(const char* directory, const char* fileName);
char* GetFileString(char* buffer, int32_t size, int32_t fd, const char* fileName, int32_t* error);
uint32_t AcquireFileSizeCurrent(int32_t fd, const char* fileName);
void printError(const char* text);

// Unsupported entry points: each reports message 9000 and returns zero.
int32_t ccConvertBytes();
int32_t ccConvertChar();
int32_t ccConvertWide();
int32_t rtRealInt();
int32_t crstats();
int32_t pdckhotkey();
int32_t msgn();
int32_t msgd();
int32_t drppath();
int32_t strentd();
int32_t strntdnf();
void* strent();
int32_t stget();
int32_t stgetd();
int32_t stvacate();
int32_t stfree();
int32_t stInitPool();
int32_t msgsubdll();
int32_t utxctlc();
int32_t drSigResAlm();
int32_t iodosprt();
int32_t libfchk();
int32_t libislib();
int32_t libref();

// ---------------------------------------------------------------------------
// Start-up from the command line and shut-down
// ---------------------------------------------------------------------------

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
