// The scratch directory the fuzz entries work in, and what they share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vrn::fuzz {

// Makes ready for one input: the process's scratch directory (made on first
// use under $TMPDIR, removed when the process ends) emptied and mapped as
// drive C: with current directory C:\, TEMP set to C:\temp, the engine's
// state reset (interactive, no log), a dialog handler that answers OK at
// once, and the watch on every entry the platform changes. Returns the
// scratch directory's host path.
const std::string& BeginInput();

// Host path of a Windows-form path below C:.
std::string HostOf(std::string_view windowsPath);
// Writes a host file whole; false when it cannot.
bool WriteHostFile(const std::string& hostPath, const uint8_t* data, size_t size);
bool WriteHostFile(const std::string& hostPath, std::string_view text);
// Reads a host file whole ("" when it cannot).
std::string ReadHostFile(const std::string& hostPath);
// Whether a host entry exists.
bool HostExists(const std::string& hostPath);

// Splits the input into its first `count` lines (each without its line end,
// at most `limit` bytes kept) and the rest, for entries that take a few
// short parameters ahead of a file.
struct Parameters {
    std::string line[4];
    const uint8_t* rest = nullptr;
    size_t restSize = 0;
};
Parameters TakeLines(const uint8_t* data, size_t size, int count, size_t limit);

}  // namespace vrn::fuzz
