// The screens of the interactive installation, in the installer's order of
// calls: products, SKUs, components, the server engines, the message
// languages, the national-language settings, the destination, its space, a
// summary to confirm, the progress and the end. The choice the screens make
// is kept in the form of a response file and put on a tree built afresh
// from it whenever a screen needs the tree, exactly as an unattended run of
// that file would put it: so the recorded file replays the same choice.
#pragma once

#include <string>
#include <vector>

#include "engine/products/products.h"
#include "frontend/console/console.h"
#include "frontend/installer.h"
#include "frontend/run_support.h"

namespace vrn::installer {

enum class Step : uint8_t { Next, Back, Quit };

struct Session {
    explicit Session(console::Ui& u) : ui(u) {}
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    console::Ui& ui;
    Medium medium;
    // The national-language lists of the medium's intlset.txt (owned).
    nlsnode* nlsData = nullptr;
    nlsDateNode* nlsDates = nullptr;
    nlsNumberFormatNode* nlsNumbers = nullptr;
    nlsCCCNode* nlsPages = nullptr;
    std::string nlsFile;

    Responses responses;          // the choice so far
    bool languagesChosen = false; // the language screen has been left forward
    std::string stepText;         // "Step 3 of 9"

    // The accepted destination and what the checks found.
    std::string accepted;
    bool emptyFirst = false;
    bool resuming = false;
    ResumeRecord resume;
    double freeBytes = 0;          // free space left after the installation
    bool reachedSummary = false;
};

// The medium's lists and the proposal of the first screens: every product
// that has a SKU and whose proposed SKU has a component the tables choose,
// with that SKU (the first one the tables choose), and the components as the
// tables mark them.
void StartSession(Session& session, const std::string& nlsFile);
// The SKU proposed for a product: the first with a mandatory component (the
// tables choose it), or null.
const SkuNode* ProposedSku(const ProductNode* product);

// Builds the tree of every product anew into _availableProducts and puts
// the choice on it (the server engine choice only `withEngine`), then the
// language table and the languages. False with `error` when the choice is
// not sound; the tree is then as far as the choice could be put.
bool RebuildTree(Session& session, bool withEngine, std::string& error);
// Whether a chosen server product's chosen SKU has an engine component.
bool HasServerEngine();
// The cluster-size class of the sizes shown (the volume queried last).
int32_t SizeClass();
// A component's size in that class: its own and its subcomponents'.
uint32_t ComponentSize(const ComponentNode* component);

// The screens. Next goes on, Back goes to the screen before, Quit ends the
// run (the user confirmed it, or the terminal is gone).
Step ProductsScreen(Session& session);
bool SkuScreenApplies(const Session& session);
Step SkuScreen(Session& session);
Step ComponentsScreen(Session& session);
Step EngineScreen(Session& session);
bool LanguagesScreenApplies(Session& session);
Step LanguagesScreen(Session& session);
bool CountryScreenApplies(const Session& session);
Step CountryScreen(Session& session);
Step DestinationScreen(Session& session);
Step SpaceScreen(Session& session);
Step SummaryScreen(Session& session);

// The progress of the installation, drawn as it goes.
class ProgressScreen {
public:
    explicit ProgressScreen(Session& session);
    void Archives(size_t count) { archiveCount_ = count; }
    void StepBegun(InstallStep step);
    void DisketteRun(const DisketteRun& run);
    void Member(const Progress& progress);
    void Draw();

private:
    Session& session_;
    InstallStep step_ = InstallStep::Directory;
    bool begun_ = false;
    std::string detail_;
    std::string archive_, member_;
    uint64_t bytesDone_ = 0, bytesTotal_ = 0;
    size_t archivesBegun_ = 0;
    size_t archiveCount_ = 0;
    int64_t lastDrawMs_ = -1000;
};

// The end: what was installed and where the log is, or what failed.
void EndScreen(Session& session, const Installation& job, const InstallOutcome& outcome);

// ---------------------------------------------------------------------------
// What the screens are made of

// A screen of one list: rows, what Space does to a row, what accepting the
// screen checks, an optional panel at the right.
struct ListScreen {
    std::string title;
    std::vector<std::string> intro;   // lines under the title
    std::string keys;                 // the key line
    std::vector<std::string> buttons = {"Next", "Back", "Cancel"};
    std::function<std::vector<console::ListRow>()> rows;
    std::function<void(size_t row, std::string& status)> choose;
    std::function<bool(std::string& status)> accept;
    std::function<void(console::CellGrid& grid, int top, int bottom, int left, size_t row)> panel;
    int panelWidth = 0;
    size_t initial = 0;
    size_t finalRow = 0;   // the highlighted row when the screen was left
};
// Runs a list screen: Up/Down/PgUp/PgDn/Home/End move, Space chooses, Enter
// (or the first button) accepts, Tab goes to the buttons, Esc is Back, the
// last button (Cancel) asks whether to quit.
Step RunListScreen(Session& session, ListScreen& screen);
// Asks the quit confirmation: true for Yes.
bool ConfirmCancel();
// The check box of a row.
std::string Mark(bool chosen, bool radio = false);

inline constexpr char kChoiceName[] = "the choice";

}  // namespace vrn::installer
