// A full repaint of the demo's welcome page at 200 % against the same repaint at 100 %, in
// the same run: four times the pixels, with the skin's 2x images and text laid out at the
// device's size. The ratio should stay near 4.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/demo_page.h"
#include "bench/figure_reporter.h"
#include "platform/display_scale.h"
#include "render/back_buffer.h"
#include "window/paint_entry.h"
#include "window/window_base.h"

namespace {

using namespace tamlo;

struct Page {
    dui::StyleSet styles;
    WindowBase* window = nullptr;
    render::BackBuffer buffers[3];  // 1x, 1.5x, 2x
    bool ready = false;

    void start() {
        dui::Control* root = bench::startDemoPage(styles);
        if (root == nullptr) {
            return;
        }
        window = bench::openDemoWindow<WindowBase>(root, false);
        if (window == nullptr) {
            return;
        }
        const Size size = window->clientSize();
        const double scales[3] = {1.0, 1.5, 2.0};
        ready = true;
        for (int i = 0; i < 3; ++i) {
            ready &= buffers[i].resize(toDevice(size.width, scales[i]),
                                       toDevice(size.height, scales[i]), scales[i]);
        }
    }
    void stop() { bench::stopDemoPage(window); }
};

Page& page() {
    static Page instance;
    return instance;
}

void paintAt(benchmark::State& state, int index) {
    Page& shown = page();
    if (!shown.ready) {
        state.SkipWithError("the welcome page could not be built");
        return;
    }
    const Size size = shown.window->clientSize();
    render::BackBuffer& buffer = shown.buffers[index];
    render::paintArea(*buffer.canvas(), *shown.window->root(), {0, 0, size.width, size.height});
    for (auto _ : state) {
        render::paintArea(*buffer.canvas(), *shown.window->root(), {0, 0, size.width, size.height});
        benchmark::DoNotOptimize(buffer.pixels().pixels());
    }
}

void BM_WelcomePageAt100(benchmark::State& state) {
    paintAt(state, 0);
}
void BM_WelcomePageAt150(benchmark::State& state) {
    paintAt(state, 1);
}
void BM_WelcomePageAt200(benchmark::State& state) {
    paintAt(state, 2);
}
BENCHMARK(BM_WelcomePageAt100)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WelcomePageAt150)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WelcomePageAt200)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    page().start();
    tamlo::bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double at100 = reporter.medians["BM_WelcomePageAt100"].cpuTime;
    const double at150 = reporter.medians["BM_WelcomePageAt150"].cpuTime;
    const double at200 = reporter.medians["BM_WelcomePageAt200"].cpuTime;
    if (at100 > 0 && at200 > 0) {
        std::printf(
            "welcome page full repaint (median) at 200 %%: %.1f us; at 100 %%: %.1f us; "
            "ratio %.2fx (pixels 4x)\n",
            at200, at100, at200 / at100);
        std::printf("at 150 %%: %.1f us; ratio %.2fx (pixels 2.25x)\n", at150, at150 / at100);
    }
    page().stop();
    benchmark::Shutdown();
    return 0;
}
