// vrnmedia build: the installation tables of a medium, assembled from its
// description and its built archives and written with the table writer.
#include <string>
#include <string_view>

#include "tools/tablewriter/table_writer.h"
#include "tools/vrnmedia/build.h"

namespace vrn::media {

namespace {

using tablewriter::SetText;

// Fills a fixed text field; a text too long for it names the field.
class Filler {
public:
    template <size_t N>
    void Text(char (&field)[N], std::string_view text, std::string_view what) {
        if (!SetText(field, text) && error.empty())
            error = std::string(what) + ": \"" + std::string(text) + "\" is longer than " + std::to_string(N - 1) +
                    " characters";
    }
    std::string error;
};

void CopyFigures(const Archive* archive, uint32_t (&sizes)[8], uint32_t& archiveSize) {
    for (int i = 0; i < kClusterClasses; ++i) sizes[i] = archive ? archive->clusterSizes[i] : 0;
    archiveSize = archive ? archive->archiveSize : 0;
}

void AddTailorEntries(const std::vector<std::string>& files, int32_t kind, int32_t componentId,
                      int32_t subcomponentId, const std::string& name, const std::string& aux,
                      tablewriter::InstallTables& t, Filler& fill) {
    for (const std::string& file : files) {
        TailorRecord r{};
        r.number1 = static_cast<uint16_t>(componentId);
        r.number2 = static_cast<uint16_t>(subcomponentId);
        fill.Text(r.componentName, name, "tailor entry " + file);
        fill.Text(r.tailorFile, file, "tailor file");
        r.tailorKind = static_cast<uint16_t>(kind);
        fill.Text(r.auxText, aux, "tailor entry " + file);
        t.tailors.push_back(r);
    }
}

// The rows of the eight sections of install.tab.
bool AssembleInstallTables(const Description& d, tablewriter::InstallTables& t, std::string& error) {
    Filler fill;
    for (const BitRow& row : d.bitRows) {
        BitRecord r{};
        fill.Text(r.text1, row.text, "bit table");
        r.number1 = row.numbers[0];
        r.number2 = row.numbers[1];
        r.number3 = row.numbers[2];
        r.number4 = row.numbers[3];
        r.number5 = row.numbers[4];
        fill.Text(r.text2, row.text1, "bit table");
        fill.Text(r.text3, row.text2, "bit table");
        t.bits.push_back(r);
    }

    for (const Product& p : d.products) {
        for (const Sku& sku : p.skus) {
            Sku2ProductRecord s{};
            s.productNumber = static_cast<uint16_t>(p.number);
            fill.Text(s.productName, p.name, "product name");
            fill.Text(s.skuName, sku.name, "SKU name");
            s.value = sku.flag;
            fill.Text(s.auxText, sku.aux.empty() ? p.aux : sku.aux, "SKU " + sku.name);
            t.sku2Product.push_back(s);

            for (int32_t id : sku.components) {
                const Component* c = d.FindComponent(id);
                if (c == nullptr) continue;   // the description reader refuses unknown components
                Comp2SkuRecord row{};
                row.componentId = static_cast<int16_t>(c->id);
                fill.Text(row.componentText, c->name, "component name");
                row.subcomponentId = 0;
                fill.Text(row.skuName, sku.name, "SKU name");
                row.value = p.IsMandatory(c->id) ? 1 : 0;
                fill.Text(row.auxText, c->aux, "component " + c->name);
                t.comp2Sku.push_back(row);
                for (const Subcomponent& sub : c->subcomponents) {
                    Comp2SkuRecord subRow = row;
                    subRow.subcomponentId = static_cast<int16_t>(sub.id);
                    fill.Text(subRow.componentText, sub.name, "subcomponent name");
                    subRow.value = sub.mandatory ? 1 : 0;
                    fill.Text(subRow.auxText, sub.aux, "subcomponent " + sub.name);
                    t.comp2Sku.push_back(subRow);
                }
            }
        }
        // One install record per component of the product's SKUs.
        for (int32_t id : p.Components()) {
            const Component* c = d.FindComponent(id);
            if (c == nullptr) continue;
            const bool mandatory = p.IsMandatory(id);
            InstallRecord r{};
            r.productNumber = static_cast<uint16_t>(p.number);
            fill.Text(r.productName, p.name, "product name");
            r.value = p.flag;
            fill.Text(r.auxText, p.aux, "product " + p.name);
            r.componentId = static_cast<int16_t>(c->id);
            fill.Text(r.componentName, c->name, "component name");
            fill.Text(r.text1, mandatory ? c->name + " (m)" : c->name, "component name");
            r.flags = mandatory ? 1 : 0;
            fill.Text(r.auxText2, c->aux, "component " + c->name);
            t.installs.push_back(r);
        }
    }

    for (const Component& c : d.components) {
        CompIDRecord r{};
        r.componentId = static_cast<int16_t>(c.id);
        fill.Text(r.componentText, c.label.empty() ? c.name : c.label, "component label");
        fill.Text(r.componentName, c.name, "component name");
        fill.Text(r.archiveName, c.archive, "archive name");
        fill.Text(r.auxText, c.aux, "component " + c.name);
        CopyFigures(c.archive.empty() ? nullptr : d.FindArchive(c.archive), r.clusterSizes, r.archiveSize);
        t.compIds.push_back(r);
        AddTailorEntries(c.tailor, c.tailorKind, c.id, 0, c.name, c.aux, t, fill);

        for (const Subcomponent& sub : c.subcomponents) {
            Subcomp2CompRecord s{};
            s.subcomponentId = static_cast<int16_t>(sub.id);
            fill.Text(s.subcomponentName, sub.name, "subcomponent name");
            s.componentId = static_cast<int16_t>(c.id);
            fill.Text(s.parentComponentName, c.name, "component name");
            fill.Text(s.archiveName, sub.archive, "archive name");
            s.mandatory = sub.mandatory ? 1 : 0;
            fill.Text(s.auxText, sub.aux, "subcomponent " + sub.name);
            CopyFigures(d.FindArchive(sub.archive), s.clusterSizes, s.archiveSize);
            t.subcomp2Comp.push_back(s);
            AddTailorEntries(sub.tailor, sub.tailorKind, c.id, sub.id, sub.name, sub.aux, t, fill);
        }
    }

    DeviceRecord dev{};
    fill.Text(dev.text1, d.device.name, "device name");
    fill.Text(dev.text2, d.device.release, "device release");
    fill.Text(dev.deviceType, d.device.type, "device type");
    fill.Text(dev.text3, d.device.platform, "device platform");
    fill.Text(dev.text4, d.device.vendor, "device vendor");
    fill.Text(dev.text5, d.device.title, "device title");
    fill.Text(dev.text6, d.device.label, "device label");
    t.devices.push_back(dev);

    error = fill.error;
    return error.empty();
}

std::string Join(const std::string& dir, const char* name) { return dir + "/" + name; }

}  // namespace

ClusterFigures WholeMediumSizes(const Description& description) {
    ClusterFigures sum{};
    for (const Archive& a : description.archives)
        for (int i = 0; i < kClusterClasses; ++i) sum[i] += a.clusterSizes[i];
    return sum;
}

bool WriteMediumTables(const Description& description, const DiskPlan* plan, const std::string& dir,
                       std::string& error) {
    tablewriter::InstallTables tables;
    if (!AssembleInstallTables(description, tables, error)) return false;
    if (!tablewriter::WriteInstallTable(Join(dir, "install.tab"), tables, error)) return false;

    if (description.hasIcons) {
        std::vector<IconRecord> icons;
        Filler fill;
        for (const IconRow& row : description.icons) {
            IconRecord r{};
            fill.Text(r.text1, row.aux, "icon");
            r.number1 = row.number1;
            r.number2 = row.number2;
            fill.Text(r.text2, row.command, "icon command");
            fill.Text(r.text3, row.title, "icon title");
            fill.Text(r.text4, row.directory, "icon directory");
            icons.push_back(r);
        }
        if (!fill.error.empty()) {
            error = fill.error;
            return false;
        }
        if (!tablewriter::WriteSectionFile(Join(dir, "icon.tab"), icons, error)) return false;
    }
    if (description.hasCdromSizes) {
        std::vector<CdromSizeRecord> rows;
        const ClusterFigures whole = WholeMediumSizes(description);
        for (const CdromRow& row : description.cdromSizes) {
            CdromSizeRecord r{};
            for (int i = 0; i < kClusterClasses; ++i) r.values[i] = row.wholeMedium ? whole[i] : row.sizes[i];
            rows.push_back(r);
        }
        if (!tablewriter::WriteSectionFile(Join(dir, "cdrom.tab"), rows, error)) return false;
    }
    if (description.hasArchiveList) {
        std::vector<ArcListRecord> rows;
        for (const std::string& name : description.archiveList) {
            ArcListRecord r{};
            if (!SetText(r.archiveName, name)) {
                error = "archive list: \"" + name + "\" is too long";
                return false;
            }
            rows.push_back(r);
        }
        if (!tablewriter::WriteSectionFile(Join(dir, "arclist.tab"), rows, error)) return false;
    }

    if (plan != nullptr) {
        // One group per diskette from the second, named with the disk's
        // name; an entry per run: archive, disk number, offset, length.
        std::vector<tablewriter::LayoutGroup> groups;
        const std::string diskName = description.diskettes ? description.diskettes->diskName : std::string();
        for (uint32_t disk = 2; disk <= plan->diskCount; ++disk) {
            tablewriter::LayoutGroup g;
            g.name = diskName;
            for (const DiskPiece& p : plan->pieces) {
                if (p.disk != disk) continue;
                LayoutEntry e{};
                if (!SetText(e.name, p.archive)) {
                    error = "layout: archive name \"" + p.archive + "\" is too long";
                    return false;
                }
                e.value1 = p.disk;
                e.value2 = p.offset;
                e.value3 = p.length;
                g.entries.push_back(e);
            }
            if (!g.entries.empty()) groups.push_back(std::move(g));
        }
        if (!groups.empty() && !tablewriter::WriteLayoutFile(Join(dir, "layout.tab"), groups, error)) return false;
    }
    return true;
}

bool WriteVolumeId(const std::string& dir, const std::string& diskName, uint32_t diskNumber, const std::string& aux,
                   std::string& error) {
    VolumeHeader header{};
    if (!SetText(header.diskName, diskName) || !SetText(header.auxText, aux)) {
        error = "volume.id: disk name or auxiliary text too long";
        return false;
    }
    header.diskNumber = diskNumber;
    return tablewriter::WriteVolumeId(Join(dir, "volume.id"), header, error);
}

}  // namespace vrn::media
