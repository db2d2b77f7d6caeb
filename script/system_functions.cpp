#include "script/system_functions.h"

#include <lua.hpp>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/os/file_operations.h"
#include "platform/os/instance_guard.h"
#include "platform/os/known_folders.h"
#include "platform/os/os_services.h"
#include "platform/os/process_control.h"
#include "platform/os/reboot.h"
#include "platform/os/registry_store.h"
#include "platform/os/restart_marker.h"
#include "platform/os/running_process_block.h"
#include "platform/os/shell_execute.h"
#include "platform/os/shortcut.h"
#include "platform/os/volumes.h"
#include "platform/text_encoding.h"
#include "platform/win32_constants.h"
#include "resources/change_journal.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/ui_message_box.h"

// Every function below reads its arguments with the non-raising helpers, does its work
// with no Lua call in between, and pushes its results with non-raising pushes (texts go
// through the protected pushText). So no C++ object is ever skipped by a Lua error.
namespace tamlo::script {
namespace {

constexpr const char* kProductImageName = "Orvinex.exe";
constexpr uint32_t kMaxSleepMs = 0xFFFFFFFEu;  // 0xFFFFFFFF would mean "forever"

std::mutex& targetsMutex() {
    static std::mutex mutex;
    return mutex;
}

RunningProcessTargets& targetsSlot() {
    static RunningProcessTargets targets = defaultRunningProcessTargets();
    return targets;
}

int pushBoolean(lua_State* L, bool value) {
    lua_pushboolean(L, value ? 1 : 0);
    return 1;
}

int pushOptionalText(lua_State* L, const std::optional<std::string>& text) {
    return text ? pushText(L, std::string_view(*text)) : 0;
}

// ---- timing, processes ----

int l_sleep(lua_State* L) {
    int64_t ms = integerArgument(L, 1);
    if (ms > 0) {
        uint32_t wait = ms > kMaxSleepMs ? kMaxSleepMs : static_cast<uint32_t>(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    return 0;
}

int l_killProcess(lua_State* L) {
    processes::killProcessesByPath(utf8TextArgument(L, 1));
    return 0;
}

// ---- files and folders ----

int l_removeFile(lua_State* L) {
    return pushBoolean(L, journal::removeFile(utf8TextArgument(L, 1)));
}

int l_moveFile(lua_State* L) {
    return pushBoolean(L, journal::moveFile(utf8TextArgument(L, 1), utf8TextArgument(L, 2)));
}

int l_copyFile(lua_State* L) {
    return pushBoolean(L, journal::copyFile(utf8TextArgument(L, 1), utf8TextArgument(L, 2)));
}

int l_removeDirectory(lua_State* L) {
    journal::removeDirectory(utf8TextArgument(L, 1));
    return 0;
}

int l_createDirectory(lua_State* L) {
    journal::createDirectory(utf8TextArgument(L, 1));
    return pushBoolean(L, true);
}

// shellExecuteEx(file, parameters, verb, show, mask): false; true; true and the exit code.
int l_shellExecuteEx(lua_State* L) {
    uint32_t mask = static_cast<uint32_t>(int32Argument(L, 5));
    shell::ExecuteResult result = shell::shellExecute(
        utf8TextArgument(L, 1), utf8TextArgument(L, 2), utf8TextArgument(L, 3), mask);
    if (!result.started) {
        return pushBoolean(L, false);
    }
    if ((mask & shell::kWaitForExit) == 0) {
        return pushBoolean(L, true);
    }
    if (!result.ended) {
        return pushBoolean(L, false);  // still running: false alone
    }
    lua_pushboolean(L, 1);
    lua_pushnumber(L, static_cast<lua_Number>(result.exitCode));
    return 2;
}

int l_fileExists(lua_State* L) {
    return pushBoolean(L, files::fileExists(utf8TextArgument(L, 1)));
}

int l_print(lua_State* L) {
    debugOutput(std::u16string_view(textArgument(L, 1)));
    return 0;
}

// ---- special folders ----

int l_getAppDataFolder(lua_State* L) {
    return pushOptionalText(L, folders::specialFolder(folders::SpecialFolder::AppData));
}

int l_getProgramFolder(lua_State* L) {
    return pushOptionalText(L, folders::specialFolder(folders::SpecialFolder::Programs));
}

int l_getTempFolder(lua_State* L) {
    std::string folder = folders::tempFolder();
    return folder.empty() ? 0 : pushText(L, std::string_view(folder));
}

int l_getDesktopFolder(lua_State* L) {
    return pushOptionalText(L, folders::specialFolder(folders::SpecialFolder::Desktop));
}

int l_getStartMenuFolder(lua_State* L) {
    return pushOptionalText(L, folders::specialFolder(folders::SpecialFolder::StartMenu));
}

int l_createShortCut(lua_State* L) {
    // An optional third argument: the launcher's icon.
    return pushBoolean(L, journal::createShortcut(utf8TextArgument(L, 1), utf8TextArgument(L, 2),
                                                  utf8TextArgument(L, 3)));
}

// getFreeSpace(path) -> bytes this user may still write there (nil when unknown)
int l_getFreeSpace(lua_State* L) {
    std::optional<uint64_t> bytes = volumes::freeSpace(utf8TextArgument(L, 1));
    if (!bytes) {
        return 0;
    }
    lua_pushnumber(L, static_cast<lua_Number>(*bytes));
    return 1;
}

int l_reboot(lua_State*) {
    power::RebootOutcome outcome = power::requestReboot();
    if (!outcome.started) {
        showMessageBoxFromAnyThread(rebootStartFailureText(), u"错误", win32::MB_OK);
    } else if (outcome.exitCode != 0) {
        showMessageBoxFromAnyThread(rebootRefusedText(outcome.exitCode), u"错误", win32::MB_OK);
    }
    return 0;
}

int l_volumeExists(lua_State* L) {
    return pushBoolean(L, volumes::volumeExists(utf8TextArgument(L, 1)));
}

int l_directoryEmpty(lua_State* L) {
    return pushBoolean(L, files::directoryEmpty(utf8TextArgument(L, 1)));
}

int l_setCurrentDirectory(lua_State* L) {
    files::setCurrentDirectory(utf8TextArgument(L, 1));
    return 0;
}

int l_isWOW32(lua_State* L) {
    return pushBoolean(L, false);
}

// True, or no result at all when nothing runs the program.
int l_isProcessRunning(lua_State* L) {
    if (!processes::isProcessRunning(utf8TextArgument(L, 1))) {
        return 0;
    }
    return pushBoolean(L, true);
}

int l_showMessageBox(lua_State* L) {
    uint32_t type = static_cast<uint32_t>(int32Argument(L, 3));
    int answer = showMessageBoxFromAnyThread(shownTextArgument(L, 1, "showMessageBox"),
                                             shownTextArgument(L, 2, "showMessageBox"), type);
    lua_pushnumber(L, answer);
    return 1;
}

int l_getProcessPath(lua_State* L) {
    std::string path = os::executablePath();
    return path.empty() ? 0 : pushText(L, std::string_view(path));
}

// ---- registry ----

std::optional<registry::Store> storeArgument(lua_State* L) {
    std::optional<registry::Root> root = registry::rootFromHandle(int32Argument(L, 1));
    if (!root) {
        return std::nullopt;
    }
    return registry::Store(*root);
}

int l_regQueryString(lua_State* L) {
    std::optional<registry::Store> store = storeArgument(L);
    if (!store) {
        return 0;
    }
    std::optional<registry::Value> value =
        store->query(utf8TextArgument(L, 2), utf8TextArgument(L, 3));
    // Only REG_SZ counts; REG_EXPAND_SZ is refused as well. Any length is returned whole.
    if (!value || value->type != registry::REG_SZ) {
        return 0;
    }
    return pushText(L, std::string_view(value->data));
}

int l_regQueryInteger(lua_State* L) {
    std::optional<registry::Store> store = storeArgument(L);
    if (!store) {
        return 0;
    }
    std::optional<registry::Value> value =
        store->query(utf8TextArgument(L, 2), utf8TextArgument(L, 3));
    std::optional<uint32_t> number = value ? value->asDword() : std::nullopt;
    if (!number) {
        return 0;
    }
    // Read back as the signed 32-bit integer it was written from.
    lua_pushnumber(L, static_cast<lua_Number>(static_cast<int32_t>(*number)));
    return 1;
}

int l_regWriteString(lua_State* L) {
    if (std::optional<registry::Store> store = storeArgument(L)) {
        journal::setValue(*store, utf8TextArgument(L, 2), utf8TextArgument(L, 3),
                          registry::Value::text(utf8TextArgument(L, 4)));
    }
    return 0;
}

int l_regWriteInteger(lua_State* L) {
    if (std::optional<registry::Store> store = storeArgument(L)) {
        journal::setValue(*store, utf8TextArgument(L, 2), utf8TextArgument(L, 3),
                          registry::Value::dword(static_cast<uint32_t>(int32Argument(L, 4))));
    }
    return 0;
}

int l_regDeleteValue(lua_State* L) {
    if (std::optional<registry::Store> store = storeArgument(L)) {
        journal::deleteValue(*store, utf8TextArgument(L, 2), utf8TextArgument(L, 3));
    }
    return 0;
}

int l_regDeleteSubKey(lua_State* L) {
    if (std::optional<registry::Store> store = storeArgument(L)) {
        journal::deleteKey(*store, utf8TextArgument(L, 2));  // never the root itself
    }
    return 0;
}

// ---- the change journal ----

// true, or nil and the reason.
int pushOutcome(lua_State* L, bool ok, const std::string& error) {
    if (ok) {
        return pushBoolean(L, true);
    }
    lua_pushnil(L);
    return 1 + pushText(L, std::string_view(error));
}

int l_openJournal(lua_State* L) {
    std::string error;
    bool ok = journal::openJournal(utf8TextArgument(L, 1), &error);
    return pushOutcome(L, ok, error);
}

int l_commitJournal(lua_State* L) {
    std::string error;
    bool ok = journal::commitJournal(&error);
    return pushOutcome(L, ok, error);
}

int l_rollbackJournal(lua_State* L) {
    std::string error;
    bool ok = journal::rollbackJournal(
        lua_isnoneornil(L, 1) ? std::string() : utf8TextArgument(L, 1), &error);
    return pushOutcome(L, ok, error);
}

// Under lua_pcall: the array of the texts in the vector at [1].
int pushTextArray(lua_State* L) {
    const auto* texts = static_cast<const std::vector<std::string>*>(lua_touserdata(L, 1));
    lua_createtable(L, static_cast<int>(texts->size()), 0);
    for (size_t i = 0; i < texts->size(); ++i) {
        lua_pushlstring(L, (*texts)[i].data(), (*texts)[i].size());
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

// uninstallJournal(path [, keepJournalPath]) -> true and the paths kept, or nil and why.
int l_uninstallJournal(lua_State* L) {
    std::string error;
    std::vector<std::string> kept;
    bool ok = journal::uninstallJournal(
        utf8TextArgument(L, 1), lua_isnoneornil(L, 2) ? std::string() : utf8TextArgument(L, 2),
        &kept, &error);
    if (!ok) {
        return pushOutcome(L, ok, error);
    }
    if (!lua_checkstack(L, 4)) {
        return pushBoolean(L, true);
    }
    lua_pushboolean(L, 1);
    lua_pushcfunction(L, pushTextArray);
    lua_pushlightuserdata(L, &kept);
    if (lua_pcall(L, 1, 1, 0) != LUA_OK) {
        lua_pop(L, 1);
        return 1;
    }
    return 2;
}

int l_journalState(lua_State* L) {
    return pushText(L, std::string_view(journal::stateName(journal::journalState(
                           files::normalizeSeparators(utf8TextArgument(L, 1))))));
}

// ---- start-up guards, environment, versions ----

int l_markRestart(lua_State*) {
    platform::markRestart();
    return 0;
}

int l_releaseMutex(lua_State*) {
    platform::releaseInstanceMutex();
    return 0;
}

int l_setEnvVar(lua_State* L) {
    std::string name = utf8TextArgument(L, 1);
    std::string value = utf8TextArgument(L, 2);
    if (!name.empty() && name.find('=') == std::string::npos) {
        os::setEnvironmentVariable(name, value);
    }
    return 0;
}

int l_isVista(lua_State* L) {
    return pushBoolean(L, true);
}

int l_isWin8(lua_State* L) {
    return pushBoolean(L, true);
}

// ---- the running-process block ----

int l_getRunningProcess(lua_State* L) {
    std::optional<std::u16string> text =
        processes::readRunningProcessBlock(runningProcessTargets().block);
    if (!text || text->empty()) {
        return 0;
    }
    return pushText(L, std::u16string_view(*text));
}

int l_killRunningProcess(lua_State*) {
    RunningProcessTargets targets = runningProcessTargets();
    processes::killRunningProcesses(targets.block, targets.productImageName);
    return 0;
}

int l_killProcessesByPath(lua_State* L) {
    processes::killProcessesInFolder(utf8TextArgument(L, 1));
    return 0;
}

struct Entry {
    const char* name;
    lua_CFunction function;
};

// Registration order. Creating a folder, asking whether a file exists and printing go on
// while the files extracted last are closing; every other function here waits for them.
const Entry kFunctions[] = {
    {"sleep", guardedTouchingFiles<l_sleep>},
    {"killProcess", guardedTouchingFiles<l_killProcess>},
    {"removeFile", guardedTouchingFiles<l_removeFile>},
    {"moveFile", guardedTouchingFiles<l_moveFile>},
    {"copyFile", guardedTouchingFiles<l_copyFile>},
    {"removeDirectory", guardedTouchingFiles<l_removeDirectory>},
    {"createDirectory", guarded<l_createDirectory>},
    {"shellExecuteEx", guardedTouchingFiles<l_shellExecuteEx>},
    {"fileExists", guarded<l_fileExists>},
    {"print", guarded<l_print>},
    {"getAppDataFolder", guardedTouchingFiles<l_getAppDataFolder>},
    {"getProgramFolder", guardedTouchingFiles<l_getProgramFolder>},
    {"getTempFolder", guardedTouchingFiles<l_getTempFolder>},
    {"getDesktopFolder", guardedTouchingFiles<l_getDesktopFolder>},
    {"getStartMenuFolder", guardedTouchingFiles<l_getStartMenuFolder>},
    {"createShortCut", guardedTouchingFiles<l_createShortCut>},
    {"reboot", guardedTouchingFiles<l_reboot>},
    {"volumeExists", guardedTouchingFiles<l_volumeExists>},
    {"directoryEmpty", guardedTouchingFiles<l_directoryEmpty>},
    {"setCurrentDirectory", guardedTouchingFiles<l_setCurrentDirectory>},
    {"isWOW32", guardedTouchingFiles<l_isWOW32>},
    {"isProcessRunning", guardedTouchingFiles<l_isProcessRunning>},
    {"showMessageBox", guardedTouchingFiles<l_showMessageBox>},
    {"getProcessPath", guardedTouchingFiles<l_getProcessPath>},
    {"regQueryString", guardedTouchingFiles<l_regQueryString>},
    {"regQueryInteger", guardedTouchingFiles<l_regQueryInteger>},
    {"regWriteString", guardedTouchingFiles<l_regWriteString>},
    {"regWriteInteger", guardedTouchingFiles<l_regWriteInteger>},
    {"regDeleteValue", guardedTouchingFiles<l_regDeleteValue>},
    {"regDeleteSubKey", guardedTouchingFiles<l_regDeleteSubKey>},
    {"markRestart", guardedTouchingFiles<l_markRestart>},
    {"releaseMutex", guardedTouchingFiles<l_releaseMutex>},
    {"setEnvVar", guardedTouchingFiles<l_setEnvVar>},
    {"isVista", guardedTouchingFiles<l_isVista>},
    {"isWin8", guardedTouchingFiles<l_isWin8>},
    {"getRunningProcess", guardedTouchingFiles<l_getRunningProcess>},
    {"killRunningProcess", guardedTouchingFiles<l_killRunningProcess>},
    {"killProcessesByPath", guardedTouchingFiles<l_killProcessesByPath>},
    {"getFreeSpace", guardedTouchingFiles<l_getFreeSpace>},
    {"openJournal", guardedTouchingFiles<l_openJournal>},
    {"commitJournal", guardedTouchingFiles<l_commitJournal>},
    {"rollbackJournal", guardedTouchingFiles<l_rollbackJournal>},
    {"uninstallJournal", guardedTouchingFiles<l_uninstallJournal>},
    {"journalState", guardedTouchingFiles<l_journalState>},
};

struct Constant {
    const char* name;
    int32_t value;
};

const Constant kRootConstants[] = {
    {"HKEY_CLASSES_ROOT", registry::kClassesRootHandle},
    {"HKEY_CURRENT_USER", registry::kCurrentUserHandle},
    {"HKEY_LOCAL_MACHINE", registry::kLocalMachineHandle},
    {"HKEY_USERS", registry::kUsersHandle},
};

// Runs under lua_pcall: lua_setglobal may raise (memory, a metatable on _G).
int registerAll(lua_State* L) {
    for (const Entry& entry : kFunctions) {
        lua_pushcfunction(L, entry.function);
        lua_setglobal(L, entry.name);
    }
    for (const Constant& constant : kRootConstants) {
        lua_pushnumber(L, constant.value);
        lua_setglobal(L, constant.name);
    }
    return 0;
}

}  // namespace

bool registerSystemFunctions(lua_State* L, std::string* error) {
    lua_pushcfunction(L, registerAll);
    if (lua_pcall(L, 0, 0, 0) == LUA_OK) {
        return true;
    }
    if (error != nullptr) {
        size_t length = 0;
        const char* text = lua_type(L, -1) == LUA_TSTRING ? lua_tolstring(L, -1, &length) : nullptr;
        *error =
            text != nullptr ? std::string(text, length) : "cannot register the system functions";
    }
    lua_pop(L, 1);
    return false;
}

const std::vector<std::string>& systemFunctionNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const Entry& entry : kFunctions) {
            list.emplace_back(entry.name);
        }
        return list;
    }();
    return names;
}

std::u16string rebootStartFailureText() {
    return u"重启电脑失败，原因：提升权限失败。请手动重启电脑。";
}

std::u16string rebootRefusedText(int code) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", code);
    return u"重启电脑失败，原因：" + utf8ToUtf16(number) + u"。 请手动重启电脑。";
}

RunningProcessTargets defaultRunningProcessTargets() {
    return {processes::defaultBlockNames(), kProductImageName};
}

RunningProcessTargets runningProcessTargets() {
    std::lock_guard<std::mutex> lock(targetsMutex());
    return targetsSlot();
}

void setRunningProcessTargets(const RunningProcessTargets& targets) {
    std::lock_guard<std::mutex> lock(targetsMutex());
    targetsSlot() = targets;
}

}  // namespace tamlo::script
