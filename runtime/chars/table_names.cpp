// The names under which collations and code pages are known.
#include "runtime/chars/chars.h"

namespace vrn {

const TableName _CollTableNames[] = {
    {"Basic", 0}, {"Danish", 1}, {"Swedish", 2}, {"User Defined", 3}, {nullptr, 0},
};

const TableName _XlateTableNames[] = {
    {"Undefined", 0}, {"ISO 8859-1", 1}, {"IBM850", 2},
    {"None", 0}, {"ISO-Latin-1", 1}, {"Codepage 850", 2},
    {nullptr, 0},
};

}  // namespace vrn
