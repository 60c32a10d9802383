// The installation engine's process-wide state, its numbered messages and
// the reporting routines every engine part uses, and the small file routines
// beside them. Start-up and shut-down, which set and release the state, are
// in engine/startup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dialogs.h"

namespace vrn {

// The installation tables' records (engine/tables/tables.h) and the
// product tree (engine/products/products.h); the state holds only pointers.
struct LayoutNode;
struct DeviceRecord;
struct TailorRecord;
struct CompIDRecord;
struct Comp2SkuRecord;
struct Sku2ProductRecord;
struct Subcomp2CompRecord;
struct BitRecord;
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

// Owner of every message box; null after start-up, so boxes have no owner.
extern HWND _installWnd;
// Run options from the command line (SWITCH_*); 256 is set by the front end
// and read by the space planning.
extern uint32_t _commandLineSwitch;
// The installation log's full path; empty until given with -l or chosen by
// the first log entry.
extern char _logBatchFilePathName[512];
// The batch response file's path; install.ini in the start directory when
// batch mode names none.
extern char _iniBatchFilePathName[512];
// The one read/write buffer of archive extraction, held for one member.
extern void* _pReadWriteBuffer;
// Cluster size of the volume last queried, as a power: 512 << this value.
extern int32_t _blockSizeIndex;

// The installation tables read from the medium's table files, heap blocks
// (the layout table a list) owned from the table reading until shut-down.
extern LayoutNode* _layoutTable;
extern DeviceRecord* _devTable;
extern TailorRecord* _tlrTable;
extern CompIDRecord* _compIDTable;
extern Comp2SkuRecord* _comp2SkuTable;
extern Sku2ProductRecord* _sku2ProductTable;
extern Subcomp2CompRecord* _subcomp2CompTable;
extern BitRecord* _bitTable;

// Head of the tree of products to be installed, built by CreateProductTable.
extern ProductNode* _availableProducts;
// Cleared at start-up and otherwise left to the engine's caller.
extern uint32_t _pathChanged;
// The space the installation needs in all, and the part of it taken by the
// installation utility's own files.
extern uint32_t _addDiskSpace;
extern uint32_t _constDiskSpace;

// The screen saved under the background rectangle (16848 bytes, interactive
// runs only) and that rectangle: rows 0 to 25, columns 0 to 80 after start-up.
extern void* _backgroundDisplayBuffer;
extern int32_t _backgroundStartRow, _backgroundStartColumn, _backgroundEndRow, _backgroundEndColumn;

// Set to 1 when extraction meets the marker file each is named after.
extern uint32_t VRNGODBC_DLL_FLAG, QDSPDRV_386_FLAG, QLAUNCH_EXE_FLAG, ZOV_INSTALL_FLAG, MVRNSRVA_EXE_FLAG;

// The installation directory accepted by the destination checks.
extern char _destinationPath[256];
// The other directories that tag substitution writes into installed files;
// filled by the front end.
extern char _workPath[256];
extern char _docRootDestPath[256];
extern char _cgiScriptDestPath[256];
extern char _javaDestinationPath[256];

// The directory of the archive being exploded, set by the explosion.
extern char _szArchiveDir[256];
// Tag values filled by the front end: the program folder's name, the default
// language and country, the source-editor choice.
extern char _szFolderName[256];
extern char _szDefaultLanguage[256];
extern char _szDefaultCountry[256];
extern char _szUseSourceEditor[256];
// The national-language settings chosen from the language lists, written
// into installed files by tag substitution.
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

// Space planning's figures: the bytes free on the destination, the bytes
// the chosen parts need, and the size of the largest archive among them
// (room a staged archive takes while it is extracted).
extern double _availDiskSpace;
extern uint32_t _reqDiskSpace;
extern uint32_t _lastLargestArchive;
// The drive letter (such as "N:") mapped for a network setup share; empty
// when none was mapped.
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

// Shows message `code` (with the detail in parentheses when given) in a box
// owned by `window`, or logs it in batch mode; the negated code, or 65535
// for a code the table lacks or a box that cannot be shown.
int32_t DisplayErrorMsg(HWND window, const char* detail, int32_t code);
// The numbered messages and unknown file errors reported so far (shown or
// logged) over the whole process: a caller can tell whether a step that does
// not pass its failures on (the batch tailoring pass) reported any.
extern uint32_t _reportCount;
// Reports a failed file operation: message `code` naming the file and the
// errno; an errno without a name gives its own report and 65535.
int32_t ProcessFileError(HWND window, int32_t errnoValue, int32_t code, const char* fileName);
// Appends one entry, with its own header line, to the installation log;
// failures drop the entry silently.
void FlushData(const char* text);
// When set, FlushData hands each entry's text here instead of writing the
// installation log: the installer's dry run and medium check show what would
// have been logged without writing anything. Null (the default): the log.
extern void (*_logEntryHook)(const char* text);
// Asks what to do about a corrupted file: 1 to stop the installation, 0 to
// skip the file and go on (always 0 in batch mode).
int32_t StopInstallation(const char* fileName);
// Asked by extraction before every data chunk; 0, so extraction goes on.
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
// Whether a character divides a path into pieces as the platform's calls
// take it: either separator, since members built on other systems may carry
// '/'. (A join adds only the backslash; see FormatFileName.)
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
// 1 when a name that is joined to a directory stays inside it (an archive
// member under the destination, a tailored file listed relative to it): not
// empty, not absolute, no drive letter, not a network name, no ".."
// component; else 0.
int32_t IsSafeMemberName(const char* memberName);
// 1 when the joined path exists and may be read, else 0.
int32_t FindAndCheckFile(const char* directory, const char* fileName);
// Reads one line (newline kept) into the buffer; null at end of file, for a
// size below 2 or on a read error, which is reported into *error.
char* GetFileString(char* buffer, int32_t size, int32_t fd, const char* fileName, int32_t* error);
// The size of an open file in bytes; 0, after message 109, on failure.
uint32_t AcquireFileSizeCurrent(int32_t fd, const char* fileName);
// Writes "\n Error: <text> \n" to standard output.
void printError(const char* text);

// Makes the runtime's reports (runtime/report) show through the message
// table, owned by _installWnd. Done before the first statement of every
// program that holds the reporting routines, and again at start-up.
void InstallRuntimeReporting();

}  // namespace vrn
