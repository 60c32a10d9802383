// Entries that feed one input through a reader of the system, for the fuzz
// drivers (one program per entry) and for the regression test that feeds
// every kept input of fuzz/regressions/<name>/ through the same entry.
//
// Each entry works in a scratch directory of its own process that is mapped
// as drive C: (emptied before every input), answers every message box
// without waiting, and watches every entry the platform creates, opens for
// writing, renames or removes: one outside the scratch directory is a
// finding. So is a broken property that the entry checks after the reader
// has run (a value written and read back, a decoding that disagrees with
// the extraction of the same stream).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vrn::fuzz {

struct FuzzTarget {
    const char* name;
    void (*run)(const uint8_t* data, size_t size);
    size_t maxLength;   // the longest input worth trying
};

// Every entry, and the one of a name (null when none has it).
std::span<const FuzzTarget> FuzzTargets();
const FuzzTarget* FindFuzzTarget(std::string_view name);

// Reports a finding of the entry now running. By default it is printed on
// standard error and the process aborts, which a fuzz driver keeps as a
// crash with its input; a test installs a handler that records it.
using FindingHandler = void (*)(const std::string& what);
FindingHandler SetFindingHandler(FindingHandler handler);
void Finding(const std::string& what);
// Keeps a descriptor of standard error for the default handler's text, for
// a driver that closes the entries' standard error (their own messages).
void KeepFindingOutput();

// The entries.
void FuzzInstallTab(const uint8_t* data, size_t size);
void FuzzLayoutTab(const uint8_t* data, size_t size);
void FuzzVolumeId(const uint8_t* data, size_t size);
void FuzzArchive(const uint8_t* data, size_t size);
void FuzzLzss(const uint8_t* data, size_t size);
void FuzzIniFile(const uint8_t* data, size_t size);
void FuzzNlsFile(const uint8_t* data, size_t size);
void FuzzTailoring(const uint8_t* data, size_t size);
void FuzzDriveMap(const uint8_t* data, size_t size);
void FuzzResponseFile(const uint8_t* data, size_t size);

}  // namespace vrn::fuzz
