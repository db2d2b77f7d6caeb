// Drawing on a scaled canvas: logical coordinates in, device pixels out.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/display_scale.h"
#include "platform/png_encoding.h"
#include "render/canvas.h"
#include "render/image.h"
#include "render/image_cache.h"
#include "render/raster/raster_drawing.h"
#include "render/text.h"
#include "render_test_support.h"

namespace tamlo::render {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

std::vector<Drawing*> implementations() {
    std::vector<Drawing*> all{&buildDrawing()};
    if (&rasterDrawing() != &buildDrawing()) {
        all.push_back(&rasterDrawing());
    }
    return all;
}

// PNG bytes of a white image with black columns at `blackColumns`.
std::string columnsPng(int32_t width, int32_t height, std::vector<int32_t> blackColumns) {
    std::vector<uint8_t> rgba;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            bool black = false;
            for (int32_t column : blackColumns) {
                black |= column == x;
            }
            const uint8_t value = black ? 0 : 255;
            rgba.insert(rgba.end(), {value, value, value, 255});
        }
    }
    return platform::pngBytes(rgba, width, height);
}

class ScaledDrawingTest : public ::testing::TestWithParam<Drawing*> {};

// A skin with "line.png" (1x, its line two logical pixels from the left, blurred over two
// 1x columns so a blocky upscale could not pass) and its sharp "line@2x.png".
TEST_P(ScaledDrawingTest, ADenserVariantKeepsAOnePixelLineOneDevicePixelWide) {
    const std::map<std::u16string, std::string> files{
        {u"skin/line.png", columnsPng(8, 4, {2})},
        {u"skin/line@2x.png", columnsPng(16, 8, {5})},
        {u"skin/line@1.5x.png", columnsPng(12, 6, {4})},
    };
    std::vector<std::u16string> asked;
    ImageCache cache([&](const std::u16string& name, std::vector<uint8_t>& bytes) {
        asked.push_back(name);
        const auto found = files.find(name);
        if (found == files.end()) {
            return false;
        }
        bytes.assign(found->second.begin(), found->second.end());
        return true;
    });
    const Image* image = cache.image(u"skin/line.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(asked.size(), 1u);  // nothing denser is decoded until a scaled canvas asks
    for (const double scale : {1.0, 1.5, 2.0}) {
        Bitmap target;
        ASSERT_TRUE(target.allocate(toDevice(8, scale), toDevice(4, scale)));
        Canvas canvas(target, *GetParam(), scale);
        ASSERT_TRUE(image->drawAt(canvas, 0, 0));
        EXPECT_EQ(image->width(), 8);  // sizes stay in logical pixels
        const int32_t line = scale == 1.0 ? 2 : scale == 1.5 ? 4 : 5;
        for (int32_t x = 0; x < target.width(); ++x) {
            for (int32_t y = 0; y < target.height(); ++y) {
                ASSERT_EQ(target.pixel(x, y), x == line ? kBlack : kWhite)
                    << "scale " << scale << " at " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(image->variantCount(), 2u);
}

TEST_P(ScaledDrawingTest, AnImageWithoutADenserPartnerIsResampledSmoothly) {
    Image image;
    test::makeImage(image, 2, 1,
                    [](int32_t x, int32_t) { return x == 0 ? 0x000000FFu : 0xFFFFFFFFu; });
    Bitmap target;
    ASSERT_TRUE(target.allocate(8, 4));
    Canvas canvas(target, *GetParam(), 4.0);
    ASSERT_TRUE(image.drawAt(canvas, 0, 0));
    // Nearest sampling would give four black then four white pixels; a smooth filter
    // ramps from one to the other through greys that rise left to right.
    EXPECT_EQ(target.pixel(0, 0), kBlack);
    EXPECT_EQ(target.pixel(7, 0), kWhite);
    int greys = 0;
    for (int32_t x = 1; x < 8; ++x) {
        EXPECT_GE(target.pixel(x, 2) & 0xFF, target.pixel(x - 1, 2) & 0xFF) << x;
        greys += target.pixel(x, 2) != kBlack && target.pixel(x, 2) != kWhite;
    }
    EXPECT_GE(greys, 2);
}

TEST_P(ScaledDrawingTest, FillsAndClipsLandOnDevicePixels) {
    Bitmap target;
    ASSERT_TRUE(target.allocate(30, 30));
    Canvas canvas(target, *GetParam(), 1.5);
    canvas.save();
    canvas.clipTo(Rect{0, 0, 10, 20});
    canvas.fillRect(Rect{1, 1, 20, 3}, 0x0000FF);
    canvas.restore();
    // Logical 1..10 (clipped) by 1..3 is device 2..15 by 2..5.
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 30; ++x) {
            const bool inside = x >= 2 && x < 15 && y >= 2 && y < 5;
            ASSERT_EQ(target.pixel(x, y), inside ? 0xFFFF0000u : 0u) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothImplementations, ScaledDrawingTest,
                         ::testing::ValuesIn(implementations()),
                         [](const ::testing::TestParamInfo<Drawing*>& info) {
                             return info.param == &rasterDrawing() ? std::string("Raster")
                                                                   : std::string("Build");
                         });

// Text on a 2x canvas is the text of a font twice the size drawn at 1x: laid out at the
// device's resolution, not drawn small and enlarged.
TEST(ScaledTextTest, TextAtTwiceTheScaleIsTextDrawnNativelyAtTwiceTheSize) {
    FontSpec small;
    small.height = -13;
    FontSpec large = small;
    large.height = -26;
    const Font smallFont(small);
    const Font largeFont(large);

    Bitmap scaled;
    ASSERT_TRUE(scaled.allocate(240, 60));
    Canvas scaledCanvas(scaled, 2.0);
    Rect logical{4, 3, 120, 30};
    drawText(scaledCanvas, logical, u"Install &now", &smallFont, 0x202020,
             win32::DT_SINGLELINE | win32::DT_VCENTER);

    Bitmap native;
    ASSERT_TRUE(native.allocate(240, 60));
    Canvas nativeCanvas(native);
    Rect device{8, 6, 240, 60};
    drawText(nativeCanvas, device, u"Install &now", &largeFont, 0x202020,
             win32::DT_SINGLELINE | win32::DT_VCENTER);

    int inked = 0;
    for (int32_t y = 0; y < 60; ++y) {
        for (int32_t x = 0; x < 240; ++x) {
            ASSERT_EQ(scaled.pixel(x, y), native.pixel(x, y)) << x << "," << y;
            inked += native.pixel(x, y) != 0;
        }
    }
    EXPECT_GT(inked, 100);
}

// A desktop whose fonts are set to 120 DPI draws 16-pixel text as 20-pixel text, on top of
// the window's scale; an unknown DPI (GDK says -1) changes nothing.
TEST(ScaledTextTest, TheDesktopsFontDpiEnlargesTextAlone) {
    EXPECT_EQ(fontResolutionFactor(-1.0), 1.0);
    EXPECT_EQ(fontResolutionFactor(96.0), 1.0);
    EXPECT_EQ(fontResolutionFactor(1e9), kMaxDisplayScale);
    FontSpec sixteenPixels;
    sixteenPixels.height = -16;
    FontSpec enlarged = sixteenPixels;
    enlarged.height = -40;  // 16 x 1.25 x 2
    const Font font(sixteenPixels);
    const Font enlargedFont(enlarged);

    const Size plain = measureText(&font, u"安装 Install", 0);
    setTextScale(fontResolutionFactor(120.0));
    const Size larger = measureText(&font, u"安装 Install", 0);
    Bitmap scaled;
    ASSERT_TRUE(scaled.allocate(300, 80));
    Canvas scaledCanvas(scaled, 2.0);
    Rect logical{0, 0, 150, 40};
    drawText(scaledCanvas, logical, u"安装 Install", &font, 0x202020, win32::DT_SINGLELINE);
    setTextScale(1.0);

    EXPECT_GT(larger.width, plain.width * 6 / 5);
    EXPECT_GT(larger.height, plain.height);
    Bitmap native;
    ASSERT_TRUE(native.allocate(300, 80));
    Canvas nativeCanvas(native);
    Rect device{0, 0, 300, 80};
    drawText(nativeCanvas, device, u"安装 Install", &enlargedFont, 0x202020, win32::DT_SINGLELINE);
    int inked = 0;
    for (int32_t y = 0; y < 80; ++y) {
        for (int32_t x = 0; x < 300; ++x) {
            ASSERT_EQ(scaled.pixel(x, y), native.pixel(x, y)) << x << "," << y;
            inked += native.pixel(x, y) != 0;
        }
    }
    EXPECT_GT(inked, 100);
}

TEST(DisplayScaleTest, ScalesAreReadInTheirUsualSpellings) {
    EXPECT_EQ(parseDisplayScale("1.5"), 1.5);
    EXPECT_EQ(parseDisplayScale("200%"), 2.0);
    EXPECT_EQ(parseDisplayScale("2x"), 2.0);
    for (const char* wrong : {"", "x", "0", "9", "1.5px", "-2", "nan"}) {
        EXPECT_FALSE(parseDisplayScale(wrong)) << wrong;
    }
    EXPECT_EQ(variantName(u"skin/a.b/button.png", u"@2x"), u"skin/a.b/button@2x.png");
    EXPECT_EQ(variantName(u"skin.d/button", u"@2x"), u"skin.d/button@2x");
}

}  // namespace
}  // namespace tamlo::render
