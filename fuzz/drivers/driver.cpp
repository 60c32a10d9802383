// A libFuzzer program of one fuzz entry, named when it is built.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz.h"
#include "platform/signals.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Called before libFuzzer closes standard error (-close_fd_mask) and
    // installs its own signal handlers: the crash reporter, which the
    // runtime installs as the program starts, gives the signals back, so
    // that a crash or an abort reaches libFuzzer, which keeps the input.
    vrn::fuzz::KeepFindingOutput();
    vrn::SetUnhandledExceptionFilter(vrn::PreviousSignalHandlers);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const vrn::fuzz::FuzzTarget* const target = vrn::fuzz::FindFuzzTarget(VRN_FUZZ_TARGET);
    if (target != nullptr && size <= target->maxLength) target->run(data, size);
    return 0;
}
