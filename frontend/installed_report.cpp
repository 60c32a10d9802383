// What an installation put in place, as the installer prints it at the end.
#include <cstdio>

#include "engine/state/state.h"
#include "frontend/run_support.h"
#include "platform/system.h"

namespace vrn::installer {

void PrintInstalled(const std::string& destination, const Plan& plan, const std::vector<ArchiveSummary>& archives) {
    std::string out = "Installed into " + destination + ":\n";
    for (const ProductNode* p = _availableProducts; p != nullptr; p = p->next) {
        if ((p->flags & PRODUCT_CHOSEN) == 0) continue;
        out += "  " + std::string(p->productName) + "\n";
        for (const SkuNode* s = p->firstSku; s != nullptr; s = s->next) {
            if ((s->flags & SKU_CHOSEN) == 0) continue;
            for (const ComponentNode* c = s->firstComponent; c != nullptr; c = c->next) {
                if ((c->flags & COMPONENT_CHOSEN) == 0) continue;
                std::string line = "    " + std::string(c->componentName);
                std::string subs;
                for (const SubcomponentNode* sub = c->firstSubcomponent; sub != nullptr; sub = sub->next)
                    if ((sub->flags & SUBCOMPONENT_CHOSEN) != 0)
                        subs += std::string(subs.empty() ? "" : ", ") + sub->subcomponentName;
                out += line + (subs.empty() ? "" : ": " + subs) + "\n";
            }
        }
    }
    uint32_t members = 0;
    uint64_t bytes = 0;
    for (const ArchiveSummary& a : archives) {
        members += a.members;
        bytes += a.bytes;
    }
    char line[256];
    std::snprintf(line, sizeof line, "%zu archives, %u files, %llu bytes; %zu files tailored\n", archives.size(),
                  members, static_cast<unsigned long long>(bytes), plan.tailoredFiles.size());
    out += line;
    ConsoleWrite(out);
}

}  // namespace vrn::installer
