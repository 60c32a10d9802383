// After the explosion: the executables that have ZOV variants are replaced
// by them, and the asian build files join the 4GL build files.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/archive/archive.h"
#include "engine/state/state.h"
#include "platform/crt.h"
#include "runtime/files/files.h"

namespace vrn {

namespace {

struct ZovPair {
    const char* target;
    const char* replacement;
};
constexpr ZovPair _ZOVFileArray[] = {
    {"_vrnwin.exe", "_vrnwina.exe"}, {"sqlcpp.exe", "sqlcppa.exe"},   {"_vrnutil.exe", "_vrnutla.exe"},
    {"_vrnwin.sym", "_vrnwina.sym"}, {"wvrnserv.exe", "wvrnsrva.exe"},
};

bool Exists(const std::string& path) { return _access(path.c_str(), ACCESS_EXISTS) == 0; }

}  // namespace

int32_t moveZOVFiles(const char* destinationDir) {
    const std::string bin = JoinedFileName(destinationDir, "bin");
    for (const ZovPair& pair : _ZOVFileArray) {
        const std::string target = JoinedFileName(bin.c_str(), pair.target);
        const std::string replacement = JoinedFileName(bin.c_str(), pair.replacement);
        if (!Exists(target) || !Exists(replacement)) continue;
        utDeleteFile(target.c_str());
        utRename(replacement.c_str(), target.c_str());
    }

    char name[32];
    std::snprintf(name, sizeof name, "%s%c%s", "vrnbuild", '\\', "asian");
    const std::string asian = JoinedFileName(destinationDir, name);
    if (Exists(asian)) {
        std::snprintf(name, sizeof name, "%s%c%s", "vrnbuild", '\\', "4gl");
        CopyDir(asian.c_str(), JoinedFileName(destinationDir, name).c_str());
    }
    return 0;
}

}  // namespace vrn
