#pragma once

// The demo's welcome page brought up headless for the benchmarks that paint or drive it.

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dui/loader/layout_loader.h"
#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/native_window.h"
#include "runtime/ui_context.h"
#include "window/window_impl.h"

namespace tamlo::bench {

// From the source folder the build names: __FILE__ is relative when the compiler launcher
// rewrites paths, and the benches are run from anywhere.
inline std::string demoPath(const std::string& relative) {
    return std::string(TAMLO_SOURCE_DIR) + "/examples/demo/" + relative;
}

inline bool readDisk(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return true;
}

// Starts the headless backend, the UI queue and context, installs the demo's styles in
// `styles`, and builds the tree of `xml` (the welcome page when empty). Null when any
// step fails.
inline dui::Control* startDemoPage(dui::StyleSet& styles, const std::string& layout = {}) {
    ::setenv("TAMLO_PLATFORM", "headless", 1);
    std::string error;
    if (platform::startBackend(&error) == nullptr) {
        return nullptr;
    }
    platform::uiQueue();
    if (createUiContext() == nullptr) {
        return nullptr;
    }
    styles.loadFromReader([](const std::u16string& name, std::vector<uint8_t>& bytes) {
        std::string content;
        if (!readDisk(demoPath("style/" + std::string(name.begin(), name.end())), content)) {
            return false;
        }
        bytes.assign(content.begin(), content.end());
        return true;
    });
    styles.install();
    std::string xml = layout;
    if (xml.empty() && !readDisk(demoPath("frame/welcome.xml"), xml)) {
        return nullptr;
    }
    return dui::buildLayout(xml, u"welcome.xml");
}

// A new top-level window of `root` (which it then owns), shown when `show`; null when the
// window cannot be made.
template <class Window = WindowImpl>
Window* openDemoWindow(dui::Control* root, bool show = true) {
    auto* window = new Window();
    window->setRoot(root);
    if (!window->create(0, 0, 0, 0, 0, 0, 0)) {
        delete window;
        return nullptr;
    }
    if (show) {
        platform::showWindow(window->handle(), win32::SW_SHOWNORMAL);
        platform::pumpPendingMessages();
    }
    return window;
}

// Ends what startDemoPage started: `window` (when there is one), the UI context and the
// backend.
inline void stopDemoPage(WindowBase* window) {
    if (window != nullptr) {
        window->destroy();
    }
    destroyUiContext();
    if (platform::backendStarted()) {
        platform::stopBackend();
    }
}

}  // namespace tamlo::bench
