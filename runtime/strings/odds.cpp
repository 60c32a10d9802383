// The layer's no-operation entries and the forced core dump.
#include "platform/signals.h"
#include "runtime/strings/strings.h"

namespace vrn {

uint8_t _argnocore = 0;

void utVoidNoOp() {}

int32_t utIntNoOp() { return 0; }

void* utPointerNoOp() { return nullptr; }

void uttraceback() {}

void utcore() {
    uttraceback();
    if (_argnocore == 0) RaiseException(UT_CORE_EXCEPTION, 0, 0, nullptr);
}

}  // namespace vrn
