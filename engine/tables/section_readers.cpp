// The single-array section readers: one generic reader of a counted run of
// fixed-size records, driven by a decoder per record type that unscrambles
// each field from its stored offset.
#include <cerrno>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "engine/tables/stored_records.h"
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
Record* ReadSection(int32_t fd, uint32_t* count, Decoder<Record> decode, const char* detail) {
    constexpr uint32_t storedSize = StoredLayout<Record>::size;
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
    using L = StoredLayout<BitRecord>;
    r.number1 = Int16Field(s + L::number1);
    r.number2 = Int16Field(s + L::number2);
    r.number3 = Int16Field(s + L::number3);
    r.number4 = Int16Field(s + L::number4);
    r.number5 = Int16Field(s + L::number5);
    return TextField(s + L::text1, r.text1) & TextField(s + L::text2, r.text2) & TextField(s + L::text3, r.text3);
}

bool DecodeComp2Sku(const uint8_t* s, Comp2SkuRecord& r) {
    using L = StoredLayout<Comp2SkuRecord>;
    r.componentId = SignedInt16Field(s + L::componentId);
    r.subcomponentId = SignedInt16Field(s + L::subcomponentId);
    r.value = ByteField(s + L::value);
    return TextField(s + L::componentText, r.componentText) & TextField(s + L::skuName, r.skuName) &
           TextField(s + L::auxText, r.auxText);
}

bool DecodeSku2Product(const uint8_t* s, Sku2ProductRecord& r) {
    using L = StoredLayout<Sku2ProductRecord>;
    r.productNumber = Int16Field(s + L::productNumber);
    r.value = ByteField(s + L::value);
    return TextField(s + L::productName, r.productName) & TextField(s + L::skuName, r.skuName) &
           TextField(s + L::auxText, r.auxText);
}

bool DecodeSubcomp2Comp(const uint8_t* s, Subcomp2CompRecord& r) {
    using L = StoredLayout<Subcomp2CompRecord>;
    r.subcomponentId = SignedInt16Field(s + L::subcomponentId);
    r.componentId = SignedInt16Field(s + L::componentId);
    r.mandatory = ByteField(s + L::mandatory);
    IntFields(s + L::clusterSizes, r.clusterSizes);
    r.archiveSize = IntField(s + L::archiveSize);
    return TextField(s + L::subcomponentName, r.subcomponentName) &
           TextField(s + L::parentComponentName, r.parentComponentName) &
           TextField(s + L::archiveName, r.archiveName) & TextField(s + L::auxText, r.auxText);
}

bool DecodeCompID(const uint8_t* s, CompIDRecord& r) {
    using L = StoredLayout<CompIDRecord>;
    r.componentId = SignedInt16Field(s + L::componentId);
    IntFields(s + L::clusterSizes, r.clusterSizes);
    r.archiveSize = IntField(s + L::archiveSize);
    return TextField(s + L::componentText, r.componentText) & TextField(s + L::componentName, r.componentName) &
           TextField(s + L::archiveName, r.archiveName) & TextField(s + L::auxText, r.auxText);
}

bool DecodeTailor(const uint8_t* s, TailorRecord& r) {
    using L = StoredLayout<TailorRecord>;
    r.number1 = Int16Field(s + L::number1);
    r.number2 = Int16Field(s + L::number2);
    r.tailorKind = Int16Field(s + L::tailorKind);
    return TextField(s + L::componentName, r.componentName) & TextField(s + L::tailorFile, r.tailorFile) &
           TextField(s + L::auxText, r.auxText);
}

bool DecodeDevice(const uint8_t* s, DeviceRecord& r) {
    using L = StoredLayout<DeviceRecord>;
    return TextField(s + L::text1, r.text1) & TextField(s + L::text2, r.text2) &
           TextField(s + L::deviceType, r.deviceType) &
           TextField(s + L::text3, r.text3) & TextField(s + L::text4, r.text4) & TextField(s + L::text5, r.text5) &
           TextField(s + L::text6, r.text6);
}

bool DecodeIcon(const uint8_t* s, IconRecord& r) {
    using L = StoredLayout<IconRecord>;
    r.number1 = Int16Field(s + L::number1);
    r.number2 = Int16Field(s + L::number2);
    return TextField(s + L::text1, r.text1) & TextField(s + L::text2, r.text2) & TextField(s + L::text3, r.text3) &
           TextField(s + L::text4, r.text4);
}

bool DecodeCdromSize(const uint8_t* s, CdromSizeRecord& r) {
    IntFields(s + StoredLayout<CdromSizeRecord>::values, r.values);
    return true;
}

bool DecodeArcList(const uint8_t* s, ArcListRecord& r) {
    return TextField(s + StoredLayout<ArcListRecord>::archiveName, r.archiveName);
}

}  // namespace

BitRecord* ReadBitTab(int32_t fd, uint32_t* count) {
    return ReadSection<BitRecord>(fd, count, DecodeBit, "bit table");
}
Comp2SkuRecord* ReadComp2SkuTab(int32_t fd, uint32_t* count) {
    return ReadSection<Comp2SkuRecord>(fd, count, DecodeComp2Sku, "comp2Sku table");
}
Sku2ProductRecord* ReadSku2ProductTab(int32_t fd, uint32_t* count) {
    return ReadSection<Sku2ProductRecord>(fd, count, DecodeSku2Product,
                                          "Sku2Product table");
}
Subcomp2CompRecord* ReadSComp2CompTab(int32_t fd, uint32_t* count) {
    return ReadSection<Subcomp2CompRecord>(fd, count, DecodeSubcomp2Comp,
                                           "Subcomp2Comp table");
}
CompIDRecord* ReadCompIDTab(int32_t fd, uint32_t* count) {
    return ReadSection<CompIDRecord>(fd, count, DecodeCompID, "compid table");
}
TailorRecord* ReadTlrTab(int32_t fd, uint32_t* count) {
    return ReadSection<TailorRecord>(fd, count, DecodeTailor, "tailor table");
}
DeviceRecord* ReadDevTab(int32_t fd, uint32_t* count) {
    return ReadSection<DeviceRecord>(fd, count, DecodeDevice, "device table");
}
IconRecord* ReadIconTab(int32_t fd, uint32_t* count) {
    return ReadSection<IconRecord>(fd, count, DecodeIcon, "icon table");
}
CdromSizeRecord* ReadCDROMTab(int32_t fd, uint32_t* count) {
    return ReadSection<CdromSizeRecord>(fd, count, DecodeCdromSize, "CDROM size table");
}
ArcListRecord* ReadArcListTab(int32_t fd, uint32_t* count) {
    return ReadSection<ArcListRecord>(fd, count, DecodeArcList, "ARCLIST table");
}

}  // namespace vrn
