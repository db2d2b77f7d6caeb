// Text input: a key press in a TextBox holding 1,999 characters to the repainted frame
// (goal < 1 ms median), loading 1 MiB of text into an Edit (goal < 50 ms), and paging
// an Edit holding that text from its start to its end (goal < 2 ms a page). Headless.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/demo_page.h"
#include "bench/figure_reporter.h"
#include "dui/controls/text_input.h"
#include "platform/headless/input.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "window/window_impl.h"

namespace {

using namespace tamlo;

const char* kLayout =
    "<Window initSize=\"560,360\">"
    "<TextBox id=\"1\" style=\"edit.xml\" width=\"400\" height=\"30\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\" margin=\"20,20,0,0\"/>"
    "<Edit id=\"2\" style=\"edit.xml\" width=\"500\" height=\"240\" horizontalAlign=\"left\" "
    "verticalAlign=\"top\" margin=\"20,80,0,0\"/>"
    "</Window>";

std::u16string megabyteText() {
    std::u16string text;
    while (text.size() < (1u << 20)) {
        text += u"第一条 许可协议 — licence terms, one line of many, wrapped where it must\r\n";
    }
    return text;
}

struct TextPage {
    bool ready = false;
    dui::StyleSet styles;
    WindowImpl* window = nullptr;
    dui::TextBox* box = nullptr;
    dui::Edit* edit = nullptr;
    std::u16string big = megabyteText();

    void start() {
        dui::Control* root = bench::startDemoPage(styles, kLayout);
        if (root == nullptr) {
            return;
        }
        window = bench::openDemoWindow(root);
        if (window == nullptr) {
            return;
        }
        box = dynamic_cast<dui::TextBox*>(window->controlById(1));
        edit = dynamic_cast<dui::Edit*>(window->controlById(2));
        ready = box != nullptr && edit != nullptr;
    }

    void stop() { bench::stopDemoPage(window); }
};

TextPage& page() {
    static TextPage instance;
    return instance;
}

void BM_TextBoxKeyToFrame(benchmark::State& state) {
    TextPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the text page could not be shown");
        return;
    }
    p.box->setText(std::u16string(1999, u'文'));
    p.window->setFocusControl(p.box);
    platform::pumpPendingMessages();
    bool forward = false;
    for (auto _ : state) {
        // Left and right in turn: each moves the caret, scrolls and repaints the box.
        forward = !forward;
        platform::headless::pressKey(forward ? win32::VK_LEFT : win32::VK_RIGHT);
        platform::pumpPendingMessages();  // the keys, the repaint request, the flush
    }
}
BENCHMARK(BM_TextBoxKeyToFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_EditLoadMegabyte(benchmark::State& state) {
    TextPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the text page could not be shown");
        return;
    }
    for (auto _ : state) {
        p.edit->setText(p.big);
        benchmark::DoNotOptimize(p.edit->lines().size());
    }
}
BENCHMARK(BM_EditLoadMegabyte)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_EditPageDown(benchmark::State& state) {
    TextPage& p = page();
    if (!p.ready) {
        state.SkipWithError("the text page could not be shown");
        return;
    }
    p.edit->setText(p.big);
    p.window->setFocusControl(p.edit);
    platform::pumpPendingMessages();
    const auto last = static_cast<int32_t>(p.edit->lines().size()) - 1;
    for (auto _ : state) {
        if (p.edit->firstVisibleLine() >= last) {
            state.PauseTiming();
            platform::headless::pressKey(win32::VK_HOME);
            platform::pumpPendingMessages();
            state.ResumeTiming();
        }
        platform::headless::pressKey(win32::VK_NEXT);
        platform::pumpPendingMessages();  // the key, the repaint of the page
    }
}
BENCHMARK(BM_EditPageDown)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    page().start();
    bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    struct Goal {
        const char* name;
        const char* what;
        const char* unit;
        double goal;
    };
    const Goal goals[] = {
        {"BM_TextBoxKeyToFrame", "TextBox of 1,999 characters, key to repainted frame", "us",
         1000.0},
        {"BM_EditLoadMegabyte", "1 MiB into an Edit", "ms", 50.0},
        {"BM_EditPageDown", "Edit of 1 MiB, one Page Down to repainted frame", "us", 2000.0},
    };
    for (const Goal& goal : goals) {
        auto found = reporter.medians.find(goal.name);
        const double median = found == reporter.medians.end() ? 0.0 : found->second.realTime;
        if (median > 0) {
            std::printf("%s (median): %.2f %s; goal %.0f %s; ratio to goal %.3f\n", goal.what,
                        median, goal.unit, goal.goal, goal.unit, median / goal.goal);
        }
    }
    page().stop();
    benchmark::Shutdown();
    return 0;
}
