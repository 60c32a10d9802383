// The top-level window model: enumeration, class names and titles, the
// visible/enabled/minimised states, posted system commands and the
// foreground window.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/winmodel.h"

namespace vrn {

namespace {

bool SameDecls(const std::vector<WindowDecl>& a, const std::vector<WindowDecl>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const WindowDecl& x, const WindowDecl& y) {
        return x.className == y.className && x.title == y.title && x.visible == y.visible &&
               x.enabled == y.enabled && x.minimized == y.minimized;
    });
}

struct WindowModel {
    std::vector<WindowDecl> windows;
    HWND foreground = nullptr;
    std::vector<PostedMessage> posted;
};

std::optional<std::vector<WindowDecl>> g_builtFrom;
WindowModel g_model;

WindowModel& Model() {
    EnsurePlatformLoaded();
    const std::vector<WindowDecl>& decls = CurrentPlatformConfig().windows;
    if (!g_builtFrom || !SameDecls(*g_builtFrom, decls)) {
        g_builtFrom = decls;
        g_model = WindowModel{decls, nullptr, {}};
    }
    return g_model;
}

// A handle is the window's position in the list plus one, so null is never
// a window.
HWND HandleOf(size_t index) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(index + 1)); }

WindowDecl* Find(HWND window) {
    WindowModel& m = Model();
    const uintptr_t n = reinterpret_cast<uintptr_t>(window);
    if (n == 0 || n > m.windows.size()) return nullptr;
    return &m.windows[n - 1];
}

int CopyText(const std::string& text, char* buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) return 0;
    const size_t n = std::min(text.size(), static_cast<size_t>(maxCount - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
    });
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
    if (proc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The count is read again on each turn: a callback may post messages,
    // which change windows' states but never the list itself.
    for (size_t i = 0; i < Model().windows.size(); ++i) {
        if (proc(HandleOf(i), lParam) == 0) return 0;
    }
    return 1;
}

int GetClassNameA(HWND window, char* buffer, int maxCount) {
    const WindowDecl* w = Find(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return CopyText(w->className, buffer, maxCount);
}

int GetWindowTextA(HWND window, char* buffer, int maxCount) {
    const WindowDecl* w = Find(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return CopyText(w->title, buffer, maxCount);
}

BOOL IsWindow(HWND window) { return Find(window) != nullptr; }
BOOL IsWindowVisible(HWND window) { const WindowDecl* w = Find(window); return w && w->visible; }
BOOL IsWindowEnabled(HWND window) { const WindowDecl* w = Find(window); return w && w->enabled; }
BOOL IsIconic(HWND window) { const WindowDecl* w = Find(window); return w && w->minimized; }

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowDecl* w = Find(window);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    g_model.posted.push_back(PostedMessage{window, message, wParam, lParam});
    if (message == WM_SYSCOMMAND) {
        // The low four bits of a system command are the system's own.
        switch (wParam & 0xFFF0) {
            case SC_RESTORE: w->minimized = false; break;
            case SC_MINIMIZE: w->minimized = true; break;
            default: break;
        }
    }
    return 1;
}

BOOL SetForegroundWindow(HWND window) {
    if (Find(window) == nullptr) return 0;
    g_model.foreground = window;
    return 1;
}

HWND GetForegroundWindow() { return Model().foreground; }

HWND FindWindowA(const char* className, const char* windowName) {
    const WindowModel& m = Model();
    for (size_t i = 0; i < m.windows.size(); ++i) {
        const WindowDecl& w = m.windows[i];
        if (className != nullptr && !EqualNoCase(w.className, className)) continue;
        if (windowName != nullptr && w.title != windowName) continue;
        return HandleOf(i);
    }
    return nullptr;
}

const std::vector<PostedMessage>& PostedMessages() { return Model().posted; }

void SetWindows(const std::vector<WindowDecl>& windows) {
    Model();   // records the configuration in force, so this content lasts
    g_model = WindowModel{windows, nullptr, {}};
}

std::vector<WindowDecl> CurrentWindows() { return Model().windows; }

void ResetWindowModel() { g_builtFrom.reset(); }

}  // namespace vrn
