// vrnmedia build: makes an installation medium from a medium description
// (an initialization file, read with the engine's own library; its format is
// told at the top of build_description.cpp). The pieces: the description
// reader, the archive builder with its cluster-size figures, the diskette
// planner, the table assembly and the command that runs them in turn.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/vrnarc/archive_writer.h"

namespace vrn::media {

inline constexpr int kClusterClasses = 8;   // cluster sizes 512 << 0 .. 512 << 7
using ClusterFigures = std::array<uint32_t, kClusterClasses>;

// Field widths of the installation tables (each text holds width - 1
// characters and its terminator).
inline constexpr size_t kProductNameWidth = 39;
inline constexpr size_t kSkuNameWidth = 50;
inline constexpr size_t kComponentNameWidth = 40;
inline constexpr size_t kAuxWidth = 17;
inline constexpr size_t kArchiveNameWidth = 255;
inline constexpr size_t kTailorFileWidth = 510;
inline constexpr size_t kDiskNameWidth = 50;

// The first diskette, as the installation program recognises it.
inline constexpr char kInstallationDiskName[] = "INSTALLATION DISK    RidazEvori System";
// The product-to-component table holds at most 37 blocks of 46 records.
inline constexpr size_t kMaxInstallRecords = 37 * 46;

// Files the build writes itself; none may be a loose file.
inline constexpr const char* kWrittenFiles[] = {"install.tab", "layout.tab", "volume.id",
                                                "icon.tab",    "cdrom.tab",  "arclist.tab"};

// ---------------------------------------------------------------------------
// The description, as read and checked.

enum class Compression : uint8_t { Fast, Best, Store };

struct Subcomponent {
    int32_t id = 0;
    std::string section;
    std::string name, aux, archive;
    bool mandatory = false;
    std::vector<std::string> tailor;   // paths relative to the destination
    int32_t tailorKind = 1;
};

struct Component {
    int32_t id = 0;
    std::string section;
    std::string name, label, aux;
    std::string archive;               // empty: none (only with subcomponents)
    std::vector<Subcomponent> subcomponents;
    std::vector<std::string> tailor;
    int32_t tailorKind = 1;
};

struct Sku {
    std::string section;
    std::string name, aux;
    uint8_t flag = 0;
    std::vector<int32_t> components;
};

struct Product {
    int32_t number = 0;
    std::string section;
    std::string name, aux;
    uint8_t flag = 0;
    std::vector<Sku> skus;
    std::vector<int32_t> mandatory;
    // The product's components: those of its SKUs, in order of first
    // appearance.
    std::vector<int32_t> Components() const;
    bool IsMandatory(int32_t componentId) const;
};

// One file of an archive's source directory.
struct SourceFile {
    std::string hostPath;
    std::string memberName;   // relative path with backslash separators
    uint64_t size = 0;
    uint32_t accessTime = 0, modificationTime = 0;
};

struct Archive {
    std::string name;
    std::string section;
    std::string sourceDir;    // host path
    Compression compression = Compression::Fast;
    std::vector<SourceFile> files;    // filled by ListArchiveSources
    ClusterFigures clusterSizes{};    // filled by ListArchiveSources
    uint32_t archiveSize = 0;         // filled once the archive is built
};

struct Device {
    std::string type;
    std::string name, release, platform, vendor, title, label;
};

struct Diskettes {
    uint32_t capacity = 0;
    uint32_t cluster = 512;
    std::string diskName, aux;
};

struct BitRow {
    std::string text;
    std::array<uint16_t, 5> numbers{};
    std::string text1, text2;
};

struct IconRow {
    std::string aux;
    uint16_t number1 = 0, number2 = 0;
    std::string command, title, directory;
};

struct CdromRow {
    bool wholeMedium = false;   // the figures of all archives together
    ClusterFigures sizes{};
};

struct Description {
    std::string file;           // as given (host path)
    std::string baseDir;        // host directory relative paths start from
    Device device;
    std::optional<Diskettes> diskettes;
    std::vector<Product> products;
    std::vector<Component> components;   // in table order
    std::vector<Archive> archives;       // in order of first use
    std::string looseDir;                // host path
    std::vector<std::string> looseFiles;
    std::string archiveDir;              // medium subdirectory for the archives ("" = root)
    std::optional<uint32_t> fileTime;
    std::vector<BitRow> bitRows;
    bool hasIcons = false, hasCdromSizes = false, hasArchiveList = false;
    std::vector<IconRow> icons;
    std::vector<CdromRow> cdromSizes;
    std::vector<std::string> archiveList;   // "*" already expanded

    const Component* FindComponent(int32_t id) const;
    Archive* FindArchive(const std::string& name);
    const Archive* FindArchive(const std::string& name) const;
};

// The error text of a mistake in a description: "FILE: [SECTION] KEY: what".
std::string DescriptionError(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& what);

// Reads and checks a description (a host path). Every mistake found is
// appended to `errors`; the result is usable only when none was.
bool ReadDescription(const std::string& hostPath, Description& out, std::vector<std::string>& errors);

// ---------------------------------------------------------------------------
// Archives.

// The space that files of these sizes take on a volume of each cluster
// class: per class, every size rounded up to whole clusters, summed. False
// when a sum does not fit 32 bits.
bool ClusterSizesOf(const std::vector<uint64_t>& fileSizes, ClusterFigures& out);

// Lists every regular file below the archive's source directory (in name
// order) with its member name and times, and computes its cluster-size
// figures; checks the tailored files of the components that use it.
// Mistakes go to `errors` as description errors.
void ListArchiveSources(Description& description, std::vector<std::string>& errors);

// Writes one archive of the listed files to a host path; sets archiveSize.
bool WriteArchive(Archive& archive, const std::optional<uint32_t>& fileTime, const std::string& hostPath,
                  std::string& error);

// ---------------------------------------------------------------------------
// Diskettes.

// A run of an archive's bytes on one diskette.
struct DiskPiece {
    std::string archive;
    uint32_t disk = 0;     // 2 on: the first diskette holds the installation files
    uint32_t offset = 0;   // where the run begins within the archive
    uint32_t length = 0;
};

struct DiskPlan {
    uint32_t diskCount = 1;
    std::vector<DiskPiece> pieces;    // in disk order, each archive's runs in order
    std::vector<uint64_t> used;       // bytes taken on each disk, clusters rounded, index 0 = disk 1
};

// Bytes a file of `size` takes on a disk of `cluster`-byte clusters.
uint64_t RoundToCluster(uint64_t size, uint32_t cluster);

// Lays the archives (name, size), in order, over diskettes 2, 3, ...: each
// diskette holds its volume.id and then runs of archive bytes in whole
// clusters, filled before the next one is begun; an archive that does not
// fit in what is left goes on with the next diskette. `firstDiskUsed` is what
// the first diskette holds. False with `error` when the capacity cannot hold
// a volume.id and one cluster of data.
bool PlanDiskettes(const std::vector<std::pair<std::string, uint32_t>>& archives, uint64_t firstDiskUsed,
                   const Diskettes& diskettes, DiskPlan& plan, std::string& error);

// ---------------------------------------------------------------------------
// Tables.

// The eight figures of every archive of the medium together (each archive
// once): the "medium" row of the CD-ROM size table.
ClusterFigures WholeMediumSizes(const Description& description);

// Writes install.tab and the icon, CD-ROM size and archive list tables that
// the description has into the host directory `dir`; with a plan also
// layout.tab. The archives must be built (their sizes are written).
bool WriteMediumTables(const Description& description, const DiskPlan* plan, const std::string& dir,
                       std::string& error);

// Writes volume.id into the host directory `dir`.
bool WriteVolumeId(const std::string& dir, const std::string& diskName, uint32_t diskNumber,
                   const std::string& aux, std::string& error);

// ---------------------------------------------------------------------------
// The command.

// Builds the medium described by `descriptionPath` into `outDir` (host
// paths; outDir must be absent or empty). Description mistakes and build
// failures go to `errors`; progress lines to `report`. True on success.
bool BuildMedium(const std::string& descriptionPath, const std::string& outDir, std::vector<std::string>& errors,
                 std::vector<std::string>& report);

// "vrnmedia build DESCRIPTION OUTDIR": the exit status (0, 1 failure, 2 usage).
int BuildCommand(const std::vector<std::string>& args);

}  // namespace vrn::media
