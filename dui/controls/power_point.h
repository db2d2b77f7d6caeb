#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "dui/core/control.h"
#include "dui/core/timer.h"
#include "render/bitmap.h"
#include "render/image.h"

namespace tamlo::dui {

// A slide show over the images of `imagelist` (file names separated by ";"). Each slide
// stays 151 ticks; the first 40 ticks of a slide cross-fade from the one before. It is
// stopped after construction, loads its slides when it joins a window and runs between
// playStart and playStop.
//
// Pieces of `imagelist` that name no loadable image (an empty piece after a trailing ";"
// included) are skipped; with no slide at all, ticks and paint do nothing. A slide whose
// size differs from the first one's is drawn as it is, without a fade, so no blend ever
// reads or writes past an image. The slides point into the style set's image cache,
// which outlives every window.
class PowerPoint : public Control {
  public:
    // The counter value after which the next tick changes the slide.
    static constexpr int32_t kTicksPerSlide = 150;
    // Ticks a slide takes to fade in over the previous one.
    static constexpr int32_t kFadeTicks = 40;
    // Where playStart puts the counter: on the current slide, past its fade.
    static constexpr int32_t kStartTick = 50;
    static constexpr uint32_t kLoadedIntervalMs = 30;

    PowerPoint();
    ~PowerPoint() override;

    std::u16string_view getName() const override { return u"PowerPoint"; }
    // The current frame at its natural size at the bounds' top-left; never scaled.
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;

    // Starts from the current slide without a fade, unless already playing.
    void playStart();
    // Stops on the current slide and repaints.
    void playStop();

    bool isPlaying() const { return timer_.isRunning(); }
    int32_t tickCounter() const { return timer_.tickCounter(); }
    int32_t slideIndex() const { return timer_.slideIndex(); }
    int32_t slideCount() const { return static_cast<int32_t>(timer_.slides().size()); }
    uint32_t timerInterval() const { return timer_.interval(); }

    // The share (0..255) of the incoming slide at `tickCounter` of a fade: an ease-in-out.
    static uint8_t fadeWeight(int32_t tickCounter);

  private:
    class PowerPointTimer : public Timer {
      public:
        explicit PowerPointTimer(PowerPoint& owner);

        const std::vector<const render::Image*>& slides() const { return slides_; }
        int32_t slideIndex() const { return index_; }
        int32_t tickCounter() const { return counter_; }
        void setTickCounter(int32_t counter) { counter_ = counter; }
        // Replaces the slides and starts again from the first one.
        void setSlides(std::vector<const render::Image*> slides);

      protected:
        void onTimer() override;

      private:
        PowerPoint& owner_;
        std::vector<const render::Image*> slides_;
        int32_t index_ = 0;
        int32_t counter_ = 0;
    };

    static void onAttached(void* self, Control* sender, Event& event);
    void loadSlides();
    // The bitmap to show now: a slide's own pixels or the blend of two.
    const render::Bitmap* currentFrame();

    PowerPointTimer timer_;
    // The first slide's size.
    render::Bitmap blend_;
};

}  // namespace tamlo::dui
