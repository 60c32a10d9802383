// Archive extraction: the archive layout with its masked member headers and
// CRC-32 checks, member selection by name pattern, the stored and compressed
// methods, the shared read/write buffer, the damaged-member rules, testing
// mode and the restoring of file times.
#pragma once

#include <cstdint>

namespace vrn {

struct ProductNode;

// ---------------------------------------------------------------------------
// Archive layout
// ---------------------------------------------------------------------------

// A member is a 539-byte header followed by its data; members follow one
// another from offset 0 to the end of the archive.
inline constexpr uint32_t ARCHIVE_HEADER_SIZE = 539;
inline constexpr uint32_t ARCHIVE_NAME_SIZE = 510;
// Every header byte is stored XORed with this mask.
inline constexpr uint8_t ARCHIVE_HEADER_MASK = 0x6B;
// Offsets of the fields in the header.
inline constexpr uint32_t ARCHIVE_OFFSET_STORED_SIZE = 510;
inline constexpr uint32_t ARCHIVE_OFFSET_FILE_SIZE = 514;
inline constexpr uint32_t ARCHIVE_OFFSET_DATA_CRC = 518;
inline constexpr uint32_t ARCHIVE_OFFSET_RESERVED = 522;
inline constexpr uint32_t ARCHIVE_OFFSET_ACCESS_TIME = 526;
inline constexpr uint32_t ARCHIVE_OFFSET_MODIFICATION_TIME = 530;
inline constexpr uint32_t ARCHIVE_OFFSET_METHOD = 534;
inline constexpr uint32_t ARCHIVE_OFFSET_HEADER_CRC = 535;
// The header CRC covers the masked bytes before it.
inline constexpr uint32_t ARCHIVE_HEADER_CRC_SPAN = 535;

// Methods.
inline constexpr int8_t ARCHIVE_METHOD_STORED = 1;
inline constexpr int8_t ARCHIVE_METHOD_COMPRESSED = 2;

// Compressed stream: 4,096-byte window, first byte written at position 1,
// references of 2 to 17 bytes.
inline constexpr uint32_t LZSS_WINDOW_SIZE = 4096;
inline constexpr uint32_t LZSS_WINDOW_START = 1;
inline constexpr uint32_t LZSS_MIN_MATCH = 2;
inline constexpr uint32_t LZSS_MAX_MATCH = 17;

// Data moves through buffers of at most this size, backing off by the step
// while the heap refuses.
inline constexpr uint32_t RW_BUFFER_MAX = 61440;
inline constexpr uint32_t RW_BUFFER_STEP = 2048;

// The archive is read through a read-ahead buffer of this size.
inline constexpr uint32_t ARCHIVE_READ_AHEAD = 65536;

// CRC-32 (reflected 0xEDB88320, initial 0xFFFFFFFF, final complement).
inline constexpr uint32_t CRC32_POLYNOMIAL = 0xEDB88320u;
inline constexpr uint32_t CRC32_INITIAL = 0xFFFFFFFFu;
inline constexpr int32_t CRC_TABLE_SIZE = 256;

// The member header in memory, unmasked.
struct ArchiveFileHeader {
    char fileName[ARCHIVE_NAME_SIZE] = {};
    uint32_t storedSize = 0;
    uint32_t fileSize = 0;
    uint32_t dataCRC = 0;
    uint32_t reserved = 0;
    uint32_t accessTime = 0;
    uint32_t modificationTime = 0;
    int8_t method = 0;
    uint32_t headerCRC = 0;
};

// ---------------------------------------------------------------------------
// Extraction
// ---------------------------------------------------------------------------

// Extracts every member whose name matches `pattern` into destinationDir
// (testing != 0: decodes and checks without writing). 0, or the failing
// step's result (already reported).
int32_t DecompressFile(const char* pattern, const char* archivePath, const char* destinationDir, uint8_t testing);

// When set, DecompressFile tells it of every member it has extracted (or,
// testing, checked) whole, after the member's data CRC agreed: the
// installer's progress display. Null by default.
extern void (*_memberDoneHook)(const char* archivePath, const ArchiveFileHeader* header);

// Reads and checks the next member header: 1 when one was read; 0 at the end
// of the archive (error 0) or on failure (error set).
int32_t ReadFileHeaderData(ArchiveFileHeader* header, int32_t fd, const char* archivePath, const uint32_t* crcTable,
                           int32_t* error);

// Unmasks a member header's 539 bytes as they lie in the archive into
// `header`: 1 when the header CRC agrees, else 0.
int32_t UnmaskFileHeader(const uint8_t* raw, ArchiveFileHeader* header, const uint32_t* crcTable);
// The reverse, for the tools that build archives: the 539 bytes of `header`
// as they lie in the archive, its header CRC computed and stored in both.
void MaskFileHeader(ArchiveFileHeader* header, uint8_t* raw, const uint32_t* crcTable);
// Sets a header's name: at most ARCHIVE_NAME_SIZE - 1 bytes of `name`, the
// rest of the field zero.
void SetMemberName(ArchiveFileHeader* header, const char* name);

// Extracts the member whose header has just been read; `skip` is set to 1 when
// the user chose to skip a damaged member.
int32_t DecompressFileData(int32_t fd, const char* archivePath, ArchiveFileHeader* header, const char* destinationDir,
                           const uint32_t* crcTable, uint8_t* skip, uint8_t testing);

// Method 1 (stored) and method 2 (compressed); crc receives the complemented
// CRC of the bytes produced.
int32_t UnstoreData(int32_t fd, const char* archivePath, ArchiveFileHeader* header, const char* destinationDir,
                    uint32_t* crc, const uint32_t* crcTable, uint8_t* skip, uint8_t testing);
int32_t DecompressData(int32_t fd, const char* archivePath, ArchiveFileHeader* header, const char* destinationDir,
                       uint32_t* crc, const uint32_t* crcTable, uint8_t* skip, uint8_t testing);

// Writes a full output buffer of the compressed method: 1 to go on, or 0 with
// result set (0 after a skip, 65535 to stop). `crc` receives the header's CRC
// when the member is skipped.
int32_t FlushRWBuffer(int32_t outFd, const uint8_t* buffer, uint32_t count, const ArchiveFileHeader* header,
                      const char* path, uint32_t* crc, uint8_t* skip, int32_t* result, uint8_t testing);

// Allocates _pReadWriteBuffer with at most min(size, 61,440) bytes, backing
// off by 2,048; allocated receives its length. 0, or message 601's result.
int32_t AllocGlobalRWBuffer(uint32_t size, uint32_t* allocated);

// Gives the extracted file the header's access and modification times.
int32_t ChangeFileDateTime(const ArchiveFileHeader* header, const char* destinationDir);

// CRC routines. CalculateBlockCRC32 returns the CRC updated over the block.
void BuildCRCTable(uint32_t* table, int32_t count);
uint32_t CalculateBlockCRC32(const uint8_t* data, uint32_t length, uint32_t crc, const uint32_t* table);

// 1 if the name matches the pattern ('?' one character, '*' any run), else 0.
int32_t MatchFileName(const char* pattern, const char* name);

// ---------------------------------------------------------------------------
// Shared by the extraction routines
// ---------------------------------------------------------------------------

// Room for a destination directory joined with a member name.
inline constexpr uint32_t ARCHIVE_PATH_SIZE = 1024;

// Joins the destination directory and a member name into `out` (of
// ARCHIVE_PATH_SIZE bytes): 1, or 0 when the joined path would not fit.
int32_t JoinMemberPath(const char* destinationDir, const char* memberName, char* out);

// Sets the marker flag of a member name, if it is one of the marker files.
void SetMarkerFileFlags(const char* memberName);

// IsSafeMemberName (engine/state/state.h) tells whether a member name stays
// inside the destination.

// Creates (or replaces) a member's output file at `path`, permission octal
// 600; a symbolic link standing there is replaced by the file, never written
// through (DecompressFileData has removed links standing for its
// directories). The descriptor, or -1 with the failure reported and its
// result in *result.
int32_t CreateMemberFile(const char* path, int32_t* result);

// The damaged-member rule: frees `buffers`, closes and (unless testing)
// deletes the output file, then asks whether to stop. 65535 to stop; 0 after
// a skip, with the header's CRC stored and the skip flag set.
int32_t HandleDamagedMember(int32_t outFd, const char* path, const ArchiveFileHeader* header, uint32_t* crc,
                            uint8_t* skip, uint8_t testing, void* buffers[], int bufferCount);

// ---------------------------------------------------------------------------
// Decoding threads
// ---------------------------------------------------------------------------

// While DecompressFile goes through an archive, this many threads decode its
// compressed members ahead of it, in parallel, while it writes (or, testing,
// checks) the earlier ones; 0 decodes every member in the extracting thread.
// What is written, asked and reported is the same either way, and so is the
// order: the threads report nothing, and the extraction takes the members
// in the archive's order. DECODE_THREADS_DEFAULT: the number the environment
// variable VRN_THREADS gives, else one thread per processor in all, at most
// DECODE_THREADS_DEFAULT_MAX: while testing, that many decoding threads
// (the extracting thread only checks what they decode); while extracting,
// one fewer (at least one), the extracting thread, which writes every file,
// taking a processor of its own.
inline constexpr uint32_t DECODE_THREADS_DEFAULT = 0xFFFFFFFFu;
inline constexpr uint32_t DECODE_THREADS_DEFAULT_MAX = 8;
inline constexpr uint32_t DECODE_THREADS_MAX = 64;
extern uint32_t _decodeThreads;
// The number of decoding threads _decodeThreads stands for, testing or
// extracting.
uint32_t DecodeThreadCount(uint8_t testing = 1);

// ---------------------------------------------------------------------------
// The medium's own loose files and the plain copy routines
// ---------------------------------------------------------------------------

struct DeviceRecord;

// Checks that the medium's own files are present and readable (with
// diskettes = 1 also layout.tab and volume.id); nothing is checked with -u.
// 0, or 65535 after one report listing every missing file.
int32_t CheckInstallFiles(const char* sourceDir, uint8_t diskettes, int32_t reserved);
// Copies the medium's loose files into the destination; on diskettes first
// makes sure the first installation disk is in the drive. With readmeOnly
// only the release notes are copied. 0, or the failing step's result.
int32_t CopyInstallFiles(const char* sourceDir, const char* destinationDir, const DeviceRecord* deviceRecord,
                         uint8_t readmeOnly);
// Copies one file; mode is _O_BINARY or _O_TEXT. 0, 65535 when an old
// destination cannot be deleted, or the result of the reported message.
int32_t FileCopy(const char* source, const char* destination, int32_t mode);
// Copies the plain files of one directory (not its subdirectories); 0.
int32_t CopyDir(const char* sourceDir, const char* destinationDir);

// ---------------------------------------------------------------------------
// Archive explosion
// ---------------------------------------------------------------------------

// The product numbers configured for this installation: the caller points
// _configuredProducts at an array of _configuredProductCount numbers before
// ExplodeArchives runs (the installer passes the numbers of every product on
// the medium that the user may install, which is what the response file or
// the product screen offered). ExplodeArchives only reads them, to tell
// whether a Kestrel message-queue adapter product is part of the
// installation (_bIsKestrelAdapterInstalled). Left null, no product is
// configured.
extern const int32_t* _configuredProducts;
extern uint32_t _configuredProductCount;

// The directory under the destination that holds the staged archives of a
// medium other than a CD-ROM.
inline constexpr char STAGED_ARCHIVE_DIR[] = "XXARCSXX";
// At most this many distinct archive names are handled in one walk.
inline constexpr int32_t ARCHIVE_LIST_MAX = 256;

// Records the chosen tree in destinationDir's installd.ini and extracts each
// needed archive once: from archiveDir on a CD-ROM, else from the staged
// XXARCSXX directory under the destination, each staged archive deleted
// after its extraction. finalDir (empty: none) becomes current at the end on
// media other than a CD-ROM. 0, 65535, or the failed step's result.
int32_t ExplodeArchives(const char* finalDir, const char* destinationDir, const char* archiveDir,
                        ProductNode* products);

// The bounded list of names already handled: 1 when the symbol is in the
// list, 0 after appending a heap copy (count raised), -1 when the list holds
// `maximum` entries (the overflow box is shown once per list; a count of 0
// starts a new list).
int32_t SymbolInList(const char* symbol, char** list, int32_t* count, int32_t maximum);
// Frees the heap copies of a list and sets its count to 0.
void FreeSymbolList(char** list, int32_t* count);

// Per-cluster-size space totals.
inline constexpr int32_t GENARC_START = 100;
inline constexpr int32_t GENARC_ADD_FILE = 101;
inline constexpr int32_t GENARC_ADD_CLUSTERS = 102;
inline constexpr int32_t GENARC_END = 103;
// The text operation 102 produces: eight decimal totals joined by ';'.
inline constexpr uint32_t GENARC_TEXT_SIZE = 89;
int32_t GenArcSize(int32_t operation, uint32_t value, uint32_t reserved, char* out);

// Replaces the executables of destinationDir\bin by their ZOV variants where
// both exist, and copies destinationDir\vrnbuild\asian into vrnbuild\4gl
// when that directory exists. Always 0.
int32_t moveZOVFiles(const char* destinationDir);

}  // namespace vrn
