#include "dui/controls/button.h"

namespace tamlo::dui {

Button::Button() {
    setFlags(
        ControlFlag::RepaintOnMouse | ControlFlag::CaptureOnPress | ControlFlag::ClearFocusOnPress,
        true);
}

}  // namespace tamlo::dui
