// Back buffer life, the canvas's saved state, colour conversion, and the cross-fade.
#include <gtest/gtest.h>

#include "render/back_buffer.h"
#include "render/cross_fade.h"
#include "render_test_support.h"

namespace tamlo::render {
namespace {

TEST(BackBufferTest, KeepsPixelsAtTheSameSizeAndStartsFreshOtherwise) {
    BackBuffer buffer;
    EXPECT_EQ(buffer.canvas(), nullptr);
    test::fill(buffer, 3, 2, rgb(9, 9, 9));
    ASSERT_TRUE(buffer.resize(3, 2));
    EXPECT_EQ(buffer.pixels().pixel(2, 1), 0xFF090909u);  // never cleared
    ASSERT_TRUE(buffer.resize(4, 2));
    EXPECT_EQ(buffer.pixels().pixel(2, 1), 0u);
    EXPECT_FALSE(buffer.resize(0, 5));
    EXPECT_FALSE(buffer.resize(40000, 1));
    EXPECT_FALSE(buffer.exists());
    EXPECT_EQ(buffer.canvas(), nullptr);
}

TEST(CanvasTest, ColorRefBecomesThePremultipliedWord) {
    BackBuffer buffer;
    test::fill(buffer, 1, 1, rgb(0x12, 0x34, 0x56));
    EXPECT_EQ(buffer.pixels().pixel(0, 0), 0xFF123456u);
    const uint8_t* bytes = buffer.pixels().bytes();
    EXPECT_EQ(bytes[0], 0x56);  // blue first in memory
    EXPECT_EQ(bytes[3], 0xFF);
}

TEST(CanvasTest, RestoreBringsBackFontColourAndClipAndIgnoresExtraRestores) {
    BackBuffer buffer;
    test::fill(buffer, 4, 4, 0);
    Canvas& canvas = *buffer.canvas();
    Font bold(FontSpec{u"Sans", -14, 700, false});
    canvas.restore();  // unbalanced: must not break the canvas
    canvas.setTextColor(rgb(1, 2, 3));
    canvas.save();
    canvas.selectFont(&bold);
    canvas.setTextColor(rgb(4, 5, 6));
    canvas.clipTo({0, 0, 1, 1});
    EXPECT_EQ(canvas.clipBounds(), (Rect{0, 0, 1, 1}));
    canvas.restore();
    canvas.restore();
    EXPECT_EQ(&canvas.font(), &Font::defaultGui());
    EXPECT_EQ(canvas.textColor(), rgb(1, 2, 3));
    EXPECT_EQ(canvas.selectFont(nullptr), &Font::defaultGui());  // null selects nothing
    canvas.fillRect({0, 0, 4, 4}, rgb(255, 0, 0));
    EXPECT_EQ(buffer.pixels().pixel(3, 3), 0xFFFF0000u);
}

TEST(FontTest, LongFacesAreCutAndSizesTakeTheMagnitude) {
    Font font(FontSpec{std::u16string(40, u'x'), 0, 400, true});
    EXPECT_EQ(font.fontSpec().face.size(), FontSpec::kMaxFaceLength);
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(Font(FontSpec{u"Sans", 20, 400, false}).pixelSize(), 20);
    EXPECT_EQ(Font(FontSpec{u"Sans", INT32_MIN, 400, false}).pixelSize(), 4096);
}

class CrossFadeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (Bitmap* bitmap : {&first, &second, &out}) {
            bitmap->allocate(2, 1);
        }
        first.setPixel(0, 0, 0xC8C8C8C8u);
        first.setPixel(1, 0, 0xFF00FF10u);
        second.setPixel(0, 0, 0x64646464u);
        second.setPixel(1, 0, 0x00FF0020u);
    }
    Bitmap first, second, out;
};

TEST_F(CrossFadeTest, MixesEveryByteWithTheWeight) {
    crossFade(out, first, second, 128);
    EXPECT_EQ(out.pixel(0, 0), 0x96969696u);  // (200 * 128 + 100 * 128) >> 8 = 150
    EXPECT_EQ(&crossFade(out, first, second, 0), &out);
    EXPECT_EQ(out.pixel(0, 0), second.pixel(0, 0));
    EXPECT_EQ(out.pixel(1, 0), second.pixel(1, 0));
    crossFade(out, first, second, 255);  // (255 * 255 + 0) >> 8 = 254
    EXPECT_EQ(out.pixel(1, 0), 0xFE00FE10u);
}

TEST_F(CrossFadeTest, MismatchedSizesLeaveTheDestinationAlone) {
    Bitmap small;
    small.allocate(1, 1);
    out.setPixel(0, 0, 7);
    crossFade(out, first, small, 128);
    crossFade(small, first, second, 128);
    EXPECT_EQ(out.pixel(0, 0), 7u);
    EXPECT_EQ(small.pixel(0, 0), 0u);
}

}  // namespace
}  // namespace tamlo::render
