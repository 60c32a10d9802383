// Whole-character comparison and the working copies that multi-byte case
// mapping needs.
#include <cstring>

#include "runtime/report/report.h"
#include "runtime/memory/memory.h"
#include "runtime/strings/stepping.h"
#include "runtime/strings/strings.h"

namespace vrn::stepping {

namespace {
constexpr int32_t WORKING_COPY_LIMIT = 32767;
}  // namespace

uint64_t CharValue(const char* p, int32_t n, bool caseSensitive) {
    char bytes[8] = {};
    if (n > 7) n = 7;
    if (caseSensitive) {
        std::memcpy(bytes, p, static_cast<size_t>(n));
    } else {
        char source[8] = {};
        std::memcpy(source, p, static_cast<size_t>(n));
        capscopn(bytes, source, n);
    }
    uint64_t value = 0;
    for (int32_t i = 0; i < n; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    return value;
}

bool SameChar(const char* a, int32_t na, const char* b, int32_t nb, bool caseSensitive) {
    if (na != nb) return false;
    if (na == 1) {
        return caseSensitive ? a[0] == b[0] : Upper(Byte(a)) == Upper(Byte(b));
    }
    return CharValue(a, na, caseSensitive) == CharValue(b, nb, caseSensitive);
}

char* WorkingCopy(int32_t sourceLength) {
    int64_t size = 2 * static_cast<int64_t>(sourceLength) + 1;
    if (size > WORKING_COPY_LIMIT) size = WORKING_COPY_LIMIT;
    auto* copy = static_cast<char*>(utmalloc(static_cast<uint32_t>(size)));
    if (copy == nullptr) msgn();
    return copy;
}

void ReleaseWorkingCopy(char* copy) {
    if (copy != nullptr) utfree(copy);
}

}  // namespace vrn::stepping
