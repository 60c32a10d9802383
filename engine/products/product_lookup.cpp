// Look-ups in the product tree by whole name, byte for byte; a component or
// subcomponent name includes its mandatory mark.
#include <cstring>

#include "engine/products/products.h"

namespace vrn {

ProductNode* FindProductNode(ProductNode* products, const char* name) {
    for (ProductNode* product = products; product != nullptr; product = product->next) {
        if (std::strcmp(product->productName, name) == 0) return product;
    }
    return nullptr;
}

ComponentNode* FindComponentNode(ProductNode* product, const char* name) {
    if (product == nullptr) return nullptr;
    for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
        for (ComponentNode* component = sku->firstComponent; component != nullptr; component = component->next) {
            if (std::strcmp(component->componentName, name) == 0) return component;
        }
    }
    return nullptr;
}

SubcomponentNode* FindSubcomponentNode(SubcomponentNode* firstSubcomponent, const char* name) {
    for (SubcomponentNode* sub = firstSubcomponent; sub != nullptr; sub = sub->next) {
        if (std::strcmp(sub->subcomponentName, name) == 0) return sub;
    }
    return nullptr;
}

// Whether anything besides the named product is still chosen.
int32_t ChosenProducts(const ProductNode* products, const char* name) {
    for (const ProductNode* product = products; product != nullptr; product = product->next) {
        if ((product->flags & PRODUCT_CHOSEN) != 0 && std::strcmp(product->productName, name) != 0) return 1;
    }
    return 0;
}

}  // namespace vrn
