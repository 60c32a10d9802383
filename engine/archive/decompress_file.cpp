// Extraction of one archive: every member whose name matches the pattern is
// extracted (or, in testing mode, decoded and checked), the others are
// passed over by their stored size.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/archive/archive.h"
#include "engine/archive/decode_pool.h"
#include "engine/destination/destination.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "platform/links.h"
#include "runtime/files/files.h"

namespace vrn {

namespace {

void ReportCorrupted(const char* name) {
    std::string text = "The Installation Utility has detected that the '";
    text += name;
    text += "' file is corrupted.\n\nCall Varentis technical support.";
    if (_commandLineSwitch & SWITCH_BATCH) {
        FlushData(text.c_str());
    } else {
        MessageBeep(MB_BEEP_DEFAULT);
        MessageBox(_installWnd, text.c_str(), "Corrupted File", MB_ICONEXCLAMATION | MB_OK);
    }
}

// The number of directories a member name places below the destination:
// its pieces before the last, less those that name nothing (empty, ".", or
// only dots and blanks, which the platform drops from names).
int DirectoryDepth(const char* memberName) {
    int depth = 0;
    const char* piece = memberName;
    for (const char* p = memberName;; ++p) {
        if (!IsPathSeparator(*p) && *p != '\0') continue;
        if (*p == '\0') break;
        bool names = false;
        for (const char* q = piece; q < p; ++q)
            if (*q != '.' && *q != ' ') names = true;
        if (names) ++depth;
        piece = p + 1;
    }
    return depth;
}

// The naming pieces of `parent` past those it shares with `previous`, a
// directory made ready before it (pieces compared whole, by their text).
int PiecesBeyond(const std::string& previous, const char* parent) {
    size_t shared = 0;   // the end of the last whole piece both begin with
    for (size_t i = 0;; ++i) {
        const bool previousEnds = i == previous.size() || IsPathSeparator(previous[i]);
        const bool parentEnds = parent[i] == '\0' || IsPathSeparator(parent[i]);
        if (previousEnds && parentEnds) shared = i;
        if (i == previous.size() || parent[i] == '\0' || previous[i] != parent[i]) break;
    }
    std::string rest(parent + shared);
    rest += '\\';
    return DirectoryDepth(rest.c_str());
}

// While DecompressFile goes through an archive: the directory the last
// member was extracted into, once checked for links and created.
struct ReadyDirectoryMemo {
    bool active = false;
    std::string directory;
};
ReadyDirectoryMemo& ReadyDirectory() {
    static ReadyDirectoryMemo memo;
    return memo;
}

}  // namespace

void (*_memberDoneHook)(const char* archivePath, const ArchiveFileHeader* header) = nullptr;

int32_t DecompressFileData(int32_t fd, const char* archivePath, ArchiveFileHeader* header, const char* destinationDir,
                           const uint32_t* crcTable, uint8_t* skip, uint8_t testing) {
    *skip = 0;
    // A name that would land outside the destination is refused whole.
    if (IsSafeMemberName(header->fileName) == 0) return DisplayErrorMsg(_installWnd, header->fileName, 112);
    char path[ARCHIVE_PATH_SIZE];
    if (JoinMemberPath(destinationDir, header->fileName, path) == 0)
        return DisplayErrorMsg(_installWnd, header->fileName, 130);

    if (!testing) {
        char volumePath[ARCHIVE_PATH_SIZE];
        std::strncpy(volumePath, destinationDir, sizeof volumePath - 1);
        volumePath[sizeof volumePath - 1] = '\0';
        const double available = GetDiskSpaceInfo(volumePath);
        if (static_cast<double>(header->fileSize) > available) return DisplayErrorMsg(_installWnd, path, 148);
        // A symbolic link where one of the member's directories belongs is
        // removed, so that the directory is created in its place and nothing
        // is written through it. (A link where the file itself belongs is
        // replaced by the file layer's create.) Members of one directory
        // follow one another: the directory made ready for the member just
        // before is not checked again.
        char parent[ARCHIVE_PATH_SIZE];
        std::strcpy(parent, path);
        char* cut = std::strrchr(parent, '\\');
        char* slash = std::strrchr(parent, '/');
        if (slash != nullptr && (cut == nullptr || slash > cut)) cut = slash;
        if (cut != nullptr) *cut = '\0';
        ReadyDirectoryMemo& ready = ReadyDirectory();
        if (!ready.active || cut == nullptr || ready.directory != parent) {
            const std::string previous = std::move(ready.directory);
            ready.directory.clear();
            bool directoryFound = false;
            int depth = DirectoryDepth(header->fileName);
            // The directories it shares with the one made ready just before
            // were checked then: only those past them are looked at.
            if (!previous.empty()) depth = std::min(depth, PiecesBeyond(previous, parent));
            if (depth > 0 && cut != nullptr)
                if (!RemoveLinksBelow(parent, depth, &directoryFound)) return DisplayErrorMsg(_installWnd, parent, 110);
            // A directory just found in place leaves nothing to create.
            if (!directoryFound)
                if (const int32_t result = CreateDirectoryPath(path, CREATE_PATH_OF_FILE); result != 0) return result;
            if (cut != nullptr && ready.active) ready.directory = parent;
        }
    }

    // The next member begins after this one's stored bytes, whatever its
    // method read of them: an empty member's stream is not read at all, and
    // decoding ends once the file size is produced.
    const int64_t dataOffset = _lseek(fd, 0, SEEK_CUR);
    uint32_t crc = 0;
    int32_t result = 0;
    if (header->method == ARCHIVE_METHOD_STORED)
        result = UnstoreData(fd, archivePath, header, destinationDir, &crc, crcTable, skip, testing);
    else if (header->method == ARCHIVE_METHOD_COMPRESSED)
        result = DecompressData(fd, archivePath, header, destinationDir, &crc, crcTable, skip, testing);
    else
        return RESULT_STOP;
    if (result != 0) return result;
    if (*skip) return 0;
    const int64_t next = dataOffset + header->storedSize;
    if (dataOffset >= 0 && _lseek(fd, 0, SEEK_CUR) != next && _lseek(fd, next, SEEK_SET) < 0)
        return ProcessFileError(nullptr, errno, 107, archivePath);

    if (crc != header->dataCRC) {
        ReportCorrupted(testing ? header->fileName : path);
        return RESULT_STOP;
    }
    if (!testing) ChangeFileDateTime(header, destinationDir);
    return 0;
}

int32_t DecompressFile(const char* pattern, const char* archivePath, const char* destinationDir, uint8_t testing) {
    uint32_t crcTable[CRC_TABLE_SIZE];
    BuildCRCTable(crcTable, CRC_TABLE_SIZE);

    const int32_t fd = utopendll(archivePath, _O_RDONLY | _O_BINARY, -1, 0, _pgc);
    if (fd < 0) return ProcessFileError(nullptr, errno, 103, archivePath);
    UtDescriptor archive(fd);
    // Headers and small members are then read without a host call each.
    SetDescriptorReadAhead(fd, ARCHIVE_READ_AHEAD);
    // What lives for one pass over the archive: the directory memo and the
    // decoding threads, both ended before the archive is closed, whichever
    // way this returns.
    struct ArchivePass {
        ~ArchivePass() {
            StopDecodePool();
            ReadyDirectory() = {};
        }
    } pass;
    ReadyDirectory() = {true, {}};
    StartDecodePool(fd, pattern, crcTable, testing, DecodeThreadCount(testing));

    ArchiveFileHeader header;
    int32_t error = 0;
    int32_t result = 0;
    while (ReadFileHeaderData(&header, fd, archivePath, crcTable, &error) != 0) {
        uint8_t skip = 0;
        if (MatchFileName(pattern, header.fileName) != 0) {
            result = DecompressFileData(fd, archivePath, &header, destinationDir, crcTable, &skip, testing);
            if (result != 0) break;
            // A damaged member was given up: the rest of this archive is too.
            if (skip) return 0;
            if (_memberDoneHook != nullptr) _memberDoneHook(archivePath, &header);
        } else if (_lseek(fd, header.storedSize, SEEK_CUR) < 0) {
            return ProcessFileError(nullptr, errno, 107, archivePath);
        }
    }
    return result != 0 ? result : error;
}

}  // namespace vrn
