// Resetting the engine's state at start-up and releasing it at the end.
#include "engine/startup/startup.h"
#include "engine/state/state.h"
#include "engine/tables/tables.h"
#include "runtime/memory/memory.h"

namespace vrn {

namespace {

template <typename T>
void Release(T*& pointer) {
    if (pointer != nullptr) utfree(pointer);
    pointer = nullptr;
}

}  // namespace

void InitializeGlobalVars() {
    _installWnd = nullptr;
    _commandLineSwitch = 0;
    _layoutTable = nullptr;
    _devTable = nullptr;
    _tlrTable = nullptr;
    _compIDTable = nullptr;
    _comp2SkuTable = nullptr;
    _sku2ProductTable = nullptr;
    _subcomp2CompTable = nullptr;
    _bitTable = nullptr;
    _bitTableSize = 0;
    _comp2SkuTableSize = 0;
    _sku2ProductTableSize = 0;
    _subcomp2CompTableSize = 0;
    _compIDTableSize = 0;
    _tlrTableSize = 0;
    _devTableSize = 0;
    _availableProducts = nullptr;
    _pathChanged = 0;
    _addDiskSpace = 0;
    _constDiskSpace = 0;
    _backgroundDisplayBuffer = nullptr;
    VRNGODBC_DLL_FLAG = 0;
    QDSPDRV_386_FLAG = 0;
    QLAUNCH_EXE_FLAG = 0;
    ZOV_INSTALL_FLAG = 0;
    MVRNSRVA_EXE_FLAG = 0;
    InstallRuntimeReporting();
}

void FreeGlobalVars() {
    Release(_bitTable);
    Release(_comp2SkuTable);
    Release(_sku2ProductTable);
    Release(_subcomp2CompTable);
    Release(_compIDTable);
    Release(_tlrTable);
    Release(_devTable);
    FreeInstallRec(1);
    // The layout list goes with its entries; the pointers are cleared so
    // that a shut-down reached twice (interrupt during shut-down) frees
    // nothing twice.
    FreeLayoutList(_layoutTable);
    _layoutTable = nullptr;
    Release(_backgroundDisplayBuffer);
}

void CleanUpDisplay(int32_t /*unused*/) {
    if (_commandLineSwitch & SWITCH_UPDATE) return;
    FreeGlobalVars();
}

}  // namespace vrn
