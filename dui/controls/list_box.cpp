#include "dui/controls/list_box.h"

#include "dui/layout/simple_panels.h"

namespace tamlo::dui {

ListBox::ListBox() : itemPanel_(new StackPanel()) {
    itemPanel_->setInt(key::orientation, enumValue(EnumWord::Vertical));
    addChild(itemPanel_);
}

}  // namespace tamlo::dui
