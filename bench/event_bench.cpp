// The cost of raising a bubbling event through a 10-deep control tree with three
// handlers per level, against the same 30 handlers called directly in a loop.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/figure_reporter.h"
#include "dui/core/control.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"

namespace {

using namespace tamlo;
using namespace tamlo::dui;

constexpr int kDepth = 10;
constexpr int kHandlersPerLevel = 3;

class BenchWindow : public HostWindow {
  public:
    void registerControlId(int32_t, Control*) override {}
    void forgetControl(Control*) override {}
    Rect clientRect() const override { return {0, 0, 800, 600}; }
    void invalidateRect(const Rect&) override {}
    void requestRepaint(bool) override {}
    Point cursorPosition() const override { return {}; }
};

void countCall(void* target, Control*, Event&) {
    ++*static_cast<uint64_t*>(target);
}

void BM_BubbleThroughTenLevels(benchmark::State& state) {
    BenchWindow window;
    uint64_t calls = 0;
    auto* root = new Panel();
    Control* leaf = root;
    Panel* parent = root;
    for (int level = 1; level < kDepth; ++level) {
        Control* next = level + 1 < kDepth ? static_cast<Control*>(new Panel()) : new Control();
        parent->addChild(next);
        leaf = next;
        if (level + 1 < kDepth) {
            parent = next->asPanel();
        }
    }
    for (Control* node = leaf; node != nullptr; node = node->parent()) {
        for (int i = 0; i < kHandlersPerLevel; ++i) {
            node->addHandler(EventCode::MouseMove, &calls, &countCall);
        }
    }
    root->attach(&window);
    for (auto _ : state) {
        Event event{EventCode::MouseMove, Bubble, 0, 0, 0};
        leaf->raiseEvent(event);
        benchmark::DoNotOptimize(event);
    }
    if (calls != static_cast<uint64_t>(state.iterations()) * kDepth * kHandlersPerLevel) {
        state.SkipWithError("a handler was missed");
    }
    root->detach();
    delete root;
}
BENCHMARK(BM_BubbleThroughTenLevels)->Unit(benchmark::kNanosecond);

// The peer: the same handlers as plain indirect calls, with no route and no tree walk.
void BM_ThirtyDirectCalls(benchmark::State& state) {
    uint64_t calls = 0;
    std::vector<HandlerFunction> handlers(kDepth * kHandlersPerLevel, &countCall);
    benchmark::DoNotOptimize(handlers.data());
    for (auto _ : state) {
        Event event{EventCode::MouseMove, Bubble, 0, 0, 0};
        for (HandlerFunction handler : handlers) {
            if (event.handled != 0) {
                break;
            }
            handler(&calls, nullptr, event);
        }
        benchmark::DoNotOptimize(event);
    }
    benchmark::DoNotOptimize(calls);
}
BENCHMARK(BM_ThirtyDirectCalls)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double bubble = reporter.byName["BM_BubbleThroughTenLevels"].cpuTime;
    const double direct = reporter.byName["BM_ThirtyDirectCalls"].cpuTime;
    if (bubble > 0 && direct > 0) {
        std::printf("bubbling event, 10 levels x 3 handlers: %.1f ns CPU per raise\n", bubble);
        std::printf("ratio to 30 direct handler calls (%.1f ns): %.2fx\n", direct, bubble / direct);
    }
    benchmark::Shutdown();
    return 0;
}
