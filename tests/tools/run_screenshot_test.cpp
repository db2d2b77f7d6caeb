// tamlo-run screenshot over a small project with one colour per button state.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <string>
#include <vector>

#include "platform/png_encoding.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

std::string solidPng(uint8_t red, uint8_t green, uint8_t blue) {
    std::vector<uint8_t> rgba;
    for (int i = 0; i < 16; ++i) {
        rgba.insert(rgba.end(), {red, green, blue, 255});
    }
    return platform::pngBytes(rgba, 4, 4);
}

struct Shot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    // 0xRRGGBB of a pixel.
    uint32_t at(int x, int y) const {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
    }
};

class ScreenshotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        project = makeTempDir("shot");
        const std::string style = project + "/style/";
        ASSERT_TRUE(writeFile(style + "back.png", solidPng(0, 0, 0)));
        ASSERT_TRUE(writeFile(style + "up.png", solidPng(255, 0, 0)));
        ASSERT_TRUE(writeFile(style + "over.png", solidPng(0, 255, 0)));
        ASSERT_TRUE(writeFile(style + "down.png", solidPng(0, 0, 255)));
        ASSERT_TRUE(writeFile(
            style + "bkgnd.xml",
            R"(<Style><Config type="Background"><Prop img="back.png"/></Config></Style>)"));
        ASSERT_TRUE(writeFile(style + "button.xml",
                              R"(<Style><Config type="Button"><Prop upSkin="up.png" )"
                              R"(overSkin="over.png" downSkin="down.png"/></Config></Style>)"));
        ASSERT_TRUE(writeFile(project + "/frame/main.xml",
                              R"(<Window style="bkgnd.xml" initSize="60,40">)"
                              R"(<Button id="5" style="button.xml" width="20" height="10"/>)"
                              R"(</Window>)"));
    }
    // Runs the command with `extra` arguments; false when it fails or writes no image.
    bool shoot(std::vector<std::string> extra, Shot& shot) {
        const std::string out = project + "/out.png";
        std::vector<std::string> args = {binaryPath("tamlo-run"), "screenshot", project, "main.xml",
                                         out};
        args.insert(args.end(), extra.begin(), extra.end());
        last = runCommand(args);
        if (last.exitCode != 0) {
            return false;
        }
        int channels = 0;
        uint8_t* pixels = stbi_load(out.c_str(), &shot.width, &shot.height, &channels, 4);
        if (pixels == nullptr) {
            return false;
        }
        shot.rgba.assign(pixels, pixels + static_cast<size_t>(shot.width) * shot.height * 4);
        stbi_image_free(pixels);
        return true;
    }
    std::string project;
    CommandResult last;
};

TEST_F(ScreenshotTest, PaintsTheSkinForEachRequestedState) {
    Shot shot;
    ASSERT_TRUE(shoot({}, shot)) << last.err;
    EXPECT_EQ(shot.width, 60);
    EXPECT_EQ(shot.height, 40);
    EXPECT_EQ(shot.at(30, 20), 0xFF0000u);
    EXPECT_EQ(shot.at(2, 2), 0x000000u);
    ASSERT_TRUE(shoot({"--state", "5=hover"}, shot)) << last.err;
    EXPECT_EQ(shot.at(30, 20), 0x00FF00u);
    ASSERT_TRUE(shoot({"--state", "5=pressed"}, shot)) << last.err;
    EXPECT_EQ(shot.at(30, 20), 0x0000FFu);
    ASSERT_TRUE(shoot({"--state", "5=checked"}, shot)) << last.err;
    EXPECT_EQ(shot.at(30, 20), 0x0000FFu);
    ASSERT_TRUE(shoot({"--state", "5=focused"}, shot)) << last.err;
    EXPECT_EQ(shot.at(30, 20), 0x00FF00u);
    // No disabled skin: nothing but the background.
    ASSERT_TRUE(shoot({"--state", "5=disabled"}, shot)) << last.err;
    EXPECT_EQ(shot.at(30, 20), 0x000000u);
    ASSERT_TRUE(shoot({"--state", "5=hidden", "--size", "80,50"}, shot)) << last.err;
    EXPECT_EQ(shot.width, 80);
    EXPECT_EQ(shot.at(40, 25), 0x000000u);
}

TEST_F(ScreenshotTest, RejectsBadArgumentsAndUnknownIds) {
    Shot shot;
    EXPECT_FALSE(shoot({"--state", "5=sleepy"}, shot));
    EXPECT_EQ(last.exitCode, 1);
    EXPECT_FALSE(shoot({"--state", "x=hover"}, shot));
    EXPECT_FALSE(shoot({"--state"}, shot));
    EXPECT_FALSE(shoot({"--size", "0,10"}, shot));
    EXPECT_FALSE(shoot({"--state", "77=hover"}, shot));
    EXPECT_NE(last.err.find("77"), std::string::npos);
}

TEST(ScreenshotDemo, WelcomePageShowsTheSkin) {
    const std::string out = makeTempDir("demo") + "/welcome.png";
    CommandResult result = runCommand(
        {binaryPath("tamlo-run"), "screenshot", sourcePath("examples/demo"), "welcome.xml", out});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int width = 0;
    int height = 0;
    int channels = 0;
    uint8_t* pixels = stbi_load(out.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 560);
    EXPECT_EQ(height, 360);
    // The title band is blue and the page under it white.
    const uint8_t* title = pixels + (static_cast<size_t>(20) * width + 200) * 4;
    EXPECT_GT(title[2], 200);
    EXPECT_LT(title[0], 80);
    const uint8_t* page = pixels + (static_cast<size_t>(200) * width + 200) * 4;
    EXPECT_EQ(page[0], 255);
    EXPECT_EQ(page[1], 255);
    EXPECT_EQ(page[2], 255);
    stbi_image_free(pixels);
}

}  // namespace
}  // namespace tamlo::test
