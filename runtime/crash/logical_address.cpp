// Resolving an address to the loaded image that holds it, the section of
// that image and the offset within the section.
#include "runtime/crash/crash.h"

namespace vrn {

BOOL VRNExceptionHandler::GetLogicalAddress(const void* address, char* moduleName, DWORD moduleNameSize,
                                            DWORD& section, uintptr_t& offset) {
    section = 0;
    offset = 0;
    if (moduleName != nullptr && moduleNameSize > 0) moduleName[0] = '\0';

    LoadedImage image{};
    const auto at = reinterpret_cast<uintptr_t>(address);
    if (!FindLoadedImage(at, &image) || image.fileName[0] == '\0') return 0;
    const uint64_t rva = at - image.base;

    // The section table is read in pieces, so that any length of table fits
    // in a fixed buffer.
    constexpr int kChunk = 32;
    ImageSection sections[kChunk];
    for (uint32_t first = 1;; first += kChunk) {
        const int total = ReadImageSections(image, first, sections, kChunk);
        if (total < 0) return 0;
        const int64_t got = static_cast<int64_t>(total) - first;
        for (int64_t i = 0; i < got && i < kChunk; ++i) {
            const ImageSection& s = sections[i];
            if (!s.allocated) continue;
            if (s.start <= rva && rva <= s.start + s.size) {
                section = s.number;
                offset = static_cast<uintptr_t>(rva - s.start);
                if (moduleName != nullptr && moduleNameSize > 0) {
                    DWORD n = 0;
                    for (; image.fileName[n] != '\0' && n + 1 < moduleNameSize; ++n) moduleName[n] = image.fileName[n];
                    moduleName[n] = '\0';
                }
                return 1;
            }
        }
        if (got <= kChunk) return 0;
    }
}

}  // namespace vrn
