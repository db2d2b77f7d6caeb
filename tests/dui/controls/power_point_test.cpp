#include <map>
#include <memory>
#include <string>

#include "dui/controls/power_point.h"
#include "dui/style/style_set.h"
#include "render/back_buffer.h"
#include "support/png_bytes.h"
#include "window/window_impl_fixture.h"

namespace tamlo::test {
namespace {

using dui::PowerPoint;

// Surface pixels are 0xAARRGGBB.
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFC80000u;   // red 200
constexpr uint32_t kBlue = 0xFF000064u;  // blue 100
constexpr uint32_t kGrey = 0xFF808080u;
// Tick 10 of a fade has weight 37: (old x 219 + new x 37) >> 8 per byte.
constexpr uint32_t kRedToBlueAt10 = 0xFFAB000Eu;
constexpr uint32_t kBlueToRedAt10 = 0xFF1C0055u;

// A slide show in a real window, its images from an in-memory style set, ticking on the
// queue's virtual clock.
class PowerPointTest : public WindowImplTest {
  protected:
    void SetUp() override {
        WindowImplTest::SetUp();
        files = {{u"red.png", solidPng(4, 3, 0xC80000FF)},
                 {u"blue.png", solidPng(4, 3, 0x000064FF)},
                 {u"big.png", solidPng(6, 5, 0x808080FF)},
                 {u"half.png", pngOf(2, 1, [](int32_t x, int32_t) {
                      return x == 0 ? 0u : 0xFF0000FFu;  // transparent, then opaque red
                  })}};
        styles.install();
        styles.loadFromReader([this](const std::u16string& name, std::vector<uint8_t>& bytes) {
            auto found = files.find(name);
            if (found != files.end()) {
                bytes.assign(found->second.begin(), found->second.end());
            }
            return found != files.end();
        });
        clock = dynamic_cast<platform::ConditionPump*>(&platform::uiQueue().pump());
        ASSERT_NE(clock, nullptr);
    }

    PowerPoint& show(const std::string& imageList) {
        if (window != nullptr) {
            window->destroy();
        }
        open("<Window initSize=\"200,100\"><PowerPoint id=\"1\" imagelist=\"" + imageList +
             "\" width=\"100\" height=\"50\" horizontalAlign=\"left\" verticalAlign=\"top\"/>"
             "</Window>");
        return dynamic_cast<PowerPoint&>(*window->controlById(1));
    }
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            clock->advance(PowerPoint::kLoadedIntervalMs);
            pump();
        }
    }
    // Plays on until the counter of the next slide reads `counter`.
    void playToNextSlide(PowerPoint& slides, int32_t counter) {
        const int32_t index = slides.slideIndex();
        for (int i = 0; i <= PowerPoint::kTicksPerSlide && slides.slideIndex() == index; ++i) {
            tick();
        }
        tick(counter);
    }
    // The pixel after painting the control with its bounds at (left, top) over `background`.
    uint32_t paintedAt(PowerPoint& slides, int32_t x, int32_t y, int32_t left = 0,
                       uint32_t background = 0x000000) {
        buffer.resize(20, 10);
        buffer.canvas()->fillRect({0, 0, 20, 10}, background);
        slides.paint(*buffer.canvas(), {left, left, left + 100, left + 50}, {0, 0, 20, 10});
        return buffer.pixels().pixel(x, y);
    }

    std::map<std::u16string, std::string> files;
    dui::StyleSet styles;  // outlives the window: the slides point into it
    platform::ConditionPump* clock = nullptr;
    render::BackBuffer buffer;
};

TEST_F(PowerPointTest, EachSlideRunsFromTickFiftyToOneFiftyOnceStarted) {
    EXPECT_EQ(PowerPoint().timerInterval(), 100u);  // until it joins a window
    PowerPoint& slides = show("red.png;blue.png;big.png");
    EXPECT_EQ(slides.slideCount(), 3);
    EXPECT_EQ(slides.timerInterval(), PowerPoint::kLoadedIntervalMs);

    slides.playStart();
    EXPECT_EQ(slides.tickCounter(), 51);  // 50, then the tick of the start itself
    for (int32_t expected = 52; expected <= 150; ++expected) {
        tick();
        ASSERT_EQ(slides.tickCounter(), expected);
    }
    EXPECT_EQ(slides.slideIndex(), 0);
    tick();
    EXPECT_EQ(slides.tickCounter(), 0);
    EXPECT_EQ(slides.slideIndex(), 1);
    slides.playStart();  // already playing: nothing restarts
    EXPECT_EQ(slides.tickCounter(), 0);
    tick(2 * 151);
    EXPECT_EQ(slides.slideIndex(), 0);  // wrapped past the last
    EXPECT_EQ(slides.tickCounter(), 0);
}

TEST_F(PowerPointTest, ANewSlideFadesInOverThePreviousOne) {
    EXPECT_EQ(PowerPoint::fadeWeight(0), 0);
    EXPECT_NEAR(PowerPoint::fadeWeight(20), 128, 1);
    EXPECT_GE(PowerPoint::fadeWeight(39), 250);

    PowerPoint& slides = show("red.png;blue.png");
    slides.playStart();
    EXPECT_EQ(paintedAt(slides, 1, 1), kRed);
    playToNextSlide(slides, 0);
    EXPECT_EQ(paintedAt(slides, 1, 1), kRed);  // weight 0: all the previous slide
    tick(10);
    EXPECT_EQ(paintedAt(slides, 1, 1), kRedToBlueAt10);
    tick(30);
    EXPECT_EQ(paintedAt(slides, 1, 1), kBlue);  // tick 40: the fade is over
    playToNextSlide(slides, 10);                // from the last back to the first
    EXPECT_EQ(paintedAt(slides, 1, 1), kBlueToRedAt10);
}

TEST_F(PowerPointTest, StoppingRepaintsTheCurrentSlideAndStopsTicking) {
    PowerPoint& slides = show("red.png;blue.png");
    slides.playStart();
    playToNextSlide(slides, 10);
    platform::WindowPixels shown;
    ASSERT_TRUE(platform::copyWindowPixels(window->handle(), shown));
    EXPECT_EQ(shown.pixels[0] | kBlack, kRedToBlueAt10);

    slides.playStop();
    pump();
    ASSERT_TRUE(platform::copyWindowPixels(window->handle(), shown));
    EXPECT_EQ(shown.pixels[0] | kBlack, kBlue);
    tick(5);
    EXPECT_FALSE(slides.isPlaying());
    EXPECT_EQ(slides.tickCounter(), 10);
}

TEST_F(PowerPointTest, TheFrameKeepsItsOwnSizeAndAlpha) {
    PowerPoint& slides = show("red.png;half.png");
    EXPECT_EQ(paintedAt(slides, 5, 5, 5), kRed);  // at the bounds' top-left
    EXPECT_EQ(paintedAt(slides, 8, 7, 5), kRed);
    EXPECT_EQ(paintedAt(slides, 9, 5, 5), kBlack);  // not stretched over the bounds
    EXPECT_EQ(paintedAt(slides, 5, 8, 5), kBlack);
    EXPECT_EQ(paintedAt(slides, 4, 5, 5), kBlack);
    slides.playStart();
    playToNextSlide(slides, 45);
    EXPECT_EQ(paintedAt(slides, 0, 0, 0, 0xFFFFFF), 0xFFFFFFFFu);  // transparent: background
    EXPECT_EQ(paintedAt(slides, 1, 0, 0, 0xFFFFFF), 0xFFFF0000u);
}

// Run under the sanitizers: none of these may touch a byte outside an image.
TEST_F(PowerPointTest, OddListsAndSizesStayInsideTheImages) {
    PowerPoint& slides = show("red.png;big.png;;missing.png;blue.png;");
    ASSERT_EQ(slides.slideCount(), 3);  // empty and unloadable pieces drop out
    slides.playStart();
    playToNextSlide(slides, 10);
    EXPECT_EQ(paintedAt(slides, 5, 4), kGrey);  // the bigger slide whole, unblended
    playToNextSlide(slides, 10);
    EXPECT_EQ(paintedAt(slides, 1, 1), kBlue);  // coming from the bigger one: unblended
    EXPECT_EQ(paintedAt(slides, 5, 4), kBlack);
    playToNextSlide(slides, 10);
    EXPECT_EQ(paintedAt(slides, 1, 1), kBlueToRedAt10);  // equal sizes blend again

    for (const char* list : {"", ";", ";missing.png;"}) {
        PowerPoint& empty = show(list);
        EXPECT_EQ(empty.slideCount(), 0) << list;
        empty.playStart();
        tick(200);
        EXPECT_EQ(empty.tickCounter(), PowerPoint::kStartTick);
        EXPECT_EQ(paintedAt(empty, 0, 0), kBlack);
    }
}

}  // namespace
}  // namespace tamlo::test
