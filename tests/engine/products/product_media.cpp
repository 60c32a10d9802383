#include "tests/engine/products/product_media.h"

#include <filesystem>

#include "engine/startup/startup.h"
#include "runtime/memory/memory.h"

namespace vrn::test {

using tablewriter::SetText;

void ProductMedia::SetUp() {
    TempDrives::SetUp();
    InitializeGlobalVars();
    _blockSizeIndex = 0;
    std::filesystem::create_directories(Host("C:\\MEDIA"));
    // Sections the tree does not read still need one record each.
    tables.bits.push_back(BitRecord{});
    tables.tailors.push_back(TailorRecord{});
    DeviceRecord device{};
    SetText(device.deviceType, "cd");
    tables.devices.push_back(device);
}

void ProductMedia::TearDown() {
    utFailAllocations(0, 0);
    FreeProductTable(_availableProducts);
    _availableProducts = nullptr;
    FreeGlobalVars();
    TempDrives::TearDown();
}

void ProductMedia::AddSku(int productNumber, const std::string& productName, const std::string& skuName,
                          const std::string& auxText) {
    Sku2ProductRecord r{};
    r.productNumber = static_cast<uint16_t>(productNumber);
    SetText(r.productName, productName);
    SetText(r.skuName, skuName);
    SetText(r.auxText, auxText);
    tables.sku2Product.push_back(r);
}

void ProductMedia::AddComponent(int componentId, const std::string& name, const std::string& archive) {
    CompIDRecord r{};
    r.componentId = static_cast<int16_t>(componentId);
    SetText(r.componentText, "text of " + name);
    SetText(r.componentName, name);
    SetText(r.archiveName, archive.empty() ? name + ".arc" : archive);
    SetText(r.auxText, "aux" + std::to_string(componentId));
    for (uint32_t i = 0; i < 8; ++i) r.clusterSizes[i] = static_cast<uint32_t>(componentId) * 1000 + i;
    r.archiveSize = static_cast<uint32_t>(componentId) * 7;
    tables.compIds.push_back(r);
}

void ProductMedia::AddRow(const std::string& skuName, int componentId, int subcomponentId) {
    Comp2SkuRecord r{};
    r.componentId = static_cast<int16_t>(componentId);
    r.subcomponentId = static_cast<int16_t>(subcomponentId);
    SetText(r.skuName, skuName);
    tables.comp2Sku.push_back(r);
}

void ProductMedia::AddSubcomponent(int componentId, int subcomponentId, const std::string& name,
                                   const std::string& parent, bool mandatory) {
    Subcomp2CompRecord r{};
    r.subcomponentId = static_cast<int16_t>(subcomponentId);
    r.componentId = static_cast<int16_t>(componentId);
    SetText(r.subcomponentName, name);
    SetText(r.parentComponentName, parent);
    SetText(r.archiveName, name + ".arc");
    SetText(r.auxText, "sub" + std::to_string(subcomponentId));
    // Bits other than bit 0 of the mandatory byte carry no meaning.
    r.mandatory = mandatory ? 0x81 : 0x80;
    for (uint32_t i = 0; i < 8; ++i) {
        r.clusterSizes[i] = static_cast<uint32_t>(componentId * 100 + subcomponentId * 10) + i;
    }
    r.archiveSize = static_cast<uint32_t>(subcomponentId);
    tables.subcomp2Comp.push_back(r);
}

void ProductMedia::AddInstall(int productNumber, int componentId, uint8_t flags) {
    InstallRecord r{};
    r.productNumber = static_cast<uint16_t>(productNumber);
    r.componentId = static_cast<int16_t>(componentId);
    r.flags = flags;
    tables.installs.push_back(r);
}

void ProductMedia::Load() {
    std::string error;
    ASSERT_TRUE(tablewriter::WriteInstallTable(Host("C:\\MEDIA\\install.tab"), tables, error)) << error;
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    ASSERT_TRUE(dialogs.boxes.empty());
}

ProductNode* ProductMedia::Build(std::vector<int32_t> chosen) {
    ProductNode* result = CreateProductTable(_availableProducts, chosen, _sku2ProductTable, _sku2ProductTableSize,
                                             _comp2SkuTable, _comp2SkuTableSize, _compIDTable, _compIDTableSize,
                                             _subcomp2CompTable, _subcomp2CompTableSize);
    if (result != nullptr) _availableProducts = result;
    return result;
}

std::vector<SkuNode*> ProductMedia::Skus(const ProductNode* product) {
    std::vector<SkuNode*> out;
    for (SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) out.push_back(sku);
    return out;
}

std::vector<ComponentNode*> ProductMedia::Components(const ProductNode* product) {
    std::vector<ComponentNode*> out;
    for (const SkuNode* sku = product->firstSku; sku != nullptr; sku = sku->next) {
        for (ComponentNode* c = sku->firstComponent; c != nullptr; c = c->next) out.push_back(c);
    }
    return out;
}

std::vector<SubcomponentNode*> ProductMedia::Subcomponents(const ComponentNode* component) {
    std::vector<SubcomponentNode*> out;
    for (SubcomponentNode* s = component->firstSubcomponent; s != nullptr; s = s->next) out.push_back(s);
    return out;
}

ProductNode* ProductMedia::Product(int number) const {
    for (ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        if (p->productNumber == number) return p;
    }
    return nullptr;
}

}  // namespace vrn::test
