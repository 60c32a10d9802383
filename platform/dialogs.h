// Message boxes and beeps. The default handler is a console dialog on the
// controlling terminal; with no terminal a box is not shown and MessageBox
// returns 0. Tests and unattended runs install their own handler.
#pragma once

#include <cstdint>
#include <string_view>

namespace vrn {

using HWND = void*;

// Button sets.
inline constexpr uint32_t MB_OK = 0x0000;
inline constexpr uint32_t MB_OKCANCEL = 0x0001;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x0002;
inline constexpr uint32_t MB_YESNOCANCEL = 0x0003;
inline constexpr uint32_t MB_YESNO = 0x0004;
inline constexpr uint32_t MB_RETRYCANCEL = 0x0005;
inline constexpr uint32_t MB_TYPEMASK = 0x000F;
// Icons.
inline constexpr uint32_t MB_ICONHAND = 0x0010;
inline constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
inline constexpr uint32_t MB_ICONQUESTION = 0x0020;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x0030;
inline constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr uint32_t MB_ICONASTERISK = 0x0040;
inline constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr uint32_t MB_ICONMASK = 0x00F0;
// Default button and modality.
inline constexpr uint32_t MB_DEFBUTTON1 = 0x0000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x0100;
inline constexpr uint32_t MB_APPLMODAL = 0x0000;
inline constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
inline constexpr uint32_t MB_SETFOREGROUND = 0x10000;
// Results.
inline constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
// Beep kinds.
inline constexpr uint32_t MB_BEEP_DEFAULT = 0xFFFFFFFFu;

class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // The pressed button (IDOK...), or 0 when the box could not be shown.
    virtual int Show(HWND owner, std::string_view text, std::string_view title, uint32_t style) = 0;
    virtual void Beep(uint32_t type) = 0;
};

// Installs a handler (null restores the console dialog); returns the previous one.
DialogHandler* SetDialogHandler(DialogHandler* handler);

int MessageBox(HWND owner, const char* text, const char* title, uint32_t style);
int MessageBeep(uint32_t type);

}  // namespace vrn
