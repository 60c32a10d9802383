// An installation medium for start-up and copying tests: install.tab with
// one record in every section and the given device type, the loose files,
// and optionally layout.tab and volume.id, written into a host directory.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/tables/tables.h"
#include "tools/tablewriter/table_writer.h"

namespace vrn::test {

inline constexpr const char kFirstDiskName[] = "INSTALLATION DISK    RidazEvori System";

inline tablewriter::InstallTables OneOfEachTable(const char* deviceType) {
    tablewriter::InstallTables t;
    t.bits.resize(1);
    tablewriter::SetText(t.bits[0].text1, "bit");
    t.comp2Sku.resize(1);
    t.comp2Sku[0].componentId = 1;
    tablewriter::SetText(t.comp2Sku[0].skuName, "SKU");
    t.sku2Product.resize(1);
    t.sku2Product[0].productNumber = 1;
    tablewriter::SetText(t.sku2Product[0].skuName, "SKU");
    t.subcomp2Comp.resize(1);
    t.subcomp2Comp[0].subcomponentId = 1;
    t.subcomp2Comp[0].componentId = 1;
    t.compIds.resize(1);
    t.compIds[0].componentId = 1;
    tablewriter::SetText(t.compIds[0].componentName, "Server");
    t.tailors.resize(1);
    tablewriter::SetText(t.tailors[0].componentName, "Server");
    t.devices.resize(1);
    tablewriter::SetText(t.devices[0].deviceType, deviceType);
    t.installs.resize(1);
    t.installs[0].productNumber = 1;
    t.installs[0].componentId = 1;
    return t;
}

inline void WriteFile(const std::string& hostPath, const std::string& bytes) {
    FILE* f = std::fopen(hostPath.c_str(), "wb");
    ASSERT_NE(f, nullptr) << hostPath;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Writes install.tab for the device type and the named loose files (each
// holding "<name> contents").
inline void WriteMedium(const std::string& hostDir, const char* deviceType, const std::vector<std::string>& files) {
    std::string error;
    ASSERT_TRUE(tablewriter::WriteInstallTable(hostDir + "/install.tab", OneOfEachTable(deviceType), error)) << error;
    for (const std::string& name : files) WriteFile(hostDir + "/" + name, name + " contents");
}

inline void WriteVolume(const std::string& hostDir, const char* diskName, uint32_t diskNumber) {
    VolumeHeader header{};
    tablewriter::SetText(header.diskName, diskName);
    header.diskNumber = diskNumber;
    std::string error;
    ASSERT_TRUE(tablewriter::WriteVolumeId(hostDir + "/volume.id", header, error)) << error;
}

inline void WriteLayout(const std::string& hostDir) {
    tablewriter::LayoutGroup group;
    group.name = "DISK1";
    group.entries.resize(1);
    tablewriter::SetText(group.entries[0].name, "server.arc");
    std::string error;
    ASSERT_TRUE(tablewriter::WriteLayoutFile(hostDir + "/layout.tab", {group}, error)) << error;
}

}  // namespace vrn::test
