#include "dui/style/style.h"

namespace tamlo::dui {

void Style::draw(DrawingContext&, const Rect&, Control&) {
    // The skin drawing of each style type fills this in.
}

}  // namespace tamlo::dui
