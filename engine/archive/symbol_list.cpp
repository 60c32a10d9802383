// The bounded list of archive names already handled in one walk over the
// product tree, shared by the explosion and the disk-space figures.
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/dialogs.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

// Set once a list has shown its overflow box; a list starting again (count
// 0) clears it, so every list reports its own overflow once.
bool messageIssued = false;

}  // namespace

int32_t SymbolInList(const char* symbol, char** list, int32_t* count, int32_t maximum) {
    if (*count == 0) messageIssued = false;
    for (int32_t i = 0; i < *count; ++i)
        if (std::strcmp(list[i], symbol) == 0) return 1;
    if (*count >= maximum) {
        if (messageIssued) return -1;
        messageIssued = true;
        // Shown whatever the mode: the walk stops here and must say why.
        MessageBox(nullptr, "Archive list overflow.\n\nCall Varentis technical support.", "Archive List Overflow",
                   MB_OK);
        return -1;
    }
    const size_t length = std::strlen(symbol) + 1;
    auto* copy = static_cast<char*>(utmalloc(static_cast<uint32_t>(length)));
    // Without room for the copy the name cannot be remembered: reported, and
    // answered like a full list, which stops the walk.
    if (copy == nullptr) {
        DisplayErrorMsg(_installWnd, "SymbolInList", 601);
        return -1;
    }
    std::memcpy(copy, symbol, length);
    list[(*count)++] = copy;
    return 0;
}

void FreeSymbolList(char** list, int32_t* count) {
    for (int32_t i = 0; i < *count; ++i) {
        utfree(list[i]);
        list[i] = nullptr;
    }
    *count = 0;
}

}  // namespace vrn
