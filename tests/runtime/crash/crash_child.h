// What the crash tests and the crashing child process agree on.
#pragma once

namespace vrn::test {

// Set to a scenario's name, the test program runs that scenario instead of
// its tests.
inline constexpr const char* kScenarioVariable = "VRN_CRASH_SCENARIO";
// Set, a SIGSEGV handler is installed before the crash reporter.
inline constexpr const char* kEarlyHandlerVariable = "VRN_CRASH_EARLY_HANDLER";
// Files the child writes into its current directory.
inline constexpr const char* kPreviousMarker = "previous.txt";
inline constexpr const char* kResumedMarker = "resumed.txt";
// Exit status of a scenario that did not crash.
inline constexpr int kScenarioReturned = 99;

}  // namespace vrn::test
