#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "authoring/package_builder.h"
#include "authoring/package_writer.h"
#include "resources/entry_path.h"
#include "resources/lzma_test_data.h"
#include "resources/package_reader.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::string text = readFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string noise(size_t size) {
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

std::string extracted(const PackageReader& reader, const std::u16string& name) {
    int size = 0;
    uint8_t* bytes = reader.extract(name, &size);
    if (bytes == nullptr) {
        return "<null>";
    }
    std::string text(reinterpret_cast<char*>(bytes), static_cast<size_t>(size));
    std::free(bytes);
    return text;
}

TEST(PackageWriterTest, ChoosesCompressionOnlyWhenItHelps) {
    const std::string path = makeTempDir("writer") + "/out.lz";
    const std::string text = sdkFixtureText();
    const std::string random = noise(5000);
    PackageWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(path, &error)) << error;
    auto add = [&](const char16_t* name, const std::string& bytes, bool store) {
        ASSERT_TRUE(writer.addBuffer(name, reinterpret_cast<const uint8_t*>(bytes.data()),
                                     bytes.size(), store, &error))
            << error;
    };
    add(u"text", text, false);
    add(u"noise", random, false);
    add(u"kept", text, true);
    add(u"empty", "", false);
    add(u"tiny", "abc", false);
    ASSERT_TRUE(writer.finish(&error)) << error;

    ExactBuffer buffer(fileBytes(path));
    PackageReader reader(buffer.data.get(), buffer.size);
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_TRUE(reader.find(u"text")->compressed());
    EXPECT_FALSE(reader.find(u"noise")->compressed());
    EXPECT_FALSE(reader.find(u"kept")->compressed());
    EXPECT_FALSE(reader.find(u"empty")->compressed());
    EXPECT_FALSE(reader.find(u"tiny")->compressed());
    EXPECT_EQ(extracted(reader, u"text"), text);
    EXPECT_EQ(extracted(reader, u"noise"), random);
    EXPECT_EQ(extracted(reader, u"kept"), text);
    EXPECT_EQ(extracted(reader, u"empty"), "");
    EXPECT_EQ(extracted(reader, u"tiny"), "abc");
}

TEST(PackageWriterTest, AbandonedPackageLeavesNoFileAndBadNamesAreRefused) {
    const std::string path = makeTempDir("writer") + "/out.lz";
    std::string error;
    {
        PackageWriter writer;
        ASSERT_TRUE(writer.open(path, &error));
        EXPECT_FALSE(writer.addBuffer(u"", nullptr, 0, false, &error));
        EXPECT_FALSE(writer.addBuffer(std::u16string(1024, u'x'), nullptr, 0, false, &error));
        EXPECT_TRUE(writer.addBuffer(std::u16string(1023, u'x'), nullptr, 0, false, &error));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PackageBuilderTest, FolderBecomesSortedSlashSeparatedDeterministicPackage) {
    const std::string root = makeTempDir("tree");
    writeFile(root + "/b.txt", sdkFixtureText());
    writeFile(root + "/a/z.xml", "<z/>");
    writeFile(root + "/a/skin/Logo.PNG", sdkFixtureText());  // images stay stored
    writeFile(root + "/A.txt", "capital");
    writeFile(root + "/empty.dat", "");
    std::filesystem::create_directories(root + "/hollow/inner");
    ASSERT_EQ(symlink("/etc/passwd", (root + "/link.txt").c_str()), 0);

    PackageBuildOptions options;
    options.storeGlobs = imageStoreGlobs();
    const std::string out = makeTempDir("out");
    std::string error;
    ASSERT_TRUE(buildPackageFromDirectory(root, out + "/one.lz", options, &error)) << error;
    ASSERT_TRUE(buildPackageFromDirectory(root, out + "/two.lz", options, &error)) << error;
    EXPECT_EQ(readFile(out + "/one.lz"), readFile(out + "/two.lz"));

    ExactBuffer buffer(fileBytes(out + "/one.lz"));
    PackageReader reader(buffer.data.get(), buffer.size);
    std::vector<std::u16string> names;
    for (const PackageEntry& entry : reader.entries()) {
        names.emplace_back(entry.name);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A.txt", u"a/skin/Logo.PNG", u"a/z.xml",
                                                  u"b.txt", u"empty.dat"}));
    EXPECT_FALSE(reader.find(u"a/skin/Logo.PNG")->compressed());
    EXPECT_TRUE(reader.find(u"b.txt")->compressed());
    EXPECT_EQ(extracted(reader, u"a/z.xml"), "<z/>");
}

TEST(PackageBuilderTest, EmptyFolderGivesAnEmptyPackageAndBackslashNamesAreRefused) {
    const std::string out = makeTempDir("out") + "/p.lz";
    std::string error;
    ASSERT_TRUE(buildPackageFromDirectory(makeTempDir("empty"), out, {}, &error)) << error;
    ExactBuffer buffer(fileBytes(out));
    PackageReader reader(buffer.data.get(), buffer.size);
    EXPECT_FALSE(reader.damaged());
    EXPECT_TRUE(reader.entries().empty());

    // Packing a folder into itself leaves the previous package out.
    const std::string self = makeTempDir("self");
    writeFile(self + "/a.txt", "a");
    ASSERT_TRUE(buildPackageFromDirectory(self, self + "/p.lz", {}, &error)) << error;
    ASSERT_TRUE(buildPackageFromDirectory(self, self + "/p.lz", {}, &error)) << error;
    ExactBuffer again(fileBytes(self + "/p.lz"));
    PackageReader selfReader(again.data.get(), again.size);
    ASSERT_EQ(selfReader.entries().size(), 1u);
    EXPECT_EQ(selfReader.entries()[0].name, u"a.txt");

    const std::string odd = makeTempDir("odd");
    writeFile(odd + "/dir\\file.txt", "x");
    EXPECT_FALSE(buildPackageFromDirectory(odd, out, {}, &error));
    EXPECT_NE(error.find("backslash"), std::string::npos);
}

TEST(EntryPathTest, OnlyNamesThatStayBelowTheFolderAreSplit) {
    std::vector<std::string> segments;
    std::string reason;
    ASSERT_TRUE(splitSafeEntryPath(u"a/b/\u4e2d.txt", &segments, &reason));
    EXPECT_EQ(segments, (std::vector<std::string>{"a", "b", "\xe4\xb8\xad.txt"}));
    EXPECT_TRUE(splitSafeEntryPath(u"..x/y..", &segments, &reason));
    for (const char16_t* name : {u"", u"/etc/passwd", u"../up", u"a/../../up", u"a//b", u"a/",
                                 u"./a", u"a\\..\\up", u"a\\b", u"a/\u0001"}) {
        EXPECT_FALSE(splitSafeEntryPath(name, &segments, &reason));
        EXPECT_FALSE(reason.empty());
    }
}

}  // namespace
}  // namespace tamlo::test
