// The interactive installation.
#include "frontend/installer.h"
#include "platform/system.h"

namespace vrn::installer {

int RunInteractive(const Options&, const Medium&) {
    if (!HaveConsole()) {
        ConsoleError("vinstall: an interactive installation needs a terminal; without one, give a response file "
                     "(-bFILE)\n");
        return EXIT_USAGE;
    }
    ConsoleError("vinstall: this build installs unattended only; give a response file (-bFILE)\n");
    return EXIT_USAGE;
}

}  // namespace vrn::installer
