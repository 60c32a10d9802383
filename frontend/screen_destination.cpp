// The destination, typed through the engine's keystroke filter and checked
// by its rules, with the question about an existing directory; then the
// space it needs and what remains.
#include <cstring>

#include "engine/destination/destination.h"
#include "engine/display/display.h"
#include "engine/state/state.h"
#include "frontend/screens.h"
#include "platform/crt.h"

namespace vrn::installer {

using namespace console;

namespace {

constexpr char kExistingTitle[] = "Existing Directory";

bool IsDirectory(const char* path) {
    _stat_t status;
    return _stat(path, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
}

// The last of the choice before the destination: the whole tree with the
// server engines, the national-language settings, the configured products.
bool FinishChoice(Session& session, std::string& error) {
    if (!RebuildTree(session, true, error)) return false;
    ApplyTagValues(session.responses);
    if (!ApplyCountry(kChoiceName, session.nlsFile, session.responses, error)) return false;
    SetConfiguredProducts();
    return true;
}

std::string Shown(const std::string& problem) {
    const size_t cut = problem.find(": ");
    return cut == std::string::npos ? problem : problem.substr(cut + 2);
}

// Checks the typed destination as the engine's rules say; true when it is
// accepted (the session then holds it).
bool CheckDestination(Session& session, const std::string& typed) {
    char entered[256] = {};
    typed.copy(entered, sizeof entered - 1);
    FormatPathName(entered);
    if (entered[0] == '\0' || CheckPathnameFormat(_installWnd, entered) != 0) return false;

    ResumeRecord resume;
    const bool resuming = ReadResumeRecord(entered, resume);
    const bool exists = IsDirectory(entered);
    int32_t decision = EXISTING_DIR_CHOOSE_ANOTHER;
    if (resuming) {
        const std::string text = std::string("The directory ") + entered +
                                 " holds an installation that did not finish.\n\nIt is resumed: what is there is "
                                 "kept, and what was already extracted is not extracted again.";
        if (MessageBox(_installWnd, text.c_str(), "Unfinished Installation", MB_OKCANCEL) != IDOK) return false;
        decision = EXISTING_DIR_KEEP;
    } else if (exists) {
        const std::string text = std::string("The directory ") + entered +
                                 " exists.\n\nKeep: install into it and keep what is there.\nEmpty: remove "
                                 "everything in it first.\nAnother: choose another destination.";
        decision = RunBox(session.ui, kExistingTitle, text,
                          {{"Keep", 'k', EXISTING_DIR_KEEP},
                           {"Empty", 'e', EXISTING_DIR_EMPTY},
                           {"Another", 'a', EXISTING_DIR_CHOOSE_ANOTHER}},
                          0, EXISTING_DIR_CHOOSE_ANOTHER);
        if (decision != EXISTING_DIR_KEEP && decision != EXISTING_DIR_EMPTY) return false;
    }
    _existingDirectoryDecision = decision;

    // The space on the destination's own volume, in its cluster class.
    char query[256];
    std::strcpy(query, entered);
    GetDiskSpaceInfo(query);
    const uint32_t required = RequiredBytes(session.medium);
    char accepted[256] = {};
    uint8_t emptyFirst = 0;
    if (CheckEnteredDestination(_installWnd, entered, accepted, &emptyFirst, 1, required) != 0) return false;

    std::strcpy(_destinationPath, accepted);
    session.accepted = accepted;
    session.emptyFirst = emptyFirst != 0;
    session.resuming = resuming;
    session.resume = resume;
    session.responses.destination = accepted;
    session.responses.existingDirectory = exists ? decision : EXISTING_DIR_CHOOSE_ANOTHER;
    return true;
}

}  // namespace

Step DestinationScreen(Session& session) {
    Ui& ui = session.ui;
    CellGrid& grid = ui.grid;
    std::string problem;
    if (!FinishChoice(session, problem)) {
        MessageBox(_installWnd, Shown(problem).c_str(), "Destination", MB_OK | MB_ICONEXCLAMATION);
        return Step::Back;
    }
    TextField field;
    field.filter = destfilter_func;
    field.limit = DESTINATION_PATH_MAX;
    field.text = session.responses.destination;
    if (field.text.empty()) {
        char proposal[256] = {};
        AcquireDefaultDestination("", proposal, RequiredBytes(session.medium));
        field.text = proposal;
    }
    field.cursor = field.text.size();
    int focus = 0;   // 0: the field; 1 Next, 2 Back, 3 Cancel
    const std::vector<std::string> buttons = {"Next", "Back", "Cancel"};

    auto draw = [&] {
        DrawPage(ui, "Destination", session.stepText,
                 "Type the directory  Enter Next  Tab Buttons  Esc Back  Ctrl-U Clear  F1 Help");
        PutText(grid, 3, 2, "The directory that receives the products. It is made when it does not exist.",
                ATTR_NORMAL);
        PutText(grid, 6, 2, "Destination:", ATTR_NORMAL);
        field.Draw(grid, 6, 16, grid.Columns() - 18, focus == 0);
        PutText(grid, 9, 2, "A drive, a colon and a backslash, then the directories, such as C:\\Varentis.",
                ATTR_NORMAL);
        PutText(grid, 10, 2, "Letters, digits and \\ . ` ^ & ( ) ' : ~ ! @ # $ % - _ { } may be typed, but no",
                ATTR_NORMAL);
        PutText(grid, 11, 2, "blanks and none of + , ; = [ ] \" * ? | < >.", ATTR_NORMAL);
        PutText(grid, 13, 2,
                "The installation needs about " + Grouped(RequiredBytes(session.medium)) + " bytes on the volume.",
                ATTR_NORMAL);
        DrawButtons(grid, grid.Rows() - 2, 0, grid.Columns(), buttons, focus - 1);
    };
    PainterScope painter(ui, draw);
    for (;;) {
        draw();
        const Key key = ui.Wait();
        if (key.code == KeyCode::Hangup) return Step::Quit;
        if (key.code == KeyCode::Escape) return Step::Back;
        if (key.code == KeyCode::Tab) {
            focus = (focus + 1) % 4;
            continue;
        }
        if (key.code == KeyCode::BackTab) {
            focus = (focus + 3) % 4;
            continue;
        }
        if (focus == 0 && key.code != KeyCode::Enter) {
            field.Edit(key);
            continue;
        }
        if (focus != 0 && (key.code == KeyCode::Left || key.code == KeyCode::Right)) {
            focus = key.code == KeyCode::Left ? (focus > 1 ? focus - 1 : 3) : (focus < 3 ? focus + 1 : 1);
            continue;
        }
        if (key.code != KeyCode::Enter) continue;
        if (focus == 2) return Step::Back;
        if (focus == 3) {
            if (ConfirmCancel()) return Step::Quit;
            continue;
        }
        grid.SetCursor(0, 0, false);
        if (CheckDestination(session, field.text)) return Step::Next;
        focus = 0;
    }
}

Step SpaceScreen(Session& session) {
    Ui& ui = session.ui;
    CellGrid& grid = ui.grid;
    char path[256] = {};
    session.accepted.copy(path, sizeof path - 1);
    double remaining = 0;
    double free = 0;
    uint32_t existing = 0;
    if (session.emptyFirst) {
        // What is in the directory now goes before anything is installed:
        // the checks counted it as free.
        free = GetDiskSpaceInfo(path);
        char badFile[256];
        RecursiveCheckFiles(session.accepted.c_str(), badFile, &existing);
        _reqDiskSpace = CalcReqDiskSpace(_availableProducts);
        _addDiskSpace = RequiredBytes(session.medium);
        remaining = free + existing - _addDiskSpace;
    } else {
        if (AvailDiskSpace(_installWnd, path, &remaining) != 1) return Step::Back;
        free = _availDiskSpace;
    }
    session.freeBytes = remaining;
    const uint32_t cluster = 512u << SizeClass();
    const std::vector<std::string> buttons = {"Next", "Back", "Cancel"};
    int focus = 0;
    auto draw = [&] {
        DrawPage(ui, "Disk space", session.stepText, "Enter Next  Tab Buttons  Esc Back  F1 Help");
        PutText(grid, 3, 2, "What the installation needs on the volume of " + session.accepted + ", and what remains.",
                ATTR_NORMAL, grid.Columns() - 4);
        DisplayDiskSpaceData(2, 5, grid.Columns() - 2, _reqDiskSpace, _addDiskSpace, remaining);
        PutText(grid, 10, 2,
                "The volume has clusters of " + Grouped(cluster) + " bytes and " + Grouped(free) + " bytes free.",
                ATTR_NORMAL);
        int row = 11;
        if (session.emptyFirst)
            PutText(grid, row++, 2, "The " + Grouped(existing) + " bytes of files now in the directory are removed first.",
                    ATTR_NORMAL);
        if (session.medium.layout != MediumLayout::CdRom)
            PutText(grid, row++, 2, "The archives are staged in the destination; each goes once it is extracted.",
                    ATTR_NORMAL);
        DrawButtons(grid, grid.Rows() - 2, 0, grid.Columns(), buttons, focus - 1);
    };
    PainterScope painter(ui, draw);
    for (;;) {
        draw();
        const Key key = ui.Wait();
        switch (key.code) {
        case KeyCode::Hangup: return Step::Quit;
        case KeyCode::Escape: return Step::Back;
        case KeyCode::Tab:
        case KeyCode::Right: focus = (focus + 1) % 4; break;
        case KeyCode::BackTab:
        case KeyCode::Left: focus = (focus + 3) % 4; break;
        case KeyCode::Enter:
            if (focus <= 1) return Step::Next;
            if (focus == 2) return Step::Back;
            if (ConfirmCancel()) return Step::Quit;
            break;
        default: break;
        }
    }
}

}  // namespace vrn::installer
