#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <objbase.h>
#include <shellapi.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "platform/os/instance_guard.h"
#include "platform/os/known_folders.h"
#include "platform/os/os_services.h"
#include "platform/os/reboot.h"
#include "platform/os/running_process_block.h"
#include "platform/os/shell_execute.h"
#include "platform/os/shortcut.h"
#include "platform/os/volumes.h"
#include "platform/os/win32/wide_text.h"
#include "win32/win32_test_support.h"

namespace tamlo {
namespace {

std::string uniqueName(const char* stem) {
    return std::string(stem) + "-" + std::to_string(GetCurrentProcessId());
}

TEST(Win32InstanceLock, OneHolderAtATimeUntilReleased) {
    const std::string name = uniqueName("TamloTestLock");
    os::InstanceLock::Result result = os::InstanceLock::Result::Failed;
    std::unique_ptr<os::InstanceLock> first = os::InstanceLock::acquire(name, &result);
    ASSERT_EQ(result, os::InstanceLock::Result::Acquired);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(os::InstanceLock::acquire(name, &result), nullptr);
    EXPECT_EQ(result, os::InstanceLock::Result::AlreadyHeld);
    // It is a real kernel object in the global namespace.
    HANDLE seen = OpenMutexW(SYNCHRONIZE, FALSE, win32::widen("Global\\" + name).c_str());
    EXPECT_NE(seen, nullptr);
    CloseHandle(seen);
    first.reset();
    std::unique_ptr<os::InstanceLock> again = os::InstanceLock::acquire(name, &result);
    EXPECT_EQ(result, os::InstanceLock::Result::Acquired);
    EXPECT_NE(again, nullptr);
}

TEST(Win32Shortcut, ALinkReadsBackThroughTheShell) {
    test::ScratchFolder folder;
    // ASCII only: Wine keeps a link's path in the ANSI code page.
    const std::string target = folder / "Orvinex Main.exe";
    ASSERT_TRUE(test::writeBytes(target, "MZ"));
    const std::string link = folder / "Orvinex.lnk";
    ASSERT_TRUE(shortcuts::createShortcut(target, link));
    const std::string icon = folder / "orvinex.ico";
    // An existing one is replaced, here by one with an icon.
    ASSERT_TRUE(shortcuts::createShortcut(target, link, icon));
    EXPECT_FALSE(shortcuts::createShortcut(target, folder / "missing\\x.lnk"));

    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* shell = nullptr;
    IPersistFile* file = nullptr;
    wchar_t path[MAX_PATH] = {};
    wchar_t iconPath[MAX_PATH] = {};
    int iconIndex = -1;
    bool read =
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shell))) &&
        SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(win32::widen(link).c_str(), STGM_READ)) &&
        SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
        SUCCEEDED(shell->GetIconLocation(iconPath, MAX_PATH, &iconIndex));
    if (file != nullptr) {
        file->Release();
    }
    if (shell != nullptr) {
        shell->Release();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    ASSERT_TRUE(read);
    EXPECT_TRUE(os::equalsIgnoringCase(win32::narrow(path), target)) << win32::narrow(path);
    EXPECT_TRUE(os::equalsIgnoringCase(win32::narrow(iconPath), icon)) << win32::narrow(iconPath);
    EXPECT_EQ(iconIndex, 0);
}

TEST(Win32FreeSpace, AMissingFolderCountsOnItsNearestExistingParent) {
    test::ScratchFolder folder;
    std::optional<uint64_t> there = volumes::freeSpace(folder / "");
    std::optional<uint64_t> missing = volumes::freeSpace(folder / "Orvinex\\bin");
    ASSERT_TRUE(there);
    ASSERT_TRUE(missing);
    EXPECT_GT(*missing, 0u);
    if (GetFileAttributesW(L"Q:\\") == INVALID_FILE_ATTRIBUTES) {
        EXPECT_FALSE(volumes::freeSpace("Q:\\no-such-drive\\x"));  // nothing of it exists
    }
}

TEST(Win32ShellExecute, WaitsForTheExitCodeOrGivesUp) {
    shell::ExecuteResult done =
        shell::shellExecute("cmd.exe", "/c exit 7", "", shell::kWaitForExit);
    EXPECT_TRUE(done.started);
    EXPECT_TRUE(done.ended);
    EXPECT_EQ(done.exitCode, 7);
    shell::ExecuteResult missing =
        shell::shellExecute("C:\\nowhere\\tamlo-missing.exe", "", "open", shell::kWaitForExit);
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(shell::findExecutable("cmd").empty());
    EXPECT_TRUE(shell::findExecutable("tamlo-no-such-program").empty());
}

// Each argument comes back whole from the system's own splitter, whatever it holds.
TEST(Win32ShellExecute, QuotedArgumentsSplitBackUnchanged) {
    const std::vector<std::wstring> arguments{L"plain",
                                              L"",
                                              L"two words",
                                              L"say \"hi\"",
                                              L"C:\\Program Files\\Orvinex\\",
                                              L"\\\\server\\share",
                                              L"back\\\\\"quote",
                                              L"tab\there",
                                              L"\u5B89\u88C5 \u7A0B\u5E8F"};
    std::wstring commandLine = L"program.exe";
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + win32::quotedArgument(argument);
    }
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(commandLine.c_str(), &count);
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(count, static_cast<int>(arguments.size()) + 1) << win32::narrow(commandLine);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        EXPECT_EQ(std::wstring(split[i + 1]), arguments[i]) << win32::narrow(commandLine);
    }
    LocalFree(split);
}

TEST(Win32Reboot, TheTestCommandRunsInsteadOfARestart) {
    test::ScopedVariable command(L"TAMLO_REBOOT_COMMAND", "exit 5");
    power::RebootOutcome outcome = power::requestReboot();
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 5);
}

class Win32RunningProcessBlock : public testing::Test {
  protected:
    void TearDown() override { processes::removeRunningProcessBlock(names_); }
    processes::BlockNames names_{uniqueName("tamlo-test-section"), uniqueName("tamlo-test-lock")};
};

TEST_F(Win32RunningProcessBlock, ReadsWhatTheProductWroteUntilItIsRemoved) {
    EXPECT_FALSE(processes::readRunningProcessBlock(names_).has_value());
    ASSERT_TRUE(processes::writeRunningProcessBlock(names_, u"C:\\p\\x.exe;安装.exe;"));
    EXPECT_EQ(processes::readRunningProcessBlock(names_).value_or(u"?"), u"C:\\p\\x.exe;安装.exe;");
    // A text too long for the block is cut before its terminator.
    ASSERT_TRUE(processes::writeRunningProcessBlock(names_, std::u16string(5000, u'a')));
    EXPECT_EQ(processes::readRunningProcessBlock(names_).value_or(u"").size(),
              processes::kBlockSize / 2 - 1);
    processes::removeRunningProcessBlock(names_);
    EXPECT_FALSE(processes::readRunningProcessBlock(names_).has_value());
}

// Another holder of the lock, on a thread of its own: mutexes belong to threads.
struct LockHolder {
    HANDLE mutex = nullptr;
    HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~LockHolder() {
        CloseHandle(taken);
        CloseHandle(release);
    }
    static DWORD WINAPI run(void* self) {
        LockHolder* holder = static_cast<LockHolder*>(self);
        WaitForSingleObject(holder->mutex, INFINITE);
        SetEvent(holder->taken);
        WaitForSingleObject(holder->release, INFINITE);
        ReleaseMutex(holder->mutex);
        return 0;
    }
};

TEST_F(Win32RunningProcessBlock, AHeldLockMakesTheBlockUnreadable) {
    ASSERT_TRUE(processes::writeRunningProcessBlock(names_, u"x.exe;"));
    LockHolder holder;
    holder.mutex = CreateMutexW(nullptr, FALSE, win32::widen(names_.lock).c_str());
    ASSERT_NE(holder.mutex, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, &LockHolder::run, &holder, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(holder.taken, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(processes::readRunningProcessBlock(names_).has_value());
    SetEvent(holder.release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(processes::readRunningProcessBlock(names_).value_or(u"?"), u"x.exe;");
    CloseHandle(holder.mutex);
}

TEST(Win32KnownFolders, ShellFoldersExistAndLieWhereTheSystemSays) {
    test::ScopedVariable perUser(L"TAMLO_PER_USER_FOLDERS", "1");
    std::optional<std::string> home = folders::homeFolder();
    ASSERT_TRUE(home);
    std::optional<std::string> appData = folders::specialFolder(folders::SpecialFolder::AppData);
    ASSERT_TRUE(appData);
    EXPECT_EQ(appData->compare(0, home->size(), *home), 0) << *appData;
    EXPECT_NE(appData->back(), '\\');
    EXPECT_TRUE(folders::specialFolder(folders::SpecialFolder::Desktop).has_value());
    EXPECT_TRUE(folders::specialFolder(folders::SpecialFolder::StartMenu).has_value());
    wchar_t programs[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programs)));
    EXPECT_EQ(folders::resolveSpecialFolder(folders::SpecialFolder::Programs, true).value_or("?"),
              win32::narrow(programs));
    // The machine-wide desktop is another folder than the user's.
    EXPECT_NE(folders::resolveSpecialFolder(folders::SpecialFolder::Desktop, true),
              folders::resolveSpecialFolder(folders::SpecialFolder::Desktop, false));
}

}  // namespace
}  // namespace tamlo
