// The host's window-system services as the runtime layer expects them: the
// platform version record, the registry and the list of top-level windows.
// This host has no such services of its own, so each is a model: it starts
// from the declarations of the drive-map configuration in force
// (CurrentPlatformConfig()) and follows that configuration whenever its
// declarations change; the setters below replace a model's content directly
// (tests, or hosts that learn the values some other way) until the
// configuration's declarations change again or ResetPlatformModels() is called.
#pragma once

#include <cstdint>

#include "platform/drives.h"
#include "platform/native.h"

namespace vrn {

// ---- Platform version ---------------------------------------------------

// Platform identifiers of the version record.
inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;   // Windows 95/98 family
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;        // Windows NT family

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;   // the caller sets sizeof(OSVERSIONINFOA)
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];      // service pack text, "" when none
};

// Fills the version record. Returns 1, or 0 with last error
// ERROR_INVALID_PARAMETER when `info` is null or its size field is not
// sizeof(OSVERSIONINFOA), or ERROR_NOT_SUPPORTED when the version is
// unreadable (SetPlatformVersionUnreadable). The family gives the platform
// identifier: Windows95 -> 1, WindowsNT -> 2.
BOOL GetVersionExA(OSVERSIONINFOA* info);

// Replaces the version model.
void SetPlatformVersion(const VersionDecl& version);
// Replaces the version model with a raw platform identifier (for the
// identifiers that no family names, e.g. VER_PLATFORM_WIN32s).
void SetPlatformVersionId(DWORD platformId, DWORD major, DWORD minor, DWORD build);
// Makes GetVersionExA fail, as on a host whose version cannot be read.
void SetPlatformVersionUnreadable();

// Drops a setter's content so that the model follows the configuration again.
void ResetVersionModel();

// ---- All models ---------------------------------------------------------

// Drops every setter's content: all models follow the configuration again.
void ResetPlatformModels();

}  // namespace vrn
