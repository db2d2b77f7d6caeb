#pragma once

#include <cstdint>

#include "dui/core/control.h"
#include "dui/core/timer.h"

namespace tamlo::dui {

// A scroll bar of a ScrollPanel, made fresh by the panel at every arrange. It keeps the
// scrolled extent (total), the visible extent (page) and the offset (position), and
// tells its panel when the position changes. Arrows and the track repeat while held; the
// bar asks its panel to move through Notify and moves only by EnsurePosition.
class ScrollBar : public Control {
  public:
    // Bits of the part state: what the cursor is over, and what the button went down on.
    enum Part : uint32_t {
        NoPart = 0,
        UpArrowHovered = 0x1,
        DownArrowHovered = 0x2,
        ThumbHovered = 0x4,
        UpArrowPressed = 0x10,
        DownArrowPressed = 0x20,
        ThumbPressed = 0x40,
        TrackBeforePressed = 0x1000,
        TrackAfterPressed = 0x2000,
    };
    // wParam of the Notify the bar raises at itself; a thumb drag carries the position
    // it asks for in lParam.
    enum Request : uint32_t {
        LineBack = 2,
        LineForward = 3,
        PageBack = 4,
        PageForward = 5,
        ThumbDragged = 6,
    };
    static constexpr uint32_t kRepeatIntervalMs = 100;
    static constexpr uint32_t kPressedParts =
        UpArrowPressed | DownArrowPressed | ThumbPressed | TrackBeforePressed | TrackAfterPressed;

    ScrollBar();

    int32_t total() const { return total_; }
    int32_t page() const { return page_; }
    int32_t position() const { return position_; }
    void setTotal(int32_t total) { total_ = total; }
    void setPage(int32_t page) { page_ = page; }
    bool isVertical() const { return vertical_ != 0; }
    void setVertical(bool vertical) { vertical_ = vertical ? 1 : 0; }
    uint32_t partState() const { return partState_; }
    void setPartState(uint32_t state) { partState_ = state; }
    const Rect& upArrowRect() const { return upArrow_; }
    const Rect& downArrowRect() const { return downArrow_; }
    // The thumb between the arrows, in the bar's own coordinates: as long as the visible
    // share of the track (at least 20 pixels), placed by the position.
    Rect thumbRect() const;

    // The one way to move the bar: clamps p to 0 .. total - page (0 when everything is
    // visible, which also disables the bar) and, when the position changes, has the
    // panel scroll its content.
    void EnsurePosition(int32_t p);

    // The pressed-part bit of what lies under `local` (bar coordinates), or NoPart.
    uint32_t hitPart(Point local) const;
    bool isRepeating() const { return timer_.isRunning(); }

    // Places the two arrows by the sizes of the style's arrow images; an arrow without
    // its image is a square as thick as the bar.
    Size arrangeContent(int32_t width, int32_t height) override;
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

    // The style the bar paints with: its `style` when the style set has it, else the
    // default bar style (for both orientations).
    std::u16string styleName() const;

  private:
    class ScrollTimer : public Timer {
      public:
        explicit ScrollTimer(ScrollBar& owner) : Timer(kRepeatIntervalMs), owner_(owner) {}

      protected:
        void onTimer() override { owner_.repeatStep(); }

      private:
        ScrollBar& owner_;
    };

    static void onLButtonDown(void* self, Control* sender, Event& event);
    static void onMouseMove(void* self, Control* sender, Event& event);
    static void onLostCapture(void* self, Control* sender, Event& event);
    static void onMouseLeave(void* self, Control* sender, Event& event);
    void repeatStep();
    void request(uint32_t what, std::intptr_t position = 0);
    // A mouse message's client point in bar coordinates (signed, so a drag beyond the
    // window's top or left still counts).
    bool localPoint(std::intptr_t lParam, Point& out) const;

    int32_t total_ = 0;
    int32_t position_ = 0;
    int32_t page_ = 0;
    uint32_t partState_ = 0;
    int32_t vertical_ = 1;
    Rect upArrow_;
    Rect downArrow_;
    int32_t dragOffset_ = 0;
    ScrollTimer timer_{*this};
};

}  // namespace tamlo::dui
