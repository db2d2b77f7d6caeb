// A list box of 10,000 rows with the demo's skin: its layout (goal: under 10 ms), and one
// wheel notch from the injected input to the repainted frame of its headless window (goal:
// under 2 ms). Each figure is printed with its ratio to the goal.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/demo_page.h"
#include "dui/controls/list_box.h"
#include "dui/controls/scroll_bar.h"
#include "platform/headless/input.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/native_window.h"
#include "runtime/ui_context.h"
#include "window/window_impl.h"

namespace {

using namespace tamlo;

constexpr int kRows = 10000;
constexpr double kLayoutGoalMs = 10.0;
constexpr double kWheelGoalMs = 2.0;

struct ListPage {
    bool ready = false;
    dui::StyleSet styles;
    WindowImpl* window = nullptr;
    dui::ListBox* list = nullptr;

    void start() {
        dui::Control* welcome = bench::startDemoPage(styles);
        if (welcome == nullptr) {
            return;
        }
        delete welcome;
        dui::Control* root = dui::buildLayout(
            "<Window initSize=\"400,500\"><ListBox id=\"1\" style=\"ComboDropped_Bkgnd.xml\" "
            "itemHeight=\"24\" width=\"300\" height=\"480\"/></Window>",
            u"list.xml");
        auto* rows = root == nullptr ? nullptr : dynamic_cast<dui::Panel*>(root);
        list = rows == nullptr ? nullptr : dynamic_cast<dui::ListBox*>(rows->firstChild());
        if (list == nullptr) {
            delete root;
            return;
        }
        for (int i = 0; i < kRows; ++i) {
            list->addItem(u"第 " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                          u" 项");
        }
        window = bench::openDemoWindow(root);
        if (window == nullptr) {
            return;
        }
        platform::headless::moveMouseTo(window->handle(), platform::Point{100, 100});
        platform::pumpPendingMessages();
        ready = list->verticalBar() != nullptr;
    }

    void stop() { bench::stopDemoPage(window); }
};

ListPage& page() {
    static ListPage instance;
    return instance;
}

double layoutMs = 0;
double wheelMs = 0;

void BM_LayoutTenThousandRows(benchmark::State& state) {
    ListPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the list could not be shown");
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        p.window->root()->measure(400, 500);
        p.window->root()->arrange(Rect{0, 0, 400, 500});
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    layoutMs = seconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["ms"] = layoutMs;
    state.counters["vs_goal"] = layoutMs / kLayoutGoalMs;
}
BENCHMARK(BM_LayoutTenThousandRows)->Unit(benchmark::kMicrosecond);

void BM_WheelNotchToFrame(benchmark::State& state) {
    ListPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the list could not be shown");
        return;
    }
    bool down = false;
    double seconds = 0;
    for (auto _ : state) {
        down = !down;
        const auto start = std::chrono::steady_clock::now();
        platform::headless::turnWheel(down ? -1 : 1);
        platform::pumpPendingMessages();  // the wheel, the posted move, the repaint
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    wheelMs = seconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["ms"] = wheelMs;
    state.counters["vs_goal"] = wheelMs / kWheelGoalMs;
}
BENCHMARK(BM_WheelNotchToFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    page().start();
    benchmark::RunSpecifiedBenchmarks();
    if (layoutMs > 0 && wheelMs > 0) {
        std::printf(
            "10,000-row list: layout %.2f ms (goal %.0f ms, ratio %.2f); wheel notch to "
            "frame %.3f ms (goal %.0f ms, ratio %.2f)\n",
            layoutMs, kLayoutGoalMs, layoutMs / kLayoutGoalMs, wheelMs, kWheelGoalMs,
            wheelMs / kWheelGoalMs);
    }
    page().stop();
    benchmark::Shutdown();
    return 0;
}
