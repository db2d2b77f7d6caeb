#pragma once

#include <string>

// The process-wide instance mutex: one installer or uninstaller at a time on the machine.
// Used on the UI thread; the functions are nonetheless safe to call from any thread.
namespace tamlo::platform {

enum class InstanceGuardResult {
    Acquired,        // this process now holds the mutex
    AlreadyRunning,  // another process holds it: start-up must refuse
    Unavailable,     // the lock could not be created: start-up goes on without a guard
};

// The lock's name: "TAMLOINSTALLER", or $TAMLO_INSTANCE_NAME when set (tests run in
// parallel and must not meet each other or a real installer).
std::string instanceLockName();

// Takes the mutex unless this process holds it already (then Acquired).
InstanceGuardResult acquireInstanceMutex();

// Closes the mutex if it is still held and forgets it; later calls do nothing.
void releaseInstanceMutex();

bool instanceMutexHeld();

}  // namespace tamlo::platform
