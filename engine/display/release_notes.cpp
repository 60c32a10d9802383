// The release-notes viewer: hands the notes file to the text editor while
// the background area is saved, and puts the screen back afterwards.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/display/display.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr const char kEditVerb[] = "edit ";

bool FileExists(const char* path) { return _access(path, ACCESS_EXISTS) == 0; }

}  // namespace

int32_t DisplayReleaseNotes(HWND window, const char* directory, char* fileName) {
    char path[512];
    // A joined name that cannot fit the path buffer names no file we can show.
    if (std::strlen(directory != nullptr ? directory : "") + std::strlen(fileName) + 3 > sizeof path)
        return DisplayErrorMsg(window, fileName, 103);
    FormatFileName(directory, fileName, path);
    if (!FileExists(path)) {
        for (char* c = fileName; *c != '\0'; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        FormatFileName(directory, fileName, path);
        if (!FileExists(path)) return DisplayErrorMsg(window, path, 103);
    }

    const uint32_t length = static_cast<uint32_t>(std::strlen(path)) + sizeof kEditVerb + 1;
    UtBlock command(utmalloc(length));
    if (command.p == nullptr) return DisplayErrorMsg(window, "totalEditCallString", 601);
    std::snprintf(static_cast<char*>(command.p), length, "edit %s", path);

    auto* background = static_cast<SavedCell*>(_backgroundDisplayBuffer);
    if (SaveDisplayScreen(_backgroundStartRow, _backgroundEndRow, _backgroundStartColumn, _backgroundEndColumn,
                          background) != 0) {
        return DisplayErrorMsg(window, nullptr, 801);
    }

    // The platform runs its text editor on the path of the edit call. The
    // editor's exit status is not looked at: the user has seen the notes or
    // has not, and the installation goes on either way.
    const char* call = static_cast<const char*>(command.p) + sizeof kEditVerb - 1;
    RunTextEditor(call);

    ClearScr();
    RestoreDisplayScreen(_backgroundStartRow, _backgroundEndRow, _backgroundStartColumn, _backgroundEndColumn,
                         background);
    return 0;
}

}  // namespace vrn
