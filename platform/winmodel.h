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
#include <string>
#include <vector>

#include "platform/dialogs.h"
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

// ---- Top-level windows ------------------------------------------------

// The windows of the model are enumerated in the order of their declaration
// (front to back). A window's handle stays valid until the model is rebuilt.
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using WNDENUMPROC = BOOL (*)(HWND window, LPARAM lParam);

inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_RESTORE = 0xF120;

// Calls `proc` for each top-level window until it returns 0. Returns 1 when
// every window was visited, 0 when the callback stopped the enumeration.
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
// Copies the class name / title, at most maxCount - 1 characters and a NUL;
// returns the number of characters copied, 0 for an unknown window.
int GetClassNameA(HWND window, char* buffer, int maxCount);
int GetWindowTextA(HWND window, char* buffer, int maxCount);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL IsIconic(HWND window);      // minimised
// Queues a message for a window; the model delivers it at once.
// WM_SYSCOMMAND with SC_RESTORE restores a minimised window, with
// SC_MINIMIZE minimises it; other messages have no effect on the model.
// Returns 0 for an unknown window.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Makes a window the foreground window; 0 for an unknown window.
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();      // null when none has been brought forward
// The first top-level window whose class name (case-insensitively) and
// title (exactly) match; a null argument matches any. Null when none.
HWND FindWindowA(const char* className, const char* windowName);

// A message posted through PostMessageA, kept in order for inspection.
struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
const std::vector<PostedMessage>& PostedMessages();

// Replaces the window model (the foreground window and the posted
// messages are cleared).
void SetWindows(const std::vector<WindowDecl>& windows);
// The windows' present state, in enumeration order.
std::vector<WindowDecl> CurrentWindows();
void ResetWindowModel();

// ---- Registry -----------------------------------------------------------

using HKEY = uintptr_t;
using LONG = int32_t;
using REGSAM = uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr DWORD REG_SZ = 1;

// A key exists when some value is declared under it or under one of its
// subkeys. Declared key names start with the root's full name
// ("HKEY_CURRENT_USER\Software\X") or its short form (HKCR, HKCU, HKLM,
// HKU); names compare case-insensitively.
// Opens a key under a root (or under an opened key). ERROR_SUCCESS with
// *result set, ERROR_FILE_NOT_FOUND when the key does not exist,
// ERROR_INVALID_HANDLE for an unknown parent.
LONG RegOpenKeyExA(HKEY parent, const char* subKey, DWORD options, REGSAM samDesired, HKEY* result);
// Reads a value (a text, REG_SZ, stored with its NUL). With data null only
// the size is returned; ERROR_MORE_DATA when *size is too small (the size
// needed is stored), ERROR_FILE_NOT_FOUND for an absent value.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, uint8_t* data,
                      DWORD* size);
LONG RegCloseKey(HKEY key);       // ERROR_INVALID_HANDLE for a key not open

// Adds or replaces one value of the registry model.
void SetRegistryValue(const std::string& key, const std::string& name, const std::string& value);
// Replaces the whole registry model.
void SetRegistry(const std::vector<RegistryDecl>& values);
void ResetRegistryModel();

// ---- All models ---------------------------------------------------------

// Drops every setter's content: all models follow the configuration again.
void ResetPlatformModels();

}  // namespace vrn
