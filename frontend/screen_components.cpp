// The components and subcomponents of the chosen products' SKUs: a tree
// with the mandatory parts marked, which cannot be cleared, and the size of
// each in the destination's cluster class. The server engines and the
// message languages have screens of their own.
#include <algorithm>
#include <cstring>
#include <set>

#include "frontend/screens.h"

namespace vrn::installer {

using namespace console;

namespace {

bool IsEngineName(const char* name) {
    return std::strcmp(name, "4GL") == 0 || std::strcmp(name, "4GL (m)") == 0 || std::strcmp(name, "SQL") == 0 ||
           std::strcmp(name, "SQL (m)") == 0;
}

bool IsServer(const ProductNode* product) { return product->productNumber >= 250 && product->productNumber <= 252; }

std::set<const SubcomponentNode*> LanguageSubcomponents() {
    std::set<const SubcomponentNode*> out;
    for (const LanguageEntry& entry : _languageTable) {
        if (entry.subcomponent == nullptr) break;
        out.insert(entry.subcomponent);
    }
    return out;
}

struct RowNode {
    ProductNode* product = nullptr;
    ComponentNode* component = nullptr;
    SubcomponentNode* subcomponent = nullptr;
    bool engine = false;     // a server engine: chosen on its own screen
};

// The choice of a product as the tree now has it, for the SKU's components
// and the subcomponents that are not languages.
std::vector<ComponentChoice> ChoicesOf(const SkuNode* sku, bool engines,
                                       const std::set<const SubcomponentNode*>& languages) {
    std::vector<ComponentChoice> out;
    for (const ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
        if (!(engines && IsEngineName(c->componentName)))
            out.push_back(ComponentChoice{c->componentName, "", (c->flags & COMPONENT_CHOSEN) != 0});
        for (const SubcomponentNode* s = c->firstSubcomponent; s != nullptr; s = s->next)
            if (languages.count(s) == 0)
                out.push_back(ComponentChoice{c->componentName, s->subcomponentName,
                                              (s->flags & SUBCOMPONENT_CHOSEN) != 0});
    }
    return out;
}

// Puts the choice the tree now has into the session, product by product.
void KeepChoices(Session& session, bool engines, const std::set<const SubcomponentNode*>& languages) {
    for (ProductChoice& choice : session.responses.products)
        for (ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            if (p->productNumber != choice.productNumber) continue;
            for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next)
                if (choice.sku == s->skuName) choice.choices = ChoicesOf(s, engines && IsServer(p), languages);
        }
}

}  // namespace

Step ComponentsScreen(Session& session) {
    size_t highlight = SIZE_MAX;
    for (;;) {
        std::string error;
        // Shown as the choice stands, before the server engine choice.
        RebuildTree(session, false, error);
        const bool engines = HasServerEngine();
        const std::set<const SubcomponentNode*> languages = LanguageSubcomponents();

        std::vector<RowNode> nodes;
        std::vector<ListRow> shape;   // the rows' fixed parts
        for (ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            const auto choice =
                std::find_if(session.responses.products.begin(), session.responses.products.end(),
                             [&](const ProductChoice& c) { return c.productNumber == p->productNumber; });
            if (choice == session.responses.products.end()) continue;
            for (SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
                if (choice->sku != s->skuName) continue;
                if (!nodes.empty()) {
                    nodes.push_back(RowNode{});
                    shape.push_back(ListRow{"", "", false, ATTR_NORMAL});
                }
                nodes.push_back(RowNode{p, nullptr, nullptr, false});
                shape.push_back(ListRow{std::string(p->productName) + "  (" + s->skuName + ")",
                                        Grouped(CalculateProductSize(p)), false, ATTR_BRIGHT});
                for (ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                    nodes.push_back(RowNode{p, c, nullptr, engines && IsServer(p) && IsEngineName(c->componentName)});
                    shape.push_back(ListRow{});
                    bool languageNote = false;
                    for (SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next) {
                        if (languages.count(sub) != 0) {
                            languageNote = true;
                            continue;
                        }
                        nodes.push_back(RowNode{p, c, sub, false});
                        shape.push_back(ListRow{});
                    }
                    if (languageNote) {
                        nodes.push_back(RowNode{});
                        shape.push_back(
                            ListRow{"        Message languages: chosen on a later screen", "", false, ATTR_DIM});
                    }
                }
            }
        }

        ListScreen screen;
        screen.title = "Components";
        screen.intro = {"Choose the components and subcomponents. Those marked (m) are mandatory.",
                        "Sizes on a volume with clusters of " + Grouped(512.0 * (1u << SizeClass())) + " bytes."};
        screen.rows = [&] {
            std::vector<ListRow> rows = shape;
            for (size_t i = 0; i < nodes.size(); ++i) {
                const RowNode& n = nodes[i];
                if (n.component == nullptr) continue;
                ListRow& row = rows[i];
                if (n.subcomponent == nullptr) {
                    const bool chosen = (n.component->flags & COMPONENT_CHOSEN) != 0;
                    row.text = "  " + Mark(chosen) + " " + n.component->componentName;
                    if (n.engine) row.text += "   (server engine: next screen)";
                    row.right = Grouped(ComponentSize(n.component));
                    row.attribute = n.engine ? ATTR_DIM : ATTR_NORMAL;
                } else {
                    const bool chosen = (n.subcomponent->flags & SUBCOMPONENT_CHOSEN) != 0;
                    row.text = "      " + Mark(chosen) + " " + n.subcomponent->subcomponentName;
                    row.right = Grouped(n.subcomponent->clusterSizes[SizeClass()]);
                    // A subcomponent counts only with its component.
                    row.attribute = (n.component->flags & COMPONENT_CHOSEN) != 0 ? ATTR_NORMAL : ATTR_DIM;
                }
            }
            return rows;
        };
        screen.choose = [&](size_t row, std::string& status) {
            const RowNode& n = nodes[row];
            if (n.engine) {
                status = "The server engines are chosen on the next screen.";
                session.ui.Beep();
                return;
            }
            if (n.subcomponent != nullptr) {
                if ((n.subcomponent->flags & SUBCOMPONENT_MANDATORY) != 0) {
                    status = std::string(n.subcomponent->subcomponentName) + " is mandatory and cannot be cleared.";
                    session.ui.Beep();
                    return;
                }
                n.subcomponent->flags ^= SUBCOMPONENT_CHOSEN;
                return;
            }
            if ((n.component->flags & COMPONENT_MANDATORY) != 0) {
                status = std::string(n.component->componentName) + " is mandatory and cannot be cleared.";
                session.ui.Beep();
                return;
            }
            n.component->flags ^= COMPONENT_CHOSEN;
        };
        screen.initial = highlight;
        if (highlight == SIZE_MAX)
            for (size_t i = 0; i < nodes.size(); ++i)
                if (nodes[i].component != nullptr) {
                    screen.initial = i;
                    break;
                }
        const Step step = RunListScreen(session, screen);
        if (step == Step::Quit) return step;
        KeepChoices(session, engines, languages);
        if (step == Step::Back) return step;
        // The choice must stand as a whole: a product with nothing chosen
        // cannot be installed.
        std::string problem;
        if (RebuildTree(session, false, problem)) return Step::Next;
        const size_t cut = problem.find(": ");
        MessageBox(_installWnd, (cut == std::string::npos ? problem : problem.substr(cut + 2)).c_str(), "Components",
                   MB_OK | MB_ICONEXCLAMATION);
        highlight = screen.finalRow;
    }
}

}  // namespace vrn::installer
