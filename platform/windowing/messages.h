#pragma once

#include <cstdint>

#include "platform/backend.h"

// Window messages, virtual-key codes and flags with their Win32 values: the engine's
// algorithms are written in this vocabulary and every backend speaks it.
namespace tamlo::platform {

// One queued or sent message (MSG).
struct Message {
    WindowHandle window = 0;  // 0 for a thread message
    uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    uint64_t time = 0;  // milliseconds on the queue's clock when it was posted or made
};

// Packs two 16-bit values the way MAKELPARAM does.
constexpr std::intptr_t makeLParam(int low, int high) {
    return static_cast<std::intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                                      static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16);
}
constexpr uint16_t lowWord(std::uintptr_t value) {
    return static_cast<uint16_t>(value & 0xFFFF);
}
constexpr uint16_t highWord(std::uintptr_t value) {
    return static_cast<uint16_t>((value >> 16) & 0xFFFF);
}
// The halves as signed values (GET_X_LPARAM, GET_Y_LPARAM, GET_WHEEL_DELTA_WPARAM): a
// pointer left of or above a window's origin, and a wheel turned back, are negative.
constexpr int32_t signedLowWord(std::uintptr_t value) {
    return static_cast<int16_t>(lowWord(value));
}
constexpr int32_t signedHighWord(std::uintptr_t value) {
    return static_cast<int16_t>(highWord(value));
}
// The pointer position an lParam carries, signed.
constexpr Point pointFromLParam(std::intptr_t lParam) {
    return Point{signedLowWord(static_cast<std::uintptr_t>(lParam)),
                 signedHighWord(static_cast<std::uintptr_t>(lParam))};
}

}  // namespace tamlo::platform

namespace tamlo::win32 {

// Window messages.
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_ACTIVATE = 0x0006;
constexpr uint32_t WM_SETFOCUS = 0x0007;
constexpr uint32_t WM_KILLFOCUS = 0x0008;
constexpr uint32_t WM_ENABLE = 0x000A;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr uint32_t WM_SETCURSOR = 0x0020;
constexpr uint32_t WM_MOUSEACTIVATE = 0x0021;
constexpr uint32_t WM_GETMINMAXINFO = 0x0024;
constexpr uint32_t WM_WINDOWPOSCHANGING = 0x0046;
constexpr uint32_t WM_WINDOWPOSCHANGED = 0x0047;
constexpr uint32_t WM_NOTIFY = 0x004E;
constexpr uint32_t WM_NCCREATE = 0x0081;
constexpr uint32_t WM_NCDESTROY = 0x0082;
constexpr uint32_t WM_NCHITTEST = 0x0084;
constexpr uint32_t WM_NCACTIVATE = 0x0086;
constexpr uint32_t WM_KEYFIRST = 0x0100;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_DEADCHAR = 0x0103;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCHAR = 0x0106;
constexpr uint32_t WM_KEYLAST = 0x0109;
constexpr uint32_t WM_IME_STARTCOMPOSITION = 0x010D;
constexpr uint32_t WM_IME_ENDCOMPOSITION = 0x010E;
constexpr uint32_t WM_IME_COMPOSITION = 0x010F;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MOUSEFIRST = 0x0200;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_MOUSELAST = 0x020E;
constexpr uint32_t WM_CAPTURECHANGED = 0x0215;
constexpr uint32_t WM_IME_CONTROL = 0x0283;
constexpr uint32_t WM_MOUSEHOVER = 0x02A1;
constexpr uint32_t WM_MOUSELEAVE = 0x02A3;
constexpr uint32_t WM_PRINTCLIENT = 0x0318;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WM_APP = 0x8000;

// WM_ACTIVATE states.
constexpr uint32_t WA_INACTIVE = 0;
constexpr uint32_t WA_ACTIVE = 1;
constexpr uint32_t WA_CLICKACTIVE = 2;

// WM_SYSCOMMAND commands.
constexpr uint32_t SC_SIZE = 0xF000;
constexpr uint32_t SC_MINIMIZE = 0xF020;
constexpr uint32_t SC_MAXIMIZE = 0xF030;
constexpr uint32_t SC_CLOSE = 0xF060;
constexpr uint32_t SC_RESTORE = 0xF120;

// WM_PRINTCLIENT flags.
constexpr uint32_t PRF_CLIENT = 0x0004;

// PeekMessage flags.
constexpr uint32_t PM_NOREMOVE = 0x0000;
constexpr uint32_t PM_REMOVE = 0x0001;
constexpr uint32_t PM_NOYIELD = 0x0002;

// Mouse key-state flags (wParam of mouse messages).
constexpr uint32_t MK_LBUTTON = 0x0001;
constexpr uint32_t MK_RBUTTON = 0x0002;
constexpr uint32_t MK_SHIFT = 0x0004;
constexpr uint32_t MK_CONTROL = 0x0008;
constexpr uint32_t MK_MBUTTON = 0x0010;
constexpr uint32_t MK_XBUTTON1 = 0x0020;
constexpr uint32_t MK_XBUTTON2 = 0x0040;

// One wheel notch.
constexpr int WHEEL_DELTA = 120;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A', '0').
constexpr uint32_t VK_LBUTTON = 0x01;
constexpr uint32_t VK_RBUTTON = 0x02;
constexpr uint32_t VK_CANCEL = 0x03;
constexpr uint32_t VK_MBUTTON = 0x04;
constexpr uint32_t VK_BACK = 0x08;
constexpr uint32_t VK_TAB = 0x09;
constexpr uint32_t VK_CLEAR = 0x0C;
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_CONTROL = 0x11;
constexpr uint32_t VK_MENU = 0x12;
constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_CAPITAL = 0x14;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_PRIOR = 0x21;
constexpr uint32_t VK_NEXT = 0x22;
constexpr uint32_t VK_END = 0x23;
constexpr uint32_t VK_HOME = 0x24;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_UP = 0x26;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DOWN = 0x28;
constexpr uint32_t VK_SELECT = 0x29;
constexpr uint32_t VK_SNAPSHOT = 0x2C;
constexpr uint32_t VK_INSERT = 0x2D;
constexpr uint32_t VK_DELETE = 0x2E;
constexpr uint32_t VK_HELP = 0x2F;
constexpr uint32_t VK_LWIN = 0x5B;
constexpr uint32_t VK_RWIN = 0x5C;
constexpr uint32_t VK_APPS = 0x5D;
constexpr uint32_t VK_NUMPAD0 = 0x60;
constexpr uint32_t VK_NUMPAD9 = 0x69;
constexpr uint32_t VK_MULTIPLY = 0x6A;
constexpr uint32_t VK_ADD = 0x6B;
constexpr uint32_t VK_SEPARATOR = 0x6C;
constexpr uint32_t VK_SUBTRACT = 0x6D;
constexpr uint32_t VK_DECIMAL = 0x6E;
constexpr uint32_t VK_DIVIDE = 0x6F;
constexpr uint32_t VK_F1 = 0x70;
constexpr uint32_t VK_F12 = 0x7B;
constexpr uint32_t VK_F24 = 0x87;
constexpr uint32_t VK_NUMLOCK = 0x90;
constexpr uint32_t VK_SCROLL = 0x91;
constexpr uint32_t VK_LSHIFT = 0xA0;
constexpr uint32_t VK_RSHIFT = 0xA1;
constexpr uint32_t VK_LCONTROL = 0xA2;
constexpr uint32_t VK_RCONTROL = 0xA3;
constexpr uint32_t VK_LMENU = 0xA4;
constexpr uint32_t VK_RMENU = 0xA5;
constexpr uint32_t VK_OEM_1 = 0xBA;       // ;:
constexpr uint32_t VK_OEM_PLUS = 0xBB;    // =+
constexpr uint32_t VK_OEM_COMMA = 0xBC;   // ,<
constexpr uint32_t VK_OEM_MINUS = 0xBD;   // -_
constexpr uint32_t VK_OEM_PERIOD = 0xBE;  // .>
constexpr uint32_t VK_OEM_2 = 0xBF;       // /?
constexpr uint32_t VK_OEM_3 = 0xC0;       // `~
constexpr uint32_t VK_OEM_4 = 0xDB;       // [{
constexpr uint32_t VK_OEM_5 = 0xDC;       // \|
constexpr uint32_t VK_OEM_6 = 0xDD;       // ]}
constexpr uint32_t VK_OEM_7 = 0xDE;       // '"

// Class and window styles the engine uses.
constexpr uint32_t CS_DBLCLKS = 0x0008;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080;
constexpr uint32_t WS_EX_LAYERED = 0x00080000;

}  // namespace tamlo::win32
