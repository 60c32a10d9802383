// The engine globals of the destination checks and the disk-space plan that
// the caller sets or reads.
#include "engine/destination/destination.h"

namespace vrn {

uint8_t _createDestinationDir = 0;
int32_t _existingDirectoryDecision = EXISTING_DIR_CHOOSE_ANOTHER;
uint32_t _sameVersionAndDir = 0;
uint32_t _InstallQZDE = 0;
uint32_t _InstallQZRT = 0;

}  // namespace vrn
