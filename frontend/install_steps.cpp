// The installation proper, shared by the unattended and the interactive
// run: from the accepted destination to the tailored files, in the
// installer's order of calls.
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "engine/tailor/tailor.h"
#include "frontend/run_support.h"
#include "platform/crt.h"

namespace vrn::installer {

namespace {

bool Exists(const std::string& path) { return _access(path.c_str(), ACCESS_EXISTS) == 0; }

InstallOutcome Failed(const std::string& text) {
    FlushData(text.c_str());
    InstallOutcome outcome;
    outcome.status = EXIT_FAILED;
    outcome.failure = text;
    return outcome;
}

InstallOutcome Reported(int status = EXIT_FAILED) {
    InstallOutcome outcome;
    outcome.status = status;
    return outcome;
}

void Step(const Installation& job, InstallStep step) {
    if (job.onStep) job.onStep(step);
}

// An archive that cannot be read whole stops the installation before it
// writes anything (or, on diskettes, before anything is extracted).
std::string Unreadable(const std::vector<ArchiveSummary>& archives) {
    for (const ArchiveSummary& a : archives)
        if (!a.readable) return "The archive " + a.path + " of the medium cannot be read or is damaged";
    return {};
}

}  // namespace

void MarkNotExtracted(ProductNode* products, const std::set<std::string>& archives) {
    for (ProductNode* p = products; p != nullptr; p = p->next)
        for (SkuNode* s = p->firstSku; s != nullptr; s = s->next)
            for (ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                if (archives.count(c->archiveName) != 0) c->flags |= COMPONENT_NOT_EXTRACTED;
                for (SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                    if (archives.count(sub->archiveName) != 0) sub->flags |= SUBCOMPONENT_NOT_EXTRACTED;
            }
}

uint32_t RequiredBytes(const Medium& medium) {
    return _constDiskSpace + CalcReqDiskSpace(_availableProducts) +
           (medium.layout == MediumLayout::CdRom ? 0 : FindLargestArchive(_availableProducts));
}

std::vector<ArchiveSummary> ScanPlan(const Plan& plan, const std::string& archiveDir) {
    std::vector<ArchiveSummary> archives;
    for (const std::string& name : plan.archives)
        archives.push_back(ScanArchive(name, Join(archiveDir, name.c_str())));
    return archives;
}

InstallOutcome InstallChosen(Installation& job) {
    const std::string& destination = job.destination;
    const bool diskettes = job.medium.layout == MediumLayout::Diskettes;
    if (!diskettes)
        if (const std::string bad = Unreadable(job.archives); !bad.empty()) return Failed(bad);

    // Directory creation or emptying.
    Step(job, InstallStep::Directory);
    if (job.emptyFirst) {
        char work[256];
        std::strncpy(work, destination.c_str(), sizeof work - 1);
        work[sizeof work - 1] = '\0';
        if (RemovePath(work) != 0) return Reported();
    }
    if (!Exists(destination))
        if (CreateDirectoryPath(destination.c_str(), 0) != 0) return Reported();
    if (const int removed = RemoveLeftovers(destination); removed > 0)
        FlushData(("Removed " + std::to_string(removed) + " temporary files that an interrupted run left in " +
                   destination)
                      .c_str());
    if (!job.resuming) job.resume = ResumeRecord{};
    if (!job.resume.Write(destination)) return Failed("cannot write " + Join(destination, RESUME_RECORD));

    Step(job, InstallStep::LooseFiles);
    if (CopyInstallFiles(job.medium.root.c_str(), destination.c_str(), _devTable, 0) != 0) return Reported();
    if (job.medium.layout != MediumLayout::CdRom) {
        Step(job, InstallStep::Staging);
        if (job.stage) {
            if (const int status = job.stage(job); status != EXIT_INSTALLED) return Reported(status);
        } else if (!StageArchives(job.medium, destination, job.plan.archives, job.resume)) {
            return Reported();
        }
    }
    if (diskettes) {
        // The archives are whole only now that their runs are joined.
        job.archives = ScanPlan(job.plan, Join(destination, STAGED_ARCHIVE_DIR));
        if (const std::string bad = Unreadable(job.archives); !bad.empty()) return Failed(bad);
    }

    Step(job, InstallStep::Extraction);
    Progress progress(job.archives, job.style, job.quiet);
    progress.onMember = job.onMember;
    const int32_t exploded = ExplodeArchives("", destination.c_str(), job.medium.archiveDir.c_str(), _availableProducts);
    progress.Finish();
    if (exploded != 0) return Reported();
    // A damaged member is skipped without a report in batch mode (and by the
    // user's choice interactively); an archive that was not extracted whole
    // fails the run, and its rerun extracts it again.
    InstallOutcome outcome;
    for (const ArchiveSummary& a : job.archives) {
        const uint32_t done = progress.MembersDone(a.path);
        outcome.files += done;
        if (done == a.members) continue;
        job.resume.damaged.insert(a.name);
        job.resume.Write(destination);
        const std::string member = done < a.memberNames.size() ? a.memberNames[done] : std::string("?");
        return Failed("The archive " + a.name + " was not extracted whole: its member " + member + " is damaged (" +
                      std::to_string(done) + " of " + std::to_string(a.members) + " members extracted)");
    }
    if (ZOV_INSTALL_FLAG != 0) moveZOVFiles(destination.c_str());

    Step(job, InstallStep::Tailoring);
    const uint32_t reportsBeforeTailoring = _reportCount;
    const int32_t tailored = TailorFiles(destination.c_str(), _availableProducts, _tlrTable, _tlrTableSize, 0);
    if (tailored != 0 || _reportCount != reportsBeforeTailoring) {
        outcome.status = EXIT_FAILED;
        outcome.tailoring = true;
    }
    return outcome;
}

void FinishInstallation(const Installation& job, const InstallOutcome& outcome) {
    FlushData((std::string("Installation complete: ") + std::to_string(outcome.files) + " files from " +
               std::to_string(job.archives.size()) + " archives in " + job.destination + ", " +
               std::to_string(job.plan.tailoredFiles.size()) + " files tailored")
                  .c_str());
    ResumeRecord::Remove(job.destination);
    _rmdir(Join(job.destination, STAGED_ARCHIVE_DIR).c_str());
}

}  // namespace vrn::installer
