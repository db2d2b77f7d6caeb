// The cost of moving work onto the UI thread: a posted call round trip, the run queue's
// throughput from a worker thread, and control events (a bubbling raise through a deep
// tree and a posted event round trip). Each figure is printed with its ratio to the
// peer named beside it, measured in the same run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/figure_reporter.h"
#include "dui/core/control.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/posted_call.h"
#include "runtime/run_queue.h"
#include "runtime/ui_context.h"

namespace {

using namespace tamlo;

std::atomic<long> sink{0};

void countCall(void*, std::uintptr_t a1, std::uintptr_t) {
    sink += static_cast<long>(a1);
}

// Peer of the posted call: the same call made in place.
void BM_DirectCall(benchmark::State& state) {
    PostedMethod method = countCall;
    benchmark::DoNotOptimize(method);
    for (auto _ : state) {
        method(nullptr, 1, 0);
    }
}
BENCHMARK(BM_DirectCall);

// Post + pump + run, all on the UI thread.
void BM_PostedCallRoundTrip(benchmark::State& state) {
    createUiContext();
    for (auto _ : state) {
        postCall(nullptr, countCall, 1, 0);
        platform::pumpPendingMessages();
    }
    destroyUiContext();
}
BENCHMARK(BM_PostedCallRoundTrip);

class CountingRunnable : public SRService::IRunable {
  public:
    explicit CountingRunnable(std::atomic<long>& done) : done_(done) {}
    void run() override { ++done_; }

  private:
    std::atomic<long>& done_;
};

constexpr int kBatch = 1000;

// A worker posts a batch of runnables; the UI thread's loop runs them as they come.
void BM_RunQueueFromWorker(benchmark::State& state) {
    SRService::start();
    std::atomic<long> done{0};
    for (auto _ : state) {
        done = 0;
        std::thread worker([&] {
            for (int i = 0; i < kBatch; ++i) {
                SRService::post(std::make_shared<CountingRunnable>(done));
            }
        });
        platform::Message message;
        while (done < kBatch && platform::getMessage(message) > 0) {
            platform::dispatchMessage(message);
        }
        worker.join();
    }
    SRService::stop();
    platform::pumpPendingMessages();
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_RunQueueFromWorker)->UseRealTime();

// Peer of the run queue: a worker posting the same number of calls to the dispatcher.
void BM_PostedCallsFromWorker(benchmark::State& state) {
    createUiContext();
    for (auto _ : state) {
        sink = 0;
        std::thread worker([] {
            for (int i = 0; i < kBatch; ++i) {
                postCall(nullptr, countCall, 1, 0);
            }
        });
        platform::Message message;
        while (sink < kBatch && platform::getMessage(message) > 0) {
            platform::dispatchMessage(message);
        }
        worker.join();
    }
    destroyUiContext();
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_PostedCallsFromWorker)->UseRealTime();

// ---- control events ----

class BenchWindow : public dui::HostWindow {
  public:
    void registerControlId(int32_t, dui::Control*) override {}
    void forgetControl(dui::Control*) override {}
    tamlo::Rect clientRect() const override { return tamlo::Rect{0, 0, 100, 100}; }
    void invalidateRect(const tamlo::Rect&) override {}
    void requestRepaint(bool) override {}
    tamlo::Point cursorPosition() const override { return tamlo::Point{0, 0}; }
};

long handlerCalls = 0;
void countHandler(void*, dui::Control*, dui::Event&) {
    ++handlerCalls;
}

constexpr int kDepth = 10;
constexpr int kHandlersPerLevel = 3;

// A chain of kDepth controls (nine panels and a leaf), three handlers on each.
struct DeepTree {
    DeepTree() {
        root = new dui::Panel();
        dui::Panel* panel = root;
        for (int level = 1; level < kDepth - 1; ++level) {
            auto* child = new dui::Panel();
            panel->addChild(child);
            panel = child;
        }
        leaf = new dui::Control();
        panel->addChild(leaf);
        for (dui::Control* c = leaf; c != nullptr; c = c->parent()) {
            for (int h = 0; h < kHandlersPerLevel; ++h) {
                c->addHandler(dui::EventCode::MouseMove, nullptr, countHandler);
            }
        }
        leaf->addHandler(dui::EventCode::Click, nullptr, countHandler);
        root->attach(&window);
    }
    ~DeepTree() {
        root->detach();
        delete root;
    }

    BenchWindow window;
    dui::Panel* root = nullptr;
    dui::Control* leaf = nullptr;
};

// Peer of the bubbling raise: the same thirty handler calls made in a plain loop.
void BM_ThirtyDirectHandlerCalls(benchmark::State& state) {
    dui::HandlerFunction handler = countHandler;
    benchmark::DoNotOptimize(handler);
    dui::Event event{dui::EventCode::MouseMove, dui::Bubble, 0, 0, 0};
    for (auto _ : state) {
        for (int i = 0; i < kDepth * kHandlersPerLevel; ++i) {
            handler(nullptr, nullptr, event);
        }
    }
}
BENCHMARK(BM_ThirtyDirectHandlerCalls);

void BM_BubblingEventTenDeep(benchmark::State& state) {
    DeepTree tree;
    for (auto _ : state) {
        dui::Event event{dui::EventCode::MouseMove, dui::Bubble, 0, 0, 0};
        tree.leaf->raiseEvent(event);
    }
}
BENCHMARK(BM_BubblingEventTenDeep);

// postEvent + pump + deferred raise of a Direct event at the leaf.
void BM_PostedEventRoundTrip(benchmark::State& state) {
    createUiContext();
    {
        DeepTree tree;
        dui::Event event{dui::EventCode::Click, dui::Direct, 0, 0, 0};
        for (auto _ : state) {
            tree.leaf->postEvent(event);
            platform::pumpPendingMessages();
        }
    }
    destroyUiContext();
}
BENCHMARK(BM_PostedEventRoundTrip);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    platform::createUiQueue(nullptr);
    bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& f = reporter.byName;
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    if (f.count("BM_PostedCallRoundTrip") && f.count("BM_DirectCall")) {
        std::printf("posted call round trip: %.0f ns (%.1fx a direct call)\n",
                    f["BM_PostedCallRoundTrip"].realTime,
                    ratio(f["BM_PostedCallRoundTrip"].realTime, f["BM_DirectCall"].realTime));
    }
    if (f.count("BM_RunQueueFromWorker/real_time") &&
        f.count("BM_PostedCallsFromWorker/real_time")) {
        double runQueue = f["BM_RunQueueFromWorker/real_time"].counters["items_per_second"];
        double posted = f["BM_PostedCallsFromWorker/real_time"].counters["items_per_second"];
        std::printf(
            "run queue from a worker: %.0f runnables/s (%.2fx posted calls from a worker)\n",
            runQueue, ratio(runQueue, posted));
    }
    if (f.count("BM_BubblingEventTenDeep") && f.count("BM_ThirtyDirectHandlerCalls")) {
        std::printf("bubbling event, 10 deep x 3 handlers: %.0f ns (%.1fx thirty direct calls)\n",
                    f["BM_BubblingEventTenDeep"].realTime,
                    ratio(f["BM_BubblingEventTenDeep"].realTime,
                          f["BM_ThirtyDirectHandlerCalls"].realTime));
    }
    if (f.count("BM_PostedEventRoundTrip") && f.count("BM_BubblingEventTenDeep")) {
        std::printf(
            "posted event round trip: %.0f ns (%.1fx the bubbling raise)\n",
            f["BM_PostedEventRoundTrip"].realTime,
            ratio(f["BM_PostedEventRoundTrip"].realTime, f["BM_BubblingEventTenDeep"].realTime));
    }
    benchmark::Shutdown();
    return 0;
}
