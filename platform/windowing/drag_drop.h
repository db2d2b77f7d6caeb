#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/windowing/native_window.h"

// Drag and drop onto engine windows. Every window is a drop target from its creation;
// the backend turns the desktop's drag into these events and hands them to the one
// handler the engine installs.
namespace tamlo::platform {

enum class DragPhase { Enter, Over, Leave, Drop };

struct DragPayload {
    std::vector<std::string> files;  // UTF-8 paths of a file list
    std::u16string text;             // dragged text
};

struct DragEvent {
    WindowHandle window = 0;
    DragPhase phase = DragPhase::Enter;
    Point client;                          // the pointer in the window's client coordinates
    const DragPayload* payload = nullptr;  // what is dragged (null on leave)
};

// Returns whether the window accepts what is dragged (the copy effect) at that point.
using DragHandler = std::function<bool(const DragEvent& event)>;

// Installs the handler; returns the previous one.
DragHandler setDragHandler(DragHandler handler);
// Backends deliver through this; false when no handler accepts.
bool deliverDragEvent(const DragEvent& event);

}  // namespace tamlo::platform
