// Solid packages read back through the reader and the decoder pool; hostile directories
// (kept as fuzz seeds) are refused without reading outside the buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "authoring/solid_package_writer.h"
#include "platform/text_encoding.h"
#include "resources/block_decoder_pool.h"
#include "resources/package_digests.h"
#include "resources/package_reader.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

std::string seed(const std::string& name) {
    std::ifstream file(std::string(TAMLO_SOURCE_DIR) + "/fuzz/seeds/package_reader/" + name,
                       std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

const uint8_t* bytesOf(const std::string& text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

TEST(SolidPackageTest, HostileDirectoriesAreRefusedAndADamagedBlockFailsOnlyItsEntries) {
    const std::string sound = seed("solid.lz");
    PackageReader reader(bytesOf(sound), sound.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_TRUE(reader.solid());
    EXPECT_EQ(reader.digestKind(), PackageReader::DigestKind::NameSizeData);
    for (const char* name : {"solid-huge-block.lz", "solid-entry-past-end.lz"}) {
        const std::string bytes = seed(name);
        PackageReader hostile(bytesOf(bytes), bytes.size());
        EXPECT_TRUE(hostile.damaged()) << name;
        EXPECT_TRUE(hostile.entries().empty()) << name;
    }
    // Every prefix with the trailer put back: refused or read, never outside the buffer.
    for (size_t cut = 0; cut + 4 < sound.size(); cut += 97) {
        std::string bytes = sound.substr(0, cut) + sound.substr(sound.size() - 4);
        PackageReader shortened(bytesOf(bytes), bytes.size());
        EXPECT_TRUE(shortened.damaged());
    }
    const std::string broken = seed("solid-damaged-block.lz");
    PackageReader damaged(bytesOf(broken), broken.size());
    ASSERT_FALSE(damaged.damaged());
    BlockDecoderPool pool(damaged, 2);
    for (const PackageEntry& entry : damaged.entries()) {
        std::string error;
        const bool read = pool.readEntry(
            entry, [](const uint8_t*, size_t) { return true; }, &error);
        // This little package is one block: every entry with bytes fails, the empty one reads.
        EXPECT_EQ(read, entry.size() == 0) << error;
    }
}

TEST(SolidPackageTest, EntriesSpanBlocksAndDigestsCoverNamesAndSizes) {
    const std::string dir = makeTempDir("solid-unit");
    std::string big;
    for (int i = 0; big.size() < 300000; ++i) {
        big += std::to_string(i * 7919) + (i % 13 == 0 ? "\n" : ",");
    }
    writeFile(dir + "/big.csv", big);
    writeFile(dir + "/a.txt", "alpha");
    SolidWriteOptions options;
    options.blockSize = 4096 * 16;
    std::string error;
    ASSERT_TRUE(writeSolidPackage({{u"big.csv", dir + "/big.csv"}, {u"a.txt", dir + "/a.txt"}},
                                  dir + "/p.lz", options, &error))
        << error;
    const std::string bytes = readFile(dir + "/p.lz");
    // The same package whatever the number of encoding threads: blocks are written in order.
    for (unsigned threads : {1u, 3u}) {
        options.threads = threads;
        ASSERT_TRUE(writeSolidPackage({{u"big.csv", dir + "/big.csv"}, {u"a.txt", dir + "/a.txt"}},
                                      dir + "/q.lz", options, &error))
            << error;
        EXPECT_EQ(readFile(dir + "/q.lz"), bytes) << threads << " threads";
    }
    PackageReader reader(bytesOf(bytes), bytes.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    EXPECT_GE(reader.blocks().size(), 5u);
    BlockDecoderPool pool(reader, 2, 2);
    EXPECT_LE(pool.memoryBound(), uint64_t{options.blockSize} * 8);
    // Backwards, then forwards twice: each time the same bytes and a matching digest.
    for (int round = 0; round < 3; ++round) {
        for (size_t k = 0; k < reader.entries().size(); ++k) {
            const size_t i = round == 0 ? reader.entries().size() - 1 - k : k;
            const PackageEntry& entry = reader.entries()[i];
            std::string out;
            EntryDigestCheck check(reader, entry);
            ASSERT_TRUE(pool.readEntry(
                entry,
                [&](const uint8_t* data, size_t size) {
                    out.append(reinterpret_cast<const char*>(data), size);
                    check.update(data, size);
                    return true;
                },
                &error))
                << error;
            EXPECT_EQ(out, entry.name == u"big.csv" ? big : "alpha");
            EXPECT_TRUE(check.matches());
        }
    }
    // The digest is over the name too: the same bytes under another name do not match.
    const PackageEntry& first = reader.entries()[0];
    EntryHasher renamed(u"other.txt", first.size());
    size_t size = 0;
    uint8_t* whole = reader.extract(first, &size, &error);
    ASSERT_NE(whole, nullptr) << error;
    renamed.update(whole, size);
    EXPECT_NE(renamed.finish(), reader.digest(first));
    std::free(whole);
}

// x86-64 code as a linker leaves it: calls to a few functions, each from many places, so
// the relative targets differ everywhere until the branch filter makes them absolute.
std::string fakeX64Program(size_t size) {
    std::string bytes(0x200, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[60] = static_cast<char>(0x80);
    bytes.replace(0x80, 6, std::string("PE\0\0\x64\x86", 6));
    for (uint32_t x = 7; bytes.size() < size;) {
        x = x * 1103515245u + 12345u;
        const uint32_t target = 0x1000 + (x >> 28) * 0x400;
        const uint32_t relative = target - static_cast<uint32_t>(bytes.size() + 5);
        bytes += '\xE8';
        for (int shift = 0; shift < 32; shift += 8) {
            bytes += static_cast<char>(relative >> shift);
        }
        bytes += std::string("\x48\x89\xC1\x48\x8B", 5) + static_cast<char>(x >> 20 & 3);
    }
    return bytes;
}

TEST(SolidPackageTest, MachineCodeRoundTripsThroughItsBranchFilter) {
    const std::string dir = makeTempDir("solid-code");
    const std::string program = fakeX64Program(400000);
    writeFile(dir + "/tool.dll", program);
    writeFile(dir + "/readme.txt", "not code");
    std::string error;
    ASSERT_TRUE(
        writeSolidPackage({{u"readme.txt", dir + "/readme.txt"}, {u"tool.dll", dir + "/tool.dll"}},
                          dir + "/p.lz", SolidWriteOptions(), &error))
        << error;
    const std::string bytes = readFile(dir + "/p.lz");
    PackageReader reader(bytesOf(bytes), bytes.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    ASSERT_EQ(reader.blocks().size(), 2u);  // code and text never share a block
    // Machine code comes first. Through the filter it packs to 39 KB, without to 58 KB.
    EXPECT_LT(reader.blocks()[0].storedSize, program.size() / 9);
    for (const PackageEntry& entry : reader.entries()) {
        size_t size = 0;
        uint8_t* whole = reader.extract(entry, &size, &error);
        ASSERT_NE(whole, nullptr) << error;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(whole), size),
                  entry.name == u"tool.dll" ? program : "not code");
        std::free(whole);
    }
}

std::string noise(uint32_t seed, size_t size) {
    std::string bytes;
    for (uint32_t x = seed; bytes.size() < size;) {
        x = x * 1103515245u + 12345u;
        bytes += static_cast<char>(x >> 24);
    }
    return bytes;
}

TEST(SolidPackageTest, AlikeFilesShareABlockPastItsSize) {
    const std::string dir = makeTempDir("solid-family");
    // Near copies of data that does not compress, each larger than half a block: four
    // numbered siblings, and two near-copies whose names say nothing (the second shifted,
    // as a rebuilt library's sections are).
    const std::string shared = noise(12345, 40000);
    const std::string other = noise(777, 40000);
    std::vector<std::pair<std::string, std::string>> contents = {
        {"core.a", other},
        {"shared-pic.a", "shifted" + other.substr(0, 20000) + "x" + other.substr(20000)}};
    for (int i = 1; i <= 4; ++i) {
        contents.push_back({"d3dx_" + std::to_string(i) + ".dll", shared + std::to_string(i)});
    }
    std::vector<SolidFile> files;
    for (const auto& [name, bytes] : contents) {
        writeFile(dir + "/" + name, bytes);
        files.push_back({utf8ToUtf16(name), dir + "/" + name});
    }
    SolidWriteOptions options;
    options.blockSize = 64 * 1024;
    options.familySize = options.blockSize;  // families cut like any files
    std::string error;
    ASSERT_TRUE(writeSolidPackage(files, dir + "/apart.lz", options, &error)) << error;
    options.familySize = 1 << 20;
    ASSERT_TRUE(writeSolidPackage(files, dir + "/together.lz", options, &error)) << error;
    const std::string apart = readFile(dir + "/apart.lz");
    const std::string together = readFile(dir + "/together.lz");
    // Apart, every block pays for one whole copy; together, the first copy only.
    EXPECT_LT(together.size() + shared.size() + other.size(), apart.size());
    PackageReader reader(bytesOf(together), together.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    std::map<std::string, uint32_t> blockOf;  // each entry's block, when it lies wholly in one
    BlockDecoderPool pool(reader, 2);
    for (const PackageEntry& entry : reader.entries()) {
        const std::string name = utf16ToUtf8(std::u16string(entry.name));
        const PackageReader::SolidBlock& block = reader.blocks()[entry.block];
        const bool whole = entry.solidStart + entry.size() <= block.start + block.unpackedSize;
        blockOf[name] = whole ? entry.block : PackageEntry::kNoBlock;
        std::string out;
        ASSERT_TRUE(pool.readEntry(
            entry,
            [&](const uint8_t* data, size_t size) {
                out.append(reinterpret_cast<const char*>(data), size);
                return true;
            },
            &error))
            << error;
        EXPECT_EQ(out, readFile(dir + "/" + name));
    }
    for (const auto& [name, bytes] : contents) {
        EXPECT_NE(blockOf[name], PackageEntry::kNoBlock) << name << " is cut";
    }
    EXPECT_EQ(blockOf["core.a"], blockOf["shared-pic.a"]);
    EXPECT_EQ(blockOf["d3dx_1.dll"], blockOf["d3dx_4.dll"]);
    EXPECT_NE(blockOf["core.a"], blockOf["d3dx_1.dll"]);  // unrelated content stays apart
}

TEST(SolidPackageTest, ADerivedFileFollowsItsSource) {
    const std::string dir = makeTempDir("solid-companions");
    std::filesystem::create_directories(dir + "/json/__pycache__");
    for (const char* name : {"json/decoder.py", "json/encoder.py", "json/scanner.py",
                             "json/__pycache__/decoder.cpython-311.pyc", "json/readme.txt",
                             "json/__pycache__/encoder.cpython-311.pyc"}) {
        writeFile(dir + "/" + name, name);
    }
    std::vector<SolidFile> files;
    for (const char* name :
         {"json/readme.txt", "json/__pycache__/encoder.cpython-311.pyc", "json/scanner.py",
          "json/__pycache__/decoder.cpython-311.pyc", "json/encoder.py", "json/decoder.py"}) {
        files.push_back({utf8ToUtf16(name), dir + "/" + name});
    }
    std::string error;
    ASSERT_TRUE(writeSolidPackage(files, dir + "/out.lz", SolidWriteOptions{}, &error)) << error;
    const std::string package = readFile(dir + "/out.lz");
    PackageReader reader(bytesOf(package), package.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    std::vector<std::string> order;
    for (const PackageEntry& entry : reader.entries()) {
        order.push_back(utf16ToUtf8(std::u16string(entry.name)));
    }
    EXPECT_EQ(order, (std::vector<std::string>{
                         "json/decoder.py", "json/__pycache__/decoder.cpython-311.pyc",
                         "json/encoder.py", "json/__pycache__/encoder.cpython-311.pyc",
                         "json/scanner.py", "json/readme.txt"}));
}

// A family block past the streaming size is read front to back by the reading thread:
// in order, backwards, the same entry twice, through the reader alone, and damaged.
TEST(SolidPackageTest, AFamilyBlockTooLargeToHoldIsStreamed) {
    const std::string dir = makeTempDir("solid-streamed");
    std::string unit;
    for (uint32_t x = 777; unit.size() < 48 * 1024;) {
        x = x * 1103515245u + 12345u;
        unit += static_cast<char>('a' + (x >> 24) % 20);
    }
    std::vector<SolidFile> files;
    std::map<std::u16string, std::string> contents;
    auto add = [&](const std::string& name, std::string bytes) {
        writeFile(dir + "/" + name, bytes);
        files.push_back({utf8ToUtf16(name), dir + "/" + name});
        contents[utf8ToUtf16(name)] = std::move(bytes);
    };
    add("a.txt", unit.substr(0, 1000));
    for (int i = 1; i <= 4; ++i) {
        std::string bytes;
        while (bytes.size() < (4u << 20) + 300000) {
            bytes += unit + std::to_string(bytes.size() * i);
        }
        add("lib_" + std::to_string(i) + ".dll", bytes);
    }
    add("z.txt", unit.substr(100, 5000));
    // Unlike the family and each other: files of their own blocks.
    uint32_t noise = 99;
    for (const char* name : {"alpha", "beta", "gamma", "delta", "epsilon"}) {
        std::string bytes(800000, name[0]);
        while (bytes.size() < 804000) {
            noise = noise * 1664525u + 1013904223u;
            bytes += static_cast<char>('A' + (noise >> 24) % 26);
        }
        add(std::string(name) + ".bin", bytes);
    }
    std::string error;
    SolidWriteOptions options;
    options.preset = 7;  // a 16 MiB dictionary, the largest a streamed block may ask for
    options.blockSize = 1u << 20;
    ASSERT_TRUE(writeSolidPackage(files, dir + "/p.lz", options, &error)) << error;
    const std::string bytes = readFile(dir + "/p.lz");
    PackageReader reader(bytesOf(bytes), bytes.size());
    ASSERT_FALSE(reader.damaged()) << reader.problem();
    BlockDecoderPool pool(reader, 2);
    // The large block comes first, so that the usual blocks after it decode on the other
    // cores while it streams; they end where files do, which lets them move.
    const size_t big = 0;
    ASSERT_TRUE(pool.streamed(big)) << "no large block first";
    ASSERT_GE(reader.blocks().size(), 4u);
    EXPECT_EQ(std::u16string(reader.entries()[0].name).substr(0, 4), u"lib_");
    for (size_t i = 1; i < reader.blocks().size(); ++i) {
        EXPECT_FALSE(pool.streamed(i)) << i;
    }
    for (const PackageEntry& entry : reader.entries()) {
        if (entry.size() > 0) {
            EXPECT_LE(entry.dataOffset + entry.size(), reader.blocks()[entry.block].unpackedSize)
                << "a file runs on into the next block";
        }
    }
    // The bound does not grow with the streamed block.
    const uint64_t streaming =
        XzBlockStream::kMemoryLimit + XzBlockStream::kBufferSize + BlockStreamAhead::kQueueBytes;
    ASSERT_GT(pool.memoryBound(), streaming);
    EXPECT_LT(pool.memoryBound() - streaming, uint64_t{reader.blocks()[big].unpackedSize});

    auto read = [&](BlockDecoderPool& from, const PackageReader& in, const PackageEntry& entry,
                    std::string* out) {
        out->clear();
        EntryDigestCheck check(in, entry);
        const bool done = from.readEntry(
            entry,
            [&](const uint8_t* data, size_t size) {
                EXPECT_LE(size, size_t{64 * 1024});
                out->append(reinterpret_cast<const char*>(data), size);
                check.update(data, size);
                return true;
            },
            &error);
        return done && check.matches();
    };
    const std::vector<PackageEntry>& entries = reader.entries();
    std::vector<size_t> order;
    for (size_t i = 0; i < entries.size(); ++i) {
        order.push_back(i);  // in order
    }
    for (size_t i = entries.size(); i-- > 0;) {
        order.push_back(i);  // backwards
    }
    order.insert(order.end(), {2, 2, 4, 3, 3});  // again, and back within the block
    for (size_t i : order) {
        std::string out;
        ASSERT_TRUE(read(pool, reader, entries[i], &out)) << i << ": " << error;
        EXPECT_EQ(out, contents[std::u16string(entries[i].name)]) << i;
    }
    // The entry ending the streamed block: reading it reaches the stream's own check.
    const PackageEntry* ending = nullptr;
    for (const PackageEntry& entry : entries) {
        const PackageReader::SolidBlock& block = reader.blocks()[big];
        if (entry.size() > 0 &&
            entry.solidStart + entry.size() == block.start + block.unpackedSize) {
            ending = &entry;
        }
    }
    ASSERT_NE(ending, nullptr);
    const PackageEntry& last = *ending;
    size_t size = 0;
    uint8_t* whole = reader.extract(last, &size, &error);
    ASSERT_NE(whole, nullptr) << error;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(whole), size),
              contents[std::u16string(last.name)]);
    std::free(whole);

    // One byte changed in the middle of the streamed block's stored data: no entry of it
    // reads whole with a matching digest unless its bytes are the true ones.
    std::string broken = bytes;
    const PackageReader::SolidBlock& stored = reader.blocks()[big];
    broken[stored.offset + stored.storedSize / 2] ^= 0x55;
    PackageReader damaged(bytesOf(broken), broken.size());
    ASSERT_FALSE(damaged.damaged());
    BlockDecoderPool damagedPool(damaged, 2);
    size_t failed = 0;
    for (int round = 0; round < 2; ++round) {
        for (const PackageEntry& entry : damaged.entries()) {
            std::string out;
            if (read(damagedPool, damaged, entry, &out)) {
                EXPECT_EQ(out, contents[std::u16string(entry.name)]);
            } else {
                ++failed;
                EXPECT_EQ(entry.block, big) << error;
            }
        }
    }
    EXPECT_GE(failed, 2u);
    // Asked for whole, as a verifier does to name a damaged block: checked, never held.
    std::shared_ptr<const BlockDecoderPool::Decoded> sound = pool.acquire(big);
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(sound->ok) << sound->error;
    EXPECT_EQ(sound->bytes.data(), nullptr);
    std::shared_ptr<const BlockDecoderPool::Decoded> bad = damagedPool.acquire(big);
    ASSERT_NE(bad, nullptr);
    EXPECT_FALSE(bad->ok);
    EXPECT_EQ(damaged.extract(damaged.entries()[last.index], &size, &error), nullptr);
}

}  // namespace
}  // namespace tamlo::test
