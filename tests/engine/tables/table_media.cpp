#include "tests/engine/tables/table_media.h"

namespace vrn::test {

BitRecord MakeBit(Distinct& d) {
    BitRecord r{};
    d.Text(r.text1);
    r.number1 = d.U16(); r.number2 = d.U16(); r.number3 = d.U16(); r.number4 = d.U16(); r.number5 = d.U16();
    d.Text(r.text2);
    d.Text(r.text3);
    return r;
}
Comp2SkuRecord MakeComp2Sku(Distinct& d) {
    Comp2SkuRecord r{};
    r.componentId = d.S16();
    d.Text(r.componentText);
    r.subcomponentId = d.S16();
    d.Text(r.skuName);
    r.value = d.U8();
    d.Text(r.auxText);
    return r;
}
Sku2ProductRecord MakeSku2Product(Distinct& d) {
    Sku2ProductRecord r{};
    r.productNumber = d.U16();
    d.Text(r.productName);
    d.Text(r.skuName);
    r.value = d.U8();
    d.Text(r.auxText);
    return r;
}
Subcomp2CompRecord MakeSubcomp2Comp(Distinct& d) {
    Subcomp2CompRecord r{};
    r.subcomponentId = d.S16();
    d.Text(r.subcomponentName);
    r.componentId = d.S16();
    d.Text(r.parentComponentName);
    d.Text(r.archiveName);
    r.mandatory = d.U8();
    d.Text(r.auxText);
    d.Values(r.clusterSizes);
    r.archiveSize = d.U32();
    return r;
}
CompIDRecord MakeCompID(Distinct& d) {
    CompIDRecord r{};
    r.componentId = d.S16();
    d.Text(r.componentText);
    d.Text(r.componentName);
    d.Text(r.archiveName);
    d.Text(r.auxText);
    d.Values(r.clusterSizes);
    r.archiveSize = d.U32();
    return r;
}
TailorRecord MakeTailor(Distinct& d) {
    TailorRecord r{};
    r.number1 = d.U16();
    r.number2 = d.U16();
    d.Text(r.componentName);
    d.Text(r.tailorFile);
    r.tailorKind = d.U16();
    d.Text(r.auxText);
    return r;
}
DeviceRecord MakeDevice(Distinct& d) {
    DeviceRecord r{};
    d.Text(r.text1); d.Text(r.text2); d.Text(r.deviceType); d.Text(r.text3);
    d.Text(r.text4); d.Text(r.text5); d.Text(r.text6);
    return r;
}
InstallRecord MakeInstall(Distinct& d) {
    InstallRecord r{};
    r.productNumber = d.U16();
    d.Text(r.productName);
    r.value = d.U8();
    d.Text(r.auxText);
    r.componentId = d.S16();
    d.Text(r.componentName);
    d.Text(r.text1);
    r.flags = d.U8();
    d.Text(r.auxText2);
    return r;
}
IconRecord MakeIcon(Distinct& d) {
    IconRecord r{};
    d.Text(r.text1);
    r.number1 = d.U16();
    r.number2 = d.U16();
    d.Text(r.text2); d.Text(r.text3); d.Text(r.text4);
    return r;
}
CdromSizeRecord MakeCdromSize(Distinct& d) {
    CdromSizeRecord r{};
    d.Values(r.values);
    return r;
}
ArcListRecord MakeArcList(Distinct& d) {
    ArcListRecord r{};
    d.Text(r.archiveName);
    return r;
}

tablewriter::InstallTables MakeTables(Distinct& d, size_t records, size_t installs) {
    tablewriter::InstallTables t;
    for (size_t i = 0; i < records; ++i) {
        t.bits.push_back(MakeBit(d));
        t.comp2Sku.push_back(MakeComp2Sku(d));
        t.sku2Product.push_back(MakeSku2Product(d));
        t.subcomp2Comp.push_back(MakeSubcomp2Comp(d));
        t.compIds.push_back(MakeCompID(d));
        t.tailors.push_back(MakeTailor(d));
        t.devices.push_back(MakeDevice(d));
    }
    for (size_t i = 0; i < installs; ++i) t.installs.push_back(MakeInstall(d));
    return t;
}

void TableMedia::SetUp() {
    TempDrives::SetUp();
    InitializeGlobalVars();
    FreeInstallRec(1);
    _insertDiskErrorFlag = 0;
    mediaHost_ = Host("C:\\MEDIA");
    std::filesystem::create_directories(mediaHost_);
}

void TableMedia::TearDown() {
    FreeGlobalVars();
    InitializeGlobalVars();
    _insertDiskErrorFlag = 0;
    TempDrives::TearDown();
}

void TableMedia::WriteMedia(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string error;
    ASSERT_TRUE(tablewriter::WriteBytes(MediaHost(name), bytes, error)) << error;
}

}  // namespace vrn::test
