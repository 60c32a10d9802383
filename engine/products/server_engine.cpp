// The server engine choice: which of the "4GL" and "SQL" engine components
// of the chosen server products are required, and which become ordinary
// unchosen components.
#include <cstring>
#include <iterator>

#include "engine/products/products.h"

namespace vrn {

namespace {

enum class EngineAction { Require, Release };

struct EngineChoice {
    EngineAction fourGl;
    EngineAction sql;
    bool resetSubcomponents;
};

constexpr EngineChoice kChoices[] = {
    {EngineAction::Require, EngineAction::Release, false},
    {EngineAction::Release, EngineAction::Require, false},
    {EngineAction::Require, EngineAction::Require, false},
    {EngineAction::Require, EngineAction::Release, true},
    {EngineAction::Release, EngineAction::Require, true},
    {EngineAction::Require, EngineAction::Require, true},
};

constexpr uint32_t kChosenAndMandatory = COMPONENT_CHOSEN | COMPONENT_MANDATORY;

bool IsServerProduct(int32_t productNumber) {
    return productNumber == 250 || productNumber == 251 || productNumber == 252;
}

// Whether the name is the engine's plain name or the plain name with the
// mandatory mark; `plain` is three letters.
bool IsEngineName(const char* name, const char* plain) {
    if (std::strncmp(name, plain, 3) != 0) return false;
    return name[3] == '\0' || std::strcmp(name + 3, MANDATORY_MARK) == 0;
}

void ApplyAction(ComponentNode* component, EngineAction action, bool resetSubcomponents) {
    char* name = component->componentName;
    if (action == EngineAction::Require) {
        component->flags |= kChosenAndMandatory;
        if (name[3] == '\0') std::strcat(name, MANDATORY_MARK);
    } else {
        component->flags &= ~kChosenAndMandatory;
        name[3] = '\0';
    }
    if (resetSubcomponents) {
        for (SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next) {
            if ((sub->flags & SUBCOMPONENT_MANDATORY) != 0) {
                sub->flags |= SUBCOMPONENT_CHOSEN;
            } else {
                sub->flags &= ~SUBCOMPONENT_CHOSEN;
            }
        }
    }
}

}  // namespace

// The SKU and product chosen bits are left as they are; a caller that
// releases an engine component recomputes them with SelectChosenProducts.
int32_t mfSelectServerEngineComponents(uint32_t choice) {
    if (choice >= std::size(kChoices)) return 0;
    const EngineChoice& rule = kChoices[choice];
    for (ProductNode* product = _availableProducts; product != nullptr; product = product->next) {
        if ((product->flags & PRODUCT_CHOSEN) == 0 || !IsServerProduct(product->productNumber)) continue;
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            if ((sku->flags & SKU_CHOSEN) == 0) continue;
            for (ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                if (IsEngineName(component->componentName, "4GL")) {
                    ApplyAction(component, rule.fourGl, rule.resetSubcomponents);
                } else if (IsEngineName(component->componentName, "SQL")) {
                    ApplyAction(component, rule.sql, rule.resetSubcomponents);
                }
            }
        }
    }
    return 0;
}

}  // namespace vrn
