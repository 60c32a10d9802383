// What a run that was cut short (killed, the machine switched off) leaves
// behind in the destination: the tailoring's temporary file beside a file
// it was tailoring, and the hidden copy of a file that had not yet taken
// the file's name. The engine never overwrites a temporary tailoring file,
// so a rerun would refuse to tailor that directory's files while one is
// there. Only the run holding the destination's lock calls this, so no
// other run can be using them.
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/tailor/tailor.h"
#include "frontend/run_support.h"
#include "platform/drives.h"

namespace vrn::installer {

namespace {

namespace fs = std::filesystem;

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// ".NAME.copy-" and six characters: a whole-file copy's own name.
bool IsUnfinishedCopy(std::string_view name) {
    constexpr std::string_view kMark = ".copy-";
    if (name.size() < 1 + 1 + kMark.size() + 6 || name[0] != '.') return false;
    const size_t at = name.size() - 6 - kMark.size();
    if (name.substr(at, kMark.size()) != kMark) return false;
    for (const char c : name.substr(at + kMark.size()))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

bool IsLeftoverOfInterruptedRun(std::string_view name) {
    return SameLetters(name, TAILOR_TEMPORARY_NAME) || IsUnfinishedCopy(name);
}

int RemoveLeftovers(const std::string& destination) {
    const std::string host = HostPath(destination);
    std::error_code ec;
    if (host.empty() || !fs::is_directory(host, ec)) return 0;
    int removed = 0;
    fs::recursive_directory_iterator walk(host, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
        const fs::directory_entry& entry = *walk;
        if (!entry.is_regular_file(ec) || !IsLeftoverOfInterruptedRun(entry.path().filename().string())) continue;
        std::error_code removeError;
        if (fs::remove(entry.path(), removeError)) ++removed;
    }
    return removed;
}

}  // namespace vrn::installer
