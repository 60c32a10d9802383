// Whole-tree choices: select everything, reset to the mandatory parts, and
// derive the SKU and product chosen bits from their components; the checks
// that mandatory parts are still chosen, and a product's full size.
#include <algorithm>

#include "engine/products/products.h"

namespace vrn {

void SelectAllProducts(ProductNode* products) {
    for (ProductNode* product = products; product != nullptr; product = product->next) {
        product->flags |= PRODUCT_CHOSEN;
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            sku->flags |= SKU_CHOSEN;
            for (ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                component->flags |= COMPONENT_CHOSEN;
                for (SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next) {
                    sub->flags |= SUBCOMPONENT_CHOSEN;
                }
            }
        }
    }
}

// Components go back to their mandatory bit; every subcomponent is chosen,
// since a subcomponent only counts while its component is chosen.
void DeselectChosenProducts(ProductNode* products) {
    for (ProductNode* product = products; product != nullptr; product = product->next) {
        product->flags &= ~PRODUCT_CHOSEN;
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            sku->flags &= ~SKU_CHOSEN;
            for (ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                if ((component->flags & COMPONENT_MANDATORY) != 0) {
                    component->flags |= COMPONENT_CHOSEN;
                    sku->flags |= SKU_CHOSEN;
                } else {
                    component->flags &= ~COMPONENT_CHOSEN;
                }
                for (SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next) {
                    sub->flags |= SUBCOMPONENT_CHOSEN;
                }
            }
            if ((sku->flags & SKU_CHOSEN) != 0) product->flags |= PRODUCT_CHOSEN;
        }
    }
}

void SelectChosenProducts(ProductNode* products) {
    for (ProductNode* product = products; product != nullptr; product = product->next) {
        product->flags &= ~PRODUCT_CHOSEN;
        for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
            sku->flags &= ~SKU_CHOSEN;
            for (const ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                if ((component->flags & COMPONENT_CHOSEN) != 0) {
                    sku->flags |= SKU_CHOSEN;
                    break;
                }
            }
            if ((sku->flags & SKU_CHOSEN) != 0) product->flags |= PRODUCT_CHOSEN;
        }
    }
}

int32_t CheckMandatoryCompData(const ProductNode* product) {
    if (product == nullptr) return 1;
    for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
        for (const ComponentNode* component = sku->firstComponent; component != nullptr;
             component = component->next) {
            if ((component->flags & COMPONENT_MANDATORY) != 0 && (component->flags & COMPONENT_CHOSEN) == 0) {
                return 0;
            }
        }
    }
    return 1;
}

int32_t CheckMandatorySubcompData(const SubcomponentNode* firstSubcomponent) {
    for (const SubcomponentNode* sub = firstSubcomponent; sub != nullptr; sub = sub->next) {
        if ((sub->flags & SUBCOMPONENT_MANDATORY) != 0 && (sub->flags & SUBCOMPONENT_CHOSEN) == 0) return 0;
    }
    return 1;
}

int32_t CheckSubcomponentData(const SubcomponentNode* firstSubcomponent) {
    for (const SubcomponentNode* sub = firstSubcomponent; sub != nullptr; sub = sub->next) {
        if ((sub->flags & SUBCOMPONENT_CHOSEN) != 0) return 1;
    }
    return 0;
}

// The size of every component and subcomponent of the product on the
// destination's cluster class, chosen or not; wraps at 32 bits. A class
// beyond the table's eight uses the last one.
uint32_t CalculateProductSize(const ProductNode* product) {
    if (product == nullptr) return 0;
    const int index = std::clamp<int32_t>(_blockSizeIndex, 0, CLUSTER_CLASSES - 1);
    uint32_t total = 0;
    for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
        for (const ComponentNode* component = sku->firstComponent; component != nullptr;
             component = component->next) {
            total += component->clusterSizes[index];
            for (const SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr; sub = sub->next) {
                total += sub->clusterSizes[index];
            }
        }
    }
    return total;
}

}  // namespace vrn
