// The media builder: the demo medium built into a temporary drive and read
// back with the engine's own readers, product tree and extraction; cluster
// figures against a direct computation; every table of a diskette medium
// read back field by field; mistakes in descriptions.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "engine/archive/archive.h"
#include "engine/products/products.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/crt.h"
#include "runtime/memory/memory.h"
#include "tests/support/test_support.h"
#include "tools/vrnmedia/build.h"

namespace vrn {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class MediaBuild : public test::TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        InitializeGlobalVars();
        _commandLineSwitch = SWITCH_BATCH;   // reports go to the log, never to a box
    }
    void TearDown() override {
        FreeProductTable(_availableProducts);
        _availableProducts = nullptr;
        FreeGlobalVars();
        TempDrives::TearDown();
    }

    // A copy of the demo medium's sources on C:, where the description's
    // paths resolve through the drive map.
    std::string DemoDescription() {
        fs::copy(DEMO_SOURCE, root + "/C/source", fs::copy_options::recursive);
        return root + "/C/source/demo.ini";
    }

    // Builds a description into C:\<name>; returns the errors.
    std::vector<std::string> Build(const std::string& description, const std::string& name) {
        std::vector<std::string> errors, report;
        media::BuildMedium(description, root + "/C/" + name, errors, report);
        return errors;
    }
};

TEST_F(MediaBuild, DemoMediumReadsBackThroughTheEngine) {
    const std::string description = DemoDescription();
    ASSERT_EQ(Build(description, "medium"), std::vector<std::string>{});
    media::Description d;
    std::vector<std::string> errors;
    ASSERT_TRUE(media::ReadDescription(description, d, errors));

    ASSERT_EQ(ReadInstallTable("C:\\medium", 0), 0);
    ASSERT_NE(_devTable, nullptr);
    EXPECT_STREQ(_devTable[0].deviceType, d.device.type.c_str());
    ASSERT_EQ(_compIDTableSize, d.components.size());
    size_t skus = 0, subcomponents = 0;
    for (const media::Product& p : d.products) skus += p.skus.size();
    for (const media::Component& c : d.components) subcomponents += c.subcomponents.size();
    EXPECT_EQ(_sku2ProductTableSize, skus);
    EXPECT_EQ(_subcomp2CompTableSize, subcomponents);

    // Every identification record as described, with its archive's figures.
    for (uint32_t i = 0; i < _compIDTableSize; ++i) {
        const CompIDRecord& r = _compIDTable[i];
        const media::Component& c = d.components[i];
        EXPECT_EQ(r.componentId, c.id);
        EXPECT_EQ(r.componentName, c.name);
        EXPECT_EQ(r.archiveName, c.archive);
        if (!c.archive.empty()) {
            const media::Archive* a = d.FindArchive(c.archive);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(r.archiveSize, fs::file_size(root + "/C/medium/" + c.archive)) << c.archive;
            EXPECT_GT(r.clusterSizes[0], 0u) << c.archive;
        }
    }
    // Every tailored file of the description has its entry.
    size_t tailored = 0;
    for (const media::Component& c : d.components) {
        tailored += c.tailor.size();
        for (const media::Subcomponent& s : c.subcomponents) tailored += s.tailor.size();
    }
    EXPECT_EQ(_tlrTableSize, tailored);
    bool vrnenv = false;
    for (uint32_t i = 0; i < _tlrTableSize; ++i) vrnenv |= std::strcmp(_tlrTable[i].tailorFile, "bin\\vrnenv.bat") == 0;
    EXPECT_TRUE(vrnenv);

    // The tree of every product: its SKUs in order and the mandatory marks.
    for (const media::Product& p : d.products) {
        const int32_t number = p.number;
        ProductNode* list = CreateProductTable(_availableProducts, std::span<const int32_t>(&number, 1),
                                               _sku2ProductTable, _sku2ProductTableSize, _comp2SkuTable,
                                               _comp2SkuTableSize, _compIDTable, _compIDTableSize,
                                               _subcomp2CompTable, _subcomp2CompTableSize);
        ASSERT_NE(list, nullptr) << p.number;
        _availableProducts = list;
        ProductNode* node = list;
        while (node != nullptr && node->productNumber != number) node = node->next;
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->productName, p.name);
        const SkuNode* sku = node->firstSku;
        for (const media::Sku& s : p.skus) {
            ASSERT_NE(sku, nullptr) << s.name;
            EXPECT_EQ(sku->skuName, s.name);
            const ComponentNode* c = sku->firstComponent;
            for (int32_t id : s.components) {
                ASSERT_NE(c, nullptr);
                const media::Component* described = d.FindComponent(id);
                const std::string shown = described->name + (p.IsMandatory(id) ? " (m)" : "");
                EXPECT_EQ(c->componentName, shown);
                EXPECT_EQ((c->flags & 1) != 0, p.IsMandatory(id));
                c = c->next;
            }
            EXPECT_EQ(c, nullptr);
            sku = sku->next;
        }
        EXPECT_EQ(sku, nullptr);
    }

    // Every archive passes the testing mode, and extracts to its sources.
    for (const media::Archive& a : d.archives) {
        const std::string archive = "C:\\medium\\" + a.name;
        EXPECT_EQ(DecompressFile("*.*", archive.c_str(), "C:\\check", 1), 0) << a.name;
        const std::string out = "C:\\out\\" + a.name;
        _mkdir("C:\\out");
        ASSERT_EQ(_mkdir(out.c_str()), 0);
        ASSERT_EQ(DecompressFile("*.*", archive.c_str(), out.c_str(), 0), 0) << a.name;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(a.sourceDir)) {
            if (!e.is_regular_file()) continue;
            const fs::path relative = fs::relative(e.path(), a.sourceDir);
            const fs::path extracted = fs::path(root + "/C/out/" + a.name) / relative;
            ASSERT_TRUE(fs::exists(extracted)) << extracted;
            EXPECT_EQ(ReadAll(extracted), ReadAll(e.path())) << relative;
        }
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MediaBuild, ClusterFiguresAreTheFilesRoundedToWholeClusters) {
    const std::string description = DemoDescription();
    ASSERT_EQ(Build(description, "medium"), std::vector<std::string>{});
    media::Description d;
    std::vector<std::string> errors;
    ASSERT_TRUE(media::ReadDescription(description, d, errors));
    ASSERT_EQ(ReadInstallTable("C:\\medium", 0), 0);
    for (uint32_t i = 0; i < _compIDTableSize; ++i) {
        const CompIDRecord& r = _compIDTable[i];
        if (r.archiveName[0] == '\0') continue;
        const media::Archive* a = d.FindArchive(r.archiveName);
        ASSERT_NE(a, nullptr);
        for (int k = 0; k < 8; ++k) {
            const uint64_t cluster = 512ull << k;
            uint64_t expected = 0;
            for (const fs::directory_entry& e : fs::recursive_directory_iterator(a->sourceDir))
                if (e.is_regular_file()) expected += (e.file_size() + cluster - 1) / cluster * cluster;
            EXPECT_EQ(r.clusterSizes[k], expected) << r.archiveName << " cluster " << cluster;
        }
    }
}

// A diskette medium with every table the build writes, each field given a
// value of its own, so that a field written to the wrong place, or a record
// for the wrong product, component or disk, shows when read back.
const char kEveryTable[] =
    "[Medium]\nProducts = 7, 3\nComponents = 20, 10\nLoose Directory = loose\n"
    "Loose Files = install.hlp, README.VRN\nFile Time = 2001-09-09 01:46:40\nCompression = best\n"
    "[Device]\nType = f\nName = DevName\nRelease = Rel 1.2\nPlatform = Plat\nVendor = Vend\n"
    "Title = The Title\nLabel = LBL\n"
    "[Diskettes]\nCapacity = 16384\nCluster = 1024\nDisk Name = Varentis Data Disk\nAux = disk aux\n"
    "[Product 7]\nName = Seventh Product\nAux = p7 aux\nFlag = 200\nSKUs = Alpha, Beta\nMandatory = 20\n"
    "[SKU Alpha]\nComponents = 20, 10\nFlag = 17\nAux = alpha aux\n"
    "[SKU Beta]\nComponents = 10\n"
    "[Product 3]\nName = Third Product\nSKUs = Gamma\n"
    "[SKU Gamma]\nComponents = 20\n"
    "[Component 20]\nName = Server\nLabel = Server Label\nAux = c20 aux\nArchive = server.arc\n"
    "Tailor = bin\\a.cfg, b.txt\nTailor Kind = 7\n"
    "[Component 10]\nName = Docs\nAux = c10 aux\nSubcomponents = 2, 1\n"
    "[Subcomponent 10.2]\nName = Manual\nArchive = docs.arc\nMandatory = yes\nAux = s2 aux\nTailor = man.txt\n"
    "[Subcomponent 10.1]\nName = Extra\nArchive = server.arc\n"
    "[Archive server.arc]\nSource = server\nCompression = store\n"
    "[Archive docs.arc]\nSource = docs\n"
    "[Bit Table]\nRow 1 = FIRST | 1 | 2 | 3 | 4 | 65535 | A1 | B1\nRow 2 = SECOND | 6 | 7 | 8 | 9 | 10 | A2 | B2\n"
    "[Icons]\nIcon = iaux | 5 | 6 | vrn.exe -x | Icon Title | C:\\VRN\\BIN\n"
    "[CD-ROM Sizes]\nWhole = medium\nFixed = 1 | 2 | 3 | 4 | 5 | 6 | 7 | 4294967295\n"
    "[Archive List]\nAll = *\nAgain = docs.arc\n";

// Bytes that the compressor cannot shrink much, so the archives need
// several diskettes.
std::string Noise(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return bytes;
}

template <typename Record>
std::vector<Record> ReadCallerTable(const std::string& path, Record* (*read)(int32_t, uint32_t*)) {
    const int32_t fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    EXPECT_GE(fd, 0) << path;
    if (fd < 0) return {};
    uint32_t count = 0;
    Record* records = read(fd, &count);
    _close(fd);
    std::vector<Record> out(records, records + count);
    utfree(records);
    return out;
}

TEST_F(MediaBuild, EveryTableReadsBackThroughTheEngineReaders) {
    const std::string dir = root + "/C/desc";
    fs::create_directories(dir + "/loose");
    fs::create_directories(dir + "/server/bin");
    fs::create_directories(dir + "/docs");
    WriteHostFile(dir + "/loose/install.hlp", "help\n");
    WriteHostFile(dir + "/loose/README.VRN", "readme\n");
    WriteHostFile(dir + "/server/bin/a.cfg", "dir=[[VRNDIR]]\n");
    WriteHostFile(dir + "/server/b.txt", Noise(20000, 1));
    WriteHostFile(dir + "/docs/man.txt", Noise(12000, 2));
    WriteHostFile(dir + "/every.ini", kEveryTable);
    ASSERT_EQ(Build(dir + "/every.ini", "medium"), std::vector<std::string>{});
    const std::string disk1 = "C:\\medium\\disk1";

    ASSERT_EQ(ReadInstallTable(disk1.c_str(), 0), 0);
    // The bit table: its rows in order, every field.
    ASSERT_EQ(_bitTableSize, 2u);
    EXPECT_STREQ(_bitTable[0].text1, "FIRST");
    EXPECT_EQ(_bitTable[0].number1, 1);
    EXPECT_EQ(_bitTable[0].number4, 4);
    EXPECT_EQ(_bitTable[0].number5, 65535);
    EXPECT_STREQ(_bitTable[0].text2, "A1");
    EXPECT_STREQ(_bitTable[0].text3, "B1");
    EXPECT_STREQ(_bitTable[1].text1, "SECOND");
    EXPECT_EQ(_bitTable[1].number2, 7);
    EXPECT_EQ(_bitTable[1].number3, 8);
    EXPECT_STREQ(_bitTable[1].text3, "B2");

    // One SKU-to-product record per SKU, products in the medium's order.
    ASSERT_EQ(_sku2ProductTableSize, 3u);
    const auto& alpha = _sku2ProductTable[0];
    EXPECT_EQ(alpha.productNumber, 7);
    EXPECT_STREQ(alpha.productName, "Seventh Product");
    EXPECT_STREQ(alpha.skuName, "Alpha");
    EXPECT_EQ(alpha.value, 17);
    EXPECT_STREQ(alpha.auxText, "alpha aux");
    EXPECT_STREQ(_sku2ProductTable[1].skuName, "Beta");
    EXPECT_STREQ(_sku2ProductTable[1].auxText, "p7 aux");   // the product's text by default
    EXPECT_EQ(_sku2ProductTable[1].value, 0);
    EXPECT_EQ(_sku2ProductTable[2].productNumber, 3);
    EXPECT_STREQ(_sku2ProductTable[2].skuName, "Gamma");

    // Component-to-SKU rows: a component, then a row per subcomponent.
    struct Row {
        int16_t component, subcomponent;
        const char* text;
        const char* sku;
        uint8_t value;
        const char* aux;
    };
    const Row rows[] = {{20, 0, "Server", "Alpha", 1, "c20 aux"}, {10, 0, "Docs", "Alpha", 0, "c10 aux"},
                        {10, 2, "Manual", "Alpha", 1, "s2 aux"},  {10, 1, "Extra", "Alpha", 0, ""},
                        {10, 0, "Docs", "Beta", 0, "c10 aux"},    {10, 2, "Manual", "Beta", 1, "s2 aux"},
                        {10, 1, "Extra", "Beta", 0, ""},          {20, 0, "Server", "Gamma", 0, "c20 aux"}};
    ASSERT_EQ(_comp2SkuTableSize, std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& r = _comp2SkuTable[i];
        EXPECT_EQ(r.componentId, rows[i].component) << i;
        EXPECT_EQ(r.subcomponentId, rows[i].subcomponent) << i;
        EXPECT_STREQ(r.componentText, rows[i].text) << i;
        EXPECT_STREQ(r.skuName, rows[i].sku) << i;
        EXPECT_EQ(r.value, rows[i].value) << i;
        EXPECT_STREQ(r.auxText, rows[i].aux) << i;
    }

    // Identification and subcomponent records carry their archive's figures.
    media::Description d;
    std::vector<std::string> errors;
    ASSERT_TRUE(media::ReadDescription(dir + "/every.ini", d, errors));
    media::ListArchiveSources(d, errors);
    ASSERT_EQ(errors, std::vector<std::string>{});
    const media::Archive* server = d.FindArchive("server.arc");
    const media::Archive* docs = d.FindArchive("docs.arc");
    ASSERT_TRUE(server != nullptr && docs != nullptr);
    ASSERT_EQ(_compIDTableSize, 2u);
    const auto& c20 = _compIDTable[0];
    EXPECT_EQ(c20.componentId, 20);
    EXPECT_STREQ(c20.componentText, "Server Label");
    EXPECT_STREQ(c20.componentName, "Server");
    EXPECT_STREQ(c20.archiveName, "server.arc");
    EXPECT_STREQ(c20.auxText, "c20 aux");
    for (int k = 0; k < 8; ++k) EXPECT_EQ(c20.clusterSizes[k], server->clusterSizes[k]) << k;
    const auto& c10 = _compIDTable[1];
    EXPECT_EQ(c10.componentId, 10);
    EXPECT_STREQ(c10.componentText, "Docs");   // the name, without a label
    EXPECT_STREQ(c10.archiveName, "");
    EXPECT_EQ(c10.archiveSize, 0u);
    EXPECT_EQ(c10.clusterSizes[0], 0u);
    ASSERT_EQ(_subcomp2CompTableSize, 2u);
    const auto& manual = _subcomp2CompTable[0];
    EXPECT_EQ(manual.subcomponentId, 2);
    EXPECT_STREQ(manual.subcomponentName, "Manual");
    EXPECT_EQ(manual.componentId, 10);
    EXPECT_STREQ(manual.parentComponentName, "Docs");
    EXPECT_STREQ(manual.archiveName, "docs.arc");
    EXPECT_EQ(manual.mandatory, 1);
    EXPECT_STREQ(manual.auxText, "s2 aux");
    for (int k = 0; k < 8; ++k) EXPECT_EQ(manual.clusterSizes[k], docs->clusterSizes[k]) << k;
    EXPECT_EQ(_subcomp2CompTable[1].subcomponentId, 1);
    EXPECT_EQ(_subcomp2CompTable[1].mandatory, 0);
    EXPECT_EQ(_subcomp2CompTable[1].archiveSize, c20.archiveSize);   // the same archive

    // Tailor entries: component and subcomponent numbers, kind, aux text.
    ASSERT_EQ(_tlrTableSize, 3u);
    EXPECT_EQ(_tlrTable[0].number1, 20);
    EXPECT_EQ(_tlrTable[0].number2, 0);
    EXPECT_STREQ(_tlrTable[0].componentName, "Server");
    EXPECT_STREQ(_tlrTable[0].tailorFile, "bin\\a.cfg");
    EXPECT_EQ(_tlrTable[0].tailorKind, 7);
    EXPECT_STREQ(_tlrTable[0].auxText, "c20 aux");
    EXPECT_STREQ(_tlrTable[1].tailorFile, "b.txt");
    EXPECT_EQ(_tlrTable[2].number1, 10);
    EXPECT_EQ(_tlrTable[2].number2, 2);
    EXPECT_STREQ(_tlrTable[2].componentName, "Manual");
    EXPECT_STREQ(_tlrTable[2].tailorFile, "man.txt");
    EXPECT_EQ(_tlrTable[2].tailorKind, 1);

    ASSERT_EQ(_devTableSize, 1u);
    EXPECT_STREQ(_devTable[0].text1, "DevName");
    EXPECT_STREQ(_devTable[0].text2, "Rel 1.2");
    EXPECT_STREQ(_devTable[0].deviceType, "f");
    EXPECT_STREQ(_devTable[0].text3, "Plat");
    EXPECT_STREQ(_devTable[0].text4, "Vend");
    EXPECT_STREQ(_devTable[0].text5, "The Title");
    EXPECT_STREQ(_devTable[0].text6, "LBL");

    // Install records: one per product and component of its SKUs.
    ASSERT_EQ(_masterProd2CompTab.recordCount, 3u);
    const InstallRecord* i0 = GetInstallRec(1, 0);
    EXPECT_EQ(i0->productNumber, 7);
    EXPECT_STREQ(i0->productName, "Seventh Product");
    EXPECT_EQ(i0->value, 200);
    EXPECT_STREQ(i0->auxText, "p7 aux");
    EXPECT_EQ(i0->componentId, 20);
    EXPECT_STREQ(i0->componentName, "Server");
    EXPECT_STREQ(i0->text1, "Server (m)");
    EXPECT_EQ(i0->flags, 1);
    EXPECT_STREQ(i0->auxText2, "c20 aux");
    const InstallRecord* i1 = GetInstallRec(1, 1);
    EXPECT_EQ(i1->componentId, 10);
    EXPECT_STREQ(i1->text1, "Docs");
    EXPECT_EQ(i1->flags, 0);
    const InstallRecord* i2 = GetInstallRec(1, 2);
    EXPECT_EQ(i2->productNumber, 3);
    EXPECT_EQ(i2->componentId, 20);
    EXPECT_EQ(i2->flags, 0);

    // The tables the installation program reads itself.
    const auto icons = ReadCallerTable(disk1 + "\\icon.tab", ReadIconTab);
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_STREQ(icons[0].text1, "iaux");
    EXPECT_EQ(icons[0].number1, 5);
    EXPECT_EQ(icons[0].number2, 6);
    EXPECT_STREQ(icons[0].text2, "vrn.exe -x");
    EXPECT_STREQ(icons[0].text3, "Icon Title");
    EXPECT_STREQ(icons[0].text4, "C:\\VRN\\BIN");
    const auto sizes = ReadCallerTable(disk1 + "\\cdrom.tab", ReadCDROMTab);
    ASSERT_EQ(sizes.size(), 2u);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(sizes[0].values[k], server->clusterSizes[k] + docs->clusterSizes[k]) << k;
        EXPECT_EQ(sizes[1].values[k], k == 7 ? 4294967295u : static_cast<uint32_t>(k + 1)) << k;
    }
    const auto list = ReadCallerTable(disk1 + "\\arclist.tab", ReadArcListTab);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[0].archiveName, "server.arc");
    EXPECT_STREQ(list[1].archiveName, "docs.arc");
    EXPECT_STREQ(list[2].archiveName, "docs.arc");

    // The layout: a group per diskette from the second, each run at its
    // offset; joined in offset order the runs give archives that extract.
    VolumeHeader first{};
    EXPECT_EQ(ReadVolumeIDFile(disk1.c_str(), &first, 0, "", 1), 0);
    EXPECT_STREQ(first.diskName, media::kInstallationDiskName);
    EXPECT_EQ(first.diskNumber, 1u);
    LayoutNode* layout = ReadTableFile(disk1.c_str());
    ASSERT_NE(layout, nullptr);
    std::map<std::string, std::string> joined;
    std::map<std::string, uint32_t> next;
    uint32_t disk = 1;
    for (const LayoutNode* g = layout; g != nullptr; g = g->next) {
        EXPECT_STREQ(g->groupName, "Varentis Data Disk");
        ASSERT_GT(g->entryCount, 0u);
        const uint32_t on = g->entries[0].value1;
        EXPECT_GT(on, disk);
        disk = on;
        const std::string diskDir = "C:\\medium\\disk" + std::to_string(on);
        VolumeHeader header{};
        EXPECT_EQ(ReadVolumeIDFile(diskDir.c_str(), &header, 0, "", static_cast<int32_t>(on)), 0);
        EXPECT_STREQ(header.diskName, "Varentis Data Disk");
        EXPECT_EQ(header.diskNumber, on);
        EXPECT_STREQ(header.auxText, "disk aux");
        for (uint32_t e = 0; e < g->entryCount; ++e) {
            const LayoutEntry& entry = g->entries[e];
            EXPECT_EQ(entry.value1, on);
            EXPECT_EQ(entry.value2, next[entry.name]) << entry.name;
            const std::string piece = ReadAll(root + "/C/medium/disk" + std::to_string(on) + "/" + entry.name);
            ASSERT_EQ(piece.size(), entry.value3) << entry.name << " on disk " << on;
            joined[entry.name] += piece;
            next[entry.name] += entry.value3;
        }
    }
    FreeLayoutList(layout);
    EXPECT_GE(disk, 4u);   // the archives took several diskettes
    ASSERT_EQ(joined.size(), 2u);
    EXPECT_EQ(joined["server.arc"].size(), c20.archiveSize);
    EXPECT_EQ(joined["docs.arc"].size(), manual.archiveSize);
    for (const auto& [name, bytes] : joined) {
        WriteHostFile(root + "/C/" + name, bytes);
        EXPECT_EQ(DecompressFile("*", ("C:\\" + name).c_str(), "C:\\check", 1), 0) << name;
    }
}

// Mistakes the description reader finds: each names the file, the section
// and the key, and says what is wrong.
TEST_F(MediaBuild, DescriptionMistakesAreEachReported) {
    const std::string dir = root + "/C/desc";
    fs::create_directories(dir + "/loose");
    fs::create_directories(dir + "/server/bin");
    fs::create_directories(dir + "/docs");
    WriteHostFile(dir + "/loose/install.hlp", "help\n");
    WriteHostFile(dir + "/loose/README.VRN", "readme\n");
    WriteHostFile(dir + "/loose/extra.txt", "extra\n");
    WriteHostFile(dir + "/server/bin/a.cfg", "x\n");
    WriteHostFile(dir + "/server/b.txt", "y\n");
    WriteHostFile(dir + "/docs/man.txt", "z\n");
    {
        WriteHostFile(dir + "/good.ini", kEveryTable);
        media::Description d;
        std::vector<std::string> errors;
        EXPECT_TRUE(media::ReadDescription(dir + "/good.ini", d, errors));
        EXPECT_EQ(errors, std::vector<std::string>{});
    }

    struct Mistake {
        std::string from, to, section, key, what;
    };
    const std::vector<Mistake> mistakes = {
        {"Compression = best\n", "Compression = tiny\n", "Medium", "Compression", "is not fast, best or store"},
        {"File Time = 2001-09-09 01:46:40", "File Time = yesterday", "Medium", "File Time", "is not a time"},
        {"Loose Directory = loose", "Loose Directory = nowhere", "Medium", "Loose Directory", "no directory"},
        {"README.VRN\n", "README.VRN, README.VRN\n", "Medium", "Loose Files", "is listed twice"},
        {"README.VRN\n", "README.VRN, install.tab\n", "Medium", "Loose Files", "written by the build itself"},
        {"README.VRN\n", "README.VRN, sub/extra.txt\n", "Medium", "Loose Files", "must be a plain file name"},
        {"README.VRN\n", "README.VRN, missing.txt\n", "Medium", "Loose Files", "no file"},
        {"install.hlp, README.VRN", "README.VRN", "Medium", "Loose Files", "install.hlp must be among"},
        {"Products = 7, 3", "Products = 7, 3, 9", "Medium", "Products", "no section [Product 9]"},
        {"Products = 7, 3", "Products = 7, 3, 7", "Medium", "Products", "listed twice"},
        {"Components = 20, 10\nLoose", "Components = 20\nLoose", "SKU Alpha", "Components",
         "is not listed in [Medium] Components"},
        {"Type = f\n", "Type = cd\n", "Diskettes", "", "only a diskette medium"},
        {"Cluster = 1024", "Cluster = 1000", "Diskettes", "Cluster", "power of two"},
        {"[SKU Beta]\nComponents = 10\n", "[SKU Beta]\nComponents = 10, 10\n", "SKU Beta", "Components",
         "listed twice"},
        {"SKUs = Alpha, Beta\n", "SKUs = Alpha, Beta, Delta\n", "Product 7", "SKUs", "no section [SKU Delta]"},
        {"Mandatory = 20\n", "Mandatory = 20, 30\n", "Product 7", "Mandatory", "in none of the product's SKUs"},
        {"Flag = 200\n", "Flag = 256\n", "Product 7", "Flag", "255"},
        {"Name = Seventh Product\n", "Name = " + std::string(39, 'x') + "\n", "Product 7", "Name", "38"},
        {"Name = Third Product\n", "", "Product 3", "Name", "missing"},
        {"Name = Third Product\n", "Name = Third Product\nColour = red\n", "Product 3", "Colour",
         "unknown key"},
        {"Subcomponents = 2, 1\n", "Subcomponents = 2, 1, 2\n", "Component 10", "Subcomponents",
         "listed twice"},
        {"Mandatory = yes\n", "Mandatory = maybe\n", "Subcomponent 10.2", "Mandatory", "is not yes or no"},
        {"Archive = docs.arc\n", "Archive = other.arc\n", "Subcomponent 10.2", "Archive",
         "no section [Archive other.arc]"},
        {"Source = docs\n", "Source = nodocs\n", "Archive docs.arc", "Source", "no directory"},
        {"Row 2 = SECOND | 6 | 7 | 8 | 9 | 10", "Row 2 = SECOND | 6 | 7 | 8 | 9 | 65536", "Bit Table", "Row 2",
         "65535"},
        {"Again = docs.arc", "Again = none.arc", "Archive List", "Again", "is not an archive of the medium"},
        {"[Icons]\nIcon = iaux | 5 | 6 | vrn.exe -x | Icon Title | C:\\VRN\\BIN\n", "[Icons]\n", "Icons", "",
         "the table has no rows"},
        {"Again = docs.arc\n", "Again = docs.arc\n[Unused]\nKey = 1\n", "Unused", "",
         "section not used by the medium"},
    };
    for (size_t i = 0; i < mistakes.size(); ++i) {
        const Mistake& m = mistakes[i];
        std::string text = kEveryTable;
        const size_t at = text.find(m.from);
        ASSERT_NE(at, std::string::npos) << i;
        text.replace(at, m.from.size(), m.to);
        const std::string file = dir + "/bad" + std::to_string(i) + ".ini";
        WriteHostFile(file, text);
        media::Description d;
        std::vector<std::string> errors;
        media::ReadDescription(file, d, errors);
        ASSERT_FALSE(errors.empty()) << i << ": " << m.what;
        const std::string& e = errors.front();
        EXPECT_EQ(e.rfind(file, 0), 0u) << e;
        const std::string where = "[" + m.section + "]" + (m.key.empty() ? "" : " " + m.key) + ": ";
        EXPECT_EQ(e.compare(file.size(), 2 + where.size(), ": " + where), 0) << e;
        EXPECT_NE(e.find(m.what), std::string::npos) << e;
    }
}

TEST_F(MediaBuild, MistakesNameTheFileSectionAndKey) {
    const std::string dir = root + "/C/desc";
    fs::create_directories(dir + "/loose");
    fs::create_directories(dir + "/src");
    WriteHostFile(dir + "/loose/install.hlp", "help\n");
    WriteHostFile(dir + "/loose/README.VRN", "readme\n");
    WriteHostFile(dir + "/src/a.txt", "payload\n");
    const std::string good =
        "[Medium]\nProducts = 1\nComponents = 10\nLoose Directory = loose\nLoose Files = install.hlp, README.VRN\n"
        "[Device]\nType = cd\n"
        "[Product 1]\nName = Product\nSKUs = Basic\n"
        "[SKU Basic]\nComponents = 10\n"
        "[Component 10]\nName = Files\nArchive = a.arc\nSubcomponents = 1\n"
        "[Subcomponent 10.1]\nName = Part\nArchive = a.arc\nTailor = a.txt\n"
        "[Archive a.arc]\nSource = src\n"
        "[Bit Table]\nRow 1 = ROW | 1 | 2 | 3 | 4 | 5 | A | B\n";
    WriteHostFile(dir + "/good.ini", good);
    EXPECT_EQ(Build(dir + "/good.ini", "good"), std::vector<std::string>{});

    struct Mistake {
        std::string from, to, section, key;
    };
    const std::vector<Mistake> mistakes = {
        {"[Product 1]\nName = Product\n", "[Product 1]\n", "Product 1", "Name"},                 // missing key
        {"[SKU Basic]\nComponents = 10\n", "[SKU Basic]\nComponents = 10, 99\n", "SKU Basic", "Components"},
        {"Name = Files\n", "Name = " + std::string(60, 'x') + "\n", "Component 10", "Name"},   // too long
        {"Components = 10\nLoose", "Components = 10, 10\nLoose", "Medium", "Components"},       // duplicate
    };
    for (size_t i = 0; i < mistakes.size(); ++i) {
        std::string text = good;
        const size_t at = text.find(mistakes[i].from);
        ASSERT_NE(at, std::string::npos) << i;
        text.replace(at, mistakes[i].from.size(), mistakes[i].to);
        const std::string file = dir + "/bad" + std::to_string(i) + ".ini";
        WriteHostFile(file, text);
        const std::vector<std::string> errors = Build(file, "bad" + std::to_string(i));
        ASSERT_FALSE(errors.empty()) << i;
        const std::string& e = errors.front();
        EXPECT_NE(e.find(file), std::string::npos) << e;
        EXPECT_NE(e.find("[" + mistakes[i].section + "]"), std::string::npos) << e;
        EXPECT_NE(e.find(mistakes[i].key), std::string::npos) << e;
        EXPECT_FALSE(fs::exists(root + "/C/bad" + std::to_string(i) + "/install.tab")) << i;
    }
}

}  // namespace
}  // namespace vrn
