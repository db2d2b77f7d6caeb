#include "script/lua_work.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <system_error>
#include <thread>

#include <lua.hpp>

#include "dui/core/event.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/os/command_line.h"
#include "platform/os/file_operations.h"
#include "platform/text_encoding.h"
#include "platform/win32_constants.h"
#include "resources/file_system.h"
#include "resources/payload_extractor.h"
#include "runtime/ui_context.h"
#include "script/budgeted_state.h"
#include "script/chunk_names.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/protected_call.h"
#include "script/script_host.h"
#include "script/system_functions.h"
#include "script/ui_message_box.h"

namespace tamlo::script {
namespace {

constexpr int32_t kWorkerNotify = 1024;

std::atomic<int> runningWorkers{0};

// A worker's error box is shown by the UI thread; the worker waits until it is closed.
// An unattended run writes it to standard error instead.
void showWorkerError(const std::string& message) {
    if (os::asksForUnattendedRun(os::programArguments())) {
        std::fprintf(stderr, "错误: %s\n", message.c_str());
        return;
    }
    showMessageBoxFromAnyThread(utf8ToUtf16(message), u"错误", win32::MB_OK);
}

// notifyMessage(text) -> the answer of the windows' message handlers
int notifyMessageFunction(lua_State* L) {
    // The string stays at index 1 while the worker waits, so the pointer stays valid. A
    // number is converted in place (that may raise: no C++ object is alive yet).
    const char* text =
        lua_type(L, 1) == LUA_TSTRING || lua_type(L, 1) == LUA_TNUMBER ? lua_tostring(L, 1) : "";
    const int32_t answer = LuaWork::notify(text);
    lua_pushnumber(L, answer);
    return 1;
}

// extractFile(entry, path) -> boolean
int extractFileFunction(lua_State* L) {
    auto* payload = static_cast<PayloadExtractor*>(lua_touserdata(L, lua_upvalueindex(1)));
    bool written = false;
    {
        const std::u16string entry = textArgument(L, 1);
        const std::u16string path = textArgument(L, 2);
        written = payload != nullptr && payload->extract(entry, path, files::executableFileMode());
    }
    lua_pushboolean(L, written ? 1 : 0);
    return 1;
}

// listEntries() -> { { name = ..., size = ... }, ... } in package order, one per name (the
// entry extractFile writes for it).
int listEntriesFunction(lua_State* L) {
    auto* payload = static_cast<PayloadExtractor*>(lua_touserdata(L, lua_upvalueindex(1)));
    const PackageReader* reader = payload != nullptr ? payload->reader() : nullptr;
    lua_newtable(L);  // may raise: no C++ object with a destructor is alive here
    if (reader == nullptr) {
        return 1;
    }
    lua_Integer row = 0;
    for (const PackageEntry& entry : reader->entries()) {
        if (!reader->isIndexed(entry)) {
            continue;
        }
        lua_createtable(L, 0, 2);
        // pushText converts under its own protected call, so nothing here can unwind.
        if (pushText(L, entry.name) == 0) {
            lua_pushnil(L);
        }
        lua_setfield(L, -2, "name");
        lua_pushnumber(L, static_cast<lua_Number>(entry.size()));
        lua_setfield(L, -2, "size");
        lua_rawseti(L, -2, static_cast<int>(++row));
    }
    return 1;
}

int openWorkerState(lua_State* L) {
    // Stack: [1] light userdata -> PayloadExtractor.
    luaL_openlibs(L);
    waitForClosingFilesInLibraries(L);
    // These go on while the files extracted last are closing: extractFile waits itself
    // where a file is in its way.
    lua_register(L, "notifyMessage", guarded<notifyMessageFunction>);
    lua_pushvalue(L, 1);
    lua_pushcclosure(L, guarded<extractFileFunction>, 1);
    lua_setglobal(L, "extractFile");
    lua_pushvalue(L, 1);
    lua_pushcclosure(L, guarded<listEntriesFunction>, 1);
    lua_setglobal(L, "listEntries");
    return 0;
}

struct Chunk {
    const char* text;
};

// Loads with the text itself as the chunk name, as the UI script is, and runs it.
int runChunk(lua_State* L) {
    auto* chunk = callContext<Chunk>(L);
    if (luaL_loadstring(L, chunk->text) != LUA_OK) {
        return lua_error(L);
    }
    lua_call(L, 0, 0);
    return 0;
}

// Runs the worker from its state's creation to its close; returns the error to show, or
// an empty text.
std::string runWorkerScript(const LuaWork::Arguments& arguments, FileSystem* files,
                            PayloadExtractor& payload) {
    if (files == nullptr) {
        return "no embedded files";
    }
    if (!payload.readable()) {
        if (files->damaged(arguments.package)) {
            return {};  // a damaged installer: start-up tells the user, once
        }
        return "cannot read the package " + utf16ToUtf8(arguments.package);
    }
    int scriptSize = 0;
    uint8_t* script = files->read(arguments.script, scriptSize);
    if (script == nullptr) {
        return "cannot read the script " + utf16ToUtf8(arguments.script);
    }
    std::string error;
    lua_State* L = newBudgetedState();
    if (L == nullptr) {
        files->free(script);
        return "not enough memory for the script";
    }
    if (!protectedCall(L, openWorkerState, &payload, 0, &error) ||
        !registerSystemFunctions(L, &error)) {
        closeBudgetedState(L);
        files->free(script);
        return error;
    }
    if (!arguments.config.empty()) {
        const std::string config = "config = " + arguments.config;
        debugOutput(config);
        Chunk chunk{config.c_str()};
        std::string ignored;
        protectedCall(L, runChunk, &chunk, 0, &ignored);  // a broken config is ignored
        lua_settop(L, 0);
    }
    Chunk chunk{reinterpret_cast<const char*>(script)};
    if (!protectedCall(L, runChunk, &chunk, 0, &error) && error.empty()) {
        error = "the script failed";
    }
    if (!error.empty()) {  // the box keeps Lua's own text; the debug output names the file
        debugOutput(nameChunk(error, utf16ToUtf8(arguments.script),
                              std::string_view(reinterpret_cast<const char*>(script),
                                               static_cast<std::size_t>(scriptSize))));
    }
    lua_settop(L, 0);
    closeBudgetedState(L);
    files->free(script);
    return error;
}

constexpr const char* kWorkEndHandler = "__workEnd";

struct WorkEndCall {
    const std::string* error;  // empty for a normal end
    bool heard;
};

// Calls the UI script's handler with (true) or (false, error text), if it set one.
int workEndBody(lua_State* L) {
    auto* call = callContext<WorkEndCall>(L);
    lua_getfield(L, LUA_REGISTRYINDEX, kWorkEndHandler);
    if (!lua_isfunction(L, -1)) {
        return 0;
    }
    call->heard = true;
    lua_pushboolean(L, call->error->empty() ? 1 : 0);
    if (call->error->empty()) {
        lua_pushnil(L);
    } else {
        lua_pushlstring(L, call->error->data(), call->error->size());
    }
    lua_call(L, 2, 0);
    return 0;
}

// A worker's end, told to the UI script on the UI thread while the worker waits. Not heard
// when the script set no handler, its state is closed, or the handler itself failed.
class WorkEndRunable : public SRService::IRunable {
  public:
    explicit WorkEndRunable(std::string error) : error_(std::move(error)) {}

    void run() override {
        ScriptHost& host = ScriptHost::instance();
        WorkEndCall call{&error_, false};
        if (lua_State* L = host.state()) {
            std::string failure;
            if (!protectedCall(L, workEndBody, &call, 0, &failure)) {
                host.reportBridgeError(failure);
                call.heard = false;
            }
        }
        finish(call.heard);
    }
    void cancel() override { finish(false); }

    bool wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return finished_; });
        return heard_;
    }

  private:
    void finish(bool heard) {
        std::lock_guard<std::mutex> lock(mutex_);
        heard_ = heard;
        finished_ = true;
        done_.notify_all();
    }

    std::string error_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool heard_ = false;
};

void runWorker(LuaWork::Arguments arguments) {
    FileSystem* files = globalFileSystem();
    std::string error;
    {
        PayloadExtractor payload(files, arguments.package);
        payload.closeFilesLater();  // every script function waits for them (callCatching)
        error = runWorkerScript(arguments, files, payload);
    }
    // Whatever runs next, in this process or another, finds every file closed.
    files::finishClosingFiles();
    // The UI script hears of the end first; an error nobody heard gets the box.
    auto end = std::make_shared<WorkEndRunable>(error);
    SRService::post(end);
    if (!end->wait() && !error.empty()) {
        showWorkerError(error);
    }
    --runningWorkers;
}

int startWorkFunction(lua_State* L) {
    size_t length = 0;
    // A string stays as its bytes; a number is converted in place, which may raise, so
    // before any C++ object exists.
    const char* config = lua_type(L, 3) == LUA_TSTRING || lua_type(L, 3) == LUA_TNUMBER
                             ? lua_tolstring(L, 3, &length)
                             : nullptr;
    LuaWork::Arguments arguments{textArgument(L, 1), textArgument(L, 2), {}};
    if (config != nullptr) {
        arguments.config.assign(config, length);
    }
    LuaWork::start(std::move(arguments));
    return 0;
}

// setWorkEndHandler(function or nil): called as handler(true) when a worker's script ends,
// handler(false, error) when it fails; with a handler the engine shows no error box.
int setWorkEndHandlerFunction(lua_State* L) {
    lua_settop(L, 1);
    if (!lua_isfunction(L, 1)) {
        lua_pushnil(L);
        lua_replace(L, 1);
    }
    lua_setfield(L, LUA_REGISTRYINDEX, kWorkEndHandler);
    return 0;
}

// waitForWork(): runs the UI thread's loop until every worker has ended (an unattended
// install has no dialog whose loop would do it).
int waitForWorkFunction(lua_State*) {
    SRService::serveUntilWorkersEnd();
    return 0;
}

void registerStartWork(lua_State* L) {
    lua_register(L, "startWork", guarded<startWorkFunction>);
    lua_register(L, "setWorkEndHandler", guarded<setWorkEndHandlerFunction>);
    lua_register(L, "waitForWork", guarded<waitForWorkFunction>);
}

}  // namespace

void LuaWork::NotifyRunable::run() {
    dui::Event event{kWorkerNotify, dui::Direct, reinterpret_cast<std::uintptr_t>(text_), 0, 0};
    raiseApplicationEvent(event);
    answer(static_cast<int32_t>(event.lParam));
}

void LuaWork::NotifyRunable::cancel() {
    answer(0);
}

void LuaWork::NotifyRunable::answer(int32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = value;
    answered_ = true;
    done_.notify_all();
}

int32_t LuaWork::NotifyRunable::waitForAnswer() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return answered_; });
    return answer_;
}

void LuaWork::start(Arguments arguments) {
    ++runningWorkers;
    std::thread worker;
    try {
        worker = std::thread(runWorker, std::move(arguments));
    } catch (const std::system_error& failure) {
        // Nothing may unwind into Lua: the work is reported as not started.
        --runningWorkers;
        debugOutput(std::string("startWork: no thread: ") + failure.what());
        return;
    }
    SRService::addThread(std::move(worker));
}

int32_t LuaWork::notify(const char* text) {
    auto notification = std::make_shared<NotifyRunable>(text);
    SRService::post(notification);  // a refusal answers 0 at once
    return notification->waitForAnswer();
}

int LuaWork::runningCount() {
    return runningWorkers.load();
}

void installBackgroundWork() {
    ScriptHost::instance().addRegistrar(registerStartWork);
}

}  // namespace tamlo::script
