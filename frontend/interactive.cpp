// The interactive installation on the terminal: the screens in the
// installer's order of calls, the engine's dialogs as modal boxes, Ctrl-C
// through the engine's quit confirmation, the installation itself as the
// unattended run does it, and the response file of the choice (--record).
// Whichever way the run ends, the terminal is put back as it was found.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/archive/archive.h"
#include "engine/destination/destination.h"
#include "engine/display/display.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/console/console.h"
#include "frontend/installer.h"
#include "frontend/destination_lock.h"
#include "frontend/run_support.h"
#include "frontend/screens.h"
#include "platform/crt.h"
#include "platform/drives.h"
#include "platform/system.h"

namespace vrn::installer {

namespace {

using namespace console;

// What the way out needs, wherever the run is when it is taken (a screen,
// a box inside an engine routine, the extraction).
struct RunState {
    const Options* options = nullptr;
    Session* session = nullptr;
    Terminal* terminal = nullptr;
    bool installing = false;
    bool asking = false;
};
RunState g_run;

// Writes the response file of the choice when --record asks for it and the
// run got as far as its summary; what to tell the user afterwards.
std::string Record(const std::string& how) {
    const Options& options = *g_run.options;
    if (options.recordFile.empty()) return {};
    const Session& session = *g_run.session;
    if (!session.reachedSummary)
        return "vinstall: nothing was recorded in " + options.recordFile + ": the run ended before its summary\n";
    std::string text, error;
    if (!ResponseText(session.responses, _availableProducts, how, text, error))
        return "vinstall: the choice cannot be recorded: " + error + "\n";
    const std::string& given = options.recordFile;
    const std::string host = IsWindowsForm(given) ? HostPath(given) : given;
    if (host.empty()) return "vinstall: " + given + " lies on no drive of the drive map; nothing was recorded\n";
    if (!WriteResponseFile(host, text, error)) return "vinstall: " + error + "\n";
    return "vinstall: the choice was recorded in " + given + "\n";
}

void Goodbye(const std::string& text) {
    RestoreTerminalNow();
    ConsoleError(text);
}

// The way out of a cancelled run, from wherever it is: the record, the
// terminal, and the process ends with the status of a cancelled run (the
// engine may be in the middle of an archive, so nothing is unwound).
[[noreturn]] void LeaveCancelled() {
    const std::string recorded = Record("a run cancelled by the user");
    const Session& session = *g_run.session;
    std::string text = "vinstall: the installation was cancelled";
    if (g_run.installing) {
        FlushData(("The installation into " + session.accepted + " was cancelled by the user").c_str());
        text += "; run vinstall again to resume it in " + session.accepted;
    }
    ClearScr();
    g_run.session->ui.Present();
    Goodbye(text + "\n" + recorded);
    CleanUpDisplay(0);
    std::fflush(nullptr);
    std::_Exit(EXIT_CANCELLED);
}

// Ctrl-C: the engine's quit confirmation; a second Ctrl-C while it is open
// is not asked again.
void AskQuit() {
    if (g_run.asking) return;
    g_run.asking = true;
    const bool quit = ConfirmQuit() == 1;
    g_run.asking = false;
    if (quit) LeaveCancelled();
}

struct Screen {
    bool (*applies)(Session&);
    Step (*run)(Session&);
};

bool Always(Session&) { return true; }
bool SkuApplies(Session& s) { return SkuScreenApplies(s); }
bool EngineApplies(Session& s) {
    std::string error;
    RebuildTree(s, false, error);
    if (HasServerEngine()) return true;
    s.responses.serverEngine = -1;
    return false;
}
bool CountryApplies(Session& s) { return CountryScreenApplies(s); }

const Screen kScreens[] = {
    {Always, ProductsScreen},          {SkuApplies, SkuScreen},        {Always, ComponentsScreen},
    {EngineApplies, EngineScreen},     {LanguagesScreenApplies, LanguagesScreen},
    {CountryApplies, CountryScreen},   {Always, DestinationScreen},    {Always, SpaceScreen},
    {Always, SummaryScreen},
};
constexpr size_t kScreenCount = sizeof kScreens / sizeof kScreens[0];

// The screens from the first to the summary; false when the user cancels.
bool Choose(Session& session) {
    size_t at = 0;
    int direction = 1;
    while (at < kScreenCount) {
        std::vector<bool> applies(kScreenCount);
        size_t number = 0, count = 0;
        for (size_t i = 0; i < kScreenCount; ++i) {
            applies[i] = kScreens[i].applies(session);
            if (!applies[i]) continue;
            ++count;
            if (i <= at) ++number;
        }
        if (!applies[at]) {
            if (direction < 0 && at == 0) direction = 1;
            at = direction > 0 ? at + 1 : at - 1;
            continue;
        }
        session.stepText = "Step " + std::to_string(number) + " of " + std::to_string(count);
        switch (kScreens[at].run(session)) {
        case Step::Quit: return false;
        case Step::Next:
            direction = 1;
            ++at;
            break;
        case Step::Back:
            if (at == 0) {
                if (ConfirmCancel()) return false;
                break;
            }
            direction = -1;
            --at;
            break;
        }
    }
    return true;
}

}  // namespace

int RunInteractive(const Options& options, const Medium& located) {
    if (!HaveConsole()) {
        ConsoleError("vinstall: an interactive installation needs a terminal; without one, give a response file "
                     "(-bFILE)\n");
        return EXIT_USAGE;
    }
    ConsoleDialogs dialogs;
    DialogGuard dialogGuard(&dialogs);
    std::string error;

    // Diskettes are read from a drive of their own, the first one in it.
    Medium medium = located;
    DisketteDrive drive;
    if (medium.layout == MediumLayout::Diskettes) {
        if (!drive.SetUp(medium, error)) {
            ConsoleError("vinstall: " + error + "\n");
            return EXIT_FAILED;
        }
        medium.root = drive.Root();
        dialogs.onAnswered = [&](std::string_view title, int result) {
            if (title == "Insert Disk" && result == IDOK) drive.Insert();
        };
    }

    std::unique_ptr<Terminal> terminal = Terminal::Open(error);
    if (terminal == nullptr) {
        ConsoleError("vinstall: " + error + "; give a response file (-bFILE) to install without the screens\n");
        return EXIT_USAGE;
    }
    CellGrid grid;
    GridScreen screen(grid);
    Ui ui(grid, *terminal, terminal.get());
    dialogs.Attach(&ui);

    EngineStart start;
    if (const int status = StartEngine(options, medium, start); status != EXIT_INSTALLED) {
        dialogs.Attach(nullptr);
        Goodbye("vinstall: the engine did not start\n");
        return status;
    }
    medium = start.medium;
    SetInterruptHandler(NoteInterrupt);
    if (_logBatchFilePathName[0] == '\0') DefaultLogPath().copy(_logBatchFilePathName, sizeof _logBatchFilePathName - 1);

    Session session(ui);
    session.medium = medium;
    g_run = RunState{&options, &session, terminal.get(), false, false};
    ui.helpFile = Join(start.sourceDir, "install.hlp");
    ui.notesDirectory = start.sourceDir;
    ui.onInterrupt = AskQuit;
    ui.onHangup = LeaveCancelled;

    if (!BuildWholeTree()) {
        Goodbye("vinstall: the product tree of the medium cannot be built\n");
        return EXIT_FAILED;
    }
    DisketteLayout layout;
    if (medium.layout == MediumLayout::Diskettes) {
        _layoutTable = ReadTableFile(start.sourceDir);
        layout = ReadDisketteLayout(_layoutTable);
    }
    CalcConstDiskSpace(medium.root.c_str(), 0);
    StartSession(session, Join(medium.root, "intlset.txt"));
    // The sizes on the screens are those of the proposed destination's volume.
    {
        std::string ignored;
        RebuildTree(session, false, ignored);
        char proposal[256] = {};
        AcquireDefaultDestination("", proposal, RequiredBytes(medium));
        GetDiskSpaceInfo(proposal);
    }

    if (!Choose(session)) {
        const std::string recorded = Record("a run cancelled at its summary");
        ClearScr();
        ui.Present();
        Goodbye("vinstall: the installation was cancelled; nothing was written\n" + recorded);
        return EXIT_CANCELLED;
    }

    // The installation, as the unattended run does it.
    Installation job;
    job.medium = medium;
    job.destination = session.accepted;
    job.emptyFirst = session.emptyFirst;
    job.resuming = session.resuming;
    job.resume = session.resume;
    if (session.resuming && medium.layout != MediumLayout::CdRom)
        MarkNotExtracted(_availableProducts, session.resume.Extracted(session.accepted));
    job.plan = MakePlan(_availableProducts, session.accepted);
    if (medium.layout != MediumLayout::Diskettes) job.archives = ScanPlan(job.plan, medium.archiveDir);
    job.style = ProgressStyle::Lines;
    job.quiet = true;
    ProgressScreen progress(session);
    progress.Archives(job.plan.archives.size());
    std::optional<PainterScope> painter(std::in_place, ui, [&] { progress.Draw(); });
    job.onStep = [&](InstallStep step) {
        // The first diskette is the one the copy of the loose files asks for.
        if (step == InstallStep::LooseFiles) drive.Want(1);
        progress.StepBegun(step);
        ui.Poll();
    };
    job.onMember = [&](const Progress& p) { progress.Member(p); };
    if (medium.layout == MediumLayout::Diskettes)
        job.stage = [&](Installation& j) {
            std::string failure;
            const int status = JoinFromDiskettes(drive, layout, j.plan.archives, j.destination, j.resume, failure,
                                                 [&](const DisketteRun& run) {
                                                     progress.DisketteRun(run);
                                                     ui.Poll();
                                                 });
            if (status == EXIT_CANCELLED) LeaveCancelled();
            if (!failure.empty()) MessageBox(_installWnd, failure.c_str(), "Installation Failed", MB_OK | MB_ICONEXCLAMATION);
            return status;
        };
    // No other run may write into the destination until this one ends.
    AdvisoryLock destinationLock;
    {
        std::string note;
        const LockOutcome locked = LockDestination(session.accepted, destinationLock, note);
        if (locked == LockOutcome::Busy) {
            painter.reset();
            MessageBox(_installWnd, note.c_str(), "Installation Failed", MB_OK | MB_ICONEXCLAMATION);
            FlushData(note.c_str());
            ClearScr();
            ui.Present();
            Goodbye("vinstall: " + note + "\n" + Record("a refused installation"));
            return EXIT_FAILED;
        }
        if (locked == LockOutcome::Unavailable) FlushData(note.c_str());
    }
    FlushData(("Installing from " + medium.root + " into " + session.accepted + " as chosen on the screens").c_str());
    g_run.installing = true;
    const InstallOutcome outcome = InstallChosen(job);
    g_run.installing = false;
    if (outcome.status == EXIT_INSTALLED) {
        FinishInstallation(job, outcome);
    } else if (!outcome.failure.empty() && medium.layout != MediumLayout::Diskettes) {
        MessageBox(_installWnd, outcome.failure.c_str(), "Installation Failed", MB_OK | MB_ICONEXCLAMATION);
    }
    painter.reset();
    EndScreen(session, job, outcome);

    const std::string recorded = Record(outcome.status == EXIT_INSTALLED ? "an installation" : "a failed installation");
    ClearScr();
    ui.Present();
    std::string text = outcome.status == EXIT_INSTALLED
                           ? "vinstall: installed into " + session.accepted
                           : "vinstall: the installation into " + session.accepted + " failed";
    text += std::string("; the log: ") + _logBatchFilePathName + "\n";
    Goodbye(text + recorded);
    return outcome.status;
}

}  // namespace vrn::installer
