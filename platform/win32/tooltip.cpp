#include "platform/win32/tooltip.h"

#include "platform/win32/window_api.h"
// after windows.h
#include <commctrl.h>

namespace tamlo::platform::win32native {
namespace {

constexpr DWORD kTooltipStyle = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;

// Loaded on first use: a run that shows no tooltip never loads the common controls.
bool registerTooltipClass() {
    static const bool registered = [] {
        HMODULE controls = LoadLibraryW(L"comctl32.dll");
        if (controls == nullptr) {
            return false;
        }
        using Initialise = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        auto initialise = reinterpret_cast<Initialise>(
            reinterpret_cast<void (*)()>(GetProcAddress(controls, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        return initialise != nullptr && initialise(&classes) != FALSE;
    }();
    return registered;
}

// The one tool: identified by the tooltip's own handle, tracked at absolute positions.
TTTOOLINFOW toolOf(HWND tooltip) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = GetWindow(tooltip, GW_OWNER);
    tool.uId = reinterpret_cast<UINT_PTR>(tooltip);
    return tool;
}

}  // namespace

void* createSystemTooltip(void* owner, const std::u16string& text) {
    if (!registerTooltipClass()) {
        return nullptr;
    }
    HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, kTooltipStyle, 0, 0, 0, 0,
                        static_cast<HWND>(owner), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tooltip == nullptr) {
        return nullptr;
    }
    std::u16string initial = text;  // the control copies it
    TTTOOLINFOW tool = toolOf(tooltip);
    tool.lpszText = reinterpret_cast<wchar_t*>(initial.data());
    if (SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
        DestroyWindow(tooltip);
        return nullptr;
    }
    return tooltip;
}

void setSystemTooltipText(void* handle, const std::u16string& text) {
    HWND tooltip = static_cast<HWND>(handle);
    std::u16string copy = text;
    TTTOOLINFOW tool = toolOf(tooltip);
    tool.lpszText = reinterpret_cast<wchar_t*>(copy.data());
    SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void placeSystemTooltip(void* handle, Point screen) {
    HWND tooltip = static_cast<HWND>(handle);
    SendMessageW(tooltip, TTM_TRACKPOSITION, 0,
                 MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

void showSystemTooltip(void* handle, bool visible) {
    HWND tooltip = static_cast<HWND>(handle);
    TTTOOLINFOW tool = toolOf(tooltip);
    SendMessageW(tooltip, TTM_TRACKACTIVATE, visible ? TRUE : FALSE,
                 reinterpret_cast<LPARAM>(&tool));
}

}  // namespace tamlo::platform::win32native
