#include "platform/os/shell_execute.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <vector>

#include "platform/os/win32/wide_text.h"

namespace tamlo::shell {
namespace {

bool isRegularFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string findExecutable(const std::string& file) {
    if (file.empty()) {
        return {};
    }
    std::wstring wide = win32::widen(file);
    if (file.find_first_of("\\/:") != std::string::npos) {
        return isRegularFile(wide) ? file : std::string();
    }
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = SearchPathW(nullptr, wide.c_str(), L".exe",
                                   static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            std::wstring found(buffer.data(), length);
            return isRegularFile(found) ? win32::narrow(found) : std::string();
        }
        buffer.resize(length + 1);
    }
    return {};
}

ExecuteResult shellExecute(const std::string& file, const std::string& parameters,
                           const std::string& verb, uint32_t mask) {
    ExecuteResult result;
    if (file.empty()) {
        return result;
    }
    const std::wstring wideFile = win32::widen(file);
    const std::wstring wideParameters = win32::widen(parameters);
    const std::wstring wideVerb = win32::widen(verb);
    const bool wait = (mask & kWaitForExit) != 0;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Errors come back to the script, never as a dialog; the handle only when waiting.
    info.fMask = (mask & ~static_cast<uint32_t>(SEE_MASK_NOCLOSEPROCESS)) | SEE_MASK_FLAG_NO_UI |
                 (wait ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.lpVerb = wideVerb.empty() ? nullptr : wideVerb.c_str();
    info.lpFile = wideFile.c_str();
    info.lpParameters = wideParameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        return result;
    }
    result.started = true;
    if (!wait || info.hProcess == nullptr) {
        return result;
    }
    win32::Handle process(info.hProcess);
    if (WaitForSingleObject(process.get(), kWaitMilliseconds) != WAIT_OBJECT_0) {
        return result;  // still running: it keeps running on its own
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process.get(), &code)) {
        result.ended = true;
        result.exitCode = static_cast<int>(code);
    }
    return result;
}

CommandStatus runAndWait(const std::vector<std::string>& argv) {
    CommandStatus result;
    if (argv.empty() || argv[0].empty()) {
        return result;
    }
    std::wstring commandLine;
    for (const std::string& argument : argv) {
        if (!commandLine.empty()) {
            commandLine += L' ';
        }
        commandLine += win32::quotedArgument(win32::widen(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // No application name: argv[0] is searched like a command, the program's folder first.
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return result;
    }
    win32::Handle process(started.hProcess);
    CloseHandle(started.hThread);
    result.started = true;
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &code)) {
        result.exitCode = -1;
        return result;
    }
    result.exitCode = static_cast<int>(code);
    return result;
}

}  // namespace tamlo::shell
