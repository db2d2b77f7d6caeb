#include "dui/controls/button.h"
#include "dui/core/host_window.h"

namespace tamlo::dui {

void Button::onLButtonUp(void* self, Control*, Event& event) {
    auto* button = static_cast<Button*>(self);
    Rect area;
    // Still pressed means the capture taken on the press has not gone yet.
    if (button->hasFlags(ControlFlag::Captured) && button->window() != nullptr &&
        button->absoluteRect(area)) {
        const Point cursor = button->window()->cursorPosition();
        if (area.contains(cursor.x, cursor.y)) {
            // Click handlers run once the release has been handled.
            button->postEvent(Event{EventCode::Click, Direct, 0, 0, 0});
        }
    }
    event.handled = 1;
}

namespace {

void flipChecked(void* self, Control*, Event&) {
    auto* button = static_cast<Button*>(self);
    button->setChecked(!button->isChecked());
}

void checkOnly(void* self, Control*, Event&) {
    static_cast<Button*>(self)->setChecked(true);
}

}  // namespace

CheckBox::CheckBox() {
    addHandler(EventCode::Click, this, &flipChecked);
}

ToggleButton::ToggleButton() {
    addHandler(EventCode::Click, this, &flipChecked);
}

RadioButton::RadioButton() {
    addHandler(EventCode::Click, this, &checkOnly);
}

}  // namespace tamlo::dui
