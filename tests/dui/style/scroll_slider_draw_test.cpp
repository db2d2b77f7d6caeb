// Scroll bars and sliders draw their arrows, thumbs and tracks from the control's own
// geometry; each image here is a single colour so every part can be told apart.
#include "dui/controls/scroll_bar.h"
#include "dui/controls/slider.h"
#include "dui/core/content_metrics.h"
#include "dui/core/host_window.h"
#include "style_fixture.h"

namespace tamlo::test {
namespace {

using dui::ScrollBar;

constexpr uint32_t kBlackPixel = 0xFF000000u;
constexpr uint32_t kWhitePixel = 0xFFFFFFFFu;
constexpr uint32_t kRedPixel = 0xFFFF0000u;
constexpr uint32_t kGreenPixel = 0xFF00FF00u;
constexpr uint32_t kBluePixel = 0xFF0000FFu;
constexpr uint32_t kGrayPixel = 0xFF808080u;
constexpr uint32_t kYellowPixel = 0xFFFFFF00u;
constexpr uint32_t kCyanPixel = 0xFF00FFFFu;
constexpr uint32_t kPurplePixel = 0xFF800080u;

// Image sizes straight from the installed style set, as the running program has them.
class StyleSetMetrics : public dui::ContentMetrics {
  public:
    // Holds the fixture's pointer, which is set only once the fixture is set up.
    explicit StyleSetMetrics(std::unique_ptr<dui::StyleSet>& styles) : styles_(styles) {}
    Size textExtent(std::u16string_view, std::u16string_view) override { return {}; }
    bool imageSize(std::u16string_view file, Size& out) override {
        const render::Image* image = styles_->image(file);
        if (image == nullptr) {
            return false;
        }
        out = Size{image->width(), image->height()};
        return true;
    }
    bool styleImageSize(std::u16string_view styleName, dui::AttributeKey key, Size& out) override {
        dui::Style* style = styles_->getStyle(std::u16string(styleName));
        const std::u16string* file = style != nullptr ? style->findText(key) : nullptr;
        return file != nullptr && imageSize(*file, out);
    }
    bool styleExists(std::u16string_view styleName) override {
        return styles_->getStyle(std::u16string(styleName)) != nullptr;
    }

  private:
    std::unique_ptr<dui::StyleSet>& styles_;
};

// Just enough of a window for a scroll bar to accept positions.
class QuietWindow : public dui::HostWindow {
  public:
    void registerControlId(int32_t, dui::Control*) override {}
    void forgetControl(dui::Control*) override {}
    Rect clientRect() const override { return {0, 0, 400, 300}; }
    void invalidateRect(const Rect&) override {}
    void requestRepaint(bool) override {}
    Point cursorPosition() const override { return {}; }
};

class ScrollSliderDraw : public StyleTest {
  protected:
    void SetUp() override {
        StyleTest::SetUp();
        files[u"bar.png"] = solidPng(4, 4, 0x808080FF);
        files[u"red.png"] = solidPng(10, 6, 0xFF0000FF);
        files[u"green.png"] = solidPng(10, 6, 0x00FF00FF);
        files[u"blue.png"] = solidPng(10, 6, 0x0000FFFF);
        files[u"white.png"] = solidPng(10, 6, 0xFFFFFFFF);
        files[u"purple.png"] = solidPng(10, 6, 0x800080FF);
        files[u"yellow.png"] = solidPng(4, 4, 0xFFFF00FF);
        files[u"cyan.png"] = solidPng(2, 2, 0x00FFFFFF);
        files[u"vscrollbar.xml"] =
            R"(<Style><Config type="ScrollBar"><Prop barSkin="bar.png" )"
            R"(upArrowUpSkin="red.png" upArrowOverSkin="green.png" upArrowDownSkin="blue.png" )"
            R"(upArrowDisabledSkin="white.png" downArrowUpSkin="purple.png" )"
            R"(downArrowDisabledSkin="white.png" thumbUpSkin="yellow.png" )"
            R"(thumbDownSkin="green.png" thumbUpIcon="cyan.png"/></Config></Style>)";
        files[u"thumb.png"] = solidPng(10, 10, 0xFF0000FF);
        files[u"thumbover.png"] = solidPng(10, 10, 0x00FF00FF);
        files[u"thumbdown.png"] = solidPng(10, 10, 0x0000FFFF);
        files[u"track.png"] = solidPng(4, 2, 0xFFFFFFFF);
        files[u"slider.xml"] =
            R"(<Style><Config type="Slider"><Prop barSkin="bar.png" trackSkin="track.png" )"
            R"(thumbUpSkin="thumb.png" thumbOverSkin="thumbover.png" )"
            R"(thumbDownSkin="thumbdown.png"/></Config></Style>)";
        reload();
        previousMetrics = dui::setContentMetrics(&metrics);
    }
    void TearDown() override {
        dui::setContentMetrics(previousMetrics);
        StyleTest::TearDown();
    }
    // A vertical bar 10 x 100 whose arrows are 6 high, scrolled to `position`.
    void setUpBar(ScrollBar& bar, int32_t total, int32_t page, int32_t position) {
        bar.setRect(Rect{0, 0, 10, 100});
        bar.arrangeContent(10, 100);
        bar.setTotal(total);
        bar.setPage(page);
        bar.attach(&window);
        bar.EnsurePosition(position);
    }
    void draw(dui::Control& control, const std::u16string& style, const Rect& bounds) {
        render::Canvas& canvas = surface(120, 120, 0);
        dui::Style* found = styles->getStyle(style);
        ASSERT_NE(found, nullptr);
        found->draw(canvas, bounds, control);
    }

    StyleSetMetrics metrics{styles};
    dui::ContentMetrics* previousMetrics = nullptr;
    QuietWindow window;
};

TEST_F(ScrollSliderDraw, ThumbIsTheVisibleShareOfTheTrackPlacedByThePosition) {
    ScrollBar bar;
    // Track 6 .. 94 (88 long): 250 x 88 / 1000 + 1 = 23, offset (88 - 23) at the end.
    setUpBar(bar, 1000, 250, 750);
    EXPECT_EQ(bar.upArrowRect(), (Rect{0, 0, 10, 6}));
    EXPECT_EQ(bar.thumbRect(), (Rect{0, 71, 10, 94}));
    bar.EnsurePosition(0);
    EXPECT_EQ(bar.thumbRect(), (Rect{0, 6, 10, 29}));
    // A thumb never shrinks below 20 pixels.
    bar.setTotal(100000);
    EXPECT_EQ(bar.thumbRect().height(), 20);
    // Nothing to scroll: the thumb covers the track and nothing divides by zero.
    bar.setTotal(250);
    bar.EnsurePosition(0);
    EXPECT_EQ(bar.thumbRect(), (Rect{0, 6, 10, 95}));
    bar.setTotal(0);
    bar.setPage(0);
    EXPECT_EQ(bar.thumbRect(), (Rect{0, 6, 10, 95}));
    bar.detach();

    ScrollBar across;
    across.setVertical(false);
    across.setRect(Rect{0, 0, 100, 10});
    across.arrangeContent(100, 10);
    across.setTotal(1000);
    across.setPage(250);
    // The arrows are 10 wide here: track 10 .. 90, 250 x 80 / 1000 + 1 = 21.
    EXPECT_EQ(across.thumbRect(), (Rect{10, 0, 31, 10}));
}

TEST_F(ScrollSliderDraw, EnabledBarDrawsArrowsByPartAndANarrowedThumb) {
    ScrollBar bar;
    setUpBar(bar, 1000, 250, 750);
    ASSERT_TRUE(bar.isEnabled());
    const Rect bounds{20, 10, 30, 110};
    draw(bar, u"vscrollbar.xml", bounds);
    EXPECT_EQ(at(25, 12), kRedPixel);
    EXPECT_EQ(at(25, 107), kPurplePixel);
    // Thumb at 81 .. 104 on screen, one pixel in from each side of the bar.
    EXPECT_EQ(at(20, 90), kGrayPixel);
    EXPECT_EQ(at(21, 90), kYellowPixel);
    EXPECT_EQ(at(28, 90), kYellowPixel);
    EXPECT_EQ(at(29, 90), kGrayPixel);
    EXPECT_EQ(at(25, 80), kGrayPixel);
    EXPECT_EQ(at(25, 81), kYellowPixel);
    EXPECT_EQ(at(25, 103), kYellowPixel);
    // The 2 x 2 icon centred on the thumb: ((20 + 30 - 2) / 2, (81 + 104 - 2) / 2).
    EXPECT_EQ(at(24, 91), kCyanPixel);
    EXPECT_EQ(at(25, 92), kCyanPixel);
    EXPECT_EQ(at(23, 91), kYellowPixel);
    EXPECT_EQ(at(26, 91), kYellowPixel);

    bar.setPartState(ScrollBar::UpArrowHovered);
    draw(bar, u"vscrollbar.xml", bounds);
    EXPECT_EQ(at(25, 12), kGreenPixel);
    EXPECT_EQ(at(25, 107), kPurplePixel);
    bar.setPartState(ScrollBar::UpArrowHovered | ScrollBar::UpArrowPressed);
    draw(bar, u"vscrollbar.xml", bounds);
    EXPECT_EQ(at(25, 12), kBluePixel);
    // A pressed thumb takes its down skin; its missing down icon draws nothing.
    bar.setPartState(ScrollBar::ThumbPressed);
    draw(bar, u"vscrollbar.xml", bounds);
    EXPECT_EQ(at(25, 12), kRedPixel);
    EXPECT_EQ(at(24, 91), kGreenPixel);
    // A hovered down arrow without an over skin draws no arrow at all.
    bar.setPartState(ScrollBar::DownArrowHovered);
    draw(bar, u"vscrollbar.xml", bounds);
    EXPECT_EQ(at(25, 107), kGrayPixel);
    bar.detach();
}

TEST_F(ScrollSliderDraw, DisabledBarDrawsDisabledArrowsAndNoThumb) {
    ScrollBar bar;
    setUpBar(bar, 100, 250, 0);
    ASSERT_FALSE(bar.isEnabled());
    bar.setPartState(ScrollBar::UpArrowPressed | ScrollBar::ThumbPressed);
    draw(bar, u"vscrollbar.xml", {20, 10, 30, 110});
    EXPECT_EQ(at(25, 12), kWhitePixel);
    EXPECT_EQ(at(25, 107), kWhitePixel);
    for (int32_t y = 16; y < 104; y += 4) {
        EXPECT_EQ(at(25, y), kGrayPixel) << y;
    }
    bar.detach();
}

TEST_F(ScrollSliderDraw, SliderSplitsBarAndTrackAtTheThumbCentre) {
    dui::Slider slider;
    slider.setRect(Rect{0, 0, 110, 10});
    // Value 50 of 100: (110 - 10) x 50 / 100 = 50, so the thumb spans 50 .. 60, centre 55.
    EXPECT_EQ(slider.thumbRect(), (Rect{50, 0, 60, 10}));
    draw(slider, u"slider.xml", {0, 5, 110, 15});
    // Track (2 high, rows 9-10) left of the centre; bar (4 high, rows 8-11) right of it.
    EXPECT_EQ(at(20, 9), kWhitePixel);
    EXPECT_EQ(at(20, 10), kWhitePixel);
    EXPECT_EQ(at(20, 8), kBlackPixel);
    EXPECT_EQ(at(20, 11), kBlackPixel);
    EXPECT_EQ(at(80, 8), kGrayPixel);
    EXPECT_EQ(at(80, 11), kGrayPixel);
    EXPECT_EQ(at(80, 7), kBlackPixel);
    EXPECT_EQ(at(80, 12), kBlackPixel);
    EXPECT_EQ(at(49, 9), kWhitePixel);
    EXPECT_EQ(at(60, 8), kGrayPixel);
    EXPECT_EQ(at(50, 5), kRedPixel);
    EXPECT_EQ(at(59, 14), kRedPixel);
    EXPECT_EQ(at(50, 4), kBlackPixel);

    slider.setFlags(dui::ControlFlag::Checked, true);
    draw(slider, u"slider.xml", {0, 5, 110, 15});
    EXPECT_EQ(at(55, 10), kGreenPixel);
    slider.setFlags(dui::ControlFlag::Captured, true);
    draw(slider, u"slider.xml", {0, 5, 110, 15});
    EXPECT_EQ(at(55, 10), kBluePixel);
}

TEST_F(ScrollSliderDraw, VerticalSliderStillSplitsAcross) {
    files[u"tallbar.png"] = solidPng(4, 40, 0x808080FF);
    files[u"talltrack.png"] = solidPng(4, 40, 0xFFFFFFFF);
    files[u"tall.xml"] =
        R"(<Style><Config type="Slider"><Prop barSkin="tallbar.png" trackSkin="talltrack.png" )"
        R"(thumbUpSkin="thumb.png"/></Config></Style>)";
    reload();
    dui::Slider slider;
    slider.setText(dui::key::style, u"tall.xml");
    slider.setInt(dui::key::orientation, dui::enumValue(dui::EnumWord::Vertical));
    slider.setRect(Rect{0, 0, 30, 110});
    EXPECT_EQ(slider.thumbRect(), (Rect{0, 50, 30, 60}));
    draw(slider, u"tall.xml", {0, 0, 30, 110});
    // Centre x = 15: track left of it, bar right of it, both centred on the height (35 .. 75).
    EXPECT_EQ(at(14, 40), kWhitePixel);
    EXPECT_EQ(at(15, 40), kGrayPixel);
    EXPECT_EQ(at(29, 74), kGrayPixel);
    EXPECT_EQ(at(5, 34), kBlackPixel);
    EXPECT_EQ(at(25, 75), kBlackPixel);
    EXPECT_EQ(at(15, 55), kRedPixel);
}

}  // namespace
}  // namespace tamlo::test
