// Stored forms of the table records. Each record is laid out field by field
// in stored order; the offsets the readers expect follow from the widths
// (4 bytes for every integer, 1 for a byte, the full width for a text).
#include "tools/tablewriter/table_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace vrn::tablewriter {
namespace {

class Store {
public:
    explicit Store(std::vector<uint8_t>& out) : out_(out) {}
    void Int(uint32_t value) {
        uint8_t bytes[4];
        PackData(4, value, bytes);
        out_.insert(out_.end(), bytes, bytes + 4);
    }
    void Byte(uint8_t value) {
        uint8_t b;
        PackData(1, value, &b);
        out_.push_back(b);
    }
    template <size_t N>
    void Text(const char (&field)[N]) {
        for (size_t i = 0; i < N; ++i) Byte(static_cast<uint8_t>(field[i]));
    }
    template <size_t N>
    void Ints(const uint32_t (&values)[N]) {
        for (uint32_t v : values) Int(v);
    }

private:
    std::vector<uint8_t>& out_;
};

// Integers keep their bit pattern: a signed 16-bit -1 is stored as 0x0000FFFF.
uint32_t Wide(int16_t v) { return static_cast<uint16_t>(v); }

void Put(Store& s, const BitRecord& r) {
    s.Text(r.text1);
    s.Int(r.number1); s.Int(r.number2); s.Int(r.number3); s.Int(r.number4); s.Int(r.number5);
    s.Text(r.text2);
    s.Text(r.text3);
}
void Put(Store& s, const Comp2SkuRecord& r) {
    s.Int(Wide(r.componentId));
    s.Text(r.componentText);
    s.Int(Wide(r.subcomponentId));
    s.Text(r.skuName);
    s.Byte(r.value);
    s.Text(r.auxText);
}
void Put(Store& s, const Sku2ProductRecord& r) {
    s.Int(r.productNumber);
    s.Text(r.productName);
    s.Text(r.skuName);
    s.Byte(r.value);
    s.Text(r.auxText);
}
void Put(Store& s, const Subcomp2CompRecord& r) {
    s.Int(Wide(r.subcomponentId));
    s.Text(r.subcomponentName);
    s.Int(Wide(r.componentId));
    s.Text(r.parentComponentName);
    s.Text(r.archiveName);
    s.Byte(r.mandatory);
    s.Text(r.auxText);
    s.Ints(r.clusterSizes);
    s.Int(r.archiveSize);
}
void Put(Store& s, const CompIDRecord& r) {
    s.Int(Wide(r.componentId));
    s.Text(r.componentText);
    s.Text(r.componentName);
    s.Text(r.archiveName);
    s.Text(r.auxText);
    s.Ints(r.clusterSizes);
    s.Int(r.archiveSize);
}
void Put(Store& s, const TailorRecord& r) {
    s.Int(r.number1);
    s.Int(r.number2);
    s.Text(r.componentName);
    s.Text(r.tailorFile);
    s.Int(r.tailorKind);
    s.Text(r.auxText);
}
void Put(Store& s, const DeviceRecord& r) {
    s.Text(r.text1); s.Text(r.text2); s.Text(r.deviceType); s.Text(r.text3);
    s.Text(r.text4); s.Text(r.text5); s.Text(r.text6);
}
void Put(Store& s, const InstallRecord& r) {
    s.Int(r.productNumber);
    s.Text(r.productName);
    s.Byte(r.value);
    s.Text(r.auxText);
    s.Int(Wide(r.componentId));
    s.Text(r.componentName);
    s.Text(r.text1);
    s.Byte(r.flags);
    s.Text(r.auxText2);
}
void Put(Store& s, const IconRecord& r) {
    s.Text(r.text1);
    s.Int(r.number1);
    s.Int(r.number2);
    s.Text(r.text2); s.Text(r.text3); s.Text(r.text4);
}
void Put(Store& s, const CdromSizeRecord& r) { s.Ints(r.values); }
void Put(Store& s, const ArcListRecord& r) { s.Text(r.archiveName); }
void Put(Store& s, const LayoutEntry& e) {
    s.Text(e.name);
    s.Int(e.value1); s.Int(e.value2); s.Int(e.value3);
}

template <typename Record>
std::vector<uint8_t> One(const Record& r) {
    std::vector<uint8_t> out;
    Store s(out);
    Put(s, r);
    return out;
}

template <typename Record>
void Section(std::vector<uint8_t>& out, const std::vector<Record>& records) {
    Store s(out);
    s.Int(static_cast<uint32_t>(records.size()));
    for (const Record& r : records) Put(s, r);
}

template <typename Record>
bool CountFits(const std::vector<Record>& records, std::string& error) {
    if (records.size() > UINT32_MAX) {
        error = "too many records for one table";
        return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> StoreRecord(const BitRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const Comp2SkuRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const Sku2ProductRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const Subcomp2CompRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const CompIDRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const TailorRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const DeviceRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const InstallRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const IconRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const CdromSizeRecord& r) { return One(r); }
std::vector<uint8_t> StoreRecord(const ArcListRecord& r) { return One(r); }

std::vector<uint8_t> StoreInstallTable(const InstallTables& t) {
    std::vector<uint8_t> out;
    Section(out, t.bits);
    Section(out, t.comp2Sku);
    Section(out, t.sku2Product);
    Section(out, t.subcomp2Comp);
    Section(out, t.compIds);
    Section(out, t.tailors);
    Section(out, t.devices);
    Section(out, t.installs);
    return out;
}

std::vector<uint8_t> StoreSection(const std::vector<IconRecord>& records) {
    std::vector<uint8_t> out;
    Section(out, records);
    return out;
}
std::vector<uint8_t> StoreSection(const std::vector<CdromSizeRecord>& records) {
    std::vector<uint8_t> out;
    Section(out, records);
    return out;
}
std::vector<uint8_t> StoreSection(const std::vector<ArcListRecord>& records) {
    std::vector<uint8_t> out;
    Section(out, records);
    return out;
}

std::vector<uint8_t> StoreLayout(const std::vector<LayoutGroup>& groups) {
    std::vector<uint8_t> out;
    Store s(out);
    for (const LayoutGroup& g : groups) {
        s.Int(static_cast<uint32_t>(g.entries.size()));
        char name[LAYOUT_GROUP_NAME_SIZE];
        SetText(name, g.name);
        s.Text(name);
        for (const LayoutEntry& e : g.entries) Put(s, e);
    }
    s.Int(0);   // the end of the file
    return out;
}

std::vector<uint8_t> StoreVolumeId(const VolumeHeader& h) {
    std::vector<uint8_t> out;
    Store s(out);
    s.Text(h.diskName);
    s.Int(h.diskNumber);
    s.Text(h.auxText);
    return out;
}

bool WriteBytes(const std::string& hostPath, const std::vector<uint8_t>& bytes, std::string& error) {
    std::ofstream file(hostPath, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = hostPath + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        error = hostPath + ": cannot be written";
        return false;
    }
    return true;
}

bool WriteInstallTable(const std::string& hostPath, const InstallTables& t, std::string& error) {
    if (!CountFits(t.bits, error) || !CountFits(t.comp2Sku, error) || !CountFits(t.sku2Product, error) ||
        !CountFits(t.subcomp2Comp, error) || !CountFits(t.compIds, error) || !CountFits(t.tailors, error) ||
        !CountFits(t.devices, error))
        return false;
    if (t.installs.size() > size_t{INSTALL_MAX_BLOCKS} * INSTALL_RECORDS_PER_BLOCK) {
        error = "the product-to-component table holds at most " +
                std::to_string(INSTALL_MAX_BLOCKS * INSTALL_RECORDS_PER_BLOCK) + " records";
        return false;
    }
    return WriteBytes(hostPath, StoreInstallTable(t), error);
}

bool WriteSectionFile(const std::string& hostPath, const std::vector<IconRecord>& records, std::string& error) {
    return CountFits(records, error) && WriteBytes(hostPath, StoreSection(records), error);
}
bool WriteSectionFile(const std::string& hostPath, const std::vector<CdromSizeRecord>& records,
                      std::string& error) {
    return CountFits(records, error) && WriteBytes(hostPath, StoreSection(records), error);
}
bool WriteSectionFile(const std::string& hostPath, const std::vector<ArcListRecord>& records,
                      std::string& error) {
    return CountFits(records, error) && WriteBytes(hostPath, StoreSection(records), error);
}

bool WriteLayoutFile(const std::string& hostPath, const std::vector<LayoutGroup>& groups, std::string& error) {
    for (const LayoutGroup& g : groups) {
        if (g.entries.empty()) {
            error = "layout group \"" + g.name + "\" has no entries";
            return false;
        }
        if (g.name.size() >= LAYOUT_GROUP_NAME_SIZE) {
            error = "layout group name \"" + g.name + "\" is longer than 49 characters";
            return false;
        }
        if (!CountFits(g.entries, error)) return false;
    }
    return WriteBytes(hostPath, StoreLayout(groups), error);
}

bool WriteVolumeId(const std::string& hostPath, const VolumeHeader& header, std::string& error) {
    return WriteBytes(hostPath, StoreVolumeId(header), error);
}

}  // namespace vrn::tablewriter
