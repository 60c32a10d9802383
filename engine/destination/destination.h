// The destination and its volume: directory creation and removal, the
// network setup drive that turns a UNC path into drive form, the volume
// space query behind every disk-space figure, the disk-space plan of the
// chosen products, the checks of a typed destination with their keystroke
// filters, and the default destination.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/dialogs.h"

namespace vrn {

struct ProductNode;
struct ComponentNode;
struct SubcomponentNode;

// ---------------------------------------------------------------------------
// Directories
// ---------------------------------------------------------------------------

// Kind argument of CreateDirectoryPath: the last component is a file name.
inline constexpr uint8_t CREATE_PATH_OF_FILE = 1;

// Creates every missing directory of `path` one level at a time (kind 1:
// the last component is a file and is not created). The current drive and
// directory are as before on return. 0, or the error report's result.
int32_t CreateDirectoryPath(const char* path, uint8_t kind);
// Cuts the path at its last '\'.
void TrimEnd(char* path);
// Removes a directory tree, the directory included. 0, or message 120's result.
int32_t RecursiveDirDelete(const char* directory);
// Removes everything inside a directory (writable buffer: a '\' may be
// appended). 0; 65535 when a sub-directory cannot be removed; the report's
// result when a file cannot be removed.
int32_t RemovePath(char* directory);
// Deletes one file: 0, or message 110's result.
int32_t RemoveEntry(const char* file);
// 1 when the directory holds nothing but "." and ".." or cannot be listed.
int32_t EmptyDirectory(const char* directory);

// ---------------------------------------------------------------------------
// Network setup drive and volume space
// ---------------------------------------------------------------------------

// Finds the connection serving a UNC path and the drive through which it is
// reached, connecting a letterless connection under the first free letter
// from F: (remembered in _mappedNetworkSetupDrive). share receives the remote
// name, root the drive. 0 when the search ended without error, 65535 on failure.
int32_t mfGetPathNameFromUNC(const char* uncPath, char* share, char* root);

// The bytes free to the caller on the volume of `path` (a UNC path is
// rewritten in place to drive form); sets _blockSizeIndex. 65535 when a UNC
// path cannot be translated.
double GetDiskSpaceInfo(char* path);
// The cluster size and free bytes of the volume whose root is given
// ("D:\"), asked the platform's way. Always 1.
int32_t mfGetDiskGeometry(const char* root, uint32_t* clusterBytes, double* freeBytes);
// The bytes an open file takes in whole clusters of its volume, or 0 on failure.
uint32_t AcquireFileSize(int32_t fd, const char* fileName);

// Cluster size used when the platform cannot tell it.
inline constexpr uint32_t DEFAULT_CLUSTER_SIZE = 32768;
// The largest cluster-size class (512 << 7).
inline constexpr int32_t MAX_BLOCK_SIZE_INDEX = 7;

// ---------------------------------------------------------------------------
// Disk space planning
// ---------------------------------------------------------------------------
//
// Sizes of files and components are unsigned 32-bit and wrap past 4 GiB
// (the required, added and constant figures); free space is a double. The
// summing routines use the cluster-size class of the volume queried last
// (_blockSizeIndex): CalcConstDiskSpace must run before AvailDiskSpace, and
// AvailDiskSpace queries the destination again before it sums. The figures
// live in _availDiskSpace, _reqDiskSpace, _lastLargestArchive,
// _constDiskSpace and _addDiskSpace (engine/state/state.h).

// Set by the caller when the same version is being installed again into the
// same directory: a shortfall then asks to free space rather than to change
// the destination.
extern uint32_t _sameVersionAndDir;

// The installed space of the chosen components on a volume of the current
// cluster-size class, each archive counted once (for the first component or
// subcomponent in walk order that names it); not-extracted ones add nothing
// but still claim their archive. A component with subcomponents counts only
// its chosen subcomponents.
uint32_t CalcReqDiskSpace(const ProductNode* products);
// The size of the largest archive the chosen components need, each archive
// judged once; also stored in _lastLargestArchive.
uint32_t FindLargestArchive(const ProductNode* products);
// 1 when a chosen component without subcomponents earlier in walk order
// names the same archive, else 0.
int32_t PreviouslyCheckedComp(const ProductNode* products, const ComponentNode* component);
// The same among the subcomponents (chosen or not) of chosen components.
int32_t PreviouslyCheckedSubcomp(const ProductNode* products, const SubcomponentNode* subcomponent);
// The installed sizes of install.exe and install.hlp (unless
// skipUtilityFiles) and README.VRN in setupDirectory; also stored in
// _constDiskSpace. 0 when a name cannot be joined to the directory (nothing
// reported) or a file cannot be opened (message 103; _constDiskSpace kept).
uint32_t CalcConstDiskSpace(const char* setupDirectory, uint8_t skipUtilityFiles);
// Queries the destination, computes the required total (constant + chosen
// components + the largest archive unless the medium is a CD-ROM) into
// _addDiskSpace and compares. 1 with *freeSpace = free - total when the
// space suffices; else 0 with *freeSpace = free, after the shortfall box
// "Insufficient Disk Space" (owned by window) or, in batch mode, the same
// text in the installation log.
int32_t AvailDiskSpace(HWND window, const char* path, double* freeSpace);
// Groups a decimal number by thousands in place ("1234567.000000" becomes
// "1,234,567"); the buffer holds at least 100 bytes. 0, or 65535 when the
// grouped text would not fit (the text is then left cut at its '.').
int32_t FormatDiskSpace(char* text);
// Writes the three figures (products, installation, remaining) in rows
// row + 1 to row + 3 with their colons in one column, each line blanked up
// to endColumn. The remaining figure gets the largest archive back unless
// the medium is a CD-ROM: the staged archive goes once it is extracted.
void DisplayDiskSpaceData(int32_t column, int32_t row, int32_t endColumn, uint32_t productBytes,
                          uint32_t installBytes, double remainingBytes);
// CalcReqDiskSpace over the whole tree, chosen or not, not-extracted or
// not, on the cluster-size class of path's volume (queried here).
uint32_t CalcQuickDiskSpace(const ProductNode* products, const char* path);
// The largest archive of any component without subcomponents or any
// subcomponent; _lastLargestArchive is not touched.
uint32_t FindQuickLargestArchive(const ProductNode* products);

// ---------------------------------------------------------------------------
// Destination checks
// ---------------------------------------------------------------------------
//
// Paths are in drive form with '\' separators. The checks work on copies
// of at most DESTINATION_PATH_MAX characters; a longer path is never cut: it
// is refused with message 130 ("Filename length exceeds maximum.") naming
// the path.
//
// Every refusal and question is put once, by the rule that finds it. The
// interactive routines (CheckPathnameFormat, CheckPathFileName,
// CheckEnteredDestination) beep and show it in a message box whatever the
// mode; numbered messages go through DisplayErrorMsg. The batch entry points
// (CheckBatch...) run the very same rules for an unattended run: for their
// duration the batch bit is set, so that every report, theirs and that of
// any routine they call, goes to the installation log; each refusal is
// logged once as "title: text", no box is shown and nothing waits for an
// answer. A question is logged with the answer taken: the removable-drive
// question is answered No (a removable destination is refused), "Create
// Directory?" Yes only when the caller asks for missing directories to be
// created.

inline constexpr size_t DESTINATION_PATH_MAX = 255;

// Set by CheckEnteredDestination: 1 when the destination directory is to be
// created (it does not exist, or its contents are to be replaced), 0 when an
// existing directory is used as it is.
extern uint8_t _createDestinationDir;

// What CheckEnteredDestination does with a destination that exists. The
// caller sets it before the check: the interactive front end after asking
// the user, the batch front end from its response file.
inline constexpr int32_t EXISTING_DIR_CHOOSE_ANOTHER = 1601;   // refuse it
inline constexpr int32_t EXISTING_DIR_EMPTY = 1602;            // empty it and install into it
inline constexpr int32_t EXISTING_DIR_KEEP = 1603;             // install into it, keep its contents
extern int32_t _existingDirectoryDecision;                     // EXISTING_DIR_CHOOSE_ANOTHER at start

// Kind argument of CheckPathFileName.
inline constexpr uint8_t PATH_KIND_DIRECTORY = 0;
inline constexpr uint8_t PATH_KIND_FILE = 1;
inline constexpr uint8_t PATH_KIND_EITHER = 2;

// Drive classes of FindDriveType.
inline constexpr int32_t DRIVE_CLASS_NONE = 0;        // no such drive
inline constexpr int32_t DRIVE_CLASS_REMOVABLE = 1;   // removable drive or CD-ROM
inline constexpr int32_t DRIVE_CLASS_FIXED = 2;       // fixed disk
inline constexpr int32_t DRIVE_CLASS_NETWORK = 4;     // network drive or RAM disk

// Collapses every run of backslashes to one and removes trailing ones, in
// place: D:\\a\\\b\ becomes D:\a\b, and D:\ becomes D:. The leading pair
// of a UNC name (\\server\share) is kept.
void FormatPathName(char* path);
// 1 when c may stand in a destination (a letter or digit of the current
// locale, or one of \ . ` ^ & ( ) ' : ~ ! @ # $ % - _ { }), else 0 after a beep.
int32_t ValidCharCheck(uint8_t c);
// Tests every character after the drive root (a path of 3 characters or
// fewer is accepted as it is). 0, or 65535 after the box "Invalid
// Destination Pathname Character" naming the first refused character.
int32_t CheckPathnameFormat(HWND window, const char* path);
// 1 when nothing exists at path or it is a directory, else 0.
int32_t ValidPathName(const char* path);
// 1 when nothing exists at path or it is a regular file, else 0.
int32_t ValidFileName(const char* path);
// Walks the path one directory at a time: 0 when every prefix is free or a
// directory, else 1 with the offending part in badPart (256 bytes): the
// first prefix when that one fails (D:\), else the piece that fails. A path
// longer than DESTINATION_PATH_MAX is not walked: 1 with badPart empty.
int32_t InvalidDirName(const char* path, char* badPart);
// The drive of a path counted from 0 (A = 0): its own letter, else the
// current directory's; the result of message 128 when that cannot be read.
int32_t GetDriveNumber(const char* path);
// The class of a drive on the drive map, drives counted from 1 (A = 1):
// DRIVE_CLASS_NONE for a drive that is not there (or a number outside 1 to
// 26), DRIVE_CLASS_REMOVABLE for a removable drive or a CD-ROM,
// DRIVE_CLASS_FIXED for a fixed disk, DRIVE_CLASS_NETWORK for a network drive
// or a RAM disk. One numbering serves every caller: CheckEnteredDestination
// passes GetDriveNumber + 1, AcquireDefaultDestination the letter's position
// from A = 1, and CheckPathFileName the letter's distance from 'A' plus one.
int32_t FindDriveType(int32_t drive);
// Checks a file name (kind 1), a directory name (kind 0) or either (other)
// that the user typed, offering to create a missing directory ("Create
// Directory?"). 1 accepted, 0 refused, 65535 declined (the removable-drive
// question answered No).
int32_t CheckPathFileName(HWND window, const char* path, uint8_t kind);
// Checks the destination the user entered (a UNC path is rewritten in place
// to drive form): drive known and not declined as removable, no file in the
// way, then the existing-directory decision (_existingDirectoryDecision)
// when it exists; with EXISTING_DIR_EMPTY no read-only file in it and, when
// checkSpace is 1, room for requiredBytes once its files are removed. On
// acceptance acceptedPath (256 bytes) receives the path, *emptyFirst is 1
// exactly when the directory is to be emptied, and _createDestinationDir is
// set. 0 accepted, 65535 refused, or a numbered message's result (130 path
// too long, 401 bad drive number, 132 unknown drive).
int32_t CheckEnteredDestination(HWND window, char* entered, char* acceptedPath, uint8_t* emptyFirst,
                                uint8_t checkSpace, uint32_t requiredBytes);

// The batch forms: the same rules, results and flags, every refusal in the
// installation log and no box.
int32_t CheckBatchPathnameFormat(const char* path);
int32_t CheckBatchPathFileName(const char* path, uint8_t kind, uint8_t createMissing);
int32_t CheckBatchDestination(char* entered, char* acceptedPath, uint8_t* emptyFirst, uint8_t checkSpace,
                              uint32_t requiredBytes);

// Keystroke filters of the input fields: non-zero to take the key, 0 to
// drop it (after a beep; destfilter_func beeps twice for a refused key, once
// for Escape).
int32_t isalnum_func(int32_t c);     // letters and digits of the locale
int32_t isalpha_func(int32_t c);     // letters of the locale
int32_t isdigit_func(int32_t c);     // 0 to 9
int32_t isascii_func(int32_t c);     // anything below 128 but Escape
int32_t destfilter_func(int32_t c);  // what ValidCharCheck allows, not Escape

// ---------------------------------------------------------------------------
// Default destination and existing trees
// ---------------------------------------------------------------------------

// Product-family flags set by the caller; they choose the default name:
// "QZQZ" with _InstallQZDE, else "QZRT" with _InstallQZRT, else "RUD".
extern uint32_t _InstallQZDE;
extern uint32_t _InstallQZRT;

// Proposes a destination in defaultPath (256 bytes): the suggestion's drive
// when it has more than requiredBytes free, else the first fixed or network
// drive (class 2 or 4) from A to Z with more free space than the
// installation's total there, each joined with the default name and
// nothing in the way; else the first such drive anyway, or C: when there is
// none. Always 0. Leaves _blockSizeIndex at the last drive queried.
int32_t AcquireDefaultDestination(const char* suggestion, char* defaultPath, uint32_t requiredBytes);
// Looks through a tree before it is emptied: 0 when every file may be read
// and written, 65535 at the first read-only file in walk order (its path in
// badFile, 256 bytes; empty when the path would not fit). totalBytes
// receives the sizes of the files listed before that (unsigned 32-bit,
// wrapping past 4 GiB). Symbolic links are neither entered nor counted.
int32_t RecursiveCheckFiles(const char* directory, char* badFile, uint32_t* totalBytes);
// The walk of RecursiveCheckFiles on a writable directory buffer (a '\' is
// appended); totalBytes is added to.
int32_t CheckPath(char* directory, char* badFile, uint32_t* totalBytes);
// 0 when the file may be read and written; else 65535 with its path in badFile.
int32_t CheckEntry(const char* file, char* badFile);

}  // namespace vrn
