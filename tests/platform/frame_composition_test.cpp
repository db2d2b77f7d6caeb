// What every desktop backend shows of a window: its shape, its frame and its icon pixels.
#include "platform/windowing/frame_composition.h"

#include <gtest/gtest.h>

namespace tamlo::platform {
namespace {

TEST(FrameCompositionTest, ShapeRowsFollowTheRoundRegionAndTheRevealBand) {
    EXPECT_FALSE(windowShapeRows(std::nullopt, std::nullopt, Size{50, 40}).has_value());

    // A reveal alone is one band, cut to the window.
    SlideReveal reveal{Rect{0, 0, 80, 25}, Point{0, -15}};
    auto band = windowShapeRows(std::nullopt, reveal, Size{50, 40});
    ASSERT_TRUE(band.has_value());
    ASSERT_EQ(band->size(), 1u);
    EXPECT_EQ(band->front(), (Rect{0, 0, 50, 25}));

    RoundRegion region{Rect{0, 0, 20, 10}, 8, 8};
    auto rows = windowShapeRows(region, std::nullopt, Size{20, 10});
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), 10u);
    for (int row = 0; row < 10; ++row) {
        auto [left, right] = roundRegionRowSpan(region, row);
        EXPECT_EQ((*rows)[row], (Rect{left, row, right, row + 1})) << "row " << row;
    }
    EXPECT_GT((*rows)[0].left, (*rows)[5].left);  // the corners are cut

    // Both: the region's rows inside the band only; an empty band shows nothing.
    auto cut = windowShapeRows(region, SlideReveal{Rect{0, 6, 20, 10}, Point{}}, Size{20, 10});
    ASSERT_TRUE(cut.has_value());
    ASSERT_EQ(cut->size(), 4u);
    EXPECT_EQ(cut->front().top, 6);
    auto none = windowShapeRows(region, SlideReveal{Rect{0, 0, 20, 0}, Point{}}, Size{20, 10});
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(FrameCompositionTest, AFrameShowsTheRevealedBandWithTheContentsMovedIntoIt) {
    WindowPixels surface;
    surface.width = 3;
    surface.height = 4;
    for (uint32_t i = 0; i < 12; ++i) {
        surface.pixels.push_back(0xFF000000u | (i + 1));
    }
    std::vector<uint32_t> frame;
    composeFrame(surface, std::nullopt, frame);
    EXPECT_EQ(frame, surface.pixels);

    // Falling open from the top: two rows shown, holding the contents' last two rows.
    composeFrame(surface, SlideReveal{Rect{0, 0, 3, 2}, Point{0, -2}}, frame);
    ASSERT_EQ(frame.size(), 12u);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(frame[x], surface.pixels[6 + x]);
        EXPECT_EQ(frame[3 + x], surface.pixels[9 + x]);
        EXPECT_EQ(frame[6 + x], 0u);
        EXPECT_EQ(frame[9 + x], 0u);
    }

    // Pixels that do not fill the window are never read past their end.
    WindowPixels shortSurface;
    shortSurface.width = 3;
    shortSurface.height = 4;
    shortSurface.pixels.assign(5, 0xFFFFFFFFu);
    composeFrame(shortSurface, std::nullopt, frame);
    EXPECT_EQ(frame, std::vector<uint32_t>(12, 0));
}

TEST(FrameCompositionTest, IconPixelsLoseTheirPremultiplication) {
    EXPECT_EQ(straightAlpha(0xFF123456u), 0xFF123456u);
    EXPECT_EQ(straightAlpha(0x00000000u), 0u);
    EXPECT_EQ(straightAlpha(0x00FFFFFFu), 0u);                  // no alpha, nothing left
    EXPECT_EQ(straightAlpha(0x80400020u), 0x80800040u);         // half alpha doubles each channel
    EXPECT_EQ(straightAlpha(0x10FF0000u) >> 16 & 0xFF, 0xFFu);  // clamped, not wrapped
    EXPECT_EQ(straightAlpha(0x02010000u), 0x02800000u);         // 127.5 rounds up, every backend
}

}  // namespace
}  // namespace tamlo::platform
