// The check at start-up that the medium's own loose files are all there
// and readable, with one report listing every one that is not.
#include <cstring>
#include <string>
#include <vector>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/dialogs.h"

namespace vrn {

namespace {

constexpr size_t kKeptPathLength = 510;

constexpr const char kMissingBefore[] =
    "The Varentis installation has detected that the following file(s) do not exist on your installation "
    "medium or it is not readable.";
constexpr const char kMissingAfter[] =
    "\n\nThe installation process is unable to continue!\n\nCall Varentis technical support.\n";
constexpr const char kMissingTitle[] = "File Exist/Read Error";

}  // namespace

int32_t CheckInstallFiles(const char* sourceDir, uint8_t diskettes, int32_t /*reserved*/) {
    if (_commandLineSwitch & SWITCH_UPDATE) return 0;

    std::vector<const char*> names = {"install.hlp", "install.tab", "README.VRN"};
    if (diskettes) {
        names.push_back("layout.tab");
        names.push_back("volume.id");
    }
    std::vector<std::string> missing;
    for (const char* name : names) {
        if (FindAndCheckFile(sourceDir, name) != 0) continue;
        std::string path(std::strlen(sourceDir) + std::strlen(name) + 4, '\0');
        FormatFileName(sourceDir, name, path.data());
        path.resize(std::strlen(path.c_str()));
        if (path.size() > kKeptPathLength) path.resize(kKeptPathLength);
        missing.push_back(std::move(path));
    }
    if (missing.empty()) return 0;

    std::string report = kMissingBefore;
    report += "\n\n";
    for (const std::string& path : missing) {
        report += path;
        report += "\n";
    }
    report += kMissingAfter;
    if (_commandLineSwitch & SWITCH_BATCH) FlushData(report.c_str());
    else MessageBox(_installWnd, report.c_str(), kMissingTitle, MB_OK);
    return RESULT_STOP;
}

}  // namespace vrn
