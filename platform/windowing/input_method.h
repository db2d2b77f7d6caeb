#pragma once

#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/geometry.h"

// Input-method composition of the engine's windows. The window's caret operations tell
// the backend where the caret is and when it goes (which cancels a composition); the
// backend reports the composition (pre-edit text, drawn by the window at its caret) and
// its commit, which arrives as WM_CHAR UTF-16 units, a surrogate pair as two, as a Win32
// window receives it. UI thread only.
namespace tamlo::platform {

// From the window: its caret is shown at `caret` (client coordinates) / hidden.
void inputMethodCaretPlaced(WindowHandle window, const Rect& caret);
void inputMethodCaretHidden(WindowHandle window);

// What the backend reports: inputMethodComposition and inputMethodCommit
// (platform/desktop.h).

// The composition shown in `window` now (empty for none).
std::u16string inputMethodPreedit(WindowHandle window);
// Forgets a destroyed window.
void inputMethodForget(WindowHandle window);

}  // namespace tamlo::platform
