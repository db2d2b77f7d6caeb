#include "dui/controls/button.h"

namespace tamlo::dui {

Button::Button() {
    setFlags(
        ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress | ControlFlag::ClearFocusOnPress,
        true);
    addHandler(EventCode::LButtonUp, this, &Button::onLButtonUp);
}

}  // namespace tamlo::dui
