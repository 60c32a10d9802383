// The product-to-component table: install records kept in blocks of 8192
// bytes, 46 records a block, reached through GetInstallRec.
#include <cerrno>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "engine/tables/stored_records.h"
#include "runtime/memory/memory.h"

namespace vrn {
namespace {

using namespace tables_detail;

constexpr uint32_t kFullBlockBytes = INSTALL_RECORDS_PER_BLOCK * INSTALL_RECORD_SIZE;   // 8188
constexpr const char* kDetail = "product to component table";

bool DecodeInstall(const uint8_t* s, InstallRecord& r) {
    using L = StoredLayout<InstallRecord>;
    r.productNumber = Int16Field(s + L::productNumber);
    r.value = ByteField(s + L::value);
    r.componentId = SignedInt16Field(s + L::componentId);
    r.flags = ByteField(s + L::flags);
    return TextField(s + L::productName, r.productName) & TextField(s + L::auxText, r.auxText) &
           TextField(s + L::componentName, r.componentName) & TextField(s + L::text1, r.text1) &
           TextField(s + L::auxText2, r.auxText2);
}

}  // namespace

int32_t ReadProd2CompTab(int32_t fd) {
    // Blocks of an earlier reading go first; the record count stays 0 until
    // every block is in place.
    FreeInstallRec(1);
    Prod2CompTable& table = _masterProd2CompTab;

    uint8_t countBytes[4];
    switch (ReadArea(fd, countBytes, sizeof countBytes)) {
    case ReadOutcome::Failed:
    case ReadOutcome::EndOfFile: ProcessFileError(_installWnd, errno, 106, kDetail); return RESULT_STOP;
    case ReadOutcome::Short: return RESULT_STOP;
    case ReadOutcome::Complete: break;
    }
    const uint32_t records = UnpackData(4, countBytes);
    const uint32_t blocks = records / INSTALL_RECORDS_PER_BLOCK + (records % INSTALL_RECORDS_PER_BLOCK != 0 ? 1 : 0);
    // More blocks than the block array holds, or records the file does not
    // have: refused before anything is allocated.
    if (blocks > INSTALL_MAX_BLOCKS || !RecordsFit(fd, records, INSTALL_RECORD_SIZE)) return RESULT_STOP;
    table.recordsPerBlock = INSTALL_RECORDS_PER_BLOCK;
    table.blockCount = blocks;

    UtBlock buffer(utmalloc(kFullBlockBytes));
    if (buffer.p == nullptr) {
        DisplayErrorMsg(_installWnd, "headerData", 601);
        return RESULT_STOP;
    }
    const auto* stored = static_cast<const uint8_t*>(buffer.p);
    for (uint32_t b = 0; b < blocks; ++b) {
        auto* block = static_cast<InstallRecord*>(utmalloc(INSTALL_BLOCK_BYTES));
        table.blocks[b] = block;
        if (block == nullptr) {
            DisplayErrorMsg(_installWnd, "prod2CompTable", 601);
            return RESULT_STOP;
        }
        const uint32_t inBlock = b + 1 < blocks ? INSTALL_RECORDS_PER_BLOCK : records - INSTALL_RECORDS_PER_BLOCK * b;
        switch (ReadArea(fd, buffer.p, inBlock * INSTALL_RECORD_SIZE)) {
        case ReadOutcome::Failed:
        case ReadOutcome::EndOfFile: ProcessFileError(_installWnd, errno, 106, kDetail); return RESULT_STOP;
        case ReadOutcome::Short: return RESULT_STOP;
        case ReadOutcome::Complete: break;
        }
        for (uint32_t i = 0; i < inBlock; ++i)
            if (!DecodeInstall(stored + i * INSTALL_RECORD_SIZE, block[i])) return RESULT_STOP;
    }
    table.recordCount = records;
    return 0;
}

InstallRecord* GetInstallRec(int32_t table, uint32_t index) {
    if (table != 1 || index >= _masterProd2CompTab.recordCount) return nullptr;
    return &_masterProd2CompTab.blocks[index / INSTALL_RECORDS_PER_BLOCK][index % INSTALL_RECORDS_PER_BLOCK];
}

int32_t FreeInstallRec(int32_t table) {
    if (table != 1) return RESULT_STOP;
    for (InstallRecord*& block : _masterProd2CompTab.blocks) {
        if (block != nullptr) utfree(block);
        block = nullptr;
    }
    _masterProd2CompTab.blockCount = 0;
    _masterProd2CompTab.recordCount = 0;
    return 0;
}

}  // namespace vrn
