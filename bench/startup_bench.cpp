// Time to the first frame of an installer whose payload is 1 GiB, against the same installer
// with an empty payload: the payload is checked on a background thread, so the dialog should
// not wait for it (goal: within 1.2x). Each installer is the real `tamlo` program with the
// demo's layouts and skin, run headless as a child; its UI script prints a line from a
// timer that fires once the shown dialog has been painted, and the time to that line is
// the figure. TAMLO_BENCH_PAYLOAD_MIB sets the large payload's size, TAMLO_BENCH_ENGINE
// another engine program (an earlier build, to compare).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "authoring/bundle_writer.h"
#include "authoring/package_builder.h"
#include "authoring/package_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace tamlo;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;

// The medians, for the summary line.
double emptyMedian = 0;
double largeMedian = 0;
constexpr size_t kPieceSize = 256u << 20;  // entries of at most this size

constexpr char kUiScript[] = R"(
local window = createWindow("installer.xml")
-- A timer message comes only once nothing else waits, the first paint included.
window:setTimer(1, function()
    print("first frame")
    window:endDialog(1)
end)
window:centerScreen()
window:showDialog()
)";

size_t payloadMiB() {
    const char* text = std::getenv("TAMLO_BENCH_PAYLOAD_MIB");
    const long value = text != nullptr ? std::atol(text) : 0;
    return value > 0 ? static_cast<size_t>(value) : 1024;
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

// A payload of `bytes` stored (not compressed) bytes, in entries of at most kPieceSize.
bool writePayload(const std::string& path, size_t bytes, std::string* error) {
    PackageWriter writer;
    if (!writer.open(path, error)) {
        return false;
    }
    std::vector<uint8_t> piece(std::min(bytes, kPieceSize));
    uint32_t state = 0x9e3779b9u;
    for (uint8_t& byte : piece) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    for (size_t done = 0, index = 0; done < bytes; ++index) {
        const size_t size = std::min(kPieceSize, bytes - done);
        const std::string name = "part" + std::to_string(index) + ".bin";
        if (!writer.addBuffer(std::u16string(name.begin(), name.end()), piece.data(), size, true,
                              error)) {
            return false;
        }
        done += size;
    }
    return writer.finish(error);
}

// An installer: the engine, the demo's layouts and skin, the timing UI script, a payload.
bool buildInstaller(const std::string& dir, size_t payloadBytes, std::string* error) {
    const std::string demo = std::string(TAMLO_SOURCE_DIR) + "/examples/demo";
    PackageBuildOptions options;
    options.storeGlobs = imageStoreGlobs();
    if (!writeText(dir + "/UI.lua", kUiScript) || !writeText(dir + "/LG.lua", "-- idle\n") ||
        !buildPackageFromDirectory(demo + "/frame", dir + "/frame.lz", options, error) ||
        !buildPackageFromDirectory(demo + "/style", dir + "/style.lz", options, error) ||
        !writePayload(dir + "/program.lz", payloadBytes, error)) {
        return false;
    }
    const char* engine = std::getenv("TAMLO_BENCH_ENGINE");
    const bool written = writeBundle(engine != nullptr ? engine : TAMLO_BINARY_DIR "/tamlo",
                                     {{111, dir + "/UI.lua"},
                                      {113, dir + "/frame.lz"},
                                      {114, dir + "/LG.lua"},
                                      {115, dir + "/program.lz"},
                                      {116, dir + "/style.lz"}},
                                     dir + "/setup", error);
    fs::remove(dir + "/program.lz");
    return written;
}

// Runs the installer headless in private folders; seconds until its "first frame" line, or
// a negative number when it never came.
double timeToFirstFrame(const std::string& dir) {
    const std::string private_ = dir + "/run";
    fs::remove_all(private_);
    fs::create_directories(private_ + "/tmp");
    std::vector<std::string> settings = {
        "TAMLO_PLATFORM=headless",
        "TMPDIR=" + private_ + "/tmp",
        "XDG_DATA_HOME=" + private_ + "/data",
        "HOME=" + private_,
        "TAMLO_INSTANCE_NAME=tamlo-bench-startup-" + std::to_string(getpid()),
        "TAMLO_REGISTRY_DIR=" + private_ + "/registry",
    };
    std::vector<char*> env;
    for (std::string& setting : settings) {
        env.push_back(setting.data());
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string name(*entry, std::strchr(*entry, '=') - *entry);
        if (name != "TAMLO_PLATFORM" && name != "TMPDIR" && name != "XDG_DATA_HOME" &&
            name != "HOME" && name != "TAMLO_INSTANCE_NAME" && name != "TAMLO_REGISTRY_DIR" &&
            name != "DISPLAY") {
            env.push_back(*entry);
        }
    }
    env.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::string program = dir + "/setup";
    char* argv[] = {program.data(), nullptr};
    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    double seconds = -1;
    if (spawned == 0) {
        std::string seen;
        char buffer[4096];
        ssize_t got = 0;
        while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
            seen.append(buffer, static_cast<size_t>(got));
            if (seconds < 0 && seen.find("debug: first frame") != std::string::npos) {
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
            }
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (seconds < 0) {
            std::fprintf(stderr, "the installer printed no first frame:\n%s\n", seen.c_str());
        }
    }
    close(pipeFds[0]);
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_FirstFrameLargeAgainstEmptyPayload(benchmark::State& state) {
    const std::string root =
        fs::temp_directory_path() / ("tamlo-startup-bench-" + std::to_string(getpid()));
    const size_t large = payloadMiB() << 20;
    std::string error;
    fs::create_directories(root + "/empty");
    fs::create_directories(root + "/large");
    if (!buildInstaller(root + "/empty", 0, &error) ||
        !buildInstaller(root + "/large", large, &error)) {
        state.SkipWithError(error.c_str());
        fs::remove_all(root);
        return;
    }
    std::vector<double> empty, full;
    for (auto _ : state) {
        // Alternating, after one warm-up each, so both meet the same machine.
        timeToFirstFrame(root + "/empty");
        timeToFirstFrame(root + "/large");
        for (int round = 0; round < kRounds; ++round) {
            empty.push_back(timeToFirstFrame(root + "/empty"));
            full.push_back(timeToFirstFrame(root + "/large"));
        }
    }
    fs::remove_all(root);
    if (*std::min_element(empty.begin(), empty.end()) < 0 ||
        *std::min_element(full.begin(), full.end()) < 0) {
        state.SkipWithError("an installer showed no frame");
        return;
    }
    state.counters["payload_MiB"] = static_cast<double>(payloadMiB());
    state.counters["empty_ms"] = median(empty) * 1000;
    state.counters["large_ms"] = median(full) * 1000;
    state.counters["ratio"] = median(full) / median(empty);
    emptyMedian = median(empty);
    largeMedian = median(full);
}

BENCHMARK(BM_FirstFrameLargeAgainstEmptyPayload)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (emptyMedian > 0) {
        std::printf(
            "\nsummary\nfirst frame: %zu MiB payload %.0f ms, empty payload %.0f ms (medians of "
            "%d); "
            "ratio %.2fx (goal <= 1.2x)\n",
            payloadMiB(), largeMedian * 1000, emptyMedian * 1000, kRounds,
            largeMedian / emptyMedian);
    }
    return 0;
}
