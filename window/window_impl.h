#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/back_buffer.h"
#include "window/caret.h"
#include "window/drop_target.h"
#include "window/input_routing.h"
#include "window/window_base.h"

namespace tamlo {

// A top-level window that turns native input into the tree's events: hit testing,
// the hover chain, mouse capture, keyboard focus, tooltips, the caret, layered
// dirty-rectangle painting and the modal dialog loop. Hover, capture and focus live in
// an InputRouting, the caret in a Caret; the window supplies their native side.
// UI thread only.
class WindowImpl : public WindowBase, public CDropTarget, private InputRouting::Host {
  public:
    static constexpr uint32_t kFlushMessage = 0x0401;  // WM_USER + 1
    static constexpr std::size_t kMaxHoverChain = InputRouting::kMaxHoverChain;
    static constexpr std::size_t kMaxDirtyRects = 20;
    static constexpr uint32_t kCaretColor = 0x5A5A5A;

    // Told when a window is destroyed, after its tree has left it (the script host drops
    // the window's entries and timers).
    using DestroyedHook = void (*)(platform::WindowHandle window);
    static void setDestroyedHook(DestroyedHook hook);

    WindowImpl();
    ~WindowImpl() override;

    // Shows the window modally, disabling `owner` meanwhile; returns the code given to
    // endDialog (0 when the loop ended on WM_QUIT). Destroys the window (and this object)
    // before returning.
    int32_t showDialog(platform::WindowHandle owner);
    // A non-zero code ends the modal loop with it.
    void endDialog(int32_t result);
    int32_t dialogResult() const { return dialogResult_; }

    void centerScreen();
    void setFocusControl(dui::Control* control);
    void releaseMouseCapture();
    Point cursorClientPos() const;

    dui::Control* capturedControl() const { return routing_.captured(); }
    dui::Control* focusedControl() const { return routing_.focused(); }
    dui::Control* savedFocus() const { return routing_.savedFocus(); }
    dui::Control* hoveredControl() const { return routing_.hovered(); }
    const std::vector<dui::Control*>& hoverChain() const { return routing_.hoverChain(); }

    // --- caret ---
    void setCaretSize(int32_t width, int32_t height) override { caret_.setSize(width, height); }
    void showCaret(int32_t x, int32_t y) override;
    void hideCaret() override;
    bool caretDrawn() const { return caret_.drawn(); }
    Rect caretRect() const { return caret_.rect(); }

    // --- layered painting ---
    // Takes effect at creation (WS_EX_LAYERED); later it switches the style directly.
    void setLayered(bool layered);
    bool isLayered() const { return layered_; }
    uint8_t constantAlpha() const { return constantAlpha_; }
    void setPerPixelAlpha(bool on) { perPixelAlpha_ = on; }
    const std::vector<Rect>& dirtyRects() const { return dirty_; }

    platform::WindowHandle tooltipWindow() const { return tooltip_; }
    dui::Control* dropHoverControl() const { return dropHover_; }
    // True while the pointer drags the window (a title bar press started it).
    bool isMoveDragging() const { return moveDragging_; }

    std::intptr_t handleMessage(uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

    // dui::HostWindow
    void forgetControl(dui::Control* control) override;
    void invalidateRect(const Rect& area) override;
    void focusControl(dui::Control* control) override { setFocusControl(control); }

  protected:
    void onCreate() override;
    void onResize(int32_t width, int32_t height) override;
    void flush() override;
    // Draws the tree and the caret inside `area` into the back buffer.
    virtual void paintArea(const Rect& area);
    // Shows the back buffer: `area` of it, or all of it for a layered window.
    void present(const Rect& area);
    void clearArea(const Rect& area);

    // CDropTarget: routes the drag to the nearest control that accepts drops.
    void onDragEnter(DragInfo& info) override;
    void onDragOver(DragInfo& info) override;
    void onDragLeave(DragInfo& info) override;
    void onDrop(DragInfo& info) override;

  private:
    // Reads false once the window is deleted, which a handler may do mid-message.
    class LifeGuard {
      public:
        explicit LifeGuard(const WindowImpl& window) : token_(window.aliveToken_) {}
        bool alive() const { return *token_; }

      private:
        std::shared_ptr<bool> token_;
    };

    dui::Control* hitTestClient(std::intptr_t lParam) const;
    dui::Control* hitTestPoint(Point client) const;
    std::intptr_t cursorLParam() const;
    void armTracking();
    void onMouseMove(std::uintptr_t wParam, std::intptr_t lParam);
    void onMouseLeave();
    void onLeftDown(std::uintptr_t wParam, std::intptr_t lParam);
    void onLeftUp(std::uintptr_t wParam, std::intptr_t lParam);
    void onRightButton(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onDoubleClick(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onKey(uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onWheel(std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t onSetCursor(std::uintptr_t wParam, std::intptr_t lParam);
    void onMouseHover();
    void onDestroy();
    void beginMoveDrag();
    dui::Control* dropTargetAt(const DragInfo& info) const;
    void switchDropHover(dui::Control* target, DragInfo& info);
    void endMoveDrag();
    void showTooltip(const std::u16string& text);
    void invalidateCaret(const Rect& area);
    // The input method's pre-edit text changed: repaint where it was and where it is.
    void onComposition();
    void paintComposition(render::Canvas& canvas, const Rect& area);
    void applyRoundCorner();

    // InputRouting::Host
    void captureNativeMouse() override;
    void releaseNativeMouse() override;
    void focusNativeWindow() override;
    void hideTooltip() override;
    void refreshHover() override;

    int32_t dialogResult_ = 0;
    InputRouting routing_;
    platform::WindowHandle tooltip_ = 0;
    std::u16string tooltipText_;
    bool tracking_ = false;
    bool hasRegion_ = false;
    Caret caret_;
    Rect compositionRect_;  // where the pre-edit was last drawn
    bool layered_ = false;
    uint8_t constantAlpha_ = 255;
    bool perPixelAlpha_ = true;
    std::vector<Rect> dirty_;
    render::BackBuffer backBuffer_;
    bool moveDragging_ = false;
    dui::Control* dropHover_ = nullptr;
    Point dragStartCursor_;
    Point dragStartOrigin_;
    std::shared_ptr<bool> aliveToken_ = std::make_shared<bool>(true);
};

}  // namespace tamlo
