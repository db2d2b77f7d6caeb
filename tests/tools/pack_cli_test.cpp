#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "resources/bundle.h"
#include "resources/lzma_test_data.h"
#include "resources/package_bytes.h"
#include "resources/package_reader.h"
#include "resources/sdk_lzma_streams.h"
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

// A failure is a non-zero exit with exactly one line on stderr.
void expectOneLineFailure(const CommandResult& result) {
    EXPECT_NE(result.exitCode, 0);
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
}

// A project with both scripts, a layout and a font list; tests add the rest.
std::string minimalProject() {
    const std::string project = makeTempDir("project");
    writeFile(project + "/UI.lua", "-- ui\n");
    writeFile(project + "/LG.lua", "-- worker\n");
    writeFile(project + "/frame/main.xml", "<Window/>");
    writeFile(project + "/style/font.xml", "<Fonts/>");
    return project;
}

std::string sampleTree() {
    const std::string root = makeTempDir("tree");
    writeFile(root + "/readme.txt", sdkFixtureText());
    writeFile(root + "/img/logo.png", sdkFixtureText());
    writeFile(root + "/img/deep/empty.bin", "");
    return root;
}

TEST(PackCliTest, CreateListVerifyExtractRoundTrip) {
    const std::string tree = sampleTree();
    const std::string out = makeTempDir("out");
    ASSERT_EQ(pack({"create", out + "/a.lz", tree, "--store", "*.png", "--dict", "1"}).exitCode, 0);
    ASSERT_EQ(pack({"create", out + "/b.lz", tree, "--store", "*.png", "--dict", "1"}).exitCode, 0);
    EXPECT_EQ(readFile(out + "/a.lz"), readFile(out + "/b.lz"));

    CommandResult list = pack({"list", out + "/a.lz"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    const std::string size = std::to_string(sdkFixtureText().size());
    const std::string expectedStart = "img/deep/empty.bin\t0\t0\tstored\nimg/logo.png\t" + size +
                                      "\t" + size + "\tstored\nreadme.txt\t";
    EXPECT_EQ(list.out.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(list.out.find("\t" + size + "\tlzma\n"), std::string::npos);

    EXPECT_EQ(pack({"verify", out + "/a.lz"}).exitCode, 0);
    const std::string target = out + "/x";
    ASSERT_EQ(pack({"extract", out + "/a.lz", "-C", target}).exitCode, 0);
    EXPECT_EQ(readFile(target + "/readme.txt"), sdkFixtureText());
    EXPECT_EQ(readFile(target + "/img/logo.png"), sdkFixtureText());
    EXPECT_TRUE(fs::is_regular_file(target + "/img/deep/empty.bin"));

    const std::string some = out + "/some";
    ASSERT_EQ(pack({"extract", out + "/a.lz", "-C", some, "img/logo.png"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(some + "/img/logo.png"));
    EXPECT_FALSE(fs::exists(some + "/readme.txt"));
    expectOneLineFailure(pack({"extract", out + "/a.lz", "-C", some, "img\\logo.png"}));
}

TEST(PackCliTest, EmptyFolderAndBadArguments) {
    const std::string out = makeTempDir("out");
    ASSERT_EQ(pack({"create", out + "/e.lz", makeTempDir("empty")}).exitCode, 0);
    CommandResult list = pack({"list", out + "/e.lz"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(pack({"verify", out + "/e.lz"}).exitCode, 0);

    expectOneLineFailure(pack({"create", out + "/f.lz", out, "--dict", "0"}));
    expectOneLineFailure(pack({"create", out + "/f.lz"}));
    expectOneLineFailure(pack({"list", out + "/missing.lz"}));
    expectOneLineFailure(pack({"frobnicate"}));
}

TEST(PackCliTest, ExtractRefusesNamesThatLeaveTheFolder) {
    const std::string work = makeTempDir("escape");
    for (const char16_t* name :
         {u"../escaped.txt", u"/tmp/escaped.txt", u"a//b.txt", u"a\\..\\escaped.txt"}) {
        PackageBytes package;
        package.addRecord(u"fine.txt", package.addBlock("fine"), 4);
        package.addRecord(name, package.addBlock("evil"), 4);
        ASSERT_TRUE(writeBytes(work + "/p.lz", package.finish()));
        const std::string target = work + "/inside/target";
        CommandResult result = pack({"extract", work + "/p.lz", "-C", target});
        expectOneLineFailure(result);
        EXPECT_NE(result.err.find("refusing"), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(work + "/inside/escaped.txt"));
        EXPECT_FALSE(fs::exists(target + "/fine.txt"));  // nothing written at all
    }
}

TEST(PackCliTest, ExtractDoesNotFollowLinksInTheTargetFolder) {
    const std::string work = makeTempDir("links");
    const std::string outside = makeTempDir("outside");
    const std::string target = work + "/target";
    fs::create_directories(target);
    ASSERT_EQ(symlink(outside.c_str(), (target + "/dir").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/file.txt").c_str(), (target + "/file.txt").c_str()), 0);
    for (const char16_t* name : {u"dir/planted.txt", u"file.txt"}) {
        PackageBytes package;
        package.addRecord(name, package.addBlock("evil"), 4);
        ASSERT_TRUE(writeBytes(work + "/p.lz", package.finish()));
        expectOneLineFailure(pack({"extract", work + "/p.lz", "-C", target}));
    }
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST(PackCliTest, DamageIsReportedAndLeavesNoPartialFile) {
    const std::string work = makeTempDir("damage");
    auto stream = bytesOf(kSdkStreamWithoutEndMarker, sizeof kSdkStreamWithoutEndMarker);
    PackageBytes package;
    package.addRecord(u"ok.txt", package.addBlock("ok"), 2);
    package.addRecord(u"cut.txt", package.addBlock(stream), stream.size() - 40,
                      sdkFixtureText().size());
    ASSERT_TRUE(writeBytes(work + "/cut.lz", package.finish()));
    CommandResult verify = pack({"verify", work + "/cut.lz"});
    expectOneLineFailure(verify);
    EXPECT_NE(verify.err.find("cut.txt"), std::string::npos);
    expectOneLineFailure(pack({"extract", work + "/cut.lz", "-C", work + "/x"}));
    EXPECT_TRUE(fs::exists(work + "/x/ok.txt"));
    EXPECT_FALSE(fs::exists(work + "/x/cut.txt"));

    std::vector<uint8_t> broken = package.finish();
    broken.back() ^= 0x40;  // the directory offset now points elsewhere
    ASSERT_TRUE(writeBytes(work + "/broken.lz", broken));
    CommandResult damaged = pack({"verify", work + "/broken.lz"});
    expectOneLineFailure(damaged);
    EXPECT_NE(damaged.err.find("damaged"), std::string::npos);
    expectOneLineFailure(pack({"list", work + "/broken.lz"}));
}

TEST(PackCliTest, BuildAppendsTheFiveFilesToTheEngine) {
    const std::string project = minimalProject();
    writeFile(project + "/style/skin/button.png", sdkFixtureText());
    writeFile(project + "/program/payload/readme.txt", sdkFixtureText());
    const std::string installer = makeTempDir("built") + "/setup";
    CommandResult build = pack({"build", project, "-o", installer});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    struct stat info {};
    ASSERT_EQ(stat(installer.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    CommandResult list = pack({"bundle-list", installer});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out.substr(0, 26), "111\tUI.lua\t6\n113\tframe.lz\t");
    EXPECT_NE(list.out.find("\n114\tLG.lua\t10\n115\tprogram.lz\t"), std::string::npos);
    EXPECT_NE(list.out.find("\n116\tstyle.lz\t"), std::string::npos);

    CommandResult bare = pack({"bundle-list", binaryPath("tamlo")});
    expectOneLineFailure(bare);

    // Another engine, such as the cross-built Windows program, is carried byte for byte.
    const std::string windowsEngine = makeTempDir("engine") + "/tamlo.exe";
    const std::string peBytes = std::string("MZ\x90\0", 4) + std::string(4096, '\x7f');
    writeFile(windowsEngine, peBytes);
    const std::string windowsInstaller = makeTempDir("built") + "/setup.exe";
    CommandResult windows =
        pack({"build", project, "--engine", windowsEngine, "-o", windowsInstaller});
    ASSERT_EQ(windows.exitCode, 0) << windows.err;
    EXPECT_NE(windows.out.find("a Windows program"), std::string::npos) << windows.out;
    EXPECT_EQ(readFile(windowsInstaller).substr(0, peBytes.size()), peBytes);
    EXPECT_EQ(pack({"bundle-list", windowsInstaller}).out, list.out);
    expectOneLineFailure(pack({"build", project, "-o", installer + "3", "--engine"}));
    expectOneLineFailure(
        pack({"build", project, "-o", installer + "3", "--engine", windowsEngine + ".gone"}));
    EXPECT_FALSE(fs::exists(installer + "3"));

    fs::remove_all(project + "/program");
    expectOneLineFailure(pack({"build", project, "-o", installer + "2"}));
    EXPECT_FALSE(fs::exists(installer + "2"));
}

// --block sets the unpacked bytes of the payload's solid blocks: an author trades decoding
// on every core for size. Files then span blocks and still come back whole.
TEST(PackCliTest, BuildCutsThePayloadIntoBlocksOfTheGivenSize) {
    const std::string project = minimalProject();
    std::mt19937 random(5);
    std::vector<std::string> files(3, std::string(700 * 1024, '\0'));
    for (size_t i = 0; i < files.size(); ++i) {
        for (char& byte : files[i]) {
            byte = static_cast<char>(random());
        }
        // Names without numbers: numbered siblings would share a block of their own.
        writeFile(project + "/program/" + std::string(1, static_cast<char>('a' + i)) + ".bin",
                  files[i]);
    }
    const std::string folder = makeTempDir("built");
    ASSERT_EQ(pack({"build", project, "-o", folder + "/default"}).exitCode, 0);
    CommandResult small = pack({"build", project, "-o", folder + "/small", "--block", "1"});
    ASSERT_EQ(small.exitCode, 0) << small.err;

    auto payloadBlocks = [](const std::string& installer, std::vector<std::string>* contents) {
        std::string error;
        std::unique_ptr<Bundle> bundle = Bundle::open(installer, &error);
        uint32_t size = 0;
        const uint8_t* bytes = bundle == nullptr ? nullptr : bundle->data(115, &size);
        if (bytes == nullptr) {
            ADD_FAILURE() << installer << ": " << error;
            return size_t{0};
        }
        PackageReader reader(bytes, size);
        EXPECT_FALSE(reader.damaged()) << reader.problem();
        contents->clear();
        for (const PackageEntry& entry : reader.entries()) {
            size_t length = 0;
            uint8_t* data = reader.extract(entry, &length, &error);
            EXPECT_NE(data, nullptr) << error;
            contents->emplace_back(reinterpret_cast<const char*>(data), data ? length : 0);
            std::free(data);
        }
        return reader.blocks().size();
    };
    std::vector<std::string> contents;
    EXPECT_EQ(payloadBlocks(folder + "/default", &contents), 1u);
    EXPECT_EQ(contents, files);
    EXPECT_EQ(payloadBlocks(folder + "/small", &contents), 3u);  // 2.1 MiB in 1 MiB blocks
    EXPECT_EQ(contents, files);

    for (const char* wrong : {"0", "65", "2x", ""}) {
        expectOneLineFailure(pack({"build", project, "-o", folder + "/wrong", "--block", wrong}));
    }
    expectOneLineFailure(
        pack({"build", project, "-o", folder + "/wrong", "--per-entry", "--block", "2"}));
    EXPECT_FALSE(fs::exists(folder + "/wrong"));
}

TEST(PackCliTest, VerifyNamesEntriesThatExtractionWouldRefuse) {
    const std::string work = makeTempDir("names");
    PackageBytes package;
    package.addRecord(u"fine.txt", package.addBlock("fine"), 4);
    for (const char16_t* name : {u"../up.txt", u"/abs.txt", u"dir\\file.txt"}) {
        package.addRecord(name, package.addBlock("evil"), 4);
    }
    ASSERT_TRUE(writeBytes(work + "/p.lz", package.finish()));
    CommandResult verify = pack({"verify", work + "/p.lz"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;  // a warning: the engine reads names as keys
    // Printed escaped: the backslash doubled.
    for (const char* name : {"\"../up.txt\"", "\"/abs.txt\"", "\"dir\\\\file.txt\""}) {
        EXPECT_NE(verify.err.find(std::string("warning: ") + work + "/p.lz: entry " + name +
                                  " cannot be extracted"),
                  std::string::npos)
            << name << "\n"
            << verify.err;
    }
    EXPECT_EQ(verify.err.find("fine.txt"), std::string::npos);
    EXPECT_NE(verify.out.find("4 entries, all sound, no SHA-256 to check; 3 cannot be extracted"),
              std::string::npos)
        << verify.out;
}

TEST(PackCliTest, ABitFlippedInsideAPackageFailsVerifyAgainstItsDigests) {
    const std::string tree = sampleTree();
    const std::string work = makeTempDir("flip");
    ASSERT_EQ(pack({"create", work + "/a.lz", tree, "--store", "*.png"}).exitCode, 0);
    CommandResult sound = pack({"verify", work + "/a.lz"});
    EXPECT_EQ(sound.exitCode, 0) << sound.err;
    EXPECT_NE(sound.out.find("3 entries, all sound, SHA-256 checked"), std::string::npos)
        << sound.out;
    // The stored logo's bytes are the fixture text: flip one bit in the middle of it.
    std::string bytes = readFile(work + "/a.lz");
    const size_t at = bytes.find(sdkFixtureText());
    ASSERT_NE(at, std::string::npos);
    bytes[at + sdkFixtureText().size() / 2] ^= 0x04;
    ASSERT_TRUE(writeFile(work + "/flipped.lz", bytes));
    CommandResult flipped = pack({"verify", work + "/flipped.lz"});
    expectOneLineFailure(flipped);
    EXPECT_NE(flipped.err.find("\"img/logo.png\" does not match its SHA-256"), std::string::npos)
        << flipped.err;
    // The digests are invisible to the reader: the package lists and extracts as before.
    CommandResult list = pack({"list", work + "/a.lz"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 3);
}

TEST(PackCliTest, CreateSaysWhichLinksItSkipped) {
    const std::string tree = sampleTree();
    const std::string outside = makeTempDir("outside");
    writeFile(outside + "/secret.txt", "not for the package");
    ASSERT_EQ(symlink((outside + "/secret.txt").c_str(), (tree + "/img/linked.txt").c_str()), 0);
    ASSERT_EQ(symlink(outside.c_str(), (tree + "/linked-dir").c_str()), 0);
    const std::string out = makeTempDir("out");
    CommandResult create = pack({"create", out + "/a.lz", tree});
    ASSERT_EQ(create.exitCode, 0) << create.err;
    EXPECT_NE(create.err.find("warning: skipped img/linked.txt (a symbolic link; links are not "
                              "followed)\n"),
              std::string::npos)
        << create.err;
    EXPECT_NE(create.err.find("warning: skipped linked-dir (a symbolic link"), std::string::npos)
        << create.err;
    CommandResult list = pack({"list", out + "/a.lz"});
    EXPECT_EQ(list.out.find("linked"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("secret"), std::string::npos) << list.out;
}

TEST(PackCliTest, BuildWarnsOfAMissingFontListAndStatesSizeAndNeeds) {
    const std::string project = makeTempDir("project");
    writeFile(project + "/UI.lua", "-- ui\n");
    writeFile(project + "/LG.lua", "-- worker\n");
    writeFile(project + "/frame/main.xml", "<Window/>");
    writeFile(project + "/style/skin/button.png", sdkFixtureText());
    writeFile(project + "/program/payload/readme.txt", sdkFixtureText());
    const std::string installer = makeTempDir("built") + "/setup";
    CommandResult build = pack({"build", project, "-o", installer});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_NE(build.err.find("warning: " + project + "/style/font.xml is missing"),
              std::string::npos)
        << build.err;
    // One line: the size in bytes as the file has it, and the libraries it needs.
    const std::string bytes = std::to_string(fs::file_size(installer)) + " bytes); needs ";
    EXPECT_EQ(std::count(build.out.begin(), build.out.end(), '\n'), 1) << build.out;
    EXPECT_EQ(build.out.rfind(installer + ": ", 0), 0u) << build.out;
    EXPECT_NE(build.out.find(bytes), std::string::npos) << build.out;
    EXPECT_NE(build.out.find(" libc.so.6"), std::string::npos) << build.out;
    EXPECT_EQ(build.out.find("liblua"), std::string::npos) << build.out;

    writeFile(project + "/style/font.xml", "<Fonts/>");
    CommandResult quiet = pack({"build", project, "-o", installer});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find("warning"), std::string::npos) << quiet.err;
}

TEST(PackCliTest, VerifyChecksABuiltInstallerEndToEnd) {
    const std::string project = minimalProject();
    writeFile(project + "/program/a.txt", sdkFixtureText());
    writeFile(project + "/program/b/c.bin", "bytes");
    const std::string installer = makeTempDir("built") + "/setup";
    // Per entry, so that the changed byte below lies in an entry's stored data.
    ASSERT_EQ(pack({"build", project, "-o", installer, "--per-entry"}).exitCode, 0);
    CommandResult verify = pack({"verify", installer});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_EQ(verify.out, installer +
                              ": 5 embedded files, 3 packages, 4 entries, all sound, SHA-256 "
                              "checked\n");
    // One byte of the payload package changed: the bundle's digest refuses it.
    std::string bytes = readFile(installer);
    const size_t at = bytes.rfind("bytes");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'B';
    const std::string altered = installer + "-altered";
    ASSERT_TRUE(writeFile(altered, bytes));
    CommandResult refused = pack({"verify", altered});
    expectOneLineFailure(refused);
    EXPECT_NE(refused.err.find("program.lz fails its check"), std::string::npos) << refused.err;
    expectOneLineFailure(pack({"verify", binaryPath("tamlo")}));  // a program, no bundle
}

TEST(PackCliTest, BuildCarriesTheEngineWithoutItsDebugInformation) {
    const std::string project = minimalProject();
    writeFile(project + "/program/readme.txt", "payload");
    // The tool itself is linked with its symbols (and debug information unless Release).
    const std::string engine = binaryPath("tamlo-pack");
    const std::string installer = makeTempDir("built") + "/setup";
    CommandResult build = pack({"build", project, "--engine", engine, "-o", installer});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.err.find("debug information"), std::string::npos) << build.err;
    EXPECT_LT(fs::file_size(installer), fs::file_size(engine));
    EXPECT_EQ(pack({"bundle-list", installer}).exitCode, 0);

    // A Windows program with a symbol table that no strip can read is carried as it is, and
    // the build says so.
    std::string pe = std::string("MZ", 2) + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4);
    pe += std::string("PE\0\0", 4) + std::string("\x64\x86", 2) + std::string(6, '\0') +
          std::string("\x10\0\0\0\x01\0\0\0", 8) + std::string(512, '\x7f');
    const std::string windowsEngine = makeTempDir("engine") + "/tamlo.exe";
    writeFile(windowsEngine, pe);
    const std::string windowsInstaller = makeTempDir("built") + "/setup.exe";
    CommandResult windows =
        pack({"build", project, "--engine", windowsEngine, "-o", windowsInstaller});
    ASSERT_EQ(windows.exitCode, 0) << windows.err;
    EXPECT_NE(windows.err.find("carries debug information and could not be stripped"),
              std::string::npos)
        << windows.err;
    EXPECT_EQ(readFile(windowsInstaller).substr(0, pe.size()), pe);
}

}  // namespace
}  // namespace tamlo::test
