// Returning every window-system model to the configuration in force.
#include "platform/winmodel.h"

namespace vrn {

void ResetPlatformModels() {
    ResetVersionModel();
    ResetWindowModel();
    ResetRegistryModel();
}

}  // namespace vrn
