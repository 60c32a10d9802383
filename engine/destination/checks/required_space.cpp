// The space the chosen components take on the destination's cluster size,
// and the largest archive they need, with every archive counted once; and
// the same figures over the whole tree, whatever is chosen.
#include <cstring>
#include <string>
#include <type_traits>

#include "engine/archive/archive.h"
#include "engine/destination/checks/checks_internal.h"
#include "engine/destination/destination.h"
#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"

namespace vrn {

namespace {

// The archive names met in one computation; the copies go with it.
struct ArchiveNames {
    char* list[ARCHIVE_LIST_MAX] = {};
    int32_t count = 0;
    ArchiveNames() = default;
    ArchiveNames(const ArchiveNames&) = delete;
    ArchiveNames& operator=(const ArchiveNames&) = delete;
    ~ArchiveNames() { FreeSymbolList(list, &count); }

    // True the first time a name is met; a full list counts as holding it.
    bool IsNew(const char* name) { return SymbolInList(name, list, &count, ARCHIVE_LIST_MAX) == 0; }
};

bool Chosen(uint32_t flags) { return (flags & 1u) != 0; }

// Calls visit(component) for every component without subcomponents and
// visit(subcomponent) for every subcomponent, in walk order, below the
// products, SKUs and components that pass `enter`; subcomponents pass
// `takeSub`. A false answer of visit ends the walk.
template <typename Enter, typename TakeSub, typename Visit>
void Walk(const ProductNode* products, Enter enter, TakeSub takeSub, Visit visit) {
    for (const ProductNode* product = products; product != nullptr; product = product->next) {
        if (!enter(product->flags)) continue;
        for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            if (!enter(sku->flags)) continue;
            for (const ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                if (!enter(component->flags)) continue;
                if (component->firstSubcomponent == nullptr) {
                    if (!visit(component)) return;
                    continue;
                }
                for (const SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next)
                    if (takeSub(sub->flags) && !visit(sub)) return;
            }
        }
    }
}

bool Always(uint32_t) { return true; }

bool NotExtracted(const ComponentNode* component) { return (component->flags & COMPONENT_NOT_EXTRACTED) != 0; }
bool NotExtracted(const SubcomponentNode* sub) { return (sub->flags & SUBCOMPONENT_NOT_EXTRACTED) != 0; }

// The space of the tree's components on the current cluster size, each
// archive once; `chosenOnly` leaves out what is not chosen or not extracted.
uint32_t SumSpace(const ProductNode* products, bool chosenOnly) {
    ArchiveNames names;
    const int32_t index = ClusterClass();
    uint32_t total = 0;
    auto add = [&](const auto* node) {
        // The name is claimed first: an archive that is not extracted is not
        // counted for a later component that shares it either.
        if (names.IsNew(node->archiveName) && !(chosenOnly && NotExtracted(node))) total += node->clusterSizes[index];
        return true;
    };
    if (chosenOnly)
        Walk(products, Chosen, Chosen, add);
    else
        Walk(products, Always, Always, add);
    return total;
}

}  // namespace

uint32_t CalcReqDiskSpace(const ProductNode* products) { return SumSpace(products, true); }

int32_t PreviouslyCheckedComp(const ProductNode* products, const ComponentNode* component) {
    int32_t answer = 0;
    Walk(products, Chosen, Chosen, [&](const auto* node) {
        using Node = std::remove_cv_t<std::remove_pointer_t<decltype(node)>>;
        if constexpr (std::is_same_v<Node, ComponentNode>) {
            if (std::strcmp(node->archiveName, component->archiveName) == 0) {
                answer = node != component ? 1 : 0;
                return false;
            }
        }
        return true;
    });
    return answer;
}

int32_t PreviouslyCheckedSubcomp(const ProductNode* products, const SubcomponentNode* subcomponent) {
    int32_t answer = 0;
    // The subcomponents are taken whether chosen or not.
    Walk(products, Chosen, Always, [&](const auto* node) {
        using Node = std::remove_cv_t<std::remove_pointer_t<decltype(node)>>;
        if constexpr (std::is_same_v<Node, SubcomponentNode>) {
            if (std::strcmp(node->archiveName, subcomponent->archiveName) == 0) {
                answer = node != subcomponent ? 1 : 0;
                return false;
            }
        }
        return true;
    });
    return answer;
}

uint32_t FindLargestArchive(const ProductNode* products) {
    uint32_t largest = 0;
    Walk(products, Chosen, Chosen, [&](const auto* node) {
        using Node = std::remove_cv_t<std::remove_pointer_t<decltype(node)>>;
        int32_t seen;
        if constexpr (std::is_same_v<Node, ComponentNode>)
            seen = PreviouslyCheckedComp(products, node);
        else
            seen = PreviouslyCheckedSubcomp(products, node);
        if (seen == 0 && node->archiveSize > largest) largest = node->archiveSize;
        return true;
    });
    _lastLargestArchive = largest;
    return largest;
}

uint32_t CalcQuickDiskSpace(const ProductNode* products, const char* path) {
    std::string query = path;
    GetDiskSpaceInfo(query.data());
    return SumSpace(products, false);
}

uint32_t FindQuickLargestArchive(const ProductNode* products) {
    uint32_t largest = 0;
    Walk(products, Always, Always, [&](const auto* node) {
        if (node->archiveSize > largest) largest = node->archiveSize;
        return true;
    });
    return largest;
}

bool IsCdMedium() {
    if (_devTable == nullptr || _devTableSize == 0) return false;
    const DeviceRecord& first = _devTable[0];
    return strnlen(first.deviceType, sizeof first.deviceType) == 2 && std::memcmp(first.deviceType, "cd", 2) == 0;
}

int32_t ClusterClass() {
    if (_blockSizeIndex < 0) return 0;
    return _blockSizeIndex > MAX_BLOCK_SIZE_INDEX ? MAX_BLOCK_SIZE_INDEX : _blockSizeIndex;
}

}  // namespace vrn
