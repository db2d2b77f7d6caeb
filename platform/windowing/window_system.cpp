#include "platform/windowing/messages.h"
#include "platform/windowing/window_state.h"

// The cursor, the system metrics and tooltip windows.
namespace tamlo::platform {

using namespace tamlo::win32;

namespace {

std::intptr_t tooltipProcedure(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
    return defWindowProc(window, message, wParam, lParam);
}

// A size for the text until a backend measures it: about the width of a CJK glyph at the
// default font for every character.
Size tooltipSize(const std::u16string& text) {
    return Size{static_cast<int>(text.size()) * 12 + 8, 20};
}

}  // namespace

Point cursorPos() {
    return desktop().cursor;
}

uint32_t setCursor(uint32_t cursorId) {
    Desktop& d = desktop();
    uint32_t previous = d.cursorId == 0 ? IDC_ARROW : d.cursorId;
    if (d.cursorId != cursorId) {
        d.cursorId = cursorId;
        if (NativeWindows* native = nativeSide()) {
            native->cursorChanged(cursorId);
        }
    }
    return previous;
}

uint32_t currentCursor() {
    uint32_t id = desktop().cursorId;
    return id == 0 ? IDC_ARROW : id;
}

SystemMetrics systemMetrics() {
    return desktop().metrics;
}

Size screenSize() {
    return desktop().metrics.screen;
}

uint32_t caretBlinkTime() {
    return desktop().metrics.caretBlinkTime;
}

uint32_t doubleClickTime() {
    return desktop().metrics.doubleClickTime;
}

void setSystemMetrics(const SystemMetrics& metrics) {
    desktop().metrics = metrics;
}

WindowHandle createTooltipWindow(WindowHandle owner) {
    WindowCreation creation;
    creation.className = kTooltipClassName;
    creation.procedure = tooltipProcedure;
    creation.style = WS_POPUP;
    creation.exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;
    creation.owner = owner;
    return createWindow(creation);
}

bool isTooltipWindow(WindowHandle window) {
    auto* state = nativeWindowState(window);
    return state && state->tooltip;
}

bool setTooltipText(WindowHandle tooltip, std::u16string_view text) {
    return isTooltipWindow(tooltip) && setWindowText(tooltip, text);
}

std::u16string tooltipText(WindowHandle tooltip) {
    return isTooltipWindow(tooltip) ? windowText(tooltip) : std::u16string();
}

bool showTooltipAt(WindowHandle tooltip, Point screen) {
    auto* state = nativeWindowState(tooltip);
    if (state == nullptr || !state->tooltip) {
        return false;
    }
    Size size = tooltipSize(state->text);
    return setWindowPos(tooltip, HWND_TOP, screen.x, screen.y, size.width, size.height,
                        SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool hideTooltip(WindowHandle tooltip) {
    if (!isTooltipWindow(tooltip)) {
        return false;
    }
    return setWindowPos(tooltip, 0, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

}  // namespace tamlo::platform
