// A libFuzzer program of one fuzz entry, named when it is built.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const vrn::fuzz::FuzzTarget* const target = vrn::fuzz::FindFuzzTarget(VRN_FUZZ_TARGET);
    if (target != nullptr && size <= target->maxLength) target->run(data, size);
    return 0;
}
