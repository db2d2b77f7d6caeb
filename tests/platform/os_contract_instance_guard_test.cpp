// The OS contract for the instance guard, built into the Linux and the Windows test programs.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/instance_guard.h"
#include "platform/os/os_services.h"

namespace tamlo {
namespace {

class OsContractInstanceGuard : public testing::Test {
  protected:
    void SetUp() override { os::setEnvironmentVariable("TAMLO_INSTANCE_NAME", name_); }
    void TearDown() override {
        platform::releaseInstanceMutex();
        os::setEnvironmentVariable("TAMLO_INSTANCE_NAME", "");
    }
    const std::string name_ = "tamlo-contract-guard-" + std::to_string(os::currentProcessId());
};

TEST_F(OsContractInstanceGuard, TheNameDefaultsToTheInstallersLock) {
    EXPECT_EQ(platform::instanceLockName(), name_);
    os::setEnvironmentVariable("TAMLO_INSTANCE_NAME", "");
    EXPECT_EQ(platform::instanceLockName(), "TAMLOINSTALLER");
}

TEST_F(OsContractInstanceGuard, OneHolderAtATimeUntilReleased) {
    ASSERT_EQ(platform::acquireInstanceMutex(), platform::InstanceGuardResult::Acquired);
    EXPECT_TRUE(platform::instanceMutexHeld());
    // Holding it already is not a second instance.
    EXPECT_EQ(platform::acquireInstanceMutex(), platform::InstanceGuardResult::Acquired);

    os::InstanceLock::Result result = os::InstanceLock::Result::Acquired;
    EXPECT_EQ(os::InstanceLock::acquire(name_, &result), nullptr);
    EXPECT_EQ(result, os::InstanceLock::Result::AlreadyHeld);

    platform::releaseInstanceMutex();
    EXPECT_FALSE(platform::instanceMutexHeld());
    platform::releaseInstanceMutex();  // a second release finds nothing to close

    std::unique_ptr<os::InstanceLock> other = os::InstanceLock::acquire(name_, &result);
    EXPECT_NE(other, nullptr);
    EXPECT_EQ(result, os::InstanceLock::Result::Acquired);
    EXPECT_EQ(platform::acquireInstanceMutex(), platform::InstanceGuardResult::AlreadyRunning);
    EXPECT_FALSE(platform::instanceMutexHeld());
    other.reset();
    EXPECT_EQ(platform::acquireInstanceMutex(), platform::InstanceGuardResult::Acquired);
}

}  // namespace
}  // namespace tamlo
