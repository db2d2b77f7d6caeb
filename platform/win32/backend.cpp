#include "platform/win32/backend.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/desktop.h"
#include "platform/display_scale.h"
#include "platform/win32/device_pixels.h"

#include "platform/win32/state.h"
#include "platform/win32/window_api.h"

namespace tamlo::platform::win32native {
namespace {

BackendState* living = nullptr;

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

HWND ownerWindow(WindowHandle owner) {
    return static_cast<HWND>(nativeWindowHandle(owner));
}

// A DPI-aware program is not scaled by the system: it draws at each monitor's DPI itself.
// The manifest says so for tamlo.exe; hosts without it (tamlo-run.exe, the tests) ask here,
// at run time because older systems and Wine versions lack the call.
void becomeDpiAware() {
    using SetContextFunction = BOOL(WINAPI*)(HANDLE);
    const auto setContext = reinterpret_cast<SetContextFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    const auto kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
    if (setContext == nullptr || !setContext(kPerMonitorAwareV2)) {
        SetProcessDPIAware();  // already aware by the manifest, or the system-wide fallback
    }
}

// TAMLO_SCALE when set, else the primary monitor's DPI / 96.
double desktopScale() {
    if (const char* value = std::getenv("TAMLO_SCALE")) {
        if (const std::optional<double> scale = parseDisplayScale(value)) {
            return *scale;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return scaleForDpi(static_cast<uint32_t>(dpi));
}

// The desktop's own settings, read once at start; the screen in logical pixels.
SystemMetrics desktopMetrics() {
    SystemMetrics metrics;
    const double scale = defaultWindowScale();
    const Rect screen = logicalWindowRect(
        Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, scale);
    metrics.screen = Size{screen.width(), screen.height()};
    if (UINT blink = GetCaretBlinkTime(); blink != 0 && blink != INFINITE) {
        metrics.caretBlinkTime = blink;
    }
    if (UINT doubleClick = GetDoubleClickTime(); doubleClick != 0) {
        metrics.doubleClickTime = doubleClick;
    }
    metrics.doubleClickSize =
        Size{GetSystemMetrics(SM_CXDOUBLECLK), GetSystemMetrics(SM_CYDOUBLECLK)};
    UINT hoverTime = 0;
    if (SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &hoverTime, 0) && hoverTime != 0) {
        metrics.hoverTime = hoverTime;
    }
    UINT hoverWidth = 0;
    UINT hoverHeight = 0;
    if (SystemParametersInfoW(SPI_GETMOUSEHOVERWIDTH, 0, &hoverWidth, 0) &&
        SystemParametersInfoW(SPI_GETMOUSEHOVERHEIGHT, 0, &hoverHeight, 0) && hoverWidth != 0 &&
        hoverHeight != 0) {
        metrics.hoverSize = Size{static_cast<int>(hoverWidth), static_cast<int>(hoverHeight)};
    }
    return metrics;
}

// The clipboard is shared with other programs: opening it can fail for a moment.
class OpenedClipboard {
  public:
    OpenedClipboard() {
        for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
            open_ = OpenClipboard(nullptr) != FALSE;
            if (!open_) {
                Sleep(5);
            }
        }
    }
    ~OpenedClipboard() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool isOpen() const { return open_; }

  private:
    bool open_ = false;
};

class Win32Backend : public Backend {
  public:
    Win32Backend() {
        living = &state_;
        windows_ = createNativeWindows();
        setSystemMetrics(desktopMetrics());
    }
    ~Win32Backend() override {
        windows_.reset();
        living = nullptr;
        OleUninitialize();
    }

    std::string_view name() const override { return "win32"; }

    int messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                   uint32_t type) override {
        if (std::optional<int> answer = answerMessageBox(
                MessageBoxRequest{owner, std::u16string(text), std::u16string(caption), type})) {
            return *answer;
        }
        const std::u16string body(text);
        const std::u16string title(caption);
        ModalQueuePumping pumping;
        return MessageBoxW(ownerWindow(owner), wide(body), wide(title), type);
    }

    bool browseForFolder(WindowHandle owner, std::u16string_view title,
                         std::u16string& path) override {
        if (auto answer = answerFolderPicker(FolderPickerRequest{owner, std::u16string(title)})) {
            if (*answer) {
                path = **answer;
            }
            return answer->has_value();
        }
        const std::u16string prompt(title);
        BROWSEINFOW info{};
        info.hwndOwner = ownerWindow(owner);
        info.lpszTitle = wide(prompt);
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        PIDLIST_ABSOLUTE chosen = nullptr;
        {
            ModalQueuePumping pumping;
            chosen = SHBrowseForFolderW(&info);
        }
        if (chosen == nullptr) {
            return false;
        }
        wchar_t buffer[MAX_PATH] = {};
        const bool named = SHGetPathFromIDListW(chosen, buffer) != FALSE && buffer[0] != 0;
        CoTaskMemFree(chosen);
        if (named) {
            path.assign(reinterpret_cast<const char16_t*>(buffer), wcslen(buffer));
        }
        return named;
    }

    bool clipboardHasText() override { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

    bool clipboardText(std::u16string& out) override {
        OpenedClipboard clipboard;
        if (!clipboard.isOpen()) {
            return false;
        }
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (data == nullptr) {
            return false;
        }
        const auto* text = static_cast<const char16_t*>(GlobalLock(data));
        if (text == nullptr) {
            return false;
        }
        // Bounded by the block's size: a text without its terminator stops at the end.
        const std::size_t units = GlobalSize(data) / sizeof(char16_t);
        std::size_t length = 0;
        while (length < units && text[length] != 0) {
            ++length;
        }
        out.assign(text, length);
        GlobalUnlock(data);
        return true;
    }

    bool setClipboardText(std::u16string_view text) override {
        OpenedClipboard clipboard;
        if (!clipboard.isOpen() || !EmptyClipboard()) {
            return false;
        }
        const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (block == nullptr) {
            return false;
        }
        auto* target = static_cast<char16_t*>(GlobalLock(block));
        if (target == nullptr) {
            GlobalFree(block);
            return false;
        }
        std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
        target[text.size()] = 0;
        GlobalUnlock(block);
        if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
            GlobalFree(block);  // still ours when the clipboard did not take it
            return false;
        }
        return true;
    }

    std::unique_ptr<MessagePump> createMessagePump() override { return createNativePump(); }

    NativeWindows* nativeWindows() override { return windows_.get(); }

  private:
    BackendState state_;
    std::unique_ptr<NativeWindows> windows_;
};

}  // namespace

BackendState* backendState() {
    return living;
}

NativeWindow* findNative(WindowHandle window) {
    if (living == nullptr) {
        return nullptr;
    }
    auto it = living->windows.find(window);
    return it == living->windows.end() ? nullptr : &it->second;
}

std::unique_ptr<Backend> createWin32Backend(std::string* error) {
    // OLE drags and the folder picker want a single-threaded apartment on the UI thread.
    const HRESULT ole = OleInitialize(nullptr);
    if (FAILED(ole)) {
        if (error) {
            *error = "cannot start OLE on the UI thread";
        }
        return nullptr;
    }
    if (GetDesktopWindow() == nullptr) {
        OleUninitialize();
        if (error) {
            *error = "no desktop to show windows on";
        }
        return nullptr;
    }
    becomeDpiAware();
    setDefaultWindowScale(desktopScale());
    return std::make_unique<Win32Backend>();
}

}  // namespace tamlo::platform::win32native
