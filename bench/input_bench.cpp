// A hover change on the demo welcome page: from the injected mouse move to the repainted
// frame on the (headless) window, against the repaint of the same button alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/demo_page.h"
#include "bench/figure_reporter.h"
#include "dui/loader/layout_loader.h"
#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/headless/input.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/native_window.h"
#include "render/back_buffer.h"
#include "runtime/ui_context.h"
#include "window/paint_entry.h"
#include "window/window_impl.h"

namespace {

using namespace tamlo;

struct HoverPage {
    bool ready = false;
    dui::StyleSet styles;
    WindowImpl* window = nullptr;
    Rect button;

    void start() {
        dui::Control* root = bench::startDemoPage(styles);
        if (root == nullptr) {
            return;
        }
        window = bench::openDemoWindow(root);
        if (window == nullptr) {
            return;
        }
        dui::Control* install = window->controlById(202);
        if (install == nullptr || !install->absoluteRect(button)) {
            return;
        }
        ready = true;
    }

    void stop() { bench::stopDemoPage(window); }
};

HoverPage& page() {
    static HoverPage instance;
    return instance;
}

void BM_HoverMoveToFrame(benchmark::State& state) {
    HoverPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the welcome page could not be shown");
        return;
    }
    const platform::Point on{(p.button.left + p.button.right) / 2,
                             (p.button.top + p.button.bottom) / 2};
    const platform::Point off{p.button.left - 40, (p.button.top + p.button.bottom) / 2};
    bool inside = false;
    for (auto _ : state) {
        inside = !inside;
        platform::headless::moveMouseTo(p.window->handle(), inside ? on : off);
        platform::pumpPendingMessages();  // the move, the repaint request, WM_PAINT
    }
}
BENCHMARK(BM_HoverMoveToFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// The peer: painting the same button's area into a back buffer, no input or messages.
void BM_ButtonRepaintOnly(benchmark::State& state) {
    HoverPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the welcome page could not be shown");
        return;
    }
    render::BackBuffer buffer;
    const Size size = p.window->clientSize();
    buffer.resize(size.width, size.height);
    for (auto _ : state) {
        render::paintArea(*buffer.canvas(), *p.window->root(), p.button);
        benchmark::DoNotOptimize(buffer.pixels().pixels());
    }
}
BENCHMARK(BM_ButtonRepaintOnly)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    page().start();
    bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double figure = reporter.medians["BM_HoverMoveToFrame"].cpuTime;
    const double peer = reporter.medians["BM_ButtonRepaintOnly"].cpuTime;
    if (figure > 0 && peer > 0) {
        std::printf(
            "hover change, posted move to repainted frame (median): %.1f us; "
            "the button's repaint alone: %.1f us; ratio %.2fx\n",
            figure, peer, figure / peer);
    }
    page().stop();
    benchmark::Shutdown();
    return 0;
}
