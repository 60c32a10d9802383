// The destination and its volume: directory creation and removal, the
// network setup drive that turns a UNC path into drive form, and the volume
// space query behind every disk-space figure.
#pragma once

#include <cstdint>

namespace vrn {

// ---------------------------------------------------------------------------
// Directories
// ---------------------------------------------------------------------------

// Kind argument of CreateDirectoryPath: the last component is a file name.
inline constexpr uint8_t CREATE_PATH_OF_FILE = 1;

// Creates every missing directory of `path` one level at a time (kind 1:
// the last component is a file and is not created). The current drive and
// directory are as before on return. 0, or the error report's result.
int32_t CreateDirectoryPath(const char* path, uint8_t kind);
// Cuts the path at its last '\'.
void TrimEnd(char* path);
// Removes a directory tree, the directory included. 0, or message 120's result.
int32_t RecursiveDirDelete(const char* directory);
// Removes everything inside a directory (writable buffer: a '\' may be
// appended). 0; 65535 when a sub-directory cannot be removed; the report's
// result when a file cannot be removed.
int32_t RemovePath(char* directory);
// Deletes one file: 0, or message 110's result.
int32_t RemoveEntry(const char* file);
// 1 when the directory holds nothing but "." and ".." or cannot be listed.
int32_t EmptyDirectory(const char* directory);

// ---------------------------------------------------------------------------
// Network setup drive and volume space
// ---------------------------------------------------------------------------

// Finds the connection serving a UNC path and the drive through which it is
// reached, connecting a letterless connection under the first free letter
// from F: (remembered in _mappedNetworkSetupDrive). share receives the remote
// name, root the drive. 0 when the search ended without error, 65535 on failure.
int32_t mfGetPathNameFromUNC(const char* uncPath, char* share, char* root);

// The bytes free to the caller on the volume of `path` (a UNC path is
// rewritten in place to drive form); sets _blockSizeIndex. 65535 when a UNC
// path cannot be translated.
double GetDiskSpaceInfo(char* path);
// The cluster size and free bytes of the volume whose root is given
// ("D:\"), asked the platform's way. Always 1.
int32_t mfGetDiskGeometry(const char* root, uint32_t* clusterBytes, double* freeBytes);
// The bytes an open file takes in whole clusters of its volume, or 0 on failure.
uint32_t AcquireFileSize(int32_t fd, const char* fileName);

// Cluster size used when the platform cannot tell it.
inline constexpr uint32_t DEFAULT_CLUSTER_SIZE = 32768;
// The largest cluster-size class (512 << 7).
inline constexpr int32_t MAX_BLOCK_SIZE_INDEX = 7;

}  // namespace vrn
