// The system heap behind the runtime layer, with the refusal hook that lets
// tests play out exhaustion.
#include <cstdlib>

#include "runtime/memory/memory.h"

namespace vrn {

namespace {

// Requests still to be granted before refusals start, and refusals still to
// come (negative: refuse every request).
int32_t g_grantsBeforeRefusal = 0;
int32_t g_refusalsLeft = 0;

bool RefuseRequest() {
    if (g_refusalsLeft == 0) return false;
    if (g_grantsBeforeRefusal > 0) {
        --g_grantsBeforeRefusal;
        return false;
    }
    if (g_refusalsLeft > 0) --g_refusalsLeft;
    return true;
}

}  // namespace

void utFailAllocations(int32_t skip, int32_t count) {
    g_grantsBeforeRefusal = skip < 0 ? 0 : skip;
    g_refusalsLeft = count;
}

void* utSystemAlloc(uint64_t size) {
    if (RefuseRequest()) return nullptr;
    // A zero-byte request still yields a distinct block that can be freed.
    return std::malloc(size == 0 ? 1 : size);
}

void* utSystemRealloc(void* pointer, uint64_t size) {
    if (RefuseRequest()) return nullptr;
    // Never let a zero size release the block behind the caller's back.
    return std::realloc(pointer, size == 0 ? 1 : size);
}

void utSystemFree(void* pointer) {
    std::free(pointer);
}

}  // namespace vrn
