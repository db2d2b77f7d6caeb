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
};

class CheckBox : public Button {};
class RadioButton : public Button {};
class ToggleButton : public Button {};
class ToggleIconButton : public ToggleButton {};
class IconButton : public Button {};
class ImageButton : public Button {};

}  // namespace tamlo::dui
