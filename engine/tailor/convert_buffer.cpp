// The tag table and the conversion of one line: every marker replaced by the
// value it stands for.
#include <array>
#include <bit>
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

constexpr TailorTag _tailorTags[TAILOR_TAG_COUNT] = {
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

namespace {

// For each character, the table positions (as bits) of the markers that
// begin with it: at a position only those need trying.
constexpr std::array<uint32_t, 256> kTagsByFirstChar = [] {
    std::array<uint32_t, 256> byFirst{};
    for (int32_t tag = 0; tag < TAILOR_TAG_COUNT; ++tag)
        byFirst[static_cast<unsigned char>(_tailorTags[tag].marker[0])] |= 1u << tag;
    return byFirst;
}();

// Likewise by the third character, which tells most bracket tags apart.
constexpr std::array<uint32_t, 256> kTagsByThirdChar = [] {
    std::array<uint32_t, 256> byThird{};
    for (int32_t tag = 0; tag < TAILOR_TAG_COUNT; ++tag)
        byThird[static_cast<unsigned char>(_tailorTags[tag].marker[2])] |= 1u << tag;
    return byThird;
}();

static_assert([] {
    for (const TailorTag& t : _tailorTags)
        if (t.length < 4) return false;
    return true;
}(), "the candidate tables look at the third character of every marker");

// The markers that may begin at `at`.
uint32_t TagsAt(const char* at, const char* end) {
    if (end - at < 4) return 0;
    return kTagsByFirstChar[static_cast<unsigned char>(at[0])] & kTagsByThirdChar[static_cast<unsigned char>(at[2])];
}

// The high bit of every byte of v that equals c (and, above the lowest
// such byte, maybe of some that do not): never one missed.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;
uint64_t BytesEqual(uint64_t v, unsigned char c) {
    const uint64_t x = v ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighs;
}

// A position at or after `at`, at the latest the first where a marker can
// begin, or `end`: eight positions at a time where the byte order allows,
// passing over those whose first two characters begin no marker ("se",
// "%%" and "[["). The position found is only a candidate; it is tried.
const char* NextCandidate(const char* at, const char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        while (end - at >= 9) {
            uint64_t first = 0, second = 0;
            std::memcpy(&first, at, sizeof first);
            std::memcpy(&second, at + 1, sizeof second);
            const uint64_t hits = (BytesEqual(first, 's') & BytesEqual(second, 'e')) |
                                  (BytesEqual(first, '%') & BytesEqual(second, '%')) |
                                  (BytesEqual(first, '[') & BytesEqual(second, '['));
            if (hits != 0) return at + std::countr_zero(hits) / 8;
            at += 8;
        }
    }
    while (at < end && kTagsByFirstChar[static_cast<unsigned char>(*at)] == 0) ++at;
    return at;
}

}  // namespace

void ConvertBuffer(const char* input, std::string& output, const char* installDir) {
    const char* at = input;
    const char* const end = input + std::strlen(input);
    // Text that matches no marker is copied in runs, up to the next match.
    const char* run = at;
    for (;;) {
        at = NextCandidate(at, end);
        if (at == end) break;

        // One pass over the table at this position: after a match the
        // markers further down are tried where the input now stands. Only
        // markers that begin with the character there can match.
        bool matched = false;
        for (uint32_t candidates = TagsAt(at, end); candidates != 0;) {
            const int32_t tag = std::countr_zero(candidates);
            candidates &= candidates - 1;
            const TailorTag& t = _tailorTags[tag];
            if (static_cast<size_t>(end - at) < t.length || at[1] != t.marker[1] ||
                std::memcmp(at + 3, t.marker + 3, t.length - 3) != 0)
                continue;
            matched = true;
            output.append(run, static_cast<size_t>(at - run));
            if (t.lineTag) {
                // The marker, the directory, and what follows the line's
                // old value: its line feed and anything after it.
                output.append(t.marker, t.length);
                AppendLineTagValue(output);
                if (const void* lf = std::memchr(at, '\n', static_cast<size_t>(end - at)))
                    output.append(static_cast<const char*>(lf), static_cast<size_t>(end - static_cast<const char*>(lf)));
                return;
            }
            AppendBracketValue(tag, output, installDir);
            at += t.length;
            run = at;
            // The markers after this one, as far as they begin with the
            // character that now follows.
            candidates = TagsAt(at, end) & ~((2u << tag) - 1);
        }
        // No marker here: the character stays in the run.
        if (!matched) ++at;
    }
    output.append(run, static_cast<size_t>(end - run));
}

}  // namespace vrn
