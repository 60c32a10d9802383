// Temporary copies of the chosen bits of a product's components or of one
// subcomponent list, so that the caller can put an earlier choice back.
#include "engine/products/products.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr char kStatusDetail[] = "tempChosenStatus";

// Appends one byte to the status being built; on failure the status is
// returned to the heap, the failure reported and null given.
uint8_t* AppendStatusByte(HWND window, uint8_t* status, uint32_t length, uint8_t value) {
    uint8_t* grown = nullptr;
    if (status == nullptr) {
        grown = static_cast<uint8_t*>(utmalloc(1));
        if (grown == nullptr) {
            DisplayErrorMsg(window, kStatusDetail, 601);
            return nullptr;
        }
    } else {
        grown = static_cast<uint8_t*>(utrealloc(status, length + 1));
        if (grown == nullptr) {
            utfree(status);
            DisplayErrorMsg(window, kStatusDetail, 602);
            return nullptr;
        }
    }
    grown[length] = value;
    return grown;
}

}  // namespace

uint8_t* CreateChosenCompStatus(HWND window, const ProductNode* product) {
    if (product == nullptr) return nullptr;
    uint8_t* status = nullptr;
    uint32_t length = 0;
    for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
        for (const ComponentNode* component = sku->firstComponent; component != nullptr;
             component = component->next) {
            status = AppendStatusByte(window, status, length, (component->flags & COMPONENT_CHOSEN) != 0 ? 1 : 0);
            if (status == nullptr) return nullptr;
            ++length;
        }
    }
    return status;
}

void ResetChosenCompStatus(const uint8_t* status, ProductNode* product) {
    if (status == nullptr || product == nullptr) return;
    uint32_t position = 0;
    for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
        for (ComponentNode* component = sku->firstComponent; component != nullptr; component = component->next) {
            if (status[position++] != 0) {
                component->flags |= COMPONENT_CHOSEN;
            } else {
                component->flags &= ~COMPONENT_CHOSEN;
            }
        }
    }
}

uint8_t* CreateChosenSubcompStatus(HWND window, uint32_t /*reserved*/, const SubcomponentNode* firstSubcomponent) {
    uint8_t* status = nullptr;
    uint32_t length = 0;
    for (const SubcomponentNode* sub = firstSubcomponent; sub != nullptr; sub = sub->next) {
        status = AppendStatusByte(window, status, length, (sub->flags & SUBCOMPONENT_CHOSEN) != 0 ? 1 : 0);
        if (status == nullptr) return nullptr;
        ++length;
    }
    return status;
}

void ResetChosenSubcompStatus(const uint8_t* status, uint32_t /*reserved*/, SubcomponentNode* firstSubcomponent) {
    if (status == nullptr) return;
    uint32_t position = 0;
    for (SubcomponentNode* sub = firstSubcomponent; sub != nullptr; sub = sub->next) {
        if (status[position++] != 0) {
            sub->flags |= SUBCOMPONENT_CHOSEN;
        } else {
            sub->flags &= ~SUBCOMPONENT_CHOSEN;
        }
    }
}

}  // namespace vrn
