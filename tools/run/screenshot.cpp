// screenshot: hosts a layout in a headless window the way a script window is made, sets
// the requested states on controls by id, paints it with the project's skin and writes a
// PNG.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dui/core/content_metrics.h"
#include "dui/loader/layout_loader.h"
#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/display_scale.h"
#include "platform/png_encoding.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_queue.h"
#include "render/back_buffer.h"
#include "runtime/ui_context.h"
#include "tools/run/project.h"
#include "tools/run/project_metrics.h"
#include "tools/run/run_commands.h"
#include "tools/run/run_session.h"
#include "window/paint_entry.h"
#include "window/window_base.h"

namespace tamlo::runtool {
namespace {

constexpr const char* kUsage =
    "usage: tamlo-run screenshot PROJECT LAYOUT OUT.png [--size W,H] [--state ID=STATE]...";

// The back buffer of a screenshot is allocated whole: keep it reasonable.
constexpr int32_t kMaxScreenshotSide = 8192;

struct StateRequest {
    int32_t id;
    uint32_t set;
    uint32_t clear;
};

bool parseState(const std::string& text, StateRequest& out) {
    using namespace dui::ControlFlag;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        return false;
    }
    char* end = nullptr;
    const long id = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + equals) {
        return false;
    }
    out.id = static_cast<int32_t>(id);
    const std::string state = text.substr(equals + 1);
    out.set = 0;
    out.clear = 0;
    if (state == "hover") {
        out.set = Hovered;
    } else if (state == "pressed") {
        // A press happens under the pointer.
        out.set = Captured | Hovered;
    } else if (state == "focused") {
        out.set = Focused;
    } else if (state == "checked") {
        out.set = Checked;
    } else if (state == "disabled") {
        out.clear = Enabled;
    } else if (state == "hidden") {
        out.clear = Visible;
    } else {
        return false;
    }
    return true;
}

int paintWindow(WindowBase& window, const std::vector<StateRequest>& states,
                const std::string& outPath) {
    for (const StateRequest& request : states) {
        dui::Control* control = window.controlById(request.id);
        if (control == nullptr) {
            return fail("no control with id " + std::to_string(request.id));
        }
        control->setFlags(request.set, true);
        control->setFlags(request.clear, false);
    }
    const Size client = window.clientSize();
    const char* scaleText = std::getenv("TAMLO_SCALE");
    const double scale = scaleText ? parseDisplayScale(scaleText).value_or(1.0) : 1.0;
    render::BackBuffer buffer;
    if (!buffer.resize(toDevice(client.width, scale), toDevice(client.height, scale), scale)) {
        return fail("the window has no paintable size");
    }
    const Rect whole{0, 0, client.width, client.height};
    render::paintArea(*buffer.canvas(), *window.root(), whole);
    // TAMLO_PAINT_REPEAT=N paints N more times and prints the mean, so the same paint can be
    // timed on each system and drawing implementation.
    const char* repeat = std::getenv("TAMLO_PAINT_REPEAT");
    if (const int times = repeat ? std::atoi(repeat) : 0; times > 0) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < times; ++i) {
            render::paintArea(*buffer.canvas(), *window.root(), whole);
            buffer.pixels();
        }
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        std::printf("paint: %dx%d in %.1f us (mean of %d)\n", client.width, client.height,
                    spent.count() / times, times);
    }
    const render::Bitmap& pixels = buffer.pixels();
    if (!platform::writePremultipliedPng(outPath, pixels.pixels(), pixels.width(),
                                         pixels.height())) {
        return fail("cannot write \"" + outPath + "\"");
    }
    return 0;
}

}  // namespace

int screenshot(const std::vector<std::string>& arguments) {
    if (arguments.size() < 3) {
        return fail(kUsage);
    }
    int32_t width = 0;
    int32_t height = 0;
    bool resize = false;
    std::vector<StateRequest> states;
    for (std::size_t i = 3; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size()) {
            return fail(kUsage);
        }
        if (arguments[i] == "--size") {
            if (!parseWindowSize(arguments[i + 1], kMaxScreenshotSide, width, height)) {
                return fail("--size wants W,H with two positive numbers, not \"" +
                            arguments[i + 1] + "\"");
            }
            resize = true;
        } else if (arguments[i] == "--state") {
            StateRequest request{};
            if (!parseState(arguments[i + 1], request)) {
                return fail(
                    "--state wants ID=STATE with STATE one of hover, pressed, focused, "
                    "checked, disabled, hidden, not \"" +
                    arguments[i + 1] + "\"");
            }
            states.push_back(request);
        } else {
            return fail(kUsage);
        }
    }
    std::string error;
    std::unique_ptr<Project> project = Project::open(arguments[0], &error);
    if (project == nullptr) {
        return fail(error);
    }

    RunSession session(*project);
    if (!session.start(/*headless=*/true, /*withStyles=*/true, &error)) {
        return fail(error);
    }

    int status = 0;
    if (dui::Control* root = dui::loadLayout(utf8ToUtf16(arguments[1]))) {
        auto* window = new WindowBase();
        window->setRoot(root);
        if (!window->create(0, 0, 0, 0, 0, 0, 0)) {
            delete window;
            status = fail("the window could not be made");
        } else {
            if (resize) {
                window->resize(width, height);
            }
            status = paintWindow(*window, states, arguments[2]);
            window->destroy();
        }
    } else {
        status = fail(session.layoutError("load", arguments[1]));
    }
    return status;
}

}  // namespace tamlo::runtool
