#include "dui/core/drawing.h"

namespace tamlo::dui {

namespace {
StyleLookup* gStyleLookup = nullptr;
}

void setStyleLookup(StyleLookup* lookup) {
    gStyleLookup = lookup;
}
StyleLookup* styleLookup() {
    return gStyleLookup;
}

}  // namespace tamlo::dui
