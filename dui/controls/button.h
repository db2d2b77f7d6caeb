#pragma once

#include <string_view>

#include "dui/core/control.h"

namespace tamlo::dui {

// The push button and its variants. All report the type name "Button"; pressing
// repaints them, captures the mouse and takes the keyboard focus from other controls.
class Button : public Control {
  public:
    Button();
    std::u16string_view getName() const override { return u"Button"; }

  private:
    // A release over the button that holds the press posts Click.
    static void onLButtonUp(void* self, Control* sender, Event& event);
};

// Click flips the checked bit.
class CheckBox : public Button {
  public:
    CheckBox();
    // Its `style`, else "checkbox.xml".
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
};
// Click checks it; only a script unchecks it.
class RadioButton : public Button {
  public:
    RadioButton();
    // Always "radiobutton.xml".
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
};
// Click flips the checked bit.
class ToggleButton : public Button {
  public:
    ToggleButton();
};
class ToggleIconButton : public ToggleButton {};
class IconButton : public Button {};
class ImageButton : public Button {
  public:
    // The `img` image stretched over the button, then its style.
    void paint(DrawingContext& context, const Rect& bounds, const Rect& clip) override;
};

}  // namespace tamlo::dui
