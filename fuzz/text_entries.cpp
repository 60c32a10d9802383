// Initialization files through the readers and a rewrite of a copy, the
// national-language file, and the drive-map file.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/products/products.h"
#include "fuzz/fuzz.h"
#include "fuzz/scratch.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "runtime/ini/ini.h"

namespace vrn::fuzz {

namespace {

// A buffer with guard bytes behind the size a routine is given.
struct GuardedBuffer {
    static constexpr size_t kGuard = 32;
    std::vector<char> bytes;
    size_t size;
    explicit GuardedBuffer(size_t n) : bytes(n + kGuard, '\x5A'), size(n) {}
    char* data() { return bytes.data(); }
    void Check(const char* routine) const {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != '\x5A') {
                Finding(std::string(routine) + " wrote past the buffer it was given");
                return;
            }
    }
};

// A parameter line: "-" stands for none.
const char* OrNull(const std::string& text) { return text == "-" ? nullptr : text.c_str(); }

bool Printable(const std::string& text) {
    for (const char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

}  // namespace

void FuzzIniFile(const uint8_t* data, size_t size) {
    // Section, key and value on the first three lines, then the file.
    const Parameters p = TakeLines(data, size, 3, 200);
    const char* section = OrNull(p.line[0]);
    const char* key = OrNull(p.line[1]);
    const char* value = OrNull(p.line[2]);
    BeginInput();
    if (!WriteHostFile(HostOf("C:\\f.ini"), p.rest, p.restSize)) return;
    if (!WriteHostFile(HostOf("C:\\copy.ini"), p.rest, p.restSize)) return;

    GuardedBuffer found(INI_LINE_SIZE);
    wdGetPrivateProfileString(section, key, "default", found.data(), static_cast<int32_t>(found.size), "C:\\f.ini");
    found.Check("wdGetPrivateProfileString");
    GuardedBuffer listing(12);
    const int32_t listed =
        wdGetPrivateProfileString(section, nullptr, "", listing.data(), static_cast<int32_t>(listing.size), "C:\\f.ini");
    listing.Check("the section listing");
    if (listed < 2 || listed > static_cast<int32_t>(listing.size) || listing.data()[listed - 1] != '\0' ||
        listing.data()[listed - 2] != '\0')
        Finding("a section listing does not end with two zero bytes within its buffer");
    wdGetPrivateProfileInt(section, key, -7, "C:\\f.ini");
    GuardedBuffer ini(40);
    wdGetIniString("C:\\f.ini", section, key, ini.data(), static_cast<int32_t>(ini.size), 1);
    ini.Check("wdGetIniString");

    if (section != nullptr && key != nullptr) {
        const int32_t fd = _open("C:\\f.ini", _O_RDONLY | _O_TEXT);
        if (fd >= 0) {
            GuardedBuffer raw(24);
            if (FindSection(section, fd) == 1 && FindEntry(key, fd) == 1) {
                const int32_t copied = CopyEntryStr(raw.data(), static_cast<int32_t>(raw.size), fd);
                if (copied < 0 || copied >= static_cast<int32_t>(raw.size)) Finding("CopyEntryStr's count is out of range");
            }
            raw.Check("CopyEntryStr");
            _close(fd);
        }
    }

    // The rewrite, of a copy: a value set is the value read back, when it is
    // a plain one-line value that the reader takes whole.
    char normalSection[INI_LINE_SIZE], normalKey[INI_LINE_SIZE];
    const bool namesValid = section != nullptr && wdIsName(section, normalSection) == 1 &&
                            (key == nullptr || wdIsName(key, normalKey) == 1);
    const int32_t written = wdWritePrivateProfileString(section, key, value, "C:\\copy.ini");
    if (namesValid && written != 0) Finding("a rewrite of a readable file with valid names failed");
    if (written == 0 && key != nullptr && value != nullptr && *value != '\0' && *value != ' ' && Printable(value) &&
        std::strlen(normalKey) + std::strlen(value) + 1 < INI_LINE_SIZE - 1 &&
        std::strlen(normalSection) + 2 < INI_LINE_SIZE - 1) {
        char back[INI_LINE_SIZE];
        wdGetPrivateProfileString(section, key, "", back, sizeof back, "C:\\copy.ini");
        if (std::strcmp(back, value) != 0)
            Finding(std::string("the value written is not read back: wrote '") + value + "', read '" + back + "'");
    }
    if (HostExists(HostOf("C:\\copy.ini")) == false) Finding("a rewrite lost its file");
}

void FuzzNlsFile(const uint8_t* data, size_t size) {
    BeginInput();
    if (!WriteHostFile(HostOf("C:\\intlset.txt"), data, size)) return;
    nlsnode* all = nullptr;
    nlsDateNode* dates = nullptr;
    nlsNumberFormatNode* numbers = nullptr;
    nlsCCCNode* codePages = nullptr;
    const int32_t result = mfGetNlsLists("C:\\intlset.txt", &all, &dates, &numbers, &codePages);
    if (result == 0 && all == nullptr && numbers == nullptr) Finding("a good national-language file without data lines");
    std::set<std::string> seen;
    for (const nlsDateNode* d = dates; d != nullptr; d = d->next)
        if (!seen.insert(std::string(d->dateFormat, strnlen(d->dateFormat, sizeof d->dateFormat))).second)
            Finding("a date format listed twice");
    seen.clear();
    for (const nlsCCCNode* c = codePages; c != nullptr; c = c->next)
        if (!seen.insert(std::string(c->codePages, strnlen(c->codePages, sizeof c->codePages))).second)
            Finding("a code page triple listed twice");
    mfFreeNlsLists(all, dates, numbers, codePages);
}

void FuzzDriveMap(const uint8_t* data, size_t size) {
    const std::string& scratch = BeginInput();
    const std::string file = scratch + "/drives";
    if (!WriteHostFile(file, data, size)) return;
    PlatformConfig config;
    std::string error;
    if (!ParsePlatformConfig(file, config, error)) {
        if (error.compare(0, file.size() + 1, file + ":") != 0)
            Finding("a drive-map refusal does not name the file and line: " + error);
        return;
    }
    for (const auto& drive : config.drives) {
        if (!drive) continue;
        if (drive->hostRoot.empty() || drive->hostRoot[0] != '/') Finding("a drive on a relative host directory");
        if (drive->freeBytes && drive->totalBytes && *drive->freeBytes > *drive->totalBytes)
            Finding("a drive with more free space than it holds");
        if (drive->clusterSize & (drive->clusterSize - 1)) Finding("a cluster size that is not a power of two");
    }
}

}  // namespace vrn::fuzz
