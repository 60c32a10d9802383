// The response file of an unattended installation: an initialization file
// read line by line with the initialization-file library's own rules for
// section headers, entries and names, then checked against the medium's
// product tree before anything is installed. Every mistake is named as
// "FILE: [SECTION] KEY: what is wrong".
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "frontend/installer.h"
#include "platform/crt.h"
#include "runtime/ini/ini.h"

namespace vrn::installer {

namespace {

constexpr char kInstall[] = "Install";
constexpr char kProductPrefix[] = "product ";
constexpr size_t kPathLimit = 255;   // the engine's directory buffers hold 256 bytes
constexpr size_t kLineLimit = INI_LINE_SIZE - 1;

struct Entry {
    std::string key;     // as normalised by the library
    std::string value;   // blanks around it dropped
    int line = 0;
};
struct Section {
    std::string name;
    int line = 0;
    std::vector<Entry> entries;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A tree name as the library would normalise it as a key: blanks around it
// dropped, inner runs of blanks made one, compared without regard to case.
std::string KeyForm(const char* name) {
    std::string out;
    bool blank = false;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == ' ' || *p == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    }
    return out;
}

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])) != 0) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])) != 0) --e;
    return text.substr(b, e - b);
}

std::string Mistake(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& what) {
    std::string text = file + ": ";
    if (!section.empty()) text += "[" + section + "] ";
    if (!key.empty()) text += key + ": ";
    return text + what;
}

// Reads the file's sections and entries. False with `error` set.
bool ReadSections(const std::string& file, std::vector<Section>& sections, std::string& error) {
    FILE* stream = nullptr;
    if (wdOpenIniFile(file.c_str(), &stream) == 0) {
        error = Mistake(file, "", "", "cannot be opened");
        return false;
    }
    char line[1024];
    int number = 0;
    bool ok = true;
    while (ok && fgets(line, sizeof line, stream) != nullptr) {
        ++number;
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const std::string where = "line " + std::to_string(number);
        const std::string trimmed = Trim(text);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (text.size() > kLineLimit) {
            error = Mistake(file, sections.empty() ? "" : sections.back().name, "",
                            where + " is longer than " + std::to_string(kLineLimit) + " characters");
            ok = false;
            break;
        }
        char name[INI_LINE_SIZE];
        char value[INI_LINE_SIZE];
        if (wdIsSection(text.c_str(), name) != 0) {
            for (const Section& s : sections)
                if (Lower(s.name) == Lower(name)) {
                    error = Mistake(file, name, "", "the section is given twice (lines " + std::to_string(s.line) +
                                                        " and " + std::to_string(number) + ")");
                    ok = false;
                }
            sections.push_back(Section{name, number, {}});
        } else if (wdIsEntry(text.c_str(), name, value) != 0) {
            if (sections.empty()) {
                error = Mistake(file, "", name, where + " stands before the first section");
                ok = false;
                break;
            }
            for (const Entry& e : sections.back().entries)
                if (Lower(e.key) == Lower(name)) {
                    error = Mistake(file, sections.back().name, name, "the key is given twice");
                    ok = false;
                }
            sections.back().entries.push_back(Entry{name, Trim(value), number});
        } else {
            error = Mistake(file, sections.empty() ? "" : sections.back().name, "",
                            where + " is neither a section header nor a key=value entry");
            ok = false;
        }
    }
    fclose(stream);
    return ok;
}

bool YesNo(const std::string& value, bool& out) {
    const std::string v = Lower(value);
    if (v == "yes") out = true;
    else if (v == "no") out = false;
    else return false;
    return true;
}

// The [Install] section's tag-value keys and the globals they fill.
const std::vector<std::string>& TagKeys() {
    static const std::vector<std::string> keys = {"WorkDirectory", "JavaDirectory",   "DocumentRoot",
                                                  "ScriptsDirectory", "FolderName",  "DefaultLanguage",
                                                  "DefaultCountry",   "UseSourceEditor"};
    return keys;
}

bool ReadInstallSection(const std::string& file, const Section& section, Responses& out, std::string& error) {
    bool reset = false, haveReset = false;
    std::string engine;
    for (const Entry& e : section.entries) {
        const std::string key = Lower(e.key);
        auto fail = [&](const std::string& what) {
            error = Mistake(file, section.name, e.key, what);
            return false;
        };
        if (key == "destination") {
            if (e.value.empty()) return fail("the destination is empty");
            if (e.value.size() > kPathLimit) return fail("longer than 255 characters");
            out.destination = e.value;
        } else if (key == "existingdirectory") {
            const std::string v = Lower(e.value);
            if (v == "keep") out.existingDirectory = 1603;
            else if (v == "empty") out.existingDirectory = 1602;
            else if (v == "cancel") out.existingDirectory = 1601;
            else return fail("'" + e.value + "' is not keep, empty or cancel");
        } else if (key == "serverengine") {
            engine = Lower(e.value);
            if (engine != "4gl" && engine != "sql" && engine != "both")
                return fail("'" + e.value + "' is not 4gl, sql or both");
        } else if (key == "resetenginesubcomponents") {
            if (!YesNo(e.value, reset)) return fail("'" + e.value + "' is not yes or no");
            haveReset = true;
        } else if (key == "languages") {
            size_t start = 0;
            while (start <= e.value.size()) {
                const size_t comma = e.value.find(',', start);
                const std::string name = Trim(e.value.substr(start, comma == std::string::npos ? std::string::npos
                                                                                               : comma - start));
                if (name.empty()) return fail("an empty language name in the list");
                out.languages.push_back(name);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (key == "country") {
            out.country = e.value;
        } else if (key == "savedirectory") {
            if (e.value.empty()) return fail("the save directory is empty");
            if (e.value.size() > kPathLimit) return fail("longer than 255 characters");
            out.saveDirectory = e.value;
        } else if (key == "kestreladapter") {
            bool yes = false;
            if (!YesNo(e.value, yes)) return fail("'" + e.value + "' is not yes or no");
            out.kestrelAdapter = yes ? 1 : 0;
        } else {
            const auto& tags = TagKeys();
            const auto tag = std::find_if(tags.begin(), tags.end(), [&](const std::string& t) { return Lower(t) == key; });
            if (tag == tags.end()) return fail("unknown key");
            if (e.value.size() > kPathLimit) return fail("longer than 255 characters");
            out.tagValues[*tag] = e.value;
        }
    }
    if (out.destination.empty()) {
        error = Mistake(file, section.name, "Destination", "missing; the destination is required");
        return false;
    }
    if (haveReset && engine.empty()) {
        error = Mistake(file, section.name, "ResetEngineSubcomponents", "needs ServerEngine");
        return false;
    }
    if (!engine.empty()) out.serverEngine = (engine == "4gl" ? 0 : engine == "sql" ? 1 : 2) + (reset ? 3 : 0);
    return true;
}

bool IsServerProduct(int32_t number) { return number >= 250 && number <= 252; }

bool IsEngineComponent(const char* name) {
    return std::strcmp(name, "4GL") == 0 || std::strcmp(name, "4GL (m)") == 0 || std::strcmp(name, "SQL") == 0 ||
           std::strcmp(name, "SQL (m)") == 0;
}

// A tree name matches a key with or without its mandatory mark.
bool NameMatches(const char* treeName, const std::string& wanted) {
    if (KeyForm(treeName) == Lower(wanted)) return true;
    char plain[INI_LINE_SIZE];
    StripMandatoryString(treeName, plain);
    return std::strcmp(plain, treeName) != 0 && KeyForm(plain) == Lower(wanted);
}

ProductNode* FindProduct(ProductNode* products, const std::string& wanted) {
    for (ProductNode* p = products; p != nullptr; p = p->next)
        if (KeyForm(p->productName) == Lower(wanted) || std::to_string(p->productNumber) == wanted) return p;
    return nullptr;
}

bool ReadProductSection(const std::string& file, const Section& section, const std::string& productText,
                        ProductNode* products, int32_t serverEngine, Responses& out, std::string& error) {
    ProductNode* product = FindProduct(products, productText);
    if (product == nullptr) {
        error = Mistake(file, section.name, "", "the medium has no product '" + productText + "'");
        return false;
    }
    for (const ProductChoice& p : out.products)
        if (p.productNumber == product->productNumber) {
            error = Mistake(file, section.name, "", "the product is named by another section too");
            return false;
        }
    ProductChoice choice;
    choice.productNumber = product->productNumber;

    const SkuNode* sku = nullptr;
    for (const Entry& e : section.entries)
        if (Lower(e.key) == "sku") {
            for (const SkuNode* s = product->firstSku; s != nullptr; s = s->next)
                if (KeyForm(s->skuName) == Lower(e.value)) sku = s;
            if (sku == nullptr) {
                error = Mistake(file, section.name, e.key, "the product has no SKU '" + e.value + "'");
                return false;
            }
        }
    if (sku == nullptr) {
        if (product->firstSku == nullptr) {
            error = Mistake(file, section.name, "", "the product has no SKU on this medium");
            return false;
        }
        if (product->firstSku->next != nullptr) {
            std::string names;
            for (const SkuNode* s = product->firstSku; s != nullptr; s = s->next)
                names += std::string(names.empty() ? "" : ", ") + s->skuName;
            error = Mistake(file, section.name, "SKU", "missing; the product has several SKUs (" + names + ")");
            return false;
        }
        sku = product->firstSku;
    }
    choice.sku = sku->skuName;

    for (const Entry& e : section.entries) {
        if (Lower(e.key) == "sku") continue;
        auto fail = [&](const std::string& what) {
            error = Mistake(file, section.name, e.key, what);
            return false;
        };
        bool yes = false;
        if (!YesNo(e.value, yes)) return fail("'" + e.value + "' is not yes or no");
        const size_t slash = e.key.find('/');
        const std::string componentText = Trim(e.key.substr(0, slash));
        const ComponentNode* component = nullptr;
        for (const ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next)
            if (NameMatches(c->componentName, componentText)) component = c;
        if (component == nullptr) return fail("the SKU '" + choice.sku + "' has no component '" + componentText + "'");
        if (serverEngine >= 0 && IsServerProduct(product->productNumber) && slash == std::string::npos &&
            IsEngineComponent(component->componentName))
            return fail("the engine components are chosen by ServerEngine in [Install]");
        ComponentChoice c{component->componentName, "", yes};
        if (slash != std::string::npos) {
            const std::string subText = Trim(e.key.substr(slash + 1));
            const SubcomponentNode* sub = nullptr;
            for (const SubcomponentNode* s = component->firstSubcomponent; s != nullptr; s = s->next)
                if (NameMatches(s->subcomponentName, subText)) sub = s;
            if (sub == nullptr)
                return fail("the component '" + componentText + "' has no subcomponent '" + subText + "'");
            if (!yes && (sub->flags & SUBCOMPONENT_MANDATORY) != 0)
                return fail("the subcomponent is mandatory and cannot be left out");
            c.subcomponent = sub->subcomponentName;
        } else if (!yes && (component->flags & COMPONENT_MANDATORY) != 0) {
            return fail("the component is mandatory and cannot be left out");
        }
        choice.choices.push_back(c);
    }
    out.products.push_back(choice);
    return true;
}

}  // namespace

bool ReadResponses(const std::string& file, ProductNode* products, Responses& out, std::string& error) {
    out = Responses{};
    std::vector<Section> sections;
    if (!ReadSections(file, sections, error)) return false;
    const Section* install = nullptr;
    for (const Section& s : sections) {
        if (Lower(s.name) == Lower(kInstall)) install = &s;
        else if (Lower(s.name).rfind(kProductPrefix, 0) != 0) {
            error = Mistake(file, s.name, "", "unknown section");
            return false;
        }
    }
    if (install == nullptr) {
        error = Mistake(file, kInstall, "", "the section is missing");
        return false;
    }
    if (!ReadInstallSection(file, *install, out, error)) return false;
    for (const Section& s : sections) {
        if (&s == install) continue;
        if (!ReadProductSection(file, s, s.name.substr(std::strlen(kProductPrefix)), products, out.serverEngine,
                                out, error))
            return false;
    }
    if (out.products.empty()) {
        error = Mistake(file, "", "", "no [Product ...] section: nothing to install");
        return false;
    }
    if (out.serverEngine >= 0 &&
        std::none_of(out.products.begin(), out.products.end(),
                     [](const ProductChoice& p) { return IsServerProduct(p.productNumber); })) {
        error = Mistake(file, kInstall, "ServerEngine", "no server product (250 to 252) is being installed");
        return false;
    }
    return true;
}

bool ApplyProductChoices(const std::string& file, const Responses& responses, ProductNode* products,
                         std::string& error) {
    for (ProductNode* product = products; product != nullptr; product = product->next) {
        const auto choice = std::find_if(responses.products.begin(), responses.products.end(),
                                         [&](const ProductChoice& p) { return p.productNumber == product->productNumber; });
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            const bool wanted = choice != responses.products.end() && choice->sku == sku->skuName;
            for (ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
                // Only the named SKU of a product in the response file is
                // installed; everything else is left out whole.
                if (!wanted) {
                    c->flags &= ~COMPONENT_CHOSEN;
                    continue;
                }
                for (const ComponentChoice& cc : choice->choices) {
                    if (cc.component != c->componentName) continue;
                    if (cc.subcomponent.empty()) {
                        c->flags = cc.chosen ? (c->flags | COMPONENT_CHOSEN) : (c->flags & ~COMPONENT_CHOSEN);
                        continue;
                    }
                    for (SubcomponentNode* s = c->firstSubcomponent; s != nullptr; s = s->next)
                        if (cc.subcomponent == s->subcomponentName)
                            s->flags = cc.chosen ? (s->flags | SUBCOMPONENT_CHOSEN) : (s->flags & ~SUBCOMPONENT_CHOSEN);
                }
            }
        }
    }
    // The engine choice goes to the chosen SKUs only: their bits first.
    SelectChosenProducts(products);
    if (responses.serverEngine >= 0) {
        mfSelectServerEngineComponents(static_cast<uint32_t>(responses.serverEngine));
        SelectChosenProducts(products);
    }

    // The mandatory parts of what is installed must all be there.
    for (const ProductNode* product = products; product != nullptr; product = product->next) {
        if ((product->flags & PRODUCT_CHOSEN) == 0) continue;
        const std::string section = std::string("Product ") + product->productName;
        for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            if ((sku->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_MANDATORY) != 0 && (c->flags & COMPONENT_CHOSEN) == 0) {
                    error = Mistake(file, section, c->componentName, "the component is mandatory and cannot be left out");
                    return false;
                }
                if ((c->flags & COMPONENT_CHOSEN) != 0 && CheckMandatorySubcompData(c->firstSubcomponent) == 0) {
                    error = Mistake(file, section, c->componentName, "a mandatory subcomponent is left out");
                    return false;
                }
            }
        }
    }
    for (const ProductChoice& p : responses.products) {
        const ProductNode* product = products;
        while (product != nullptr && product->productNumber != p.productNumber) product = product->next;
        if (product != nullptr && (product->flags & PRODUCT_CHOSEN) == 0) {
            error = Mistake(file, std::string("Product ") + product->productName, "",
                            "no component of the product is chosen");
            return false;
        }
    }
    return true;
}

bool ApplyLanguages(const std::string& file, const Responses& responses, std::string& error) {
    for (const std::string& wanted : responses.languages) {
        LanguageEntry* found = nullptr;
        for (LanguageEntry& entry : _languageTable) {
            if (entry.subcomponent == nullptr) break;
            if (KeyForm(entry.languageName) == KeyForm(wanted.c_str())) found = &entry;
        }
        if (found == nullptr) {
            std::string names;
            for (const LanguageEntry& entry : _languageTable) {
                if (entry.subcomponent == nullptr) break;
                names += std::string(names.empty() ? "" : ", ") + entry.languageName;
            }
            error = Mistake(file, kInstall, "Languages",
                            "the medium has no message language '" + wanted + "'" +
                                (names.empty() ? std::string(" (it has none)") : " (it has " + names + ")"));
            return false;
        }
        found->subcomponent->flags |= SUBCOMPONENT_CHOSEN;
    }
    // A language is installed only with its product and component.
    for (const std::string& wanted : responses.languages) {
        bool installed = false;
        for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
            for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
                if ((s->flags & SKU_CHOSEN) == 0) continue;
                for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                    if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                    for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                        for (const LanguageEntry& entry : _languageTable) {
                            if (entry.subcomponent == nullptr) break;
                            if (entry.subcomponent == sub && KeyForm(entry.languageName) == KeyForm(wanted.c_str()))
                                installed = true;
                        }
                }
            }
        }
        if (!installed) {
            error = Mistake(file, kInstall, "Languages",
                            "the language '" + wanted + "' belongs to a product or component that is not installed");
            return false;
        }
    }
    return true;
}

bool ApplyCountry(const std::string& file, const std::string& nlsFile, const Responses& responses,
                  std::string& error) {
    if (_access(nlsFile.c_str(), ACCESS_EXISTS) != 0) {
        if (responses.country.empty()) return true;
        error = Mistake(file, kInstall, "Country", "the medium has no national-language file (" + nlsFile + ")");
        return false;
    }
    nlsnode* data = nullptr;
    nlsDateNode* dates = nullptr;
    nlsNumberFormatNode* numbers = nullptr;
    nlsCCCNode* pages = nullptr;
    mfGetNlsLists(nlsFile.c_str(), &data, &dates, &numbers, &pages);
    const nlsnode* chosen = data;
    if (!responses.country.empty()) {
        chosen = nullptr;
        for (const nlsnode* n = data; n != nullptr; n = n->next)
            if (KeyForm(n->field1) == KeyForm(responses.country.c_str())) chosen = n;
    }
    bool ok = true;
    if (chosen == nullptr) {
        std::string names;
        for (const nlsnode* n = data; n != nullptr; n = n->next) names += std::string(names.empty() ? "" : ", ") + n->field1;
        error = Mistake(file, kInstall, "Country",
                        "the national-language file has no country '" + responses.country + "'" +
                            (names.empty() ? std::string() : " (it has " + names + ")"));
        ok = false;
    } else {
        // The last field of a line keeps its line end; none of the fields
        // taken here is last.
        auto put = [](char* global, const char* value) {
            std::strncpy(global, value, 255);
            global[255] = '\0';
        };
        put(_nlsCountryName, chosen->field1);
        put(_nlsLanguageName, chosen->field2);
        put(_nlsDateFormat, chosen->dateFormat);
        put(_nlsNumsep, chosen->field4);
        put(_nlsNumdec, chosen->field5);
        put(_nlsCpinternal, chosen->codePage1);
        put(_nlsCpcollation, chosen->codePage2);
        put(_nlsCpcase, chosen->codePage3);
        // The number format whose separators are the country's.
        _nlsNumberFormat[0] = '\0';
        for (const nlsNumberFormatNode* f = numbers; f != nullptr; f = f->next) {
            std::string decimal = f->field4;
            while (!decimal.empty() && (decimal.back() == '\n' || decimal.back() == '\r')) decimal.pop_back();
            if (std::strcmp(f->field3, chosen->field4) == 0 && decimal == chosen->field5) {
                put(_nlsNumberFormat, f->field2);
                break;
            }
        }
        if (_szDefaultLanguage[0] == '\0') put(_szDefaultLanguage, chosen->field2);
        if (_szDefaultCountry[0] == '\0') put(_szDefaultCountry, chosen->field1);
    }
    mfFreeNlsLists(data, dates, numbers, pages);
    return ok;
}

void ApplyTagValues(const Responses& responses) {
    const std::pair<const char*, char*> targets[] = {
        {"WorkDirectory", _workPath},         {"JavaDirectory", _javaDestinationPath},
        {"DocumentRoot", _docRootDestPath},   {"ScriptsDirectory", _cgiScriptDestPath},
        {"FolderName", _szFolderName},        {"DefaultLanguage", _szDefaultLanguage},
        {"DefaultCountry", _szDefaultCountry}, {"UseSourceEditor", _szUseSourceEditor},
    };
    for (const auto& [key, global] : targets) {
        const auto it = responses.tagValues.find(key);
        if (it == responses.tagValues.end()) continue;
        std::strncpy(global, it->second.c_str(), 255);
        global[255] = '\0';
    }
    if (responses.kestrelAdapter >= 0) _bInstallingKestrelMqAdapter = static_cast<uint32_t>(responses.kestrelAdapter);
}

}  // namespace vrn::installer
