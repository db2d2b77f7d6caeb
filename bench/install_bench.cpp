// An installation through the worker script against `tamlo-pack extract` of the same
// package, the notifyMessage round trip with the dialog idle, the engine's peak memory on
// one very large entry, and hover latency on the dialog while a worker notifies at 1 kHz.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <lua.hpp>

#include "authoring/package_writer.h"
#include "bench/demo_page.h"
#include "bench/figure_reporter.h"
#include "platform/debug_sink.h"
#include "platform/headless/backend.h"
#include "platform/headless/input.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/native_window.h"
#include "resources/file_system.h"
#include "runtime/run_queue.h"
#include "script/engine_bindings.h"
#include "script/lua_window.h"
#include "script/lua_work.h"
#include "script/script_host.h"
#include "window/window_impl.h"

namespace {

namespace fs = std::filesystem;
using namespace tamlo;
using Clock = std::chrono::steady_clock;

constexpr size_t kSmallFilesTotal = 32u << 20;
constexpr size_t kLargeFile = 32u << 20;
constexpr size_t kHugeEntry = 512u << 20;
constexpr int kInstallRounds = 4;
// The loop sees a worker's end on a 10 ms tick: over this many trips that is 0.2 us each.
constexpr int kRoundTrips = 50000;
constexpr int kHoverBlocks = 16;
constexpr int kHoverBlockSamples = 250;

constexpr char kMeasureFlag[] = "--measure-peak-rss";
constexpr char kInstallChildFlag[] = "--install-child";

// The worker script: every file is one extractFile and one notifyMessage.
constexpr char kInstallScript[] = R"(
createDirectory(config.root)
for _, folder in ipairs(config.folders) do
    createDirectory(config.root .. "/" .. folder)
end
for _, name in ipairs(config.names) do
    if not extractFile(name, config.root .. "/" .. name) then
        error("cannot write " .. name)
    end
    notifyMessage(name)
end
)";

constexpr char kNotifyScript[] = R"(
for i = 1, config.count do
    notifyMessage("progress")
end
)";

// The dialog's side: a message handler that counts and answers 0.
constexpr char kDialogChunk[] = R"(
notified = 0
dialog = benchDialog()
dialog:setMessageHandler(function(text)
    notified = notified + 1
    return 0
end)
)";

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::string scratch() {
    static std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tamlo-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        return pattern;
    }();
    return path;
}

long vmHighWaterKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Embedded files: scripts from memory, and the payload package lent from a read-only
// mapping as the installer's own bundle lends it, so memory stays flat.
class BenchFileSystem : public FileSystem {
  public:
    std::map<std::u16string, std::string> scripts;

    bool mapPackage(const std::string& path) {
        unmapPackage();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0 || info.st_size == 0) {
            if (fd >= 0) {
                ::close(fd);
            }
            return false;
        }
        void* bytes =
            mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (bytes == MAP_FAILED) {
            return false;
        }
        package_ = static_cast<uint8_t*>(bytes);
        packageSize_ = static_cast<size_t>(info.st_size);
        return true;
    }

    void unmapPackage() {
        if (package_ != nullptr) {
            munmap(package_, packageSize_);
            package_ = nullptr;
            packageSize_ = 0;
        }
    }

    uint8_t* read(const std::u16string& name, int& size) override {
        const std::string* text = nullptr;
        auto found = scripts.find(name);
        if (found != scripts.end()) {
            text = &found->second;
        }
        const uint8_t* bytes = text != nullptr ? reinterpret_cast<const uint8_t*>(text->data())
                                               : (name == u"program.lz" ? package_ : nullptr);
        const size_t length = text != nullptr ? text->size() : packageSize_;
        if (bytes == nullptr) {
            return nullptr;
        }
        auto* buffer = static_cast<uint8_t*>(std::malloc(length + 4));
        if (buffer == nullptr) {
            return nullptr;
        }
        std::memcpy(buffer, bytes, length);
        std::memset(buffer + length, 0, 4);
        size = static_cast<int>(length);
        return buffer;
    }

    void free(uint8_t* buffer) override { std::free(buffer); }

    const uint8_t* lend(const std::u16string& name, size_t& size) override {
        if (name != u"program.lz" || package_ == nullptr) {
            return nullptr;
        }
        size = packageSize_;
        return package_;
    }

    // Only whole pages inside the range go: a page shared with a neighbour is kept.
    void releaseLent(const uint8_t* bytes, size_t offset, size_t length) override {
        if (bytes != package_ || package_ == nullptr || offset >= packageSize_) {
            return;
        }
        length = std::min(length, packageSize_ - offset);
        const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        const uintptr_t begin = reinterpret_cast<uintptr_t>(package_ + offset);
        const uintptr_t start = (begin + page - 1) / page * page;
        const uintptr_t end = (begin + length) / page * page;
        if (end > start) {
            madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
        }
    }

  private:
    uint8_t* package_ = nullptr;
    size_t packageSize_ = 0;
};

void noTick(platform::WindowHandle, uint32_t, std::uintptr_t, uint64_t) {}

// The engine as an installer runs it: the demo dialog shown headless on a real clock, the
// run queue, the UI context and the script host with the engine's bindings.
class Engine {
  public:
    BenchFileSystem files;
    WindowImpl* window = nullptr;
    Rect button;
    std::vector<std::string> errors;  // message boxes the worker raised

    static Engine& instance() {
        static Engine engine;
        return engine;
    }

    bool start() {
        dui::Control* root = bench::startDemoPage(styles_);
        if (root == nullptr) {
            return failed("the demo page could not be built");
        }
        // Diagnostics stay visible, but not the echo of every worker's long config.
        setDebugEcho(false);
        setDebugHook([](const std::string& line) {
            if (line.rfind("config = ", 0) != 0) {
                std::fprintf(stderr, "debug: %s\n", line.c_str());
            }
        });
        platform::setMessageBoxResponder([this](const platform::MessageBoxRequest& request) {
            errors.push_back(utf16ToUtf8(request.caption) + ": " + utf16ToUtf8(request.text));
            return 1;
        });
        window = new WindowImpl();
        window->setRoot(root);
        if (!window->create(0, 0, 0, 0, 0, 0, 0)) {
            delete window;
            window = nullptr;
            return failed("the dialog window could not be created");
        }
        platform::showWindow(window->handle(), win32::SW_SHOWNORMAL);
        platform::pumpPendingMessages();
        dui::Control* install = window->controlById(202);
        if (install == nullptr || !install->absoluteRect(button)) {
            return failed("the dialog has no button 202");
        }
        if (!SRService::start()) {
            return failed("the run queue did not start");
        }
        setGlobalFileSystem(&files);
        files.scripts[u"install.lua"] = kInstallScript;
        files.scripts[u"notify.lua"] = kNotifyScript;
        script::installEngineBindings();
        script::ScriptHost::instance().addRegistrar(
            [](lua_State* L) { lua_register(L, "benchDialog", dialogGlobal); });
        if (!script::ScriptHost::instance().start()) {
            return failed("the script host did not start");
        }
        ready_ = runChunk(kDialogChunk);
        return ready_;
    }

    bool ready() const { return ready_; }

    void stop() {
        if (window != nullptr) {
            window->destroy();
            window = nullptr;
        }
        script::ScriptHost::instance().close();
        SRService::stop();
        destroyUiContext();
        setGlobalFileSystem(nullptr);
        files.unmapPackage();
        if (platform::backendStarted()) {
            platform::stopBackend();
        }
        setDebugHook(nullptr);
    }

    bool runChunk(const char* chunk) {
        lua_State* L = script::ScriptHost::instance().state();
        if (luaL_loadstring(L, chunk) != LUA_OK || lua_pcall(L, 0, 0, 0) != LUA_OK) {
            std::fprintf(stderr, "script: %s\n", lua_tostring(L, -1));
            lua_settop(L, 0);
            return false;
        }
        return true;
    }

    // The dialog handler's count of notifications, read in a protected call.
    double notifiedCount() {
        lua_State* L = script::ScriptHost::instance().state();
        lua_pushcfunction(L, [](lua_State* state) {
            lua_getglobal(state, "notified");
            return 1;
        });
        const double count = lua_pcall(L, 0, 1, 0) == LUA_OK ? lua_tonumber(L, -1) : -1;
        lua_settop(L, 0);
        return count;
    }

    // Calls the script's startWork, as UI.lua does.
    bool startWork(const char* scriptName, const std::string& config) {
        lua_State* L = script::ScriptHost::instance().state();
        lua_getglobal(L, "startWork");
        lua_pushstring(L, scriptName);
        lua_pushstring(L, "program.lz");
        lua_pushlstring(L, config.data(), config.size());
        if (lua_pcall(L, 3, 0, 0) != LUA_OK) {
            std::fprintf(stderr, "startWork: %s\n", lua_tostring(L, -1));
            lua_settop(L, 0);
            return false;
        }
        return true;
    }

    // The dialog's message loop until `done` holds; a thread timer bounds each wait so the
    // loop sees a worker that ended without a last message.
    void pumpUntil(const std::function<bool()>& done) {
        const std::uintptr_t tick = platform::setTimer(0, 0, 5, noTick);
        platform::Message message;
        while (!done() && platform::getMessage(message) > 0) {
            platform::translateMessage(message);
            platform::dispatchMessage(message);
        }
        platform::killTimer(0, tick);
    }

    // Runs one worker from startWork to its end; the wall time, or a negative one when it
    // failed.
    double runWorker(const char* scriptName, const std::string& config) {
        errors.clear();
        const Clock::time_point start = Clock::now();
        if (!startWork(scriptName, config)) {
            return -1;
        }
        pumpUntil([] { return script::LuaWork::runningCount() == 0; });
        const double elapsed = seconds(Clock::now() - start);
        for (const std::string& error : errors) {
            std::fprintf(stderr, "worker: %s\n", error.c_str());
        }
        return errors.empty() ? elapsed : -1;
    }

  private:
    static bool failed(const char* reason) {
        std::fprintf(stderr, "engine: %s\n", reason);
        return false;
    }

    static int dialogGlobal(lua_State* L) {
        script::LuaWindow::pushNewWrapper(L, instance().window->handle());
        return 1;
    }

    dui::StyleSet styles_;
    bool ready_ = false;
};

// ---- payloads ----

// Text-like (words and numbers) or binary-like (records with noisy fields) bytes.
void fillPayload(std::vector<uint8_t>& out, size_t size, uint32_t seed, bool text) {
    static const char* kWords[] = {"setup",  "folder", "value", "window",  "button",
                                   "string", "layout", "entry", "payload", "module"};
    std::mt19937 random(seed);
    out.clear();
    out.reserve(size + 32);
    while (out.size() < size) {
        if (text) {
            const char* word = kWords[random() % 10];
            out.insert(out.end(), word, word + std::strlen(word));
            out.push_back(random() % 9 == 0 ? '\n' : ' ');
            if (random() % 4 == 0) {
                const std::string number = std::to_string(random() % 65536);
                out.insert(out.end(), number.begin(), number.end());
                out.push_back(' ');
            }
        } else {
            const uint32_t record[4] = {0x00905A4Du, static_cast<uint32_t>(out.size() >> 4),
                                        static_cast<uint32_t>(random() & 0xFF),
                                        static_cast<uint32_t>(random())};
            const auto* bytes = reinterpret_cast<const uint8_t*>(record);
            out.insert(out.end(), bytes, bytes + sizeof record);
        }
    }
    out.resize(size);
}

struct Payload {
    std::string package;
    std::vector<std::string> folders;
    std::vector<std::string> names;
    std::vector<uint64_t> sizes;
    uint64_t bytes = 0;
};

// Many small files of 4..160 KiB in a few folders, text and binary, and one 32 MiB file.
const Payload& mixedPayload() {
    static Payload payload = [] {
        Payload p;
        p.package = scratch() + "/mixed.lz";
        p.folders = {"app", "media"};
        for (int i = 0; i < 8; ++i) {
            p.folders.push_back("app/part" + std::to_string(i));
        }
        std::mt19937 random(7);
        size_t small = 0;
        for (int i = 0; small < kSmallFilesTotal; ++i) {
            const size_t size =
                std::min<size_t>((4u << 10) + random() % (156u << 10), kSmallFilesTotal - small);
            const bool text = i % 2 == 0;
            p.names.push_back("app/part" + std::to_string(i % 8) + "/file" + std::to_string(i) +
                              (text ? ".txt" : ".bin"));
            p.sizes.push_back(size);
            small += size;
        }
        p.names.push_back("media/large.bin");
        p.sizes.push_back(kLargeFile);

        PackageWriteOptions options;
        options.preset = 1;  // decoding speed barely depends on it; building stays quick
        PackageWriter writer(options);
        std::string error;
        std::vector<uint8_t> data;
        bool ok = writer.open(p.package, &error);
        for (size_t i = 0; ok && i < p.names.size(); ++i) {
            fillPayload(data, p.sizes[i], static_cast<uint32_t>(i), i % 2 == 0);
            ok = writer.addBuffer(utf8ToUtf16(p.names[i]), data.data(), data.size(), false, &error);
            p.bytes += p.sizes[i];
        }
        if (!ok || !writer.finish(&error)) {
            std::fprintf(stderr, "cannot write %s: %s\n", p.package.c_str(), error.c_str());
            std::exit(1);
        }
        return p;
    }();
    return payload;
}

std::string luaString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string installConfig(const std::string& root, const std::vector<std::string>& folders,
                          const std::vector<std::string>& names) {
    std::string config = "{ root = " + luaString(root) + ", folders = {";
    for (const std::string& folder : folders) {
        config += luaString(folder) + ",";
    }
    config += "}, names = {";
    for (const std::string& name : names) {
        config += luaString(name) + ",";
    }
    return config + "} }";
}

// Runs a program and waits for it; true when it exited with 0.
bool runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool sameSizes(const std::string& root, const Payload& p) {
    for (size_t i = 0; i < p.names.size(); ++i) {
        std::error_code error;
        if (fs::file_size(root + "/" + p.names[i], error) != p.sizes[i] || error) {
            return false;
        }
    }
    return true;
}

bool sameContent(const std::string& a, const std::string& b) {
    std::ifstream left(a, std::ios::binary);
    std::ifstream right(b, std::ios::binary);
    return left && right &&
           std::equal(std::istreambuf_iterator<char>(left), {},
                      std::istreambuf_iterator<char>(right), {});
}

// ---- 1. installing through the worker against tamlo-pack extract ----

// The two take turns, so load from elsewhere on the machine falls on both alike.
void BM_InstallAgainstPackTool(benchmark::State& state) {
    Engine& engine = Engine::instance();
    if (!engine.ready()) {
        state.SkipWithError("the engine could not start");
        return;
    }
    const Payload& p = mixedPayload();
    if (!engine.files.mapPackage(p.package)) {
        state.SkipWithError("cannot map the package");
        return;
    }
    const std::string ours = scratch() + "/engine-out";
    const std::string theirs = scratch() + "/pack-out";
    const std::string config = installConfig(ours, p.folders, p.names);
    const std::string tool = std::string(TAMLO_BINARY_DIR) + "/tamlo-pack";
    double oursSeconds = 0;
    double theirsSeconds = 0;
    // The fastest rounds too: the ones least disturbed by other work on the machine.
    double oursBest = 1e9;
    double theirsBest = 1e9;
    int rounds = 0;
    for (auto _ : state) {
        for (int round = 0; round < kInstallRounds; ++round) {
            fs::remove_all(ours);
            fs::remove_all(theirs);
            // Each goes first in turn (ABBA), so a warm cache or a busy spell favours neither.
            double elapsed = 0;
            double toolElapsed = 0;
            bool extracted = false;
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == ((round + round / 2) % 2 == 0)) {
                    elapsed = engine.runWorker("install.lua", config);
                } else {
                    const Clock::time_point start = Clock::now();
                    extracted = runProgram({tool, "extract", p.package, "-C", theirs});
                    toolElapsed = seconds(Clock::now() - start);
                }
            }
            if (elapsed < 0 || !extracted || !sameSizes(ours, p) || !sameSizes(theirs, p)) {
                state.SkipWithError("an installation failed or wrote wrong sizes");
                return;
            }
            if (round == 0) {
                for (const std::string& name : p.names) {
                    if (!sameContent(ours + "/" + name, theirs + "/" + name)) {
                        state.SkipWithError("the worker and tamlo-pack wrote different bytes");
                        return;
                    }
                }
            }
            oursSeconds += elapsed;
            theirsSeconds += toolElapsed;
            oursBest = std::min(oursBest, elapsed);
            theirsBest = std::min(theirsBest, toolElapsed);
            ++rounds;
        }
    }
    fs::remove_all(ours);
    fs::remove_all(theirs);
    engine.files.unmapPackage();
    const double bytes = static_cast<double>(p.bytes) * rounds;
    state.counters["files"] = static_cast<double>(p.names.size());
    state.counters["engine_MBps"] = bytes / oursSeconds / 1e6;
    state.counters["pack_MBps"] = bytes / theirsSeconds / 1e6;
    state.counters["ratio"] = theirsSeconds / oursSeconds;
    state.counters["best_ratio"] = theirsBest / oursBest;
}

// ---- 2. the notifyMessage round trip ----

// The peer: the least any cross-thread question and answer costs, one thread asking and
// another answering through a mutex and a condition variable.
double handOffMicroseconds(int count) {
    std::mutex mutex;
    std::condition_variable changed;
    int asked = 0;
    int answered = 0;
    std::thread answerer([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (int i = 1; i <= count; ++i) {
            changed.wait(lock, [&] { return asked == i; });
            answered = i;
            changed.notify_all();
        }
    });
    const Clock::time_point start = Clock::now();
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (int i = 1; i <= count; ++i) {
            asked = i;
            changed.notify_all();
            changed.wait(lock, [&] { return answered == i; });
        }
    }
    const double elapsed = seconds(Clock::now() - start);
    answerer.join();
    return elapsed / count * 1e6;
}

void BM_NotifyRoundTrip(benchmark::State& state) {
    Engine& engine = Engine::instance();
    if (!engine.ready()) {
        state.SkipWithError("the engine could not start");
        return;
    }
    const Payload& p = mixedPayload();  // any readable package will do
    if (!engine.files.mapPackage(p.package)) {
        state.SkipWithError("cannot map the package");
        return;
    }
    double script = 0;
    double direct = 0;
    double handOff = 0;
    for (auto _ : state) {
        // The worker's start and end are paid once either way; the difference is the trips.
        const double before = engine.notifiedCount();
        const double empty = engine.runWorker("notify.lua", "{ count = 0 }");
        const double full =
            engine.runWorker("notify.lua", "{ count = " + std::to_string(kRoundTrips) + " }");
        if (empty < 0 || full < 0 || engine.notifiedCount() - before != kRoundTrips) {
            state.SkipWithError("the notifying worker failed");
            return;
        }
        script = (full - empty) / kRoundTrips * 1e6;

        // The same queue and handler asked from a plain thread, without the worker's Lua.
        std::atomic<bool> finished{false};
        const Clock::time_point start = Clock::now();
        std::thread asker([&finished] {
            for (int i = 0; i < kRoundTrips; ++i) {
                script::LuaWork::notify("progress");
            }
            finished = true;
        });
        engine.pumpUntil([&finished] { return finished.load(); });
        direct = seconds(Clock::now() - start) / kRoundTrips * 1e6;
        asker.join();

        handOff = handOffMicroseconds(kRoundTrips);
    }
    engine.files.unmapPackage();
    state.counters["script_us"] = script;
    state.counters["direct_us"] = direct;
    state.counters["handoff_us"] = handOff;
    state.counters["ratio"] = script / handOff;
}

// ---- 3. peak memory on one 512 MiB entry ----

// Peak memory of a child process, measured by a fresh small process: a child forked or
// spawned from this (large) process would have this process's peak counted as its own.
int measurePeakRss(char** command) {
    const pid_t child = fork();
    if (child == 0) {
        execv(command[0], command);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        return 1;
    }
    std::printf("%ld\n", usage.ru_maxrss);  // KiB
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// In a fresh process: the engine with its dialog installs the one entry of PKG into DIR
// and prints its peak resident memory before and after the installation (KiB).
int installChild(const char* package, const char* directory, const char* name) {
    Engine& engine = Engine::instance();
    int status = 1;
    const std::string entry = name;
    const std::string folder = entry.substr(0, entry.find_last_of('/') + 1);
    if (engine.start() && engine.files.mapPackage(package)) {
        const long before = vmHighWaterKib();
        const double elapsed =
            engine.runWorker("install.lua", installConfig(directory, {folder}, {name}));
        const long after = vmHighWaterKib();
        if (elapsed >= 0) {
            std::printf("%ld %ld %.3f\n", before, after, elapsed);
            status = 0;
        }
    }
    engine.stop();
    return status;
}

std::string shellQuote(const std::string& text) {
    return "'" + text + "'";
}

// Runs a command whose first output line holds numbers; false when it failed.
bool readNumbers(const std::string& command, int count, double* values) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    int read = 0;
    while (read < count && std::fscanf(pipe, "%lf", &values[read]) == 1) {
        ++read;
    }
    return pclose(pipe) == 0 && read == count;
}

void BM_InstallHugeEntryPeakMemory(benchmark::State& state) {
    const std::string package = scratch() + "/huge.lz";
    const char* entryName = "media/huge.bin";
    if (!fs::exists(package)) {
        // Incompressible bytes, stored: the package is as large as the entry and quick to
        // build. The source is written in pieces so this process stays small too.
        const std::string source = scratch() + "/huge.src";
        {
            std::ofstream out(source, std::ios::binary);
            std::mt19937_64 random(11);
            std::vector<uint64_t> piece((4u << 20) / sizeof(uint64_t));
            for (size_t written = 0; written < kHugeEntry; written += piece.size() * 8) {
                for (uint64_t& word : piece) {
                    word = random();
                }
                out.write(reinterpret_cast<const char*>(piece.data()),
                          static_cast<std::streamsize>(piece.size() * 8));
            }
        }
        PackageWriter writer;
        std::string error;
        const bool ok = writer.open(package, &error) &&
                        writer.addFile(utf8ToUtf16(entryName), source, true, &error) &&
                        writer.finish(&error);
        fs::remove(source);
        if (!ok) {
            state.SkipWithError(("cannot write the package: " + error).c_str());
            return;
        }
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string ours = scratch() + "/huge-engine";
    const std::string theirs = scratch() + "/huge-pack";
    const std::string installCommand = shellQuote(self) + " " + kInstallChildFlag + " " +
                                       shellQuote(package) + " " + shellQuote(ours) + " " +
                                       entryName;
    const std::string packCommand = shellQuote(self) + " " + kMeasureFlag + " " +
                                    shellQuote(std::string(TAMLO_BINARY_DIR) + "/tamlo-pack") +
                                    " extract " + shellQuote(package) + " -C " + shellQuote(theirs);
    double engine[3] = {0, 0, 0};  // baseline KiB, peak KiB, seconds
    double pack = 0;
    for (auto _ : state) {
        fs::remove_all(ours);
        const bool installed = readNumbers(installCommand, 3, engine);
        std::error_code error;
        const bool whole = fs::file_size(ours + "/" + entryName, error) == kHugeEntry && !error;
        fs::remove_all(ours);
        fs::remove_all(theirs);
        const bool extracted = readNumbers(packCommand, 1, &pack);
        const bool packWhole =
            fs::file_size(theirs + "/" + entryName, error) == kHugeEntry && !error;
        fs::remove_all(theirs);
        if (!installed || !whole || !extracted || !packWhole) {
            state.SkipWithError("an installation of the large entry failed");
            return;
        }
    }
    fs::remove(package);
    state.counters["engine_idle_MiB"] = engine[0] / 1024.0;
    state.counters["engine_peak_MiB"] = engine[1] / 1024.0;
    state.counters["engine_MBps"] = static_cast<double>(kHugeEntry) / engine[2] / 1e6;
    state.counters["pack_peak_MiB"] = pack / 1024.0;
    state.counters["ratio"] = engine[1] / pack;
}

// ---- 4. hover latency while a worker notifies at 1 kHz ----

struct HoverFigures {
    double meanUs = 0;
    double medianUs = 0;
    double p99Us = 0;
};

HoverFigures summarise(std::vector<double> samples) {
    HoverFigures figures;
    for (double sample : samples) {
        figures.meanUs += sample / static_cast<double>(samples.size());
    }
    std::sort(samples.begin(), samples.end());
    figures.medianUs = samples[samples.size() / 2];
    figures.p99Us = samples[samples.size() * 99 / 100];
    return figures;
}

// As input_bench measures it: the injected move, then the pump that handles the move, the
// repaint request and WM_PAINT (and whatever notifications wait ahead of them); here each
// sample is timed on its own.
void hoverSamples(Engine& engine, int count, std::vector<double>& samples) {
    const platform::Point on{(engine.button.left + engine.button.right) / 2,
                             (engine.button.top + engine.button.bottom) / 2};
    const platform::Point off{engine.button.left - 40,
                              (engine.button.top + engine.button.bottom) / 2};
    bool inside = false;
    for (int i = 0; i < count; ++i) {
        inside = !inside;
        const Clock::time_point start = Clock::now();
        platform::headless::moveMouseTo(engine.window->handle(), inside ? on : off);
        platform::pumpPendingMessages();
        samples.push_back(seconds(Clock::now() - start) * 1e6);
    }
}

// Notifications through LuaWork::notify, the path a worker's notifyMessage takes, paced to
// 1,000 a second by deadline.
class Notifier {
  public:
    Notifier() : thread_([this] { run(); }) {}
    ~Notifier() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // The notifier may be waiting for an answer, so the dialog pumps until it has ended.
    // Notifications sent and the seconds they took.
    std::pair<double, double> finish(Engine& engine) {
        stop_ = true;
        engine.pumpUntil([this] { return finished_.load(); });
        thread_.join();
        return {static_cast<double>(sent_), seconds(end_ - start_)};
    }

  private:
    void run() {
        start_ = Clock::now();
        Clock::time_point next = start_;
        while (!stop_) {
            script::LuaWork::notify("{ code = 1, done = 1, total = 2, file = \"app/a.bin\" }");
            ++sent_;
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
        end_ = Clock::now();
        finished_ = true;
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    int sent_ = 0;
    Clock::time_point start_;
    Clock::time_point end_;
    std::thread thread_;
};

void BM_HoverUnderNotifications(benchmark::State& state) {
    Engine& engine = Engine::instance();
    if (!engine.ready()) {
        state.SkipWithError("the engine could not start");
        return;
    }
    std::vector<double> idle;
    std::vector<double> busy;
    double sent = 0;
    double busySeconds = 0;
    const double before = engine.notifiedCount();
    for (auto _ : state) {
        // Short blocks in alternating order, so the machine's other load and any drift fall
        // on both alike.
        for (int block = 0; block < 2 * kHoverBlocks; ++block) {
            if ((block + block / 2) % 2 == 0) {
                hoverSamples(engine, kHoverBlockSamples, idle);
                continue;
            }
            Notifier notifier;
            hoverSamples(engine, kHoverBlockSamples, busy);
            const auto [count, elapsed] = notifier.finish(engine);
            sent += count;
            busySeconds += elapsed;
        }
    }
    const HoverFigures quiet = summarise(idle);
    const HoverFigures loaded = summarise(busy);
    state.counters["idle_mean_us"] = quiet.meanUs;
    state.counters["idle_median_us"] = quiet.medianUs;
    state.counters["idle_p99_us"] = quiet.p99Us;
    state.counters["busy_mean_us"] = loaded.meanUs;
    state.counters["busy_median_us"] = loaded.medianUs;
    state.counters["busy_p99_us"] = loaded.p99Us;
    state.counters["notify_per_s"] = sent / busySeconds;
    state.counters["handled"] = engine.notifiedCount() - before;
    state.counters["sent"] = sent;
    state.counters["ratio"] = loaded.meanUs / quiet.meanUs;
}

BENCHMARK(BM_InstallAgainstPackTool)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_NotifyRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_InstallHugeEntryPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HoverUnderNotifications)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], kMeasureFlag) == 0) {
        return measurePeakRss(argv + 2);
    }
    if (argc == 5 && std::strcmp(argv[1], kInstallChildFlag) == 0) {
        return installChild(argv[2], argv[3], argv[4]);
    }
    benchmark::Initialize(&argc, argv);
    Engine::instance().start();
    bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& r = reporter.byFunction;
    std::printf("\nsummary\n");
    if (r.count("BM_InstallAgainstPackTool")) {
        auto& c = r["BM_InstallAgainstPackTool"].counters;
        std::printf(
            "installing 64 MiB in %.0f files through the worker script: %.1f MB/s; "
            "tamlo-pack extract: %.1f MB/s; ratio %.3f, of the fastest rounds %.3f "
            "(goal >= 0.95)\n",
            c["files"], c["engine_MBps"], c["pack_MBps"], c["ratio"], c["best_ratio"]);
    }
    if (r.count("BM_NotifyRoundTrip")) {
        auto& c = r["BM_NotifyRoundTrip"].counters;
        std::printf(
            "notifyMessage round trip, dialog idle: %.1f us; from a plain thread: %.1f us; "
            "a bare thread hand-off: %.1f us; ratio %.2fx\n",
            c["script_us"], c["direct_us"], c["handoff_us"], c["ratio"]);
    }
    if (r.count("BM_InstallHugeEntryPeakMemory")) {
        auto& c = r["BM_InstallHugeEntryPeakMemory"].counters;
        std::printf(
            "installing one 512 MiB entry: engine peak RSS %.1f MiB (%.1f MiB before the "
            "work, %.0f MB/s; goal < 48 MiB); tamlo-pack extract: %.1f MiB; ratio %.2fx\n",
            c["engine_peak_MiB"], c["engine_idle_MiB"], c["engine_MBps"], c["pack_peak_MiB"],
            c["ratio"]);
    }
    if (r.count("BM_HoverUnderNotifications")) {
        auto& c = r["BM_HoverUnderNotifications"].counters;
        std::printf(
            "hover to repainted frame, %.0f notifications/s (%.0f sent, %.0f handled): mean %.1f "
            "us (median %.1f, p99 "
            "%.1f); idle: mean %.1f us (median %.1f, p99 %.1f); ratio %.2fx (goal <= 1.5x)\n",
            c["notify_per_s"], c["sent"], c["handled"], c["busy_mean_us"], c["busy_median_us"],
            c["busy_p99_us"], c["idle_mean_us"], c["idle_median_us"], c["idle_p99_us"], c["ratio"]);
    }
    Engine::instance().stop();
    std::error_code ignored;
    fs::remove_all(scratch(), ignored);
    benchmark::Shutdown();
    return 0;
}
