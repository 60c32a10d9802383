// Start-up of the engine from the command line: the state is reset, the run
// options read, the interrupt handler installed, the source directory worked
// out, the installation table read and the medium's own files checked.
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/display/display.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/drives.h"
#include "platform/system.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr int kDirectorySize = 256;
constexpr const char kSignalSetupText[] =
    "The Installation Utility cannot setup a CTRL-C signal interrupt handler.\n\nCall Varentis technical support.";
constexpr const char kSignalTitle[] = "Signal Handle Error";
constexpr const char kBothModesText[] = "Choose either the -b or the -F option, not both";
constexpr const char kBatchDisketteText[] = "You cannot run batch mode using diskettes!";

bool InBatchMode() { return (_commandLineSwitch & SWITCH_BATCH) != 0; }

void CopyDirectory(char* out, const char* from) {
    size_t length = std::strlen(from);
    if (length > kDirectorySize - 1) length = kDirectorySize - 1;
    std::memcpy(out, from, length);
    out[length] = '\0';
}

// Cuts the program's path after its directory part, in place: the last
// separator or drive colon after the first character becomes the terminator,
// or the first character when there is none.
void CutToDirectory(char* path) {
    const size_t length = std::strlen(path);
    if (length == 0) return;
    size_t at = 0;
    for (size_t i = length - 1; i > 0; --i) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') {
            at = i;
            break;
        }
    }
    path[at] = '\0';
}

}  // namespace

void InterruptEntry(int /*signal*/) { SignalQuitFunc(); }

int32_t InitializeDisplay(char* currentDir, char* sourceDir, int32_t argc, char** argv, int32_t reserved) {
    InitializeGlobalVars();

    currentDir[0] = '\0';
    if (_getcwd(currentDir, kDirectorySize) == nullptr) return DisplayErrorMsg(_installWnd, currentDir, 128);

    ParseCommandLine(argc, argv, &_commandLineSwitch);
    if (InBatchMode() && (_commandLineSwitch & SWITCH_F)) FlushData(kBothModesText);
    if (_commandLineNameRefused) return RESULT_STOP;

    if (!InBatchMode()) {
        ClearScr();
        if (SetInterruptHandler(InterruptEntry) == INTERRUPT_ERROR) {
            MessageBox(_installWnd, kSignalSetupText, kSignalTitle, MB_OK);
            return RESULT_STOP;
        }
    }

    sourceDir[0] = '\0';
    if (argc > 0 && argv != nullptr && argv[0] != nullptr) {
        CutToDirectory(argv[0]);
        CopyDirectory(sourceDir, argv[0]);
    }
    if (sourceDir[0] == '\0') CopyDirectory(sourceDir, currentDir);

    if (InBatchMode() && _iniBatchFilePathName[0] == '\0')
        FormatFileName(currentDir, "install.ini", _iniBatchFilePathName);

    if (_commandLineSwitch & SWITCH_UPDATE) {
        CopyDirectory(sourceDir, currentDir);
    } else {
        int32_t result = ReadInstallTable(sourceDir, reserved);
        if (result != 0) return result;

        const bool diskettes = _devTable != nullptr && _devTableSize > 0 &&
                               strnlen(_devTable->deviceType, sizeof _devTable->deviceType) == 1 &&
                               _devTable->deviceType[0] == 'f';
        if (diskettes && InBatchMode()) {
            FlushData(kBatchDisketteText);
            return RESULT_STOP;
        }
        result = CheckInstallFiles(sourceDir, diskettes ? 1 : 0, reserved);
        if (result != 0) return result;
    }

    if (InBatchMode()) return 0;
    _backgroundStartRow = 0;
    _backgroundStartColumn = 0;
    _backgroundEndRow = SCREEN_ROWS;
    _backgroundEndColumn = SCREEN_COLUMNS;
    _backgroundDisplayBuffer = utmalloc(BACKGROUND_BUFFER_SIZE);
    if (_backgroundDisplayBuffer == nullptr) return DisplayErrorMsg(_installWnd, "_backgroundDisplayBuffer", 601);
    return 0;
}

}  // namespace vrn
