// The products to install, and the SKU of each product that has several.
#include <algorithm>

#include "frontend/screens.h"

namespace vrn::installer {

using namespace console;

namespace {

ProductChoice* ChoiceOf(Session& session, int32_t number) {
    for (ProductChoice& p : session.responses.products)
        if (p.productNumber == number) return &p;
    return nullptr;
}

size_t SkuCount(const ProductNode* product) {
    size_t count = 0;
    for (const SkuNode* s = product->firstSku; s != nullptr; s = s->next) ++count;
    return count;
}

std::string ClusterNote() {
    return "The sizes are those on a volume with clusters of " + Grouped(512.0 * (1u << SizeClass())) + " bytes.";
}

}  // namespace

Step ProductsScreen(Session& session) {
    std::vector<const ProductNode*> nodes;
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) nodes.push_back(p);
    ListScreen screen;
    screen.title = "Products";
    screen.intro = {"Choose the products to install; each comes with its mandatory components.", ClusterNote()};
    screen.rows = [&] {
        std::vector<ListRow> rows;
        for (const ProductNode* p : nodes) {
            ListRow row;
            if (p->firstSku == nullptr) {
                row.text = "    " + std::string(p->productName) + " (no SKU on this medium)";
                row.selectable = false;
                row.attribute = ATTR_DIM;
            } else {
                row.text = Mark(ChoiceOf(session, p->productNumber) != nullptr) + " " + p->productName;
                std::string size = Grouped(CalculateProductSize(p));
                if (size.size() < 13) size.insert(0, 13 - size.size(), ' ');
                row.right = std::to_string(p->productNumber) + size;
            }
            rows.push_back(row);
        }
        return rows;
    };
    screen.choose = [&](size_t row, std::string&) {
        const ProductNode* product = nodes[row];
        auto& products = session.responses.products;
        if (ChoiceOf(session, product->productNumber) != nullptr) {
            products.erase(std::remove_if(products.begin(), products.end(),
                                          [&](const ProductChoice& p) { return p.productNumber == product->productNumber; }),
                           products.end());
            return;
        }
        const SkuNode* sku = ProposedSku(product);
        if (sku == nullptr) sku = product->firstSku;
        products.push_back(ProductChoice{product->productNumber, sku->skuName, {}});
        // The tree's order is the order of the record.
        std::vector<ProductChoice> ordered;
        for (const ProductNode* p : nodes)
            if (const ProductChoice* c = ChoiceOf(session, p->productNumber)) ordered.push_back(*c);
        products = ordered;
    };
    screen.accept = [&](std::string& status) {
        if (!session.responses.products.empty()) return true;
        status = "Choose at least one product.";
        return false;
    };
    return RunListScreen(session, screen);
}

bool SkuScreenApplies(const Session& session) {
    for (const ProductChoice& choice : session.responses.products)
        for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next)
            if (p->productNumber == choice.productNumber && SkuCount(p) > 1) return true;
    return false;
}

Step SkuScreen(Session& session) {
    // A heading per product, its SKUs under it.
    struct Entry {
        ProductChoice* choice;
        const SkuNode* sku;   // null: the product's heading
    };
    std::vector<Entry> entries;
    for (ProductChoice& choice : session.responses.products)
        for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
            if (p->productNumber != choice.productNumber || SkuCount(p) < 2) continue;
            if (!entries.empty()) entries.push_back(Entry{nullptr, nullptr});
            entries.push_back(Entry{&choice, nullptr});
            for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) entries.push_back(Entry{&choice, s});
        }
    ListScreen screen;
    screen.title = "SKUs";
    screen.intro = {"These products come in several SKUs; one SKU of each is installed."};
    screen.rows = [&] {
        std::vector<ListRow> rows;
        for (const Entry& e : entries) {
            ListRow row;
            if (e.choice == nullptr) {
                row.selectable = false;
            } else if (e.sku == nullptr) {
                for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next)
                    if (p->productNumber == e.choice->productNumber) row.text = p->productName;
                row.selectable = false;
                row.attribute = ATTR_BRIGHT;
            } else {
                row.text = "  " + Mark(e.choice->sku == e.sku->skuName, true) + " " + e.sku->skuName;
            }
            rows.push_back(row);
        }
        return rows;
    };
    screen.choose = [&](size_t row, std::string&) { entries[row].choice->sku = entries[row].sku->skuName; };
    // The highlight starts on the first product's SKU.
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].sku != nullptr && entries[i].choice->sku == entries[i].sku->skuName) {
            screen.initial = i;
            break;
        }
    return RunListScreen(session, screen);
}

}  // namespace vrn::installer
