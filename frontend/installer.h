// vinstall: the installer program. It sets up the drive map, finds the
// medium, starts the engine with the engine's own switches, and then either
// installs unattended from a response file, prints the plan of such an
// installation (--dry-run), or checks every archive of the medium (--verify).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/products/products.h"
#include "platform/drives.h"

namespace vrn::installer {

// Exit statuses of vinstall.
inline constexpr int EXIT_INSTALLED = 0;
inline constexpr int EXIT_CANCELLED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_FAILED = 3;

inline constexpr char VERSION_TEXT[] = "vinstall 7.30 (installation engine runtime 9.1C)";

// ---------------------------------------------------------------------------
// The command line: vinstall [OPTIONS] [ENGINE SWITCHES]

struct Options {
    std::string medium;       // as given; empty: the current directory
    std::string drivesFile;   // --drives
    std::string winePrefix;   // --wine-prefix
    std::string recordFile;   // --record: the response file of the interactive run
    bool dryRun = false;
    bool verify = false;
    bool help = false;
    bool version = false;
    // The engine's switches and file names, in their order, for
    // InitializeDisplay (after the program's own path).
    std::vector<std::string> engineArgs;
};

// Reads the long options (they come first) and keeps the rest as engine
// switches. False with `error` set on a usage mistake.
bool ParseOptions(int argc, char** argv, Options& out, std::string& error);
// The usage text of --help.
std::string UsageText();

// ---------------------------------------------------------------------------
// The drive map

// Installs the drive map: --drives FILE, else VRN_DRIVES, else
// $XDG_CONFIG_HOME/varentis/drives (~/.config/varentis/drives) when it
// exists, else the default (C: on the host root); --wine-prefix reads the
// prefix's dosdevices links instead. False with `error` set.
bool SetUpDrives(const Options& options, std::string& error);
// The drives of a Wine prefix: each "x:" link of DIR/dosdevices as drive X,
// a CD-ROM or network drive where the mount behind the link says so, else
// fixed; the current directory C:\ when C: is there.
bool ReadWinePrefix(const std::string& prefix, PlatformConfig& out, std::string& error);
// Whether a path given on the command line is in Windows form: it begins
// with a drive letter and its colon, or it holds a backslash.
bool IsWindowsForm(const std::string& path);
// The Windows form of a path given on the command line: a Windows-form path
// with each '/' a '\', a host path (absolute or relative to the host's working
// directory) through the drive map. False when a host path lies on no drive.
bool ToWindowsPath(const std::string& given, std::string& windows);

// ---------------------------------------------------------------------------
// The medium

enum class MediumLayout : uint8_t { CdRom, Staged, Diskettes };

struct Medium {
    MediumLayout layout = MediumLayout::CdRom;
    std::string root;          // Windows form: the medium's root (the first diskette's folder on diskettes)
    std::string archiveDir;    // Windows form: where its archives lie (CD-ROM and staged media)
    std::vector<std::string> disks;   // Windows form: disk1, disk2, ... on diskettes
};

// Finds the medium at `given` (a host or Windows-form path, a drive root; empty:
// the current directory): its layout and directories. A medium that lies on
// no drive of the map gets a drive letter of its own (a CD-ROM drive for a
// CD-ROM medium). False with `error` set.
bool LocateMedium(const std::string& given, Medium& out, std::string& error);

// ---------------------------------------------------------------------------
// The response file

// What the response file says, checked against the medium's tree.
struct ComponentChoice {
    std::string component;      // the component's name as the tree has it
    std::string subcomponent;   // empty: the component itself
    bool chosen = false;
};
struct ProductChoice {
    int32_t productNumber = 0;
    std::string sku;            // the SKU's name as the tree has it
    std::vector<ComponentChoice> choices;
};
struct Responses {
    std::string destination;
    int32_t existingDirectory = 1601;   // 1601 cancel, 1602 empty, 1603 keep
    int32_t serverEngine = -1;          // -1: no choice, else 0 to 5
    std::vector<std::string> languages;
    std::string country;                // empty: the medium's first
    std::string saveDirectory;
    std::map<std::string, std::string> tagValues;   // by key name
    int32_t kestrelAdapter = -1;        // -1 not given, 0 no, 1 yes
    std::vector<ProductChoice> products;
};

// Reads and checks the response file against the tree of every product of
// the medium (`products`). On a mistake returns false with `error` as
// "FILE: [SECTION] KEY: what is wrong".
bool ReadResponses(const std::string& file, ProductNode* products, Responses& out, std::string& error);

// Applies the product, SKU, component and subcomponent choices to the tree
// and recomputes the SKU and product bits. False with `error` when a
// mandatory part would be cleared.
bool ApplyProductChoices(const std::string& file, const Responses& responses, ProductNode* products,
                         std::string& error);

// Applies the language choice to the language table (built before): false
// with `error` naming an unknown language.
bool ApplyLanguages(const std::string& file, const Responses& responses, std::string& error);

// Reads the medium's national-language file and puts the chosen country's
// settings (or the first country's) into the national-language globals.
bool ApplyCountry(const std::string& file, const std::string& nlsFile, const Responses& responses,
                  std::string& error);

// Fills the tag-value globals the response file names.
void ApplyTagValues(const Responses& responses);

// The response file that replays `responses` on the medium whose tree is
// `products` (names as the tree has them), headed by a comment with `note`.
// False with `error` set when a name cannot be written so that the reader
// takes it back the same.
bool ResponseText(const Responses& responses, const ProductNode* products, const std::string& note, std::string& text,
                  std::string& error);
// Writes a response file to a host path, whole or not at all.
bool WriteResponseFile(const std::string& hostPath, const std::string& text, std::string& error);

// ---------------------------------------------------------------------------
// The plan

struct ArchiveSummary {
    std::string name;
    std::string path;         // Windows form
    uint32_t members = 0;
    uint64_t bytes = 0;       // extracted bytes
    bool readable = false;
    std::vector<std::string> memberNames;
};
// Walks the member headers of an archive without decoding: members, bytes
// and names. `readable` is false when it cannot be opened or a header is bad.
ArchiveSummary ScanArchive(const std::string& name, const std::string& path);

struct Plan {
    std::vector<std::string> archives;         // each once, in extraction order
    std::vector<std::string> tailoredFiles;    // full paths, in tailoring order
};
// The archives the explosion extracts and the files the tailoring pass
// tailors for the chosen tree.
Plan MakePlan(const ProductNode* products, const std::string& destination);

// ---------------------------------------------------------------------------
// The runs

int RunBatch(const Options& options, const Medium& medium);
int RunVerify(const Options& options, const Medium& medium);
// The interactive installation on the console.
int RunInteractive(const Options& options, const Medium& medium);

}  // namespace vrn::installer
