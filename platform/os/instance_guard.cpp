#include "platform/os/instance_guard.h"

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/os/os_services.h"

namespace tamlo::platform {
namespace {

std::mutex& guardMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<os::InstanceLock>& heldLock() {
    static std::unique_ptr<os::InstanceLock> lock;
    return lock;
}

}  // namespace

std::string instanceLockName() {
    const char* name = std::getenv("TAMLO_INSTANCE_NAME");
    return name && *name ? name : "TAMLOINSTALLER";
}

InstanceGuardResult acquireInstanceMutex() {
    std::lock_guard<std::mutex> lock(guardMutex());
    if (heldLock()) {
        return InstanceGuardResult::Acquired;
    }
    os::InstanceLock::Result result = os::InstanceLock::Result::Failed;
    heldLock() = os::InstanceLock::acquire(instanceLockName(), &result);
    switch (result) {
        case os::InstanceLock::Result::Acquired:
            return InstanceGuardResult::Acquired;
        case os::InstanceLock::Result::AlreadyHeld:
            return InstanceGuardResult::AlreadyRunning;
        case os::InstanceLock::Result::Failed:
            break;
    }
    return InstanceGuardResult::Unavailable;
}

void releaseInstanceMutex() {
    std::lock_guard<std::mutex> lock(guardMutex());
    heldLock().reset();
}

bool instanceMutexHeld() {
    std::lock_guard<std::mutex> lock(guardMutex());
    return heldLock() != nullptr;
}

}  // namespace tamlo::platform
