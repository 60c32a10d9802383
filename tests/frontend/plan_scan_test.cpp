// The plan's walk of an archive's member headers: every member counted once
// whether its header lies inside one read or across two, and a bad or cut
// header making the archive unreadable.
#include <cstdio>
#include <string>
#include <vector>

#include "frontend/installer.h"
#include "tests/support/test_support.h"
#include "tools/vrnarc/archive_writer.h"

namespace vrn {
namespace {

class PlanScanTest : public test::TempDrives {
protected:
    // Writes root/C/<name> with `count` members of varied sizes, one large
    // one in the middle; returns the bytes of every member in `bytes`.
    void WriteArchive(const std::string& name, int count, uint64_t& bytes, std::vector<std::string>& names) {
        std::FILE* f = std::fopen((root + "/C/" + name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        bytes = 0;
        for (int i = 0; i < count; ++i) {
            const size_t size = i == count / 2 ? 300000 : static_cast<size_t>(i * 37 % 2500);
            std::vector<uint8_t> data(size);
            for (size_t k = 0; k < size; ++k) data[k] = static_cast<uint8_t>((k * 7 + i) % 251 ^ (k >> 5));
            arc::MemberOptions options;
            options.store = i % 3 == 0;
            const std::string member = "dir\\file" + std::to_string(i) + ".bin";
            std::string error;
            ASSERT_TRUE(arc::WriteMember(f, member, data.data(), size, 1, 2, options, nullptr, error)) << error;
            bytes += size;
            names.push_back(member);
        }
        std::fclose(f);
    }
};

TEST_F(PlanScanTest, EveryHeaderIsCountedOnceAndABadOrCutOneMakesTheArchiveUnreadable) {
    uint64_t bytes = 0;
    std::vector<std::string> names;
    WriteArchive("a.arc", 400, bytes, names);
    const installer::ArchiveSummary whole = installer::ScanArchive("a.arc", "C:\\a.arc");
    EXPECT_TRUE(whole.readable);
    EXPECT_EQ(whole.members, 400u);
    EXPECT_EQ(whole.bytes, bytes);
    EXPECT_EQ(whole.memberNames, names);

    // One byte of the 250th header changed: the walk stops there.
    std::string archive = ReadHostFile(root + "/C/a.arc");
    size_t at = 0;
    for (int i = 0; i < 250; ++i) {
        ArchiveFileHeader h;
        ASSERT_EQ(UnmaskFileHeader(reinterpret_cast<const uint8_t*>(archive.data() + at), &h, arc::CRCTable()), 1);
        at += ARCHIVE_HEADER_SIZE + h.storedSize;
    }
    std::string damaged = archive;
    damaged[at + 100] = static_cast<char>(damaged[at + 100] ^ 1);
    WriteHostFile(root + "/C/b.arc", damaged);
    const installer::ArchiveSummary bad = installer::ScanArchive("b.arc", "C:\\b.arc");
    EXPECT_FALSE(bad.readable);
    EXPECT_EQ(bad.members, 250u);

    // Cut inside the last header, and just after a whole member.
    size_t last = 0;
    for (size_t next = 0; next < archive.size();) {
        ArchiveFileHeader h;
        UnmaskFileHeader(reinterpret_cast<const uint8_t*>(archive.data() + next), &h, arc::CRCTable());
        last = next;
        next += ARCHIVE_HEADER_SIZE + h.storedSize;
    }
    WriteHostFile(root + "/C/c.arc", archive.substr(0, last + 300));
    const installer::ArchiveSummary cut = installer::ScanArchive("c.arc", "C:\\c.arc");
    EXPECT_FALSE(cut.readable);
    EXPECT_EQ(cut.members, 399u);
    WriteHostFile(root + "/C/d.arc", archive.substr(0, last));
    const installer::ArchiveSummary shorter = installer::ScanArchive("d.arc", "C:\\d.arc");
    EXPECT_TRUE(shorter.readable);
    EXPECT_EQ(shorter.members, 399u);

    const installer::ArchiveSummary missing = installer::ScanArchive("e.arc", "C:\\e.arc");
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(missing.members, 0u);
}

}  // namespace
}  // namespace vrn
