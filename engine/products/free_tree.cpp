// Returning a product tree to the heap, for the engine's caller.
#include "engine/products/products.h"
#include "runtime/memory/memory.h"

namespace vrn {

void FreeProductTable(ProductNode* products) {
    while (products != nullptr) {
        ProductNode* nextProduct = products->next;
        for (SkuNode* sku = products->firstSku; sku != nullptr;) {
            SkuNode* nextSku = sku->next;
            for (ComponentNode* component = sku->firstComponent; component != nullptr;) {
                ComponentNode* nextComponent = component->next;
                for (SubcomponentNode* sub = component->firstSubcomponent; sub != nullptr;) {
                    SubcomponentNode* nextSub = sub->next;
                    utfree(sub);
                    sub = nextSub;
                }
                utfree(component);
                component = nextComponent;
            }
            utfree(sku);
            sku = nextSku;
        }
        utfree(products);
        products = nextProduct;
    }
}

}  // namespace vrn
