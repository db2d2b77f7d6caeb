#pragma once

#include <cstdint>

#include "platform/backend.h"

// Win32 values of the window services (platform/windowing/native_window.h): show commands,
// SetWindowPos flags and positions, system cursors, mouse tracking.
namespace tamlo::win32 {

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// SetWindowPos flags.
constexpr uint32_t SWP_NOSIZE = 0x0001;
constexpr uint32_t SWP_NOMOVE = 0x0002;
constexpr uint32_t SWP_NOZORDER = 0x0004;
constexpr uint32_t SWP_NOACTIVATE = 0x0010;
constexpr uint32_t SWP_SHOWWINDOW = 0x0040;
constexpr uint32_t SWP_HIDEWINDOW = 0x0080;

// AnimateWindow flags.
constexpr uint32_t AW_VER_POSITIVE = 0x00000004;
constexpr uint32_t AW_VER_NEGATIVE = 0x00000008;
constexpr uint32_t AW_ACTIVATE = 0x00020000;
constexpr uint32_t AW_SLIDE = 0x00040000;

// SetWindowPos insert-after values.
constexpr platform::WindowHandle HWND_TOP = 0;
constexpr platform::WindowHandle HWND_BOTTOM = 1;
constexpr platform::WindowHandle HWND_TOPMOST = static_cast<platform::WindowHandle>(-1);
constexpr platform::WindowHandle HWND_NOTOPMOST = static_cast<platform::WindowHandle>(-2);

// WM_SIZE kinds.
constexpr uint32_t SIZE_RESTORED = 0;
constexpr uint32_t SIZE_MINIMIZED = 1;

// WM_SETCURSOR hit-test code of the client area.
constexpr uint32_t HTCLIENT = 1;

// Styles read by the window services.
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_EX_TRANSPARENT = 0x00000020;
constexpr uint32_t WS_EX_NOACTIVATE = 0x08000000;

// System cursors (LoadCursor ids).
constexpr uint32_t IDC_ARROW = 32512;
constexpr uint32_t IDC_IBEAM = 32513;
constexpr uint32_t IDC_WAIT = 32514;
constexpr uint32_t IDC_CROSS = 32515;
constexpr uint32_t IDC_UPARROW = 32516;
constexpr uint32_t IDC_SIZENWSE = 32642;
constexpr uint32_t IDC_SIZENESW = 32643;
constexpr uint32_t IDC_SIZEWE = 32644;
constexpr uint32_t IDC_SIZENS = 32645;
constexpr uint32_t IDC_SIZEALL = 32646;
constexpr uint32_t IDC_NO = 32648;
constexpr uint32_t IDC_HAND = 32649;
constexpr uint32_t IDC_APPSTARTING = 32650;
constexpr uint32_t IDC_HELP = 32651;

// TrackMouseEvent.
constexpr uint32_t TME_HOVER = 0x00000001;
constexpr uint32_t TME_LEAVE = 0x00000002;
constexpr uint32_t TME_CANCEL = 0x80000000;
constexpr uint32_t HOVER_DEFAULT = 0xFFFFFFFF;

// Key message lParam bits.
constexpr uint32_t KF_EXTENDED_BIT = 1u << 24;
constexpr uint32_t KF_ALTDOWN_BIT = 1u << 29;
constexpr uint32_t KF_REPEAT_BIT = 1u << 30;
constexpr uint32_t KF_UP_BIT = 1u << 31;

}  // namespace tamlo::win32
