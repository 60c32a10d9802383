// The single-array section readers: one generic reader of a counted run of
// fixed-size records, driven by a decoder per record type that unscrambles
// each field from its stored offset.
#include <cerrno>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "runtime/memory/memory.h"

namespace vrn {
namespace {

using namespace tables_detail;

template <typename Record>
using Decoder = bool (*)(const uint8_t* stored, Record& out);

// Reads one section at the descriptor's position. A read error is reported
// with code 106 and the table's detail text; end of file, an empty section,
// no memory, a count whose records do not fit in the rest of the file, a
// short read and a text without its NUL give null without a report (the
// caller refuses the table). Whenever null is returned the count is 0, so
// that a table pointer and its count always agree.
template <typename Record>
Record* ReadSection(int32_t fd, uint32_t* count, uint32_t storedSize, Decoder<Record> decode,
                    const char* detail) {
    *count = 0;
    uint8_t countBytes[4];
    switch (ReadArea(fd, countBytes, sizeof countBytes)) {
    case ReadOutcome::Failed: ProcessFileError(_installWnd, errno, 106, detail); return nullptr;
    case ReadOutcome::EndOfFile:
    case ReadOutcome::Short: return nullptr;
    case ReadOutcome::Complete: break;
    }
    const uint32_t records = UnpackData(4, countBytes);
    if (records == 0 || !RecordsFit(fd, records, storedSize)) return nullptr;
    const uint64_t arrayBytes = uint64_t{records} * sizeof(Record);
    if (arrayBytes > UINT32_MAX) return nullptr;

    const uint32_t storedBytes = records * storedSize;
    UtBlock buffer(utmalloc(storedBytes));
    UtBlock array(utmalloc(static_cast<uint32_t>(arrayBytes)));
    if (buffer.p == nullptr || array.p == nullptr) return nullptr;

    switch (ReadArea(fd, buffer.p, storedBytes)) {
    case ReadOutcome::Failed: ProcessFileError(_installWnd, errno, 106, detail); return nullptr;
    case ReadOutcome::EndOfFile:
    case ReadOutcome::Short: return nullptr;
    case ReadOutcome::Complete: break;
    }
    const auto* stored = static_cast<const uint8_t*>(buffer.p);
    auto* out = static_cast<Record*>(array.p);
    for (uint32_t i = 0; i < records; ++i)
        if (!decode(stored + uint64_t{i} * storedSize, out[i])) return nullptr;
    *count = records;
    return static_cast<Record*>(array.release());
}

bool DecodeBit(const uint8_t* s, BitRecord& r) {
    r.number1 = Int16Field(s + 40);
    r.number2 = Int16Field(s + 44);
    r.number3 = Int16Field(s + 48);
    r.number4 = Int16Field(s + 52);
    r.number5 = Int16Field(s + 56);
    return TextField(s + 0, r.text1) & TextField(s + 60, r.text2) & TextField(s + 77, r.text3);
}

bool DecodeComp2Sku(const uint8_t* s, Comp2SkuRecord& r) {
    r.componentId = SignedInt16Field(s + 0);
    r.subcomponentId = SignedInt16Field(s + 44);
    r.value = ByteField(s + 98);
    return TextField(s + 4, r.componentText) & TextField(s + 48, r.skuName) & TextField(s + 99, r.auxText);
}

bool DecodeSku2Product(const uint8_t* s, Sku2ProductRecord& r) {
    r.productNumber = Int16Field(s + 0);
    r.value = ByteField(s + 93);
    return TextField(s + 4, r.productName) & TextField(s + 43, r.skuName) & TextField(s + 94, r.auxText);
}

bool DecodeSubcomp2Comp(const uint8_t* s, Subcomp2CompRecord& r) {
    r.subcomponentId = SignedInt16Field(s + 0);
    r.componentId = SignedInt16Field(s + 44);
    r.mandatory = ByteField(s + 358);
    IntFields(s + 376, r.clusterSizes);
    r.archiveSize = IntField(s + 408);
    return TextField(s + 4, r.subcomponentName) & TextField(s + 48, r.parentComponentName) &
           TextField(s + 103, r.archiveName) & TextField(s + 359, r.auxText);
}

bool DecodeCompID(const uint8_t* s, CompIDRecord& r) {
    r.componentId = SignedInt16Field(s + 0);
    IntFields(s + 356, r.clusterSizes);
    r.archiveSize = IntField(s + 388);
    return TextField(s + 4, r.componentText) & TextField(s + 44, r.componentName) &
           TextField(s + 84, r.archiveName) & TextField(s + 339, r.auxText);
}

bool DecodeTailor(const uint8_t* s, TailorRecord& r) {
    r.number1 = Int16Field(s + 0);
    r.number2 = Int16Field(s + 4);
    r.tailorKind = Int16Field(s + 558);
    return TextField(s + 8, r.componentName) & TextField(s + 48, r.tailorFile) & TextField(s + 562, r.auxText);
}

bool DecodeDevice(const uint8_t* s, DeviceRecord& r) {
    return TextField(s + 0, r.text1) & TextField(s + 15, r.text2) & TextField(s + 25, r.deviceType) &
           TextField(s + 28, r.text3) & TextField(s + 58, r.text4) & TextField(s + 88, r.text5) &
           TextField(s + 138, r.text6);
}

bool DecodeIcon(const uint8_t* s, IconRecord& r) {
    r.number1 = Int16Field(s + 17);
    r.number2 = Int16Field(s + 21);
    return TextField(s + 0, r.text1) & TextField(s + 25, r.text2) & TextField(s + 135, r.text3) &
           TextField(s + 175, r.text4);
}

bool DecodeCdromSize(const uint8_t* s, CdromSizeRecord& r) {
    IntFields(s, r.values);
    return true;
}

bool DecodeArcList(const uint8_t* s, ArcListRecord& r) { return TextField(s, r.archiveName); }

}  // namespace

BitRecord* ReadBitTab(int32_t fd, uint32_t* count) {
    return ReadSection<BitRecord>(fd, count, BIT_RECORD_SIZE, DecodeBit, "bit table");
}
Comp2SkuRecord* ReadComp2SkuTab(int32_t fd, uint32_t* count) {
    return ReadSection<Comp2SkuRecord>(fd, count, COMP2SKU_RECORD_SIZE, DecodeComp2Sku, "comp2Sku table");
}
Sku2ProductRecord* ReadSku2ProductTab(int32_t fd, uint32_t* count) {
    return ReadSection<Sku2ProductRecord>(fd, count, SKU2PRODUCT_RECORD_SIZE, DecodeSku2Product,
                                          "Sku2Product table");
}
Subcomp2CompRecord* ReadSComp2CompTab(int32_t fd, uint32_t* count) {
    return ReadSection<Subcomp2CompRecord>(fd, count, SUBCOMP2COMP_RECORD_SIZE, DecodeSubcomp2Comp,
                                           "Subcomp2Comp table");
}
CompIDRecord* ReadCompIDTab(int32_t fd, uint32_t* count) {
    return ReadSection<CompIDRecord>(fd, count, COMPID_RECORD_SIZE, DecodeCompID, "compid table");
}
TailorRecord* ReadTlrTab(int32_t fd, uint32_t* count) {
    return ReadSection<TailorRecord>(fd, count, TAILOR_RECORD_SIZE, DecodeTailor, "tailor table");
}
DeviceRecord* ReadDevTab(int32_t fd, uint32_t* count) {
    return ReadSection<DeviceRecord>(fd, count, DEVICE_RECORD_SIZE, DecodeDevice, "device table");
}
IconRecord* ReadIconTab(int32_t fd, uint32_t* count) {
    return ReadSection<IconRecord>(fd, count, ICON_RECORD_SIZE, DecodeIcon, "icon table");
}
CdromSizeRecord* ReadCDROMTab(int32_t fd, uint32_t* count) {
    return ReadSection<CdromSizeRecord>(fd, count, CDROM_SIZE_RECORD_SIZE, DecodeCdromSize, "CDROM size table");
}
ArcListRecord* ReadArcListTab(int32_t fd, uint32_t* count) {
    return ReadSection<ArcListRecord>(fd, count, ARCLIST_RECORD_SIZE, DecodeArcList, "ARCLIST table");
}

}  // namespace vrn
