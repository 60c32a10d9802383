// Building the product tree: one node per chosen product number, its SKUs
// in table order, and below each SKU its components and subcomponents.
#include "engine/products/node_text.h"
#include "engine/products/products.h"
#include "runtime/memory/memory.h"

namespace vrn {

using products_detail::CopyText;

int32_t ProductExist(const ProductNode* products, int32_t productNumber) {
    for (const ProductNode* product = products; product != nullptr; product = product->next) {
        if (product->productNumber == productNumber) return 1;
    }
    return 0;
}

ProductNode* CreateProductNode(const Sku2ProductRecord* sku2Product, uint32_t count, int32_t productNumber,
                               uint32_t* index) {
    if (sku2Product == nullptr) count = 0;
    uint32_t position = 0;
    while (position < count && static_cast<int32_t>(sku2Product[position].productNumber) != productNumber) {
        ++position;
    }
    if (position >= count) {
        DisplayErrorMsg(_installWnd, nullptr, 141);
        return nullptr;
    }
    auto* node = static_cast<ProductNode*>(utcalloc(1, sizeof(ProductNode)));
    if (node == nullptr) {
        DisplayErrorMsg(_installWnd, "productNode", 601);
        return nullptr;
    }
    const Sku2ProductRecord& record = sku2Product[position];
    node->flags = 0;
    node->firstSku = nullptr;
    node->next = nullptr;
    node->reserved = 0;
    node->productNumber = productNumber;
    CopyText(node->auxText, record.auxText);
    CopyText(node->productName, record.productName);
    *index = position;
    return node;
}

SkuNode* CreateSKUNode(const Sku2ProductRecord* record) {
    auto* node = static_cast<SkuNode*>(utcalloc(1, sizeof(SkuNode)));
    if (node == nullptr) {
        DisplayErrorMsg(_installWnd, "skuNode", 601);
        return nullptr;
    }
    node->flags = 0;
    node->firstComponent = nullptr;
    node->next = nullptr;
    CopyText(node->skuName, record->skuName);
    CopyText(node->auxText, record->auxText);
    return node;
}

// The SKU records of a product stand together from its first record on; a
// record of the product further down the table is not used. On failure the
// nodes appended so far stay linked behind a list that was given, and the
// tree is not to be used; with no list given they would be reachable from
// nowhere, and are freed.
ProductNode* CreateProductTable(ProductNode* products, std::span<const int32_t> chosen,
                                const Sku2ProductRecord* sku2Product, uint32_t sku2ProductCount,
                                const Comp2SkuRecord* comp2Sku, uint32_t comp2SkuCount,
                                const CompIDRecord* compID, uint32_t compIDCount,
                                const Subcomp2CompRecord* subcomp2Comp, uint32_t subcomp2CompCount) {
    ProductNode* last = products;
    while (last != nullptr && last->next != nullptr) last = last->next;
    const ProductNode* const lastGiven = last;
    auto fail = [&]() -> ProductNode* {
        if (lastGiven == nullptr) FreeProductTable(products);
        return nullptr;
    };

    for (const int32_t productNumber : chosen) {
        if (ProductExist(products, productNumber)) continue;
        uint32_t index = 0;
        ProductNode* product = CreateProductNode(sku2Product, sku2ProductCount, productNumber, &index);
        if (product == nullptr) return fail();
        if (last == nullptr) {
            products = product;
        } else {
            last->next = product;
        }
        last = product;

        SkuNode** skuLink = &product->firstSku;
        for (; index < sku2ProductCount && static_cast<int32_t>(sku2Product[index].productNumber) == productNumber;
             ++index) {
            SkuNode* sku = CreateSKUNode(&sku2Product[index]);
            if (sku == nullptr) return fail();
            *skuLink = sku;
            skuLink = &sku->next;
            sku->firstComponent = CreateComponents(productNumber, comp2Sku, comp2SkuCount, compID, compIDCount, sku);
            if (sku->firstComponent == nullptr) return fail();
            for (ComponentNode* component = sku->firstComponent; component != nullptr;
                 component = component->next) {
                // Subcomponents are listed under the component's plain name.
                char name[sizeof component->componentName];
                if ((component->flags & COMPONENT_CHOSEN) != 0) {
                    sku->flags |= SKU_CHOSEN;
                    StripMandatoryString(component->componentName, name);
                } else {
                    CopyText(name, component->componentName);
                }
                SubcomponentNode* first =
                    CreateSubcomponents(comp2Sku, comp2SkuCount, subcomp2Comp, subcomp2CompCount, sku, name);
                if (first != nullptr) component->firstSubcomponent = first;
            }
            if ((sku->flags & SKU_CHOSEN) != 0) product->flags |= PRODUCT_CHOSEN;
        }
        product->reserved = 0;
    }
    SelectChosenProducts(products);
    return products;
}

}  // namespace vrn
