// The unattended installation: the engine's calls in the installer's order,
// driven by the response file, with every report going to the installation
// log and no dialog ever waited for. --dry-run stops after the space check
// and prints the plan, writing nothing.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "engine/archive/archive.h"
#include "engine/destination/destination.h"
#include "engine/products/products.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "engine/tailor/tailor.h"
#include "frontend/destination_lock.h"
#include "frontend/installer.h"
#include "frontend/run_support.h"
#include "platform/crt.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "runtime/files/files.h"

namespace vrn::installer {

namespace {

// Reports a front-end failure the engine's way (to the log) and on the
// console, and gives the exit status.
int Fail(int status, const std::string& text) {
    FlushData(text.c_str());
    ConsoleError("vinstall: " + text + "\n");
    return status;
}

int RefusedDestination(const char* destination) {
    ConsoleError(std::string("vinstall: the destination ") + destination + " was refused; see the log " +
                 _logBatchFilePathName + "\n");
    return EXIT_FAILED;
}

std::string Figure(double bytes) {
    char text[128];
    std::snprintf(text, sizeof text, "%.0f", bytes);
    FormatDiskSpace(text);
    return text;
}

void PrintPlan(const Plan& plan, const std::vector<ArchiveSummary>& archives, const std::string& destination,
               double freeBytes) {
    std::string out = "Installation plan for " + destination + "\n\nProducts:\n";
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
        out += "  " + std::string(p->productName) + " (" + std::to_string(p->productNumber) + ")\n";
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
            if ((s->flags & SKU_CHOSEN) == 0) continue;
            out += "    SKU " + std::string(s->skuName) + "\n";
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                out += "      " + std::string(c->componentName) + "\n";
                for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                    if ((sub->flags & SUBCOMPONENT_CHOSEN) != 0)
                        out += "        " + std::string(sub->subcomponentName) + "\n";
            }
        }
    }
    out += "\nArchives to extract (" + std::to_string(archives.size()) + "):\n";
    uint64_t total = 0;
    for (const ArchiveSummary& a : archives) {
        char line[400];
        std::snprintf(line, sizeof line, "  %-20s %6u members %16s bytes\n", a.name.c_str(), a.members,
                      Figure(static_cast<double>(a.bytes)).c_str());
        out += line;
        total += a.bytes;
    }
    out += "\nFiles to tailor (" + std::to_string(plan.tailoredFiles.size()) + "):\n";
    for (const std::string& f : plan.tailoredFiles) out += "  " + f + "\n";
    const uint32_t cluster = 512u << (_blockSizeIndex < 0 ? 0 : _blockSizeIndex > 7 ? 7 : _blockSizeIndex);
    out += "\nSpace on " + destination.substr(0, 2) + " (clusters of " + Figure(cluster) + " bytes):\n";
    out += "  needed    " + Figure(_addDiskSpace) + " bytes (" + Figure(static_cast<double>(total)) +
           " bytes of files before rounding to clusters)\n";
    out += "  free      " + Figure(freeBytes) + " bytes\n";
    out += std::string("  ") + (freeBytes >= _addDiskSpace ? "enough" : "NOT ENOUGH") + "\n";
    ConsoleWrite(out);
}

}  // namespace

int RunBatch(const Options& options, const Medium& located) {
    EngineStart start;
    if (const int status = StartEngine(options, located, start); status != EXIT_INSTALLED) return status;
    Medium medium = start.medium;
    BatchDialogs dialogs;
    DialogGuard dialogGuard(&dialogs);
    LogGuard logGuard(options.dryRun);
    const std::string responseFile = _iniBatchFilePathName;

    // The tree of every product of the medium; the response file says which
    // are installed.
    if (!BuildWholeTree()) return Fail(EXIT_FAILED, "the product tree of the medium cannot be built");
    Responses responses;
    std::string error;
    if (!ReadResponses(responseFile, _availableProducts, responses, error) ||
        !ApplyProductChoices(responseFile, responses, _availableProducts, error))
        return Fail(EXIT_USAGE, error);
    BuildLanguageTable();
    if (!ApplyLanguages(responseFile, responses, error)) return Fail(EXIT_USAGE, error);
    ApplyTagValues(responses);
    if (!ApplyCountry(responseFile, Join(medium.root, "intlset.txt"), responses, error))
        return Fail(EXIT_USAGE, error);
    SetConfiguredProducts();
    // No other run may write into the destination until this one ends.
    AdvisoryLock destinationLock;
    if (!options.dryRun) {
        std::string note;
        const LockOutcome locked = LockDestination(responses.destination, destinationLock, note);
        if (locked == LockOutcome::Busy) return Fail(EXIT_FAILED, note);
        if (locked == LockOutcome::Unavailable) FlushData(note.c_str());
    }
    if (!options.dryRun)
        FlushData(("Installing from " + medium.root + " into " + responses.destination + " as " + responseFile +
                   " says")
                      .c_str());

    if (!responses.saveDirectory.empty() && !options.dryRun)
        mfSaveVarentisFiles(responses.destination.c_str(), responses.saveDirectory.c_str());

    // The destination: tidied, checked by the engine's rules with every
    // refusal logged, and the existing-directory decision applied. A
    // destination holding an unfinished run of this program is resumed.
    char destination[256];
    std::strncpy(destination, responses.destination.c_str(), sizeof destination - 1);
    destination[sizeof destination - 1] = '\0';
    FormatPathName(destination);
    ResumeRecord resume;
    const bool resuming = ReadResumeRecord(destination, resume);
    if (resuming) {
        FlushData((std::string("Resuming the unfinished installation in ") + destination).c_str());
        if (medium.layout == MediumLayout::Staged) MarkNotExtracted(_availableProducts, resume.Extracted(destination));
    }
    _existingDirectoryDecision = resuming ? EXISTING_DIR_KEEP : responses.existingDirectory;

    // The space the installation needs on the destination's volume.
    CalcConstDiskSpace(medium.root.c_str(), 0);
    char query[256];
    std::strcpy(query, destination);
    GetDiskSpaceInfo(query);
    const uint32_t required = RequiredBytes(medium);

    char accepted[256] = {};
    uint8_t emptyFirst = 0;
    if (CheckBatchPathnameFormat(destination) != 0) return RefusedDestination(destination);
    _stat_t status;
    if (_existingDirectoryDecision == EXISTING_DIR_CHOOSE_ANOTHER && _stat(destination, &status) == 0 &&
        (status.st_mode & _S_IFMT) == _S_IFDIR)
        return Fail(EXIT_CANCELLED, std::string("The destination ") + destination +
                                        " exists and ExistingDirectory is cancel: nothing was installed");
    if (CheckBatchDestination(destination, accepted, &emptyFirst, 1, required) != 0)
        return RefusedDestination(destination);
    std::strcpy(_destinationPath, accepted);

    // The space check (emptying was checked with the files to be removed).
    double freeBytes = 0;
    bool enough = true;
    if (emptyFirst == 0) enough = AvailDiskSpace(nullptr, accepted, &freeBytes) == 1;
    else freeBytes = GetDiskSpaceInfo(query);

    Installation job;
    job.medium = medium;
    job.destination = accepted;
    job.emptyFirst = emptyFirst != 0;
    job.resuming = resuming;
    job.resume = resume;
    job.plan = MakePlan(_availableProducts, accepted);
    job.archives = ScanPlan(job.plan, medium.archiveDir);
    job.style = !HaveConsole() ? ProgressStyle::Lines : ProgressStyle::Bar;
    job.quiet = (_commandLineSwitch & SWITCH_QUIET) != 0;
    const Plan& plan = job.plan;
    const std::vector<ArchiveSummary>& archives = job.archives;

    if (options.dryRun) {
        PrintPlan(plan, archives, accepted, _availDiskSpace);
        return enough ? EXIT_INSTALLED : EXIT_FAILED;
    }
    if (!enough) {
        ConsoleError(std::string("vinstall: not enough space on the destination; see the log ") +
                     _logBatchFilePathName + "\n");
        return EXIT_FAILED;
    }

    const InstallOutcome outcome = InstallChosen(job);
    if (outcome.status != EXIT_INSTALLED) {
        if (!outcome.failure.empty()) ConsoleError("vinstall: " + outcome.failure + "\n");
        else if (outcome.tailoring)
            ConsoleError(std::string("vinstall: some files could not be tailored; see the log ") +
                         _logBatchFilePathName + "\n");
        else return ReportedFailure();
        return outcome.status;
    }
    if (dialogs.unanswered) return Fail(EXIT_FAILED, "a question came up that the response file does not answer");
    FinishInstallation(job, outcome);
    if ((_commandLineSwitch & SWITCH_QUIET) == 0) PrintInstalled(accepted, plan, archives);
    CleanUpDisplay(0);
    return EXIT_INSTALLED;
}

}  // namespace vrn::installer
