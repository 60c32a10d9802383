// The destination lock: a hidden lock file at the root of the destination's
// drive, named after the destination. The destination itself cannot hold
// it: it may not exist yet, and emptying it would remove the lock file.
#include "frontend/destination_lock.h"

#include <cstdio>
#include <string_view>

#include "platform/drives.h"
#include "platform/native.h"
#include "platform/system.h"

namespace vrn::installer {

namespace {

// The destination's full Windows form in upper case, without a trailing
// separator, so that every spelling of one directory gives one name.
std::string LockKey(const std::string& destination) {
    const ResolvedPath r = ResolvePath(destination);
    std::string key = r.ok ? r.windows : destination;
    while (key.size() > 3 && (key.back() == '\\' || key.back() == '/')) key.pop_back();
    CharUpper(key.data());
    return key;
}

// The drive's root ("C:\") or the share's ("\\SRV\SHARE\") of a full name.
std::string RootOf(const std::string& key) {
    if (key.size() >= 2 && key[1] == ':') return key.substr(0, 2) + "\\";
    if (key.rfind("\\\\", 0) == 0) {
        const size_t server = key.find('\\', 2);
        const size_t share = server == std::string::npos ? std::string::npos : key.find('\\', server + 1);
        return (share == std::string::npos ? key : key.substr(0, share)) + "\\";
    }
    return "\\";
}

}  // namespace

std::string DestinationLockPath(const std::string& destination) {
    const std::string key = LockKey(destination);
    // FNV-1a of the key: one name per destination, short enough for any drive.
    uint32_t hash = 2166136261u;
    for (const unsigned char c : key) hash = (hash ^ c) * 16777619u;
    char name[32];
    std::snprintf(name, sizeof name, ".vinstall-%08x.lock", hash);
    return RootOf(key) + name;
}

LockOutcome LockDestination(const std::string& destination, AdvisoryLock& lock, std::string& message) {
    const std::string holder = "vinstall, process " + std::to_string(ProcessId()) + ", into " + destination + "\n";
    std::string info;
    const LockOutcome outcome = AcquireAdvisoryLock(DestinationLockPath(destination).c_str(), holder, lock, info);
    switch (outcome) {
    case LockOutcome::Held: message.clear(); break;
    case LockOutcome::Busy:
        message = "Another installation into " + destination + " is running (" +
                  (info.empty() ? std::string("vinstall") : info) +
                  "); nothing was installed. Run this installation again when it has finished.";
        break;
    case LockOutcome::Unavailable:
        message = "The destination " + destination + " cannot be locked against other installations (" + info +
                  "); make sure that no other installation runs into it at the same time.";
        break;
    }
    return outcome;
}

}  // namespace vrn::installer
