// The fixture of the tailoring tests: temporary drives, the tag values reset,
// files written and read back in their bytes, and small product trees and
// tailor tables built in memory.
#pragma once

#include <sys/stat.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "engine/tailor/tailor.h"
#include "tests/support/test_support.h"

namespace vrn::test {

class TailorTest : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        _commandLineSwitch = 0;
        _bIsVrnenvBatFile = 0;
        _bIsKestrelAdapterInstalled = 0;
        _bInstallingKestrelMqAdapter = 0;
        _availableProducts = nullptr;
        for (char* value : TagValues()) value[0] = '\0';
    }
    void TearDown() override {
        _availableProducts = nullptr;
        _bIsKestrelAdapterInstalled = 0;
        _bInstallingKestrelMqAdapter = 0;
        for (char* value : TagValues()) value[0] = '\0';
        TempDrives::TearDown();
    }

    static std::vector<char*> TagValues() {
        return {_destinationPath, _workPath,       _docRootDestPath,   _cgiScriptDestPath, _javaDestinationPath,
                _szArchiveDir,    _szFolderName,   _szDefaultLanguage, _szDefaultCountry,  _szUseSourceEditor,
                _nlsCpinternal,   _nlsCpcollation, _nlsCpcase,         _nlsDateFormat,     _nlsNumberFormat,
                _nlsNumsep,       _nlsNumdec};
    }
    static void Set(char* value, const std::string& text) {
        ASSERT_LT(text.size(), 256u);
        std::memcpy(value, text.c_str(), text.size() + 1);
    }

    // A host path under C: from a Windows path under C:\.
    std::string OnC(const std::string& windowsPath) const {
        std::string relative = windowsPath.substr(3);
        for (char& c : relative)
            if (c == '\\') c = '/';
        return root + "/C/" + relative;
    }
    static bool Exists(const std::string& host) {
        struct stat st {};
        return ::lstat(host.c_str(), &st) == 0;
    }
    // Every box's title and text, for failure messages and counts.
    std::string Boxes() const {
        std::string s;
        for (const DialogRecord& b : dialogs.boxes) s += "[" + b.title + "] " + b.text + "\n";
        return s;
    }
    // Batch mode with the log under the temporary directory.
    void Batch() {
        _commandLineSwitch = SWITCH_BATCH;
        const std::string log = "C:\\install.log";
        std::memcpy(_logBatchFilePathName, log.c_str(), log.size() + 1);
    }
    std::string Log() const { return Exists(root + "/C/install.log") ? ReadHostFile(root + "/C/install.log") : ""; }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

// A product tree in memory: nodes are kept in deques, so their addresses
// stay put while the tree grows.
class Tree {
public:
    ProductNode* Product(int32_t number, bool chosen = true) {
        ProductNode& p = products_.emplace_back();
        p.productNumber = number;
        p.flags = chosen ? PRODUCT_CHOSEN : 0;
        std::snprintf(p.productName, sizeof p.productName, "Product %d", number);
        ProductNode** link = &head_;
        while (*link != nullptr) link = &(*link)->next;
        *link = &p;
        return &p;
    }
    SkuNode* Sku(ProductNode* product, bool chosen = true) {
        SkuNode& s = skus_.emplace_back();
        s.flags = chosen ? SKU_CHOSEN : 0;
        SkuNode** link = &product->firstSku;
        while (*link != nullptr) link = &(*link)->next;
        *link = &s;
        return &s;
    }
    ComponentNode* Component(SkuNode* sku, const char* name, const char* archive, bool chosen = true) {
        ComponentNode& c = components_.emplace_back();
        std::strncpy(c.componentName, name, sizeof c.componentName - 1);
        std::strncpy(c.archiveName, archive, sizeof c.archiveName - 1);
        c.flags = chosen ? COMPONENT_CHOSEN : 0;
        ComponentNode** link = &sku->firstComponent;
        while (*link != nullptr) link = &(*link)->next;
        *link = &c;
        return &c;
    }
    SubcomponentNode* Subcomponent(ComponentNode* component, const char* name, const char* archive,
                                   bool chosen = true) {
        SubcomponentNode& s = subcomponents_.emplace_back();
        std::strncpy(s.subcomponentName, name, sizeof s.subcomponentName - 1);
        std::strncpy(s.archiveName, archive, sizeof s.archiveName - 1);
        s.flags = chosen ? SUBCOMPONENT_CHOSEN : 0;
        SubcomponentNode** link = &component->firstSubcomponent;
        while (*link != nullptr) link = &(*link)->next;
        *link = &s;
        return &s;
    }
    ProductNode* head() const { return head_; }

private:
    ProductNode* head_ = nullptr;
    std::deque<ProductNode> products_;
    std::deque<SkuNode> skus_;
    std::deque<ComponentNode> components_;
    std::deque<SubcomponentNode> subcomponents_;
};

inline TailorRecord Entry(const char* componentName, const char* tailorFile, uint16_t kind = TAILOR_KIND_TAGS) {
    TailorRecord r{};
    std::strncpy(r.componentName, componentName, sizeof r.componentName - 1);
    std::strncpy(r.tailorFile, tailorFile, sizeof r.tailorFile - 1);
    r.tailorKind = kind;
    return r;
}

}  // namespace vrn::test
