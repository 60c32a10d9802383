// The lock that keeps two installations out of one destination at once.
// Every run that writes into a destination (unattended or interactive)
// takes it before it writes anything there and keeps it to its end; the
// second run into the same destination is refused with a message that
// names the first. The lock goes with the run whichever way the run ends,
// a killed one included.
#pragma once

#include <string>

#include "platform/advisory_lock.h"

namespace vrn::installer {

// Takes the lock of a destination (as the user or the response file gives
// it) for as long as `lock` lives. Held: this run may write there. Busy:
// another run holds it; `message` is the refusal to show. Unavailable: no
// lock can be had there (the drive takes no lock file); the run may go on,
// and `message` says that it is not protected.
LockOutcome LockDestination(const std::string& destination, AdvisoryLock& lock, std::string& message);

// Where a destination's lock file lies: the root of its drive or share,
// under a hidden name made from the destination's full name.
std::string DestinationLockPath(const std::string& destination);

}  // namespace vrn::installer
