// The table writer: makes the scrambled table files of an installation
// medium (install.tab, the icon, CD-ROM size and archive list tables,
// layout.tab and volume.id) from in-memory records, every value stored
// through PackData. Used by the media authoring tool and by the tests of the
// table readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tables/tables.h"

namespace vrn::tablewriter {

// The eight sections of install.tab, in file order.
struct InstallTables {
    std::vector<BitRecord> bits;
    std::vector<Comp2SkuRecord> comp2Sku;
    std::vector<Sku2ProductRecord> sku2Product;
    std::vector<Subcomp2CompRecord> subcomp2Comp;
    std::vector<CompIDRecord> compIds;
    std::vector<TailorRecord> tailors;
    std::vector<DeviceRecord> devices;
    std::vector<InstallRecord> installs;   // the product-to-component table
};

// One group of layout.tab.
struct LayoutGroup {
    std::string name;                      // at most 49 characters
    std::vector<LayoutEntry> entries;      // at least one
};

// Copies `text` into a fixed text field and pads it with NULs. False (and the
// field left empty) when the text does not fit with its terminator.
template <size_t N>
bool SetText(char (&field)[N], std::string_view text) {
    for (size_t i = 0; i < N; ++i) field[i] = 0;
    if (text.size() >= N) return false;
    for (size_t i = 0; i < text.size(); ++i) field[i] = text[i];
    return true;
}

// Stored (scrambled) bytes of one record, exactly its stored size.
std::vector<uint8_t> StoreRecord(const BitRecord& r);
std::vector<uint8_t> StoreRecord(const Comp2SkuRecord& r);
std::vector<uint8_t> StoreRecord(const Sku2ProductRecord& r);
std::vector<uint8_t> StoreRecord(const Subcomp2CompRecord& r);
std::vector<uint8_t> StoreRecord(const CompIDRecord& r);
std::vector<uint8_t> StoreRecord(const TailorRecord& r);
std::vector<uint8_t> StoreRecord(const DeviceRecord& r);
std::vector<uint8_t> StoreRecord(const InstallRecord& r);
std::vector<uint8_t> StoreRecord(const IconRecord& r);
std::vector<uint8_t> StoreRecord(const CdromSizeRecord& r);
std::vector<uint8_t> StoreRecord(const ArcListRecord& r);

// Stored bytes of whole files.
std::vector<uint8_t> StoreInstallTable(const InstallTables& tables);
std::vector<uint8_t> StoreSection(const std::vector<IconRecord>& records);
std::vector<uint8_t> StoreSection(const std::vector<CdromSizeRecord>& records);
std::vector<uint8_t> StoreSection(const std::vector<ArcListRecord>& records);
std::vector<uint8_t> StoreLayout(const std::vector<LayoutGroup>& groups);
std::vector<uint8_t> StoreVolumeId(const VolumeHeader& header);

// Writers: `hostPath` is the full host path of the file to write (created or
// replaced). On failure they return false with a one-line reason in `error`.
// A record count that does not fit 32 bits, a product-to-component table of
// more than 37 blocks of 46 records, a layout group without entries or with a
// name too long, are refused.
bool WriteInstallTable(const std::string& hostPath, const InstallTables& tables, std::string& error);
// The caller-read tables (icon.tab, cdrom.tab, arclist.tab on a medium).
bool WriteSectionFile(const std::string& hostPath, const std::vector<IconRecord>& records, std::string& error);
bool WriteSectionFile(const std::string& hostPath, const std::vector<CdromSizeRecord>& records,
                      std::string& error);
bool WriteSectionFile(const std::string& hostPath, const std::vector<ArcListRecord>& records,
                      std::string& error);
bool WriteLayoutFile(const std::string& hostPath, const std::vector<LayoutGroup>& groups, std::string& error);
bool WriteVolumeId(const std::string& hostPath, const VolumeHeader& header, std::string& error);

// Writes stored bytes to a host file.
bool WriteBytes(const std::string& hostPath, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace vrn::tablewriter
