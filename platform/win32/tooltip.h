#pragma once

#include <string>

#include "platform/geometry.h"

// An engine tooltip window shown as the system's own tracking tooltip ("tooltips_class32"):
// one tool, placed and shown where the engine says, its text set whole. HWNDs travel as
// void*, to keep <windows.h> out of the engine's headers.
namespace tamlo::platform::win32native {

// Null when the common control cannot be made.
void* createSystemTooltip(void* owner, const std::u16string& text);
void setSystemTooltipText(void* tooltip, const std::u16string& text);
void placeSystemTooltip(void* tooltip, Point screen);
void showSystemTooltip(void* tooltip, bool visible);

}  // namespace tamlo::platform::win32native
