#pragma once

#include "dui/core/control.h"

namespace tamlo::dui {

// The area where the system's web browser component is shown.
class WebBrowser : public Control {};

}  // namespace tamlo::dui
