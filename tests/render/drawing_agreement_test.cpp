// The two drawing implementations: pixel properties each must have, and the raster loops
// giving exactly the build's pixels (cairo's on Linux) for the same fills and blits.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/canvas.h"
#include "render/drawing.h"
#include "render/image.h"
#include "render/raster/raster_drawing.h"
#include "render_test_support.h"

namespace tamlo::render {
namespace {

// A deterministic pixel pattern: every pixel different, alpha as given.
Bitmap patterned(int32_t width, int32_t height, uint32_t alpha, uint32_t seed) {
    Bitmap bitmap;
    bitmap.allocate(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c =
                (static_cast<uint32_t>(x) * 37u + static_cast<uint32_t>(y) * 101u + seed * 13u) &
                0xFFu;
            const uint32_t scaled = c * alpha / 255;  // premultiplied
            bitmap.setPixel(x, y,
                            alpha << 24 | scaled << 16 | (scaled ^ 0x5Au) * alpha / 255 << 8 |
                                (255 - c) * alpha / 255);
        }
    }
    return bitmap;
}

std::vector<uint32_t> copyOf(const Bitmap& bitmap) {
    return std::vector<uint32_t>(bitmap.pixels(),
                                 bitmap.pixels() + bitmap.width() * bitmap.height());
}

class DrawingTest : public ::testing::TestWithParam<Drawing*> {
  protected:
    Drawing& drawing() const { return *GetParam(); }
};

TEST_P(DrawingTest, TransparentSourceChangesNothingAndOpaqueSourceReplaces) {
    Bitmap target = patterned(23, 17, 255, 1);
    const std::vector<uint32_t> before = copyOf(target);
    Bitmap clear;
    clear.allocate(5, 3);
    drawing().blit(target, {0, 0, 23, 17}, clear, {0, 0, 5, 3}, {-2, 1, 19, 13},
                   BlitMode::SourceOver);
    EXPECT_EQ(copyOf(target), before);

    // Opaque pixels drawn source-over land exactly as a copy would put them.
    const Bitmap opaque = patterned(5, 3, 255, 2);
    Bitmap copied = patterned(23, 17, 255, 1);
    drawing().blit(target, {0, 0, 23, 17}, opaque, {0, 0, 5, 3}, {-2, 1, 19, 13},
                   BlitMode::SourceOver);
    drawing().blit(copied, {0, 0, 23, 17}, opaque, {0, 0, 5, 3}, {-2, 1, 19, 13}, BlitMode::Copy);
    EXPECT_EQ(copyOf(target), copyOf(copied));
    EXPECT_EQ(target.pixel(0, 1), opaque.pixel(0, 0));  // the part's edge pixel, padded outward
}

TEST_P(DrawingTest, SourceOverMixesPremultipliedBytesAndCopyKeepsAlpha) {
    Bitmap target;
    target.allocate(2, 1);
    target.setPixel(0, 0, 0xFF0000FFu);
    target.setPixel(1, 0, 0xFF0000FFu);
    Bitmap half;
    half.allocate(1, 1);
    half.setPixel(0, 0, 0x80400000u);
    drawing().blit(target, {0, 0, 2, 1}, half, {0, 0, 1, 1}, {0, 0, 1, 1}, BlitMode::SourceOver);
    drawing().blit(target, {0, 0, 2, 1}, half, {0, 0, 1, 1}, {1, 0, 1, 1}, BlitMode::Copy);
    // Blue 255 keeps 255 × 127 / 255; alpha 0x80 + 127 makes the pixel opaque again.
    EXPECT_EQ(target.pixel(0, 0), 0xFF40007Fu);
    EXPECT_EQ(target.pixel(1, 0), 0x80400000u);
}

TEST_P(DrawingTest, FillsClearsAndBlitsStayInsideTheClip) {
    Bitmap target = patterned(12, 9, 255, 3);
    const std::vector<uint32_t> before = copyOf(target);
    const Rect clip{3, 2, 8, 6};
    const Bitmap source = patterned(4, 4, 200, 4);
    drawing().fill(target, clip, {-100, -100, 100, 4}, 0xFF112233u);
    drawing().fill(target, clip, {5, 4, INT32_MAX, INT32_MAX}, 0u);
    drawing().blit(target, clip, source, {1, 1, 3, 3}, {0, 0, 12, 9}, BlitMode::SourceOver);
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < 12; ++x) {
            if (!clip.contains(x, y)) {
                EXPECT_EQ(target.pixel(x, y), before[y * 12 + x]) << x << "," << y;
            }
        }
    }
    EXPECT_NE(target.pixel(3, 2), before[2 * 12 + 3]);
    // The clear came after the fill and before the blit: what shows there is the source.
    Bitmap alone;
    alone.allocate(12, 9);
    drawing().blit(alone, clip, source, {1, 1, 3, 3}, {0, 0, 12, 9}, BlitMode::SourceOver);
    EXPECT_EQ(target.pixel(7, 5), alone.pixel(7, 5));
}

TEST_P(DrawingTest, StretchSamplesTheNearestPixelWithTiesToTheLowerOne) {
    Bitmap source;
    source.allocate(3, 1);
    for (int32_t x = 0; x < 3; ++x) {
        source.setPixel(x, 0, 0xFF000000u | static_cast<uint32_t>(x));
    }
    Bitmap target;
    target.allocate(7, 1);
    drawing().blit(target, {0, 0, 7, 1}, source, {0, 0, 3, 1}, {0, 0, 7, 1}, BlitMode::Copy);
    // Centres at (2i + 1) × 3 / 14; 1.5 (pixel 3) is a tie.
    const uint32_t expected[] = {0, 0, 1, 1, 1, 2, 2};
    for (int32_t x = 0; x < 7; ++x) {
        EXPECT_EQ(target.pixel(x, 0) & 0xFF, expected[x]) << x;
    }
}

TEST_P(DrawingTest, ResultsDoNotDependOnTheTargetWidth) {
    const Bitmap source = patterned(9, 7, 180, 5);
    Bitmap narrow = patterned(31, 20, 255, 6);
    Bitmap wide;
    wide.allocate(200, 20);
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 31; ++x) {
            wide.setPixel(x, y, narrow.pixel(x, y));
        }
    }
    for (Bitmap* target : {&narrow, &wide}) {
        const Rect clip{0, 0, 31, 20};
        drawing().blit(*target, clip, source, {1, 2, 7, 5}, {3, 1, 26, 17}, BlitMode::SourceOver);
        drawing().fill(*target, clip, {28, 0, 40, 3}, 0xFF808080u);
    }
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 31; ++x) {
            ASSERT_EQ(narrow.pixel(x, y), wide.pixel(x, y)) << x << "," << y;
        }
    }
}

std::vector<Drawing*> implementations() {
    std::vector<Drawing*> all{&buildDrawing()};
    if (&rasterDrawing() != &buildDrawing()) {
        all.push_back(&rasterDrawing());
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(BothImplementations, DrawingTest, ::testing::ValuesIn(implementations()),
                         [](const ::testing::TestParamInfo<Drawing*>& info) {
                             return info.param == &rasterDrawing() ? std::string("Raster")
                                                                   : std::string("Build");
                         });

// A small deterministic generator, so every run checks the same cases.
struct Lcg {
    uint32_t state;
    int32_t below(int32_t n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(n));
    }
};

TEST(DrawingAgreementTest, RasterBlitsGiveTheBuildsPixelsForOddRatiosOffsetsAndClips) {
    Lcg random{20240611u};
    for (int n = 0; n < 400; ++n) {
        const BlitRect from{random.below(4), random.below(4),
                            1 + random.below(random.below(4) == 0 ? 200 : 25),
                            1 + random.below(25)};
        const Bitmap source =
            patterned(from.x + from.width + random.below(3), from.y + from.height + random.below(3),
                      random.below(2) == 0 ? 255 : 90, static_cast<uint32_t>(n));
        const BlitRect to{random.below(500) - 20, random.below(200) - 10, 1 + random.below(80),
                          1 + random.below(50)};
        const int32_t width = std::max(1, to.x + to.width + random.below(4));
        const int32_t height = std::max(1, to.y + to.height + random.below(4));
        Rect clip{0, 0, width, height};
        if (random.below(2) == 0) {
            const int32_t left = std::max(0, to.x + random.below(to.width));
            const int32_t top = std::max(0, to.y + random.below(to.height));
            clip = intersection(clip, Rect{left, top, left + 1 + random.below(to.width),
                                           top + 1 + random.below(to.height)});
        }
        const BlitMode mode = random.below(2) == 0 ? BlitMode::Copy : BlitMode::SourceOver;
        Bitmap expected = patterned(width, height, 255, 7);
        Bitmap actual = patterned(width, height, 255, 7);
        if (!clip.isEmpty()) {
            buildDrawing().blit(expected, clip, source, from, to, mode);
            rasterDrawing().blit(actual, clip, source, from, to, mode);
        }
        ASSERT_EQ(copyOf(actual), copyOf(expected))
            << "case " << n << ": from " << from.x << "," << from.y << " " << from.width << "x"
            << from.height << " to " << to.x << "," << to.y << " " << to.width << "x" << to.height
            << " clip " << clip.left << "," << clip.top << "-" << clip.right << "," << clip.bottom;
    }
}

TEST(DrawingAgreementTest, ScaleGridAndFillsThroughCanvasesAgree) {
    Image skin;
    test::makeImage(skin, 9, 7, [](int32_t x, int32_t y) {
        return static_cast<uint32_t>(x * 28) << 24 | static_cast<uint32_t>(y * 36) << 16 | 0x3300u |
               static_cast<uint32_t>(x + y == 6 ? 0x80 : 0xFF);
    });
    ASSERT_TRUE(skin.hasAlpha());
    Bitmap expected = patterned(61, 43, 255, 8);
    Bitmap actual = patterned(61, 43, 255, 8);
    for (Bitmap* target : {&expected, &actual}) {
        Canvas canvas(*target, target == &expected ? buildDrawing() : rasterDrawing());
        canvas.fillRect({2, 2, 50, 30}, rgb(10, 200, 30));
        canvas.save();
        canvas.clipTo({5, 4, 57, 40});
        EXPECT_TRUE(skin.drawScaleGrid(canvas, 3, 1, 58, 42, 2, 3, 3, 2));
        canvas.clearRect({20, 20, 24, 45});
        canvas.restore();
        EXPECT_TRUE(skin.drawStrip(canvas, 40, 30, 17, 11, 2, 9, 3));
    }
    EXPECT_EQ(copyOf(actual), copyOf(expected));
}

}  // namespace
}  // namespace tamlo::render
