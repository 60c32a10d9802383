// install.tab, layout.tab and volume.id through the engine's readers, and
// the product tree the installer builds from a table that was read.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/products/products.h"
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/run_support.h"
#include "fuzz/fuzz.h"
#include "fuzz/scratch.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn::fuzz {

namespace {

constexpr char kMediumDir[] = "C:\\m";

std::string MediumFile(const char* name) {
    const std::string host = HostOf(kMediumDir);
    ::mkdir(host.c_str(), 0700);
    return host + "/" + name;
}

// The product tree of every product the table names, as the installer
// builds it, with its language table; every node is visited.
void BuildTree() {
    std::vector<int32_t> numbers;
    for (uint32_t i = 0; i < _sku2ProductTableSize; ++i)
        if (std::find(numbers.begin(), numbers.end(), _sku2ProductTable[i].productNumber) == numbers.end())
            numbers.push_back(_sku2ProductTable[i].productNumber);
    if (numbers.empty()) return;
    ProductNode* tree = CreateProductTable(nullptr, numbers, _sku2ProductTable, _sku2ProductTableSize, _comp2SkuTable,
                                           _comp2SkuTableSize, _compIDTable, _compIDTableSize, _subcomp2CompTable,
                                           _subcomp2CompTableSize);
    for (const ProductNode* p = tree; p != nullptr; p = p->next)
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next)
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next)
                for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                    if (std::strlen(sub->subcomponentName) >= sizeof sub->subcomponentName)
                        Finding("a subcomponent name without its end");
    _availableProducts = tree;
    BuildLanguageTable();
    for (const LanguageEntry& entry : _languageTable) {
        if (entry.subcomponent == nullptr) break;
        if (strnlen(entry.languageName, sizeof entry.languageName) == sizeof entry.languageName)
            Finding("a language name without its end");
    }
    _availableProducts = nullptr;
    FreeProductTable(tree);
}

}  // namespace

void FuzzInstallTab(const uint8_t* data, size_t size) {
    BeginInput();
    if (!WriteHostFile(MediumFile("install.tab"), data, size)) return;
    if (ReadInstallTable(kMediumDir, 0) == 0) {
        // Every record below the count is there, none at it.
        const uint32_t records = _masterProd2CompTab.recordCount;
        for (uint32_t i = 0; i < records; ++i)
            if (GetInstallRec(1, i) == nullptr) Finding("an install record below the count is missing");
        if (GetInstallRec(1, records) != nullptr) Finding("an install record past the count");
        BuildTree();
    }
    FreeGlobalVars();

    // The tables the engine's caller reads through the same record reader.
    const int32_t fd = utopendll("C:\\m\\install.tab", _O_RDONLY | _O_BINARY, -1, 0, _pgc);
    if (fd >= 0) {
        uint32_t count = 0;
        utfree(ReadIconTab(fd, &count));
        utfree(ReadCDROMTab(fd, &count));
        utfree(ReadArcListTab(fd, &count));
        utclose(fd, UT_WRITE_THROUGH);
    }
    utfree(ReadFileData(kMediumDir, "install.tab"));
}

void FuzzLayoutTab(const uint8_t* data, size_t size) {
    BeginInput();
    if (!WriteHostFile(MediumFile("layout.tab"), data, size)) return;
    LayoutNode* first = ReadTableFile(kMediumDir);
    uint64_t entries = 0;
    for (const LayoutNode* n = first; n != nullptr; n = n->next) {
        if (n->entryCount == 0 || n->entries == nullptr) Finding("a layout group without entries");
        entries += n->entryCount;
        // What the reader unscrambled lies within the file.
        if (entries * 267 > size) Finding("more layout entries than the file holds");
        for (uint32_t i = 0; i < n->entryCount; ++i) (void)strnlen(n->entries[i].name, sizeof n->entries[i].name);
    }
    FreeLayoutList(first);
}

void FuzzVolumeId(const uint8_t* data, size_t size) {
    BeginInput();
    if (!WriteHostFile(MediumFile("volume.id"), data, size)) return;
    VolumeHeader header;
    std::memset(&header, 0x5A, sizeof header);
    _insertDiskErrorFlag = 0;
    const int32_t result = ReadVolumeIDFile(kMediumDir, &header, 0, "Varentis Disk", 1);
    if (result == 0 && size < 71) Finding("a volume.id shorter than its 71 bytes was taken whole");
}

}  // namespace vrn::fuzz
