// What the installer's runs share: the engine's start-up from the program's
// options, the tree of every product of the medium, the dialog handler of
// unattended runs, the progress display, the staging of archives and the
// record of an unfinished run that a rerun resumes.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

// Builds the tree of every product of the medium into _availableProducts.
bool BuildWholeTree();
// Frees a product tree (the engine never does).
void FreeProductTree(ProductNode* products);
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

}  // namespace vrn::installer
