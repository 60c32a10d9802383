// The four memory entry points: the installed heap manager when there is
// one, the system heap otherwise.
#include <cstring>

#include "runtime/memory/memory.h"

namespace vrn {

BuddyContext* _pgHeap = nullptr;

void utSetGPHeapManager(BuddyContext* context) {
    // The first manager stays for the life of the process: memory handed out
    // through it must keep going back to it.
    if (_pgHeap == nullptr) _pgHeap = context;
}

void* utmalloc(uint32_t size) {
    if (_pgHeap != nullptr) return utBuddyAlloc(_pgHeap, size);
    return utSystemAlloc(size);
}

void* utcalloc(int32_t count, int32_t size) {
    if (_pgHeap != nullptr) return utBuddyCalloc(_pgHeap, count, size);
    if (count < 0 || size < 0) return nullptr;
    const uint64_t total = static_cast<uint64_t>(count) * static_cast<uint64_t>(size);
    if (total > UINT32_MAX) return nullptr;
    void* block = utSystemAlloc(total);
    if (block != nullptr) std::memset(block, 0, total);
    return block;
}

void* utrealloc(void* pointer, uint32_t size) {
    if (_pgHeap != nullptr) return utBuddyReAlloc(_pgHeap, pointer, size);
    return utSystemRealloc(pointer, size);
}

void utfree(void* pointer) {
    if (_pgHeap != nullptr) {
        utBuddyFree(_pgHeap, pointer);
        return;
    }
    utSystemFree(pointer);
}

}  // namespace vrn
