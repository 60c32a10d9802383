// Diskette media: the runs of the archives over the diskettes as layout.tab
// gives them, and the joining of an archive from its runs.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "frontend/run_support.h"
#include "platform/crt.h"

namespace vrn::installer {

namespace {

std::string Field(const char* text, size_t width) { return std::string(text, strnlen(text, width)); }

// Runs are copied through a buffer of the engine's largest transfer size.
constexpr unsigned kChunk = 61440;

}  // namespace

DisketteLayout ReadDisketteLayout(const LayoutNode* layout) {
    DisketteLayout out;
    for (const LayoutNode* group = layout; group != nullptr; group = group->next) {
        const std::string label = Field(group->groupName, sizeof group->groupName);
        for (uint32_t i = 0; i < group->entryCount; ++i) {
            const LayoutEntry& e = group->entries[i];
            out.runs.push_back(DisketteRun{Field(e.name, sizeof e.name), e.value1, e.value2, e.value3});
            out.labels.emplace(e.value1, label);
        }
    }
    return out;
}

std::vector<DisketteRun> DisketteLayout::RunsOf(const std::string& archive, std::string& problem) const {
    std::vector<DisketteRun> parts;
    for (const DisketteRun& r : runs)
        if (r.archive == archive) parts.push_back(r);
    std::stable_sort(parts.begin(), parts.end(),
                     [](const DisketteRun& a, const DisketteRun& b) { return a.offset < b.offset; });
    uint64_t expected = 0;
    problem.clear();
    for (const DisketteRun& r : parts) {
        if (r.offset != expected) {
            problem = "the layout table leaves a gap in the archive at offset " + std::to_string(expected);
            break;
        }
        expected += r.length;
    }
    if (parts.empty()) problem = "the layout table has no run of the archive";
    return parts;
}

std::vector<uint32_t> DisketteLayout::DisksFor(const std::set<std::string>& archives) const {
    std::vector<uint32_t> disks;
    for (const DisketteRun& r : runs)
        if (archives.count(r.archive) != 0 && std::find(disks.begin(), disks.end(), r.disk) == disks.end())
            disks.push_back(r.disk);
    return disks;
}

bool AppendRun(const std::string& runPath, uint32_t length, int outFd, std::string& error) {
    const int in = _open(runPath.c_str(), _O_RDONLY | _O_BINARY);
    if (in < 0) {
        error = runPath + " is missing";
        return false;
    }
    std::vector<char> buffer(std::min<uint32_t>(length, kChunk) + 1);
    uint32_t left = length;
    bool ok = true;
    while (left > 0) {
        const unsigned want = std::min<uint32_t>(left, kChunk);
        const int got = _read(in, buffer.data(), want);
        if (got <= 0) {
            error = runPath + " is shorter than the layout table says (" + std::to_string(length - left) + " of " +
                    std::to_string(length) + " bytes)";
            ok = false;
            break;
        }
        if (_write(outFd, buffer.data(), static_cast<unsigned>(got)) != got) {
            error = "the joined archive cannot be written";
            ok = false;
            break;
        }
        left -= static_cast<uint32_t>(got);
    }
    _close(in);
    return ok;
}

}  // namespace vrn::installer
