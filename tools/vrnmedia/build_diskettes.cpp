// Laying a medium's archives over diskettes.
#include <algorithm>

#include "tools/vrnmedia/build.h"

namespace vrn::media {

namespace {
constexpr uint64_t kVolumeIdSize = 71;
}

uint64_t RoundToCluster(uint64_t size, uint32_t cluster) { return (size + cluster - 1) / cluster * cluster; }

bool PlanDiskettes(const std::vector<std::pair<std::string, uint32_t>>& archives, uint64_t firstDiskUsed,
                   const Diskettes& diskettes, DiskPlan& plan, std::string& error) {
    const uint64_t capacity = diskettes.capacity;
    const uint32_t cluster = diskettes.cluster;
    const uint64_t label = RoundToCluster(kVolumeIdSize, cluster);
    if (capacity < label + cluster) {
        error = "a diskette of " + std::to_string(capacity) + " bytes cannot hold its volume.id and one cluster of " +
                std::to_string(cluster) + " bytes";
        return false;
    }
    plan = DiskPlan{};
    plan.used.push_back(firstDiskUsed);
    // Archives begin on the second diskette; the first carries the
    // installation program's own files.
    plan.diskCount = 2;
    plan.used.push_back(label);
    for (const auto& [name, size] : archives) {
        uint32_t offset = 0;
        uint32_t remaining = size;
        while (remaining > 0) {
            const uint64_t room = (capacity - plan.used.back()) / cluster * cluster;
            if (room == 0) {
                ++plan.diskCount;
                plan.used.push_back(label);
                continue;
            }
            const uint32_t length = static_cast<uint32_t>(std::min<uint64_t>(remaining, room));
            plan.pieces.push_back(DiskPiece{name, plan.diskCount, offset, length});
            plan.used.back() += RoundToCluster(length, cluster);
            offset += length;
            remaining -= length;
        }
    }
    return true;
}

}  // namespace vrn::media
