#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_environment.h"

namespace tamlo::test {
namespace {

CommandResult runTool(std::vector<std::string> args) {
    args.insert(args.begin(), binaryPath("tamlo-run"));
    return runCommand(args);
}

// Just the header of a PNG: enough to know its size.
std::string pngHeader(uint32_t width, uint32_t height) {
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<char>((value >> shift) & 0xff));
        }
    }
    bytes += std::string("\x08\x06\0\0\0", 5);
    bytes += std::string("\0\0\0\0", 4);
    return bytes;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

class DumpLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override { project = makeTempDir("project"); }
    void addLayout(const std::string& name, const std::string& xml) {
        ASSERT_TRUE(writeFile(project + "/frame/" + name, xml));
    }
    std::string project;
};

TEST_F(DumpLayoutTest, PrintsEachControlWithItsRectsDepthFirst) {
    addLayout("main.xml",
              "<Window style=\"bkgnd.xml\" initSize=\"645,400\">"
              "<Grid id=\"1000\" width=\"645\" height=\"400\">"
              "<Image src=\"page1.png\" verticalAlign=\"top\"/>"
              "<CheckBox id=\"1001\" width=\"96\" height=\"23\" margin=\"20,0,0,0\" "
              "horizontalAlign=\"left\"/>"
              "</Grid>"
              "<Grid id=\"2000\" width=\"645\" height=\"400\" visible=\"0\"/>"
              "<Button id=\"5000\" style=\"button_close.xml\" width=\"27\" height=\"27\" "
              "verticalAlign=\"top\" horizontalAlign=\"right\"/>"
              "</Window>");
    CommandResult result = runTool({"dump-layout", project, "main.xml"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.out),
              (std::vector<std::string>{
                  "Grid name=Panel id=- rect=0,0,645,400 abs=0,0,645,400 desired=645,400 "
                  "flags=0x2003",
                  "  Grid name=Panel id=1000 rect=0,0,645,400 abs=0,0,645,400 desired=645,400 "
                  "flags=0x2003",
                  "    Drawing name=Image id=- rect=0,0,0,0 abs=0,0,0,0 desired=0,0 flags=0x403",
                  "    CheckBox name=Button id=1001 rect=20,188,116,211 abs=20,188,116,211 "
                  "desired=116,23 flags=0x163",
                  "  Grid name=Panel id=2000 rect=0,0,645,400 abs=0,0,645,400 desired=645,400 "
                  "flags=0x2001",
                  "  Button name=Button id=5000 rect=618,0,645,27 abs=618,0,645,27 desired=27,27 "
                  "flags=0x163",
              }));
}

TEST_F(DumpLayoutTest, SizeOptionResizesTheWindowBeforePrinting) {
    addLayout("main.xml",
              "<Window initSize=\"645,400\"><Button id=\"1\" width=\"136\" height=\"27\" "
              "horizontalAlign=\"right\" verticalAlign=\"bottom\" margin=\"0,0,20,0\"/></Window>");
    CommandResult before = runTool({"dump-layout", project, "main.xml"});
    ASSERT_EQ(before.exitCode, 0) << before.err;
    EXPECT_NE(before.out.find("id=1 rect=489,373,625,400 "), std::string::npos) << before.out;
    CommandResult after = runTool({"dump-layout", project, "main.xml", "--size", "800,300"});
    ASSERT_EQ(after.exitCode, 0) << after.err;
    EXPECT_NE(after.out.find("rect=0,0,800,300 "), std::string::npos) << after.out;
    EXPECT_NE(after.out.find("id=1 rect=644,273,780,300 "), std::string::npos) << after.out;
}

TEST_F(DumpLayoutTest, TabPagesFollowTheirItemsAndScrollBarsUseTheProjectSkin) {
    addLayout("tabs.xml",
              "<Window initSize=\"300,200\">"
              "<TabControl tabHeight=\"20\">"
              "<TabItem id=\"1\" width=\"50\"><ScrollPanel id=\"2\">"
              "<StackPanel><Button height=\"300\"/></StackPanel></ScrollPanel></TabItem>"
              "<TabItem id=\"3\" width=\"50\"/>"
              "</TabControl></Window>");
    ASSERT_TRUE(writeFile(project + "/style/vscrollbar.xml",
                          "<Style><Config type=\"ScrollBar\"><Prop barSkin=\"bar.png\"/>"
                          "</Config></Style>"));
    ASSERT_TRUE(writeFile(project + "/style/bar.png", pngHeader(9, 30)));
    CommandResult result = runTool({"dump-layout", project, "tabs.xml"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> out = lines(result.out);
    ASSERT_EQ(out.size(), 8u) << result.out;
    EXPECT_EQ(out[1].rfind("  TabControl name=Panel", 0), 0u);
    EXPECT_EQ(out[2].rfind("    TabItem name=Button id=1 rect=0,0,50,20 ", 0), 0u) << out[2];
    EXPECT_NE(out[2].find("flags=0x4123"), std::string::npos) << out[2];  // selected
    EXPECT_EQ(out[3].rfind("      ScrollPanel name=Panel id=2 rect=0,20,300,200 ", 0), 0u)
        << out[3];
    EXPECT_EQ(out[4].rfind("        StackPanel name=Panel id=- rect=0,0,291,300 ", 0), 0u)
        << out[4];
    EXPECT_EQ(out[6].rfind(
                  "        ScrollBar name=Control id=- rect=291,0,300,180 abs=291,20,300,200 ", 0),
              0u)
        << out[6];
    EXPECT_EQ(out[7].rfind("    TabItem name=Button id=3 rect=50,0,100,20 ", 0), 0u) << out[7];
}

TEST_F(DumpLayoutTest, MissingOrMalformedLayoutsAreOneLineErrors) {
    addLayout("bad.xml", "<Window><Button></Window>");
    CommandResult missing = runTool({"dump-layout", project, "absent.xml"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_EQ(lines(missing.err).size(), 1u) << missing.err;
    EXPECT_NE(missing.err.find("absent.xml"), std::string::npos);

    CommandResult malformed = runTool({"dump-layout", project, "bad.xml"});
    EXPECT_EQ(malformed.exitCode, 1);
    EXPECT_EQ(lines(malformed.err).size(), 1u) << malformed.err;
    EXPECT_NE(malformed.err.find("bad.xml"), std::string::npos) << malformed.err;

    CommandResult outside = runTool({"dump-layout", project, "../frame/bad.xml"});
    EXPECT_EQ(outside.exitCode, 1);

    EXPECT_NE(runTool({"dump-layout", project + "/nowhere", "bad.xml"}).exitCode, 0);
    EXPECT_NE(runTool({"dump-layout", project, "bad.xml", "--size", "0,10"}).exitCode, 0);
    EXPECT_NE(runTool({"dump-layout", project}).exitCode, 0);
    EXPECT_NE(runTool({"no-such-command"}).exitCode, 0);
}

TEST_F(DumpLayoutTest, ALayoutNestedAHundredThousandDeepIsAnErrorNotACrash) {
    std::string xml;
    for (int i = 0; i < 100000; ++i) {
        xml += "<Grid>";
    }
    for (int i = 0; i < 100000; ++i) {
        xml += "</Grid>";
    }
    addLayout("deep.xml", "<Window>" + xml + "</Window>");
    CommandResult deep = runTool({"dump-layout", project, "deep.xml"});
    EXPECT_EQ(deep.exitCode, 1) << deep.err;
    EXPECT_TRUE(deep.out.empty());
    EXPECT_NE(deep.err.find("deep.xml"), std::string::npos) << deep.err;
}

TEST_F(DumpLayoutTest, ReadsABuiltInstallerToo) {
    addLayout("main.xml", "<Window initSize=\"200,100\"><Button id=\"7\" width=\"20\"/></Window>");
    ASSERT_TRUE(writeFile(project + "/style/font.xml", "<Fonts/>"));
    ASSERT_TRUE(writeFile(project + "/UI.lua", "-- ui\n"));
    ASSERT_TRUE(writeFile(project + "/LG.lua", "-- lg\n"));
    ASSERT_TRUE(writeFile(project + "/program/readme.txt", "payload\n"));
    const std::string installer = makeTempDir("out") + "/setup";
    CommandResult built = runCommand({binaryPath("tamlo-pack"), "build", project, "-o", installer});
    ASSERT_EQ(built.exitCode, 0) << built.err;
    CommandResult result = runTool({"dump-layout", installer, "main.xml"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Button name=Button id=7 rect=90,0,110,100 "), std::string::npos)
        << result.out;
}

TEST_F(DumpLayoutTest, TheDemoWelcomeLayoutLaysOut) {
    CommandResult result = runTool({"dump-layout", sourcePath("examples/demo"), "welcome.xml"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(lines(result.out).front().rfind("Grid name=Panel id=- rect=0,0,560,360 ", 0), 0u)
        << result.out;
    EXPECT_NE(result.out.find("CheckBox name=Button id=301 "), std::string::npos);
}

}  // namespace
}  // namespace tamlo::test
