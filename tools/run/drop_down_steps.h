#pragma once

#include <cstdint>
#include <string>

#include "platform/backend.h"

namespace tamlo {
class WindowBase;
}

namespace tamlo::runtool {

// The steps that reach into lists: the open combo-box drop-down is a window of its own,
// found by these rather than by the window the other steps act on.

// The drop-down that is showing now, or 0.
platform::WindowHandle openDropDown();

// Clicks the middle of row `row` (0-based) of the open drop-down. False with `why` when no
// drop-down is open or that row is not in view.
bool pickDropDownRow(int32_t row, std::string* why);

// Whether the list box or combo box `id` of `window` has row `expected` selected (-1:
// none). False with `why` naming what was found.
bool checkSelected(const WindowBase& window, int32_t id, int32_t expected, std::string* why);

}  // namespace tamlo::runtool
