#include <gtest/gtest.h>
#include <lzma.h>

#include <random>

#include "resources/lzma_codec.h"
#include "resources/lzma_test_data.h"
#include "resources/sdk_lzma_streams.h"

namespace tamlo::test {
namespace {

// Mixed data: runs of text with bursts of noise, so matches and literals both occur.
std::vector<uint8_t> mixedData(size_t size) {
    std::vector<uint8_t> data;
    std::mt19937 random(7);
    const std::string text = sdkFixtureText();
    while (data.size() < size) {
        data.insert(data.end(), text.begin(), text.begin() + random() % 2000);
        for (int i = 0; i < 300; ++i) {
            data.push_back(static_cast<uint8_t>(random()));
        }
    }
    data.resize(size);
    return data;
}

// liblzma's encoder with the extended filter writes no end marker unless asked to.
std::vector<uint8_t> encodeWithLiblzma(const std::vector<uint8_t>& data, bool endMarker) {
    lzma_options_lzma options{};
    lzma_lzma_preset(&options, 1);
    options.ext_flags = endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::vector<uint8_t> out(5 + data.size() + data.size() / 2 + 1024);
    lzma::Properties properties;
    properties.dictionarySize = options.dict_size;
    lzma::writeProperties(properties, out.data());
    size_t position = 5;
    EXPECT_EQ(lzma_raw_buffer_encode(filters, nullptr, data.data(), data.size(), out.data(),
                                     &position, out.size()),
              LZMA_OK);
    out.resize(position);
    return out;
}

bool decode(const std::vector<uint8_t>& block, size_t outputSize, std::vector<uint8_t>* out,
            std::string* error) {
    lzma::Properties properties;
    if (!lzma::parseProperties(block.data(), &properties)) {
        *error = "bad properties";
        return false;
    }
    out->assign(outputSize, 0xAA);
    ExactBuffer input(std::vector<uint8_t>(block.begin() + 5, block.end()));
    return lzma::decodeToBuffer(properties, input.data.get(), input.size, out->data(), out->size(),
                                error);
}

TEST(LzmaCodecTest, StreamsWithAndWithoutEndMarkerDecode) {
    const std::vector<uint8_t> data = mixedData(300 * 1024);
    for (bool endMarker : {false, true}) {
        SCOPED_TRACE(endMarker ? "with end marker" : "without end marker");
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_TRUE(decode(encodeWithLiblzma(data, endMarker), data.size(), &out, &error)) << error;
        EXPECT_EQ(out, data);
    }
}

TEST(LzmaCodecTest, SdkEncoderStreamsDecodeWhateverTheirProperties) {
    const std::string text = sdkFixtureText();
    const std::vector<uint8_t> expected(text.begin(), text.end());
    const std::vector<std::vector<uint8_t>> streams = {
        bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker),
        bytesOf(kSdkStreamWithEndMarker, sizeof kSdkStreamWithEndMarker),
        bytesOf(kSdkStreamOddProperties, sizeof kSdkStreamOddProperties),
    };
    for (const auto& stream : streams) {
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_TRUE(decode(stream, expected.size(), &out, &error)) << error;
        EXPECT_EQ(out, expected);
    }
    lzma::Properties odd;
    ASSERT_TRUE(lzma::parseProperties(kSdkStreamOddProperties, &odd));
    EXPECT_EQ(odd.lc, 0u);
    EXPECT_EQ(odd.lp, 2u);
    EXPECT_EQ(odd.pb, 0u);
    EXPECT_EQ(odd.dictionarySize, 1u << 16);
}

TEST(LzmaCodecTest, ShortOrCorruptInputFails) {
    const std::string text = sdkFixtureText();
    auto stream = bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker);
    std::vector<uint8_t> out;
    std::string error;
    for (size_t cut : {1, 20, 300}) {
        std::vector<uint8_t> shorter(stream.begin(), stream.end() - cut);
        EXPECT_FALSE(decode(shorter, text.size(), &out, &error)) << cut;
    }
    // Asking for more than the stream holds must not pass off the prefix as the whole.
    EXPECT_FALSE(decode(stream, text.size() + 100, &out, &error));
    std::vector<uint8_t> garbled = stream;
    for (size_t i = 40; i < garbled.size(); i += 7) {
        garbled[i] ^= 0x5A;
    }
    EXPECT_FALSE(decode(garbled, text.size(), &out, &error) &&
                 std::equal(out.begin(), out.end(), text.begin()));
    uint8_t badProperties[5] = {225, 0, 0, 1, 0};
    lzma::Properties properties;
    EXPECT_FALSE(lzma::parseProperties(badProperties, &properties));
}

TEST(LzmaCodecTest, HugeDictionaryInTheHeaderDoesNotMatter) {
    auto stream = bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker);
    stream[1] = stream[2] = stream[3] = stream[4] = 0xFF;  // a 4 GiB dictionary
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(decode(stream, sdkFixtureText().size(), &out, &error)) << error;
}

TEST(LzmaCodecTest, EncoderOutputReadsBack) {
    const std::vector<uint8_t> data = mixedData(200 * 1024);
    lzma::Properties properties;
    properties.dictionarySize = 1 << 20;
    std::vector<uint8_t> block(5);
    lzma::writeProperties(properties, block.data());
    EXPECT_EQ(block[0], 0x5D);  // lc3 lp0 pb2
    lzma::Encoder encoder;
    std::string error;
    auto append = [&](const uint8_t* bytes, size_t size) {
        block.insert(block.end(), bytes, bytes + size);
        return true;
    };
    ASSERT_TRUE(encoder.start(properties, 6, &error)) << error;
    ASSERT_TRUE(encoder.write(data.data(), data.size() / 2, append, &error));
    ASSERT_TRUE(encoder.write(data.data() + data.size() / 2, data.size() - data.size() / 2, append,
                              &error));
    ASSERT_TRUE(encoder.finish(append, &error));
    EXPECT_LT(block.size(), data.size());
    std::vector<uint8_t> out;
    ASSERT_TRUE(decode(block, data.size(), &out, &error)) << error;
    EXPECT_EQ(out, data);
}

}  // namespace
}  // namespace tamlo::test
