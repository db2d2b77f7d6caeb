#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"

// Drag and drop onto engine windows. Every window is a drop target from its creation;
// the backend turns the desktop's drag into these events and hands them to the one
// handler the engine installs.
namespace tamlo::platform {

// Returns whether the window accepts what is dragged (the copy effect) at that point.
using DragHandler = std::function<bool(const DragEvent& event)>;

// Installs the handler; returns the previous one.
DragHandler setDragHandler(DragHandler handler);

}  // namespace tamlo::platform
