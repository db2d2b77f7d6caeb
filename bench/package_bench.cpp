// Package extraction speed against liblzma alone, indexing time of a large directory,
// and the peak memory of `tamlo-pack extract` on one very large entry.
#include <benchmark/benchmark.h>
#include <lzma.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "authoring/package_writer.h"
#include "bench/figure_reporter.h"
#include "resources/package_reader.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMixedTotal = 64u << 20;
constexpr size_t kMixedEntry = 1u << 20;
constexpr size_t kIndexEntries = 100000;
constexpr size_t kHugeEntry = 512u << 20;

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

// Text-like entries (words with numbers) alternate with binary-like ones (structured
// records with noisy fields), so the decoder sees both long matches and many literals.
void fillMixed(std::vector<uint8_t>& out, size_t size, uint32_t seed, bool text) {
    static const char* kWords[] = {"install", "folder", "progress", "window",  "button",
                                   "skin",    "layout", "registry", "payload", "shortcut"};
    std::mt19937 random(seed);
    out.clear();
    out.reserve(size);
    while (out.size() < size) {
        if (text) {
            const char* word = kWords[random() % 10];
            out.insert(out.end(), word, word + std::strlen(word));
            out.push_back(random() % 7 == 0 ? '\n' : ' ');
            if (random() % 5 == 0) {
                std::string number = std::to_string(random() % 100000);
                out.insert(out.end(), number.begin(), number.end());
                out.push_back(' ');
            }
        } else {
            uint32_t record[4] = {0x4D5A9000u, static_cast<uint32_t>(out.size()),
                                  static_cast<uint32_t>(random() & 0xFFF),
                                  static_cast<uint32_t>(random())};
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
            out.insert(out.end(), bytes, bytes + sizeof record);
        }
    }
    out.resize(size);
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writePackage(const std::string& path, size_t entries, size_t entrySize, uint32_t preset,
                  bool store) {
    tamlo::PackageWriteOptions options;
    options.preset = preset;
    tamlo::PackageWriter writer(options);
    std::string error;
    std::vector<uint8_t> data;
    bool ok = writer.open(path, &error);
    for (size_t i = 0; ok && i < entries; ++i) {
        fillMixed(data, entrySize, static_cast<uint32_t>(i), i % 2 == 0);
        char name[64];
        std::snprintf(name, sizeof name, "dir%03zu/entry%06zu.dat", i % 500, i);
        std::u16string wide(name, name + std::strlen(name));
        ok = writer.addBuffer(wide, data.data(), data.size(), store, &error);
    }
    if (!ok || !writer.finish(&error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
        std::exit(1);
    }
}

const std::vector<uint8_t>& mixedPackage() {
    static std::vector<uint8_t> bytes = [] {
        std::string path = scratch() + "/mixed.lz";
        writePackage(path, kMixedTotal / kMixedEntry, kMixedEntry, 1, false);
        return readAll(path);
    }();
    return bytes;
}

const std::vector<uint8_t>& manyEntriesPackage() {
    static std::vector<uint8_t> bytes = [] {
        std::string path = scratch() + "/many.lz";
        writePackage(path, kIndexEntries, 16, 0, true);
        return readAll(path);
    }();
    return bytes;
}

// The peer: liblzma's one-call raw decoder on the same entry stream.
bool decodeWithLiblzma(const uint8_t* package, const tamlo::PackageEntry& entry, uint8_t* out) {
    const uint8_t* block = package + entry.dataOffset;
    if (!entry.compressed()) {
        std::memcpy(out, block, entry.size());
        return true;
    }
    lzma_options_lzma options{};
    const uint32_t packed = block[0];
    options.lc = packed % 9;
    options.lp = packed / 9 % 5;
    options.pb = packed / 45;
    options.dict_size =
        block[1] | block[2] << 8 | block[3] << 16 | static_cast<uint32_t>(block[4]) << 24;
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    options.ext_size_low = entry.unpackedSize;
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    size_t inPos = 0;
    size_t outPos = 0;
    return lzma_raw_buffer_decode(filters, nullptr, block + 5, &inPos, entry.storedSize - 5, out,
                                  &outPos, entry.size()) == LZMA_OK &&
           outPos == entry.size();
}

// Our extraction and the peer take turns entry by entry, so load from elsewhere on the
// machine falls on both alike.
void BM_ExtractAgainstLiblzma(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::vector<uint8_t>& package = mixedPackage();
    tamlo::PackageReader reader(package.data(), package.size());
    Clock::duration ours{};
    Clock::duration peer{};
    double bytes = 0;
    for (auto _ : state) {
        for (const tamlo::PackageEntry& entry : reader.entries()) {
            const Clock::time_point start = Clock::now();
            int size = 0;
            uint8_t* extracted = reader.extract(entry.name, &size);
            const Clock::time_point middle = Clock::now();
            uint8_t* direct = static_cast<uint8_t*>(std::malloc(entry.size()));
            bool decoded = decodeWithLiblzma(package.data(), entry, direct);
            const Clock::time_point end = Clock::now();
            benchmark::DoNotOptimize(extracted);
            benchmark::DoNotOptimize(direct);
            bool same = extracted != nullptr && decoded &&
                        std::memcmp(extracted, direct, entry.size()) == 0;
            std::free(extracted);
            std::free(direct);
            if (!same) {
                state.SkipWithError("extraction failed or differs from liblzma");
                return;
            }
            ours += middle - start;
            peer += end - middle;
            bytes += size;
        }
    }
    const double oursSeconds = std::chrono::duration<double>(ours).count();
    const double peerSeconds = std::chrono::duration<double>(peer).count();
    state.counters["package_MBps"] = bytes / oursSeconds / 1e6;
    state.counters["liblzma_MBps"] = bytes / peerSeconds / 1e6;
    state.counters["ratio"] = peerSeconds / oursSeconds;
}

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void BM_Index100kEntries(benchmark::State& state) {
    const std::vector<uint8_t>& package = manyEntriesPackage();
    double best = 1e9;
    for (auto _ : state) {
        const double start = threadCpuMilliseconds();
        tamlo::PackageReader reader(package.data(), package.size());
        const double end = threadCpuMilliseconds();
        if (reader.entries().size() != kIndexEntries) {
            state.SkipWithError("wrong entry count");
            return;
        }
        benchmark::DoNotOptimize(reader.entries().data());
        best = std::min(best, end - start);
    }
    // CPU time of the fastest run: what the indexing itself costs, whatever else the
    // machine is doing at the time.
    state.counters["best_cpu_ms"] = best;
}

// Peak memory of a child process, measured by a fresh small process: a child forked or
// spawned from this (large) process would have this process's peak counted as its own.
constexpr char kMeasureFlag[] = "--measure-peak-rss";

int measurePeakRss(char** command) {
    pid_t child = fork();
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

// Runs `tamlo-pack extract` on a package of one 512 MiB entry; reports its peak RSS.
void BM_ExtractHugeEntryPeakMemory(benchmark::State& state) {
    const std::string package = scratch() + "/huge.lz";
    if (!fs::exists(package)) {
        writePackage(package, 1, kHugeEntry, 0, false);
    }
    const std::string tool = std::string(TAMLO_BINARY_DIR) + "/tamlo-pack";
    const std::string target = scratch() + "/huge-out";
    const std::string command = "'" + fs::read_symlink("/proc/self/exe").string() + "' " +
                                kMeasureFlag + " '" + tool + "' extract '" + package + "' -C '" +
                                target + "'";
    double peakMiB = 0;
    for (auto _ : state) {
        fs::remove_all(target);
        std::FILE* pipe = popen(command.c_str(), "r");
        long kib = -1;
        if (pipe == nullptr || std::fscanf(pipe, "%ld", &kib) != 1 || pclose(pipe) != 0) {
            state.SkipWithError("tamlo-pack extract failed");
            return;
        }
        peakMiB = static_cast<double>(kib) / 1024.0;
        if (fs::file_size(target + "/dir000/entry000000.dat") != kHugeEntry) {
            state.SkipWithError("wrong extracted size");
            return;
        }
    }
    fs::remove_all(target);
    state.counters["peak_rss_MiB"] = peakMiB;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kHugeEntry);
}

BENCHMARK(BM_ExtractAgainstLiblzma)->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_Index100kEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractHugeEntryPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], kMeasureFlag) == 0) {
        return measurePeakRss(argv + 2);
    }
    benchmark::Initialize(&argc, argv);
    tamlo::bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& r = reporter.byFunction;
    std::printf("\nsummary\n");
    if (r.count("BM_ExtractAgainstLiblzma")) {
        auto& c = r["BM_ExtractAgainstLiblzma"].counters;
        std::printf(
            "extraction of 64 MiB mixed package: %.1f MB/s; liblzma directly: %.1f MB/s; "
            "ratio %.3f (goal >= 0.95)\n",
            c["package_MBps"], c["liblzma_MBps"], c["ratio"]);
    }
    if (r.count("BM_Index100kEntries")) {
        std::printf(
            "indexing 100,000 entries: %.2f ms mean wall time, %.2f ms CPU time at best "
            "(goal < 30 ms)\n",
            r["BM_Index100kEntries"].realTime, r["BM_Index100kEntries"].counters["best_cpu_ms"]);
    }
    if (r.count("BM_ExtractHugeEntryPeakMemory")) {
        std::printf("tamlo-pack extract, one 512 MiB entry: peak RSS %.1f MiB (goal < 32 MiB)\n",
                    r["BM_ExtractHugeEntryPeakMemory"].counters["peak_rss_MiB"]);
    }
    std::error_code ignored;
    fs::remove_all(scratch(), ignored);
    benchmark::Shutdown();
    return 0;
}
