// The one PNG encoder: premultiplied words come back as straight colours, and the file
// holds the same bytes as the buffer.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/png_encoding.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

TEST(PngEncoding, PremultipliedPixelsDecodeAsStraightColours) {
    const std::vector<uint32_t> argb = {0x80800000u, 0xFF102030u};
    const std::string png = platform::premultipliedPngBytes(argb.data(), 2, 1);
    int width = 0, height = 0, channels = 0;
    stbi_uc* decoded =
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                              static_cast<int>(png.size()), &width, &height, &channels, 4);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(std::vector<uint8_t>(decoded, decoded + 8),
              (std::vector<uint8_t>{255, 0, 0, 128, 0x10, 0x20, 0x30, 255}));
    stbi_image_free(decoded);
}

TEST(PngEncoding, TheFileHoldsTheBytesOfTheBuffer) {
    const std::vector<uint32_t> argb(6, 0x40102030u);
    const std::string path = makeTempDir("png") + "/out.png";
    ASSERT_TRUE(platform::writePremultipliedPng(path, argb.data(), 3, 2));
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(bytes.str(), platform::premultipliedPngBytes(argb.data(), 3, 2));
}

TEST(PngEncoding, NoAreaGivesNothing) {
    EXPECT_TRUE(platform::pngBytes({}, 0, 0).empty());
    EXPECT_FALSE(platform::writePng(makeTempDir("png") + "/none.png", {}, 0, 4));
}

}  // namespace
}  // namespace tamlo::test
