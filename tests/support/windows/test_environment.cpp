// The Windows side of the test environment: the same private folders, set through the
// process environment, and programs run with CreateProcessW.
#include "support/test_environment.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/os/win32/wide_text.h"
#include "platform/text_encoding.h"

namespace tamlo::test {
namespace {

std::string& root() {
    static std::string value;
    return value;
}

std::wstring wide(const std::string& utf8) {
    std::u16string text = utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

void removeRoot() {
    std::error_code ignored;
    if (!root().empty() && std::getenv("TAMLO_KEEP_TEST_DIRS") == nullptr) {
        std::filesystem::remove_all(std::filesystem::u8path(root()), ignored);
    }
}

std::string makeDir(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::u8path(path));
    return path;
}

void setVariable(const char* name, const std::string& value) {
    SetEnvironmentVariableW(wide(name).c_str(), wide(value).c_str());
    _wputenv_s(wide(name).c_str(), wide(value).c_str());
}

std::string drain(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

}  // namespace

void isolateEnvironment() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::u16string base(temp, temp + wcslen(temp));
    root() = utf16ToUtf8(base) + "tamlo-test-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(GetTickCount64());
    std::filesystem::remove_all(std::filesystem::u8path(root()));
    if (!std::filesystem::create_directories(std::filesystem::u8path(root()))) {
        throw std::runtime_error("cannot create the test folder");
    }
    std::atexit(removeRoot);
    setVariable("HOME", makeDir(root() + "/home"));
    setVariable("TMP", makeDir(root() + "/tmp"));
    setVariable("TEMP", root() + "/tmp");
    setVariable("TMPDIR", root() + "/tmp");
    setVariable("TAMLO_REBOOT_COMMAND", "cmd /c exit 1");
    setVariable("TAMLO_PLATFORM", "headless");
}

const std::string& isolatedRoot() {
    return root();
}

std::string makeTempDir(const std::string& hint) {
    static std::atomic<int> counter{0};
    std::string path = root() + "/work/" + hint + "-" + std::to_string(++counter);
    std::filesystem::remove_all(std::filesystem::u8path(path));
    return makeDir(path);
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::u8path(path).parent_path(), ignored);
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string binaryPath(const std::string& relative) {
    return std::string(TAMLO_BINARY_DIR) + "/" + relative;
}

std::string sourcePath(const std::string& relative) {
    return std::string(TAMLO_SOURCE_DIR) + "/" + relative;
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnv) {
    CommandResult result;
    if (argv.empty()) {
        return result;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        return result;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine;
    for (const auto& argument : argv) {
        commandLine += (commandLine.empty() ? L"" : L" ") + win32::quotedArgument(wide(argument));
    }
    // The current environment with the extra NAME=value entries after it.
    std::wstring environment;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
            environment.append(entry).push_back(L'\0');
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& extra : extraEnv) {
        environment.append(wide(extra)).push_back(L'\0');
    }
    environment.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    BOOL started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        // Both pipes are read together so a child filling one of them never blocks.
        std::string err;
        std::thread errReader([&] { err = drain(errRead); });
        result.out = drain(outRead);
        errReader.join();
        result.err = std::move(err);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

}  // namespace tamlo::test
