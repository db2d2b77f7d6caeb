#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/os/instance_guard.h"
#include "platform/os/os_services.h"

namespace tamlo {
namespace {

class InstanceGuard : public ::testing::Test {
  protected:
    void SetUp() override {
        name_ = "tamlo-test-guard-" + std::to_string(getpid());
        setenv("TAMLO_INSTANCE_NAME", name_.c_str(), 1);
    }
    void TearDown() override {
        platform::releaseInstanceMutex();
        unsetenv("TAMLO_INSTANCE_NAME");
    }
    std::string name_;
};

TEST_F(InstanceGuard, AnotherProcessHoldingItMeansAlreadyRunning) {
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        os::InstanceLock::Result result;
        auto lock = os::InstanceLock::acquire(name_, &result);
        char ok = lock ? 'y' : 'n';
        (void)!write(toParent[1], &ok, 1);
        char go;
        (void)!read(toChild[0], &go, 1);
        _exit(0);  // the lock dies with the process, never released by hand
    }
    char ok = 0;
    ASSERT_EQ(read(toParent[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    EXPECT_EQ(platform::acquireInstanceMutex(), platform::InstanceGuardResult::AlreadyRunning);

    char go = 'g';
    ASSERT_EQ(write(toChild[1], &go, 1), 1);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(platform::acquireInstanceMutex(), platform::InstanceGuardResult::Acquired);
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]})
        close(fd);
}

TEST(InstanceLock, UnusableNamesFailInsteadOfColliding) {
    os::InstanceLock::Result result = os::InstanceLock::Result::Acquired;
    EXPECT_EQ(os::InstanceLock::acquire("", &result), nullptr);
    EXPECT_EQ(result, os::InstanceLock::Result::Failed);
    EXPECT_EQ(os::InstanceLock::acquire(std::string(200, 'x'), &result), nullptr);
    EXPECT_EQ(result, os::InstanceLock::Result::Failed);
}

}  // namespace
}  // namespace tamlo
