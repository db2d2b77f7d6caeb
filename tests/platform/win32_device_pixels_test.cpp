// The Windows backend's device-pixel conversions are pure: these run on every system.
#include <gtest/gtest.h>

#include "platform/display_scale.h"
#include "platform/win32/device_pixels.h"

namespace tamlo::test {
namespace {

using namespace tamlo::platform;
using namespace tamlo::platform::win32native;

TEST(Win32DevicePixelsTest, DpiGivesTheScaleAndNonsenseGivesOne) {
    EXPECT_DOUBLE_EQ(scaleForDpi(96), 1.0);
    EXPECT_DOUBLE_EQ(scaleForDpi(120), 1.25);
    EXPECT_DOUBLE_EQ(scaleForDpi(144), 1.5);
    EXPECT_DOUBLE_EQ(scaleForDpi(192), 2.0);
    EXPECT_DOUBLE_EQ(scaleForDpi(0), 1.0);
    EXPECT_DOUBLE_EQ(scaleForDpi(100000), 1.0);
}

// The native echo of every placement (WM_WINDOWPOSCHANGED) must give the engine back the
// rectangle it placed, or the window would creep at each move.
TEST(Win32DevicePixelsTest, PlacementsRoundTripAtEveryCommonScale) {
    for (const double scale : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
        for (int left = -7; left <= 7; ++left) {
            const Rect logical{left, 3 * left + 1, left + 560, 3 * left + 361};
            const Rect device = deviceWindowRect(logical, scale);
            EXPECT_NEAR(device.width(), 560 * scale, 1.0);
            EXPECT_EQ(logicalWindowRect(device, scale), logical) << scale << " " << left;
        }
    }
}

// A press on a device pixel lands on the logical pixel it lies in, so a click anywhere on a
// scaled control's device pixels reaches that control.
TEST(Win32DevicePixelsTest, PointerDevicePixelsLandOnTheLogicalPixelTheyCover) {
    const Point origin{100, 50};
    EXPECT_EQ(logicalScreenPoint(Point{0, 0}, origin, 2.0), (Point{100, 50}));
    EXPECT_EQ(logicalScreenPoint(Point{1, 1}, origin, 2.0), (Point{100, 50}));
    EXPECT_EQ(logicalScreenPoint(Point{2, 3}, origin, 2.0), (Point{101, 51}));
    EXPECT_EQ(logicalScreenPoint(Point{-1, 0}, origin, 2.0), (Point{99, 50}));
    for (int logical = 0; logical < 40; ++logical) {
        const int first = toDevice(logical, 1.5);
        const int next = toDevice(logical + 1, 1.5);
        for (int device = first; device < next; ++device) {
            EXPECT_EQ(logicalScreenPoint(Point{device, 0}, Point{}, 1.5).x, logical) << device;
        }
    }
}

// SetWindowRgn takes device pixels: a rounded dialog at 200 % is cut twice as tall, with
// corners the same shape, and a slide's band covers the scaled rows.
TEST(Win32DevicePixelsTest, ShapeRowsAndRevealsAreInDevicePixels) {
    NativeWindowState state;
    state.rect = Rect{10, 10, 110, 60};
    state.region = RoundRegion{Rect{0, 0, 100, 50}, 20, 20};
    state.scale = 1.0;
    const std::vector<Rect> logical = deviceShapeRows(state).value();
    state.scale = 2.0;
    const std::vector<Rect> device = deviceShapeRows(state).value();
    ASSERT_EQ(logical.size(), 50u);
    ASSERT_EQ(device.size(), 100u);
    EXPECT_EQ(device[50], (Rect{0, 50, 200, 51}));
    EXPECT_GT(device[0].left, 0);
    EXPECT_NEAR(device[0].left, 2 * logical[0].left, 2);
    EXPECT_EQ(device[0].right, 200 - device[0].left);

    state.region.reset();
    state.reveal = SlideReveal{Rect{0, 0, 100, 20}, Point{0, -30}};
    const std::vector<Rect> band = deviceShapeRows(state).value();
    ASSERT_EQ(band.size(), 1u);
    EXPECT_EQ(band[0], (Rect{0, 0, 200, 40}));
    EXPECT_EQ(deviceReveal(state.reveal, 2.0)->contentOffset, (Point{0, -60}));
    EXPECT_FALSE(deviceShapeRows(NativeWindowState{}).has_value());
}

}  // namespace
}  // namespace tamlo::test
