// The host calls of the platform layer's own sources that fault injection
// can strike. Not for use outside platform/posix/. While nothing is armed each is
// the host call itself after one test of a flag.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string>

#include "platform/faults.h"

namespace vrn::host {

extern bool g_faultsArmed;

ssize_t StruckRead(int fd, void* buffer, size_t count, const std::string& hostPath);
ssize_t StruckWrite(int fd, const void* buffer, size_t count, const std::string& hostPath, char drive);
bool StruckChange(FaultOp op, const std::string& hostPath, const std::string& otherPath);

// ::read of a file at hostPath.
inline ssize_t HostRead(int fd, void* buffer, size_t count, const std::string& hostPath) {
    if (!g_faultsArmed) return ::read(fd, buffer, count);
    return StruckRead(fd, buffer, count, hostPath);
}

// ::write to a file at hostPath on the drive (0: none known).
inline ssize_t HostWrite(int fd, const void* buffer, size_t count, const std::string& hostPath, char drive) {
    if (!g_faultsArmed) return ::write(fd, buffer, count);
    return StruckWrite(fd, buffer, count, hostPath, drive);
}

// Asked before an entry is changed (otherPath: the new name of a rename):
// true when the change is to fail, with errno set.
inline bool ChangeFails(FaultOp op, const std::string& hostPath, const std::string& otherPath = std::string()) {
    if (!g_faultsArmed) return false;
    return StruckChange(op, hostPath, otherPath);
}

}  // namespace vrn::host
