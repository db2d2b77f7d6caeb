#pragma once

#include <deque>
#include <string>
#include <vector>

#include "dui/core/event.h"
#include "dui/core/panel.h"
#include "dui/loader/loader_fixture.h"
#include "platform/headless/input.h"
#include "platform/windowing/keyboard_state.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/pointer_input.h"
#include "window/window_impl.h"

namespace tamlo::test {

// Records "<name> <event>" for the input events a control receives; may mark one code
// handled.
struct EventTap {
    std::vector<std::string>* log = nullptr;
    std::string name;
    int32_t handledCode = -1;

    static const char* codeName(int32_t code) {
        namespace c = dui::EventCode;
        switch (code) {
            case c::GotFocus:
                return "GotFocus";
            case c::LostFocus:
                return "LostFocus";
            case c::PrevKeyDown:
                return "PrevKeyDown";
            case c::KeyDown:
                return "KeyDown";
            case c::PrevKeyUp:
                return "PrevKeyUp";
            case c::KeyUp:
                return "KeyUp";
            case c::PrevKeyPress:
                return "PrevKeyPress";
            case c::KeyPress:
                return "KeyPress";
            case c::GotCapture:
                return "GotCapture";
            case c::LostCapture:
                return "LostCapture";
            case c::PrevLButtonDown:
                return "PrevLButtonDown";
            case c::LButtonDown:
                return "LButtonDown";
            case c::PrevLButtonUp:
                return "PrevLButtonUp";
            case c::LButtonUp:
                return "LButtonUp";
            case c::PrevRButtonDown:
                return "PrevRButtonDown";
            case c::RButtonDown:
                return "RButtonDown";
            case c::PrevRButtonUp:
                return "PrevRButtonUp";
            case c::RButtonUp:
                return "RButtonUp";
            case c::LButtonDbClick:
                return "LButtonDbClick";
            case c::RButtonDbClick:
                return "RButtonDbClick";
            case c::MouseWheel:
                return "MouseWheel";
            case c::MouseMove:
                return "MouseMove";
            case c::MouseEnter:
                return "MouseEnter";
            case c::MouseLeave:
                return "MouseLeave";
            default:
                return "?";
        }
    }
    static void onEvent(void* target, dui::Control* sender, dui::Event& event) {
        auto* self = static_cast<EventTap*>(target);
        // Routed events reach every control on the route; log only the source's own.
        (void)sender;
        self->log->push_back(self->name + " " + codeName(event.code));
        if (event.code == self->handledCode) {
            event.handled = 1;
        }
    }
};

// Two panels side by side, each holding one 50 x 20 button at its top-left; a button
// alone at the bottom of the window, and control 6 at the bottom left, which openTwoPanels
// makes a focus probe.
inline const char* kTwoPanels =
    "<Window id=\"1\" initSize=\"400,300\">"
    "<Grid id=\"2\" margin=\"0,0,200,0\"><Button id=\"3\" width=\"50\" height=\"20\" "
    "horizontalAlign=\"left\" verticalAlign=\"top\"/></Grid>"
    "<Grid id=\"4\" margin=\"200,0,0,0\"><Button id=\"5\" width=\"50\" height=\"20\" "
    "horizontalAlign=\"left\" verticalAlign=\"top\"/></Grid>"
    "<Label id=\"6\" width=\"80\" height=\"20\" horizontalAlign=\"left\" "
    "verticalAlign=\"bottom\"/>"
    "</Window>";

class WindowImplTest : public LoaderTest {
  protected:
    void SetUp() override {
        LoaderTest::SetUp();
        platform::resetKeyboardState();
        platform::resetPointerInput();
        platform::setSystemMetrics(platform::SystemMetrics{});
        platform::headless::moveMouse(platform::Point{5000, 5000});
    }
    void TearDown() override {
        if (window != nullptr) {
            window->destroy();
            window = nullptr;
        }
        platform::resetPointerInput();
        LoaderTest::TearDown();
    }

    // Opens `xml` at screen (100, 100) and shows it.
    WindowImpl* open(const std::string& xml, bool show = true) {
        dui::Control* root = build(xml);
        EXPECT_NE(root, nullptr);
        releaseBuilt(root);
        window = new WindowImpl();
        window->setRoot(root);
        EXPECT_TRUE(window->create(0, 0, 100, 100, 10, 10, 0));
        if (show) {
            platform::showWindow(window->handle(), win32::SW_SHOWNORMAL);
        }
        pump();
        return window;
    }

    // kTwoPanels with control 6 made a probe that takes the mouse, capture and focus on a
    // press and has no handlers of its own (a text control would handle the keys itself).
    WindowImpl* openTwoPanels() {
        open(kTwoPanels);
        if (dui::Control* probe = window->controlById(6)) {
            probe->setFlags(dui::ControlFlag::Transparent, false);
            probe->setFlags(dui::ControlFlag::RepaintOnMouse | dui::ControlFlag::CaptureOnPress |
                                dui::ControlFlag::FocusOnPress,
                            true);
        }
        return window;
    }

    // Logs every input event `name`'s control receives (the control with that id).
    void tap(int32_t id, const std::string& name, int32_t handledCode = -1) {
        dui::Control* control = window->controlById(id);
        ASSERT_NE(control, nullptr) << name;
        taps.push_back(EventTap{&log, name, handledCode});
        for (int32_t code = dui::EventCode::GotFocus; code <= dui::EventCode::MouseLeave; ++code) {
            if (code != dui::EventCode::MouseMove) {
                control->addHandler(code, &taps.back(), &EventTap::onEvent);
            }
        }
    }
    void tapMoves(int32_t id, const std::string& name) {
        taps.push_back(EventTap{&log, name, -1});
        window->controlById(id)->addHandler(dui::EventCode::MouseMove, &taps.back(),
                                            &EventTap::onEvent);
    }

    void moveTo(int x, int y) {
        platform::headless::moveMouse(platform::Point{100 + x, 100 + y});
        pump();
    }
    void pump() { platform::pumpPendingMessages(); }
    std::vector<std::string> takeLog() {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }

    WindowImpl* window = nullptr;
    std::vector<std::string> log;
    std::deque<EventTap> taps;
};

}  // namespace tamlo::test
