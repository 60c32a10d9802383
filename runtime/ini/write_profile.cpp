// Setting and deleting entries and sections: the file is rewritten into a
// temporary file, which is then copied back over it.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/files/files.h"
#include "runtime/ini/ini.h"

namespace vrn {

namespace {

constexpr size_t TEMPORARY_NAME_SIZE = 300;
constexpr char TEMPORARY_TEMPLATE[] = "iniXXXXXX";

// Makes the trailing "XXXXXX" of path unique, as the runtime's _mktemp does:
// a letter followed by the last five digits of the process number, the
// letter advancing from 'a' while a file of that name exists. False when all
// 26 names are taken.
bool MakeUniqueName(char* path) {
    size_t length = std::strlen(path);
    if (length < 6 || std::strcmp(path + length - 6, "XXXXXX") != 0) return false;
    char* tail = path + length - 6;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%05u", static_cast<unsigned>(ProcessId() % 100000u));
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        tail[0] = letter;
        std::memcpy(tail + 1, digits, 5);
        if (vrn::_access(path, ACCESS_EXISTS) != 0) return true;
    }
    return false;
}

// The temporary file's name: in the directory named by TEMP, else in the
// current directory.
bool TemporaryName(char (&path)[TEMPORARY_NAME_SIZE]) {
    std::string name;
    if (const char* temp = GetEnv("TEMP")) name = std::string(temp) + "\\";
    name += TEMPORARY_TEMPLATE;
    if (name.size() >= TEMPORARY_NAME_SIZE) return false;
    std::memcpy(path, name.c_str(), name.size() + 1);
    return MakeUniqueName(path);
}

// Closes whatever is open after a failed rewrite.
int32_t Fail(FILE* input, FILE* output) {
    if (input != nullptr) vrn::fclose(input);
    if (output != nullptr) vrn::fclose(output);
    return 1;
}

}  // namespace

int32_t wdCopyIniFile(const char* temporaryPath, const char* file) {
    uint32_t saved = _pgc->osError;
    utSetOsError(0);
    // The platform copy writes beside the target and renames into place, so
    // an interrupted copy leaves the old file or the new one.
    utCopyFile(temporaryPath, file, 0);
    int32_t taken = utGetOsError();
    utDeleteFile(temporaryPath);
    utSetOsError(saved);
    return taken;
}

int32_t wdWritePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    // Invalid names are refused before anything is created.
    char name[INI_LINE_SIZE];
    if (!wdIsName(section, name)) return 1;
    if (key != nullptr && !wdIsName(key, name)) return 1;
    char temporary[TEMPORARY_NAME_SIZE];
    if (!TemporaryName(temporary)) return 1;
    FILE* input = nullptr;
    FILE* output = nullptr;
    if (!wdOpenIniFile(file, &input)) return 1;
    if (!wdCreateIniFile(temporary, &output)) return Fail(input, nullptr);
    if (!wdWriteSection(input, output, section, key)) return Fail(input, output);
    int32_t phase = key == nullptr ? wdDeleteAllEntrys(input, output) : wdWriteEntry(input, output, key, value);
    if (!phase) return Fail(input, output);
    if (!wdWriteIniFile(input, output)) return 1;
    return wdCopyIniFile(temporary, file);
}

int32_t wdWritePrivateProfileInt(const char* section, const char* key, int32_t value, const char* file) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return wdWritePrivateProfileString(section, key, text, file);
}

}  // namespace vrn
