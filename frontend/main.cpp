// vinstall: installs the Varentis product suite from a medium.
#include <string>

#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "frontend/installer.h"
#include "platform/system.h"

using namespace vrn;
using namespace vrn::installer;

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        ConsoleError("vinstall: " + error + "\n" + "Try 'vinstall --help'.\n");
        return EXIT_USAGE;
    }
    if (options.help) {
        ConsoleWrite(UsageText());
        return EXIT_INSTALLED;
    }
    if (options.version) {
        ConsoleWrite(std::string(VERSION_TEXT) + "\n");
        return EXIT_INSTALLED;
    }
    if (!SetUpDrives(options, error)) {
        ConsoleError("vinstall: " + error + "\n");
        return EXIT_USAGE;
    }
    Medium medium;
    if (!LocateMedium(options.medium, medium, error)) {
        ConsoleError("vinstall: " + error + "\n");
        return EXIT_USAGE;
    }
    if (options.verify) return RunVerify(options, medium);

    // A dry run is the plan of an unattended installation.
    uint32_t switches = 0;
    std::vector<std::string> arguments = {"vinstall"};
    arguments.insert(arguments.end(), options.engineArgs.begin(), options.engineArgs.end());
    std::vector<char*> argv2;
    for (std::string& a : arguments) argv2.push_back(a.data());
    ParseCommandLine(static_cast<int32_t>(argv2.size()), argv2.data(), &switches);
    if ((switches & SWITCH_BATCH) == 0 && options.dryRun) {
        options.engineArgs.insert(options.engineArgs.begin(), "-b");
        switches |= SWITCH_BATCH;
    }
    if ((switches & SWITCH_BATCH) != 0) {
        if (!options.recordFile.empty()) {
            ConsoleError("vinstall: --record records an interactive installation; it cannot be combined with -b\n");
            return EXIT_USAGE;
        }
        return RunBatch(options, medium);
    }
    return RunInteractive(options, medium);
}
