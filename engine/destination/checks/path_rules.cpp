// The rules for the text of a destination: tidying it, the characters it
// may hold, and whether anything on the way is a file where a directory is
// needed.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"

namespace vrn {

namespace {

// The characters besides letters and digits that a destination may hold.
constexpr std::string_view kPathPunctuation = "\\.`^&()':~!@#$%-_{}";

// Paths shorter than this are a drive root at most and are not tested.
constexpr size_t kRootLength = 3;

bool IsDirectory(const char* path) {
    _stat_t status;
    return _stat(path, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
}

bool IsRegularFile(const char* path) {
    _stat_t status;
    return _stat(path, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}

// The pieces of a path between backslashes, empty ones skipped.
std::vector<std::string> Pieces(const char* path) {
    std::vector<std::string> pieces;
    std::string piece;
    for (const char* p = path;; ++p) {
        if (*p == '\\' || *p == '\0') {
            if (!piece.empty()) pieces.push_back(piece);
            piece.clear();
            if (*p == '\0') break;
        } else {
            piece += *p;
        }
    }
    return pieces;
}

}  // namespace

bool Exists(const char* path) { return _access(path, ACCESS_EXISTS) == 0; }

bool IsUncPath(const char* path) { return path[0] == '\\' && path[1] == '\\'; }

char DriveLetterOf(const char* path) {
    const char c = path[0];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter || path[1] != ':') return 0;
    return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
}

void FormatPathName(char* path) {
    size_t out = 0;
    size_t in = 0;
    // A network name keeps the two backslashes that mark it.
    if (IsUncPath(path)) {
        out = in = 2;
        while (path[in] == '\\') ++in;
    }
    for (; path[in] != '\0'; ++in) {
        if (path[in] == '\\' && out > 0 && path[out - 1] == '\\') continue;
        path[out++] = path[in];
    }
    while (out > 0 && path[out - 1] == '\\') --out;
    path[out] = '\0';
}

bool IsDestinationCharacter(uint8_t c) {
    return IsLocaleAlnum(c) || (c != '\0' && kPathPunctuation.find(static_cast<char>(c)) != std::string_view::npos);
}

int32_t ValidCharCheck(uint8_t c) {
    if (IsDestinationCharacter(c)) return 1;
    MessageBeep(MB_BEEP_DEFAULT);
    return 0;
}

int32_t RunPathnameFormat(const CheckPresenter& presenter, HWND window, const char* path) {
    const size_t length = std::strlen(path);
    if (length > DESTINATION_PATH_MAX) {
        presenter.Report(window, path, 130);
        return RESULT_STOP;
    }
    if (length <= kRootLength) return 0;
    for (size_t i = kRootLength; i < length; ++i) {
        const auto c = static_cast<uint8_t>(path[i]);
        if (IsDestinationCharacter(c)) continue;
        // The character rule's own beep, before the box's.
        presenter.Beep();
        CheckNotice notice;
        notice.owner = window;
        notice.text = std::string("The following destination path is invalid.\n") + path +
                      "\n\nYou cannot use the " + static_cast<char>(c) + " character as part of the directory name.";
        notice.title = "Invalid Destination Pathname Character";
        notice.style = MB_OK;
        presenter.Present(notice);
        return RESULT_STOP;
    }
    return 0;
}

int32_t CheckPathnameFormat(HWND window, const char* path) {
    return RunPathnameFormat(kInteractivePresenter, window, path);
}

int32_t CheckBatchPathnameFormat(const char* path) {
    const UnattendedRun run;
    return RunPathnameFormat(kUnattendedPresenter, _installWnd, path);
}

int32_t ValidPathName(const char* path) { return !Exists(path) || IsDirectory(path) ? 1 : 0; }

int32_t ValidFileName(const char* path) { return !Exists(path) || IsRegularFile(path) ? 1 : 0; }

int32_t InvalidDirName(const char* path, char* badPart) {
    badPart[0] = '\0';
    if (std::strlen(path) > DESTINATION_PATH_MAX) return 1;
    const std::vector<std::string> pieces = Pieces(path);
    if (pieces.empty()) return 0;

    const std::string first = path[0] == '\\' ? "\\" + pieces[0] : pieces[0] + "\\";
    std::string prefix = first;
    size_t next = 1;
    while (ValidPathName(prefix.c_str()) == 1) {
        if (next == pieces.size()) return 0;
        if (prefix.back() != '\\') prefix += '\\';
        prefix += pieces[next++];
    }
    // Both fit: the path they come from is within the limit.
    const std::string& bad = next == 1 ? first : pieces[next - 1];
    std::memcpy(badPart, bad.c_str(), bad.size() + 1);
    return 1;
}

}  // namespace vrn
