#include <windows.h>

#include "platform/os/os_services.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::os {
namespace {

// A named mutex in the global namespace: one per machine, across sessions, gone when
// the last handle closes, also when the process dies.
class MutexLock : public InstanceLock {
  public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}

  private:
    win32::Handle mutex_;
};

}  // namespace

std::unique_ptr<InstanceLock> InstanceLock::acquire(const std::string& name, Result* result) {
    Result outcome = Result::Failed;
    std::unique_ptr<InstanceLock> lock;
    // A '\' would name another namespace or fail.
    if (!name.empty() && name.find('\\') == std::string::npos &&
        name.find('\0') == std::string::npos) {
        std::wstring fullName = L"Global\\" + win32::widen(name);
        // Not inheritable: children started by scripts must not keep the lock.
        HANDLE mutex = CreateMutexW(nullptr, TRUE, fullName.c_str());
        if (mutex != nullptr) {
            if (GetLastError() == ERROR_ALREADY_EXISTS) {
                CloseHandle(mutex);
                outcome = Result::AlreadyHeld;
            } else {
                lock = std::make_unique<MutexLock>(mutex);
                outcome = Result::Acquired;
            }
        }
    }
    if (result) {
        *result = outcome;
    }
    return lock;
}

}  // namespace tamlo::os
