// The progress of the installation: the steps, the bar by bytes, the
// archive and member being extracted.
#include <chrono>
#include <cstdio>

#include "engine/display/display.h"
#include "frontend/screens.h"

namespace vrn::installer {

using namespace console;

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProgressScreen::ProgressScreen(Session& session) : session_(session) {}

void ProgressScreen::StepBegun(InstallStep step) {
    step_ = step;
    begun_ = true;
    detail_.clear();
    Draw();
}

void ProgressScreen::DisketteRun(const installer::DisketteRun& run) {
    detail_ = "Disk " + std::to_string(run.disk) + ": " + run.archive + " (" + Grouped(run.length) + " bytes)";
    Draw();
}

void ProgressScreen::Member(const Progress& progress) {
    archive_ = progress.CurrentArchive();
    member_ = progress.CurrentMember();
    bytesDone_ = progress.BytesDone();
    bytesTotal_ = progress.BytesTotal();
    archivesBegun_ = progress.ArchivesBegun();
    const int64_t now = NowMs();
    if (now - lastDrawMs_ >= 40 || bytesDone_ == bytesTotal_) {
        lastDrawMs_ = now;
        Draw();
    }
    // Ctrl-C is answered between two members.
    session_.ui.Poll();
}

void ProgressScreen::Draw() {
    Ui& ui = session_.ui;
    CellGrid& grid = ui.grid;
    DrawPage(ui, "Installing", "", "Ctrl-C Quit (a rerun resumes the installation)  F1 Help");
    const int32_t row = DisplayStatusHeader();
    DisplayStatusString(("Into " + session_.accepted).c_str(), row);

    const bool cdrom = session_.medium.layout == MediumLayout::CdRom;
    const std::pair<InstallStep, std::string> steps[] = {
        {InstallStep::Directory, session_.resuming    ? "Resuming the unfinished installation"
                                 : session_.emptyFirst ? "Emptying the destination directory"
                                                       : "Making the destination directory"},
        {InstallStep::LooseFiles, "Copying the installation files"},
        {InstallStep::Staging, session_.medium.layout == MediumLayout::Diskettes ? "Reading the archives from the diskettes"
                                                                                 : "Staging the archives"},
        {InstallStep::Extraction, "Extracting the archives"},
        {InstallStep::Tailoring, "Tailoring the installed files"},
    };
    int y = row + 2;
    for (const auto& [step, text] : steps) {
        if (step == InstallStep::Staging && cdrom) continue;
        const bool done = begun_ && step < step_;
        const bool now = begun_ && step == step_;
        PutText(grid, y++, 6, std::string(done ? "[x] " : now ? " >  " : "[ ] ") + text,
                now ? ATTR_BRIGHT : done ? ATTR_NORMAL : ATTR_DIM);
    }

    // The bar follows the bytes extracted.
    const int barTop = y + 1;
    const DisplayRect frame{4, barTop, grid.Columns() - 5, barTop + 2};
    DisplayRectangle(&frame, ATTR_NORMAL);
    const int width = frame.right - frame.left - 8;
    double fraction = 0;
    if (bytesTotal_ > 0) fraction = static_cast<double>(bytesDone_) / static_cast<double>(bytesTotal_);
    if (step_ > InstallStep::Extraction) fraction = 1;
    const int filled = static_cast<int>(fraction * width + 0.5);
    for (int i = 0; i < width; ++i)
        grid.Put(barTop + 1, frame.left + 2 + i, i < filled ? BLOCK_FULL : SHADE_LIGHT, ATTR_NORMAL);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100 + 0.5));
    PutText(grid, barTop + 1, frame.right - 5, percent, ATTR_BRIGHT);

    const int info = barTop + 4;
    if (step_ == InstallStep::Extraction && archivesBegun_ > 0) {
        PutText(grid, info, 6,
                "Archive " + std::to_string(archivesBegun_) + " of " + std::to_string(archiveCount_) + ": " + archive_,
                ATTR_NORMAL, grid.Columns() - 12);
        PutText(grid, info + 1, 6, "  " + member_, ATTR_NORMAL, grid.Columns() - 12);
        PutText(grid, info + 2, 6,
                Grouped(static_cast<double>(bytesDone_)) + " of " + Grouped(static_cast<double>(bytesTotal_)) +
                    " bytes",
                ATTR_NORMAL);
    }
    if (!detail_.empty()) PutText(grid, info, 6, detail_, ATTR_NORMAL, grid.Columns() - 12);
    ui.Present();
}

}  // namespace vrn::installer
