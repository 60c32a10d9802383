// vrnmedia dump: reads the medium's tables with the engine's own readers and
// prints them, one record a line, fields under their record names. Every
// report the readers make is printed on standard error and makes the dump
// fail, so a damaged table never passes unnoticed.
#include "tools/vrnmedia/dump.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "platform/crt.h"
#include "platform/dialogs.h"
#include "platform/drives.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"
#include "tools/common/host_files.h"

namespace vrn::media {
namespace {


// Prints every box on standard error and counts them; the insert-disk prompt
// and the quit confirmation are answered so that the dump never waits.
struct DumpDialogs : DialogHandler {
    int shown = 0;
    int Show(HWND, std::string_view text, std::string_view, uint32_t style) override {
        const uint32_t buttons = style & MB_TYPEMASK;
        if (buttons == MB_YESNO) return IDYES;
        ++shown;
        std::fprintf(stderr, "vrnmedia: %.*s\n", static_cast<int>(text.size()), text.data());
        return buttons == MB_OKCANCEL ? IDCANCEL : IDOK;
    }
    void Beep(uint32_t) override {}
};

// One output line of named fields.
class Line {
public:
    explicit Line(uint32_t index) { text_ = "    [" + std::to_string(index) + "]"; }
    Line() = default;
    template <size_t N>
    Line& Text(const char* name, const char (&field)[N]) {
        text_ += ' ';
        text_ += name;
        text_ += "=\"";
        for (size_t i = 0; i < N && field[i] != 0; ++i) {
            const auto c = static_cast<unsigned char>(field[i]);
            if (c == '"' || c == '\\') {
                text_ += '\\';
                text_ += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", c);
                text_ += hex;
            } else {
                text_ += static_cast<char>(c);
            }
        }
        text_ += '"';
        return *this;
    }
    Line& Number(const char* name, long long value) {
        text_ += ' ';
        text_ += name;
        text_ += '=';
        text_ += std::to_string(value);
        return *this;
    }
    template <size_t N>
    Line& Numbers(const char* name, const uint32_t (&values)[N]) {
        text_ += ' ';
        text_ += name;
        text_ += "=[";
        for (size_t i = 0; i < N; ++i) {
            if (i > 0) text_ += ',';
            text_ += std::to_string(values[i]);
        }
        text_ += ']';
        return *this;
    }
    ~Line() { std::printf("%s\n", text_.c_str()); }

private:
    std::string text_;
};

void Print(uint32_t i, const BitRecord& r) {
    Line(i).Text("text1", r.text1).Number("number1", r.number1).Number("number2", r.number2)
        .Number("number3", r.number3).Number("number4", r.number4).Number("number5", r.number5)
        .Text("text2", r.text2).Text("text3", r.text3);
}
void Print(uint32_t i, const Comp2SkuRecord& r) {
    Line(i).Number("componentId", r.componentId).Text("componentText", r.componentText)
        .Number("subcomponentId", r.subcomponentId).Text("skuName", r.skuName).Number("value", r.value)
        .Text("auxText", r.auxText);
}
void Print(uint32_t i, const Sku2ProductRecord& r) {
    Line(i).Number("productNumber", r.productNumber).Text("productName", r.productName).Text("skuName", r.skuName)
        .Number("value", r.value).Text("auxText", r.auxText);
}
void Print(uint32_t i, const Subcomp2CompRecord& r) {
    Line(i).Number("subcomponentId", r.subcomponentId).Text("subcomponentName", r.subcomponentName)
        .Number("componentId", r.componentId).Text("parentComponentName", r.parentComponentName)
        .Text("archiveName", r.archiveName).Number("mandatory", r.mandatory).Text("auxText", r.auxText)
        .Numbers("clusterSizes", r.clusterSizes).Number("archiveSize", r.archiveSize);
}
void Print(uint32_t i, const CompIDRecord& r) {
    Line(i).Number("componentId", r.componentId).Text("componentText", r.componentText)
        .Text("componentName", r.componentName).Text("archiveName", r.archiveName).Text("auxText", r.auxText)
        .Numbers("clusterSizes", r.clusterSizes).Number("archiveSize", r.archiveSize);
}
void Print(uint32_t i, const TailorRecord& r) {
    Line(i).Number("number1", r.number1).Number("number2", r.number2).Text("componentName", r.componentName)
        .Text("tailorFile", r.tailorFile).Number("tailorKind", r.tailorKind).Text("auxText", r.auxText);
}
void Print(uint32_t i, const DeviceRecord& r) {
    Line(i).Text("text1", r.text1).Text("text2", r.text2).Text("deviceType", r.deviceType).Text("text3", r.text3)
        .Text("text4", r.text4).Text("text5", r.text5).Text("text6", r.text6);
}
void Print(uint32_t i, const InstallRecord& r) {
    Line(i).Number("productNumber", r.productNumber).Text("productName", r.productName).Number("value", r.value)
        .Text("auxText", r.auxText).Number("componentId", r.componentId).Text("componentName", r.componentName)
        .Text("text1", r.text1).Number("flags", r.flags).Text("auxText2", r.auxText2);
}
void Print(uint32_t i, const IconRecord& r) {
    Line(i).Text("text1", r.text1).Number("number1", r.number1).Number("number2", r.number2)
        .Text("text2", r.text2).Text("text3", r.text3).Text("text4", r.text4);
}
void Print(uint32_t i, const CdromSizeRecord& r) { Line(i).Numbers("values", r.values); }
void Print(uint32_t i, const ArcListRecord& r) { Line(i).Text("archiveName", r.archiveName); }

template <typename Record>
void PrintSection(const char* title, const Record* records, uint32_t count) {
    if (title[0] != 0) std::printf("  %s: %u records\n", title, count);
    else std::printf("  %u records\n", count);
    for (uint32_t i = 0; i < count; ++i) Print(i, records[i]);
}

class Dump {
public:
    Dump(std::string hostDir, std::string engineDir) : hostDir_(std::move(hostDir)), dir_(std::move(engineDir)) {}

    int Run() {
        previous_ = SetDialogHandler(&dialogs_);
        const bool installOk = InstallTable();
        bool ok = installOk;
        ok = Layout() && ok;
        ok = VolumeId() && ok;
        ok = CallerTable("icon.tab", ReadIconTab) && ok;
        ok = CallerTable("cdrom.tab", ReadCDROMTab) && ok;
        ok = CallerTable("arclist.tab", ReadArcListTab) && ok;
        FreeGlobalVars();
        SetDialogHandler(previous_);
        return ok ? 0 : 1;
    }

private:
    bool Present(const char* name) const { return host::IsFile(host::Join(hostDir_, name)); }
    bool Damaged(const char* name, int shownBefore) {
        if (dialogs_.shown == shownBefore) std::fprintf(stderr, "vrnmedia: %s/%s: damaged\n", hostDir_.c_str(), name);
        else std::fprintf(stderr, "vrnmedia: %s/%s: damaged (see the report above)\n", hostDir_.c_str(), name);
        return false;
    }

    bool InstallTable() {
        if (!Present("install.tab")) {
            std::fprintf(stderr, "vrnmedia: %s/install.tab: missing (not an installation medium?)\n",
                         hostDir_.c_str());
            return false;
        }
        const int before = dialogs_.shown;
        std::printf("install.tab\n");
        if (ReadInstallTable(dir_.c_str(), 0) != 0) return Damaged("install.tab", before);
        PrintSection("bit table", _bitTable, _bitTableSize);
        PrintSection("comp2Sku table", _comp2SkuTable, _comp2SkuTableSize);
        PrintSection("Sku2Product table", _sku2ProductTable, _sku2ProductTableSize);
        PrintSection("Subcomp2Comp table", _subcomp2CompTable, _subcomp2CompTableSize);
        PrintSection("compid table", _compIDTable, _compIDTableSize);
        PrintSection("tailor table", _tlrTable, _tlrTableSize);
        PrintSection("device table", _devTable, _devTableSize);
        std::printf("  product to component table: %u records in %u blocks\n", _masterProd2CompTab.recordCount,
                    _masterProd2CompTab.blockCount);
        for (uint32_t i = 0; i < _masterProd2CompTab.recordCount; ++i) Print(i, *GetInstallRec(1, i));
        return true;
    }

    bool Layout() {
        if (!Present("layout.tab")) {
            std::printf("layout.tab: not on this medium\n");
            return true;
        }
        const int before = dialogs_.shown;
        std::printf("layout.tab\n");
        _layoutTable = ReadTableFile(dir_.c_str());
        for (const LayoutNode* g = _layoutTable; g != nullptr; g = g->next) {
            Line().Text("  groupName", g->groupName).Number("entryCount", g->entryCount);
            for (uint32_t i = 0; i < g->entryCount; ++i)
                Line(i).Text("name", g->entries[i].name).Number("value1", g->entries[i].value1)
                    .Number("value2", g->entries[i].value2).Number("value3", g->entries[i].value3);
        }
        if (dialogs_.shown != before) return Damaged("layout.tab", before);
        if (_layoutTable == nullptr) std::printf("  no groups\n");
        return true;
    }

    bool VolumeId() {
        if (!Present("volume.id")) {
            std::printf("volume.id: not on this medium\n");
            return true;
        }
        const int before = dialogs_.shown;
        std::printf("volume.id\n");
        VolumeHeader header{};
        if (ReadVolumeIDFile(dir_.c_str(), &header, 0, "", 0) != 0) return Damaged("volume.id", before);
        Line().Text("  diskName", header.diskName).Number("diskNumber", header.diskNumber)
            .Text("auxText", header.auxText);
        return true;
    }

    template <typename Record>
    bool CallerTable(const char* name, Record* (*reader)(int32_t, uint32_t*)) {
        if (!Present(name)) return true;
        const int before = dialogs_.shown;
        std::printf("%s\n", name);
        const std::string path = dir_ + "\\" + name;
        UtDescriptor file(utopendll(path.c_str(), _O_RDONLY | _O_BINARY, -1, 0, _pgc));
        if (file.fd < 0) return Damaged(name, before);
        // A section of no records reads as null like a damaged one: only a
        // file of just the count 0 is an empty table.
        const bool empty = _filelength(file.fd) == 4;
        uint32_t count = 0;
        UtBlock records(reader(file.fd, &count));
        if (records.p == nullptr) {
            if (!empty || dialogs_.shown != before) return Damaged(name, before);
            std::printf("  0 records\n");
            return true;
        }
        PrintSection("", static_cast<const Record*>(records.p), count);
        return true;
    }

    std::string hostDir_, dir_;
    DumpDialogs dialogs_;
    DialogHandler* previous_ = nullptr;
};

}  // namespace

int DumpCommand(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "vrnmedia: dump needs exactly one DIR\n");
        return 2;
    }
    const std::string absolute = host::Absolute(args[0]);
    if (!host::IsDirectory(absolute)) {
        std::fprintf(stderr, "vrnmedia: %s: no such directory\n", args[0].c_str());
        return 1;
    }
    const std::string engineDir = WindowsPathOf(absolute);
    if (engineDir.empty()) {
        std::fprintf(stderr, "vrnmedia: %s: not under any drive of the drive map\n", args[0].c_str());
        return 1;
    }
    return Dump(absolute, engineDir).Run();
}

}  // namespace vrn::media
