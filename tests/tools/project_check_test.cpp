// tamlo-pack check on small projects with one mistake each: the exact line the author
// reads, and that build refuses a project with an error while run goes on.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/test_environment.h"

namespace tamlo::test {
namespace {

// A complete project without a mistake; a test replaces or adds files.
std::map<std::string, std::string> cleanProject() {
    return {
        {"UI.lua",
         "local w = createWindow(\"main.xml\")\n"
         "startWork(\"LG.lua\", \"program.lz\", \"{}\")\n"
         "w:showDialog()\n"},
        {"LG.lua",
         "local files = { \"bin/my\", \"docs/readme.txt\" }\n"
         "extractFile(\"bin/my\", \"/tmp/my\")\n"},
        {"frame/main.xml",
         "<Window initSize=\"300,200\" style=\"bkgnd.xml\">\n"
         "    <StackPanel>\n"
         "        <Label text=\"Hello\" font=\"Default\" color=\"#0000ff\"/>\n"
         "        <CheckBox text=\"Agree\" height=\"20\"/>\n"
         "        <Image src=\"logo.png\" horizontalAlign=\"left\"/>\n"
         "    </StackPanel>\n"
         "</Window>\n"},
        {"frame/proxywindow.xml", "<Window/>\n"},
        {"style/bkgnd.xml",
         "<Style>\n    <Config type=\"Background\">\n"
         "        <Prop img=\"bkgnd.png\" scaleGrid=\"8,8,8,8\"/>\n    </Config>\n</Style>\n"},
        {"style/bkgnd.png", "png"},
        {"style/logo.png", "png"},
        {"style/font.xml",
         "<Fonts>\n    <Font name=\"Default\" face=\"Sans\" size=\"13\"/>\n</Fonts>\n"},
        {"program/bin/my", "program"},
        {"program/docs/readme.txt", "readme"},
    };
}

std::string writeProject(const std::map<std::string, std::string>& files) {
    const std::string root = makeTempDir("project");
    for (const auto& [name, bytes] : files) {
        EXPECT_TRUE(writeFile(root + "/" + name, bytes)) << name;
    }
    return root;
}

// The project with `changes` applied, checked: its report with the folder's path taken out.
struct Report {
    int exitCode;
    std::string lines;
};
Report check(const std::map<std::string, std::string>& changes) {
    std::map<std::string, std::string> files = cleanProject();
    for (const auto& [name, bytes] : changes) {
        files[name] = bytes;
    }
    const std::string root = writeProject(files);
    const CommandResult result = runCommand({binaryPath("tamlo-pack"), "check", root});
    std::string lines = result.out;
    for (std::size_t at = lines.find(root + "/"); at != std::string::npos;
         at = lines.find(root + "/")) {
        lines.erase(at, root.size() + 1);
    }
    return {result.exitCode, lines};
}

std::string layoutWith(const std::string& line) {
    return "<Window initSize=\"300,200\">\n    <Grid>\n        " + line +
           "\n    </Grid>\n</Window>\n";
}

TEST(ProjectCheckTest, ACleanProjectPassesSilently) {
    const Report report = check({});
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(report.lines, "");
}

TEST(ProjectCheckTest, MalformedXmlIsPlacedWhereTheParserStopped) {
    Report report = check({{"frame/main.xml", layoutWith("<Label text=\"a\" width=10/>")}});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_EQ(report.lines, "frame/main.xml:3:31: error: malformed XML: expected ' or \"\n");
    // A wrong closing tag.
    report = check({{"frame/main.xml", "<Window>\n  <Grid>\n  </Grib>\n</Window>\n"}});
    EXPECT_EQ(report.lines, "frame/main.xml:3:5: error: malformed XML: invalid closing tag name\n");
    // In a style document too.
    report = check({{"style/bkgnd.xml", "<Style>\n<Config type=\"Background\">\n</Style>\n"}});
    EXPECT_EQ(report.lines,
              "style/bkgnd.xml:3:3: error: malformed XML: invalid closing tag name\n");
}

TEST(ProjectCheckTest, UnknownNamesComeWithTheNearestKnownOne) {
    Report report = check(
        {{"frame/main.xml", layoutWith("<Lable text=\"Hi\"/><Label text=\"Hi\" widht=\"40\"/>")}});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_EQ(report.lines,
              "frame/main.xml:3:9: error: unknown element <Lable> (did you mean \"Label\"?): it "
              "and everything inside it are skipped\n"
              "frame/main.xml:3:44: error: unknown attribute \"widht\" (did you mean "
              "\"width\"?)\n");
    report = check({{"style/bkgnd.xml",
                     "<Style>\n<Config type=\"Backgrond\">\n<Prop imgg=\"bkgnd.png\"/>\n"
                     "</Config>\n</Style>\n"}});
    EXPECT_EQ(report.lines,
              "style/bkgnd.xml:2:15: error: unknown style type \"Backgrond\" (did you mean "
              "\"Background\"?): the style draws nothing\n"
              "style/bkgnd.xml:3:7: error: unknown attribute \"imgg\" (did you mean \"img\"?)\n");
    report =
        check({{"style/font.xml", "<Fonts>\n<Font name=\"Default\" sise=\"13\"/>\n</Fonts>\n"}});
    EXPECT_EQ(report.lines,
              "style/font.xml:2:22: error: unknown font attribute \"sise\" (did you mean "
              "\"size\"?)\n");
}

TEST(ProjectCheckTest, ValuesThatDoNotParse) {
    const Report report = check(
        {{"frame/main.xml",
          layoutWith("<Label text=\"a\" width=\"10px\" color=\"ff0000\" horizontalAlign=\"Left\" "
                     "margin=\"1,2\" visible=\"true\"/>")}});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_EQ(
        report.lines,
        "frame/main.xml:3:32: error: width=\"10px\" is not an integer\n"
        "frame/main.xml:3:45: error: color=\"ff0000\" is not a colour #BBGGRR (\"#\" and six "
        "hex digits)\n"
        "frame/main.xml:3:70: error: horizontalAlign=\"Left\" is not one of left, right, top, "
        "bottom, center, stretch, horizontal, vertical, true, false, auto, always, never (did "
        "you mean \"left\"?)\n"
        "frame/main.xml:3:84: error: margin=\"1,2\" is not four integers left,top,right,bottom\n"
        "frame/main.xml:3:98: warning: visible=\"true\" clears the flag: only \"1\" sets it "
        "(write \"0\" or \"1\")\n");
}

TEST(ProjectCheckTest, EntitiesAreNamedAsTakenLiterally) {
    const Report report = check({{"frame/main.xml", layoutWith("<Label text=\"Next &gt;\"/>")}});
    EXPECT_EQ(report.exitCode, 0);  // a warning does not fail the check
    EXPECT_EQ(report.lines,
              "frame/main.xml:3:27: warning: \"&gt;\" is not translated: values are taken "
              "literally, write the character itself\n");
}

TEST(ProjectCheckTest, FilesAndFontsReferredToMustExist) {
    const Report report = check(
        {{"frame/main.xml", layoutWith("<Button style=\"nope.xml\"/><Image src=\"logo2.png\"/>"
                                       "<Label text=\"a\" font=\"Big\"/>")},
         {"UI.lua", "local w = createWindow(\"mian.xml\")\nw:showDialog()\n"}});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_EQ(report.lines,
              "UI.lua:1:24: error: createWindow names layout \"mian.xml\", which frame/ lacks "
              "(did you mean \"main.xml\"?)\n"
              "frame/main.xml:3:24: error: style \"nope.xml\" is not in style/\n"
              "frame/main.xml:3:47: error: image \"logo2.png\" is not in style/\n"
              "frame/main.xml:3:81: error: font \"Big\" is not named in style/font.xml\n");
}

TEST(ProjectCheckTest, LuaSyntaxErrorsAreNamedByFile) {
    const Report report =
        check({{"UI.lua", "local w = createWindow(\"main.xml\")\nif w then\n  w:showDialog()\n"},
               {"LG.lua", "extractFile(\"bin/my\", \"/tmp/my\"\n"},
               {"uninstall/remove.lua", "removeFile(\"a\") = 1\n"}});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_EQ(report.lines,
              "LG.lua:2:1: error: Lua: ')' expected (to close '(' at line 1) near <eof>\n"
              "UI.lua:4:1: error: Lua: 'end' expected (to close 'if' at line 2) near <eof>\n"
              "uninstall/remove.lua:1:17: error: Lua: syntax error near '='\n");
}

TEST(ProjectCheckTest, ControlsThatCanNeverBeSeen) {
    const Report report = check(
        {{"frame/main.xml",
          "<Window initSize=\"300,200\">\n"
          "  <StackPanel orientation=\"horizontal\">\n"
          "    <CheckBox text=\"Agree\"/>\n"
          "    <CheckBox text=\"Sized\" width=\"80\"/>\n"
          "  </StackPanel>\n"
          "  <Canvas><Button x=\"4\" y=\"4\" height=\"20\"/><Label text=\"measured\"/></Canvas>\n"
          "</Window>\n"}});
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(report.lines,
              "frame/main.xml:3:5: warning: <CheckBox> has no width and nothing gives it one: "
              "it can never be seen (write width=\"...\")\n"
              "frame/main.xml:6:11: warning: <Button> has no width and nothing gives it one: it "
              "can never be seen (write width=\"...\")\n");
}

TEST(ProjectCheckTest, PayloadEntriesNamedInScriptsMustBeThere) {
    const Report report = check({{"LG.lua",
                                  "local files = { \"bin/my\", \"docs/readme.text\" }\n"
                                  "extractFile(\"bin/mx\", \"/tmp/my\")\n"
                                  "print(\"some/other/text\")\n"}});
    EXPECT_EQ(report.exitCode, 1);
    EXPECT_EQ(report.lines,
              "LG.lua:1:27: warning: \"docs/readme.text\" looks like a payload entry, but "
              "program/ has no such file (did you mean \"docs/readme.txt\"?)\n"
              "LG.lua:2:13: error: extractFile names \"bin/mx\", which program/ lacks (did you "
              "mean \"bin/my\"?)\n");
}

TEST(ProjectCheckTest, BuildRefusesAnErrorAndRunGoesOn) {
    std::map<std::string, std::string> files = cleanProject();
    files["frame/main.xml"] = layoutWith("<Lable/>");
    files["UI.lua"] = "createWindow(\"main.xml\")\n";  // ends at once
    const std::string root = writeProject(files);
    const std::string out = makeTempDir("out");
    const CommandResult build =
        runCommand({binaryPath("tamlo-pack"), "build", root, "-o", out + "/setup"});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_NE(build.err.find(root + "/frame/main.xml:3:9: error: unknown element <Lable>"),
              std::string::npos)
        << build.err;
    EXPECT_NE(build.err.find("tamlo-pack build: not built: the project has 1 error (above)"),
              std::string::npos)
        << build.err;
    EXPECT_FALSE(std::filesystem::exists(out + "/setup"));

    const CommandResult run = runCommand({binaryPath("tamlo-run"), "run", root, "--headless",
                                          "--prefix", makeTempDir("prefix"), "--timeout", "60"});
    EXPECT_NE(run.err.find(root + "/frame/main.xml:3:9: error: unknown element <Lable>"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("running it anyway"), std::string::npos) << run.err;
}

TEST(ProjectCheckTest, EveryToolAndCommandAnswersHelp) {
    for (const char* command : {"create", "list", "extract", "verify", "build", "check"}) {
        const CommandResult result = runCommand({binaryPath("tamlo-pack"), command, "--help"});
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_EQ(result.out.rfind(std::string("usage: tamlo-pack ") + command, 0), 0u)
            << result.out;
    }
    for (const char* command : {"dump-layout", "screenshot", "show", "run"}) {
        const CommandResult result = runCommand({binaryPath("tamlo-run"), command, "--help"});
        EXPECT_EQ(result.exitCode, 0) << command;
        EXPECT_EQ(result.out.rfind(std::string("usage: tamlo-run ") + command, 0), 0u)
            << result.out;
    }
    const CommandResult run = runCommand({binaryPath("tamlo-run"), "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("tamlo-run show"), std::string::npos);
    const CommandResult reg = runCommand({binaryPath("tamlo-reg"), "--help"});
    EXPECT_EQ(reg.exitCode, 0);
    EXPECT_NE(reg.out.find("registry.db"), std::string::npos) << reg.out;
}

}  // namespace
}  // namespace tamlo::test

namespace tamlo::test {
namespace {

// examples/minimal end to end, on the virtual clock: a 30 s wait is a jump (the run's own
// timeout is 20 s), and a quoted path with a space names the installed file.
TEST(MinimalExampleTest, InstallsUnderTheVirtualClockWithQuotedSteps) {
    const std::string work = makeTempDir("minimal");
    const std::string steps = work + "/steps.txt";
    ASSERT_TRUE(writeFile(steps,
                          "screenshot ready.png\n"
                          "wait 30000\n"
                          "click #11\n"
                          "waitfor notify 1\n"
                          "waitfor #11 enabled\n"
                          "screenshot installed.png\n"
                          "click #11\n"
                          "waitfor end\n"
                          "expect file \"$PREFIX/home/.local/share/Minimal App/readme.txt\"\n"
                          "expect nofile \"$PREFIX/home/.local/share/Minimal App/\\\"x\\\\\"\n"));
    const CommandResult result = runCommand(
        {binaryPath("tamlo-run"), "run", sourcePath("examples/minimal"), "--headless", "--steps",
         steps, "--out", work + "/shots", "--prefix", work + "/prefix", "--timeout", "20"},
        {"TAMLO_HEADLESS_CLOCK=virtual"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(work + "/prefix/home/.local/share/Minimal App/readme.txt"),
              readFile(sourcePath("examples/minimal/program/readme.txt")));
    EXPECT_FALSE(readFile(work + "/shots/installed.png").empty());
    // The shipped examples have no mistake the checker names as an error.
    for (const char* example : {"examples/minimal", "examples/demo"}) {
        const CommandResult check =
            runCommand({binaryPath("tamlo-pack"), "check", sourcePath(example)});
        EXPECT_EQ(check.exitCode, 0) << check.out;
    }
    EXPECT_EQ(runCommand({binaryPath("tamlo-pack"), "check", sourcePath("examples/minimal")}).out,
              "");
}

}  // namespace
}  // namespace tamlo::test
