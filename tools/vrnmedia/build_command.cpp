// vrnmedia build: the archives, the loose files, the tables and, for
// diskettes, the disk directories, in that order.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/vrnmedia/build.h"

namespace fs = std::filesystem;

namespace vrn::media {

namespace {

constexpr char kUsage[] =
    "usage: vrnmedia build DESCRIPTION OUTDIR\n"
    "Builds the installation medium that DESCRIPTION (a medium description) tells\n"
    "of into OUTDIR, which must be absent or empty: the archives, install.tab and\n"
    "the other tables, the loose files, and for diskettes the disk directories\n"
    "disk1, disk2, ... with their volume.id and layout.tab.\n"
    "Exit status: 0 built, 1 a mistake in the description or a failure, 2 usage.\n";

bool CopyFileBytes(const fs::path& from, const fs::path& to, std::string& error) {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) error = to.string() + ": " + ec.message();
    return !ec;
}

// Copies `length` bytes at `offset` of one file into a new file.
bool CopyRun(const fs::path& from, uint32_t offset, uint32_t length, const fs::path& to, std::string& error) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    in.seekg(offset);
    std::vector<char> buffer(1 << 16);
    uint32_t left = length;
    while (in && out && left > 0) {
        const uint32_t n = std::min<uint32_t>(left, static_cast<uint32_t>(buffer.size()));
        in.read(buffer.data(), n);
        out.write(buffer.data(), in.gcount());
        left -= static_cast<uint32_t>(in.gcount());
        if (in.gcount() == 0) break;
    }
    out.close();
    if (left != 0 || !out) {
        error = to.string() + ": cannot write the archive run";
        return false;
    }
    return true;
}

uint64_t FilesOnDisk(const fs::path& dir, uint32_t cluster) {
    uint64_t used = 0;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file(ec)) used += RoundToCluster(e.file_size(ec), cluster);
    return used;
}

class Build {
public:
    Build(const std::string& outDir, std::vector<std::string>& errors, std::vector<std::string>& report)
        : out_(outDir), errors_(errors), report_(report) {}

    bool Run(const std::string& descriptionPath) {
        if (!ReadDescription(descriptionPath, d_, errors_)) return false;
        const size_t before = errors_.size();
        ListArchiveSources(d_, errors_);
        if (errors_.size() != before) return false;
        if (!PrepareOutput()) return false;
        const bool ok = d_.diskettes ? Diskettes() : Disc();
        if (!ok) Clean();
        return ok;
    }

private:
    bool Fail(const std::string& text) {
        errors_.push_back(text);
        return false;
    }

    bool PrepareOutput() {
        std::error_code ec;
        if (fs::exists(out_, ec)) {
            if (!fs::is_directory(out_, ec)) return Fail(out_.string() + ": not a directory");
            if (!fs::is_empty(out_, ec)) return Fail(out_.string() + ": not empty; a medium is built into an empty directory");
        }
        fs::create_directories(out_, ec);
        if (ec) return Fail(out_.string() + ": " + ec.message());
        return true;
    }

    // Everything in the output directory is the build's own: it was empty.
    void Clean() {
        std::error_code ec;
        for (const fs::directory_entry& e : fs::directory_iterator(out_, ec)) fs::remove_all(e.path(), ec);
    }

    bool BuildArchives(const fs::path& dir) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) return Fail(dir.string() + ": " + ec.message());
        for (Archive& a : d_.archives) {
            std::string error;
            if (!WriteArchive(a, d_.fileTime, (dir / a.name).string(), error)) return Fail(error);
            uint64_t bytes = 0;
            for (const SourceFile& f : a.files) bytes += f.size;
            report_.push_back(a.name + ": " + std::to_string(a.files.size()) + " files, " + std::to_string(bytes) +
                              " bytes, archive " + std::to_string(a.archiveSize) + " bytes");
        }
        return true;
    }

    bool CopyLooseFiles(const fs::path& dir) {
        for (const std::string& name : d_.looseFiles) {
            std::string error;
            if (!CopyFileBytes(fs::path(d_.looseDir) / name, dir / name, error)) return Fail(error);
        }
        return true;
    }

    // A CD-ROM or staged medium: everything in one directory tree.
    bool Disc() {
        const fs::path archives = d_.archiveDir.empty() ? out_ : out_ / d_.archiveDir;
        if (!BuildArchives(archives) || !CopyLooseFiles(out_)) return false;
        std::string error;
        if (!WriteMediumTables(d_, nullptr, out_.string(), error)) return Fail(error);
        report_.push_back("medium \"" + d_.device.type + "\" written to " + out_.string());
        return true;
    }

    bool Diskettes() {
        const media::Diskettes& disks = *d_.diskettes;
        const fs::path work = out_ / "archives.tmp";
        if (!BuildArchives(work)) return false;
        std::vector<std::pair<std::string, uint32_t>> sizes;
        for (const Archive& a : d_.archives) sizes.emplace_back(a.name, a.archiveSize);
        DiskPlan plan;
        std::string error;
        if (!PlanDiskettes(sizes, 0, disks, plan, error))
            return Fail(DescriptionError(d_.file, "Diskettes", "Capacity", error));

        const fs::path first = out_ / "disk1";
        std::error_code ec;
        fs::create_directories(first, ec);
        if (ec) return Fail(first.string() + ": " + ec.message());
        if (!CopyLooseFiles(first) || !WriteMediumTables(d_, &plan, first.string(), error) ||
            !WriteVolumeId(first.string(), kInstallationDiskName, 1, disks.aux, error))
            return error.empty() ? false : Fail(error);
        const uint64_t used = FilesOnDisk(first, disks.cluster);
        if (used > disks.capacity)
            return Fail(DescriptionError(d_.file, "Diskettes", "Capacity",
                                         "the first diskette's files take " + std::to_string(used) +
                                             " bytes; a diskette holds " + std::to_string(disks.capacity)));
        report_.push_back("disk 1: installation files, " + std::to_string(used) + " bytes");

        for (uint32_t disk = 2; disk <= plan.diskCount; ++disk) {
            const fs::path dir = out_ / ("disk" + std::to_string(disk));
            fs::create_directories(dir, ec);
            if (ec) return Fail(dir.string() + ": " + ec.message());
            if (!WriteVolumeId(dir.string(), disks.diskName, disk, disks.aux, error)) return Fail(error);
            size_t runs = 0;
            for (const DiskPiece& p : plan.pieces) {
                if (p.disk != disk) continue;
                if (!CopyRun(work / p.archive, p.offset, p.length, dir / p.archive, error)) return Fail(error);
                ++runs;
            }
            report_.push_back("disk " + std::to_string(disk) + ": " + std::to_string(runs) + " archive runs, " +
                              std::to_string(plan.used[disk - 1]) + " bytes");
        }
        fs::remove_all(work, ec);
        report_.push_back("medium \"f\" written to " + out_.string() + " on " + std::to_string(plan.diskCount) +
                          " diskettes");
        return true;
    }

    fs::path out_;
    std::vector<std::string>& errors_;
    std::vector<std::string>& report_;
    Description d_;
};

}  // namespace

bool BuildMedium(const std::string& descriptionPath, const std::string& outDir, std::vector<std::string>& errors,
                 std::vector<std::string>& report) {
    return Build(outDir, errors, report).Run(descriptionPath);
}

int BuildCommand(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "vrnmedia: build needs DESCRIPTION and OUTDIR\n%s", kUsage);
        return 2;
    }
    std::vector<std::string> errors, report;
    const bool ok = BuildMedium(args[0], args[1], errors, report);
    for (const std::string& line : report) std::printf("%s\n", line.c_str());
    for (const std::string& e : errors) std::fprintf(stderr, "vrnmedia: %s\n", e.c_str());
    return ok ? 0 : 1;
}

}  // namespace vrn::media
