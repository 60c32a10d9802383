// Tag substitution: ConvertBuffer on every line of the input against a
// plain reading of the tag rules, and ModifyFile on a file of the input.
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "engine/state/state.h"
#include "engine/tailor/tailor.h"
#include "fuzz/fuzz.h"
#include "fuzz/scratch.h"

namespace vrn::fuzz {

namespace {

void SetText(char (&out)[256], const std::string& text) {
    std::strncpy(out, text.c_str(), sizeof out - 1);
    out[sizeof out - 1] = '\0';
}

// The value of a bracket tag, by its position in the tag table.
std::string TagValue(int32_t tag, const std::string& installDir) {
    switch (tag) {
    case 2: return installDir;
    case 3: return _workPath;
    case 4: return _docRootDestPath;
    case 5: return _cgiScriptDestPath;
    case 6: return _javaDestinationPath;
    case 7: {
        std::string joined(installDir.size() + 8, '\0');
        FormatFileName(installDir.c_str(), "jfc", joined.data());
        return joined.c_str();
    }
    case 8: return _nlsCpinternal;
    case 9: return _nlsCpcollation;
    case 10: return _nlsCpcase;
    case 11: return _nlsDateFormat;
    case 12: return _nlsNumberFormat;
    case 13: return _nlsNumsep;
    case 14: return _nlsNumdec;
    case 15: return _szFolderName;
    case 16: return _szDefaultLanguage;
    case 17: return _szDefaultCountry;
    case 18: return _szArchiveDir;
    case 19: return _szUseSourceEditor;
    case 20: {
        if (_bIsKestrelAdapterInstalled == 0 && _bInstallingKestrelMqAdapter == 0) return {};
        const std::string lib = std::string(_destinationPath) + "\\java\\kestrelMQ\\lib\\";
        return ";" + lib + "client.jar;" + lib + "jndi.jar";
    }
    default: return {};
    }
}

// The rules read plainly: at each position the markers in table order, each
// match replaced and the next markers tried where the input then stands; a
// pass without a match copies one character; a line tag ends the line with
// the destination directory and keeps its line feed and what follows.
std::string Reference(const std::string& input, const std::string& installDir) {
    std::string out;
    size_t at = 0;
    while (at < input.size()) {
        bool matched = false;
        for (int32_t tag = 0; tag < TAILOR_TAG_COUNT; ++tag) {
            const TailorTag& t = _tailorTags[tag];
            if (input.compare(at, t.length, t.marker) != 0) continue;
            matched = true;
            if (t.lineTag) {
                out += std::string(t.marker) + _destinationPath;
                const size_t lf = input.find('\n', at);
                if (lf != std::string::npos) out += input.substr(lf);
                return out;
            }
            out += TagValue(tag, installDir);
            at += t.length;
        }
        if (!matched) out += input[at++];
    }
    return out;
}

// The pieces the line reader hands out: lines with their line feed, at most
// TAILOR_LINE_SIZE - 1 bytes each.
template <typename Each>
void ForEachPiece(const std::string& text, Each each) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = at;
        while (end < text.size() && end - at < TAILOR_LINE_SIZE - 1 && text[end] != '\n') ++end;
        if (end < text.size() && text[end] == '\n' && end - at < TAILOR_LINE_SIZE - 1) ++end;
        each(text.substr(at, end - at));
        at = end;
    }
}

}  // namespace

void FuzzTailoring(const uint8_t* data, size_t size) {
    // The destination and the installation directory, a line of flags (its
    // first byte's bits: Kestrel adapters, empty national-language texts),
    // then the file.
    const Parameters p = TakeLines(data, size, 3, 255);
    BeginInput();
    SetText(_destinationPath, p.line[0]);
    const std::string installDir = p.line[1].substr(0, p.line[1].find('\0'));   // as a C text holds it
    const uint8_t flags = p.line[2].empty() ? 0 : static_cast<uint8_t>(p.line[2][0]);
    _bIsKestrelAdapterInstalled = flags & 1;
    _bInstallingKestrelMqAdapter = (flags >> 1) & 1;
    const bool empty = (flags & 4) != 0;
    SetText(_workPath, empty ? "" : "D:\\work");
    SetText(_docRootDestPath, "C:\\www");
    SetText(_cgiScriptDestPath, empty ? "" : "C:\\www\\cgi");
    SetText(_javaDestinationPath, "C:\\Java 1.1");
    SetText(_nlsCpinternal, "ISO8859-1");
    SetText(_nlsCpcollation, empty ? "" : "german");
    SetText(_nlsCpcase, "upper8859");
    SetText(_nlsDateFormat, "DD.MM.YYYY");
    SetText(_nlsNumberFormat, "1.234.567,89");
    SetText(_nlsNumsep, ".");
    SetText(_nlsNumdec, ",");
    SetText(_szFolderName, "[[folder-name]]");   // a value is never scanned again
    SetText(_szDefaultLanguage, "German");
    SetText(_szDefaultCountry, "Germany");
    SetText(_szArchiveDir, "E:\\");
    SetText(_szUseSourceEditor, "yes");
    _bIsVrnenvBatFile = 0;

    const std::string text(reinterpret_cast<const char*>(p.rest), p.restSize);
    std::string expected;
    ForEachPiece(text, [&](const std::string& piece) {
        const std::string line = piece.substr(0, piece.find('\0'));
        std::string converted;
        ConvertBuffer(line.c_str(), converted, installDir.c_str());
        const std::string reference = Reference(line, installDir);
        if (converted != reference) Finding("ConvertBuffer gives '" + converted + "' where the rules give '" + reference + "'");
        expected += reference;
    });

    // The same text as a file: tailored whole, in text mode, nothing left behind.
    const std::string dir = HostOf("C:\\d");
    ::mkdir(dir.c_str(), 0700);
    if (!WriteHostFile(dir + "/f.txt", text)) return;
    const int32_t result = ModifyFile("C:\\d\\f.txt", installDir.c_str());
    if (result != 0) {
        Finding("tailoring a readable file failed");
        return;
    }
    if (HostExists(dir + "/" + TAILOR_TEMPORARY_NAME)) Finding("tailoring left its temporary file");
    // Text mode reads CR LF as LF and stops at a Ctrl-Z; a NUL ends what a
    // line gives. Without them the file is the rules' text with CR LF.
    if (text.find_first_of(std::string("\r\x1a\0", 3)) == std::string::npos) {
        std::string crlf;
        for (const char c : expected) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        if (ReadHostFile(dir + "/f.txt") != crlf) Finding("the tailored file is not the rules' text");
    }
}

}  // namespace vrn::fuzz
