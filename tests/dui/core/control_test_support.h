#pragma once

#include <map>
#include <string>
#include <vector>

#include "dui/core/control.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"

namespace tamlo::dui::testing {

// A window that records what the tree asks of it.
class FakeWindow : public HostWindow {
  public:
    void registerControlId(int32_t id, Control* control) override { ids[id] = control; }
    void forgetControl(Control* control) override { forgotten.push_back(control); }
    Rect clientRect() const override { return client; }
    void invalidateRect(const Rect& area) override { invalidated.push_back(area); }
    void requestRepaint(bool synchronous) override { repaints.push_back(synchronous); }
    Point cursorPosition() const override { return cursor; }

    std::map<int32_t, Control*> ids;
    std::vector<Control*> forgotten;
    std::vector<Rect> invalidated;
    std::vector<bool> repaints;
    Rect client{0, 0, 400, 300};
    Point cursor;
};

// A handler target that appends its name to a shared log when called.
struct Recorder {
    std::vector<std::string>* log;
    std::string name;
    bool marksHandled = false;

    static void onEvent(void* target, Control*, Event& event) {
        auto* self = static_cast<Recorder*>(target);
        self->log->push_back(self->name);
        if (self->marksHandled) {
            event.handled = 1;
        }
    }
    void listenTo(Control& control, int32_t code) {
        control.addHandler(code, this, &Recorder::onEvent);
    }
};

// Names each control that receives the code, in order; used for Attached/Detached.
inline void logArrivals(Control& control, int32_t code, std::vector<Control*>* arrivals) {
    control.addHandler(code, arrivals, [](void* target, Control* sender, Event&) {
        static_cast<std::vector<Control*>*>(target)->push_back(sender);
    });
}

}  // namespace tamlo::dui::testing
