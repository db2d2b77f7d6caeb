#pragma once

#include "dui/core/control.h"

namespace tamlo::dui {

// A field that drops down a list of choices in a popup window.
class ComboBox : public Control {
  public:
    ComboBox();
};

}  // namespace tamlo::dui
