// Advisory locks between processes: a lock file that one process at a time
// holds. The host lets go of a lock when its process ends, however it ends,
// so a killed holder never leaves a lock behind (its file may stay, and is
// taken over by the next process that locks it).
#pragma once

#include <string>

namespace vrn {

enum class LockOutcome {
    Held,          // this process holds the lock now
    Busy,          // another process holds it
    Unavailable,   // the lock file cannot be made or locked
};

class AdvisoryLock {
public:
    AdvisoryLock() = default;
    ~AdvisoryLock() { Release(); }
    AdvisoryLock(const AdvisoryLock&) = delete;
    AdvisoryLock& operator=(const AdvisoryLock&) = delete;
    bool held() const { return fd_ >= 0; }
    // Removes the lock file and lets go of the lock; nothing when not held.
    void Release();

private:
    friend LockOutcome AcquireAdvisoryLock(const char*, const std::string&, AdvisoryLock&, std::string&);
    int fd_ = -1;
    std::string hostPath_;
};

// Takes the lock of the Windows-form path without waiting, creating the file
// when it is missing, and writes `holderText` into it for others to read.
// Busy gives in `info` what the holder wrote; Unavailable the reason.
LockOutcome AcquireAdvisoryLock(const char* path, const std::string& holderText, AdvisoryLock& lock,
                                std::string& info);

}  // namespace vrn
