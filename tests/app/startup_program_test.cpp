#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/os/instance_guard.h"
#include "platform/os/os_services.h"
#include "platform/os/restart_marker.h"
#include "startup_fixture.h"
#include "support/test_environment.h"

namespace tamlo {
namespace {

const std::string kDamagedLine =
    "messagebox caption=\"错误\" text=\"安装程序已损坏，请重新下载。\" type=0 -> 1";
const std::string kRunningLine =
    "messagebox caption=\"提示\" text=\"检测到Tamlo安装或卸载程序正在运行，请结束后重试。\" type=0 "
    "-> 1";
const std::string kRebootLine =
    "messagebox caption=\"提示\" text=\"检测到Tamlo安装或卸载操作尚未完成，需要重启电脑。\" type=0 "
    "-> 1";

// The built `tamlo`, run as a child with a private lock name, temp folder and profile.
class InstallerProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        env_.set("TAMLO_INSTANCE_NAME", "tamlo-test-program-" + std::to_string(getpid()));
        env_.set("TMPDIR", test::makeTempDir("tmp"));
        env_.set("XDG_DATA_HOME", test::makeTempDir("data"));
        env_.set("TAMLO_PLATFORM", "headless");
        test::useFixedBootTime(env_);
        profileFile_ = std::string(std::getenv("XDG_DATA_HOME")) + "/Orvinex/codecs/keep.exe";
        test::writeFile(profileFile_, "must survive a refusal");
        installer_ = test::makeTempDir("installer") + "/setup";
        std::string error;
        ASSERT_TRUE(test::writeSampleInstaller(test::binaryPath("tamlo"), installer_, &error))
            << error;
    }

    test::CommandResult run(const std::string& program) { return test::runCommand({program}); }

    test::ScopedEnv env_;
    std::string installer_;
    std::string profileFile_;
};

TEST_F(InstallerProgram, WithoutABundleItReportsADamagedInstaller) {
    auto result = run(test::binaryPath("tamlo"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(kDamagedLine), std::string::npos) << result.err;
    EXPECT_EQ(test::readFile(profileFile_), "must survive a refusal");
}

TEST_F(InstallerProgram, RefusesWhileAnotherInstallerHoldsTheLock) {
    os::InstanceLock::Result result;
    auto lock = os::InstanceLock::acquire(platform::instanceLockName(), &result);
    ASSERT_NE(lock, nullptr);
    auto run1 = run(installer_);
    EXPECT_EQ(run1.exitCode, 0);
    EXPECT_NE(run1.err.find(kRunningLine), std::string::npos) << run1.err;
    EXPECT_EQ(test::readFile(profileFile_), "must survive a refusal");
}

TEST_F(InstallerProgram, RefusesWhileARebootIsPending) {
    test::writeFile(platform::restartMarkerPath(), test::thisBootMarker());
    auto result = run(installer_);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find(kRebootLine), std::string::npos) << result.err;
    EXPECT_EQ(test::readFile(platform::restartMarkerPath()), test::thisBootMarker());
    EXPECT_EQ(test::readFile(profileFile_), "must survive a refusal");
}

TEST_F(InstallerProgram, WithoutADisplayOrAChoiceItSaysSoAndStops) {
    env_.unset("TAMLO_PLATFORM");
    env_.unset("DISPLAY");
    env_.unset("WAYLAND_DISPLAY");
    auto result = run(installer_);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("display"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("messagebox"), std::string::npos);
    EXPECT_EQ(test::readFile(profileFile_), "must survive a refusal");
}

}  // namespace
}  // namespace tamlo
