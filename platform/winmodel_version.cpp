// The platform version model behind GetVersionExA.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/winmodel.h"

namespace vrn {

namespace {

struct VersionModel {
    bool readable = true;
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 4, minor = 0, build = 1381;
    std::string servicePack;
};

bool SameDecl(const VersionDecl& a, const VersionDecl& b) {
    return a.family == b.family && a.major == b.major && a.minor == b.minor && a.build == b.build &&
           a.servicePack == b.servicePack;
}

VersionModel FromDecl(const VersionDecl& decl) {
    VersionModel m;
    m.platformId = decl.family == PlatformFamily::Windows95 ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
    m.major = decl.major;
    m.minor = decl.minor;
    m.build = decl.build;
    m.servicePack = decl.servicePack;
    return m;
}

// The declaration the model was last built from, and the model itself.
std::optional<VersionDecl> g_builtFrom;
VersionModel g_model;

const VersionModel& Current() {
    EnsurePlatformLoaded();
    const VersionDecl& decl = CurrentPlatformConfig().version;
    if (!g_builtFrom || !SameDecl(*g_builtFrom, decl)) {
        // The configuration changed (or this is the first query): it wins
        // over anything a setter put in before.
        g_builtFrom = decl;
        g_model = FromDecl(decl);
    }
    return g_model;
}

// A setter's content lasts until the configuration's declaration changes:
// record the declaration in force so that Current() keeps the override.
void Override(const VersionModel& model) {
    EnsurePlatformLoaded();
    g_builtFrom = CurrentPlatformConfig().version;
    g_model = model;
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const VersionModel& m = Current();
    if (!m.readable) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    info->dwMajorVersion = m.major;
    info->dwMinorVersion = m.minor;
    info->dwBuildNumber = m.build;
    info->dwPlatformId = m.platformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::memcpy(info->szCSDVersion, m.servicePack.data(),
                std::min(m.servicePack.size(), sizeof info->szCSDVersion - 1));
    return 1;
}

void SetPlatformVersion(const VersionDecl& version) { Override(FromDecl(version)); }

void SetPlatformVersionId(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
    VersionModel m;
    m.platformId = platformId;
    m.major = major;
    m.minor = minor;
    m.build = build;
    Override(m);
}

void SetPlatformVersionUnreadable() {
    VersionModel m;
    m.readable = false;
    Override(m);
}

void ResetVersionModel() {
    g_builtFrom.reset();
}

}  // namespace vrn
