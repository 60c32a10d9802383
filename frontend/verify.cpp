// vinstall --verify: every archive of the medium tested in the engine's
// testing mode, nothing written. On diskettes each diskette is checked by
// its volume.id and an archive that runs over several diskettes is joined
// from its runs first (as an installation joins them), in a scratch folder
// outside the medium.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "engine/archive/archive.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/run_support.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/system.h"

namespace vrn::installer {

namespace {

namespace fs = std::filesystem;

// Keeps every box the engine shows and answers it so that the check goes
// on: a damaged member is skipped (and counted as a failure), a missing
// diskette is not waited for.
class CheckDialogs : public DialogHandler {
public:
    std::vector<std::string> shown;
    int Show(HWND, std::string_view text, std::string_view title, uint32_t style) override {
        std::string line(text);
        std::replace(line.begin(), line.end(), '\n', ' ');
        shown.push_back(std::string(title) + ": " + line);
        if (title == "Insert Disk") return IDCANCEL;
        if ((style & MB_TYPEMASK) == MB_YESNO) return IDYES;
        return IDOK;
    }
    void Beep(uint32_t) override {}
};

std::string Field(const char* text, size_t width) { return std::string(text, strnlen(text, width)); }

std::string Join(const std::string& directory, const std::string& name) {
    return directory + (directory.back() == '\\' ? "" : "\\") + name;
}

// The archive names of the medium's tables, each once, in table order.
std::vector<std::string> MediumArchives() {
    std::vector<std::string> names;
    auto add = [&](const char* text, size_t width) {
        const std::string name = Field(text, width);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    for (uint32_t i = 0; i < _compIDTableSize; ++i) add(_compIDTable[i].archiveName, sizeof _compIDTable[i].archiveName);
    for (uint32_t i = 0; i < _subcomp2CompTableSize; ++i)
        add(_subcomp2CompTable[i].archiveName, sizeof _subcomp2CompTable[i].archiveName);
    return names;
}

struct Scratch {
    std::string host;
    char letter = 0;
    ~Scratch() {
        if (letter != 0) UnmapDrive(letter);
        std::error_code ec;
        if (!host.empty()) fs::remove_all(host, ec);
    }
};

// Joins the runs of the diskette archives into the scratch drive, checking
// each diskette's volume.id on the way. Failures per archive go to `failures`.
void JoinDiskettes(const Medium& medium, const std::string& scratchRoot, std::map<std::string, std::string>& failures) {
    const DisketteLayout layout = ReadDisketteLayout(_layoutTable);
    std::map<uint32_t, std::string> diskProblems;
    for (const auto& [number, label] : layout.labels) {
        if (number < 1 || number > medium.disks.size()) {
            diskProblems[number] = "diskette " + std::to_string(number) + " is missing";
            continue;
        }
        VolumeHeader header{};
        if (ReadVolumeIDFile(medium.disks[number - 1].c_str(), &header, 0, label.c_str(),
                             static_cast<int32_t>(number)) != 0 ||
            Field(header.diskName, sizeof header.diskName) != label || header.diskNumber != number)
            diskProblems[number] = "diskette " + std::to_string(number) + " (" + medium.disks[number - 1] +
                                   ") is not \"" + label + "\" disk " + std::to_string(number);
    }
    std::set<std::string> names;
    for (const DisketteRun& r : layout.runs) names.insert(r.archive);
    for (const std::string& name : names) {
        std::string gap;
        const std::vector<DisketteRun> parts = layout.RunsOf(name, gap);
        const int out = _open(Join(scratchRoot, name).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                              _S_IREAD | _S_IWRITE);
        if (out < 0) {
            failures[name] = "it cannot be joined in the scratch folder";
            continue;
        }
        uint64_t expected = 0;
        for (const DisketteRun& r : parts) {
            if (diskProblems.count(r.disk) != 0) {
                failures[name] = diskProblems[r.disk];
                break;
            }
            if (r.offset != expected) {
                failures[name] = "the layout table leaves a gap in the archive at offset " + std::to_string(expected);
                break;
            }
            std::string error;
            if (!AppendRun(Join(medium.disks[r.disk - 1], name), r.length, out, error)) {
                failures[name] = "its part on diskette " + std::to_string(r.disk) + " is missing or short";
                break;
            }
            expected += r.length;
        }
        _close(out);
    }
}

}  // namespace

int RunVerify(const Options& options, const Medium& medium) {
    CheckDialogs dialogs;
    DialogGuard guard(&dialogs);
    InitializeGlobalVars();
    if (ReadInstallTable(medium.root.c_str(), 0) != 0) {
        ConsoleError("vinstall: " + medium.root + ": the installation tables cannot be read" +
                     (dialogs.shown.empty() ? std::string() : ": " + dialogs.shown.back()) + "\n");
        FreeGlobalVars();
        return EXIT_FAILED;
    }
    const bool diskettes = _devTableSize > 0 && Field(_devTable[0].deviceType, sizeof _devTable[0].deviceType) == "f";
    std::string archiveDir = medium.archiveDir.empty() ? medium.root : medium.archiveDir;
    if (!diskettes && _devTableSize > 0 && Field(_devTable[0].deviceType, sizeof _devTable[0].deviceType) != "cd") {
        const std::string staged = Join(medium.root, STAGED_ARCHIVE_DIR);
        if (_access(staged.c_str(), ACCESS_EXISTS) == 0) archiveDir = staged;
    }

    Scratch scratch;
    std::map<std::string, std::string> failures;
    if (diskettes) {
        _layoutTable = ReadTableFile(medium.root.c_str());
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vinstall-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            ConsoleError("vinstall: cannot make a scratch folder for the diskette archives\n");
            FreeGlobalVars();
            return EXIT_FAILED;
        }
        scratch.host = pattern;
        for (char letter = 'Z'; letter > 'A' && scratch.letter == 0; --letter)
            if (FindDrive(letter) == nullptr) scratch.letter = letter;
        DriveMapping mapping;
        mapping.hostRoot = scratch.host;
        MapDrive(scratch.letter, mapping);
        archiveDir = std::string(1, scratch.letter) + ":\\";
        JoinDiskettes(medium, archiveDir, failures);
    }

    Progress counter({}, ProgressStyle::Lines, true);
    bool allPassed = true;
    const std::vector<std::string> archives = MediumArchives();
    for (const std::string& name : archives) {
        const ArchiveSummary summary = ScanArchive(name, Join(archiveDir, name));
        std::string verdict;
        if (const auto f = failures.find(name); f != failures.end()) {
            verdict = "FAILED: " + f->second;
        } else {
            dialogs.shown.clear();
            const int32_t result = DecompressFile("*", summary.path.c_str(), archiveDir.c_str(), 1);
            const uint32_t tested = counter.MembersDone(summary.path);
            if (result == 0 && dialogs.shown.empty() && summary.readable && tested == summary.members)
                verdict = "OK";
            else if (!dialogs.shown.empty())
                verdict = "FAILED: " + dialogs.shown.front();
            else
                verdict = "FAILED: " + std::to_string(tested) + " of " + std::to_string(summary.members) +
                          " members passed";
        }
        if (verdict != "OK") allPassed = false;
        char line[700];
        std::snprintf(line, sizeof line, "%-20s %6u members %14llu bytes  %s\n", name.c_str(), summary.members,
                      static_cast<unsigned long long>(summary.bytes), verdict.c_str());
        ConsoleWrite(line);
    }
    if (archives.empty()) ConsoleWrite("the medium's tables name no archive\n");
    (void)options;
    FreeGlobalVars();
    return allPassed ? EXIT_INSTALLED : EXIT_FAILED;
}

}  // namespace vrn::installer
