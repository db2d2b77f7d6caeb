#include <gtest/gtest.h>

#include <cstdlib>

#include "resources/lzma_test_data.h"
#include "resources/package_bytes.h"
#include "resources/package_reader.h"
#include "resources/sdk_lzma_streams.h"

namespace tamlo::test {
namespace {

std::string extractText(const PackageReader& reader, const std::u16string& name,
                        int* size = nullptr) {
    int length = -7;
    uint8_t* bytes = reader.extract(name, &length);
    if (size != nullptr) {
        *size = length;
    }
    if (bytes == nullptr) {
        return "<null>";
    }
    std::string text(reinterpret_cast<char*>(bytes), static_cast<size_t>(length));
    std::free(bytes);
    return text;
}

TEST(PackageReaderTest, DirectoryWithOnlyTheTerminatorIsEmpty) {
    ExactBuffer buffer(PackageBytes().finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    EXPECT_FALSE(reader.damaged());
    EXPECT_TRUE(reader.entries().empty());
    int size = -7;
    EXPECT_EQ(reader.extract(u"anything", &size), nullptr);
    EXPECT_EQ(size, -7);  // untouched on failure
}

TEST(PackageReaderTest, ADirectoryWithMoreRecordsThanTheLimitIsRefused) {
    // All records share one empty block: the cost is the index, not the data.
    auto package = [](size_t records) {
        PackageBytes bytes;
        const uint32_t block = bytes.addBlock(std::string());
        for (size_t i = 0; i < records; ++i) {
            bytes.addRecord(u"e", block, 0);
        }
        return ExactBuffer(bytes.finish());
    };
    ExactBuffer atLimit = package(package::kMaxEntries);
    PackageReader fits(atLimit.data.get(), atLimit.size);
    EXPECT_FALSE(fits.damaged());
    EXPECT_EQ(fits.entries().size(), package::kMaxEntries);
    ExactBuffer past = package(package::kMaxEntries + 1);
    PackageReader refused(past.data.get(), past.size);
    EXPECT_TRUE(refused.damaged());
    EXPECT_EQ(refused.problem(), "the package has more than 262144 entries");
    EXPECT_TRUE(refused.entries().empty());
}

TEST(PackageReaderTest, LaterRecordOfTheSameNameWins) {
    PackageBytes package;
    package.addRecord(u"a.txt", package.addBlock("first"), 5);
    package.addRecord(u"b.txt", package.addBlock("other"), 5);
    package.addRecord(u"a.txt", package.addBlock("second!"), 7);
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_EQ(extractText(reader, u"a.txt"), "second!");
    ASSERT_EQ(reader.entries().size(), 3u);  // listing keeps every record, in order
    EXPECT_EQ(reader.entries()[0].name, u"a.txt");
    EXPECT_FALSE(reader.isIndexed(reader.entries()[0]));
    EXPECT_TRUE(reader.isIndexed(reader.entries()[2]));
}

TEST(PackageReaderTest, ZeroLengthStoredEntryGivesAnEmptyBuffer) {
    PackageBytes package;
    package.addRecord(u"empty", package.addBlock(""), 0);
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    int size = -7;
    EXPECT_EQ(extractText(reader, u"empty", &size), "");
    EXPECT_EQ(size, 0);
}

TEST(PackageReaderTest, NamesMatchExactlyWithSlashAndCase) {
    PackageBytes package;
    package.addRecord(u"skin/Button.png", package.addBlock("upper"), 5);
    package.addRecord(u"skin/button.png", package.addBlock("lower"), 5);
    package.addRecord(u"\u4e2d\u6587.xml", package.addBlock("wide"), 4);
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    EXPECT_EQ(extractText(reader, u"skin/Button.png"), "upper");
    EXPECT_EQ(extractText(reader, u"skin/button.png"), "lower");
    EXPECT_EQ(extractText(reader, u"skin\\Button.png"), "<null>");
    EXPECT_EQ(extractText(reader, u"SKIN/BUTTON.PNG"), "<null>");
    EXPECT_EQ(extractText(reader, u"\u4e2d\u6587.xml"), "wide");
}

TEST(PackageReaderTest, TrailingHalfWordOfANameIsNotUnscrambled) {
    // "ab" + terminator is 6 bytes: one scrambled word, then a half word taken as stored.
    std::vector<uint8_t> area = {'a', 0, 'b', 0};
    PackageBytes::scramble(area);
    area.push_back(0);
    area.push_back(0);
    PackageBytes package;
    uint32_t offset = package.addBlock("half");
    package.addRawRecord(16 + 6, offset, 4, 0, area);
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_EQ(extractText(reader, u"ab"), "half");
}

TEST(PackageReaderTest, LongestNameIsAccepted) {
    std::u16string name(1023, u'n');  // 1023 units + terminator = 2048 bytes
    PackageBytes package;
    package.addRecord(name, package.addBlock("x"), 1);
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    EXPECT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_EQ(extractText(reader, name), "x");
}

TEST(PackageReaderTest, CompressedEntriesFromAnotherEncoderDecode) {
    const std::string text = sdkFixtureText();
    PackageBytes package;
    auto plain = bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker);
    auto marked = bytesOf(kSdkStreamWithEndMarker, sizeof kSdkStreamWithEndMarker);
    package.addRecord(u"plain", package.addBlock(plain), plain.size(), text.size());
    package.addRecord(u"marked", package.addBlock(marked), marked.size(), text.size());
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    int size = 0;
    EXPECT_EQ(extractText(reader, u"plain", &size), text);
    EXPECT_EQ(size, static_cast<int>(text.size()));
    EXPECT_EQ(extractText(reader, u"marked"), text);
}

TEST(PackageReaderTest, CompressedEntryThatFallsShortIsAnError) {
    const std::string text = sdkFixtureText();
    auto stream = bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker);
    auto marked = bytesOf(kSdkStreamWithEndMarker, sizeof kSdkStreamWithEndMarker);
    PackageBytes package;
    package.addRecord(u"truncated", package.addBlock(stream), stream.size() - 12, text.size());
    // The end marker comes one byte before the size the record claims.
    package.addRecord(u"early-end", package.addBlock(marked), marked.size(), text.size() + 1);
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    int size = -7;
    EXPECT_EQ(extractText(reader, u"truncated", &size), "<null>");
    EXPECT_EQ(size, -7);
    EXPECT_EQ(extractText(reader, u"early-end"), "<null>");

    std::string error;
    const PackageEntry* entry = reader.find(u"truncated");
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(reader.extractTo(
        *entry, [](const uint8_t*, size_t) { return true; }, &error));
    EXPECT_FALSE(error.empty());
}

TEST(PackageReaderTest, StreamingHandsOutBoundedChunksAndStopsWhenRefused) {
    const std::string text = sdkFixtureText();
    auto stream = bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker);
    PackageBytes package;
    package.addRecord(u"packed", package.addBlock(stream), stream.size(), text.size());
    package.addRecord(u"stored", package.addBlock(text), text.size());
    ExactBuffer buffer(package.finish());
    PackageReader reader(buffer.data.get(), buffer.size);
    for (const char16_t* name : {u"packed", u"stored"}) {
        std::string joined;
        size_t largest = 0;
        auto collect = [&](const uint8_t* data, size_t size) {
            largest = std::max(largest, size);
            joined.append(reinterpret_cast<const char*>(data), size);
            return true;
        };
        std::string error;
        ASSERT_TRUE(reader.extractTo(*reader.find(name), collect, &error, 1000)) << error;
        EXPECT_EQ(joined, text);
        EXPECT_LE(largest, 1000u);

        int calls = 0;
        auto refuse = [&](const uint8_t*, size_t) { return ++calls < 2; };
        EXPECT_FALSE(reader.extractTo(*reader.find(name), refuse, &error, 1000));
        EXPECT_EQ(calls, 2);
    }
}

// Each malformed shape must be reported as damage, index nothing, and never touch
// memory outside the buffer (the sanitizer build checks the last part).
struct MalformedCase {
    const char* what;
    std::vector<uint8_t> bytes;
};

std::vector<MalformedCase> malformedCases() {
    std::vector<MalformedCase> cases;
    auto valid = [] {
        PackageBytes package;
        package.addRecord(u"good", package.addBlock("good"), 4);
        return package;
    };
    cases.push_back({"empty buffer", {}});
    cases.push_back({"shorter than a trailer", {1, 2, 3}});
    cases.push_back({"directory offset past the end", valid().finish(1 << 20)});
    {
        std::vector<uint8_t> bytes = valid().finish();
        cases.push_back({"directory offset inside the trailer", valid().finish(bytes.size() - 4)});
        cases.push_back({"directory offset wraps", valid().finish(0xFFFFFFFFu)});
    }
    {
        PackageBytes package = valid();
        package.addRawRecord(12, 0, 0, 0, {});
        cases.push_back({"record size below 16", package.finish()});
    }
    {
        PackageBytes package = valid();
        package.addRawRecord(4000, 0, 0, 0, std::vector<uint8_t>(8, 0));
        cases.push_back({"record size past the end", package.finish()});
    }
    {
        PackageBytes package = valid();
        std::vector<uint8_t> area(2052, 0);
        PackageBytes::scramble(area);
        package.addRawRecord(16 + 2052, 0, 4, 0, area);
        cases.push_back({"name area over 2048 bytes", package.finish()});
    }
    {
        PackageBytes package = valid();
        std::vector<uint8_t> area = {'a', 0, 'b', 0, 'c', 0, 'd', 0};
        PackageBytes::scramble(area);
        package.addRawRecord(16 + 8, 0, 4, 0, area);
        cases.push_back({"name without a terminator", package.finish()});
    }
    {
        PackageBytes package = valid();
        package.addRecord(u"far", 2, 1 << 20);
        cases.push_back({"data block past the end", package.finish()});
    }
    {
        PackageBytes package = valid();
        package.addRecord(u"wrap", 0xFFFFFFF0u, 0x20);
        cases.push_back({"data block offset wraps", package.finish()});
    }
    {
        PackageBytes package = valid();
        package.addRecord(u"tiny", 0, 4, 100);
        cases.push_back({"compressed block without properties", package.finish()});
    }
    cases.push_back({"directory without its terminating zero", valid().finish(-1, false)});
    return cases;
}

TEST(PackageReaderTest, MalformedPackagesAreDamagedAndIndexNothing) {
    for (const MalformedCase& item : malformedCases()) {
        SCOPED_TRACE(item.what);
        ExactBuffer buffer(item.bytes);
        PackageReader reader(buffer.data.get(), buffer.size);
        EXPECT_TRUE(reader.damaged());
        EXPECT_FALSE(reader.problem().empty());
        EXPECT_TRUE(reader.entries().empty());
        EXPECT_EQ(reader.find(u"good"), nullptr);
    }
}

}  // namespace
}  // namespace tamlo::test
