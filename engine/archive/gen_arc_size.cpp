// The accumulator of per-cluster-size space figures: eight totals, one for
// each cluster size 512 << i, and their text.
#include <cstdio>
#include <cstring>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

constexpr int kClasses = 8;
constexpr uint32_t kSmallestCluster = 512;

bool initialized = false;
uint32_t* fileSizes = nullptr;
char* strBuf = nullptr;

}  // namespace

int32_t GenArcSize(int32_t operation, uint32_t value, uint32_t /*reserved*/, char* out) {
    if (operation < GENARC_START || operation > GENARC_END) return 0;
    if (operation != GENARC_START && !initialized) return 201;

    switch (operation) {
    case GENARC_START:
        // A second start begins afresh with the blocks already held.
        if (fileSizes == nullptr) fileSizes = static_cast<uint32_t*>(utmalloc(kClasses * sizeof(uint32_t)));
        if (fileSizes == nullptr) return DisplayErrorMsg(_installWnd, "fileSizes", 601);
        std::memset(fileSizes, 0, kClasses * sizeof(uint32_t));
        if (strBuf == nullptr) strBuf = static_cast<char*>(utmalloc(GENARC_TEXT_SIZE));
        if (strBuf == nullptr) return DisplayErrorMsg(_installWnd, "strBuf", 601);
        strBuf[0] = '\0';
        initialized = true;
        return 0;
    case GENARC_ADD_FILE:
        // A file takes whole clusters: its size rounded up, in 32-bit
        // arithmetic like every total.
        for (int i = 0; i < kClasses; ++i) {
            const uint32_t cluster = kSmallestCluster << i;
            fileSizes[i] += (value + cluster - 1) / cluster * cluster;
        }
        return 0;
    case GENARC_ADD_CLUSTERS: {
        for (int i = 0; i < kClasses; ++i) fileSizes[i] += value * (kSmallestCluster << i);
        // Eight totals of at most ten digits and seven separators fit the
        // 89 bytes.
        size_t length = 0;
        for (int i = 0; i < kClasses; ++i)
            length += static_cast<size_t>(std::snprintf(strBuf + length, GENARC_TEXT_SIZE - length, "%lu;",
                                                        static_cast<unsigned long>(fileSizes[i])));
        strBuf[length - 1] = '\0';
        if (out != nullptr) std::strcpy(out, strBuf);
        return 0;
    }
    default:   // GENARC_END
        initialized = false;
        utfree(fileSizes);
        fileSizes = nullptr;
        return 0;
    }
}

}  // namespace vrn
