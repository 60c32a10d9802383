// The table globals owned by this module; the table pointers of install.tab
// live with the rest of the installation state.
#include "engine/tables/tables.h"

namespace vrn {

uint32_t _bitTableSize = 0;
uint32_t _comp2SkuTableSize = 0;
uint32_t _sku2ProductTableSize = 0;
uint32_t _subcomp2CompTableSize = 0;
uint32_t _compIDTableSize = 0;
uint32_t _tlrTableSize = 0;
uint32_t _devTableSize = 0;
Prod2CompTable _masterProd2CompTab = {};

IconRecord* _iconTable = nullptr;
uint32_t _iconTableSize = 0;
CdromSizeRecord* _cdromTable = nullptr;
uint32_t _cdromTableSize = 0;
ArcListRecord* _headArchiveList = nullptr;
uint32_t _headArchiveListSize = 0;

uint8_t _insertDiskErrorFlag = 0;

}  // namespace vrn
