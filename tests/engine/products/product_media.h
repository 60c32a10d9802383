// Media for the product tree tests: install tables described record by
// record, written by the table writer to C:\MEDIA, read back by the engine's
// table readers, and the tree built from what was read.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/products/products.h"
#include "tests/support/test_support.h"
#include "tools/tablewriter/table_writer.h"

namespace vrn::test {

class ProductMedia : public TempDrives {
protected:
    void SetUp() override;
    void TearDown() override;

    void AddSku(int productNumber, const std::string& productName, const std::string& skuName,
                const std::string& auxText = "");
    // A component; its cluster sizes are id * 1000 + class, its archive size id * 7.
    void AddComponent(int componentId, const std::string& name, const std::string& archive = "");
    void AddRow(const std::string& skuName, int componentId, int subcomponentId = 0);
    // A subcomponent; its cluster sizes are componentId * 100 + subcomponentId * 10 + class.
    void AddSubcomponent(int componentId, int subcomponentId, const std::string& name, const std::string& parent,
                         bool mandatory);
    void AddInstall(int productNumber, int componentId, uint8_t flags);

    // Writes install.tab, reads it with ReadInstallTable (which must succeed).
    void Load();
    // Builds onto _availableProducts and keeps the result there when it is
    // not null; returns CreateProductTable's result.
    ProductNode* Build(std::vector<int32_t> chosen);

    // Walks the tree.
    static std::vector<SkuNode*> Skus(const ProductNode* product);
    static std::vector<ComponentNode*> Components(const ProductNode* product);
    static std::vector<SubcomponentNode*> Subcomponents(const ComponentNode* component);
    ProductNode* Product(int number) const;


    tablewriter::InstallTables tables;
};

}  // namespace vrn::test
