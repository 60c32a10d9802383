// Where each field of a stored table record begins, for the readers that
// unscramble the records and for the writer that makes them. A record is its
// fields in stored order without gaps: 4 bytes for every integer, whatever
// its width in memory, 1 for a byte, the full width for a text; the checks
// below hold every offset to that rule and every record to its stored size.
#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/tables/tables.h"

namespace vrn {

template <typename Record>
struct StoredLayout;

template <>
struct StoredLayout<BitRecord> {
    static constexpr uint32_t size = BIT_RECORD_SIZE;
    static constexpr uint32_t text1 = 0;
    static constexpr uint32_t number1 = 40;
    static constexpr uint32_t number2 = 44;
    static constexpr uint32_t number3 = 48;
    static constexpr uint32_t number4 = 52;
    static constexpr uint32_t number5 = 56;
    static constexpr uint32_t text2 = 60;
    static constexpr uint32_t text3 = 77;
};

template <>
struct StoredLayout<Comp2SkuRecord> {
    static constexpr uint32_t size = COMP2SKU_RECORD_SIZE;
    static constexpr uint32_t componentId = 0;
    static constexpr uint32_t componentText = 4;
    static constexpr uint32_t subcomponentId = 44;
    static constexpr uint32_t skuName = 48;
    static constexpr uint32_t value = 98;
    static constexpr uint32_t auxText = 99;
};

template <>
struct StoredLayout<Sku2ProductRecord> {
    static constexpr uint32_t size = SKU2PRODUCT_RECORD_SIZE;
    static constexpr uint32_t productNumber = 0;
    static constexpr uint32_t productName = 4;
    static constexpr uint32_t skuName = 43;
    static constexpr uint32_t value = 93;
    static constexpr uint32_t auxText = 94;
};

template <>
struct StoredLayout<Subcomp2CompRecord> {
    static constexpr uint32_t size = SUBCOMP2COMP_RECORD_SIZE;
    static constexpr uint32_t subcomponentId = 0;
    static constexpr uint32_t subcomponentName = 4;
    static constexpr uint32_t componentId = 44;
    static constexpr uint32_t parentComponentName = 48;
    static constexpr uint32_t archiveName = 103;
    static constexpr uint32_t mandatory = 358;
    static constexpr uint32_t auxText = 359;
    static constexpr uint32_t clusterSizes = 376;
    static constexpr uint32_t archiveSize = 408;
};

template <>
struct StoredLayout<CompIDRecord> {
    static constexpr uint32_t size = COMPID_RECORD_SIZE;
    static constexpr uint32_t componentId = 0;
    static constexpr uint32_t componentText = 4;
    static constexpr uint32_t componentName = 44;
    static constexpr uint32_t archiveName = 84;
    static constexpr uint32_t auxText = 339;
    static constexpr uint32_t clusterSizes = 356;
    static constexpr uint32_t archiveSize = 388;
};

template <>
struct StoredLayout<TailorRecord> {
    static constexpr uint32_t size = TAILOR_RECORD_SIZE;
    static constexpr uint32_t number1 = 0;
    static constexpr uint32_t number2 = 4;
    static constexpr uint32_t componentName = 8;
    static constexpr uint32_t tailorFile = 48;
    static constexpr uint32_t tailorKind = 558;
    static constexpr uint32_t auxText = 562;
};

template <>
struct StoredLayout<DeviceRecord> {
    static constexpr uint32_t size = DEVICE_RECORD_SIZE;
    static constexpr uint32_t text1 = 0;
    static constexpr uint32_t text2 = 15;
    static constexpr uint32_t deviceType = 25;
    static constexpr uint32_t text3 = 28;
    static constexpr uint32_t text4 = 58;
    static constexpr uint32_t text5 = 88;
    static constexpr uint32_t text6 = 138;
};

template <>
struct StoredLayout<InstallRecord> {
    static constexpr uint32_t size = INSTALL_RECORD_SIZE;
    static constexpr uint32_t productNumber = 0;
    static constexpr uint32_t productName = 4;
    static constexpr uint32_t value = 43;
    static constexpr uint32_t auxText = 44;
    static constexpr uint32_t componentId = 61;
    static constexpr uint32_t componentName = 65;
    static constexpr uint32_t text1 = 105;
    static constexpr uint32_t flags = 160;
    static constexpr uint32_t auxText2 = 161;
};

template <>
struct StoredLayout<IconRecord> {
    static constexpr uint32_t size = ICON_RECORD_SIZE;
    static constexpr uint32_t text1 = 0;
    static constexpr uint32_t number1 = 17;
    static constexpr uint32_t number2 = 21;
    static constexpr uint32_t text2 = 25;
    static constexpr uint32_t text3 = 135;
    static constexpr uint32_t text4 = 175;
};

template <>
struct StoredLayout<CdromSizeRecord> {
    static constexpr uint32_t size = CDROM_SIZE_RECORD_SIZE;
    static constexpr uint32_t values = 0;
};

template <>
struct StoredLayout<ArcListRecord> {
    static constexpr uint32_t size = ARCLIST_RECORD_SIZE;
    static constexpr uint32_t archiveName = 0;
};

template <>
struct StoredLayout<LayoutEntry> {
    static constexpr uint32_t size = LAYOUT_ENTRY_SIZE;
    static constexpr uint32_t name = 0;
    static constexpr uint32_t value1 = 255;
    static constexpr uint32_t value2 = 259;
    static constexpr uint32_t value3 = 263;
};

template <>
struct StoredLayout<VolumeHeader> {
    static constexpr uint32_t size = VOLUME_ID_SIZE;
    static constexpr uint32_t diskName = 0;
    static constexpr uint32_t diskNumber = 50;
    static constexpr uint32_t auxText = 54;
};

namespace stored_layout_checks {

// Stored width of a field: 4 bytes for an integer or each integer of an
// array, 1 for a byte, every byte of a text.
template <typename Field>
constexpr uint32_t Width() {
    if constexpr (sizeof(Field) == 1) return 1;
    else if constexpr (std::is_array_v<Field> && sizeof(std::remove_extent_t<Field>) == 1) return sizeof(Field);
    else if constexpr (std::is_array_v<Field>) return 4 * std::extent_v<Field>;
    else return 4;
}

#define VRN_STORED_NEXT(Record, field, next) \
    static_assert(StoredLayout<Record>::field + Width<decltype(Record::field)>() == (next), #Record "::" #field)

using B = BitRecord;
VRN_STORED_NEXT(B, text1, StoredLayout<B>::number1);
VRN_STORED_NEXT(B, number1, StoredLayout<B>::number2);
VRN_STORED_NEXT(B, number2, StoredLayout<B>::number3);
VRN_STORED_NEXT(B, number3, StoredLayout<B>::number4);
VRN_STORED_NEXT(B, number4, StoredLayout<B>::number5);
VRN_STORED_NEXT(B, number5, StoredLayout<B>::text2);
VRN_STORED_NEXT(B, text2, StoredLayout<B>::text3);
VRN_STORED_NEXT(B, text3, StoredLayout<B>::size);

using C = Comp2SkuRecord;
VRN_STORED_NEXT(C, componentId, StoredLayout<C>::componentText);
VRN_STORED_NEXT(C, componentText, StoredLayout<C>::subcomponentId);
VRN_STORED_NEXT(C, subcomponentId, StoredLayout<C>::skuName);
VRN_STORED_NEXT(C, skuName, StoredLayout<C>::value);
VRN_STORED_NEXT(C, value, StoredLayout<C>::auxText);
VRN_STORED_NEXT(C, auxText, StoredLayout<C>::size);

using S = Sku2ProductRecord;
VRN_STORED_NEXT(S, productNumber, StoredLayout<S>::productName);
VRN_STORED_NEXT(S, productName, StoredLayout<S>::skuName);
VRN_STORED_NEXT(S, skuName, StoredLayout<S>::value);
VRN_STORED_NEXT(S, value, StoredLayout<S>::auxText);
VRN_STORED_NEXT(S, auxText, StoredLayout<S>::size);

using SC = Subcomp2CompRecord;
VRN_STORED_NEXT(SC, subcomponentId, StoredLayout<SC>::subcomponentName);
VRN_STORED_NEXT(SC, subcomponentName, StoredLayout<SC>::componentId);
VRN_STORED_NEXT(SC, componentId, StoredLayout<SC>::parentComponentName);
VRN_STORED_NEXT(SC, parentComponentName, StoredLayout<SC>::archiveName);
VRN_STORED_NEXT(SC, archiveName, StoredLayout<SC>::mandatory);
VRN_STORED_NEXT(SC, mandatory, StoredLayout<SC>::auxText);
VRN_STORED_NEXT(SC, auxText, StoredLayout<SC>::clusterSizes);
VRN_STORED_NEXT(SC, clusterSizes, StoredLayout<SC>::archiveSize);
VRN_STORED_NEXT(SC, archiveSize, StoredLayout<SC>::size);

using CI = CompIDRecord;
VRN_STORED_NEXT(CI, componentId, StoredLayout<CI>::componentText);
VRN_STORED_NEXT(CI, componentText, StoredLayout<CI>::componentName);
VRN_STORED_NEXT(CI, componentName, StoredLayout<CI>::archiveName);
VRN_STORED_NEXT(CI, archiveName, StoredLayout<CI>::auxText);
VRN_STORED_NEXT(CI, auxText, StoredLayout<CI>::clusterSizes);
VRN_STORED_NEXT(CI, clusterSizes, StoredLayout<CI>::archiveSize);
VRN_STORED_NEXT(CI, archiveSize, StoredLayout<CI>::size);

using T = TailorRecord;
VRN_STORED_NEXT(T, number1, StoredLayout<T>::number2);
VRN_STORED_NEXT(T, number2, StoredLayout<T>::componentName);
VRN_STORED_NEXT(T, componentName, StoredLayout<T>::tailorFile);
VRN_STORED_NEXT(T, tailorFile, StoredLayout<T>::tailorKind);
VRN_STORED_NEXT(T, tailorKind, StoredLayout<T>::auxText);
VRN_STORED_NEXT(T, auxText, StoredLayout<T>::size);

using D = DeviceRecord;
VRN_STORED_NEXT(D, text1, StoredLayout<D>::text2);
VRN_STORED_NEXT(D, text2, StoredLayout<D>::deviceType);
VRN_STORED_NEXT(D, deviceType, StoredLayout<D>::text3);
VRN_STORED_NEXT(D, text3, StoredLayout<D>::text4);
VRN_STORED_NEXT(D, text4, StoredLayout<D>::text5);
VRN_STORED_NEXT(D, text5, StoredLayout<D>::text6);
VRN_STORED_NEXT(D, text6, StoredLayout<D>::size);

using I = InstallRecord;
VRN_STORED_NEXT(I, productNumber, StoredLayout<I>::productName);
VRN_STORED_NEXT(I, productName, StoredLayout<I>::value);
VRN_STORED_NEXT(I, value, StoredLayout<I>::auxText);
VRN_STORED_NEXT(I, auxText, StoredLayout<I>::componentId);
VRN_STORED_NEXT(I, componentId, StoredLayout<I>::componentName);
VRN_STORED_NEXT(I, componentName, StoredLayout<I>::text1);
VRN_STORED_NEXT(I, text1, StoredLayout<I>::flags);
VRN_STORED_NEXT(I, flags, StoredLayout<I>::auxText2);
VRN_STORED_NEXT(I, auxText2, StoredLayout<I>::size);

using IC = IconRecord;
VRN_STORED_NEXT(IC, text1, StoredLayout<IC>::number1);
VRN_STORED_NEXT(IC, number1, StoredLayout<IC>::number2);
VRN_STORED_NEXT(IC, number2, StoredLayout<IC>::text2);
VRN_STORED_NEXT(IC, text2, StoredLayout<IC>::text3);
VRN_STORED_NEXT(IC, text3, StoredLayout<IC>::text4);
VRN_STORED_NEXT(IC, text4, StoredLayout<IC>::size);

VRN_STORED_NEXT(CdromSizeRecord, values, StoredLayout<CdromSizeRecord>::size);
VRN_STORED_NEXT(ArcListRecord, archiveName, StoredLayout<ArcListRecord>::size);

using L = LayoutEntry;
VRN_STORED_NEXT(L, name, StoredLayout<L>::value1);
VRN_STORED_NEXT(L, value1, StoredLayout<L>::value2);
VRN_STORED_NEXT(L, value2, StoredLayout<L>::value3);
VRN_STORED_NEXT(L, value3, StoredLayout<L>::size);

using V = VolumeHeader;
VRN_STORED_NEXT(V, diskName, StoredLayout<V>::diskNumber);
VRN_STORED_NEXT(V, diskNumber, StoredLayout<V>::auxText);
VRN_STORED_NEXT(V, auxText, StoredLayout<V>::size);

#undef VRN_STORED_NEXT

}  // namespace stored_layout_checks
}  // namespace vrn
