#include <gtest/gtest.h>
#include <lzma.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>

#include "authoring/bundle_writer.h"
#include "resources/bundle.h"
#include "resources/bundle_format.h"
#include "resources/bundle_verifier.h"
#include "resources/lzma_test_data.h"
#include "resources/package_format.h"
#include "resources/resource_file_system.h"
#include "resources/sha256.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

// A fake program followed by the five files: UI.lua is 10 bytes, LG.lua is empty.
struct BuiltBundle {
    std::string path;
    std::vector<uint8_t> bytes;
};

BuiltBundle buildBundle() {
    const std::string dir = makeTempDir("bundle");
    writeFile(dir + "/program",
              "\x7f"
              "ELF pretend program of odd length");
    writeFile(dir + "/UI.lua", "print('x')");
    writeFile(dir + "/frame.lz", sdkFixtureText());
    writeFile(dir + "/LG.lua", "");
    writeFile(dir + "/program.lz", "payload");
    writeFile(dir + "/style.lz", "style");
    std::vector<BundleInput> inputs = {{111, dir + "/UI.lua"},
                                       {113, dir + "/frame.lz"},
                                       {114, dir + "/LG.lua"},
                                       {115, dir + "/program.lz"},
                                       {116, dir + "/style.lz"}};
    BuiltBundle built{dir + "/installer", {}};
    std::string error;
    EXPECT_TRUE(writeBundle(dir + "/program", inputs, built.path, &error)) << error;
    std::string text = readFile(built.path);
    built.bytes.assign(text.begin(), text.end());
    return built;
}

TEST(BundleTest, WrittenFilesReadBackZeroTerminatedWithTheirChecks) {
    BuiltBundle built = buildBundle();
    struct stat info {};
    ASSERT_EQ(stat(built.path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    std::string error;
    std::unique_ptr<Bundle> bundle = Bundle::open(built.path, &error);
    ASSERT_TRUE(bundle) << error;
    ASSERT_EQ(bundle->files().size(), 5u);
    EXPECT_EQ(bundle->files()[1].name, u"frame.lz");
    EXPECT_TRUE(bundle->verifyAll(&error)) << error;
    uint32_t size = 0;
    const uint8_t* frame = bundle->data(113, &size);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(frame), size), sdkFixtureText());
    EXPECT_EQ(std::memcmp(frame + size, "\0\0\0\0", 4), 0);
    EXPECT_EQ(bundle->data(112, &size), nullptr);
    EXPECT_EQ(lzma_crc32(reinterpret_cast<const uint8_t*>("123456789"), 9, 0), 0xCBF43926u);
}

TEST(BundleTest, ResourceFileSystemCopiesWithFourZeroBytes) {
    BuiltBundle built = buildBundle();
    std::unique_ptr<Bundle> bundle = Bundle::open(built.path, nullptr);
    ASSERT_TRUE(bundle);
    ResourceFileSystem files(bundle.get());
    files.enterStandardFiles();
    int size = -7;
    uint8_t* script = files.read(u"UI.lua", size);
    ASSERT_NE(script, nullptr);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(std::memcmp(script, "print('x')\0\0\0\0", 14), 0);
    files.free(script);

    size = -7;
    uint8_t* empty = files.read(u"LG.lua", size);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(size, 0);
    files.free(empty);

    size = -7;
    EXPECT_EQ(files.read(u"missing.lua", size), nullptr);
    EXPECT_EQ(files.read(u"ui.lua", size), nullptr);  // registered names are exact
    EXPECT_EQ(size, -7);

    ResourceFileSystem nothing(nullptr);
    nothing.enterStandardFiles();
    EXPECT_EQ(nothing.read(u"UI.lua", size), nullptr);
    EXPECT_EQ(size, -7);
}

TEST(BundleTest, FileFailingItsCheckReadsAsMissing) {
    BuiltBundle built = buildBundle();
    std::string error;
    std::unique_ptr<Bundle> intact =
        Bundle::fromMemory(built.bytes.data(), built.bytes.size(), &error);
    ASSERT_TRUE(intact) << error;
    const BundleFileInfo* style = intact->find(116);
    ASSERT_NE(style, nullptr);
    std::vector<uint8_t> damaged = built.bytes;
    damaged[style->offset + 2] ^= 1;
    std::unique_ptr<Bundle> bundle = Bundle::fromMemory(damaged.data(), damaged.size(), &error);
    ASSERT_TRUE(bundle) << error;  // the table is intact; the file is not
    EXPECT_TRUE(bundle->verify(111));
    EXPECT_FALSE(bundle->verify(116));
    EXPECT_FALSE(bundle->verifyAll(&error));
    EXPECT_NE(error.find("style.lz"), std::string::npos);

    ResourceFileSystem files(bundle.get());
    files.enterStandardFiles();
    int size = -7;
    EXPECT_EQ(files.read(u"style.lz", size), nullptr);
    EXPECT_EQ(files.read(u"style.lz", size), nullptr);
    EXPECT_EQ(size, -7);
    uint8_t* fine = files.read(u"program.lz", size);
    EXPECT_NE(fine, nullptr);
    files.free(fine);
}

// Rewrites a table field and the table's check, so only the field's own validation
// can reject the result.
std::vector<uint8_t> withTableField(std::vector<uint8_t> bytes, size_t record, size_t field,
                                    uint64_t value, bool wide) {
    const size_t footer = bytes.size() - bundle::kFooterSize;
    const uint64_t table = package::readLe64(bytes.data() + footer);
    const uint32_t count = package::readLe32(bytes.data() + footer + 8);
    uint8_t* at = bytes.data() + table + record * bundle::kRecordSize + field;
    if (wide) {
        package::writeLe64(at, value);
    } else {
        package::writeLe32(at, static_cast<uint32_t>(value));
    }
    package::writeLe32(bytes.data() + footer + 12,
                       lzma_crc32(bytes.data() + table, count * bundle::kRecordSize, 0));
    return bytes;
}

TEST(BundleTest, AFileAlteredOnPurposeIsRefusedEvenWithItsCrcRewritten) {
    BuiltBundle built = buildBundle();
    std::string error;
    std::unique_ptr<Bundle> intact =
        Bundle::fromMemory(built.bytes.data(), built.bytes.size(), &error);
    ASSERT_TRUE(intact) << error;
    const BundleFileInfo* payload = intact->find(115);
    ASSERT_NE(payload, nullptr);
    ASSERT_EQ(payload->size, 7u);
    EXPECT_EQ(toHex(payload->sha256),
              toHex(sha256(reinterpret_cast<const uint8_t*>("payload"), 7)));
    // Same length, new bytes, and a table whose CRC (and the table's own check) agree.
    std::vector<uint8_t> altered = built.bytes;
    std::memcpy(altered.data() + payload->offset, "PAYLOAD", 7);
    const size_t record = static_cast<size_t>(payload - intact->files().data());
    altered = withTableField(altered, record, 16,
                             lzma_crc32(altered.data() + payload->offset, 7, 0), false);
    std::unique_ptr<Bundle> bundle = Bundle::fromMemory(altered.data(), altered.size(), &error);
    ASSERT_TRUE(bundle) << error;
    EXPECT_EQ(bundle->find(115)->crc32, lzma_crc32(altered.data() + payload->offset, 7, 0));
    EXPECT_FALSE(bundle->verify(115));
    EXPECT_TRUE(bundle->verify(116));
    ResourceFileSystem files(bundle.get());
    files.enterStandardFiles();
    int size = -7;
    EXPECT_EQ(files.read(u"program.lz", size), nullptr);
}

TEST(BundleTest, DamagedTablesAreRejected) {
    const std::vector<uint8_t> good = buildBundle().bytes;
    const size_t footer = good.size() - bundle::kFooterSize;
    const uint64_t table = package::readLe64(good.data() + footer);
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"truncated by one byte", {good.begin(), good.end() - 1}});
    cases.push_back({"footer only", {good.end() - bundle::kFooterSize, good.end()}});
    auto patched = [&](size_t at, uint64_t value, bool wide) {
        std::vector<uint8_t> bytes = good;
        if (wide) {
            package::writeLe64(bytes.data() + at, value);
        } else {
            package::writeLe32(bytes.data() + at, static_cast<uint32_t>(value));
        }
        return bytes;
    };
    cases.push_back({"table offset past the end", patched(footer, good.size() + 100, true)});
    cases.push_back({"table offset wraps", patched(footer, ~uint64_t{0} - 5, true)});
    cases.push_back({"file count too large", patched(footer + 8, 0x10000001u, false)});
    cases.push_back({"table check wrong", patched(footer + 12, 0, false)});
    cases.push_back({"file past the table", withTableField(good, 0, 8, table - 5, true)});
    cases.push_back({"file offset wraps", withTableField(good, 0, 8, ~uint64_t{0} - 2, true)});
    cases.push_back({"file size past the table", withTableField(good, 1, 4, 0xFFFFFFFFu, false)});
    cases.push_back({"unknown id", withTableField(good, 0, 0, 112, false)});
    cases.push_back({"repeated id", withTableField(good, 1, 0, 111, false)});
    // UI.lua's first byte taken as its terminator region: shrink it by one byte.
    cases.push_back({"no zero terminator", withTableField(good, 0, 4, 9, false)});
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ExactBuffer buffer(bytes);
        std::string error;
        EXPECT_EQ(Bundle::fromMemory(buffer.data.get(), buffer.size, &error), nullptr);
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_EQ(Bundle::open(makeTempDir("none") + "/absent", &error), nullptr);
    EXPECT_EQ(Bundle::open(binaryPath("tamlo"), &error), nullptr);  // the bare program
}

TEST(BundleTest, AReaderWaitsForTheBackgroundVerdictAndNothingIsHashedTwice) {
    BuiltBundle built = buildBundle();
    std::string error;
    std::unique_ptr<Bundle> bundle =
        Bundle::fromMemory(built.bytes.data(), built.bytes.size(), &error);
    ASSERT_TRUE(bundle) << error;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> payloadHashes{0};
    std::atomic<int> otherHashes{0};
    BundleVerifier verifier(bundle.get(), [&](const Bundle& checked, int32_t id) {
        if (id == 115) {
            ++payloadHashes;
            released.wait();
        } else {
            ++otherHashes;
        }
        return checked.verify(id);
    });
    std::atomic<bool> followUpRan{false};
    verifier.verifyInBackground(115, [&] { followUpRan = true; }, {});
    ResourceFileSystem files(bundle.get(), &verifier);
    files.enterStandardFiles();

    std::atomic<bool> lent{false};
    std::thread worker([&] {
        size_t size = 0;
        const uint8_t* bytes = files.lend(u"program.lz", size);
        EXPECT_TRUE(bytes != nullptr && followUpRan);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), size), "payload");
        lent = true;
    });
    // Other files stay readable while the payload's reader waits.
    int size = 0;
    uint8_t* script = files.read(u"UI.lua", size);
    ASSERT_NE(script, nullptr);
    files.free(script);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(lent);
    release.set_value();
    worker.join();
    EXPECT_TRUE(lent);
    EXPECT_FALSE(files.damaged(u"program.lz"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(verifier.verified(115));
        EXPECT_TRUE(verifier.verified(111));
    }
    EXPECT_EQ(payloadHashes, 1);
    EXPECT_EQ(otherHashes, 1);
}

}  // namespace
}  // namespace tamlo::test
