// Which image and caption each style draws for a control's state, checked on small
// surfaces with images of one colour per state.
#include <cstdlib>
#include <typeinfo>

#include "render/color.h"
#include "style_fixture.h"

namespace tamlo::test {
namespace {

using dui::ControlFlag::Captured;
using dui::ControlFlag::Checked;
using dui::ControlFlag::Enabled;
using dui::ControlFlag::Focused;
using dui::ControlFlag::Hovered;

constexpr uint32_t kBlackPixel = 0xFF000000u;
constexpr uint32_t kWhitePixel = 0xFFFFFFFFu;
constexpr uint32_t kRedPixel = 0xFFFF0000u;
constexpr uint32_t kGreenPixel = 0xFF00FF00u;
constexpr uint32_t kBluePixel = 0xFF0000FFu;
constexpr uint32_t kGrayPixel = 0xFF808080u;

class StyleDraw : public StyleTest {
  protected:
    void SetUp() override {
        StyleTest::SetUp();
        files[u"up.png"] = solidPng(4, 4, 0xFF0000FF);
        files[u"over.png"] = solidPng(4, 4, 0x00FF00FF);
        files[u"down.png"] = solidPng(4, 4, 0x0000FFFF);
        files[u"off.png"] = solidPng(4, 4, 0x808080FF);
        files[u"font.xml"] = R"(<Fonts><Font name="Default" size="20" bold="true"/></Fonts>)";
        reload();
    }
    void addStyle(const std::u16string& name, const std::string& type, const std::string& props) {
        files[name] = "<Style><Config type=\"" + type + "\"><Prop " + props + "/></Config></Style>";
    }
    // The pixel at the middle of (10, 10, 30, 30) after drawing `style` for a control with
    // `flags` on a black surface.
    uint32_t skinFor(const std::u16string& style, uint32_t flags) {
        dui::Control control;
        control.setFlags(0xFFFFFFFFu & ~dui::ControlFlag::Visible, false);
        control.setFlags(flags, true);
        dui::Style* found = styles->getStyle(style);
        EXPECT_NE(found, nullptr);
        render::Canvas& canvas = surface(40, 40, 0);
        if (found != nullptr) {
            found->draw(canvas, {10, 10, 30, 30}, control);
        }
        return at(20, 20);
    }
    // Draws `style` for a control with `text` and `flags` over a surface of `background`.
    void drawCaption(const std::u16string& style, std::u16string_view text, uint32_t flags,
                     render::ColorRef background, Rect bounds = {0, 0, 100, 30}) {
        dui::Control control;
        control.setText(dui::key::text, text);
        control.setFlags(flags, true);
        render::Canvas& canvas = surface(100, 30, background);
        dui::Style* found = styles->getStyle(style);
        ASSERT_NE(found, nullptr);
        found->draw(canvas, bounds, control);
    }
    // The grey level of the ink farthest from the background level, or -1 for ink that is
    // not grey. Centred text may sit between pixels, so the extreme is only close.
    int extremeGrey(int backgroundLevel) {
        int extreme = backgroundLevel;
        for (uint32_t pixel : snapshot()) {
            const int red = static_cast<int>(pixel >> 16 & 0xFF);
            if (red != static_cast<int>(pixel >> 8 & 0xFF) ||
                red != static_cast<int>(pixel & 0xFF)) {
                return -1;
            }
            if (std::abs(red - backgroundLevel) > std::abs(extreme - backgroundLevel)) {
                extreme = red;
            }
        }
        return extreme;
    }
};

TEST_F(StyleDraw, SkinFollowsTheStateRulesWithoutFallingBackToUp) {
    addStyle(u"button.xml", "Button", R"(upSkin="up.png" overSkin="over.png" downSkin="down.png")");
    EXPECT_EQ(skinFor(u"button.xml", Enabled), kRedPixel);
    EXPECT_EQ(skinFor(u"button.xml", Enabled | Hovered), kGreenPixel);
    EXPECT_EQ(skinFor(u"button.xml", Enabled | Focused), kGreenPixel);
    EXPECT_EQ(skinFor(u"button.xml", Enabled | Hovered | Captured), kBluePixel);
    EXPECT_EQ(skinFor(u"button.xml", Enabled | Checked), kBluePixel);
    // Disabled without a disabled skin: nothing at all, not the up skin.
    EXPECT_EQ(skinFor(u"button.xml", Hovered | Captured), kBlackPixel);
    addStyle(u"plain.xml", "Style",
             R"(upSkin="up.png" downSkin="down.png" disabledSkin="off.png")");
    EXPECT_EQ(skinFor(u"plain.xml", Enabled | Checked), kBluePixel);
    EXPECT_EQ(skinFor(u"plain.xml", Checked), kGrayPixel);
}

TEST_F(StyleDraw, ToggleAndEditPickTheirOwnStates) {
    files[u"on.png"] = solidPng(4, 4, 0xFFFFFFFF);
    addStyle(u"toggle.xml", "ToggleButton",
             R"(upSkin="up.png" overSkin="over.png" checkedUpSkin="on.png")");
    EXPECT_EQ(skinFor(u"toggle.xml", Enabled), kRedPixel);
    EXPECT_EQ(skinFor(u"toggle.xml", Enabled | Checked), kWhitePixel);
    EXPECT_EQ(skinFor(u"toggle.xml", Enabled | Checked | Hovered), kBlackPixel);
    addStyle(u"edit.xml", "Edit", R"(upSkin="up.png" overSkin="over.png" downSkin="down.png")");
    EXPECT_EQ(skinFor(u"edit.xml", Enabled | Focused | Captured), kRedPixel);
    EXPECT_EQ(skinFor(u"edit.xml", Enabled | Hovered | Captured), kGreenPixel);
    addStyle(u"back.xml", "Background", R"(img="over.png" scaleGrid="1,1,1,1")");
    EXPECT_EQ(skinFor(u"back.xml", 0), kGreenPixel);
}

TEST_F(StyleDraw, ButtonExShowsOneQuarterOfItsStrip) {
    // Rows 0-1 red, 2-3 green, 4-5 blue, 6-7 gray.
    files[u"strip.png"] = pngOf(4, 8, [](int32_t, int32_t y) -> uint32_t {
        const uint32_t colours[] = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0x808080FF};
        return colours[y / 2];
    });
    addStyle(u"ex.xml", "ButtonEx", R"(src="strip.png")");
    EXPECT_EQ(skinFor(u"ex.xml", Enabled), kRedPixel);
    EXPECT_EQ(skinFor(u"ex.xml", Enabled | Hovered), kGreenPixel);
    EXPECT_EQ(at(10, 10), kGreenPixel);
    EXPECT_EQ(at(29, 29), kGreenPixel);
    EXPECT_EQ(skinFor(u"ex.xml", Enabled | Hovered | Captured), kBluePixel);
    EXPECT_EQ(skinFor(u"ex.xml", Hovered), kGrayPixel);
}

TEST_F(StyleDraw, CheckButtonExShowsOneEighthAtNaturalSize) {
    // Eight frames of two rows each, frame i in gray level 10 + 30 i.
    files[u"checks.png"] = pngOf(3, 16, [](int32_t, int32_t y) -> uint32_t {
        const uint32_t level = 10 + 30 * static_cast<uint32_t>(y / 2);
        return level << 24 | level << 16 | level << 8 | 0xFF;
    });
    addStyle(u"checkex.xml", "CheckButtonEx", "");
    files[u"checkex.xml"] =
        R"(<Style><Config type="CheckButtonEx"><Prop src="checks.png"/></Config></Style>)";
    dui::Control control;
    control.setFlags(Hovered | Checked, true);
    render::Canvas& canvas = surface(40, 40, 0);
    styles->getStyle(u"checkex.xml")->draw(canvas, {5, 5, 35, 35}, control);
    const uint32_t frame5 = 0xFF000000u | 160u << 16 | 160u << 8 | 160u;
    EXPECT_EQ(at(5, 5), frame5);
    EXPECT_EQ(at(7, 6), frame5);
    EXPECT_EQ(at(8, 5), kBlackPixel);
    EXPECT_EQ(at(5, 7), kBlackPixel);
}

TEST_F(StyleDraw, DownOffsetOneMovesThePressedCaptionByOnePixel) {
    addStyle(u"one.xml", "Button", R"(textColor="#000000" downOffset="1")");
    addStyle(u"two.xml", "Button", R"(textColor="#000000" downOffset="2")");
    const render::ColorRef white = render::rgb(255, 255, 255);
    drawCaption(u"one.xml", u"H", Enabled, white);
    const Rect released = inkBox(kWhitePixel);
    drawCaption(u"one.xml", u"H", Enabled | Captured, white);
    const Rect pressed = inkBox(kWhitePixel);
    EXPECT_EQ(pressed.left, released.left + 1);
    EXPECT_EQ(pressed.top, released.top + 1);
    drawCaption(u"two.xml", u"H", Enabled, white);
    const std::vector<uint32_t> twoReleased = snapshot();
    drawCaption(u"two.xml", u"H", Enabled | Captured, white);
    EXPECT_EQ(snapshot(), twoReleased);
}

TEST_F(StyleDraw, CaptionColourDefaultsDifferByStyle) {
    addStyle(u"button.xml", "Button", "");
    drawCaption(u"button.xml", u"H", Enabled, 0);
    EXPECT_GE(extremeGrey(0), 200);
    addStyle(u"check.xml", "CheckButton", "");
    drawCaption(u"check.xml", u"H", Enabled, 0);
    EXPECT_GE(extremeGrey(0), 200);
    const render::ColorRef white = render::rgb(255, 255, 255);
    addStyle(u"icon.xml", "IconButton", "");
    drawCaption(u"icon.xml", u"H", Enabled, white);
    EXPECT_LE(extremeGrey(255), 55);
    // The combo box's caption is black whatever the style says.
    addStyle(u"combo.xml", "ComboBox", R"(textColor="#FFFFFF")");
    drawCaption(u"combo.xml", u"H", Enabled, white);
    EXPECT_LE(extremeGrey(255), 55);
}

TEST_F(StyleDraw, CheckButtonCaptionStartsAfterIconGapAndMissingIconCountsAsZero) {
    files[u"box.png"] = solidPng(16, 12, 0xFF0000FF);
    addStyle(u"check.xml", "CheckButton", R"(upIcon="box.png" iconGap="6" textColor="#000000")");
    const render::ColorRef white = render::rgb(255, 255, 255);
    drawCaption(u"check.xml", u"H", Enabled, white, {10, 0, 100, 30});
    EXPECT_EQ(at(12, 15), kRedPixel);
    EXPECT_NE(at(28, 15), kRedPixel);
    // Caption ink (neither white nor the red icon) begins 24 pixels in.
    int32_t captionLeft = INT32_MAX;
    const render::Bitmap& pixels = buffer.pixels();
    for (int32_t y = 0; y < pixels.height(); ++y) {
        for (int32_t x = 0; x < pixels.width(); ++x) {
            const uint32_t pixel = pixels.pixel(x, y);
            if (pixel != kWhitePixel && pixel != kRedPixel) {
                captionLeft = std::min(captionLeft, x);
            }
        }
    }
    EXPECT_GE(captionLeft, 10 + 24);
    EXPECT_LE(captionLeft, 10 + 24 + 3);
    // Hovered wants overIcon, which this style lacks: the caption moves left to gap + 2.
    drawCaption(u"check.xml", u"H", Enabled | Hovered, white, {10, 0, 100, 30});
    const Rect ink = inkBox(kWhitePixel);
    EXPECT_GE(ink.left, 10 + 8);
    EXPECT_LE(ink.left, 10 + 8 + 3);
}

TEST_F(StyleDraw, PaintWalkDrawsTheControlsStyleByName) {
    addStyle(u"button.xml", "Button", R"(upSkin="up.png")");
    dui::Control control;
    control.setText(dui::key::style, u"button.xml");
    render::Canvas& canvas = surface(40, 40, 0);
    control.paint(canvas, {10, 10, 30, 30}, {10, 10, 30, 30});
    EXPECT_EQ(at(20, 20), kRedPixel);
    EXPECT_EQ(at(5, 5), kBlackPixel);
    EXPECT_FALSE(styles->drawStyle(u"missing.xml", canvas, {0, 0, 40, 40}, control));
    EXPECT_EQ(at(5, 5), kBlackPixel);
}

}  // namespace
}  // namespace tamlo::test
