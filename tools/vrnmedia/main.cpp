// vrnmedia: makes and inspects installation media.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "runtime/files/files.h"
#include "tools/vrnmedia/build.h"
#include "tools/vrnmedia/dump.h"

namespace {

constexpr char kUsage[] =
    "usage: vrnmedia build DESCRIPTION OUTDIR   make a medium from a medium description\n"
    "       vrnmedia dump DIR                   print every table of the medium in DIR\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    static vrn::RuntimeContext context;
    if (vrn::_pgc == nullptr) vrn::_pgc = &context;
    vrn::EnsurePlatformLoaded();
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "dump") return vrn::media::DumpCommand(args);
    if (command == "build") return vrn::media::BuildCommand(args);
    std::fprintf(stderr, "vrnmedia: unknown command %s\n%s", command.c_str(), kUsage);
    return 2;
}
