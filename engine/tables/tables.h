// The installation tables of a medium: the scrambled install.tab with its
// eight sections, the three tables the caller reads with the same section
// reader, layout.tab, volume.id, and the product-to-component install records
// kept in fixed blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vrn {

// Every stored byte is the plain byte exclusive-or'ed with this mask.
inline constexpr uint8_t TABLE_MASK = 0x6B;

// Stored record sizes.
inline constexpr uint32_t BIT_RECORD_SIZE = 94;
inline constexpr uint32_t COMP2SKU_RECORD_SIZE = 116;
inline constexpr uint32_t SKU2PRODUCT_RECORD_SIZE = 111;
inline constexpr uint32_t SUBCOMP2COMP_RECORD_SIZE = 412;
inline constexpr uint32_t COMPID_RECORD_SIZE = 392;
inline constexpr uint32_t TAILOR_RECORD_SIZE = 579;
inline constexpr uint32_t DEVICE_RECORD_SIZE = 188;
inline constexpr uint32_t INSTALL_RECORD_SIZE = 178;
inline constexpr uint32_t ICON_RECORD_SIZE = 685;
inline constexpr uint32_t CDROM_SIZE_RECORD_SIZE = 32;
inline constexpr uint32_t ARCLIST_RECORD_SIZE = 255;
inline constexpr uint32_t LAYOUT_ENTRY_SIZE = 267;
inline constexpr uint32_t LAYOUT_GROUP_NAME_SIZE = 50;
inline constexpr uint32_t VOLUME_ID_SIZE = 71;

// In-memory records: every stored field in stored order, integers narrowed;
// where each field is stored is told in stored_records.h.
// Fields the engine does not read carry names of our own (field1...).

struct BitRecord {
    char text1[40];
    uint16_t number1, number2, number3, number4, number5;
    char text2[17];
    char text3[17];
};

struct Comp2SkuRecord {
    int16_t componentId;
    char componentText[40];
    int16_t subcomponentId;        // > 0: the row names a subcomponent of the component
    char skuName[50];
    uint8_t value;
    char auxText[17];
};

struct Sku2ProductRecord {
    uint16_t productNumber;
    char productName[39];
    char skuName[50];
    uint8_t value;
    char auxText[17];
};

struct Subcomp2CompRecord {
    int16_t subcomponentId;
    char subcomponentName[40];
    int16_t componentId;
    char parentComponentName[55];
    char archiveName[255];
    uint8_t mandatory;             // bit 0: must be installed
    char auxText[17];
    uint32_t clusterSizes[8];
    uint32_t archiveSize;
};

struct CompIDRecord {
    int16_t componentId;
    char componentText[40];
    char componentName[40];
    char archiveName[255];
    char auxText[17];
    uint32_t clusterSizes[8];
    uint32_t archiveSize;
};

struct TailorRecord {
    uint16_t number1;
    uint16_t number2;
    char componentName[40];
    char tailorFile[510];
    uint16_t tailorKind;           // 1: replace tags in the file
    char auxText[17];
};

struct DeviceRecord {
    char text1[15];
    char text2[10];
    char deviceType[3];            // "f" diskettes, "cd" CD-ROM
    char text3[30];
    char text4[30];
    char text5[50];
    char text6[50];
};

struct IconRecord {
    char text1[17];
    uint16_t number1;
    uint16_t number2;
    char text2[110];
    char text3[40];
    char text4[510];
};

struct CdromSizeRecord {
    uint32_t values[8];
};

struct ArcListRecord {
    char archiveName[255];
};

struct InstallRecord {
    uint16_t productNumber;
    char productName[39];
    uint8_t value;
    char auxText[17];
    int16_t componentId;
    char componentName[40];
    char text1[55];
    uint8_t flags;                 // bit 0: mandatory for this product
    char auxText2[17];
};

// The product-to-component table: install records in blocks of 8192 bytes,
// 46 records each. The block array has room for 37 blocks (1,702 records);
// a table needing more is refused.
inline constexpr uint32_t INSTALL_RECORDS_PER_BLOCK = 46;
inline constexpr uint32_t INSTALL_BLOCK_BYTES = 8192;
inline constexpr uint32_t INSTALL_MAX_BLOCKS = 37;
static_assert(sizeof(InstallRecord) * INSTALL_RECORDS_PER_BLOCK <= INSTALL_BLOCK_BYTES);

struct Prod2CompTable {
    uint32_t recordsPerBlock;
    uint32_t blockCount;
    uint32_t recordCount;
    InstallRecord* blocks[INSTALL_MAX_BLOCKS];
};

struct LayoutEntry {
    char name[255];
    uint32_t value1;
    uint32_t value2;
    uint32_t value3;
};

struct LayoutNode {
    char groupName[50];
    uint32_t entryCount;
    LayoutEntry* entries;
    LayoutNode* next;
};

struct VolumeHeader {
    char diskName[50];
    uint32_t diskNumber;
    char auxText[17];
};

// Record counts of the tables held in the engine's table globals.
extern uint32_t _bitTableSize;
extern uint32_t _comp2SkuTableSize;
extern uint32_t _sku2ProductTableSize;
extern uint32_t _subcomp2CompTableSize;
extern uint32_t _compIDTableSize;
extern uint32_t _tlrTableSize;
extern uint32_t _devTableSize;
extern Prod2CompTable _masterProd2CompTab;

// The tables the engine's caller reads (the engine reads no field of them).
extern IconRecord* _iconTable;
extern uint32_t _iconTableSize;
extern CdromSizeRecord* _cdromTable;
extern uint32_t _cdromTableSize;
extern ArcListRecord* _headArchiveList;
extern uint32_t _headArchiveListSize;

// Set once the insert-disk prompt has been shown for a disk.
extern uint8_t _insertDiskErrorFlag;

int32_t PackData(int32_t count, uint32_t value, uint8_t* bytes);
uint32_t UnpackData(int32_t count, const uint8_t* bytes);

BitRecord* ReadBitTab(int32_t fd, uint32_t* count);
Comp2SkuRecord* ReadComp2SkuTab(int32_t fd, uint32_t* count);
Sku2ProductRecord* ReadSku2ProductTab(int32_t fd, uint32_t* count);
Subcomp2CompRecord* ReadSComp2CompTab(int32_t fd, uint32_t* count);
CompIDRecord* ReadCompIDTab(int32_t fd, uint32_t* count);
TailorRecord* ReadTlrTab(int32_t fd, uint32_t* count);
DeviceRecord* ReadDevTab(int32_t fd, uint32_t* count);
IconRecord* ReadIconTab(int32_t fd, uint32_t* count);
CdromSizeRecord* ReadCDROMTab(int32_t fd, uint32_t* count);
ArcListRecord* ReadArcListTab(int32_t fd, uint32_t* count);

int32_t ReadInstallTable(const char* directory, int32_t reserved);
int32_t ReadProd2CompTab(int32_t fd);
InstallRecord* GetInstallRec(int32_t table, uint32_t index);
int32_t FreeInstallRec(int32_t table);

LayoutNode* ReadTableFile(const char* directory);
LayoutNode* CreateLayoutNode();
// Returns a layout list and its entries to the heap.
void FreeLayoutList(LayoutNode* first);

int32_t ReadVolumeIDFile(const char* directory, VolumeHeader* header, int32_t reserved,
                         const char* diskName, int32_t diskNumber);
char* ReadFileData(const char* directory, const char* fileName);

}  // namespace vrn
