// The tag table and the conversion of one line: every marker replaced by the
// value it stands for.
#include <cstring>
#include <string>

#include "engine/state/state.h"
#include "engine/tailor/tailor.h"
#include "platform/native.h"

namespace vrn {

namespace {

constexpr TailorTag Tag(const char* marker, bool lineTag = false) {
    return TailorTag{marker, static_cast<uint32_t>(std::char_traits<char>::length(marker)), lineTag};
}

// Where the bracket tags' values come from, by position in the table.
enum TagIndex : int32_t {
    kSetRud, kPercentRud, kInstallDir, kWorkDir, kDocRootDir, kScriptsDir, kJavaHome, kJfcHome,
    kNlsCpinternal, kNlsCpcoll, kNlsCpcase, kNlsDate, kNlsNumber, kNlsNumsep, kNlsNumdec,
    kFolderName, kDefaultLanguage, kDefaultCountry, kArchiveDir, kUseSourceEditor, kKestrelMq,
};

// The first characters of the markers: only there can a marker begin.
constexpr char kMarkerStarts[] = "s%[";

void AppendText(std::string& output, const char* text) {
    if (text != nullptr) output += text;
}

// The destination directory as the line tags write it.
void AppendLineTagValue(std::string& output) {
    if (_bIsVrnenvBatFile != 0) {
        char shortPath[TAILOR_SHORT_PATH_SIZE];
        const DWORD length = GetShortPathNameA(_destinationPath, shortPath, sizeof shortPath);
        if (length > 0 && length < sizeof shortPath) {
            output.append(shortPath, length);
            return;
        }
        // No short form (the directory is not there, or too long a form):
        // the long form serves.
    }
    output += _destinationPath;
}

// The Kestrel message-queue adapter's two client libraries, as class-path
// entries each led by a semicolon.
void AppendKestrelTail(std::string& output) {
    if (_bIsKestrelAdapterInstalled == 0 && _bInstallingKestrelMqAdapter == 0) return;
    for (const char* library : {"client.jar", "jndi.jar"}) {
        output += ';';
        output += _destinationPath;
        output += "\\java\\kestrelMQ\\lib\\";
        output += library;
    }
}

void AppendBracketValue(int32_t tag, std::string& output, const char* installDir) {
    switch (tag) {
    case kInstallDir: AppendText(output, installDir); break;
    case kWorkDir: AppendText(output, _workPath); break;
    case kDocRootDir: AppendText(output, _docRootDestPath); break;
    case kScriptsDir: AppendText(output, _cgiScriptDestPath); break;
    case kJavaHome: AppendText(output, _javaDestinationPath); break;
    case kJfcHome: {
        const char* dir = installDir != nullptr ? installDir : "";
        std::string joined(std::strlen(dir) + 8, '\0');
        FormatFileName(dir, "jfc", joined.data());
        AppendText(output, joined.c_str());
        break;
    }
    case kNlsCpinternal: AppendText(output, _nlsCpinternal); break;
    case kNlsCpcoll: AppendText(output, _nlsCpcollation); break;
    case kNlsCpcase: AppendText(output, _nlsCpcase); break;
    case kNlsDate: AppendText(output, _nlsDateFormat); break;
    case kNlsNumber: AppendText(output, _nlsNumberFormat); break;
    case kNlsNumsep: AppendText(output, _nlsNumsep); break;
    case kNlsNumdec: AppendText(output, _nlsNumdec); break;
    case kFolderName: AppendText(output, _szFolderName); break;
    case kDefaultLanguage: AppendText(output, _szDefaultLanguage); break;
    case kDefaultCountry: AppendText(output, _szDefaultCountry); break;
    case kArchiveDir: AppendText(output, _szArchiveDir); break;
    case kUseSourceEditor: AppendText(output, _szUseSourceEditor); break;
    case kKestrelMq: AppendKestrelTail(output); break;
    default: break;
    }
}

}  // namespace

uint32_t _bIsVrnenvBatFile = 0;

const TailorTag _tailorTags[TAILOR_TAG_COUNT] = {
    Tag("set RUD=", true),
    Tag("%%RUD%%", true),
    Tag("[[install-dir]]"),
    Tag("[[work-dir]]"),
    Tag("[[docRoot-dir]]"),
    Tag("[[scripts-dir]]"),
    Tag("[[java-home]]"),
    Tag("[[jfc-home]]"),
    Tag("[[nls-cpinternal]]"),
    Tag("[[nls-cpcoll]]"),
    Tag("[[nls-cpcase]]"),
    Tag("[[nls-date]]"),
    Tag("[[nls-number]]"),
    Tag("[[nls-numsep]]"),
    Tag("[[nls-numdec]]"),
    Tag("[[folder-name]]"),
    Tag("[[default-language]]"),
    Tag("[[default-country]]"),
    Tag("[[archive-dir]]"),
    Tag("[[useSourceEditor]]"),
    Tag("[[kestrel-mq]]"),
};

void ConvertBuffer(const char* input, std::string& output, const char* installDir) {
    const char* at = input;
    while (*at != '\0') {
        // Text that cannot begin a marker is copied in one piece.
        const size_t plain = std::strcspn(at, kMarkerStarts);
        output.append(at, plain);
        at += plain;
        if (*at == '\0') break;

        // One pass over the table at this position: after a match the
        // markers further down are tried where the input now stands.
        bool matched = false;
        for (int32_t tag = 0; tag < TAILOR_TAG_COUNT && *at != '\0'; ++tag) {
            const TailorTag& t = _tailorTags[tag];
            if (*at != t.marker[0] || std::strncmp(at, t.marker, t.length) != 0) continue;
            matched = true;
            if (t.lineTag) {
                // The marker, the directory, and what follows the line's
                // old value: its line feed and anything after it.
                output.append(t.marker, t.length);
                AppendLineTagValue(output);
                const char* rest = std::strchr(at, '\n');
                if (rest != nullptr) output += rest;
                return;
            }
            AppendBracketValue(tag, output, installDir);
            at += t.length;
        }
        if (!matched) output += *at++;
    }
}

}  // namespace vrn
