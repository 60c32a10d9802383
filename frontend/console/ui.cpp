// The screens' shared state: the grid shown on the terminal, the keys, and
// what every screen answers the same way (help, release notes, Ctrl-C, a
// resized or lost terminal).
#include <algorithm>
#include <cctype>
#include <string>

#include "engine/display/display.h"
#include "engine/state/state.h"
#include "frontend/console/console.h"
#include "platform/crt.h"

namespace vrn::console {

Ui::Ui(CellGrid& g, KeySource& keys, Terminal* t) : grid(g), terminal(t), keys_(keys) { ResizeToTerminal(); }

void Ui::ResizeToTerminal() {
    if (terminal == nullptr) return;
    const int rows = std::max(terminal->Rows(), PAGE_MIN_ROWS);
    if (rows != grid.Rows() || grid.Columns() != PAGE_COLUMNS) grid.Resize(rows, PAGE_COLUMNS);
}

void Ui::Present() {
    if (terminal != nullptr) terminal->Render(grid);
}

void Ui::Beep() {
    ++beeps;
    if (terminal != nullptr) terminal->Beep();
}

void Ui::Repaint() {
    if (!painters.empty()) painters.back()();
}

Key Ui::Wait() {
    for (;;) {
        Present();
        Key key = keys_.Next();
        // While the page does not fit, only a new size, Ctrl-C or the
        // terminal's end mean anything.
        if (terminal != nullptr && terminal->TooSmall() && key.code != KeyCode::Resize &&
            key.code != KeyCode::Interrupt && key.code != KeyCode::Hangup)
            continue;
        key = Handle(key);
        if (key.code != KeyCode::None) return key;
    }
}

Key Ui::Poll() {
    const Key key = keys_.Poll();
    if (key.code == KeyCode::None) return key;
    return Handle(key);
}

Key Ui::Handle(Key key) {
    switch (key.code) {
    case KeyCode::Resize: ResizeToTerminal(); return key;
    case KeyCode::Interrupt:
        if (onInterrupt) onInterrupt();
        return Key{KeyCode::Redraw, 0};
    case KeyCode::Hangup:
        if (onHangup) onHangup();
        return key;
    case KeyCode::F1:
        if (inHelp_) return key;
        ShowHelp();
        return Key{KeyCode::Redraw, 0};
    case KeyCode::F2:
        if (inHelp_) return Key{};
        ShowReleaseNotes();
        return Key{KeyCode::Redraw, 0};
    default: return key;
    }
}

void Ui::ShowHelp() {
    std::vector<std::string> lines;
    if (helpFile.empty() || !ReadTextLines(helpFile, lines)) {
        // The engine's own report: the help utility cannot be invoked.
        DisplayErrorMsg(_installWnd, helpFile.c_str(), 145);
        return;
    }
    inHelp_ = true;
    ViewText(*this, "Help", lines);
    inHelp_ = false;
}

void Ui::ShowReleaseNotes() {
    char name[256] = {};
    notesFile.copy(name, sizeof name - 1);
    // The viewer reports a missing file in a box: only a file that is there
    // makes the terminal go to the editor.
    std::string lower = notesFile;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string directory = notesDirectory + (!notesDirectory.empty() && notesDirectory.back() == '\\' ? "" : "\\");
    const bool present = _access((directory + notesFile).c_str(), ACCESS_EXISTS) == 0 ||
                         _access((directory + lower).c_str(), ACCESS_EXISTS) == 0;
    if (present && terminal != nullptr) terminal->Suspend();
    DisplayReleaseNotes(_installWnd, notesDirectory.c_str(), name);
    if (present && terminal != nullptr) terminal->Resume();
}

}  // namespace vrn::console
