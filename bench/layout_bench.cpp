// Loading and laying out a 500-control layout (goal: under 2 ms), and a re-layout after a
// resize. The peer is parsing the same document alone, measured in the same run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "dui/core/control.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"
#include "dui/loader/layout_loader.h"
#include "dui/loader/xml_document.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "runtime/ui_context.h"

namespace {

using namespace tamlo;

class BenchWindow : public dui::HostWindow {
  public:
    void registerControlId(int32_t, dui::Control*) override {}
    void forgetControl(dui::Control*) override {}
    Rect clientRect() const override { return Rect{0, 0, 1024, 768}; }
    void invalidateRect(const Rect&) override {}
    void requestRepaint(bool) override {}
    Point cursorPosition() const override { return Point{}; }
};

// 500 controls: pages of stacked rows, a dock panel, a canvas and a scroll panel.
std::string fiveHundredControls() {
    std::string xml = "<Window initSize=\"1024,768\"><DockPanel>";  // 2
    xml +=
        "<Grid dock=\"top\" height=\"40\"><Label text=\"\xE6\xA0\x87\xE9\xA2\x98\"/>"
        "<Button width=\"27\" height=\"27\" horizontalAlign=\"right\"/></Grid>";  // 3 -> 5
    xml += "<Canvas dock=\"left\" width=\"200\">";                                // 6
    for (int i = 0; i < 40; ++i) {
        xml += "<Button x=\"" + std::to_string(i * 3) + "\" y=\"-" + std::to_string(i * 5) +
               "\" width=\"20\" height=\"20\"/>";
    }                                                                          // 46
    xml += "</Canvas><ScrollPanel dock=\"right\" width=\"240\"><StackPanel>";  // 48
    for (int i = 0; i < 100; ++i) {
        xml += "<CheckBox text=\"\xE9\x80\x89\xE9\xA1\xB9\" height=\"24\" margin=\"4,2,4,2\"/>";
    }                                            // 148
    xml += "</StackPanel></ScrollPanel><Grid>";  // 149
    for (int page = 0; page < 7; ++page) {
        xml += "<StackPanel visible=\"" + std::string(page == 0 ? "1" : "0") + "\">";
        for (int row = 0; row < 9; ++row) {
            xml +=
                "<StackPanel orientation=\"horizontal\" height=\"30\">"
                "<Label text=\"\xE5\x90\x8D\" width=\"80\"/><Edit width=\"200\"/>"
                "<Button text=\"...\" width=\"40\" horizontalAlign=\"left\"/>"
                "<Image src=\"x.png\" width=\"16\" height=\"16\"/></StackPanel>";
        }
        xml += "</StackPanel>";
    }  // 149 + 7 * 46 = 471
    for (int i = 0; i < 29; ++i) {
        xml += "<ProgressBar height=\"10\" margin=\"0,0,0," + std::to_string(i) + "\"/>";
    }  // 500
    xml += "</Grid></DockPanel></Window>";
    return xml;
}

const std::string& document() {
    static const std::string xml = fiveHundredControls();
    return xml;
}

int countControls(dui::Control* control) {
    int count = 1;
    if (dui::Panel* panel = control->asPanel()) {
        for (dui::Control* child : panel->childList()) {
            count += countControls(child);
        }
    }
    return count;
}

void reportAgainstGoal(benchmark::State& state, double totalSeconds) {
    const double perIteration = totalSeconds / static_cast<double>(state.iterations());
    state.counters["ms"] = perIteration * 1e3;
    state.counters["vs_2ms_goal"] = perIteration / 2e-3;
}

void BM_ParseOnly_Peer(benchmark::State& state) {
    for (auto _ : state) {
        dui::XmlDocument parsed;
        benchmark::DoNotOptimize(parsed.parse(document(), u"bench.xml"));
    }
}

void BM_LoadAndLayout500(benchmark::State& state) {
    BenchWindow window;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<dui::Control> root(dui::buildLayout(document(), u"bench.xml"));
        root->attach(&window);
        root->measure(1024, 768);
        root->arrange(Rect{0, 0, 1024, 768});
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        root->detach();
        root.reset();
        state.ResumeTiming();
    }
    reportAgainstGoal(state, seconds);
}

void BM_RelayoutAfterResize(benchmark::State& state) {
    BenchWindow window;
    std::unique_ptr<dui::Control> root(dui::buildLayout(document(), u"bench.xml"));
    state.counters["controls"] = countControls(root.get());
    root->attach(&window);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        const int32_t width = wide ? 1280 : 1024;
        const int32_t height = wide ? 800 : 768;
        root->measure(width, height);
        root->arrange(Rect{0, 0, width, height});
    }
    root->detach();
}

BENCHMARK(BM_ParseOnly_Peer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadAndLayout500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RelayoutAfterResize)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    platform::createUiQueue(
        std::make_unique<platform::ConditionPump>(platform::ConditionPump::Time::Virtual));
    if (createUiContext() == nullptr) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    destroyUiContext();
    platform::discardUiQueue();
    return 0;
}
