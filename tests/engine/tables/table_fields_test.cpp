// Every field of every record, written by the table writer and read back by
// the engine's readers, and the stored bytes of one record of each type
// checked at their offsets.
#include <cstring>

#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"
#include "tests/engine/tables/table_media.h"

namespace vrn::test {
namespace {

using tablewriter::StoreRecord;

// The plain 32-bit value stored at `offset`, unscrambled here by hand.
uint32_t StoredInt(const std::vector<uint8_t>& s, size_t offset) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(s.at(offset + i) ^ 0x6B) << (8 * i);
    return v;
}
uint8_t StoredByte(const std::vector<uint8_t>& s, size_t offset) { return s.at(offset) ^ 0x6B; }
template <size_t N>
void ExpectStoredText(const std::vector<uint8_t>& s, size_t offset, const char (&field)[N]) {
    for (size_t i = 0; i < N; ++i)
        ASSERT_EQ(static_cast<char>(s.at(offset + i) ^ 0x6B), field[i]) << "text at " << offset << " byte " << i;
}

TEST(TableScrambling, PackAndUnpackAreLittleEndianUnderTheMask) {
    uint8_t b[4];
    EXPECT_EQ(PackData(2, 0xA1B2C3D4u, b), 0);
    EXPECT_EQ(b[0], 0xD4 ^ 0x6B);
    EXPECT_EQ(b[1], 0xC3 ^ 0x6B);
    for (uint32_t v : {0u, 1u, 0x6Bu, 0x6B6B6B6Bu, 0x80000000u, 0xFFFFFFFFu, 0x12345678u}) {
        PackData(4, v, b);
        EXPECT_EQ(UnpackData(4, b), v);
        EXPECT_EQ(UnpackData(2, b), v & 0xFFFF);
    }
    EXPECT_EQ(UnpackData(0, b), 0u);
}

TEST(StoredRecords, EveryFieldLiesAtItsOffset) {
    Distinct d;
    {
        const BitRecord r = MakeBit(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 94u);
        ExpectStoredText(s, 0, r.text1);
        EXPECT_EQ(StoredInt(s, 40), r.number1);
        EXPECT_EQ(StoredInt(s, 44), r.number2);
        EXPECT_EQ(StoredInt(s, 48), r.number3);
        EXPECT_EQ(StoredInt(s, 52), r.number4);
        EXPECT_EQ(StoredInt(s, 56), r.number5);
        ExpectStoredText(s, 60, r.text2);
        ExpectStoredText(s, 77, r.text3);
    }
    {
        const Comp2SkuRecord r = MakeComp2Sku(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 116u);
        EXPECT_EQ(StoredInt(s, 0), static_cast<uint16_t>(r.componentId));
        ExpectStoredText(s, 4, r.componentText);
        EXPECT_EQ(StoredInt(s, 44), static_cast<uint16_t>(r.subcomponentId));
        ExpectStoredText(s, 48, r.skuName);
        EXPECT_EQ(StoredByte(s, 98), r.value);
        ExpectStoredText(s, 99, r.auxText);
    }
    {
        const Sku2ProductRecord r = MakeSku2Product(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 111u);
        EXPECT_EQ(StoredInt(s, 0), r.productNumber);
        ExpectStoredText(s, 4, r.productName);
        ExpectStoredText(s, 43, r.skuName);
        EXPECT_EQ(StoredByte(s, 93), r.value);
        ExpectStoredText(s, 94, r.auxText);
    }
    {
        const Subcomp2CompRecord r = MakeSubcomp2Comp(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 412u);
        EXPECT_EQ(StoredInt(s, 0), static_cast<uint16_t>(r.subcomponentId));
        ExpectStoredText(s, 4, r.subcomponentName);
        EXPECT_EQ(StoredInt(s, 44), static_cast<uint16_t>(r.componentId));
        ExpectStoredText(s, 48, r.parentComponentName);
        ExpectStoredText(s, 103, r.archiveName);
        EXPECT_EQ(StoredByte(s, 358), r.mandatory);
        ExpectStoredText(s, 359, r.auxText);
        for (size_t i = 0; i < 8; ++i) EXPECT_EQ(StoredInt(s, 376 + 4 * i), r.clusterSizes[i]);
        EXPECT_EQ(StoredInt(s, 408), r.archiveSize);
    }
    {
        const CompIDRecord r = MakeCompID(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 392u);
        EXPECT_EQ(StoredInt(s, 0), static_cast<uint16_t>(r.componentId));
        ExpectStoredText(s, 4, r.componentText);
        ExpectStoredText(s, 44, r.componentName);
        ExpectStoredText(s, 84, r.archiveName);
        ExpectStoredText(s, 339, r.auxText);
        for (size_t i = 0; i < 8; ++i) EXPECT_EQ(StoredInt(s, 356 + 4 * i), r.clusterSizes[i]);
        EXPECT_EQ(StoredInt(s, 388), r.archiveSize);
    }
    {
        const TailorRecord r = MakeTailor(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 579u);
        EXPECT_EQ(StoredInt(s, 0), r.number1);
        EXPECT_EQ(StoredInt(s, 4), r.number2);
        ExpectStoredText(s, 8, r.componentName);
        ExpectStoredText(s, 48, r.tailorFile);
        EXPECT_EQ(StoredInt(s, 558), r.tailorKind);
        ExpectStoredText(s, 562, r.auxText);
    }
    {
        const DeviceRecord r = MakeDevice(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 188u);
        ExpectStoredText(s, 0, r.text1);
        ExpectStoredText(s, 15, r.text2);
        ExpectStoredText(s, 25, r.deviceType);
        ExpectStoredText(s, 28, r.text3);
        ExpectStoredText(s, 58, r.text4);
        ExpectStoredText(s, 88, r.text5);
        ExpectStoredText(s, 138, r.text6);
    }
    {
        const InstallRecord r = MakeInstall(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 178u);
        EXPECT_EQ(StoredInt(s, 0), r.productNumber);
        ExpectStoredText(s, 4, r.productName);
        EXPECT_EQ(StoredByte(s, 43), r.value);
        ExpectStoredText(s, 44, r.auxText);
        EXPECT_EQ(StoredInt(s, 61), static_cast<uint16_t>(r.componentId));
        ExpectStoredText(s, 65, r.componentName);
        ExpectStoredText(s, 105, r.text1);
        EXPECT_EQ(StoredByte(s, 160), r.flags);
        ExpectStoredText(s, 161, r.auxText2);
    }
    {
        const IconRecord r = MakeIcon(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 685u);
        ExpectStoredText(s, 0, r.text1);
        EXPECT_EQ(StoredInt(s, 17), r.number1);
        EXPECT_EQ(StoredInt(s, 21), r.number2);
        ExpectStoredText(s, 25, r.text2);
        ExpectStoredText(s, 135, r.text3);
        ExpectStoredText(s, 175, r.text4);
    }
    {
        const CdromSizeRecord r = MakeCdromSize(d);
        const auto s = StoreRecord(r);
        ASSERT_EQ(s.size(), 32u);
        for (size_t i = 0; i < 8; ++i) EXPECT_EQ(StoredInt(s, 4 * i), r.values[i]);
        const ArcListRecord a = MakeArcList(d);
        const auto t = StoreRecord(a);
        ASSERT_EQ(t.size(), 255u);
        ExpectStoredText(t, 0, a.archiveName);
    }
}

// The read records stored again must give the written bytes: every field
// the reader fills wrongly, or leaves unfilled, shows as a difference.
template <typename Record>
void ExpectSameRecords(const Record* read, uint32_t count, const std::vector<Record>& written) {
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(count, written.size());
    for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(StoreRecord(read[i]), StoreRecord(written[i])) << "record " << i;
}

class TableFields : public TableMedia {};

TEST_F(TableFields, InstallTableReadsBackEveryFieldOfEverySection) {
    Distinct d;
    const tablewriter::InstallTables t = MakeTables(d, 3, 50);
    std::string error;
    ASSERT_TRUE(tablewriter::WriteInstallTable(MediaHost("install.tab"), t, error)) << error;
    ASSERT_EQ(ReadInstallTable("C:\\MEDIA", 0), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    ExpectSameRecords(_bitTable, _bitTableSize, t.bits);
    ExpectSameRecords(_comp2SkuTable, _comp2SkuTableSize, t.comp2Sku);
    ExpectSameRecords(_sku2ProductTable, _sku2ProductTableSize, t.sku2Product);
    ExpectSameRecords(_subcomp2CompTable, _subcomp2CompTableSize, t.subcomp2Comp);
    ExpectSameRecords(_compIDTable, _compIDTableSize, t.compIds);
    ExpectSameRecords(_tlrTable, _tlrTableSize, t.tailors);
    ExpectSameRecords(_devTable, _devTableSize, t.devices);
    ASSERT_EQ(_masterProd2CompTab.recordCount, 50u);
    for (uint32_t i = 0; i < 50; ++i) {
        const InstallRecord* r = GetInstallRec(1, i);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(StoreRecord(*r), StoreRecord(t.installs[i])) << "install record " << i;
    }
}

template <typename Record>
void ExpectCallerTable(const std::string& path, Record* (*reader)(int32_t, uint32_t*),
                       const std::vector<Record>& written) {
    UtDescriptor file(utopendll(path.c_str(), _O_RDONLY | _O_BINARY, -1, 0, _pgc));
    ASSERT_GE(file.fd, 0);
    uint32_t count = 0;
    UtBlock records(reader(file.fd, &count));
    ExpectSameRecords(static_cast<const Record*>(records.p), count, written);
}

TEST_F(TableFields, CallerTablesReadBackEveryField) {
    Distinct d;
    std::vector<IconRecord> icons{MakeIcon(d), MakeIcon(d)};
    std::vector<CdromSizeRecord> sizes{MakeCdromSize(d), MakeCdromSize(d), MakeCdromSize(d)};
    std::vector<ArcListRecord> archives{MakeArcList(d)};
    std::string error;
    ASSERT_TRUE(tablewriter::WriteSectionFile(MediaHost("icon.tab"), icons, error)) << error;
    ASSERT_TRUE(tablewriter::WriteSectionFile(MediaHost("cdrom.tab"), sizes, error)) << error;
    ASSERT_TRUE(tablewriter::WriteSectionFile(MediaHost("arclist.tab"), archives, error)) << error;
    ExpectCallerTable("C:\\MEDIA\\icon.tab", ReadIconTab, icons);
    ExpectCallerTable("C:\\MEDIA\\cdrom.tab", ReadCDROMTab, sizes);
    ExpectCallerTable("C:\\MEDIA\\arclist.tab", ReadArcListTab, archives);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TableFields, LayoutGroupsAndVolumeIdReadBack) {
    Distinct d;
    std::vector<tablewriter::LayoutGroup> groups(2);
    groups[0].name = "first group";
    groups[1].name = std::string(49, 'g');
    for (size_t n : {1u, 3u}) {
        auto& g = groups[n == 1 ? 0 : 1];
        for (size_t i = 0; i < n; ++i) {
            LayoutEntry e{};
            d.Text(e.name);
            e.value1 = d.U32(); e.value2 = d.U32(); e.value3 = d.U32();
            g.entries.push_back(e);
        }
    }
    std::string error;
    ASSERT_TRUE(tablewriter::WriteLayoutFile(MediaHost("layout.tab"), groups, error)) << error;
    const auto stored = tablewriter::StoreLayout(groups);
    EXPECT_EQ(StoredInt(stored, 0), 1u);
    EXPECT_EQ(StoredInt(stored, 4 + 50 + 255 + 4), groups[0].entries[0].value2);
    EXPECT_EQ(StoredInt(stored, stored.size() - 4), 0u);   // the closing count

    LayoutNode* first = ReadTableFile("C:\\MEDIA");
    ASSERT_NE(first, nullptr);
    const LayoutNode* node = first;
    for (const auto& g : groups) {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(std::string(node->groupName), g.name);
        ASSERT_EQ(node->entryCount, g.entries.size());
        for (size_t i = 0; i < g.entries.size(); ++i) {
            EXPECT_STREQ(node->entries[i].name, g.entries[i].name);
            EXPECT_EQ(node->entries[i].value1, g.entries[i].value1);
            EXPECT_EQ(node->entries[i].value2, g.entries[i].value2);
            EXPECT_EQ(node->entries[i].value3, g.entries[i].value3);
        }
        node = node->next;
    }
    EXPECT_EQ(node, nullptr);
    FreeLayoutList(first);

    VolumeHeader written{};
    d.Text(written.diskName);
    written.diskNumber = d.U32();
    d.Text(written.auxText);
    ASSERT_TRUE(tablewriter::WriteVolumeId(MediaHost("volume.id"), written, error)) << error;
    const auto s = tablewriter::StoreVolumeId(written);
    ASSERT_EQ(s.size(), 71u);
    ExpectStoredText(s, 0, written.diskName);
    EXPECT_EQ(StoredInt(s, 50), written.diskNumber);
    ExpectStoredText(s, 54, written.auxText);
    VolumeHeader read{};
    ASSERT_EQ(ReadVolumeIDFile("C:\\MEDIA", &read, 0, "any", 1), 0);
    EXPECT_STREQ(read.diskName, written.diskName);
    EXPECT_EQ(read.diskNumber, written.diskNumber);
    EXPECT_STREQ(read.auxText, written.auxText);
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace vrn::test
