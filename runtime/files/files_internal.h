// Helpers shared by the file and directory services. Private to runtime/files.
#pragma once

#include <cstdint>
#include <string>

namespace vrn::files {

// Stores the platform's last error code as the runtime's last error.
void StoreLastError();

// The wildcard that lists every entry of a directory: the path followed by
// a backslash and "*.*", or by "*.*" alone when it already ends in one.
std::string ListPattern(const char* directory);

}  // namespace vrn::files
