// install.tab cut short, with counts that lie and texts without their NUL;
// the install-record blocks at their limits; the narrowing of 16-bit fields.
#include "runtime/memory/memory.h"
#include "tests/engine/tables/table_media.h"

namespace vrn::test {
namespace {

class DamagedTables : public TableMedia {
protected:
    // Reads C:\MEDIA\install.tab, then returns the engine to its empty state.
    int32_t ReadAndRelease() {
        const int32_t result = ReadInstallTable("C:\\MEDIA", 0);
        FreeGlobalVars();
        InitializeGlobalVars();
        return result;
    }
    static size_t SectionBytes(size_t records, size_t storedSize) { return 4 + records * storedSize; }
};

TEST_F(DamagedTables, CutAtEveryOffsetIsRefusedWith149) {
    Distinct d;
    const auto whole = tablewriter::StoreInstallTable(MakeTables(d, 1, 2));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        WriteMedia("install.tab", std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
        dialogs.Clear();
        ASSERT_EQ(ReadAndRelease(), -149) << "cut at " << cut;
        ASSERT_FALSE(dialogs.boxes.empty());
        EXPECT_NE(dialogs.boxes.back().text.find("(149)"), std::string::npos) << dialogs.boxes.back().text;
    }
    WriteMedia("install.tab", whole);
    dialogs.Clear();
    EXPECT_EQ(ReadAndRelease(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());

    // Cut inside the device section: the six tables before it stay filled.
    const size_t deviceStart = SectionBytes(1, 94) + SectionBytes(1, 116) + SectionBytes(1, 111) +
                               SectionBytes(1, 412) + SectionBytes(1, 392) + SectionBytes(1, 579);
    WriteMedia("install.tab", std::vector<uint8_t>(whole.begin(), whole.begin() + deviceStart + 10));
    EXPECT_EQ(ReadInstallTable("C:\\MEDIA", 0), -149);
    EXPECT_NE(_tlrTable, nullptr);
    EXPECT_EQ(_tlrTableSize, 1u);
    EXPECT_NE(_bitTable, nullptr);
    EXPECT_EQ(_devTable, nullptr);
    EXPECT_EQ(GetInstallRec(1, 0), nullptr);

    std::filesystem::remove(MediaHost("install.tab"));
    dialogs.Clear();
    EXPECT_EQ(ReadAndRelease(), -103);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("install.tab"), std::string::npos);
}

TEST_F(DamagedTables, CountsBeyondTheFileAndTextsWithoutNulAreRefused) {
    Distinct d;
    const tablewriter::InstallTables t = MakeTables(d, 2, 3);
    const auto whole = tablewriter::StoreInstallTable(t);
    const size_t sizes[] = {94, 116, 111, 412, 392, 579, 188, 178};
    size_t start = 0;
    for (size_t section = 0; section < 8; ++section) {
        const uint32_t records = section < 7 ? 2 : 3;
        for (uint32_t lie : {records + 1, 0xFFFFFFFFu, 0x80000000u}) {
            auto bytes = whole;
            PackData(4, lie, bytes.data() + start);
            WriteMedia("install.tab", bytes);
            ASSERT_EQ(ReadAndRelease(), -149) << "section " << section << " count " << lie;
        }
        // The last byte of the first text of the section's second record
        // (every text fills its width, so its NUL is the last byte).
        auto bytes = whole;
        const size_t textEnd[] = {39, 43, 42, 43, 43, 47, 14, 42};
        bytes[start + 4 + sizes[section] + textEnd[section]] = 'x' ^ TABLE_MASK;
        WriteMedia("install.tab", bytes);
        ASSERT_EQ(ReadAndRelease(), -149) << "text without NUL in section " << section;
        start += SectionBytes(records, sizes[section]);
    }
    ASSERT_EQ(start, whole.size());
    // An empty section before the last is refused; an empty last one is not.
    tablewriter::InstallTables empty = t;
    empty.installs.clear();
    WriteMedia("install.tab", tablewriter::StoreInstallTable(empty));
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    EXPECT_EQ(_masterProd2CompTab.recordCount, 0u);
    EXPECT_EQ(_masterProd2CompTab.blockCount, 0u);
    EXPECT_EQ(GetInstallRec(1, 0), nullptr);
    FreeGlobalVars();
    empty.tailors.clear();
    WriteMedia("install.tab", tablewriter::StoreInstallTable(empty));
    EXPECT_EQ(ReadAndRelease(), -149);
    EXPECT_EQ(_tlrTable, nullptr);
}

TEST_F(DamagedTables, InstallRecordBlocksAtTheirLimits) {
    Distinct d;
    tablewriter::InstallTables t = MakeTables(d, 1, 0);
    for (size_t i = 0; i < 47; ++i) t.installs.push_back(MakeInstall(d));
    const InstallRecord last = t.installs.back();

    t.installs.pop_back();   // 46: one full block
    WriteMedia("install.tab", tablewriter::StoreInstallTable(t));
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    EXPECT_EQ(_masterProd2CompTab.recordsPerBlock, 46u);
    EXPECT_EQ(_masterProd2CompTab.blockCount, 1u);
    EXPECT_EQ(_masterProd2CompTab.blocks[1], nullptr);
    EXPECT_EQ(tablewriter::StoreRecord(*GetInstallRec(1, 45)), tablewriter::StoreRecord(t.installs[45]));
    EXPECT_EQ(GetInstallRec(1, 46), nullptr);
    EXPECT_EQ(GetInstallRec(2, 0), nullptr);
    EXPECT_EQ(FreeInstallRec(2), 65535);
    EXPECT_NE(GetInstallRec(1, 0), nullptr);
    EXPECT_EQ(FreeInstallRec(1), 0);
    EXPECT_EQ(GetInstallRec(1, 0), nullptr);
    FreeGlobalVars();

    t.installs.push_back(last);   // 47: the second block holds one record
    WriteMedia("install.tab", tablewriter::StoreInstallTable(t));
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    EXPECT_EQ(_masterProd2CompTab.blockCount, 2u);
    EXPECT_EQ(GetInstallRec(1, 46), &_masterProd2CompTab.blocks[1][0]);
    EXPECT_EQ(tablewriter::StoreRecord(*GetInstallRec(1, 46)), tablewriter::StoreRecord(last));
    EXPECT_EQ(GetInstallRec(1, 47), nullptr);
    FreeGlobalVars();

    // 37 blocks (1,702 records) fit; one record more needs a 38th block.
    t.installs.assign(37 * 46, last);
    std::string error;
    ASSERT_TRUE(tablewriter::WriteInstallTable(MediaHost("install.tab"), t, error)) << error;
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    EXPECT_EQ(_masterProd2CompTab.blockCount, 37u);
    EXPECT_NE(GetInstallRec(1, 1701), nullptr);
    FreeGlobalVars();
    t.installs.push_back(last);
    EXPECT_FALSE(tablewriter::WriteInstallTable(MediaHost("install.tab"), t, error));
    WriteMedia("install.tab", tablewriter::StoreInstallTable(t));
    dialogs.Clear();
    EXPECT_EQ(ReadAndRelease(), -149);
    EXPECT_EQ(GetInstallRec(1, 0), nullptr);
}

TEST_F(DamagedTables, SixteenBitFieldsKeepTheirLowBits) {
    Distinct d;
    tablewriter::InstallTables t = MakeTables(d, 1, 1);
    auto bytes = tablewriter::StoreInstallTable(t);
    // The component-to-SKU record begins after the bit section and its count.
    const size_t comp2Sku = 4 + 94 + 4;
    PackData(4, 65535, bytes.data() + comp2Sku + 44);        // subcomponentId
    PackData(4, 0x0001FFFE, bytes.data() + comp2Sku + 0);    // componentId
    const size_t sku2Product = comp2Sku + 116 + 4;
    PackData(4, 0xABCD1234, bytes.data() + sku2Product);      // productNumber
    WriteMedia("install.tab", bytes);
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    EXPECT_EQ(_comp2SkuTable[0].subcomponentId, -1);
    EXPECT_FALSE(_comp2SkuTable[0].subcomponentId > 0);   // a component row
    EXPECT_EQ(_comp2SkuTable[0].componentId, -2);
    EXPECT_EQ(_sku2ProductTable[0].productNumber, 0x1234);
}

TEST_F(DamagedTables, RefusedAllocationsGiveNoTable) {
    Distinct d;
    WriteMedia("install.tab", tablewriter::StoreInstallTable(MakeTables(d, 1, 47)));
    // Every allocation refused from the first, then from each later one.
    for (int32_t skip = 0; skip < 20; ++skip) {
        utFailAllocations(skip, -1);
        const int32_t result = ReadInstallTable("C:\\MEDIA", 0);
        utFailAllocations(0, 0);
        FreeGlobalVars();
        InitializeGlobalVars();
        if (result == 0) break;
        ASSERT_EQ(result, -149) << "skip " << skip;
    }
}

}  // namespace
}  // namespace vrn::test
