// 9-slice geometry, piece by piece, on a 10 x 10 image whose pixels name their position.
#include <gtest/gtest.h>

#include "render/blit.h"
#include "render/image.h"
#include "render_test_support.h"

namespace tamlo::render {
namespace {

constexpr ColorRef kBackground = rgb(1, 1, 1);

// Red = 10 * x + 5, green = 10 * y + 5, opaque.
uint32_t sourcePixel(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(10 * x + 5) << 16 |
           static_cast<uint32_t>(10 * y + 5) << 8;
}

class ScaleGrid : public ::testing::Test {
  protected:
    void SetUp() override {
        test::makeImage(image, 10, 10, [](int x, int y) {
            const uint32_t pixel = sourcePixel(x, y);
            return (pixel & 0x00FFFFFF) << 8 | 0xFF;
        });
        test::fill(buffer, 24, 34, kBackground);
    }
    uint32_t at(int x, int y) { return buffer.pixels().pixel(x, y); }

    Image image;
    BackBuffer buffer;
};

TEST_F(ScaleGrid, EachOfTheNinePiecesLandsWhereTheTableSays) {
    ASSERT_TRUE(image.drawScaleGrid(*buffer.canvas(), 0, 0, 20, 30, 4, 4, 4, 4));
    struct Piece {
        const char* name;
        BlitRect source;
        BlitRect destination;
    };
    const Piece pieces[] = {
        {"centre", {4, 4, 2, 2}, {4, 4, 12, 22}},
        {"top-left", {0, 0, 4, 4}, {0, 0, 4, 4}},
        {"top edge", {4, 0, 2, 4}, {4, 0, 12, 4}},
        {"top-right", {6, 0, 4, 4}, {16, 0, 4, 4}},
        {"right edge", {6, 4, 4, 2}, {16, 4, 4, 22}},
        {"bottom-right", {6, 6, 4, 4}, {16, 26, 4, 4}},
        {"bottom edge", {4, 6, 2, 4}, {4, 26, 12, 4}},
        {"bottom-left", {0, 6, 4, 4}, {0, 26, 4, 4}},
        {"left edge", {0, 4, 4, 2}, {0, 4, 4, 22}},
    };
    for (const Piece& piece : pieces) {
        const BlitRect& s = piece.source;
        const BlitRect& d = piece.destination;
        for (int y = 0; y < d.height; ++y) {
            for (int x = 0; x < d.width; ++x) {
                // Nearest neighbour: the source pixel under the destination pixel's centre.
                const int sx = s.x + (2 * x + 1) * s.width / (2 * d.width);
                const int sy = s.y + (2 * y + 1) * s.height / (2 * d.height);
                ASSERT_EQ(at(d.x + x, d.y + y), sourcePixel(sx, sy))
                    << piece.name << " at " << d.x + x << "," << d.y + y;
            }
        }
    }
    EXPECT_EQ(at(20, 0), opaquePixel(kBackground));
    EXPECT_EQ(at(0, 30), opaquePixel(kBackground));
}

TEST_F(ScaleGrid, ZeroMarginsAreAPlainStretch) {
    image.drawScaleGrid(*buffer.canvas(), 2, 3, 22, 33, 0, 0, 0, 0);
    BackBuffer stretched;
    test::fill(stretched, 24, 34, kBackground);
    image.drawStretched(*stretched.canvas(), 2, 3, 22, 33);
    const Bitmap& a = buffer.pixels();
    const Bitmap& b = stretched.pixels();
    EXPECT_TRUE(std::equal(a.pixels(), a.pixels() + 24 * 34, b.pixels()));
    EXPECT_EQ(at(2, 3), sourcePixel(0, 0));
    EXPECT_EQ(at(21, 32), sourcePixel(9, 9));
}

TEST_F(ScaleGrid, DestinationSmallerThanMarginsDrawsOnlyCornersNeverMirrored) {
    image.drawScaleGrid(*buffer.canvas(), 0, 0, 6, 6, 4, 4, 4, 4);
    EXPECT_EQ(at(0, 0), sourcePixel(0, 0));  // top-left, never overdrawn there
    EXPECT_EQ(at(5, 0), sourcePixel(9, 0));  // top-right corner at x 2..5
    EXPECT_EQ(at(5, 5), sourcePixel(9, 9));
    EXPECT_EQ(at(3, 3), sourcePixel(3, 7));  // the bottom-left corner is drawn last
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(at(i, 6), opaquePixel(kBackground)) << i;
        EXPECT_EQ(at(6, i), opaquePixel(kBackground)) << i;
    }
}

TEST_F(ScaleGrid, HugeMarginsAndCoordinatesAreSkippedSafely) {
    EXPECT_FALSE(image.drawScaleGrid(*buffer.canvas(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX,
                                     INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX));
    EXPECT_FALSE(image.drawStretched(*buffer.canvas(), INT32_MIN, 0, INT32_MAX, 5));
    EXPECT_EQ(at(0, 0), opaquePixel(kBackground));
}

}  // namespace
}  // namespace tamlo::render
