// The tailoring pass: the files the tailor table lists for every chosen
// component and subcomponent, each shared archive's files once, and the
// installed-products record last.
#include <cstring>
#include <string>
#include <string_view>

#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "engine/tailor/tailor.h"

namespace vrn {

namespace {

// Room for a node's name and for a listed file joined to the destination.
constexpr size_t kNameSize = 510;
constexpr size_t kPathSize = 512;

// A fixed-width text of a record or node, up to its NUL or its width.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// The name the tailor table knows a node by: without the mandatory mark.
std::string TableName(std::string_view nodeName) {
    std::string name(nodeName.substr(0, kNameSize - 1));
    const size_t close = name.rfind(')');
    if (close != std::string::npos && close >= 2 && name[close - 1] == 'm' && name[close - 2] == '(')
        name.resize(name.size() >= 4 ? name.size() - 4 : 0);
    return name;
}

int32_t TailorListedFiles(std::string_view nodeName, const char* destDir, const TailorRecord* tailorTable,
                          uint32_t tailorCount) {
    if (tailorTable == nullptr || tailorCount < 1) return 0;
    const std::string name = TableName(nodeName);
    const char* dir = destDir != nullptr ? destDir : "";
    for (uint32_t i = 0; i < tailorCount; ++i) {
        const TailorRecord& entry = tailorTable[i];
        if (FieldText(entry.componentName) != name || entry.tailorKind != TAILOR_KIND_TAGS) continue;
        const std::string listed(FieldText(entry.tailorFile));
        // A listed file lies under the destination: a path that would climb
        // out of it, or name another drive or a share, is refused untouched.
        if (IsSafeMemberName(listed.c_str()) == 0) return DisplayErrorMsg(_installWnd, listed.c_str(), 112);
        // FormatFileName adds at most ".\" and one separator.
        if (std::strlen(dir) + listed.size() + 4 > kPathSize) return DisplayErrorMsg(_installWnd, listed.c_str(), 130);
        char fullPath[kPathSize];
        FormatFileName(dir, listed.c_str(), fullPath);
        if (const int32_t result = TailorVarentisFiles("RUD", dir, fullPath); result != 0) return result;
    }
    return 0;
}

bool SameArchive(const char (&a)[255], const char (&b)[255]) { return FieldText(a) == FieldText(b); }

}  // namespace

int32_t ProcessTailorFiles(const ComponentNode* node, const char* destDir, const TailorRecord* tailorTable,
                           uint32_t tailorCount, int32_t /*reserved*/) {
    return TailorListedFiles(FieldText(node->componentName), destDir, tailorTable, tailorCount);
}

int32_t ProcessTailorFiles(const SubcomponentNode* node, const char* destDir, const TailorRecord* tailorTable,
                           uint32_t tailorCount, int32_t /*reserved*/) {
    return TailorListedFiles(FieldText(node->subcomponentName), destDir, tailorTable, tailorCount);
}

void UpdateCompTailorFlags(ProductNode* products, ComponentNode* component) {
    component->flags |= COMPONENT_TAILORED;
    for (ProductNode* product = products; product != nullptr; product = product->next)
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next)
            for (ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next)
                if (SameArchive(c->archiveName, component->archiveName)) c->flags |= COMPONENT_TAILORED;
}

void UpdateSubcompTailorFlags(ProductNode* products, SubcomponentNode* subcomponent) {
    subcomponent->flags |= SUBCOMPONENT_TAILORED;
    for (ProductNode* product = products; product != nullptr; product = product->next)
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next)
            for (ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next)
                for (SubcomponentNode* s = c->firstSubcomponent; s != nullptr; s = s->next)
                    if (SameArchive(s->archiveName, subcomponent->archiveName)) s->flags |= SUBCOMPONENT_TAILORED;
}

int32_t TailorFiles(const char* destDir, ProductNode* products, const TailorRecord* tailorTable,
                    uint32_t tailorCount, int32_t reserved) {
    const bool batch = (_commandLineSwitch & SWITCH_BATCH) != 0;
    for (ProductNode* product = products; product != nullptr; product = product->next) {
        if ((product->flags & PRODUCT_CHOSEN) == 0) continue;
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            if ((sku->flags & SKU_CHOSEN) == 0) continue;
            for (ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                // A component with subcomponents is tailored through them
                // only. A failure ends an interactive pass; a batch pass goes
                // on and leaves the failed node unmarked.
                if (c->firstSubcomponent != nullptr) {
                    for (SubcomponentNode* s = c->firstSubcomponent; s != nullptr; s = s->next) {
                        if ((s->flags & SUBCOMPONENT_CHOSEN) == 0 || (s->flags & SUBCOMPONENT_TAILORED) != 0) continue;
                        const int32_t result = ProcessTailorFiles(s, destDir, tailorTable, tailorCount, reserved);
                        if (result == 0)
                            UpdateSubcompTailorFlags(products, s);
                        else if (!batch)
                            return result;
                    }
                } else if ((c->flags & COMPONENT_TAILORED) == 0) {
                    const int32_t result = ProcessTailorFiles(c, destDir, tailorTable, tailorCount, reserved);
                    if (result == 0)
                        UpdateCompTailorFlags(products, c);
                    else if (!batch)
                        return result;
                }
            }
        }
    }
    // The record of installed products carries markers of its own; what
    // becomes of it does not change the pass's result.
    const char* dir = destDir != nullptr ? destDir : "";
    std::string record(std::strlen(dir) + sizeof TAILOR_RECORD_FILE + 4, '\0');
    FormatFileName(dir, TAILOR_RECORD_FILE, record.data());
    ModifyFile(record.c_str(), dir);
    return 0;
}

}  // namespace vrn
