// The interactive session: the choice in response-file form, the tree built
// afresh from it, and the list screen most screens are.
#include <algorithm>
#include <cstring>

#include "engine/destination/destination.h"
#include "engine/display/display.h"
#include "engine/state/state.h"
#include "frontend/screens.h"
#include "platform/crt.h"

namespace vrn::installer {

using namespace console;

Session::~Session() {
    mfFreeNlsLists(nlsData, nlsDates, nlsNumbers, nlsPages);
}

namespace {

// The installable languages of the tree: entries of the language table
// whose subcomponent belongs to a chosen component of a chosen SKU of a
// chosen product.
std::vector<const LanguageEntry*> InstallableLanguages() {
    std::vector<const LanguageEntry*> out;
    for (const LanguageEntry& entry : _languageTable) {
        if (entry.subcomponent == nullptr) break;
        bool installable = false;
        for (const ProductNode* p = _availableProducts; p != nullptr && !installable; p = p->next) {
            if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
            for (const SkuNode* s = p->firstSku; s != nullptr && !installable; s = s->next) {
                if ((s->flags & SKU_CHOSEN) == 0) continue;
                for (const ComponentNode* c = s->firstComponent; c != nullptr && !installable; c = c->next) {
                    if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                    for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                        if (sub == entry.subcomponent) installable = true;
                }
            }
        }
        if (installable) out.push_back(&entry);
    }
    return out;
}

}  // namespace

const SkuNode* ProposedSku(const ProductNode* product) {
    for (const SkuNode* s = product->firstSku; s != nullptr; s = s->next)
        for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next)
            if ((c->flags & COMPONENT_MANDATORY) != 0) return s;
    return nullptr;
}

void StartSession(Session& session, const std::string& nlsFile) {
    session.nlsFile = nlsFile;
    if (_access(nlsFile.c_str(), ACCESS_EXISTS) == 0)
        mfGetNlsLists(nlsFile.c_str(), &session.nlsData, &session.nlsDates, &session.nlsNumbers, &session.nlsPages);
    session.responses = Responses{};
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        const SkuNode* sku = ProposedSku(p);
        if (sku != nullptr) session.responses.products.push_back(ProductChoice{p->productNumber, sku->skuName, {}});
    }
}

bool RebuildTree(Session& session, bool withEngine, std::string& error) {
    FreeProductTable(_availableProducts);
    _availableProducts = nullptr;
    error.clear();
    if (!BuildWholeTree()) {
        error = "the product tree of the medium cannot be built";
        return false;
    }
    Responses responses = session.responses;
    if (!withEngine) responses.serverEngine = -1;
    const bool applied = ApplyProductChoices(kChoiceName, responses, _availableProducts, error);
    BuildLanguageTable();
    // Languages whose product or component is no longer chosen drop out.
    std::vector<std::string> kept;
    for (const LanguageEntry* entry : InstallableLanguages())
        if (std::find(session.responses.languages.begin(), session.responses.languages.end(), entry->languageName) !=
            session.responses.languages.end())
            kept.emplace_back(entry->languageName);
    session.responses.languages = kept;
    responses.languages = kept;
    if (!applied) return false;
    return ApplyLanguages(kChoiceName, responses, error);
}

bool HasServerEngine() {
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        if ((p->flags & PRODUCT_CHOSEN) == 0 || p->productNumber < 250 || p->productNumber > 252) continue;
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
            if ((s->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                const std::string name = c->componentName;
                if (name == "4GL" || name == "4GL (m)" || name == "SQL" || name == "SQL (m)") return true;
            }
        }
    }
    return false;
}

int32_t SizeClass() { return std::clamp(_blockSizeIndex, 0, MAX_BLOCK_SIZE_INDEX); }

uint32_t ComponentSize(const ComponentNode* component) {
    const int32_t i = SizeClass();
    uint32_t size = component->clusterSizes[i];
    for (const SubcomponentNode* s = component->firstSubcomponent; s != nullptr; s = s->next) size += s->clusterSizes[i];
    return size;
}

std::string Mark(bool chosen, bool radio) {
    if (radio) return chosen ? "(*)" : "( )";
    return chosen ? "[x]" : "[ ]";
}

bool ConfirmCancel() { return ConfirmQuit() == 1; }

Step RunListScreen(Session& session, ListScreen& screen) {
    Ui& ui = session.ui;
    CellGrid& grid = ui.grid;
    ListView view;
    view.selected = screen.initial;
    std::vector<ListRow> rows = screen.rows();
    view.Settle(rows);
    int focus = 0;   // 0: the list; 1 and on: the buttons
    const int buttons = static_cast<int>(screen.buttons.size());
    std::string status;
    const std::string keys = !screen.keys.empty()
                                 ? screen.keys
                                 : "Arrows Move  Space Choose  Enter Next  Tab Buttons  Esc Back  F1 Help F2 Notes";

    auto draw = [&] {
        DrawPage(ui, screen.title, session.stepText, keys);
        int row = 3;
        for (const std::string& line : screen.intro) PutText(grid, row++, 2, line, ATTR_NORMAL, grid.Columns() - 4);
        const int top = std::max(row, 5);
        const int bottom = grid.Rows() - 4;
        const int right = grid.Columns() - 1 - (screen.panel ? screen.panelWidth + 1 : 0);
        const DisplayRect frame{0, top, right, bottom};
        DisplayRectangle(&frame, ATTR_NORMAL);
        view.Draw(grid, rows, top + 1, bottom, 1, right, focus == 0);
        if (screen.panel) {
            const DisplayRect panelFrame{right + 1, top, grid.Columns() - 1, bottom};
            DisplayRectangle(&panelFrame, ATTR_NORMAL);
            screen.panel(grid, top + 1, bottom, right + 3, view.selected);
        }
        PutText(grid, grid.Rows() - 3, 2, status, ATTR_WARNING, grid.Columns() - 4);
        DrawButtons(grid, grid.Rows() - 2, 0, grid.Columns(), screen.buttons, focus - 1);
    };
    PainterScope painter(ui, draw);
    struct Leave {
        ListScreen& screen;
        ListView& view;
        ~Leave() { screen.finalRow = view.selected; }
    } leave{screen, view};

    for (;;) {
        rows = screen.rows();
        view.Settle(rows);
        draw();
        const Key key = ui.Wait();
        const bool inList = focus == 0;
        auto accept = [&]() -> bool {
            status.clear();
            return !screen.accept || screen.accept(status);
        };
        switch (key.code) {
        case KeyCode::Hangup: return Step::Quit;
        case KeyCode::Up:
            if (inList) view.Move(rows, -1);
            break;
        case KeyCode::Down:
            if (inList) view.Move(rows, 1);
            break;
        case KeyCode::PageUp:
            if (inList) view.Move(rows, -view.visibleRows);
            break;
        case KeyCode::PageDown:
            if (inList) view.Move(rows, view.visibleRows);
            break;
        case KeyCode::Home:
            if (inList) view.Move(rows, -static_cast<int>(rows.size()));
            break;
        case KeyCode::End:
            if (inList) view.Move(rows, static_cast<int>(rows.size()));
            break;
        case KeyCode::Left:
            if (!inList) focus = focus > 1 ? focus - 1 : buttons;
            break;
        case KeyCode::Right:
            if (!inList) focus = focus < buttons ? focus + 1 : 1;
            break;
        case KeyCode::Tab: focus = (focus + 1) % (buttons + 1); break;
        case KeyCode::BackTab: focus = (focus + buttons) % (buttons + 1); break;
        case KeyCode::Escape: return Step::Back;
        case KeyCode::Char:
            if (key.character == ' ' && inList && screen.choose && view.selected < rows.size() &&
                rows[view.selected].selectable) {
                status.clear();
                screen.choose(view.selected, status);
            }
            break;
        case KeyCode::Enter: {
            if (inList || focus == 1) {
                if (accept()) return Step::Next;
                ui.Beep();
                break;
            }
            if (focus == buttons && buttons > 2) {
                if (ConfirmCancel()) return Step::Quit;
                break;
            }
            return Step::Back;
        }
        default: break;
        }
    }
}

}  // namespace vrn::installer
