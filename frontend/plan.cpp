// The plan of an installation: the archives the explosion extracts (each
// once), the files the tailoring pass tailors, and each archive's members
// and bytes, read from its member headers without decoding anything.
#include <cerrno>
#include <cstring>
#include <set>

#include "engine/archive/archive.h"
#include "engine/tables/tables.h"
#include "frontend/installer.h"
#include "frontend/run_support.h"
#include "platform/crt.h"
#include "runtime/files/files.h"

namespace vrn::installer {

namespace {

// The tailor table's files for one node's name, in table order.
void TailoredFilesOf(const char* nodeName, const std::string& destination, std::vector<std::string>& out) {
    char plain[512] = {};
    StripMandatoryString(nodeName, plain);
    for (uint32_t i = 0; i < _tlrTableSize; ++i) {
        const TailorRecord& record = _tlrTable[i];
        if (record.tailorKind != 1 || std::strncmp(record.componentName, plain, sizeof record.componentName) != 0)
            continue;
        out.push_back(Join(destination, record.tailorFile));
    }
}

}  // namespace

ArchiveSummary ScanArchive(const std::string& name, const std::string& path) {
    ArchiveSummary summary;
    summary.name = name;
    summary.path = path;
    uint32_t crcTable[CRC_TABLE_SIZE];
    BuildCRCTable(crcTable, CRC_TABLE_SIZE);
    UtDescriptor archive(utopendll(path.c_str(), _O_RDONLY | _O_BINARY, -1, 0, _pgc));
    if (archive.fd < 0) return summary;
    // Header problems are for the extraction to report; here they only
    // make the summary unreadable.
    const uint32_t savedSwitches = _commandLineSwitch;
    void (*savedHook)(const char*) = _logEntryHook;
    _commandLineSwitch |= SWITCH_BATCH;
    _logEntryHook = [](const char*) {};
    ArchiveFileHeader header;
    int32_t error = 0;
    bool ok = true;
    while (ReadFileHeaderData(&header, archive.fd, path.c_str(), crcTable, &error) != 0) {
        ++summary.members;
        summary.bytes += header.fileSize;
        summary.memberNames.emplace_back(header.fileName);
        if (_lseek(archive.fd, header.storedSize, SEEK_CUR) < 0) {
            ok = false;
            break;
        }
    }
    _commandLineSwitch = savedSwitches;
    _logEntryHook = savedHook;
    summary.readable = ok && error == 0;
    return summary;
}

Plan MakePlan(const ProductNode* products, const std::string& destination) {
    Plan plan;
    std::set<std::string> named, tailored;
    auto archive = [&](const char* name, bool notExtracted) {
        if (named.insert(name).second && !notExtracted) plan.archives.emplace_back(name);
    };
    // A component is tailored once for all the components that share its
    // archive, a subcomponent once for the subcomponents that share it.
    auto tailor = [&](char kind, const char* nodeName, const char* archiveName) {
        if (tailored.insert(kind + std::string(archiveName)).second)
            TailoredFilesOf(nodeName, destination, plan.tailoredFiles);
    };
    for (const ProductNode* p = products; p != nullptr; p = p->next) {
        if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
            if ((s->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                if (c->firstSubcomponent == nullptr) {
                    archive(c->archiveName, (c->flags & COMPONENT_NOT_EXTRACTED) != 0);
                    tailor('c', c->componentName, c->archiveName);
                    continue;
                }
                for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next) {
                    if ((sub->flags & SUBCOMPONENT_CHOSEN) == 0) continue;
                    archive(sub->archiveName, (sub->flags & SUBCOMPONENT_NOT_EXTRACTED) != 0);
                    tailor('s', sub->subcomponentName, sub->archiveName);
                }
            }
        }
    }
    plan.tailoredFiles.push_back(Join(destination, "installd.ini"));
    return plan;
}

}  // namespace vrn::installer
