// The default initialization file, as the display's state record names it.
#include "runtime/ini/ini.h"

namespace vrn {

VDisplayState _vdisplay = {};

const char* wdDefaultIniFile() { return _vdisplay.defaultIniFile; }

}  // namespace vrn
