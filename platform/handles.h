// The table of native handles of the platform layer's own sources: open
// files and find listings. Not for use outside platform/.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/native.h"

namespace vrn::host {

struct OpenDirectory;

struct HandleObject {
    enum class Kind { File, Find } kind = Kind::File;
    // Files.
    int fd = -1;
    bool readable = false;
    bool writable = false;
    bool ownsDescriptor = true;   // false for the standard descriptors
    bool seekable = false;
    std::string hostPath;         // what the file was opened as, for fault injection
    char drive = 0;               // the drive it lies on, 0 for a share or a standard descriptor
    // A writable regular file this handle created or replaced, through its
    // directory held open: what its closing leaves for the setting of its times.
    // It was opened by a drive path ("C:\dir\name"), this text, under this
    // count of the drive map (DriveMapVersion).
    std::shared_ptr<const OpenDirectory> madeIn;
    size_t nameAt = 0;
    std::string openedAs;
    uint64_t mapVersion = 0;
    // Find listings: every entry, taken when the listing began.
    std::vector<WIN32_FIND_DATA> entries;
    size_t next = 0;
};

// Adds an object and returns its handle (a multiple of 4, never 0 or -1).
HANDLE AddHandle(HandleObject object);
// The object of a handle of the given kind; null when there is none.
HandleObject* LookupHandle(HANDLE h, HandleObject::Kind kind);
// Forgets a handle (the caller has released what it held).
void RemoveHandle(HANDLE h);

}  // namespace vrn::host
