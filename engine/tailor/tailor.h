// Tailoring of installed files: tag substitution in one text file, the
// tailoring pass over the chosen components and subcomponents, the saving of
// the user's configuration files, and the test for the messenger component.
#pragma once

#include <cstdint>
#include <string>

namespace vrn {

struct ProductNode;
struct ComponentNode;
struct SubcomponentNode;
struct TailorRecord;

// ---------------------------------------------------------------------------
// Tag substitution
// ---------------------------------------------------------------------------

// A marker of the tag table. Line tags replace the rest of their line by the
// destination directory; bracket tags are replaced where they stand.
struct TailorTag {
    const char* marker;
    uint32_t length;
    bool lineTag;
};

// The tag table: at each position of a line the markers are tried in this
// order, each matching only the exact text (case counts).
inline constexpr int32_t TAILOR_TAG_COUNT = 21;
extern const TailorTag _tailorTags[TAILOR_TAG_COUNT];

// Lines are read in pieces of at most TAILOR_LINE_SIZE - 1 characters with
// their line feed; a longer line is converted piece by piece.
inline constexpr int32_t TAILOR_LINE_SIZE = 500;
// Room for the short form of the destination directory.
inline constexpr uint32_t TAILOR_SHORT_PATH_SIZE = 510;
// Converted text is written in blocks of about this size.
inline constexpr uint32_t TAILOR_WRITE_BLOCK = 61440;
// The tailored copy is written out to the volume in steps of this size.
inline constexpr uint32_t TAILOR_WRITE_BEHIND = 2u << 20;
// The file that receives a file's tailored text, in the file's directory.
inline constexpr char TAILOR_TEMPORARY_NAME[] = "tlrxxxxx.tmp";

// Set while the file being tailored is the environment batch file (its path
// holds "vrnenv.bat"): its line tags then write the short (8.3) form of the
// destination directory, which batch commands can take without quotes.
extern uint32_t _bIsVrnenvBatFile;

// Appends the converted text of one zero-terminated line (or piece of a
// long line) to `output`. Every marker is replaced by its value: the bracket
// tags by the directories and national-language texts of the installation
// state, "[[install-dir]]" and "[[jfc-home]]" from installDir; the line tags
// by the marker and _destinationPath (its short form while
// _bIsVrnenvBatFile is set, the long form when no short form can be had),
// dropping the rest of the line up to its line feed. A replacement is never
// scanned again; text matching no marker is copied unchanged. The output
// grows as needed, so a line that replacements lengthen is kept whole.
void ConvertBuffer(const char* input, std::string& output, const char* installDir);

// Rewrites one file with every line converted. The tailored text goes to
// tlrxxxxx.tmp in the file's directory, which must not exist yet, and takes
// the file's place in one rename only when all of it has been written; on
// any failure the file is left as it was. 0, or the result of the one report:
// 103 the file cannot be opened, 102 the temporary file cannot be created,
// 105 a write or the final rename failed, 106 a read failed (the temporary
// file then stays), 110 the file cannot be replaced (it is read-only).
int32_t ModifyFile(const char* filePath, const char* installDir);
// Tailors one file: ModifyFile(filePath, installDir).
int32_t ProcessTailor(const char* filePath, const char* installDir);
// The tailoring pass's entry for one file; variableName plays no part.
int32_t TailorVarentisFiles(const char* variableName, const char* installDir, const char* filePath);

// ---------------------------------------------------------------------------
// The tailoring pass
// ---------------------------------------------------------------------------

// The tailor table's kind of entry whose file gets tag substitution.
inline constexpr uint16_t TAILOR_KIND_TAGS = 1;
// The record of installed products, tailored at the end of every pass.
inline constexpr char TAILOR_RECORD_FILE[] = "installd.ini";

// Tailors the files the tailor table lists for every chosen component
// without subcomponents and every chosen subcomponent of the chosen SKUs of
// the chosen products, each not yet marked tailored; the tailored mark is
// then set on every node of the tree that shares its archive, so that a
// shared archive's files are tailored once. Last, destDir\installd.ini is
// tailored. Interactive runs stop at the first failure and return it (the
// record is then not tailored); batch runs pass failures over and return 0.
int32_t TailorFiles(const char* destDir, ProductNode* products, const TailorRecord* tailorTable,
                    uint32_t tailorCount, int32_t reserved);

// Tailors the files listed for one component or subcomponent (its name
// without the " (m)" mark): every entry of that name, in table order, whose
// kind is TAILOR_KIND_TAGS. A listed path must stay inside destDir (else
// message 112 with the path, and nothing is touched). 0, or the first
// failure.
int32_t ProcessTailorFiles(const ComponentNode* node, const char* destDir, const TailorRecord* tailorTable,
                           uint32_t tailorCount, int32_t reserved);
int32_t ProcessTailorFiles(const SubcomponentNode* node, const char* destDir, const TailorRecord* tailorTable,
                           uint32_t tailorCount, int32_t reserved);

// Sets the tailored mark on every component (subcomponent) of the whole tree,
// chosen or not, whose archive name is the given node's, and on the node.
void UpdateCompTailorFlags(ProductNode* products, ComponentNode* component);
void UpdateSubcompTailorFlags(ProductNode* products, SubcomponentNode* subcomponent);

// ---------------------------------------------------------------------------
// Saved configuration files and the messenger component
// ---------------------------------------------------------------------------

// The configuration files kept before new ones are installed over them,
// relative to the installation directory, and the ending of a kept copy.
inline constexpr int32_t SAVED_FILE_COUNT = 4;
extern const char* const _savedVarentisFiles[SAVED_FILE_COUNT];
inline constexpr char SAVED_FILE_SUFFIX[] = "-sav";

// Copies each listed file that exists to a "-sav" copy: beside the file when
// saveDir is the installation directory itself (the same text), else into
// saveDir under the file's own name. Copy failures are not reported. 1.
int32_t mfSaveVarentisFiles(const char* installDir, const char* saveDir);

// The two names of the messenger component.
inline constexpr char MESSENGER_COMPONENT[] = "Messenger Component (m)";
inline constexpr char MESSENGER_COMPONENT_OPTIONAL[] = "Messenger Component - Optional";

// 1 when a chosen component of a chosen SKU of a chosen product of
// _availableProducts is the messenger component, else 0.
int32_t mfInstallingMessenger();

}  // namespace vrn
