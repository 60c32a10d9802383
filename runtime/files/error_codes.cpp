// The runtime's stored operating-system error and its translation to the
// portable error numbers; the runtime's version text.
#include "runtime/files/files.h"
#include "runtime/files/files_internal.h"

namespace vrn {

namespace {
RuntimeContext g_processContext;
}

RuntimeContext* _pgc = &g_processContext;

const uint32_t _perrtbl[PERRTBL_SIZE] = {
    0,      // no error
    994,    // layer's own
    2,      // file not found
    995,    // layer's own
    1117,   // device I/O error
    11,     // bad format
    89,     // no process slots
    8,      // not enough memory
    5,      // access denied
    31,     // device not functioning
    80,     // file exists
    55,     // device does not exist
    UT_ERR_IS_FILE,
    UT_ERR_IS_DIR,
    4,      // too many open files
    4,      // repeated; the first entry is the one found
    998,    // layer's own
    112,    // disk full
    145,    // directory not empty
};

int32_t utGetOsError() {
    const uint32_t code = _pgc->osError;
    for (int32_t i = 0; i < PERRTBL_SIZE; ++i) {
        if (_perrtbl[i] == code) return i;
    }
    return 999;
}

void utSetOsError(uint32_t code) {
    _pgc->osError = code;
}

void utForceUnknownError() {
    utSetOsError(2);
}

const char* utversn() {
    return "9.1C";
}

namespace files {

void StoreLastError() {
    utSetOsError(GetLastError());
}

std::string ListPattern(const char* directory) {
    std::string pattern(directory);
    if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
    pattern += "*.*";
    return pattern;
}

}  // namespace files

}  // namespace vrn
