// Storage of the installation engine's process-wide state. Every value starts
// zeroed; start-up resets the run options, owner window, table pointers and
// marker flags, and the parts that own each value fill it in as they run.
#include "engine/state/state.h"

namespace vrn {

HWND _installWnd = nullptr;
uint32_t _commandLineSwitch = 0;
char _logBatchFilePathName[512] = {};
char _iniBatchFilePathName[512] = {};
void* _pReadWriteBuffer = nullptr;
int32_t _blockSizeIndex = 0;

LayoutNode* _layoutTable = nullptr;
DeviceRecord* _devTable = nullptr;
TailorRecord* _tlrTable = nullptr;
CompIDRecord* _compIDTable = nullptr;
Comp2SkuRecord* _comp2SkuTable = nullptr;
Sku2ProductRecord* _sku2ProductTable = nullptr;
Subcomp2CompRecord* _subcomp2CompTable = nullptr;
BitRecord* _bitTable = nullptr;

ProductNode* _availableProducts = nullptr;
uint32_t _pathChanged = 0;
uint32_t _addDiskSpace = 0;
uint32_t _constDiskSpace = 0;

void* _backgroundDisplayBuffer = nullptr;
int32_t _backgroundStartRow = 0, _backgroundStartColumn = 0, _backgroundEndRow = 0, _backgroundEndColumn = 0;

uint32_t VRNGODBC_DLL_FLAG = 0, QDSPDRV_386_FLAG = 0, QLAUNCH_EXE_FLAG = 0, ZOV_INSTALL_FLAG = 0,
         MVRNSRVA_EXE_FLAG = 0;

char _destinationPath[256] = {};
char _workPath[256] = {};
char _docRootDestPath[256] = {};
char _cgiScriptDestPath[256] = {};
char _javaDestinationPath[256] = {};

char _szArchiveDir[256] = {};
char _szFolderName[256] = {};
char _szDefaultLanguage[256] = {};
char _szDefaultCountry[256] = {};
char _szUseSourceEditor[256] = {};
char _nlsCpinternal[256] = {};
char _nlsCpcollation[256] = {};
char _nlsCpcase[256] = {};
char _nlsDateFormat[256] = {};
char _nlsNumberFormat[256] = {};
char _nlsNumsep[256] = {};
char _nlsNumdec[256] = {};

uint32_t _bIsKestrelAdapterInstalled = 0;
uint32_t _bInstallingKestrelMqAdapter = 0;

double _availDiskSpace = 0.0;
uint32_t _reqDiskSpace = 0;
uint32_t _lastLargestArchive = 0;
char _mappedNetworkSetupDrive[4] = {};

}  // namespace vrn
