// The component and subcomponent nodes of one SKU, found through the
// component-to-SKU rows and the product's install records.
#include <cstring>

#include "engine/products/node_text.h"
#include "engine/products/products.h"
#include "runtime/memory/memory.h"

namespace vrn {

using products_detail::AppendText;
using products_detail::CopyText;

namespace {

bool SameSku(const Comp2SkuRecord& row, const SkuNode* sku) {
    return strncmp(row.skuName, sku->skuName, sizeof row.skuName) == 0;
}

// The first install record of the product for the component, or null when
// the component is not part of the product.
const InstallRecord* FindInstallRecord(int32_t productNumber, int32_t componentId) {
    for (uint32_t i = 0;; ++i) {
        const InstallRecord* record = GetInstallRec(1, i);
        if (record == nullptr) return nullptr;
        if (static_cast<int32_t>(record->productNumber) == productNumber && record->componentId == componentId) {
            return record;
        }
    }
}

template <typename Node>
void FreeNodes(Node* node) {
    while (node != nullptr) {
        Node* next = node->next;
        utfree(node);
        node = next;
    }
}

}  // namespace

int32_t SubcomponentData(const Comp2SkuRecord* row) {
    return row->subcomponentId > 0 ? 1 : 0;
}

ComponentNode* CreateComponentNode(const CompIDRecord* compID, uint32_t compIDCount, int32_t componentId,
                                   uint8_t installFlags) {
    const CompIDRecord* record = nullptr;
    for (uint32_t i = 0; compID != nullptr && i < compIDCount; ++i) {
        if (compID[i].componentId == componentId) {
            record = &compID[i];
            break;
        }
    }
    if (record == nullptr) {
        DisplayErrorMsg(_installWnd, nullptr, 143);
        return nullptr;
    }
    auto* node = static_cast<ComponentNode*>(utcalloc(1, sizeof(ComponentNode)));
    if (node == nullptr) {
        DisplayErrorMsg(_installWnd, "componentNode", 601);
        return nullptr;
    }
    std::memcpy(node->clusterSizes, record->clusterSizes, sizeof node->clusterSizes);
    node->archiveSize = record->archiveSize;
    CopyText(node->componentName, record->componentName);
    CopyText(node->auxText, record->auxText);
    CopyText(node->archiveName, record->archiveName);
    node->firstSubcomponent = nullptr;
    node->next = nullptr;
    node->reserved1 = 0;
    node->reserved2 = 0;
    node->flags = 0;
    if ((installFlags & 1) != 0) {
        node->flags = COMPONENT_MANDATORY | COMPONENT_CHOSEN;
        AppendText(node->componentName, MANDATORY_MARK);
    }
    return node;
}

// Components whose rows name the SKU but that have no install record for
// the product are left out without a report.
ComponentNode* CreateComponents(int32_t productNumber, const Comp2SkuRecord* comp2Sku, uint32_t comp2SkuCount,
                                const CompIDRecord* compID, uint32_t compIDCount, const SkuNode* sku) {
    if (comp2Sku == nullptr || comp2SkuCount == 0) {
        DisplayErrorMsg(_installWnd, nullptr, 143);
        return nullptr;
    }
    ComponentNode* first = nullptr;
    ComponentNode** link = &first;
    for (uint32_t i = 0; i < comp2SkuCount; ++i) {
        const Comp2SkuRecord& row = comp2Sku[i];
        if (!SameSku(row, sku) || SubcomponentData(&row)) continue;
        const InstallRecord* install = FindInstallRecord(productNumber, row.componentId);
        if (install == nullptr) continue;
        ComponentNode* node = CreateComponentNode(compID, compIDCount, row.componentId, install->flags);
        if (node == nullptr) {
            FreeNodes(first);
            return nullptr;
        }
        *link = node;
        link = &node->next;
    }
    if (first == nullptr) DisplayErrorMsg(_installWnd, nullptr, 143);
    return first;
}

int32_t Subcomp2CompMapping(const Comp2SkuRecord* row, const Subcomp2CompRecord* subcomp2Comp, uint32_t count,
                            const char* componentName) {
    for (uint32_t i = 0; subcomp2Comp != nullptr && i < count; ++i) {
        const Subcomp2CompRecord& record = subcomp2Comp[i];
        if (record.componentId == row->componentId &&
            strncmp(record.parentComponentName, componentName, sizeof record.parentComponentName) == 0) {
            return 1;
        }
    }
    return 0;
}

SubcomponentNode* CreateSubcomponentNode(const Subcomp2CompRecord* subcomp2Comp, uint32_t count,
                                         const Comp2SkuRecord* row) {
    const Subcomp2CompRecord* record = nullptr;
    for (uint32_t i = 0; subcomp2Comp != nullptr && i < count; ++i) {
        if (subcomp2Comp[i].componentId == row->componentId &&
            subcomp2Comp[i].subcomponentId == row->subcomponentId) {
            record = &subcomp2Comp[i];
            break;
        }
    }
    if (record == nullptr) {
        DisplayErrorMsg(_installWnd, nullptr, 144);
        return nullptr;
    }
    auto* node = static_cast<SubcomponentNode*>(utcalloc(1, sizeof(SubcomponentNode)));
    if (node == nullptr) {
        DisplayErrorMsg(_installWnd, "subcomponentNode", 601);
        return nullptr;
    }
    std::memcpy(node->clusterSizes, record->clusterSizes, sizeof node->clusterSizes);
    node->archiveSize = record->archiveSize;
    CopyText(node->subcomponentName, record->subcomponentName);
    CopyText(node->auxText, record->auxText);
    CopyText(node->archiveName, record->archiveName);
    node->next = nullptr;
    node->reserved1 = 0;
    node->reserved2 = 0;
    node->flags = SUBCOMPONENT_CHOSEN;
    if ((record->mandatory & 1) != 0) {
        node->flags |= SUBCOMPONENT_MANDATORY;
        AppendText(node->subcomponentName, MANDATORY_MARK);
    }
    return node;
}

// A subcomponent that cannot be made leaves the component with none: the
// nodes made before it are returned to the heap.
SubcomponentNode* CreateSubcomponents(const Comp2SkuRecord* comp2Sku, uint32_t comp2SkuCount,
                                      const Subcomp2CompRecord* subcomp2Comp, uint32_t subcomp2CompCount,
                                      const SkuNode* sku, const char* componentName) {
    if (comp2Sku == nullptr || comp2SkuCount == 0) return nullptr;
    SubcomponentNode* first = nullptr;
    SubcomponentNode** link = &first;
    for (uint32_t i = 0; i < comp2SkuCount; ++i) {
        const Comp2SkuRecord& row = comp2Sku[i];
        if (!SameSku(row, sku) || !SubcomponentData(&row) ||
            !Subcomp2CompMapping(&row, subcomp2Comp, subcomp2CompCount, componentName)) {
            continue;
        }
        SubcomponentNode* node = CreateSubcomponentNode(subcomp2Comp, subcomp2CompCount, &row);
        if (node == nullptr) {
            FreeNodes(first);
            return nullptr;
        }
        *link = node;
        link = &node->next;
    }
    return first;
}

void StripMandatoryString(const char* name, char* out) {
    std::strcpy(out, name);
    char* blank = std::strrchr(out, ' ');
    if (blank != nullptr && std::strcmp(blank, MANDATORY_MARK) == 0) *blank = '\0';
}

}  // namespace vrn
