// Symbolic links met on the way to a file the engine creates. The engine
// never writes through a link: a link standing where it is about to create a
// file or a directory is removed (the link only, never what it points to).
#pragma once

namespace vrn {

// True when the last component of the Windows-form path is a symbolic link.
bool IsSymbolicLink(const char* path);
// Removes the link itself; true on success. False, and nothing removed, when
// the path is not a symbolic link.
bool RemoveSymbolicLink(const char* path);
// Removes the first symbolic link among the last `depth` components of the
// directory `path` (each found under its name ignoring case, as path
// resolution finds it), outermost first. Returns false only when a link was
// found and could not be removed. When isDirectory is given, it is set to
// whether the path was found to be a directory with no link on the way, so
// that nothing is left to create for it.
bool RemoveLinksBelow(const char* path, int depth, bool* isDirectory = nullptr);

}  // namespace vrn
