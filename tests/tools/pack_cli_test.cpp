#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "resources/lzma_test_data.h"
#include "resources/package_bytes.h"
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
    const std::string project = makeTempDir("project");
    writeFile(project + "/UI.lua", "-- ui\n");
    writeFile(project + "/LG.lua", "-- worker\n");
    writeFile(project + "/frame/main.xml", "<Window/>");
    writeFile(project + "/style/font.xml", "<Fonts/>");
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

    fs::remove_all(project + "/program");
    expectOneLineFailure(pack({"build", project, "-o", installer + "2"}));
    EXPECT_FALSE(fs::exists(installer + "2"));
}

}  // namespace
}  // namespace tamlo::test
