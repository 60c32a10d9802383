// vrnmedia dump: every table of an installation medium in readable form.
#pragma once

#include <string>
#include <vector>

namespace vrn::media {

// "vrnmedia dump DIR": prints install.tab section by section and layout.tab,
// volume.id, icon.tab, cdrom.tab and arclist.tab where the medium has them,
// one record a line with the records' field names. Exit status 0, 1 for a
// missing install.tab or any damaged table, 2 for wrong usage.
int DumpCommand(const std::vector<std::string>& args);

}  // namespace vrn::media
