#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "startup_fixture.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

// An installer assembled by `tamlo-pack build` from a project folder, run headless.
class InstallerScript : public ::testing::Test {
  protected:
    void SetUp() override {
        env_.set("TAMLO_INSTANCE_NAME", "tamlo-test-script-" + std::to_string(getpid()));
        env_.set("TMPDIR", test::makeTempDir("tmp"));
        env_.set("XDG_DATA_HOME", test::makeTempDir("data"));
        env_.set("TAMLO_PLATFORM", "headless");
        test::useFixedBootTime(env_);
        project_ = test::makeTempDir("project");
        for (const char* folder : {"frame", "style", "program"}) {
            test::writeFile(project_ + "/" + folder + "/readme.txt", folder);
        }
        test::writeFile(project_ + "/LG.lua", "-- worker\n");
    }

    // Built even when the check finds errors: the installer's own handling is under test.
    test::CommandResult buildAndRun(const std::string& uiScript,
                                    const std::vector<std::string>& arguments = {},
                                    int32_t damagedFile = 0) {
        test::writeFile(project_ + "/UI.lua", uiScript);
        std::string installer = project_ + "/setup";
        auto built = test::runCommand(
            {test::binaryPath("tamlo-pack"), "build", project_, "-o", installer, "--force"});
        EXPECT_EQ(built.exitCode, 0) << built.err;
        if (damagedFile != 0) {
            EXPECT_TRUE(test::corruptEmbeddedFile(installer, damagedFile));
        }
        std::vector<std::string> command = {installer};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return test::runCommand(command);
    }

    // A UI script that starts the worker at once; the worker extracts one entry to `target`.
    std::string installingScript(const std::string& target) {
        test::writeFile(project_ + "/LG.lua",
                        "notifyMessage(tostring(extractFile('readme.txt', config.target)))\n");
        return "startWork('LG.lua', 'program.lz', string.format('{ target = %q }', '" + target +
               "'))\n";
    }

    test::ScopedEnv env_;
    std::string project_;
};

TEST_F(InstallerScript, ASyntaxErrorIsShownInTheErrorBoxAndTheRunEndsWithStatusOne) {
    auto result = buildAndRun("local answer = \nprint(\"unclosed\"\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("messagebox caption=\"错误\" text=\"[string \\\"local answer = "
                              "...\\\"]:3:"),
              std::string::npos)
        << result.err;
}

TEST_F(InstallerScript, AWorkingScriptRunsToItsEndWithoutABox) {
    auto result = buildAndRun("print('from the ui script: ' .. event.Click)\n");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("debug: from the ui script: 30"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("messagebox"), std::string::npos) << result.err;
}

TEST_F(InstallerScript, TheScriptReadsItsArgumentsAndSetsTheStatusReturnedAfterTearDown) {
    auto result = buildAndRun(
        "local args = getArguments()\n"
        "print('args: ' .. table.concat(args, '|'))\n"
        "setExitCode(99)\n"
        "setExitCode(40 + #args)\n",
        {"--dir", "/opt/with space", "安装", ""});
    EXPECT_EQ(result.exitCode, 44) << result.err;
    EXPECT_NE(result.err.find("debug: args: --dir|/opt/with space|安装|"), std::string::npos)
        << result.err;
}

TEST_F(InstallerScript, UnattendedFailuresGoToStandardErrorWithoutABox) {
    // Headless is chosen by the run itself when nothing else is.
    env_.unset("TAMLO_PLATFORM");
    env_.unset("DISPLAY");
    env_.unset("WAYLAND_DISPLAY");
    test::writeFile(project_ + "/LG.lua", "error('worker gave up', 0)\n");
    auto result = buildAndRun(
        "startWork('LG.lua', 'program.lz', '')\n"
        "waitForWork()\n"
        "error('ui gave up', 0)\n",
        {"--silent"});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("错误: worker gave up\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("错误: ui gave up\n"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("messagebox"), std::string::npos) << result.err;
}

TEST_F(InstallerScript, TheWorkerInstallsOnceThePayloadIsFoundSound) {
    const std::string target = test::makeTempDir("target") + "/readme.txt";
    auto result = buildAndRun(installingScript(target));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::readFile(target), "program");
    EXPECT_EQ(result.err.find("messagebox"), std::string::npos) << result.err;
}

TEST_F(InstallerScript, ADamagedPayloadInstallsNothingAndSaysSoOnce) {
    const std::string profileFile =
        std::string(std::getenv("XDG_DATA_HOME")) + "/Orvinex/settings.ini";
    test::writeFile(profileFile, "kept");
    const std::string target = test::makeTempDir("target") + "/readme.txt";
    auto result = buildAndRun(installingScript(target), {}, 115);
    EXPECT_EQ(result.exitCode, 1);
    const std::string damagedLine =
        "messagebox caption=\"错误\" text=\"安装程序已损坏，请重新下载。\" type=0 -> 1";
    EXPECT_NE(result.err.find(damagedLine), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("messagebox"), result.err.rfind("messagebox")) << result.err;
    EXPECT_NE(access(target.c_str(), F_OK), 0);
    EXPECT_EQ(test::readFile(profileFile), "kept");
}

}  // namespace
}  // namespace tamlo
