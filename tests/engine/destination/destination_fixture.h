// The drive map the destination and disk-space tests run on (C: and D:
// fixed, E: removable, F: CD-ROM, N: network, R: RAM disk, nothing at G:),
// product trees built node by node, and the installation log on C:.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/destination/destination.h"
#include "engine/products/products.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "runtime/memory/memory.h"
#include "tests/support/test_support.h"

namespace vrn::test {

// Installed sizes per cluster class: given for 512 bytes and 32 KiB, a
// marker no test expects for the others.
inline std::array<uint32_t, CLUSTER_CLASSES> Sizes(uint32_t at512, uint32_t at32k) {
    std::array<uint32_t, CLUSTER_CLASSES> sizes{};
    sizes.fill(900000000u);
    sizes[0] = at512;
    sizes[6] = at32k;
    return sizes;
}

class DestinationDrives : public TempDrives {
protected:
    void SetUp() override {
        TempDrives::SetUp();
        ResetGlobals();
        MapTempDrive('D');
        MapTempDrive('E', DriveKind::Removable);
        MapTempDrive('F', DriveKind::CdRom);
        MapTempDrive('N', DriveKind::Network);
        MapTempDrive('R', DriveKind::RamDisk);
        logPath = root + "/C/install.log";
    }
    void TearDown() override {
        ResetGlobals();
        for (void* node : nodes_) utfree(node);
        TempDrives::TearDown();
    }
    static void ResetGlobals() {
        _commandLineSwitch = 0;
        _destinationPath[0] = _logBatchFilePathName[0] = '\0';
        _existingDirectoryDecision = EXISTING_DIR_CHOOSE_ANOTHER;
        _createDestinationDir = 0;
        _sameVersionAndDir = _InstallQZDE = _InstallQZRT = 0;
        _availableProducts = nullptr;
        _constDiskSpace = _lastLargestArchive = 0;
        _devTable = nullptr;
        _devTableSize = 0;
        _blockSizeIndex = 0;
    }
    void SetFigures(char letter, uint32_t cluster, uint64_t freeBytes) {
        DriveMapping m = *FindDrive(letter);
        m.clusterSize = cluster;
        m.freeBytes = freeBytes;
        m.totalBytes = freeBytes + (1ull << 30);
        MapDrive(letter, m);
    }
    void SetMedium(const char* deviceType) {
        std::strcpy(devices[0].deviceType, deviceType);
        _devTable = devices.data();
        _devTableSize = 1;
    }
    void UseLog() { std::strcpy(_logBatchFilePathName, "C:\\install.log"); }
    // The log's entries without their header lines ('\r' of the text-mode
    // line ends of appended entries dropped), and how many there are.
    std::string LogText(int* entries = nullptr) const {
        struct stat st {};
        std::string raw = ::stat(logPath.c_str(), &st) == 0 ? ReadHostFile(logPath) : "", out;
        if (entries != nullptr) *entries = 0;
        for (size_t at = 0, end; at < raw.size(); at = end + 1) {
            end = raw.find('\n', at);
            if (end == std::string::npos) end = raw.size();
            std::string line = raw.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("VARENTIS INSTALL UTILITY LOG", 0) == 0) {
                if (entries != nullptr) ++*entries;
            } else {
                out += line + "\n";
            }
        }
        return out;
    }
    void MakeDir(const std::string& path) const { ::mkdir(Host(path).c_str(), 0700); }
    void MakeFile(const std::string& path, size_t size, bool readOnly = false) const {
        WriteHostFile(Host(path), std::string(size, 'x'));
        if (readOnly) ::chmod(Host(path).c_str(), 0400);
    }
    bool Exists(const std::string& hostPath) const {
        struct stat st {};
        return ::lstat(hostPath.c_str(), &st) == 0;
    }

    // Tree nodes, appended to their lists and freed with the test.
    SkuNode* ChosenSku(bool productChosen = true) {
        auto* p = New<ProductNode>();
        p->flags = productChosen ? PRODUCT_CHOSEN : 0;
        Append(&_availableProducts, p);
        p->firstSku = New<SkuNode>();
        p->firstSku->flags = SKU_CHOSEN;
        return p->firstSku;
    }
    template <typename Node = ComponentNode, typename Parent>
    Node* Add(Parent* parent, const char* archive, uint32_t archiveSize,
              const std::array<uint32_t, CLUSTER_CLASSES>& sizes, uint32_t flags) {
        auto* n = New<Node>();
        std::strcpy(n->archiveName, archive);
        n->archiveSize = archiveSize;
        std::memcpy(n->clusterSizes, sizes.data(), sizeof n->clusterSizes);
        n->flags = flags;
        if constexpr (std::is_same_v<Node, ComponentNode>) Append(&parent->firstComponent, n);
        else Append(&parent->firstSubcomponent, n);
        return n;
    }

    std::array<DeviceRecord, 1> devices{};
    std::string logPath;

private:
    template <typename Node>
    Node* New() {
        nodes_.push_back(utcalloc(1, sizeof(Node)));
        return static_cast<Node*>(nodes_.back());
    }
    template <typename Node>
    static void Append(Node** link, Node* node) {
        while (*link != nullptr) link = &(*link)->next;
        *link = node;
    }
    std::vector<void*> nodes_;
};

}  // namespace vrn::test
