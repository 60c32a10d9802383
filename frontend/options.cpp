// vinstall's command line: its own long options first, then the engine's
// switches, which go to the engine's start-up as they are (a host path given
// as a batch or log file name is turned into its Windows form on the way).
#include <cstring>

#include "frontend/installer.h"

namespace vrn::installer {

namespace {

// An option that takes a value: "--name VALUE" or "--name=VALUE".
bool TakeValue(int argc, char** argv, int& i, const char* name, std::string& value, std::string& error) {
    const size_t length = std::strlen(name);
    const char* arg = argv[i];
    if (std::strncmp(arg, name, length) != 0) return false;
    if (arg[length] == '=') {
        value = arg + length + 1;
    } else if (arg[length] == '\0') {
        if (i + 1 >= argc) {
            error = std::string(name) + " needs a value";
            return true;
        }
        value = argv[++i];
    } else {
        return false;
    }
    if (value.empty()) error = std::string(name) + " needs a value";
    return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& out, std::string& error) {
    out = Options{};
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.rfind("--", 0) != 0) break;
        if (arg == "--dry-run") out.dryRun = true;
        else if (arg == "--verify") out.verify = true;
        else if (arg == "--help") out.help = true;
        else if (arg == "--version") out.version = true;
        else if (TakeValue(argc, argv, i, "--medium", out.medium, error) ||
                 TakeValue(argc, argv, i, "--drives", out.drivesFile, error) ||
                 TakeValue(argc, argv, i, "--wine-prefix", out.winePrefix, error) ||
                 TakeValue(argc, argv, i, "--record", out.recordFile, error)) {
            if (!error.empty()) return false;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0) {
            error = "option " + arg + " must come before the engine switches";
            return false;
        }
        out.engineArgs.push_back(arg);
    }
    // A medium or record file named in Windows form but typed with '/'
    // (E:/, C:/answers.ini) takes its backslashes here, once.
    for (std::string* windows : {&out.medium, &out.recordFile})
        if (IsWindowsForm(*windows)) *windows = WithWindowsSeparators(*windows);
    if (out.dryRun && out.verify) {
        error = "--dry-run and --verify cannot be combined";
        return false;
    }
    if (!out.recordFile.empty() && (out.dryRun || out.verify)) {
        error = "--record records an interactive installation; it cannot be combined with --dry-run or --verify";
        return false;
    }
    if (!out.drivesFile.empty() && !out.winePrefix.empty()) {
        error = "--drives and --wine-prefix cannot be combined";
        return false;
    }
    return true;
}

std::string UsageText() {
    return "usage: vinstall [OPTIONS] [ENGINE SWITCHES]\n"
           "\n"
           "Installs the Varentis product suite from a medium onto the drives of the\n"
           "drive map, interactively or unattended from a response file.\n"
           "\n"
           "Options (before the engine switches):\n"
           "  --medium DIR        the medium: a CD-ROM's or staged medium's root, the folder\n"
           "                      holding disk1, disk2, ..., or a drive such as E:\\\n"
           "                      (default: the current directory)\n"
           "  --drives FILE       the drive map (default: $VRN_DRIVES, then\n"
           "                      $XDG_CONFIG_HOME/varentis/drives, then C: on /)\n"
           "  --wine-prefix DIR   the drives of a Wine prefix (its dosdevices links)\n"
           "  --dry-run           print what would be installed, write nothing\n"
           "  --verify            test every archive of the medium\n"
           "  --record FILE       write the response file of the choices made on the\n"
           "                      screens (interactive runs), for -bFILE later\n"
           "  --help, --version\n"
           "\n"
           "Without -b, the installation runs on the terminal's screens: arrows move,\n"
           "Space chooses, Enter accepts what a screen proposes, Tab goes to its\n"
           "buttons, Esc goes back, F1 shows the medium's help, F2 its release notes,\n"
           "Ctrl-C asks whether to quit.\n"
           "\n"
           "Engine switches:\n"
           "  -b[FILE]            unattended run from the response file FILE\n"
           "                      (default install.ini in the current directory)\n"
           "  -l FILE             the installation log (with -b)\n"
           "  -q                  no progress output\n"
           "  -u, -c, -F          passed to the engine\n"
           "\n"
           "Exit status: 0 installed, 1 cancelled, 2 usage or response-file error (or no\n"
           "terminal for an interactive run), 3 installation failed (reported in the log).\n";
}

}  // namespace vrn::installer
