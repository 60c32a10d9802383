// The archives of a medium: their files, their cluster-size figures and the
// archive files themselves.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/archive/archive.h"
#include "tools/common/host_files.h"
#include "tools/vrnarc/member_pool.h"
#include "tools/vrnmedia/build.h"

namespace vrn::media {

bool ClusterSizesOf(const std::vector<uint64_t>& fileSizes, ClusterFigures& out) {
    bool fits = true;
    for (int i = 0; i < kClusterClasses; ++i) {
        const uint64_t cluster = 512ull << i;
        uint64_t total = 0;
        for (uint64_t size : fileSizes) total += (size + cluster - 1) / cluster * cluster;
        fits = fits && total <= 0xFFFFFFFFull;
        out[i] = static_cast<uint32_t>(std::min<uint64_t>(total, 0xFFFFFFFFull));
    }
    return fits;
}

namespace {

uint32_t ClampTime(int64_t t) {
    if (t < 0) return 0;
    return t > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(t);
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Every regular file below `dir`, in name order, named relative to `base`.
void ListTree(const Description& d, const Archive& a, const std::string& base, const std::string& dir,
              std::vector<SourceFile>& files, std::vector<std::string>& errors) {
    std::vector<host::Entry> entries;
    std::string error;
    if (!host::List(dir, entries, error)) {
        errors.push_back(DescriptionError(d.file, a.section, "Source", error));
        return;
    }
    for (const host::Entry& entry : entries) {
        if (entry.kind == host::Kind::Directory && !entry.isLink) {
            ListTree(d, a, base, entry.path, files, errors);
            continue;
        }
        if (entry.kind != host::Kind::File) {
            errors.push_back(DescriptionError(d.file, a.section, "Source", entry.path + " is not a regular file"));
            continue;
        }
        host::Info info;
        if (!host::Stat(entry.path, info, error)) {
            errors.push_back(DescriptionError(d.file, a.section, "Source", error));
            continue;
        }
        SourceFile f;
        f.hostPath = entry.path;
        f.memberName = arc::MemberNameOf(host::RelativeTo(entry.path, base));
        f.size = info.size;
        f.accessTime = ClampTime(info.accessTime);
        f.modificationTime = ClampTime(info.modificationTime);
        if (f.memberName.size() >= ARCHIVE_NAME_SIZE) {
            errors.push_back(DescriptionError(d.file, a.section, "Source",
                                              "the member name " + f.memberName + " is longer than " +
                                                  std::to_string(ARCHIVE_NAME_SIZE - 1) + " characters"));
            continue;
        }
        if (f.size > 0xFFFFFFFFull) {
            errors.push_back(DescriptionError(d.file, a.section, "Source", f.hostPath + " is 4 GiB or larger"));
            continue;
        }
        files.push_back(std::move(f));
    }
}

void CheckTailored(const Description& d, const std::string& section, const std::vector<std::string>& tailor,
                   const std::string& archiveName, std::vector<std::string>& errors) {
    const Archive* a = d.FindArchive(archiveName);
    if (a == nullptr) return;
    for (const std::string& path : tailor) {
        bool found = false;
        for (const SourceFile& f : a->files) found = found || Lower(f.memberName) == Lower(path);
        if (!found)
            errors.push_back(DescriptionError(d.file, section, "Tailor",
                                              "\"" + path + "\" is not a file of archive " + archiveName));
    }
}

}  // namespace

void ListArchiveSources(Description& d, std::vector<std::string>& errors) {
    for (Archive& a : d.archives) {
        a.files.clear();
        if (!host::IsDirectory(a.sourceDir)) continue;   // already reported
        const size_t before = errors.size();
        ListTree(d, a, a.sourceDir, a.sourceDir, a.files, errors);
        if (errors.size() == before && a.files.empty())
            errors.push_back(DescriptionError(d.file, a.section, "Source", a.sourceDir + " holds no files"));
        std::vector<uint64_t> sizes;
        for (const SourceFile& f : a.files) sizes.push_back(f.size);
        if (!ClusterSizesOf(sizes, a.clusterSizes))
            errors.push_back(DescriptionError(d.file, a.section, "Source",
                                              "the files take more than 4 GiB on large clusters"));
    }
    for (const Component& c : d.components) {
        CheckTailored(d, c.section, c.tailor, c.archive, errors);
        for (const Subcomponent& s : c.subcomponents) CheckTailored(d, s.section, s.tailor, s.archive, errors);
    }
}

bool WriteArchive(Archive& a, const std::optional<uint32_t>& fileTime, const std::string& hostPath,
                  std::string& error) {
    std::FILE* out = std::fopen(hostPath.c_str(), "wb");
    if (out == nullptr) {
        error = hostPath + ": " + std::strerror(errno);
        return false;
    }
    arc::MemberOptions options;
    options.store = a.compression == Compression::Store;
    options.level = a.compression == Compression::Best ? arc::CompressionLevel::Best : arc::CompressionLevel::Fast;
    // The members are made on the decoding threads' number of threads and
    // written in order; the first failure in that order is the one told.
    bool ok = true;
    arc::MemberPool pool(DecodeThreadCount(), options, arc::MemberPool::kDefaultBudget,
                         [&](arc::MadeMember* made, const std::string& note, bool) {
                             if (!ok) return;
                             if (made == nullptr) {
                                 error = note;
                                 ok = false;
                             } else if (!arc::WriteMadeMember(out, *made, options, nullptr, error)) {
                                 error = hostPath + ": " + error;
                                 ok = false;
                             }
                         });
    for (const SourceFile& f : a.files) {
        pool.MakeRoom(f.size);
        std::FILE* in = std::fopen(f.hostPath.c_str(), "rb");
        if (in == nullptr) {
            pool.Note(f.hostPath + ": " + std::strerror(errno), true);
            break;
        }
        arc::MemberInput member;
        member.data.resize(f.size);
        const size_t got = member.data.empty() ? 0 : std::fread(member.data.data(), 1, member.data.size(), in);
        const bool grew = std::fgetc(in) != EOF;
        std::fclose(in);
        if (got != member.data.size() || grew) {
            pool.Note(f.hostPath + ": changed while the archive was built", true);
            break;
        }
        member.name = f.memberName;
        member.accessTime = fileTime ? *fileTime : f.accessTime;
        member.modificationTime = fileTime ? *fileTime : f.modificationTime;
        pool.Add(std::move(member));
    }
    pool.Finish();
    const long size = std::ftell(out);
    if (std::fclose(out) != 0 && ok) {
        error = hostPath + ": cannot write the archive";
        ok = false;
    }
    if (ok && (size < 0 || static_cast<unsigned long>(size) > 0xFFFFFFFFul)) {
        error = hostPath + ": the archive is 4 GiB or larger";
        ok = false;
    }
    if (!ok) {
        std::remove(hostPath.c_str());
        return false;
    }
    a.archiveSize = static_cast<uint32_t>(size);
    return true;
}

}  // namespace vrn::media
