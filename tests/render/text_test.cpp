// Text placement, measuring, the "&" rule and CJK fallback, checked through ink on small
// white surfaces.
#include <gtest/gtest.h>

#include "render/text.h"
#include "render_test_support.h"

namespace tamlo::render {
namespace {

using namespace win32;

constexpr uint32_t kWhite = 0xFFFFFFFFu;

struct Ink {
    int count = 0;
    Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
};

Ink inkOf(BackBuffer& buffer) {
    Ink ink;
    const Bitmap& pixels = buffer.pixels();
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            if (pixels.pixel(x, y) != kWhite) {
                ++ink.count;
                ink.box = {std::min(ink.box.left, x), std::min(ink.box.top, y),
                           std::max(ink.box.right, x + 1), std::max(ink.box.bottom, y + 1)};
            }
        }
    }
    return ink;
}

Ink inkOfText(std::u16string_view text, Rect rect, uint32_t format, Size size = {120, 40}) {
    BackBuffer buffer;
    test::fill(buffer, size.width, size.height, rgb(255, 255, 255));
    drawText(*buffer.canvas(), rect, text, nullptr, 0, format);
    return inkOf(buffer);
}

TEST(TextPrefix, DoubledAmpersandIsOneAndOthersMarkTheNextCharacter) {
    PrefixedText a = resolvePrefixes(u"&Save && &Quit&");
    EXPECT_EQ(a.text, u"Save & Quit&");
    ASSERT_EQ(a.underlined.size(), 2u);
    EXPECT_EQ(a.underlined[0], (std::pair<size_t, size_t>{0, 1}));
    EXPECT_EQ(a.underlined[1], (std::pair<size_t, size_t>{7, 1}));
    PrefixedText pair = resolvePrefixes(u"&\U0001F600");
    EXPECT_EQ(pair.underlined[0], (std::pair<size_t, size_t>{0, 2}));
}

TEST(TextMeasure, PrefixesAreRemovedUnlessDisabled) {
    const Size plain = measureText(nullptr, u"A&B", DT_NOPREFIX | DT_SINGLELINE);
    EXPECT_EQ(measureText(nullptr, u"A&&B", DT_SINGLELINE).width, plain.width);
    EXPECT_EQ(measureText(nullptr, u"&AB", DT_SINGLELINE).width,
              measureText(nullptr, u"AB", DT_NOPREFIX | DT_SINGLELINE).width);
    EXPECT_GT(plain.width, measureText(nullptr, u"AB").width);
}

TEST(TextMeasure, CalcRectSetsTheExtentAndDrawsNothing) {
    BackBuffer buffer;
    test::fill(buffer, 40, 40, rgb(255, 255, 255));
    Rect rect{10, 20, 10, 20};
    const int32_t height =
        drawText(*buffer.canvas(), rect, u"Hello", nullptr, 0, DT_CALCRECT | DT_SINGLELINE);
    const Size measured = measureText(nullptr, u"Hello");
    EXPECT_EQ(rect, (Rect{10, 20, 10 + measured.width, 20 + measured.height}));
    EXPECT_EQ(height, measured.height);
    EXPECT_GE(measured.height, 12);  // a -12 px font's line
    EXPECT_LE(measured.height, 20);
    EXPECT_EQ(inkOf(buffer).count, 0);

    const Size twoLines = measureText(nullptr, u"Hello\nHi", 0);
    EXPECT_EQ(twoLines.width, measured.width);
    EXPECT_GE(twoLines.height, 2 * measured.height - 1);
    Font big(FontSpec{u"Sans", -24, 700, false});
    EXPECT_GT(measureText(&big, u"Hello").height, measured.height);
    EXPECT_GT(measureText(&big, u"Hello").width, measured.width);
}

TEST(TextDraw, HorizontalAndVerticalAlignment) {
    const Rect rect{0, 0, 120, 40};
    const Ink left = inkOfText(u"IIII", rect, DT_SINGLELINE | DT_LEFT);
    const Ink centre = inkOfText(u"IIII", rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    const Ink right = inkOfText(u"IIII", rect, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    EXPECT_LT(left.box.left, 4);
    EXPECT_NEAR(centre.box.left + centre.box.right, 120, 4);
    EXPECT_GT(right.box.right, 114);
    EXPECT_LT(left.box.top, 8);
    EXPECT_NEAR(centre.box.top + centre.box.bottom, 40, 4);
    EXPECT_GT(right.box.bottom, 32);
}

TEST(TextDraw, TextIsClippedToItsRectangleUnlessNoClip) {
    const Rect narrow{0, 0, 10, 20};
    EXPECT_LE(inkOfText(u"WWWWWW", narrow, DT_SINGLELINE).box.right, 10);
    EXPECT_GT(inkOfText(u"WWWWWW", narrow, DT_SINGLELINE | DT_NOCLIP).box.right, 10);
}

TEST(TextDraw, PrefixUnderlinesTheMarkedCharacter) {
    const Rect rect{0, 0, 40, 30};
    const Ink marked = inkOfText(u"&x", rect, DT_SINGLELINE);
    const Ink plain = inkOfText(u"&x", rect, DT_SINGLELINE | DT_NOPREFIX);
    const Ink bare = inkOfText(u"x", rect, DT_SINGLELINE);
    EXPECT_GT(marked.box.bottom, bare.box.bottom);  // the underline sits below the x
    EXPECT_EQ(marked.box.left, bare.box.left);      // and no "&" is drawn before it
    EXPECT_GT(plain.box.right, bare.box.right);
}

TEST(TextDraw, GrayscaleInkInTheTextColour) {
    BackBuffer buffer;
    test::fill(buffer, 60, 30, rgb(255, 255, 255));
    Rect rect{0, 0, 60, 30};
    drawText(*buffer.canvas(), rect, u"Sa", nullptr, rgb(0, 0, 0), DT_SINGLELINE);
    bool sawGray = false;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 60; ++x) {
            const uint32_t p = buffer.pixels().pixel(x, y);
            const uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            ASSERT_TRUE(r == g && g == b) << "colour fringe at " << x << "," << y;
            sawGray |= r > 0 && r < 255;
        }
    }
    EXPECT_TRUE(sawGray);
    EXPECT_EQ(buffer.canvas()->textColor(), rgb(0, 0, 0));
    EXPECT_EQ(&buffer.canvas()->font(), &Font::defaultGui());
}

TEST(TextDraw, ChineseTextProducesInk) {
    const std::u16string text = u"安装程序";
    const Size size = measureText(nullptr, text);
    EXPECT_GE(size.width, 4 * 10);
    EXPECT_GT(inkOfText(text, {0, 0, 120, 40}, DT_SINGLELINE | DT_VCENTER).count, 40);
}

}  // namespace
}  // namespace tamlo::render
