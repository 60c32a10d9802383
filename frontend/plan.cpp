// The plan of an installation: the archives the explosion extracts (each
// once), the files the tailoring pass tailors, and each archive's members
// and bytes, read from its member headers without decoding anything.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

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
    // The headers are read through one buffer, a read serving the headers
    // of many small members; a header past the buffer is read from its own
    // offset. A header cut short by the end of the archive is checked as it
    // stands, the missing bytes counting as zero, as the extraction checks
    // it. Header problems are for the extraction to report; here they only
    // make the summary unreadable.
    constexpr uint32_t kBuffer = 64 * 1024;
    std::vector<uint8_t> buffer(kBuffer);
    int64_t bufferAt = 0;      // archive offset of buffer[0]
    uint32_t buffered = 0;     // bytes held from there
    int64_t at = 0;            // offset of the next header
    bool ok = true;
    for (;;) {
        if (at < bufferAt || at + ARCHIVE_HEADER_SIZE > bufferAt + buffered) {
            if (_lseek(archive.fd, static_cast<long>(at), SEEK_SET) != at) {
                ok = false;
                break;
            }
            bufferAt = at;
            buffered = 0;
            while (buffered < kBuffer) {
                const int n = _read(archive.fd, buffer.data() + buffered, kBuffer - buffered);
                if (n < 0) ok = false;
                if (n <= 0) break;
                buffered += static_cast<uint32_t>(n);
            }
            if (!ok || buffered == 0) break;
        }
        const int64_t inBuffer = at - bufferAt;
        uint8_t raw[ARCHIVE_HEADER_SIZE] = {};
        const int64_t held = std::min<int64_t>(ARCHIVE_HEADER_SIZE, bufferAt + buffered - at);
        std::memcpy(raw, buffer.data() + inBuffer, static_cast<size_t>(held));
        ArchiveFileHeader header;
        if (UnmaskFileHeader(raw, &header, crcTable) == 0) {
            ok = false;
            break;
        }
        ++summary.members;
        summary.bytes += header.fileSize;
        summary.memberNames.emplace_back(header.fileName);
        at += ARCHIVE_HEADER_SIZE + static_cast<int64_t>(header.storedSize);
    }
    summary.readable = ok;
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
