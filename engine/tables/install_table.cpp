// Reading install.tab: the seven single-array sections in file order, then
// the product-to-component section. The first section that cannot be read
// ends the reading and the table is refused with code 149.
#include <cerrno>

#include "engine/state/state.h"
#include "engine/tables/stored_fields.h"
#include "platform/crt.h"
#include "runtime/files/files.h"

namespace vrn {

int32_t ReadInstallTable(const char* directory, int32_t /*reserved*/) {
    const std::string path = tables_detail::TablePath(directory, "install.tab");
    UtDescriptor file(utopendll(path.c_str(), _O_RDONLY | _O_BINARY, -1, 0, _pgc));
    if (file.fd < 0) return ProcessFileError(_installWnd, errno, 103, path.c_str());

    const int32_t fd = file.fd;
    const bool read = (_bitTable = ReadBitTab(fd, &_bitTableSize)) != nullptr &&
                      (_comp2SkuTable = ReadComp2SkuTab(fd, &_comp2SkuTableSize)) != nullptr &&
                      (_sku2ProductTable = ReadSku2ProductTab(fd, &_sku2ProductTableSize)) != nullptr &&
                      (_subcomp2CompTable = ReadSComp2CompTab(fd, &_subcomp2CompTableSize)) != nullptr &&
                      (_compIDTable = ReadCompIDTab(fd, &_compIDTableSize)) != nullptr &&
                      (_tlrTable = ReadTlrTab(fd, &_tlrTableSize)) != nullptr &&
                      (_devTable = ReadDevTab(fd, &_devTableSize)) != nullptr && ReadProd2CompTab(fd) == 0;
    utclose(file.release(), 0);
    if (read) return 0;
    return DisplayErrorMsg(_installWnd, nullptr, 149);
}

}  // namespace vrn
