// What the installer's runs share: the engine's start-up from the program's
// options, the tree of every product of the medium, the dialog handler of
// unattended runs, the progress display, the staging of archives and the
// record of an unfinished run that a rerun resumes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/state/state.h"
#include "frontend/installer.h"
#include "platform/dialogs.h"

namespace vrn::installer {

// ---------------------------------------------------------------------------
// Start-up and shut-down

// The engine started for a run; its destructor frees the product tree and
// shuts the engine down.
struct EngineStart {
    bool started = false;
    Medium medium;           // with the layout the medium's device record gives
    char currentDir[256] = {};
    char sourceDir[256] = {};
    std::vector<std::string> arguments;   // the engine's argument vector
    ~EngineStart();
};

// Starts the engine with the program's path on the medium and the engine
// switches (host paths given as file names turned into Windows form; in
// batch mode without -l, the log goes to the first of $TMP, $TEMP, $TMPDIR
// and the current directory that lies on a drive). EXIT_INSTALLED when it
// started, else the exit status, with the reason printed.
int StartEngine(const Options& options, const Medium& located, EngineStart& out);

// The engine switches with file names in Windows form; false with `error`
// naming a host path that lies on no drive.
bool EngineArguments(const Options& options, std::vector<std::string>& out, std::string& error);

// A directory joined with a name by the engine's joining rules.
inline std::string Join(const std::string& directory, const char* name) {
    return JoinedFileName(directory.c_str(), name);
}

// Builds the tree of every product of the medium into _availableProducts.
bool BuildWholeTree();
// Points the engine's configured product numbers at every product of the medium.
void SetConfiguredProducts();

// The exit status of a failure the engine has already reported, with a
// pointer to the log on the console.
int ReportedFailure();

// The temporary files of a run that was cut short: the tailoring's
// temporary file and the hidden copy of a file not yet under its name.
bool IsLeftoverOfInterruptedRun(std::string_view name);
// Removes them from the tree of a destination (Windows form) that this run
// holds the lock of; returns how many were removed.
int RemoveLeftovers(const std::string& destination);

// The log's place when none is given, in Windows form: install.log in the
// first of $TMP, $TEMP, $TMPDIR and the host's working directory that lies on
// a drive; "" when none does.
std::string DefaultLogPath();

// ---------------------------------------------------------------------------
// Dialogs and the log of unattended runs

// Writes every box to the installation log and answers it without waiting:
// OK for a box that only informs; a question cannot be answered unattended,
// so it is refused (Cancel, No, Abort) and the run fails.
class BatchDialogs : public DialogHandler {
public:
    bool unanswered = false;
    int Show(HWND owner, std::string_view text, std::string_view title, uint32_t style) override;
    void Beep(uint32_t) override {}
};

struct DialogGuard {
    DialogHandler* previous;
    explicit DialogGuard(DialogHandler* handler) : previous(SetDialogHandler(handler)) {}
    ~DialogGuard() { SetDialogHandler(previous); }
};

// In a dry run, log entries are printed on standard error instead of being
// written.
struct LogGuard {
    bool active;
    explicit LogGuard(bool dryRun);
    ~LogGuard();
};

// ---------------------------------------------------------------------------
// Progress

enum class ProgressStyle : uint8_t { Bar, Lines };

// Follows the extraction member by member: on a terminal a bar by bytes
// (archive, member, percentage, rate), otherwise a line per archive, nothing
// when quiet. Counts the members extracted from each archive.
class Progress {
public:
    Progress(const std::vector<ArchiveSummary>& archives, ProgressStyle style, bool quiet);
    ~Progress();
    void MemberDone(const char* archivePath, const char* member, uint32_t bytes);
    void Finish();
    // Members extracted from the archive of that name or path.
    uint32_t MembersDone(const std::string& archive) const;

    // Called after each member, for a display of its own.
    std::function<void(const Progress&)> onMember;
    const std::string& CurrentArchive() const { return current_; }
    const std::string& CurrentMember() const { return member_; }
    uint64_t BytesDone() const { return bytes_; }
    uint64_t BytesTotal() const { return total_; }
    // Archives begun so far.
    size_t ArchivesBegun() const { return done_.size(); }

private:
    void Draw(bool final);
    void ArchiveLine(const std::string& name);
    std::map<std::string, uint32_t> done_;
    std::map<std::string, uint64_t> bytesOf_;
    std::string current_, member_;
    uint64_t total_ = 0, bytes_ = 0;
    int64_t startMs_ = 0, lastDrawMs_ = -1000;
    ProgressStyle style_;
    bool quiet_;
    bool finished_ = false;
};

// ---------------------------------------------------------------------------
// Staging and the record of an unfinished run

// The record an installation keeps in its destination until it has
// finished: a rerun finds it, keeps what is there instead of refusing the
// existing directory, and on a staged medium does not extract again the
// archives that were staged and are gone (extracted).
inline constexpr char RESUME_RECORD[] = "vinstall.run";

struct ResumeRecord {
    std::set<std::string> staged;    // archives copied into XXARCSXX
    std::set<std::string> damaged;   // archives not extracted whole
    // The archives that were staged, are no longer there and were not damaged.
    std::set<std::string> Extracted(const std::string& destination) const;
    bool Write(const std::string& destination) const;
    static void Remove(const std::string& destination);
};
// True when the destination holds the record of an unfinished run.
bool ReadResumeRecord(const std::string& destination, ResumeRecord& out);

// Copies the archives into the destination's XXARCSXX, noting each in the
// record. False after a reported failure.
bool StageArchives(const Medium& medium, const std::string& destination, const std::vector<std::string>& archives,
                   ResumeRecord& record);

// What was installed, on standard output.
void PrintInstalled(const std::string& destination, const Plan& plan, const std::vector<ArchiveSummary>& archives);

// Marks not extracted every node whose archive is one of `archives` (the
// archives a resumed run extracted before).
void MarkNotExtracted(ProductNode* products, const std::set<std::string>& archives);

// ---------------------------------------------------------------------------
// The installation proper, the same for an unattended run and an
// interactive one once the choice is final and the destination accepted.

// The space the installation needs on the volume queried last: the
// installation utility's own files, the chosen components and, unless the
// medium is a CD-ROM, the largest archive (staged before it is extracted).
uint32_t RequiredBytes(const Medium& medium);
// The plan's archives, each read from its member headers where it lies.
std::vector<ArchiveSummary> ScanPlan(const Plan& plan, const std::string& archiveDir);

enum class InstallStep : uint8_t { Directory, LooseFiles, Staging, Extraction, Tailoring };

struct Installation {
    Medium medium;
    std::string destination;        // accepted by the destination checks
    bool emptyFirst = false;        // the existing directory is emptied first
    bool resuming = false;          // it holds the record of an unfinished run
    ResumeRecord resume;
    Plan plan;
    std::vector<ArchiveSummary> archives;
    ProgressStyle style = ProgressStyle::Lines;
    bool quiet = false;
    std::function<void(InstallStep)> onStep;
    std::function<void(const Progress&)> onMember;
    // Brings the plan's archives under the destination's XXARCSXX on a
    // medium other than a CD-ROM: EXIT_INSTALLED, else the exit status
    // (the reason already reported). Unset: copied from the medium.
    std::function<int(Installation&)> stage;
};

struct InstallOutcome {
    int status = EXIT_INSTALLED;
    std::string failure;        // what failed, already written to the log
    bool tailoring = false;     // some files could not be tailored (reported)
    uint32_t files = 0;         // members extracted
};

// Empties or creates the destination, writes the record of an unfinished
// run, copies the medium's own files, stages the archives, extracts them
// with the progress shown, and tailors the installed files. A failure the
// engine reported leaves `failure` empty.
InstallOutcome InstallChosen(Installation& job);
// What a finished installation does last: the log's entry, the record of
// the unfinished run and the staging folder removed.
void FinishInstallation(const Installation& job, const InstallOutcome& outcome);

// ---------------------------------------------------------------------------
// Diskettes

// A run of an archive on a diskette, as layout.tab gives it: the diskette's
// number, the offset in the archive and the length of the run; the run is
// the file of the archive's name on that diskette.
struct DisketteRun {
    std::string archive;
    uint32_t disk = 0, offset = 0, length = 0;
};
struct DisketteLayout {
    std::vector<DisketteRun> runs;             // in layout order
    std::map<uint32_t, std::string> labels;    // each diskette's name, by number
    // The runs of one archive by offset; `problem` set when they leave a gap.
    std::vector<DisketteRun> RunsOf(const std::string& archive, std::string& problem) const;
    // The diskettes that hold runs of the archives, in layout order.
    std::vector<uint32_t> DisksFor(const std::set<std::string>& archives) const;
};
DisketteLayout ReadDisketteLayout(const LayoutNode* layout);
// Appends `length` bytes of the run file (Windows form) to the open
// descriptor. False with `error` set when it is missing or short.
bool AppendRun(const std::string& runPath, uint32_t length, int outFd, std::string& error);

// The drive the diskettes are read from. A set of diskette folders
// (disk1, disk2, ... as the medium builder writes them) is read through a
// removable drive of its own, whose folder is the diskette in the drive:
// answering OK in an "Insert Disk" box puts the asked diskette's folder
// there. On a real drive nothing is put in: the user changes the diskette.
class DisketteDrive {
public:
    // The drive for the medium's diskettes, the first one in it.
    bool SetUp(const Medium& medium, std::string& error);
    // The drive's root ("B:").
    const std::string& Root() const { return root_; }
    // The diskette the next "Insert Disk" box asks for; Insert puts it in.
    void Want(uint32_t disk) { wanted_ = disk; }
    void Insert();
    // Until the diskette's volume.id names it: asks for it by its name and
    // number, and names the wrong one found. 0; 65535 when the user quits;
    // else the result of a reported failure.
    int32_t Fetch(uint32_t disk, const std::string& label);

private:
    std::vector<std::string> folders_;   // host folders of a set, by number - 1
    char letter_ = 0;
    std::string root_;
    uint32_t wanted_ = 1;
    uint32_t inserted_ = 1;
};

// Joins the runs of the plan's archives from the diskettes under the
// destination's XXARCSXX, asking for each diskette in layout order and
// noting each archive in the record. EXIT_INSTALLED, EXIT_CANCELLED when the
// user quits at a prompt, EXIT_FAILED with `failure` set (and logged).
int JoinFromDiskettes(DisketteDrive& drive, const DisketteLayout& layout, const std::vector<std::string>& archives,
                      const std::string& destination, ResumeRecord& record, std::string& failure,
                      const std::function<void(const DisketteRun&)>& onRun);

}  // namespace vrn::installer
