#include "dui/controls/combo_box.h"

namespace tamlo::dui {

ComboBox::ComboBox() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::ClearFocusOnPress, true);
}

}  // namespace tamlo::dui
