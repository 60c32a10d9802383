// Reading the command line into the switch word and the batch file names.
#include <cstring>

#include "engine/startup/startup.h"
#include "engine/state/state.h"

namespace vrn {

uint8_t _commandLineNameRefused = 0;

namespace {

constexpr const char kBatchNameTooLong[] =
    "The batch file name given on the command line is longer than 511 characters and cannot be used";
constexpr const char kLogNameTooLong[] =
    "The log file name given on the command line is longer than 511 characters and cannot be used";

// Copies a name into a 512-byte buffer; false, with the buffer untouched,
// when it does not fit.
bool TakeName(const char* text, char (&buffer)[512]) {
    const size_t length = std::strlen(text);
    if (length > COMMAND_LINE_NAME_MAX) return false;
    std::memcpy(buffer, text, length + 1);
    return true;
}

}  // namespace

int32_t ParseCommandLine(int32_t argc, char** argv, uint32_t* switches) {
    _iniBatchFilePathName[0] = '\0';
    _logBatchFilePathName[0] = '\0';
    _commandLineNameRefused = 0;
    *switches = 0;
    if (argc < 2) return 0;

    bool batchRefused = false;
    bool logRefused = false;
    bool expectBatchName = false;
    bool expectLogName = false;
    for (int32_t i = 1; i < argc; ++i) {
        const char* cursor = argv[i];
        if (cursor == nullptr) continue;
        while (*cursor == '-') {
            const char letter = cursor[1];
            if (letter == '\0') {
                // A lone '-' means nothing.
                ++cursor;
                break;
            }
            switch (letter) {
                case 'F': *switches |= SWITCH_F; break;
                case 'b':
                    *switches |= SWITCH_BATCH;
                    expectBatchName = true;
                    expectLogName = false;
                    break;
                case 'c': *switches |= SWITCH_C; break;
                case 'l':
                    expectLogName = true;
                    expectBatchName = false;
                    break;
                case 'q': *switches |= SWITCH_QUIET; break;
                case 'u': *switches |= SWITCH_UPDATE; break;
                default: break;
            }
            cursor += 2;
        }

        const bool batch = (*switches & SWITCH_BATCH) != 0;
        if (batch && expectBatchName && *cursor != '\0') {
            if (TakeName(cursor, _iniBatchFilePathName)) batchRefused = false;
            else {
                _iniBatchFilePathName[0] = '\0';
                batchRefused = true;
            }
        }
        if (batch && expectLogName && *cursor != '\0') {
            logRefused = !TakeName(cursor, _logBatchFilePathName);
            break;
        }
    }

    // Reported only now, so that the report reaches the log the user named.
    if (batchRefused || logRefused) {
        _commandLineNameRefused = 1;
        if (batchRefused) FlushData(kBatchNameTooLong);
        if (logRefused) FlushData(kLogNameTooLong);
    }
    return 0;
}

}  // namespace vrn
