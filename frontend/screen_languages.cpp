// The server engines, the message languages and the national-language
// settings.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "frontend/screens.h"

namespace vrn::installer {

using namespace console;

namespace {

std::string Trimmed(const char* text, size_t width) {
    std::string out(text, strnlen(text, width));
    while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back())) != 0) out.pop_back();
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The engine choice the tree proposes: the engines the tables choose.
int32_t ProposedEngine() {
    bool fourGl = false, sql = false;
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        if ((p->flags & PRODUCT_CHOSEN) == 0 || p->productNumber < 250 || p->productNumber > 252) continue;
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
            if ((s->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                const std::string name = c->componentName;
                if (name == "4GL" || name == "4GL (m)") fourGl = true;
                if (name == "SQL" || name == "SQL (m)") sql = true;
            }
        }
    }
    return fourGl && sql ? 2 : sql ? 1 : 0;
}

// The languages of the language table whose component is installed.
std::vector<const LanguageEntry*> OfferedLanguages() {
    std::vector<const LanguageEntry*> out;
    for (const LanguageEntry& entry : _languageTable) {
        if (entry.subcomponent == nullptr) break;
        bool installable = false;
        for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
            for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
                if ((s->flags & SKU_CHOSEN) == 0) continue;
                for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
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

Step EngineScreen(Session& session) {
    std::string error;
    RebuildTree(session, false, error);
    if (session.responses.serverEngine < 0) session.responses.serverEngine = ProposedEngine();
    int32_t base = session.responses.serverEngine % 3;
    bool reset = session.responses.serverEngine >= 3;
    static const char* const kChoices[] = {"The 4GL engine", "The SQL engine", "Both engines"};
    ListScreen screen;
    screen.title = "Server engines";
    screen.intro = {"The database server runs on the 4GL engine, the SQL engine, or both."};
    screen.rows = [&] {
        std::vector<ListRow> rows;
        for (int32_t i = 0; i < 3; ++i) rows.push_back(ListRow{"  " + Mark(base == i, true) + " " + kChoices[i]});
        rows.push_back(ListRow{"", "", false});
        rows.push_back(ListRow{"  " + Mark(reset) + " The engine components' subcomponents back to their mandatory ones"});
        return rows;
    };
    screen.choose = [&](size_t row, std::string&) {
        if (row < 3) base = static_cast<int32_t>(row);
        else reset = !reset;
    };
    screen.initial = static_cast<size_t>(base);
    const Step step = RunListScreen(session, screen);
    session.responses.serverEngine = base + (reset ? 3 : 0);
    return step;
}

bool LanguagesScreenApplies(Session& session) {
    std::string error;
    RebuildTree(session, true, error);
    return !OfferedLanguages().empty();
}

Step LanguagesScreen(Session& session) {
    std::string error;
    RebuildTree(session, true, error);
    // The languages of chosen components, each with its remembered choice
    // (the tables' mark) until the user has chosen.
    const std::vector<const LanguageEntry*> offered = OfferedLanguages();
    std::vector<bool> chosen;
    const auto& wanted = session.responses.languages;
    for (const LanguageEntry* entry : offered)
        chosen.push_back(session.languagesChosen
                             ? std::find(wanted.begin(), wanted.end(), entry->languageName) != wanted.end()
                             : (entry->subcomponent->flags & SUBCOMPONENT_REMEMBERED) != 0);
    ListScreen screen;
    screen.title = "Message languages";
    screen.intro = {"Choose the languages of the message files to install."};
    screen.rows = [&] {
        std::vector<ListRow> rows;
        for (size_t i = 0; i < offered.size(); ++i) {
            ListRow row{"  " + Mark(chosen[i]) + " " + offered[i]->languageName};
            row.right = Grouped(offered[i]->subcomponent->clusterSizes[SizeClass()]);
            rows.push_back(row);
        }
        return rows;
    };
    screen.choose = [&](size_t row, std::string&) { chosen[row] = !chosen[row]; };
    const Step step = RunListScreen(session, screen);
    if (step != Step::Quit) {
        session.responses.languages.clear();
        for (size_t i = 0; i < offered.size(); ++i)
            if (chosen[i]) session.responses.languages.emplace_back(offered[i]->languageName);
        session.languagesChosen = true;
    }
    return step;
}

bool CountryScreenApplies(const Session& session) {
    for (const nlsnode* n = session.nlsData; n != nullptr; n = n->next)
        if (!Trimmed(n->field9, sizeof n->field9).empty()) return true;
    return false;
}

Step CountryScreen(Session& session) {
    // One row per country; a country given twice counts by its last line,
    // as the unattended run reads it.
    std::vector<const nlsnode*> countries;
    for (const nlsnode* n = session.nlsData; n != nullptr; n = n->next) {
        // A line that was not read whole (its last field is missing) is no
        // country.
        if (Trimmed(n->field9, sizeof n->field9).empty()) continue;
        const std::string name = Lower(Trimmed(n->field1, sizeof n->field1));
        const auto same = std::find_if(countries.begin(), countries.end(), [&](const nlsnode* c) {
            return Lower(Trimmed(c->field1, sizeof c->field1)) == name;
        });
        if (same != countries.end()) *same = n;
        else countries.push_back(n);
    }
    size_t picked = 0;
    for (size_t i = 0; i < countries.size() && !session.responses.country.empty(); ++i)
        if (Lower(Trimmed(countries[i]->field1, sizeof countries[i]->field1)) == Lower(session.responses.country))
            picked = i;
    ListScreen screen;
    screen.title = "National-language settings";
    screen.intro = {"Choose the country whose date and number formats and code pages go into the",
                    "installed configuration files."};
    screen.panelWidth = 34;
    screen.rows = [&] {
        std::vector<ListRow> rows;
        for (size_t i = 0; i < countries.size(); ++i) {
            ListRow row{"  " + Mark(picked == i, true) + " " + Trimmed(countries[i]->field1, sizeof countries[i]->field1)};
            row.right = Trimmed(countries[i]->field2, sizeof countries[i]->field2);
            rows.push_back(row);
        }
        return rows;
    };
    screen.panel = [&](CellGrid& grid, int top, int, int left, size_t row) {
        if (row >= countries.size()) return;
        const nlsnode* n = countries[row];
        std::string format = "-";
        for (const nlsNumberFormatNode* f = session.nlsNumbers; f != nullptr; f = f->next)
            if (Trimmed(f->field3, sizeof f->field3) == Trimmed(n->field4, sizeof n->field4) &&
                Trimmed(f->field4, sizeof f->field4) == Trimmed(n->field5, sizeof n->field5)) {
                format = Trimmed(f->field2, sizeof f->field2);
                break;
            }
        const std::pair<const char*, std::string> lines[] = {
            {"Language", Trimmed(n->field2, sizeof n->field2)},
            {"Date", Trimmed(n->dateFormat, sizeof n->dateFormat)},
            {"Numbers", format},
            {"Thousands", Trimmed(n->field4, sizeof n->field4)},
            {"Decimals", Trimmed(n->field5, sizeof n->field5)},
            {"Code page", Trimmed(n->codePage1, sizeof n->codePage1)},
            {"Collation", Trimmed(n->codePage2, sizeof n->codePage2)},
            {"Case", Trimmed(n->codePage3, sizeof n->codePage3)},
        };
        int y = top;
        for (const auto& [label, value] : lines) {
            PutText(grid, y, left, label, ATTR_NORMAL);
            PutText(grid, y, left + 11, value, ATTR_BRIGHT, 20);
            ++y;
        }
    };
    screen.choose = [&](size_t row, std::string&) { picked = row; };
    screen.initial = picked;
    const Step step = RunListScreen(session, screen);
    if (!countries.empty()) session.responses.country = Trimmed(countries[picked]->field1, sizeof countries[picked]->field1);
    return step;
}

}  // namespace vrn::installer
