// The media builder: the demo medium built into a temporary drive and read
// back with the engine's own readers, product tree and extraction; cluster
// figures against a direct computation; mistakes in descriptions.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
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
