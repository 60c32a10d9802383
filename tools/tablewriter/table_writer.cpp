// Stored forms of the table records. Each field is stored at the offset the
// readers take it from (stored_records.h), so the two cannot drift apart;
// the fields of a record cover every one of its stored bytes.
#include "tools/tablewriter/table_writer.h"

#include "engine/tables/stored_records.h"
#include "tools/common/host_files.h"

namespace vrn::tablewriter {
namespace {

// Packs fields into one stored record.
class Store {
public:
    explicit Store(uint8_t* record) : record_(record) {}
    void Int(uint32_t at, uint32_t value) { PackData(4, value, record_ + at); }
    void Byte(uint32_t at, uint8_t value) { PackData(1, value, record_ + at); }
    template <size_t N>
    void Text(uint32_t at, const char (&field)[N]) {
        for (size_t i = 0; i < N; ++i) Byte(static_cast<uint32_t>(at + i), static_cast<uint8_t>(field[i]));
    }
    template <size_t N>
    void Ints(uint32_t at, const uint32_t (&values)[N]) {
        for (size_t i = 0; i < N; ++i) Int(static_cast<uint32_t>(at + 4 * i), values[i]);
    }

private:
    uint8_t* record_;
};

// Integers keep their bit pattern: a signed 16-bit -1 is stored as 0x0000FFFF.
uint32_t Wide(int16_t v) { return static_cast<uint16_t>(v); }

void Put(Store& s, const BitRecord& r) {
    using L = StoredLayout<BitRecord>;
    s.Text(L::text1, r.text1);
    s.Int(L::number1, r.number1);
    s.Int(L::number2, r.number2);
    s.Int(L::number3, r.number3);
    s.Int(L::number4, r.number4);
    s.Int(L::number5, r.number5);
    s.Text(L::text2, r.text2);
    s.Text(L::text3, r.text3);
}
void Put(Store& s, const Comp2SkuRecord& r) {
    using L = StoredLayout<Comp2SkuRecord>;
    s.Int(L::componentId, Wide(r.componentId));
    s.Text(L::componentText, r.componentText);
    s.Int(L::subcomponentId, Wide(r.subcomponentId));
    s.Text(L::skuName, r.skuName);
    s.Byte(L::value, r.value);
    s.Text(L::auxText, r.auxText);
}
void Put(Store& s, const Sku2ProductRecord& r) {
    using L = StoredLayout<Sku2ProductRecord>;
    s.Int(L::productNumber, r.productNumber);
    s.Text(L::productName, r.productName);
    s.Text(L::skuName, r.skuName);
    s.Byte(L::value, r.value);
    s.Text(L::auxText, r.auxText);
}
void Put(Store& s, const Subcomp2CompRecord& r) {
    using L = StoredLayout<Subcomp2CompRecord>;
    s.Int(L::subcomponentId, Wide(r.subcomponentId));
    s.Text(L::subcomponentName, r.subcomponentName);
    s.Int(L::componentId, Wide(r.componentId));
    s.Text(L::parentComponentName, r.parentComponentName);
    s.Text(L::archiveName, r.archiveName);
    s.Byte(L::mandatory, r.mandatory);
    s.Text(L::auxText, r.auxText);
    s.Ints(L::clusterSizes, r.clusterSizes);
    s.Int(L::archiveSize, r.archiveSize);
}
void Put(Store& s, const CompIDRecord& r) {
    using L = StoredLayout<CompIDRecord>;
    s.Int(L::componentId, Wide(r.componentId));
    s.Text(L::componentText, r.componentText);
    s.Text(L::componentName, r.componentName);
    s.Text(L::archiveName, r.archiveName);
    s.Text(L::auxText, r.auxText);
    s.Ints(L::clusterSizes, r.clusterSizes);
    s.Int(L::archiveSize, r.archiveSize);
}
void Put(Store& s, const TailorRecord& r) {
    using L = StoredLayout<TailorRecord>;
    s.Int(L::number1, r.number1);
    s.Int(L::number2, r.number2);
    s.Text(L::componentName, r.componentName);
    s.Text(L::tailorFile, r.tailorFile);
    s.Int(L::tailorKind, r.tailorKind);
    s.Text(L::auxText, r.auxText);
}
void Put(Store& s, const DeviceRecord& r) {
    using L = StoredLayout<DeviceRecord>;
    s.Text(L::text1, r.text1);
    s.Text(L::text2, r.text2);
    s.Text(L::deviceType, r.deviceType);
    s.Text(L::text3, r.text3);
    s.Text(L::text4, r.text4);
    s.Text(L::text5, r.text5);
    s.Text(L::text6, r.text6);
}
void Put(Store& s, const InstallRecord& r) {
    using L = StoredLayout<InstallRecord>;
    s.Int(L::productNumber, r.productNumber);
    s.Text(L::productName, r.productName);
    s.Byte(L::value, r.value);
    s.Text(L::auxText, r.auxText);
    s.Int(L::componentId, Wide(r.componentId));
    s.Text(L::componentName, r.componentName);
    s.Text(L::text1, r.text1);
    s.Byte(L::flags, r.flags);
    s.Text(L::auxText2, r.auxText2);
}
void Put(Store& s, const IconRecord& r) {
    using L = StoredLayout<IconRecord>;
    s.Text(L::text1, r.text1);
    s.Int(L::number1, r.number1);
    s.Int(L::number2, r.number2);
    s.Text(L::text2, r.text2);
    s.Text(L::text3, r.text3);
    s.Text(L::text4, r.text4);
}
void Put(Store& s, const CdromSizeRecord& r) { s.Ints(StoredLayout<CdromSizeRecord>::values, r.values); }
void Put(Store& s, const ArcListRecord& r) { s.Text(StoredLayout<ArcListRecord>::archiveName, r.archiveName); }
void Put(Store& s, const LayoutEntry& e) {
    using L = StoredLayout<LayoutEntry>;
    s.Text(L::name, e.name);
    s.Int(L::value1, e.value1);
    s.Int(L::value2, e.value2);
    s.Int(L::value3, e.value3);
}
void Put(Store& s, const VolumeHeader& h) {
    using L = StoredLayout<VolumeHeader>;
    s.Text(L::diskName, h.diskName);
    s.Int(L::diskNumber, h.diskNumber);
    s.Text(L::auxText, h.auxText);
}

// Appends one stored record (or any stored area of its own layout).
template <typename Record>
void Append(std::vector<uint8_t>& out, const Record& r) {
    const size_t at = out.size();
    out.resize(at + StoredLayout<Record>::size);
    Store s(out.data() + at);
    Put(s, r);
}

// Appends a stored 32-bit count.
void AppendCount(std::vector<uint8_t>& out, size_t count) {
    uint8_t bytes[4];
    PackData(4, static_cast<uint32_t>(count), bytes);
    out.insert(out.end(), bytes, bytes + 4);
}

template <typename Record>
std::vector<uint8_t> One(const Record& r) {
    std::vector<uint8_t> out;
    Append(out, r);
    return out;
}

template <typename Record>
void Section(std::vector<uint8_t>& out, const std::vector<Record>& records) {
    AppendCount(out, records.size());
    for (const Record& r : records) Append(out, r);
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
    for (const LayoutGroup& g : groups) {
        AppendCount(out, g.entries.size());
        char name[LAYOUT_GROUP_NAME_SIZE];
        SetText(name, g.name);
        const size_t at = out.size();
        out.resize(at + LAYOUT_GROUP_NAME_SIZE);
        Store(out.data() + at).Text(0, name);
        for (const LayoutEntry& e : g.entries) Append(out, e);
    }
    AppendCount(out, 0);   // the end of the file
    return out;
}

std::vector<uint8_t> StoreVolumeId(const VolumeHeader& h) { return One(h); }

bool WriteBytes(const std::string& hostPath, const std::vector<uint8_t>& bytes, std::string& error) {
    return host::WriteFile(hostPath, bytes.data(), bytes.size(), error);
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
