#include "platform/win32/mappings.h"

#include <algorithm>

#include "platform/desktop.h"

namespace tamlo::platform::win32native {

using namespace tamlo::win32;

namespace {

constexpr uint32_t kImeChar = 0x0286;  // WM_IME_CHAR
constexpr uint32_t kExNoActivate = 0x08000000;
constexpr uint32_t kExTransparent = 0x00000020;
constexpr uint32_t kDisabled = 0x08000000;

// A mouse lParam's coordinates are signed 16-bit (GET_X_LPARAM / GET_Y_LPARAM).
Point pointFromLParam(std::intptr_t lParam) {
    const auto bits = static_cast<std::uintptr_t>(lParam);
    return Point{static_cast<int16_t>(lowWord(bits)), static_cast<int16_t>(highWord(bits))};
}

NativeInput button(MouseButton which, bool down, std::intptr_t lParam) {
    NativeInput input;
    input.kind = NativeInputKind::Button;
    input.button = which;
    input.down = down;
    input.point = pointFromLParam(lParam);
    return input;
}

}  // namespace

NativeInput nativeInputFromMessage(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    NativeInput input;
    switch (message) {
        case WM_MOUSEMOVE:
            input.kind = NativeInputKind::PointerMoved;
            input.point = pointFromLParam(lParam);
            return input;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return button(MouseButton::Left, true, lParam);
        case WM_LBUTTONUP:
            return button(MouseButton::Left, false, lParam);
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            return button(MouseButton::Right, true, lParam);
        case WM_RBUTTONUP:
            return button(MouseButton::Right, false, lParam);
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return button(MouseButton::Middle, true, lParam);
        case WM_MBUTTONUP:
            return button(MouseButton::Middle, false, lParam);
        case WM_MOUSEWHEEL:
            input.kind = NativeInputKind::Wheel;
            input.wheelDelta = static_cast<int16_t>(highWord(wParam));
            input.point = pointFromLParam(lParam);
            return input;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const auto bits = static_cast<uint32_t>(static_cast<std::uintptr_t>(lParam));
            input.kind = NativeInputKind::Key;
            input.down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
            input.virtualKey = static_cast<uint32_t>(wParam & 0xFF);
            input.scanCode = (bits >> 16) & 0xFF;
            input.extended = (bits & KF_EXTENDED_BIT) != 0;
            return input;
        }
        case WM_CHAR:
        case kImeChar:
            input.kind = NativeInputKind::Character;
            input.character = static_cast<char16_t>(wParam & 0xFFFF);
            return input;
        default:
            return input;
    }
}

bool characterRepeatsKey(char16_t character, uint32_t lastVirtualKey, bool shift, bool capsLock,
                         bool control) {
    if (character < 0x20 || character == 0x7F) {
        return true;
    }
    return lastVirtualKey != 0 &&
           characterForKey(lastVirtualKey, shift, capsLock, control) == character;
}

uint32_t cursorResourceForId(uint32_t cursorId) {
    switch (cursorId) {
        case IDC_ARROW:
        case IDC_IBEAM:
        case IDC_WAIT:
        case IDC_CROSS:
        case IDC_UPARROW:
        case IDC_SIZENWSE:
        case IDC_SIZENESW:
        case IDC_SIZEWE:
        case IDC_SIZENS:
        case IDC_SIZEALL:
        case IDC_NO:
        case IDC_HAND:
        case IDC_APPSTARTING:
        case IDC_HELP:
            return cursorId;
        default:
            return IDC_ARROW;
    }
}

NativeStyles nativeStylesFor(uint32_t style, uint32_t exStyle, bool clickThrough, bool tooltip) {
    NativeStyles styles;
    // Engine windows have no frame; their own WS_VISIBLE and WS_DISABLED are the engine's
    // business (shown and enabled natively through the services).
    styles.style = WS_POPUP | (style & ~(WS_VISIBLE | kDisabled | WS_POPUP));
    styles.exStyle = exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED | kExNoActivate);
    // A window the pointer passes through never takes activation from the desktop either
    // (the shadow under a dialog, when another program's window closes).
    if (clickThrough || tooltip) {
        styles.exStyle |= kExTransparent | kExNoActivate;
    }
    if (tooltip) {
        styles.exStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | kExNoActivate;
    }
    return styles;
}

}  // namespace tamlo::platform::win32native
