// Reading layout.tab: groups of named entries, each group a count, a name
// and its entries, ended by a count of 0. A group joins the list only once
// it has been read whole, so every node in the list is complete.
#include <cerrno>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "engine/tables/stored_records.h"
#include "platform/crt.h"
#include "runtime/files/files.h"
#include "runtime/memory/memory.h"

namespace vrn {
namespace {

using namespace tables_detail;

// Reads the next group count. A failed read, or a count cut short, is a
// read failure; end of file is taken as the end of the list.
bool ReadCount(int32_t fd, uint32_t& count, bool& failed) {
    uint8_t bytes[4];
    const ReadOutcome outcome = ReadArea(fd, bytes, sizeof bytes);
    failed = outcome == ReadOutcome::Failed || outcome == ReadOutcome::Short;
    count = outcome == ReadOutcome::Complete ? UnpackData(4, bytes) : 0;
    return outcome == ReadOutcome::Complete;
}

bool DecodeEntry(const uint8_t* s, LayoutEntry& e) {
    using L = StoredLayout<LayoutEntry>;
    e.value1 = IntField(s + L::value1);
    e.value2 = IntField(s + L::value2);
    e.value3 = IntField(s + L::value3);
    return TextField(s + L::name, e.name);
}

enum class GroupOutcome { Read, NoMemory, Damaged };

// Reads the name and entries of a group of `count` entries into `node`.
GroupOutcome ReadGroup(int32_t fd, uint32_t count, LayoutNode* node) {
    uint8_t name[LAYOUT_GROUP_NAME_SIZE];
    if (ReadArea(fd, name, sizeof name) != ReadOutcome::Complete || !TextField(name, node->groupName))
        return GroupOutcome::Damaged;
    if (!RecordsFit(fd, count, LAYOUT_ENTRY_SIZE)) return GroupOutcome::Damaged;
    const uint64_t arrayBytes = uint64_t{count} * sizeof(LayoutEntry);
    if (arrayBytes > UINT32_MAX) return GroupOutcome::Damaged;
    UtBlock stored(utmalloc(count * LAYOUT_ENTRY_SIZE));
    UtBlock entries(utmalloc(static_cast<uint32_t>(arrayBytes)));
    if (stored.p == nullptr || entries.p == nullptr) return GroupOutcome::NoMemory;
    if (ReadArea(fd, stored.p, count * LAYOUT_ENTRY_SIZE) != ReadOutcome::Complete) return GroupOutcome::Damaged;
    const auto* s = static_cast<const uint8_t*>(stored.p);
    auto* e = static_cast<LayoutEntry*>(entries.p);
    for (uint32_t i = 0; i < count; ++i)
        if (!DecodeEntry(s + uint64_t{i} * LAYOUT_ENTRY_SIZE, e[i])) return GroupOutcome::Damaged;
    node->entries = static_cast<LayoutEntry*>(entries.release());
    node->entryCount = count;
    return GroupOutcome::Read;
}

}  // namespace

LayoutNode* CreateLayoutNode() {
    auto* node = static_cast<LayoutNode*>(utmalloc(sizeof(LayoutNode)));
    if (node == nullptr) {
        DisplayErrorMsg(_installWnd, nullptr, 601);
        return nullptr;
    }
    node->groupName[0] = 0;
    node->entryCount = 0;
    node->entries = nullptr;
    node->next = nullptr;
    return node;
}

void FreeLayoutList(LayoutNode* first) {
    while (first != nullptr) {
        LayoutNode* next = first->next;
        if (first->entries != nullptr) utfree(first->entries);
        utfree(first);
        first = next;
    }
}

// Damage (a count cut short, entries the file does not hold, a text without
// its NUL) is reported as a failed read: code 106 with the path; the groups
// read before it are returned.
LayoutNode* ReadTableFile(const char* directory) {
    const std::string path = TablePath(directory, "layout.tab");
    UtDescriptor file(utopendll(path.c_str(), _O_RDONLY | _O_BINARY, -1, 0, _pgc));
    if (file.fd < 0) {
        ProcessFileError(_installWnd, errno, 103, path.c_str());
        return nullptr;
    }
    LayoutNode* first = nullptr;
    LayoutNode* last = nullptr;
    uint32_t count = 0;
    bool failed = false;
    // errno tells a failed read (set) from damage in what was read (still 0).
    errno = 0;
    ReadCount(file.fd, count, failed);
    while (!failed && count != 0) {
        LayoutNode* node = CreateLayoutNode();
        if (node == nullptr) break;
        const GroupOutcome outcome = ReadGroup(file.fd, count, node);
        if (outcome != GroupOutcome::Read) {
            FreeLayoutList(node);
            failed = outcome == GroupOutcome::Damaged;
            break;
        }
        (last != nullptr ? last->next : first) = node;
        last = node;
        ReadCount(file.fd, count, failed);
    }
    if (failed) {
        const int saved = errno;
        if (saved != 0)
            ProcessFileError(_installWnd, saved, 106, path.c_str());
        else
            DisplayErrorMsg(_installWnd, path.c_str(), 106);
    }
    return first;
}

}  // namespace vrn
