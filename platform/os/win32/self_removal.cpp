#include "platform/os/self_removal.h"

#include <windows.h>

#include "platform/os/win32/wide_text.h"

namespace tamlo::os {
namespace {

bool isInFolder(const std::wstring& program, std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') {
        folder += L'\\';
    }
    const size_t slash = program.find_last_of(L"\\/");
    const std::wstring parent = slash == std::wstring::npos ? L"" : program.substr(0, slash + 1);
    return CompareStringOrdinal(parent.c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

bool restartFromCopyIn(const std::string& program, const std::string& folder,
                       const std::vector<std::string>& arguments, std::string* copyPath) {
    copyPath->clear();
    const std::wstring wideProgram = win32::widen(program);
    std::wstring wideFolder = win32::widen(folder);
    if (wideProgram.empty() || wideFolder.empty() || isInFolder(wideProgram, wideFolder)) {
        return false;
    }
    if (wideFolder.back() != L'\\' && wideFolder.back() != L'/') {
        wideFolder += L'\\';
    }
    // The process id keeps two uninstallers of two products apart.
    const std::wstring copy =
        wideFolder + L"tamlo-uninstall-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    if (!CopyFileW(wideProgram.c_str(), copy.c_str(), FALSE)) {
        return false;
    }
    std::wstring commandLine = win32::quotedArgument(copy);
    for (const std::string& argument : arguments) {
        commandLine += L' ';
        commandLine += win32::quotedArgument(win32::widen(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        wideFolder.c_str(), &startup, &started)) {
        DeleteFileW(copy.c_str());
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    *copyPath = win32::narrow(copy);
    return true;
}

bool programFileCanGoWhileRunning() {
    return false;
}

bool removeProgramFile(const std::string& program) {
    const std::wstring wide = win32::widen(program);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    return MoveFileExW(wide.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

}  // namespace tamlo::os
