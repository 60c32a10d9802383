// The summary to confirm before anything is written, and the end screen.
#include <cstring>

#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "frontend/screens.h"

namespace vrn::installer {

using namespace console;

namespace {

const char* MediumKind(MediumLayout layout) {
    switch (layout) {
    case MediumLayout::CdRom: return "CD-ROM";
    case MediumLayout::Staged: return "staged archives";
    default: return "diskettes";
    }
}

// The chosen tree, a product, its SKU, its components and their chosen
// subcomponents on rows of their own.
void TreeRows(std::vector<ListRow>& rows) {
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
            if ((s->flags & SKU_CHOSEN) == 0) continue;
            rows.push_back(ListRow{"  " + std::string(p->productName) + " - " + s->skuName, "", false, ATTR_BRIGHT});
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                std::string subs;
                for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                    if ((sub->flags & SUBCOMPONENT_CHOSEN) != 0)
                        subs += std::string(subs.empty() ? "" : ", ") + sub->subcomponentName;
                const std::string line = std::string(c->componentName) + (subs.empty() ? "" : ": " + subs);
                // The subcomponents that do not fit go on lines of their own, further in.
                bool first = true;
                for (const std::string& piece : WrapText(line, PAGE_COLUMNS - 14)) {
                    rows.push_back(ListRow{(first ? "      " : "          ") + piece, "", false});
                    first = false;
                }
            }
        }
    }
}

std::string Field(std::string_view label, const std::string& value) {
    std::string line = "  " + std::string(label);
    line.resize(18, ' ');
    return line + value;
}

}  // namespace

Step SummaryScreen(Session& session) {
    session.reachedSummary = true;
    const Plan plan = MakePlan(_availableProducts, session.accepted);
    const Responses& r = session.responses;
    std::vector<ListRow> rows;
    rows.push_back(ListRow{Field("From", session.medium.root + " (" + MediumKind(session.medium.layout) + ")"), "", false});
    std::string into = session.accepted;
    if (session.resuming) into += " (an unfinished installation, resumed)";
    else if (session.emptyFirst) into += " (emptied first)";
    else if (r.existingDirectory == EXISTING_DIR_KEEP) into += " (kept as it is)";
    else into += " (created)";
    rows.push_back(ListRow{Field("Into", into), "", false});
    if (r.serverEngine >= 0) {
        static const char* const kEngines[] = {"the 4GL engine", "the SQL engine", "both engines"};
        rows.push_back(ListRow{Field("Server engines", std::string(kEngines[r.serverEngine % 3]) +
                                                          (r.serverEngine >= 3 ? ", subcomponents reset" : "")),
                               "", false});
    }
    std::string languages;
    for (const std::string& l : r.languages) languages += (languages.empty() ? "" : ", ") + l;
    rows.push_back(ListRow{Field("Languages", languages.empty() ? "none" : languages), "", false});
    if (!r.country.empty())
        rows.push_back(ListRow{Field("Country", r.country + " (" + _nlsLanguageName + ", " + _nlsDateFormat +
                                                    (_nlsNumberFormat[0] != '\0' ? ", " + std::string(_nlsNumberFormat) : "") +
                                                    ")"),
                               "", false});
    rows.push_back(ListRow{Field("Space", Grouped(_addDiskSpace) + " bytes needed, " + Grouped(session.freeBytes) +
                                              " bytes remain"),
                           "", false});
    rows.push_back(ListRow{Field("Work", std::to_string(plan.archives.size()) + " archives to extract, " +
                                             std::to_string(plan.tailoredFiles.size()) + " files to tailor"),
                           "", false});
    rows.push_back(ListRow{"", "", false});
    rows.push_back(ListRow{"Products", "", false, ATTR_BRIGHT});
    TreeRows(rows);

    ListScreen screen;
    screen.title = "Summary";
    screen.intro = {"Nothing has been written yet. Install writes what is shown here."};
    screen.keys = "Enter Install  Up/Down Scroll  Tab Buttons  Esc Back  F1 Help  F2 Notes";
    screen.buttons = {"Install", "Back", "Cancel"};
    screen.rows = [&] { return rows; };
    return RunListScreen(session, screen);
}

void EndScreen(Session& session, const Installation& job, const InstallOutcome& outcome) {
    session.stepText.clear();
    std::vector<ListRow> rows;
    const bool installed = outcome.status == EXIT_INSTALLED;
    if (installed) {
        uint64_t bytes = 0;
        for (const ArchiveSummary& a : job.archives) bytes += a.bytes;
        rows.push_back(ListRow{"Installed into " + job.destination + ":", "", false, ATTR_BRIGHT});
        TreeRows(rows);
        rows.push_back(ListRow{"", "", false});
        rows.push_back(ListRow{std::to_string(job.archives.size()) + " archives, " + std::to_string(outcome.files) +
                                   " files, " + Grouped(static_cast<double>(bytes)) + " bytes; " +
                                   std::to_string(job.plan.tailoredFiles.size()) + " files tailored.",
                               "", false});
    } else {
        rows.push_back(ListRow{"The installation into " + job.destination + " did not finish.", "", false, ATTR_WARNING});
        const std::string why = !outcome.failure.empty() ? outcome.failure
                                : outcome.tailoring    ? "Some files could not be tailored."
                                                       : "The reason was shown, and is in the log.";
        for (const std::string& line : WrapText(why, PAGE_COLUMNS - 6)) rows.push_back(ListRow{line, "", false});
        rows.push_back(ListRow{"", "", false});
        rows.push_back(ListRow{"Run vinstall again with the same choice: it resumes the installation.", "", false});
    }
    ListScreen screen;
    screen.intro = {std::string("The log: ") + (_logBatchFilePathName[0] != '\0' ? _logBatchFilePathName : "none")};
    screen.title = installed ? "Installation complete" : "Installation failed";
    screen.keys = "Enter Exit  Up/Down Scroll  F1 Help  F2 Release notes";
    screen.buttons = {"Exit"};
    screen.rows = [&] { return rows; };
    RunListScreen(session, screen);
}

}  // namespace vrn::installer
