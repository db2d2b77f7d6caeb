// tamlo-pack against damaged and hostile packages of both layouts: what it prints, what it
// refuses, and that an existing file survives a failed extraction.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "authoring/package_writer.h"
#include "resources/package_bytes.h"
#include "resources/package_format.h"
#include "resources/package_reader.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

namespace fs = std::filesystem;

CommandResult pack(std::vector<std::string> args) {
    args.insert(args.begin(), binaryPath("tamlo-pack"));
    return runCommand(args);
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// Text that compresses into a few KiB but is not the same byte over and over.
std::string sample(int seed, size_t size) {
    std::string text;
    uint32_t state = static_cast<uint32_t>(seed) * 2654435761u + 1;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += "word" + std::to_string(state >> 24) + (state & 0x100 ? "\n" : " ");
    }
    text.resize(size);
    return text;
}

// A folder of files large enough for a solid package of several 1 MiB blocks.
std::string solidTree() {
    const std::string root = makeTempDir("solid-tree");
    for (int i = 0; i < 6; ++i) {
        writeFile(root + "/data/part" + std::to_string(i) + ".txt", sample(i, 700 * 1024));
    }
    writeFile(root + "/empty.bin", "");
    writeFile(root + "/readme.md", "read me\n");
    fs::permissions(root + "/data/part0.txt", fs::perms::owner_exec, fs::perm_options::add);
    return root;
}

TEST(PackHostileTest, SolidPackagesRoundTripAndNameTheEntriesOfADamagedBlock) {
    const std::string tree = solidTree();
    const std::string out = makeTempDir("solid");
    ASSERT_EQ(pack({"create", out + "/s.lz", tree, "--solid", "--block", "1"}).exitCode, 0);
    CommandResult verify = pack({"verify", out + "/s.lz"});
    ASSERT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_NE(verify.out.find("8 entries, all sound, SHA-256 checked"), std::string::npos);
    ASSERT_EQ(pack({"extract", out + "/s.lz", "-C", out + "/x"}).exitCode, 0);
    for (int i = 0; i < 6; ++i) {
        const std::string name = "/data/part" + std::to_string(i) + ".txt";
        EXPECT_EQ(readFile(out + "/x" + name), readFile(tree + name)) << name;
    }
    EXPECT_EQ(readFile(out + "/x/readme.md"), "read me\n");
    EXPECT_TRUE(fs::exists(out + "/x/empty.bin"));
    // The execute permission comes back with the file.
    auto executable = [&](const std::string& name) {
        return (fs::status(out + "/x/data/" + name).permissions() & fs::perms::owner_exec) !=
               fs::perms::none;
    };
    EXPECT_TRUE(executable("part0.txt"));
    EXPECT_FALSE(executable("part1.txt"));

    // One byte in the middle of the data: the block holding it fails, and verify names
    // every entry with bytes in it; extraction keeps the files that were there.
    std::string bytes = readFile(out + "/s.lz");
    bytes[bytes.size() / 3] ^= 0x40;
    ASSERT_TRUE(writeFile(out + "/bad.lz", bytes));
    CommandResult refused = pack({"verify", out + "/bad.lz"});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.err.find("is damaged"), std::string::npos) << refused.err;
    const size_t named = refused.err.find("its entries: ");
    EXPECT_NE(named, std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("\"data/part", named), std::string::npos) << refused.err;
    for (int i = 0; i < 6; ++i) {
        writeFile(out + "/y/data/part" + std::to_string(i) + ".txt", "kept");
    }
    EXPECT_NE(pack({"extract", out + "/bad.lz", "-C", out + "/y"}).exitCode, 0);
    int kept = 0;
    for (int i = 0; i < 6; ++i) {
        const std::string text = readFile(out + "/y/data/part" + std::to_string(i) + ".txt");
        EXPECT_TRUE(text == "kept" || text == sample(i, 700 * 1024)) << "part " << i;
        kept += text == "kept";
    }
    EXPECT_GT(kept, 0);
    for (const auto& item : fs::recursive_directory_iterator(out + "/y")) {
        EXPECT_EQ(item.path().filename().string().rfind(".tamlo-new", 0), std::string::npos);
    }
}

// Extraction shares the blocks out among the cores: a family's block too large to hold is
// streamed on one thread while the others write the usual blocks and the files running
// over a block's end; named entries come out in any order.
TEST(PackHostileTest, EveryKindOfBlockExtractsOnAllCores) {
    const std::string tree = solidTree();
    std::string base;
    while (base.size() < (4u << 20) + 100000) {
        base += sample(40, 64 * 1024) + std::to_string(base.size());
    }
    for (int i = 1; i <= 4; ++i) {
        writeFile(tree + "/lib/lib_" + std::to_string(i) + ".dll", base + sample(40 + i, 100000));
    }
    writeFile(tree + "/movie.txt", sample(50, 5u << 19));  // larger than a block
    const std::string out = makeTempDir("solid-cores");
    ASSERT_EQ(pack({"create", out + "/s.lz", tree, "--solid", "--block", "1"}).exitCode, 0);
    const std::string bytes = readFile(out + "/s.lz");
    PackageReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_GT(reader.blocks().front().unpackedSize, package::kLargeSolidBlock);
    EXPECT_TRUE(std::any_of(reader.entries().begin(), reader.entries().end(), [&](auto& entry) {
        return entry.solidStart + entry.size() >
               reader.blocks()[entry.block].start + reader.blocks()[entry.block].unpackedSize;
    })) << "no file runs over a block's end";
    CommandResult extract = pack({"extract", out + "/s.lz", "-C", out + "/x"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    size_t files = 0;
    for (const auto& item : fs::recursive_directory_iterator(tree)) {
        if (item.is_regular_file()) {
            const std::string name = fs::relative(item.path(), tree).string();
            EXPECT_EQ(readFile(out + "/x/" + name), readFile(item.path().string())) << name;
            ++files;
        }
    }
    EXPECT_EQ(files, 13u);
    extract = pack({"extract", out + "/s.lz", "-C", out + "/y", "readme.md", "lib/lib_3.dll",
                    "data/part4.txt", "movie.txt", "lib/lib_1.dll"});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    for (const char* name :
         {"readme.md", "lib/lib_3.dll", "data/part4.txt", "movie.txt", "lib/lib_1.dll"}) {
        EXPECT_EQ(readFile(out + "/y/" + name), readFile(tree + "/" + name)) << name;
    }
    EXPECT_FALSE(fs::exists(out + "/y/lib/lib_2.dll"));
}

TEST(PackHostileTest, AFailedDecodeLeavesAnExistingFileAsItWas) {
    const std::string work = makeTempDir("keep");
    PackageBytes package;
    // Claims 100 bytes of LZMA data that is not there.
    package.addRecord(u"file.txt", package.addBlock(std::string("\x5d\0\0\1\0garbage", 12)), 12,
                      100);
    ASSERT_TRUE(writeBytes(work + "/p.lz", package.finish()));
    writeFile(work + "/out/file.txt", "the user's own file");
    EXPECT_NE(pack({"extract", work + "/p.lz", "-C", work + "/out"}).exitCode, 0);
    EXPECT_EQ(readFile(work + "/out/file.txt"), "the user's own file");
    EXPECT_EQ(std::distance(fs::directory_iterator(work + "/out"), fs::directory_iterator()), 1);
}

// A per-entry package from the writer, its bytes.
std::string written(const std::string& path, const std::vector<std::u16string>& names) {
    PackageWriter writer;
    std::string error;
    EXPECT_TRUE(writer.open(path, &error)) << error;
    for (const std::u16string& name : names) {
        const std::string text = "contents";
        EXPECT_TRUE(writer.addBuffer(name, reinterpret_cast<const uint8_t*>(text.data()),
                                     text.size(), true, &error))
            << error;
    }
    EXPECT_TRUE(writer.finish(&error)) << error;
    return readFile(path);
}

TEST(PackHostileTest, VerifyCatchesAFlippedNameBitAndADamagedDigestTable) {
    const std::string work = makeTempDir("flip");
    std::string bytes = written(work + "/p.lz", {u"alpha.txt", u"beta.txt"});
    ASSERT_EQ(pack({"verify", work + "/p.lz"}).exitCode, 0);

    // "beta" -> "bfta": the directory still parses, the digest over the name does not match.
    const uint32_t directory =
        package::readLe32(reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - 4) ^
        package::kKey;
    std::string renamed = bytes;
    const size_t second = directory + 16 + 20 + 16;  // alpha's record is 36 bytes
    renamed[second + 2] ^= 0x02;                     // 'e' (0x65) -> 'g' (0x67)
    ASSERT_TRUE(writeFile(work + "/renamed.lz", renamed));
    CommandResult flipped = pack({"verify", work + "/renamed.lz"});
    EXPECT_NE(flipped.exitCode, 0);
    EXPECT_NE(flipped.err.find("does not match its SHA-256"), std::string::npos) << flipped.err;

    // The table's count, then its magic: an error, not "no SHA-256 to check".
    for (size_t back : {size_t{4 + 16}, size_t{4 + 3}}) {
        std::string damaged = bytes;
        damaged[damaged.size() - back] ^= 0x01;
        ASSERT_TRUE(writeFile(work + "/table.lz", damaged));
        CommandResult result = pack({"verify", work + "/table.lz"});
        EXPECT_NE(result.exitCode, 0) << result.out;
        EXPECT_NE(result.err.find("digests is damaged"), std::string::npos) << result.err;
    }
}

TEST(PackHostileTest, NamesArePrintedEscapedAndCollidingNamesAreRefused) {
    const std::string work = makeTempDir("names");
    PackageBytes package;
    package.addRecord(u"\x1b[31mred", package.addBlock("a"), 1);
    package.addRecord(u"a\tforged\t1\t1\tstored\nrow", package.addBlock("b"), 1);
    ASSERT_TRUE(writeBytes(work + "/p.lz", package.finish()));
    CommandResult list = pack({"list", work + "/p.lz"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2) << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\t'), 6) << list.out;
    EXPECT_NE(list.out.find("\\x1b[31mred\t"), std::string::npos) << list.out;

    // Two names that differ only in an unpaired surrogate would become one file.
    PackageBytes colliding;
    colliding.addRecord(std::u16string(u"x") + char16_t(0xD800), colliding.addBlock("one"), 3);
    colliding.addRecord(std::u16string(u"x") + char16_t(0xD801), colliding.addBlock("two"), 3);
    ASSERT_TRUE(writeBytes(work + "/c.lz", colliding.finish()));
    CommandResult extract = pack({"extract", work + "/c.lz", "-C", work + "/out"});
    EXPECT_NE(extract.exitCode, 0);
    EXPECT_NE(extract.err.find("unpaired surrogate"), std::string::npos) << extract.err;
    EXPECT_NE(extract.err.find("\\ud800"), std::string::npos) << extract.err;
    EXPECT_FALSE(fs::exists(work + "/out/x\xef\xbf\xbd"));
}

}  // namespace
}  // namespace tamlo::test
