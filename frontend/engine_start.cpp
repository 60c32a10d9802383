// Starting the engine for a run of the installer, and what every run needs
// of it afterwards: the whole product tree, the configured products, the
// shut-down.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "engine/archive/archive.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/run_support.h"
#include "platform/crt.h"
#include "platform/system.h"
#include "runtime/memory/memory.h"

namespace vrn::installer {

namespace {

std::vector<int32_t> g_mediumProducts;

std::string Field(const char* text, size_t width) { return std::string(text, strnlen(text, width)); }

}  // namespace

std::string DefaultLogPath() {
    for (const char* variable : {"TMP", "TEMP", "TMPDIR"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        std::string windows;
        if (ToWindowsPath(value, windows)) return windows + (windows.back() == '\\' ? "" : "\\") + "install.log";
    }
    std::string windows;
    if (ToWindowsPath(".", windows)) return windows + (windows.back() == '\\' ? "" : "\\") + "install.log";
    return {};
}

namespace {

// The engine writes the temporary files of its initialization-file rewrites
// in the directory TEMP names, in Windows form, else in the current
// directory, which is the destination. The host's temporary directory,
// when a drive reaches it, is given in that form, so that they go there.
void GiveTemporaryDirectory() {
    const char* current = GetEnv("TEMP");
    if (current != nullptr && IsWindowsForm(current)) {
        SetEnv("TEMP", WithWindowsSeparators(current).c_str());
        return;
    }
    for (const char* variable : {"TEMP", "TMP", "TMPDIR"}) {
        const char* value = GetEnv(variable);
        if (value == nullptr || *value == '\0') continue;
        std::string windows;
        if (ToWindowsPath(value, windows)) {
            SetEnv("TEMP", windows.c_str());
            return;
        }
    }
}

}  // namespace


bool EngineArguments(const Options& options, std::vector<std::string>& out, std::string& error) {
    out.clear();
    bool batch = false, log = false, nameFollows = false;
    for (const std::string& arg : options.engineArgs) {
        std::string converted = arg;
        if (arg.size() > 1 && arg[0] == '-') {
            // Switch letters as the engine reads them; text after the last
            // one is a file name.
            size_t at = 0;
            while (at + 1 < arg.size() && arg[at] == '-') {
                const char letter = arg[at + 1];
                if (letter == 'b') batch = true, nameFollows = true;
                if (letter == 'l') log = true, nameFollows = true;
                at += 2;
            }
            const std::string name = arg.substr(at);
            // A host path, or a Windows one typed with '/', takes its
            // Windows form here, where it enters.
            if (!name.empty()) {
                std::string windows;
                if (!ToWindowsPath(name, windows)) {
                    error = name + ": lies on no drive of the drive map";
                    return false;
                }
                converted = arg.substr(0, at) + windows;
            }
        } else if (nameFollows) {
            if (!ToWindowsPath(arg, converted)) {
                error = arg + ": lies on no drive of the drive map";
                return false;
            }
        }
        out.push_back(converted);
    }
    if (batch && !log) {
        const std::string path = DefaultLogPath();
        if (path.empty()) {
            error = "no directory for the installation log lies on a drive of the drive map; give -l FILE";
            return false;
        }
        out.push_back("-l");
        out.push_back(path);
    }
    return true;
}

int StartEngine(const Options& options, const Medium& located, EngineStart& out) {
    std::string error;
    std::vector<std::string> engineArgs;
    if (!EngineArguments(options, engineArgs, error)) {
        ConsoleError("vinstall: " + error + "\n");
        return EXIT_USAGE;
    }
    GiveTemporaryDirectory();
    out.medium = located;
    out.arguments.clear();
    const std::string& root = located.root;
    out.arguments.push_back(root + (root.back() == '\\' ? "" : "\\") + "install.exe");
    out.arguments.insert(out.arguments.end(), engineArgs.begin(), engineArgs.end());
    std::vector<char*> argv;
    for (std::string& a : out.arguments) argv.push_back(a.data());
    argv.push_back(nullptr);

    const int32_t result = InitializeDisplay(out.currentDir, out.sourceDir, static_cast<int32_t>(argv.size() - 1),
                                             argv.data(), 0);
    out.started = true;
    if (result != 0) {
        std::string text = "vinstall: the engine did not start";
        if ((_commandLineSwitch & SWITCH_BATCH) != 0) {
            if (located.layout == MediumLayout::Diskettes)
                text = "vinstall: You cannot run batch mode using diskettes!";
            text += std::string("; see the log ") + _logBatchFilePathName;
        }
        ConsoleError(text + "\n");
        return EXIT_FAILED;
    }
    // The device record says what the medium is.
    if ((_commandLineSwitch & SWITCH_UPDATE) == 0 && _devTable != nullptr && _devTableSize > 0) {
        const std::string type = Field(_devTable[0].deviceType, sizeof _devTable[0].deviceType);
        if (type == "cd") {
            out.medium.layout = MediumLayout::CdRom;
            out.medium.archiveDir = root;
        } else if (type == "f") {
            out.medium.layout = MediumLayout::Diskettes;
        } else {
            out.medium.layout = MediumLayout::Staged;
            const std::string staged = root + (root.back() == '\\' ? "" : "\\") + "XXARCSXX";
            out.medium.archiveDir = _access(staged.c_str(), ACCESS_EXISTS) == 0 ? staged : root;
        }
    }
    return EXIT_INSTALLED;
}

EngineStart::~EngineStart() {
    if (!started) return;
    FreeProductTable(_availableProducts);
    _availableProducts = nullptr;
    _configuredProducts = nullptr;
    _configuredProductCount = 0;
    CleanUpDisplay(0);
}

bool BuildWholeTree() {
    g_mediumProducts.clear();
    for (uint32_t i = 0; i < _sku2ProductTableSize; ++i) {
        const int32_t number = _sku2ProductTable[i].productNumber;
        if (std::find(g_mediumProducts.begin(), g_mediumProducts.end(), number) == g_mediumProducts.end())
            g_mediumProducts.push_back(number);
    }
    if (g_mediumProducts.empty()) return false;
    _availableProducts = CreateProductTable(nullptr, g_mediumProducts, _sku2ProductTable, _sku2ProductTableSize,
                                            _comp2SkuTable, _comp2SkuTableSize, _compIDTable, _compIDTableSize,
                                            _subcomp2CompTable, _subcomp2CompTableSize);
    return _availableProducts != nullptr;
}

void SetConfiguredProducts() {
    _configuredProducts = g_mediumProducts.data();
    _configuredProductCount = static_cast<uint32_t>(g_mediumProducts.size());
}

int ReportedFailure() {
    ConsoleError(std::string("vinstall: the installation failed; see the log ") + _logBatchFilePathName + "\n");
    return EXIT_FAILED;
}

int BatchDialogs::Show(HWND, std::string_view text, std::string_view title, uint32_t style) {
    FlushData((std::string(title) + "\n" + std::string(text)).c_str());
    switch (style & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: unanswered = true; return IDNO;
    case MB_ABORTRETRYIGNORE: unanswered = true; return IDABORT;
    default: unanswered = true; return IDCANCEL;
    }
}

namespace {
void PrintEntry(const char* text) { ConsoleError(std::string("vinstall: ") + text + "\n"); }
}  // namespace

LogGuard::LogGuard(bool dryRun) : active(dryRun) {
    if (active) _logEntryHook = PrintEntry;
}
LogGuard::~LogGuard() {
    if (active) _logEntryHook = nullptr;
}

}  // namespace vrn::installer
