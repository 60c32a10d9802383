// vrnmedia build: the archives, the loose files, the tables and, for
// diskettes, the disk directories, in that order.
#include <cstdio>

#include "tools/common/host_files.h"
#include "tools/vrnmedia/build.h"

namespace vrn::media {

namespace {

constexpr char kUsage[] =
    "usage: vrnmedia build DESCRIPTION OUTDIR\n"
    "Builds the installation medium that DESCRIPTION (a medium description) tells\n"
    "of into OUTDIR, which must be absent or empty: the archives, install.tab and\n"
    "the other tables, the loose files, and for diskettes the disk directories\n"
    "disk1, disk2, ... with their volume.id and layout.tab.\n"
    "Exit status: 0 built, 1 a mistake in the description or a failure, 2 usage.\n";

uint64_t FilesOnDisk(const std::string& dir, uint32_t cluster) {
    uint64_t used = 0;
    std::vector<host::Entry> entries;
    std::string error;
    host::List(dir, entries, error);
    for (const host::Entry& e : entries) {
        host::Info info;
        if (e.kind == host::Kind::File && host::Stat(e.path, info, error)) used += RoundToCluster(info.size, cluster);
    }
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
        const host::Kind kind = host::KindOf(out_);
        if (kind != host::Kind::Missing) {
            if (kind != host::Kind::Directory) return Fail(out_ + ": not a directory");
            if (!host::IsEmptyDirectory(out_))
                return Fail(out_ + ": not empty; a medium is built into an empty directory");
        }
        std::string error;
        return host::CreateDirectories(out_, error) || Fail(error);
    }

    // Everything in the output directory is the build's own: it was empty.
    void Clean() {
        std::vector<host::Entry> entries;
        std::string error;
        host::List(out_, entries, error);
        for (const host::Entry& e : entries) host::RemoveTree(e.path);
    }

    bool BuildArchives(const std::string& dir) {
        std::string error;
        if (!host::CreateDirectories(dir, error)) return Fail(error);
        for (Archive& a : d_.archives) {
            if (!WriteArchive(a, d_.fileTime, host::Join(dir, a.name), error)) return Fail(error);
            uint64_t bytes = 0;
            for (const SourceFile& f : a.files) bytes += f.size;
            report_.push_back(a.name + ": " + std::to_string(a.files.size()) + " files, " + std::to_string(bytes) +
                              " bytes, archive " + std::to_string(a.archiveSize) + " bytes");
        }
        return true;
    }

    bool CopyLooseFiles(const std::string& dir) {
        for (const std::string& name : d_.looseFiles) {
            std::string error;
            if (!host::CopyFile(host::Join(d_.looseDir, name), host::Join(dir, name), error)) return Fail(error);
        }
        return true;
    }

    // A CD-ROM or staged medium: everything in one directory tree.
    bool Disc() {
        const std::string archives = d_.archiveDir.empty() ? out_ : host::Join(out_, d_.archiveDir);
        if (!BuildArchives(archives) || !CopyLooseFiles(out_)) return false;
        std::string error;
        if (!WriteMediumTables(d_, nullptr, out_, error)) return Fail(error);
        report_.push_back("medium \"" + d_.device.type + "\" written to " + out_);
        return true;
    }

    bool Diskettes() {
        const media::Diskettes& disks = *d_.diskettes;
        const std::string work = host::Join(out_, "archives.tmp");
        if (!BuildArchives(work)) return false;
        std::vector<std::pair<std::string, uint32_t>> sizes;
        for (const Archive& a : d_.archives) sizes.emplace_back(a.name, a.archiveSize);
        DiskPlan plan;
        std::string error;
        if (!PlanDiskettes(sizes, 0, disks, plan, error))
            return Fail(DescriptionError(d_.file, "Diskettes", "Capacity", error));

        const std::string first = host::Join(out_, "disk1");
        if (!host::CreateDirectories(first, error)) return Fail(error);
        if (!CopyLooseFiles(first) || !WriteMediumTables(d_, &plan, first, error) ||
            !WriteVolumeId(first, kInstallationDiskName, 1, disks.aux, error))
            return error.empty() ? false : Fail(error);
        const uint64_t used = FilesOnDisk(first, disks.cluster);
        if (used > disks.capacity)
            return Fail(DescriptionError(d_.file, "Diskettes", "Capacity",
                                         "the first diskette's files take " + std::to_string(used) +
                                             " bytes; a diskette holds " + std::to_string(disks.capacity)));
        report_.push_back("disk 1: installation files, " + std::to_string(used) + " bytes");

        for (uint32_t disk = 2; disk <= plan.diskCount; ++disk) {
            const std::string dir = host::Join(out_, "disk" + std::to_string(disk));
            if (!host::CreateDirectories(dir, error)) return Fail(error);
            if (!WriteVolumeId(dir, disks.diskName, disk, disks.aux, error)) return Fail(error);
            size_t runs = 0;
            for (const DiskPiece& p : plan.pieces) {
                if (p.disk != disk) continue;
                if (!host::CopyRun(host::Join(work, p.archive), p.offset, p.length, host::Join(dir, p.archive), error))
                    return Fail(error);
                ++runs;
            }
            report_.push_back("disk " + std::to_string(disk) + ": " + std::to_string(runs) + " archive runs, " +
                              std::to_string(plan.used[disk - 1]) + " bytes");
        }
        host::RemoveTree(work);
        report_.push_back("medium \"f\" written to " + out_ + " on " + std::to_string(plan.diskCount) +
                          " diskettes");
        return true;
    }

    std::string out_;
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
