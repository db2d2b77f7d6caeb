#include <stb/stb_image.h>

#include "platform/headless/screenshot.h"
#include "support/test_environment.h"
#include "window_test_support.h"

namespace tamlo::test {
namespace {

using namespace tamlo::win32;

TEST(WindowScreenshotPixels, UnpremultiplyingRestoresStraightColoursAndAppliesConstantAlpha) {
    platform::WindowPixels pixels;
    pixels.width = 4;
    pixels.height = 1;
    pixels.pixels = {
        0x80800000u,  // half-transparent pure red, premultiplied
        0x00000000u,  // clear
        0xFF102030u,  // opaque
        0x40FFFFFFu,  // damaged: channels above alpha
    };
    auto rgba = platform::unpremultipliedRgba(pixels, 255);
    ASSERT_EQ(rgba.size(), 16u);
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4),
              (std::vector<uint8_t>{255, 0, 0, 128}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 4, rgba.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 8, rgba.begin() + 12),
              (std::vector<uint8_t>{0x10, 0x20, 0x30, 255}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 12, rgba.begin() + 16),
              (std::vector<uint8_t>{255, 255, 255, 64}));
    EXPECT_EQ(platform::unpremultipliedRgba(pixels, 128)[8 + 3], 128);
}

using WindowScreenshotTest = WindowTest;

TEST_F(WindowScreenshotTest, PngOfALayeredBufferKeepsItsPixelsAndRoundedCorners) {
    TestWindow window({0, 0, 8, 6, 0, WS_POPUP, WS_EX_LAYERED});
    std::vector<uint32_t> buffer(8 * 6, 0x80008000u);  // half-transparent green
    buffer[3 * 8 + 4] = 0xFF0000FFu;                   // one opaque blue pixel
    platform::updateLayeredWindow(window.handle(), {buffer.data(), 8, 6, 32}, 255, true);
    platform::RoundRegion region{{0, 0, 9, 7}, 6, 6};
    platform::setWindowRegion(window.handle(), &region);

    std::string path = makeTempDir("shot") + "/window.png";
    std::string error;
    ASSERT_TRUE(platform::saveWindowScreenshot(window.handle(), path, &error)) << error;
    int width = 0, height = 0, channels = 0;
    unsigned char* png = stbi_load(path.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(png, nullptr);
    ASSERT_EQ(width, 8);
    ASSERT_EQ(height, 6);
    auto at = [&](int x, int y) {
        const unsigned char* p = png + (y * 8 + x) * 4;
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(at(4, 3), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(at(1, 3), (std::vector<int>{0, 255, 0, 128}));
    EXPECT_EQ(at(0, 0)[3], 0);  // outside the rounded corner
    stbi_image_free(png);
}

TEST_F(WindowScreenshotTest, OrdinaryWindowsAreOpaqueAndMissingOnesFail) {
    TestWindow window({0, 0, 2, 1});
    std::vector<uint32_t> buffer = {0x00123456u, 0xFF654321u};
    platform::blitToWindow(window.handle(), {buffer.data(), 2, 1, 8}, {0, 0, 2, 1});
    int width = 0, height = 0;
    auto rgba = platform::windowRgba(window.handle(), &width, &height);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{0x12, 0x34, 0x56, 255, 0x65, 0x43, 0x21, 255}));

    std::string error;
    EXPECT_FALSE(platform::saveWindowScreenshot(0x7FFFFFFF, makeTempDir() + "/x.png", &error));
    EXPECT_EQ(error, "no such window");
    EXPECT_FALSE(platform::saveWindowScreenshot(window.handle(), "/nonexistent/dir/x.png", &error));
}

}  // namespace
}  // namespace tamlo::test
