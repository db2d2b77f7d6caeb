// Decoding, premultiplication and the copy/blend rules of images.
#include <gtest/gtest.h>

#include "platform/debug_sink.h"
#include "platform/png_encoding.h"
#include "render/image.h"
#include "render/image_cache.h"
#include "render_test_support.h"

namespace tamlo::render {
namespace {

using platform::pngBytes;
using test::fill;
using test::makeImage;

TEST(ImageLoad, PremultipliesByTruncationAndFlagsAlpha) {
    const std::vector<uint8_t> rgba = {200, 100, 50, 128, 9, 9, 9, 0, 1, 2, 3, 255, 1, 3, 254, 128};
    const std::string png = pngBytes(rgba, 4, 1);
    Image image;
    ASSERT_TRUE(image.load(reinterpret_cast<const uint8_t*>(png.data()), png.size()));
    EXPECT_EQ(image.width(), 4);
    EXPECT_EQ(image.height(), 1);
    EXPECT_TRUE(image.hasAlpha());
    const uint8_t* bytes = image.bitmap().bytes();
    // 200 * 128 / 255 = 100.39, 100 * 128 / 255 = 50.19, 50 * 128 / 255 = 25.09: truncated.
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{25, 50, 100, 128}));
    EXPECT_EQ(image.bitmap().pixel(1, 0), 0u);  // fully transparent is all zero
    EXPECT_EQ(image.bitmap().pixel(2, 0), 0xFF010203u);
    EXPECT_EQ(image.bitmap().pixel(3, 0), 0x8000017Fu);  // 0.50, 1.51, 127.5 all round down
}

TEST(ImageLoad, OpaqueImageHasNoAlpha) {
    Image image;
    makeImage(image, 2, 2, [](int, int) { return 0x102030FFu; });
    EXPECT_TRUE(image.hasBitmap());
    EXPECT_FALSE(image.hasAlpha());
}

TEST(ImageLoad, LeadingOneByteIsSkipped) {
    const std::string png = pngBytes({10, 20, 30, 40}, 1, 1);
    const std::string prefixed = std::string(1, '\x01') + png;
    Image plain;
    Image withPrefix;
    ASSERT_TRUE(plain.load(reinterpret_cast<const uint8_t*>(png.data()), png.size()));
    ASSERT_TRUE(
        withPrefix.load(reinterpret_cast<const uint8_t*>(prefixed.data()), prefixed.size()));
    EXPECT_EQ(withPrefix.bitmap().pixel(0, 0), plain.bitmap().pixel(0, 0));
}

TEST(ImageLoad, BadInputGivesAnImageThatDrawsNothing) {
    const std::string png = pngBytes({10, 20, 30, 40}, 1, 1);
    const std::vector<std::string> inputs = {"", "\x01", "not an image", png.substr(0, 30)};
    BackBuffer buffer;
    fill(buffer, 4, 4, rgb(1, 2, 3));
    for (const std::string& input : inputs) {
        Image image;
        EXPECT_FALSE(image.load(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
        EXPECT_FALSE(image.hasBitmap());
        EXPECT_FALSE(image.drawAt(*buffer.canvas(), 0, 0));
        EXPECT_FALSE(image.drawScaleGrid(*buffer.canvas(), 0, 0, 4, 4, 1, 1, 1, 1));
    }
    EXPECT_EQ(buffer.pixels().pixel(0, 0), 0xFF010203u);
}

TEST(ImageDraw, OpaqueImageReplacesEvenATranslucentBackground) {
    BackBuffer buffer;
    buffer.resize(4, 4);  // transparent black
    Image image;
    makeImage(image, 2, 2, [](int, int) { return 0x102030FFu; });
    ASSERT_TRUE(image.drawAt(*buffer.canvas(), 1, 1));
    EXPECT_EQ(buffer.pixels().pixel(1, 1), 0xFF102030u);
    EXPECT_EQ(buffer.pixels().pixel(2, 2), 0xFF102030u);
    EXPECT_EQ(buffer.pixels().pixel(0, 0), 0u);
    EXPECT_EQ(buffer.pixels().pixel(3, 3), 0u);
}

TEST(ImageDraw, TranslucentImageBlendsSourceOver) {
    BackBuffer buffer;
    fill(buffer, 2, 1, rgb(255, 255, 255));
    Image image;
    makeImage(image, 1, 1, [](int, int) { return 0xC8643280u; });  // (200, 100, 50, 128)
    image.drawAt(*buffer.canvas(), 0, 0);
    // 100 + 255 * 127 / 255 = 227; 50 + 127; 25 + 127; alpha 128 + 127.
    EXPECT_EQ(buffer.pixels().pixel(0, 0), 0xFFE3B198u);
    EXPECT_EQ(buffer.pixels().pixel(1, 0), 0xFFFFFFFFu);
}

TEST(ImageDraw, TransparentSourceChangesNothingAtAnyScale) {
    BackBuffer buffer;
    buffer.resize(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            buffer.canvas()->fillRect({x, y, x + 1, y + 1}, rgb(x * 30, y * 30, 7));
        }
    }
    const std::vector<uint32_t> before(buffer.pixels().pixels(), buffer.pixels().pixels() + 64);
    Image image;
    makeImage(image, 3, 3, [](int, int) { return 0x00000000u; });
    image.drawAt(*buffer.canvas(), 2, 2);
    image.drawStretched(*buffer.canvas(), 0, 0, 8, 8);
    image.drawScaleGrid(*buffer.canvas(), 0, 0, 8, 8, 1, 1, 1, 1);
    EXPECT_EQ(std::vector<uint32_t>(buffer.pixels().pixels(), buffer.pixels().pixels() + 64),
              before);
}

TEST(ImageDraw, ClipLimitsDrawingUntilRestored) {
    BackBuffer buffer;
    fill(buffer, 6, 6, rgb(0, 0, 0));
    Image image;
    makeImage(image, 1, 1, [](int, int) { return 0xFF0000FFu; });
    Canvas& canvas = *buffer.canvas();
    canvas.save();
    canvas.clipTo({1, 1, 5, 5});
    canvas.clipTo({3, 0, 6, 4});  // intersects: (3, 1) .. (5, 4)
    image.drawStretched(canvas, 0, 0, 6, 6);
    canvas.restore();
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 3 && x < 5 && y >= 1 && y < 4;
            EXPECT_EQ(buffer.pixels().pixel(x, y), inside ? 0xFFFF0000u : 0xFF000000u)
                << x << "," << y;
        }
    }
    image.drawStretched(canvas, 0, 0, 6, 6);
    EXPECT_EQ(buffer.pixels().pixel(0, 0), 0xFFFF0000u);
}

TEST(ImageDraw, StripTakesOneFrameAndRefusesFramesOutsideTheImage) {
    BackBuffer buffer;
    fill(buffer, 2, 2, rgb(0, 0, 0));
    Image image;  // four 1-pixel frames stacked vertically: red 10, 20, 30, 40
    makeImage(image, 1, 4,
              [](int, int y) { return static_cast<uint32_t>((y + 1) * 10) << 24 | 0xFF; });
    ASSERT_TRUE(image.drawStrip(*buffer.canvas(), 0, 0, 2, 2, 2, 1, 1));
    EXPECT_EQ(buffer.pixels().pixel(1, 1), 0xFF1E0000u);
    EXPECT_FALSE(image.drawStrip(*buffer.canvas(), 0, 0, 2, 2, 4, 1, 1));
    EXPECT_FALSE(image.drawStrip(*buffer.canvas(), 0, 0, 2, 2, -1, 1, 1));
    EXPECT_EQ(buffer.pixels().pixel(0, 0), 0xFF1E0000u);
}

TEST(ImageLoad, AHugeDeclaredSizeIsRefusedBeforeDecoding) {
    std::vector<std::string> lines;
    setDebugHook([&lines](const std::string& line) { lines.push_back(line); });
    // A real 1x1 PNG whose header claims 10000 x 10000 pixels (400 MB decoded).
    std::string png = pngBytes({1, 2, 3, 255}, 1, 1);
    ASSERT_GT(png.size(), 24u);
    const char huge[4] = {0x00, 0x00, 0x27, 0x10};
    png.replace(16, 4, huge, 4);
    png.replace(20, 4, huge, 4);
    // A GIF header at its largest, 65535 x 65535.
    const unsigned char gifBytes[] = {'G',  'I',  'F',  '8',  '9',  'a',  0xff, 0xff, 0xff, 0xff,
                                      0x00, 0x00, 0x00, ',',  0x00, 0x00, 0x00, 0x00, 0xff, 0xff,
                                      0xff, 0xff, 0x00, 0x02, 0x02, 'D',  0x01, 0x00, ';'};
    const std::string gif(reinterpret_cast<const char*>(gifBytes), sizeof gifBytes);
    for (const std::string& bytes : {png, gif}) {
        Image image;
        EXPECT_FALSE(image.load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_FALSE(image.hasBitmap());
    }
    setDebugHook(nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("10000x10000 pixels"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("65535x65535 pixels"), std::string::npos) << lines[1];
    // The budget's edge: 128 MB of pixels is the most, one row more is refused.
    EXPECT_TRUE(withinDecodeBudget(8192, 4096));
    EXPECT_FALSE(withinDecodeBudget(8192, 4097));
    EXPECT_FALSE(withinDecodeBudget(0, 10));
    EXPECT_FALSE(withinDecodeBudget(INT32_MAX, INT32_MAX));
}

TEST(ImageLoad, APngChunkLongerThanTheFileIsRefusedBeforeTheDecoderGrowsForIt) {
    std::vector<std::string> lines;
    setDebugHook([&lines](const std::string& line) { lines.push_back(line); });
    const std::string good = pngBytes({1, 2, 3, 255}, 1, 1);
    const size_t idat = good.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    // Found by fuzzing: a second IDAT claiming about 2 GB made the decoder ask for it.
    std::string damaged = good;
    const char claimed[4] = {0x77, 0x49, 0x44, 0x41};
    damaged.replace(idat - 4, 4, claimed, 4);
    // Cut inside the last chunk's CRC.
    std::string cut = good.substr(0, good.size() - 2);
    for (const std::string& bytes : {damaged, cut}) {
        Image image;
        EXPECT_FALSE(image.load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }
    setDebugHook(nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("PNG chunk runs past the end"), std::string::npos) << lines[0];
    // Bytes after the end chunk are not chunks and do not count.
    const std::string trailing = good + "trailing bytes that are no chunk";
    Image image;
    EXPECT_TRUE(image.load(reinterpret_cast<const uint8_t*>(trailing.data()), trailing.size()));
}

TEST(ImageLoad, SixteenBitPnmIsRefusedAndEightBitPnmDecodes) {
    // Found by fuzzing: 3 x 3636 pixels at 16 bits made the decoder read past its buffer.
    const std::string found("P6\n3 3636\n3555\n-\0\0\x80\0\0\x80\0\0\0\0\0p\x80\x80\0\0\n", 33);
    Image image;
    EXPECT_FALSE(image.load(reinterpret_cast<const uint8_t*>(found.data()), found.size()));
    const std::string wide("P6\n1 1\n65535\n\x12\x34\x56\x78\x9a\xbc", 19);
    EXPECT_FALSE(image.load(reinterpret_cast<const uint8_t*>(wide.data()), wide.size()));
    const std::string narrow("P6\n1 1\n255\n\x10\x20\x30", 14);
    ASSERT_TRUE(image.load(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size()));
    EXPECT_EQ(image.bitmap().pixels()[0], 0xFF102030u);
}

TEST(ImageCacheTest, MissingFilesAreRetriedAndBrokenOnesKept) {
    const std::string png = pngBytes({1, 2, 3, 255}, 1, 1);
    std::map<std::u16string, int> reads;
    bool present = false;
    ImageCache cache([&](const std::u16string& name, std::vector<uint8_t>& bytes) {
        ++reads[name];
        if (name == u"a.png" && present) {
            bytes.assign(png.begin(), png.end());
            return true;
        }
        if (name == u"broken.png") {
            bytes = {1, 2, 3};
            return true;
        }
        return false;
    });
    EXPECT_EQ(cache.image(u"a.png"), nullptr);
    present = true;
    const Image* image = cache.image(u"a.png");
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->hasBitmap());
    EXPECT_EQ(cache.image(u"a.png"), image);
    EXPECT_EQ(cache.image(u"A.png"), nullptr);  // names match exactly
    const Image* broken = cache.image(u"broken.png");
    ASSERT_NE(broken, nullptr);
    EXPECT_FALSE(broken->hasBitmap());
    EXPECT_EQ(cache.image(u"broken.png"), broken);
    EXPECT_EQ(reads[u"a.png"], 2);
    EXPECT_EQ(reads[u"broken.png"], 1);
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
}

TEST(ImageCacheTest, ImagesPastTheCachesBudgetAreRefusedUndecoded) {
    // Six small files of 5700 x 5700 pixels each once took 900 MB between them.
    const std::string png = pngBytes(std::vector<uint8_t>(10 * 10 * 4, 200), 10, 10);
    std::vector<std::string> lines;
    const DebugHook previous =
        setDebugHook([&](const std::string& line) { lines.push_back(line); });
    ImageCache cache(
        [&](const std::u16string&, std::vector<uint8_t>& bytes) {
            bytes.assign(png.begin(), png.end());
            return true;
        },
        1000);  // two images of 400 bytes fit, a third does not
    EXPECT_TRUE(cache.image(u"a.png")->hasBitmap());
    EXPECT_TRUE(cache.image(u"b.png")->hasBitmap());
    EXPECT_EQ(cache.bytesHeld(), 800u);
    EXPECT_FALSE(cache.image(u"c.png")->hasBitmap());
    EXPECT_EQ(cache.bytesHeld(), 800u);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("10x10 pixels is more than the decoding budget left to the image "
                                "cache"),
              std::string::npos)
        << lines.back();
    cache.clear();
    EXPECT_TRUE(cache.image(u"c.png")->hasBitmap());
    setDebugHook(previous);
}

}  // namespace
}  // namespace tamlo::render
