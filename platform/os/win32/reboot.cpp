#include "platform/os/reboot.h"

#include <windows.h>

#include "platform/os/shell_execute.h"
#include "platform/os/win32/wide_text.h"

namespace tamlo::power {
namespace {

// A process may shut the machine down only with this privilege switched on.
bool enableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    return ok;
}

}  // namespace

RebootOutcome requestReboot() {
    RebootOutcome outcome;
    // Set, even empty, the variable wins: a test environment can never reach the real call.
    if (std::optional<std::string> replacement =
            win32::environmentVariable(L"TAMLO_REBOOT_COMMAND")) {
        shell::CommandStatus status = shell::runAndWait({"cmd.exe", "/c", *replacement});
        outcome.started = status.started;
        outcome.exitCode = status.exitCode;
        return outcome;
    }
    if (!enableShutdownPrivilege()) {
        outcome.exitCode = static_cast<int>(GetLastError());
        return outcome;
    }
    outcome.started = true;
    if (!ExitWindowsEx(EWX_REBOOT | EWX_FORCE, SHTDN_REASON_MAJOR_APPLICATION |
                                                   SHTDN_REASON_MINOR_INSTALLATION |
                                                   SHTDN_REASON_FLAG_PLANNED)) {
        outcome.exitCode = static_cast<int>(GetLastError());
    }
    return outcome;
}

}  // namespace tamlo::power
