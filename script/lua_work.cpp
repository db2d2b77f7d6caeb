#include "script/lua_work.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include <lua.hpp>

#include "dui/core/event.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/os/file_operations.h"
#include "platform/text_encoding.h"
#include "platform/win32_constants.h"
#include "resources/file_system.h"
#include "resources/package_reader.h"
#include "runtime/ui_context.h"
#include "script/budgeted_state.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/protected_call.h"
#include "script/script_host.h"
#include "script/system_functions.h"
#include "script/ui_message_box.h"

namespace tamlo::script {
namespace {

constexpr int32_t kWorkerNotify = 1024;
// Lent payload pages are given back behind the decoder once this much is past.
constexpr size_t kReleaseStep = 8u << 20;

std::atomic<int> runningWorkers{0};

// A worker's error box is shown by the UI thread; the worker waits until it is closed.
void showWorkerError(const std::string& message) {
    showMessageBoxFromAnyThread(utf8ToUtf16(message), u"错误", win32::MB_OK);
}

// The payload of one worker: lent by the file system when it can, else a copy of its own.
class Payload {
  public:
    Payload(FileSystem* files, const std::u16string& name) : files_(files) {
        if (files_ == nullptr) {
            return;
        }
        size_t size = 0;
        const uint8_t* bytes = files_->lend(name, size);
        if (bytes == nullptr) {
            int length = 0;
            copy_ = files_->read(name, length);
            bytes = copy_;
            size = copy_ != nullptr ? static_cast<size_t>(length) : 0;
        }
        if (bytes != nullptr) {
            bytes_ = bytes;
            reader_ = std::make_unique<PackageReader>(bytes, size);
        }
    }
    ~Payload() {
        reader_.reset();
        if (copy_ != nullptr) {
            files_->free(copy_);
        }
    }
    Payload(const Payload&) = delete;
    Payload& operator=(const Payload&) = delete;

    bool readable() const { return reader_ != nullptr && !reader_->damaged(); }

    // Streams the entry into a new file that replaces `path` only once it is whole.
    bool extract(std::u16string entryName, const std::u16string& path) {
        std::replace(entryName.begin(), entryName.end(), u'\\', u'/');
        const PackageEntry* entry = readable() ? reader_->find(entryName) : nullptr;
        if (entry == nullptr) {
            return false;  // the path is left alone
        }
        files::ReplacingFile output;
        if (!output.open(files::normalizeSeparators(utf16ToUtf8(path)))) {
            return false;
        }
        const size_t blockStart = entry->dataOffset;
        const uint64_t unpacked = entry->size();
        uint64_t written = 0;
        size_t released = 0;
        auto sink = [&](const uint8_t* data, size_t size) {
            if (!output.write(data, size)) {
                return false;
            }
            written += size;
            // The decoder has read about this share of the block; what lies well behind it
            // is not read again.
            const auto consumed = static_cast<size_t>(
                unpacked == 0 ? 0 : entry->storedSize * (written / static_cast<double>(unpacked)));
            if (consumed > released + 2 * kReleaseStep) {
                const size_t upTo = consumed - kReleaseStep;
                files_->releaseLent(bytes_, blockStart + released, upTo - released);
                released = upTo;
            }
            return true;
        };
        std::string error;
        const bool decoded = reader_->extractTo(*entry, sink, &error);
        if (copy_ == nullptr && files_ != nullptr) {
            files_->releaseLent(bytes_, blockStart, entry->storedSize);
        }
        if (!decoded) {
            debugOutput("extractFile: " + utf16ToUtf8(entryName) + ": " + error);
            return false;
        }
        return output.commit();
    }

  private:
    FileSystem* files_;
    const uint8_t* bytes_ = nullptr;
    uint8_t* copy_ = nullptr;
    std::unique_ptr<PackageReader> reader_;
};

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
    auto* payload = static_cast<Payload*>(lua_touserdata(L, lua_upvalueindex(1)));
    bool written = false;
    {
        const std::u16string entry = textArgument(L, 1);
        const std::u16string path = textArgument(L, 2);
        written = payload != nullptr && payload->extract(entry, path);
    }
    lua_pushboolean(L, written ? 1 : 0);
    return 1;
}

int openWorkerState(lua_State* L) {
    // Stack: [1] light userdata -> Payload.
    luaL_openlibs(L);
    lua_register(L, "notifyMessage", guarded<notifyMessageFunction>);
    lua_pushvalue(L, 1);
    lua_pushcclosure(L, guarded<extractFileFunction>, 1);
    lua_setglobal(L, "extractFile");
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
                            Payload& payload) {
    if (files == nullptr) {
        return "no embedded files";
    }
    if (!payload.readable()) {
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
    lua_settop(L, 0);
    closeBudgetedState(L);
    files->free(script);
    return error;
}

void runWorker(LuaWork::Arguments arguments) {
    FileSystem* files = globalFileSystem();
    std::string error;
    {
        Payload payload(files, arguments.package);
        error = runWorkerScript(arguments, files, payload);
    }
    if (!error.empty()) {
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

void registerStartWork(lua_State* L) {
    lua_register(L, "startWork", guarded<startWorkFunction>);
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
