#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/desktop.h"
#include "platform/display_scale.h"
#include "platform/win32/backend.h"
#include "platform/win32/device_pixels.h"
#include "platform/win32/mappings.h"
#include "platform/win32/tooltip.h"

#include "platform/win32/input.h"
#include "platform/win32/state.h"
#include "platform/win32/window_api.h"

namespace tamlo::platform::win32native {
namespace {

constexpr wchar_t kWindowClass[] = L"WINDOW:234:000";
// Native messages handled per animation frame, so a flood cannot hold the frame.
constexpr int kFrameBatch = 64;
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, missing from older headers

BackendState& living() {
    return *backendState();
}

int& placingDepth() {
    return living().placingDepth;
}

int& capturingDepth() {
    return living().capturingDepth;
}

NativeWindow* find(WindowHandle window) {
    return findNative(window);
}
bool isSystemTooltip(WindowHandle window) {
    NativeWindow* native = find(window);
    return native != nullptr && native->systemTooltip;
}

// The system's tracking tooltip, owned by the window it explains. It is made when first
// placed or shown, so the common controls load only once a tooltip is wanted.
HWND systemTooltipOf(WindowHandle window, bool make) {
    NativeWindow* native = find(window);
    const NativeWindowState* state = windowView(window);
    if (native == nullptr || !native->systemTooltip || state == nullptr) {
        return nullptr;
    }
    if (native->hwnd == nullptr && make) {
        native->hwnd =
            static_cast<HWND>(createSystemTooltip(nativeWindowHandle(state->owner), state->text));
    }
    return native->hwnd;
}

// The native side of a window the engine paints itself (not the system's tooltip).
NativeWindow* findPainted(WindowHandle window) {
    NativeWindow* native = findNative(window);
    return native == nullptr || native->systemTooltip ? nullptr : native;
}

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// ---- Pixels ------------------------------------------------------------------------------

void releaseDib(NativeWindow& native) {
    if (native.memoryDc != nullptr) {
        SelectObject(native.memoryDc, native.previousBitmap);
        DeleteDC(native.memoryDc);
    }
    if (native.bitmap != nullptr) {
        DeleteObject(native.bitmap);
    }
    native.memoryDc = nullptr;
    native.bitmap = nullptr;
    native.previousBitmap = nullptr;
    native.bits = nullptr;
    native.width = 0;
    native.height = 0;
}

bool ensureDib(NativeWindow& native, int width, int height) {
    if (native.bits != nullptr && native.width == width && native.height == height) {
        return true;
    }
    releaseDib(native);
    if (width <= 0 || height <= 0) {
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the engine's rows are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    native.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    native.memoryDc = CreateCompatibleDC(nullptr);
    if (native.bitmap == nullptr || native.memoryDc == nullptr || bits == nullptr) {
        releaseDib(native);
        return false;
    }
    native.previousBitmap = SelectObject(native.memoryDc, native.bitmap);
    native.bits = static_cast<uint32_t*>(bits);
    native.width = width;
    native.height = height;
    return true;
}

// What an opaque owner covers of a layered window the pointer passes through (the shadow
// around a dialog), in that window's coordinates. The owned window stays above its owner
// natively, so there the owner's pixels are what shows anyway; a desktop without
// composition would paint the shadow's faint middle over the dialog.
std::vector<Rect> ownerCut(const NativeWindowState& state) {
    const NativeWindowState* owner = windowView(state.owner);
    if (!state.isLayered() || !state.passesPointer() || owner == nullptr || !owner->visible ||
        owner->isLayered()) {
        return {};
    }
    // Native pixels: the owner's device rectangle against this window's.
    const Rect ownerRect = deviceWindowRect(owner->rect, owner->scale);
    const Rect ownRect = deviceWindowRect(state.rect, state.scale);
    std::vector<Rect> covered = deviceShapeRows(*owner).value_or(
        std::vector<Rect>{Rect{0, 0, ownerRect.width(), ownerRect.height()}});
    const int dx = ownerRect.left - ownRect.left;
    const int dy = ownerRect.top - ownRect.top;
    for (Rect& row : covered) {
        row = Rect{row.left + dx, row.top + dy, row.right + dx, row.bottom + dy};
    }
    return covered;
}

// Fully transparent pixels: the desktop shows what lies beneath.
void clearPixels(std::vector<uint32_t>& frame, int width, int height,
                 const std::vector<Rect>& areas) {
    const Rect all{0, 0, width, height};
    for (const Rect& area : areas) {
        const Rect cut = intersection(area, all);
        for (int y = cut.top; y < cut.bottom; ++y) {
            std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(y) * width + cut.left,
                        cut.width(), 0u);
        }
    }
}

// Copies what the window shows now (its reveal while it slides) into the DIB. The engine's
// words are premultiplied ARGB, which is the DIB's BGRA byte order on a little-endian CPU.
void refreshDib(NativeWindow& native, const NativeWindowState& state) {
    shownPixels(state.handle);
    if (!ensureDib(native, state.surface.width, state.surface.height)) {
        return;
    }
    std::vector<uint32_t> frame;
    composeFrame(state.surface, deviceReveal(state.reveal, state.scale), frame);
    clearPixels(frame, native.width, native.height, ownerCut(state));
    std::memcpy(native.bits, frame.data(), frame.size() * sizeof(uint32_t));
    GdiFlush();
}

void presentLayered(NativeWindow& native, const NativeWindowState& state) {
    if (native.memoryDc == nullptr) {
        return;
    }
    const Rect placed = deviceWindowRect(state.rect, state.scale);
    POINT position{placed.left, placed.top};
    SIZE size{native.width, native.height};
    POINT origin{0, 0};
    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.SourceConstantAlpha = state.constantAlpha;
    blend.AlphaFormat = state.perPixelAlpha ? AC_SRC_ALPHA : 0;
    UpdateLayeredWindow(native.hwnd, nullptr, &position, &size, native.memoryDc, &origin, 0, &blend,
                        ULW_ALPHA);
}

// The cut an owner makes in the shadow it owns follows its place, shape and visibility.
void refreshOwnedCuts(WindowHandle owner) {
    for (auto& [window, native] : living().windows) {
        const NativeWindowState* state = windowView(window);
        if (state != nullptr && state->owner == owner && state->visible && state->passesPointer() &&
            state->isLayered() && native.hwnd != nullptr) {
            refreshDib(native, *state);
            presentLayered(native, *state);
        }
    }
}

// Shows the DIB: layered windows at once, others through WM_PAINT.
void present(NativeWindow& native, const NativeWindowState& state, const RECT* area) {
    if (state.isLayered()) {
        presentLayered(native, state);
    } else {
        InvalidateRect(native.hwnd, area, FALSE);
    }
}

HICON iconFromPixels(const WindowPixels& icon) {
    if (icon.width <= 0 || icon.height <= 0 ||
        icon.pixels.size() < static_cast<std::size_t>(icon.width) * icon.height) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = icon.width;
    info.bmiHeader.biHeight = -icon.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HBITMAP mask = CreateBitmap(icon.width, icon.height, 1, 1, nullptr);
    HICON result = nullptr;
    if (color != nullptr && mask != nullptr && bits != nullptr) {
        // Icons take straight alpha.
        auto* words = static_cast<uint32_t*>(bits);
        for (std::size_t i = 0; i < static_cast<std::size_t>(icon.width) * icon.height; ++i) {
            words[i] = straightAlpha(icon.pixels[i]);
        }
        GdiFlush();
        ICONINFO iconInfo{};
        iconInfo.fIcon = TRUE;
        iconInfo.hbmMask = mask;
        iconInfo.hbmColor = color;
        result = CreateIconIndirect(&iconInfo);
    }
    if (color != nullptr) {
        DeleteObject(color);
    }
    if (mask != nullptr) {
        DeleteObject(mask);
    }
    return result;
}

// ---- Shape and styles --------------------------------------------------------------------

void applyShape(NativeWindow& native, const NativeWindowState& state) {
    std::optional<std::vector<Rect>> rows = deviceShapeRows(state);
    if (native.shapeApplied && rows == native.appliedShape) {
        return;
    }
    native.shapeApplied = true;
    native.appliedShape = rows;
    if (!rows) {
        SetWindowRgn(native.hwnd, nullptr, TRUE);
        return;
    }
    HRGN region = nullptr;
    if (rows->empty()) {
        region = CreateRectRgn(0, 0, 0, 0);
    } else {
        std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + rows->size() * sizeof(RECT));
        auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
        header->dwSize = sizeof(RGNDATAHEADER);
        header->iType = RDH_RECTANGLES;
        header->nCount = static_cast<DWORD>(rows->size());
        header->nRgnSize = static_cast<DWORD>(rows->size() * sizeof(RECT));
        Rect bounds = rows->front();
        auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
        for (std::size_t i = 0; i < rows->size(); ++i) {
            const Rect& row = (*rows)[i];
            rects[i] = RECT{row.left, row.top, row.right, row.bottom};
            bounds = unionOf(bounds, row);
        }
        header->rcBound = RECT{bounds.left, bounds.top, bounds.right, bounds.bottom};
        region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                 reinterpret_cast<const RGNDATA*>(data.data()));
    }
    if (region != nullptr && SetWindowRgn(native.hwnd, region, TRUE) == 0) {
        DeleteObject(region);  // the window owns it only when it took it
    }
}

// Keeps the native extended styles the engine can change later in step with its state
// (layered, click-through); the topmost band is kept by restacking.
void syncStyles(NativeWindow& native, const NativeWindowState& state) {
    const NativeStyles styles =
        nativeStylesFor(state.style, state.exStyle, state.clickThrough, state.tooltip);
    constexpr DWORD kKept = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    const auto current = static_cast<DWORD>(GetWindowLongPtrW(native.hwnd, GWL_EXSTYLE));
    const DWORD wanted = (current & ~kKept) | (styles.exStyle & kKept);
    if (wanted != current) {
        SetWindowLongPtrW(native.hwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(wanted));
    }
}

// ---- Painting ----------------------------------------------------------------------------

void paint(HWND hwnd, NativeWindow* native, const NativeWindowState& state) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc != nullptr) {
        if (native && native->memoryDc != nullptr && !state.isLayered()) {
            // Exposure shows the kept copy of the window's pixels: no engine WM_PAINT is needed.
            const RECT& area = ps.rcPaint;
            BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   native->memoryDc, area.left, area.top, SRCCOPY);
        }
    }
    EndPaint(hwnd, &ps);
}

// ---- The window procedure ----------------------------------------------------------------

// The monitor's DPI of a window as its scale. GetDpiForWindow is looked up at run time:
// older systems and some Wine versions lack it; there the screen DC's DPI is the answer.
double nativeScaleOf(HWND hwnd) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(hwnd); dpi != 0) {
            return scaleForDpi(dpi);
        }
    }
    HDC dc = GetDC(hwnd);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc != nullptr) {
        ReleaseDC(hwnd, dc);
    }
    return scaleForDpi(static_cast<uint32_t>(dpi));
}

// TAMLO_SCALE fixes every window's scale (a test's or an author's choice).
bool scaleIsFixed() {
    return std::getenv("TAMLO_SCALE") != nullptr;
}

// The user (or the desktop) moved or sized the window: the services follow.
void nativePlacement(WindowHandle window, HWND hwnd, const WINDOWPOS& position) {
    if (placingDepth() > 0 || IsIconic(hwnd) ||
        (position.flags & (SWP_NOMOVE | SWP_NOSIZE)) == (SWP_NOMOVE | SWP_NOSIZE)) {
        return;
    }
    RECT rect;
    GetWindowRect(hwnd, &rect);
    const double scale = windowScale(window);
    const Rect now = logicalWindowRect(Rect{rect.left, rect.top, rect.right, rect.bottom}, scale);
    if (now != windowRect(window)) {
        setWindowPos(window, 0, now.left, now.top, now.width(), now.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto window = reinterpret_cast<WindowHandle>(creation->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(window));
        if (NativeWindow* native = find(window)) {
            native->hwnd = hwnd;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    const auto window = static_cast<WindowHandle>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const NativeWindowState* state = window != 0 ? windowView(window) : nullptr;
    NativeWindow* native = window != 0 ? find(window) : nullptr;
    if (state == nullptr || native == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT handled = 0;
    if (handleInputMessage(hwnd, message, wParam, lParam, window, state, native, handled)) {
        return handled;
    }
    switch (message) {
        case WM_NCHITTEST:
            return state->passesPointer() ? HTTRANSPARENT : HTCLIENT;
        case WM_WINDOWPOSCHANGED:
            // Handled here rather than as WM_MOVE and WM_SIZE: one placement, not two.
            nativePlacement(window, hwnd, *reinterpret_cast<const WINDOWPOS*>(lParam));
            return 0;
        case WM_CLOSE:
            desktopCloseRequested(window);
            return 0;  // the engine decides
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint(hwnd, native, *state);
            return 0;
        case kDpiChanged:
            // Moved to a monitor of another DPI: drawn again at its scale, at the size the
            // desktop suggests (the echo of the move gives the engine its logical place).
            if (!scaleIsFixed()) {
                setWindowScale(window, scaleForDpi(LOWORD(wParam)));
                const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
                SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                             suggested->right - suggested->left, suggested->bottom - suggested->top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        // No class cursor or brush: WM_SETCURSOR and the engine's pixels decide.
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// Handles native messages until the queue's clock reaches `untilMs`, leaving the
// engine's own messages where they are.
void pumpNativeUntil(WindowHandle window, uint64_t untilMs) {
    auto queue = uiQueueIfAny();
    while (queue && find(window) != nullptr) {
        MSG message;
        for (int i = 0; i < kFrameBatch && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (message.message == WM_QUIT) {
                postQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (queue->now() >= untilMs) {
            return;
        }
        Sleep(1);
    }
}

// ---- The native side ---------------------------------------------------------------------

class Win32Windows : public NativeWindows {
  public:
    void windowCreated(WindowHandle window) override {
        auto* state = windowView(window);
        if (state == nullptr || !registerWindowClass()) {
            return;
        }
        living().windows[window] = NativeWindow{};
        if (state->tooltip) {
            living().windows[window].systemTooltip = true;  // made when first needed
            return;
        }
        const NativeStyles styles =
            nativeStylesFor(state->style, state->exStyle, state->clickThrough, state->tooltip);
        HWND owner = static_cast<HWND>(nativeWindowHandle(state->owner));
        ++placingDepth();
        const Rect placed = deviceWindowRect(state->rect, state->scale);
        HWND hwnd =
            CreateWindowExW(styles.exStyle, kWindowClass, wide(state->text), styles.style,
                            placed.left, placed.top, placed.width(), placed.height(), owner,
                            nullptr, GetModuleHandleW(nullptr), reinterpret_cast<void*>(window));
        if (hwnd == nullptr) {
            --placingDepth();
            living().windows.erase(window);
            return;
        }
        living().windows[window].hwnd = hwnd;
        // The monitor it opened on may have another DPI than the primary one.
        if (const double scale = nativeScaleOf(hwnd); !scaleIsFixed() && scale != state->scale) {
            setWindowScale(window, scale);
            const Rect rescaled = deviceWindowRect(state->rect, scale);
            SetWindowPos(hwnd, nullptr, rescaled.left, rescaled.top, rescaled.width(),
                         rescaled.height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        --placingDepth();
        registerDropTarget(hwnd, window);
    }

    void windowDestroyed(WindowHandle window) override {
        auto it = living().windows.find(window);
        if (it == living().windows.end()) {
            return;
        }
        NativeWindow native = it->second;
        living().windows.erase(it);
        if (native.hwnd != nullptr && native.systemTooltip) {
            DestroyWindow(native.hwnd);
        } else if (native.hwnd != nullptr) {
            revokeDropTarget(native.hwnd);
            SetWindowLongPtrW(native.hwnd, GWLP_USERDATA, 0);
            DestroyWindow(native.hwnd);
        }
        releaseDib(native);
        if (native.icon != nullptr) {
            DestroyIcon(native.icon);
        }
    }

    void windowPlaced(WindowHandle window, const Rect& rect) override {
        if (isSystemTooltip(window)) {
            if (HWND tooltip = systemTooltipOf(window, true)) {
                const Rect placed = deviceWindowRect(rect, windowScale(window));
                placeSystemTooltip(tooltip, Point{placed.left, placed.top});
            }
            return;
        }
        NativeWindow* native = findPainted(window);
        auto* state = windowView(window);
        if (native == nullptr || state == nullptr) {
            return;
        }
        const Rect placed = deviceWindowRect(rect, state->scale);
        ++placingDepth();
        SetWindowPos(native->hwnd, nullptr, placed.left, placed.top, placed.width(),
                     placed.height(), SWP_NOZORDER | SWP_NOACTIVATE);
        --placingDepth();
        refreshDib(*native, *state);
        applyShape(*native, *state);
        refreshOwnedCuts(window);
        if (state->visible) {
            present(*native, *state, nullptr);
        }
    }

    void windowShown(WindowHandle window, bool visible, bool) override {
        if (isSystemTooltip(window)) {
            if (HWND tooltip = systemTooltipOf(window, visible)) {
                showSystemTooltip(tooltip, visible);
            }
            return;
        }
        NativeWindow* native = findPainted(window);
        auto* state = windowView(window);
        if (native == nullptr || state == nullptr) {
            return;
        }
        if (!visible) {
            ShowWindow(native->hwnd, SW_HIDE);
            refreshOwnedCuts(window);
            return;
        }
        syncStyles(*native, *state);
        refreshDib(*native, *state);
        applyShape(*native, *state);
        refreshOwnedCuts(window);
        // A layered window shows nothing until it has contents.
        if (state->isLayered()) {
            presentLayered(*native, *state);
        }
        ShowWindow(native->hwnd, SW_SHOWNA);
    }

    void windowsRestacked(const std::vector<WindowHandle>& topFirst) override {
        ++placingDepth();
        for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it) {
            NativeWindow* native = findPainted(*it);
            auto* state = windowView(*it);
            if (native == nullptr || state == nullptr || native->hwnd == nullptr) {
                continue;
            }
            const bool topmost = state->isTopmost();
            const bool nativeTopmost =
                (GetWindowLongPtrW(native->hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            constexpr UINT kRestackOnly =
                SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
            if (nativeTopmost && !topmost) {
                SetWindowPos(native->hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, kRestackOnly);
            }
            SetWindowPos(native->hwnd, topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, kRestackOnly);
        }
        --placingDepth();
    }

    void windowActivated(WindowHandle window) override {
        NativeWindow* native = findPainted(window);
        if (native == nullptr || !IsWindowVisible(native->hwnd)) {
            return;
        }
        if (GetForegroundWindow() != native->hwnd) {
            SetForegroundWindow(native->hwnd);
        }
        if (GetFocus() != native->hwnd) {
            SetFocus(native->hwnd);
        }
    }

    void windowContentsChanged(WindowHandle window, const Rect& area) override {
        NativeWindow* native = findPainted(window);
        auto* state = windowView(window);
        if (native == nullptr || state == nullptr) {
            return;
        }
        syncStyles(*native, *state);
        refreshDib(*native, *state);
        const RECT changed{area.left, area.top, area.right, area.bottom};
        if (state->visible) {
            present(*native, *state, &changed);
        }
    }

    void windowShapeChanged(WindowHandle window) override {
        NativeWindow* native = findPainted(window);
        auto* state = windowView(window);
        if (native == nullptr || state == nullptr) {
            return;
        }
        syncStyles(*native, *state);
        applyShape(*native, *state);
        refreshOwnedCuts(window);
        if (state->visible && state->isLayered()) {
            presentLayered(*native, *state);
        }
    }

    // Frames are shown natively: the revealed band (a region, and for a layered window
    // its pixels) while the desktop's messages keep flowing until `untilMs`.
    bool presentAnimationFrame(WindowHandle window, uint64_t untilMs) override {
        NativeWindow* native = findPainted(window);
        auto* state = windowView(window);
        if (native == nullptr || state == nullptr) {
            return false;
        }
        refreshDib(*native, *state);
        applyShape(*native, *state);
        refreshOwnedCuts(window);
        if (state->isLayered()) {
            presentLayered(*native, *state);
        } else {
            RedrawWindow(native->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        pumpNativeUntil(window, untilMs);
        return find(window) != nullptr;
    }

    void inputCaretPlaced(WindowHandle window, const Rect& caret) override {
        NativeWindow* native = findPainted(window);
        if (native == nullptr) {
            return;
        }
        if (HIMC context = ImmGetContext(native->hwnd)) {
            const double scale = windowScale(window);
            COMPOSITIONFORM form{};
            form.dwStyle = CFS_POINT;
            form.ptCurrentPos = POINT{toDevice(caret.left, scale), toDevice(caret.top, scale)};
            ImmSetCompositionWindow(context, &form);
            ImmReleaseContext(native->hwnd, context);
        }
    }

    void inputCaretHidden(WindowHandle window) override {
        NativeWindow* native = findPainted(window);
        if (native == nullptr) {
            return;
        }
        if (HIMC context = ImmGetContext(native->hwnd)) {
            ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
            ImmReleaseContext(native->hwnd, context);
        }
    }

    void windowTextChanged(WindowHandle window) override {
        auto* state = windowView(window);
        if (state == nullptr) {
            return;
        }
        if (isSystemTooltip(window)) {
            if (HWND tooltip = systemTooltipOf(window, false)) {
                setSystemTooltipText(tooltip, state->text);
            }
        } else if (NativeWindow* native = findPainted(window)) {
            SetWindowTextW(native->hwnd, wide(state->text));
        }
    }

    void windowIconChanged(WindowHandle window) override {
        NativeWindow* native = findPainted(window);
        if (native == nullptr) {
            return;
        }
        WindowPixels pixels;
        HICON icon = windowIcon(window, pixels) ? iconFromPixels(pixels) : nullptr;
        SendMessageW(native->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        SendMessageW(native->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        if (native->icon != nullptr) {
            DestroyIcon(native->icon);
        }
        native->icon = icon;
    }

    void windowIconicChanged(WindowHandle window, bool iconic) override {
        if (NativeWindow* native = findPainted(window)) {
            ++placingDepth();
            ShowWindow(native->hwnd, iconic ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
            --placingDepth();
        }
    }

    void captureChanged(WindowHandle captured) override {
        ++capturingDepth();
        NativeWindow* native = findPainted(captured);
        if (native != nullptr) {
            SetCapture(native->hwnd);
        } else if (handleOf(GetCapture()) != 0) {
            ReleaseCapture();
        }
        --capturingDepth();
    }

    void cursorChanged(uint32_t cursorId) override {
        POINT cursor;
        if (GetCursorPos(&cursor) && handleOf(WindowFromPoint(cursor)) != 0) {
            SetCursor(systemCursor(cursorId));
        }
    }
};

}  // namespace

WindowHandle handleOf(HWND hwnd) {
    if (hwnd == nullptr) {
        return 0;
    }
    wchar_t className[32] = {};
    if (GetClassNameW(hwnd, className, 32) == 0 || wcscmp(className, kWindowClass) != 0) {
        return 0;
    }
    return static_cast<WindowHandle>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

std::unique_ptr<NativeWindows> createNativeWindows() {
    return std::make_unique<Win32Windows>();
}

void* nativeWindowHandle(WindowHandle window) {
    NativeWindow* native = find(window);
    return native ? native->hwnd : nullptr;
}

}  // namespace tamlo::platform::win32native
