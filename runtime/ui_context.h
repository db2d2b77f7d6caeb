#pragma once

#include <memory>
#include <mutex>

#include "dui/loader/ui_registries.h"
#include "platform/backend.h"
#include "runtime/application_events.h"

namespace tamlo {

// The one process-wide holder of what the UI thread's subsystems share. It exists from
// start-up until tear-down; see createUiContext and destroyUiContext.
class UiContext {
  public:
    UiContext() = default;
    UiContext(const UiContext&) = delete;
    UiContext& operator=(const UiContext&) = delete;

    // The loader's and the style set's registries; current while the context exists.
    std::unique_ptr<dui::UiRegistries> registries = std::make_unique<dui::UiRegistries>();
    platform::WindowHandle dispatcherWindow = 0;
    ApplicationEvents applicationEvents;
};

// Creates the context and its hidden dispatcher window on the UI thread. Returns the
// existing context when there is one, and null when the window cannot be made.
UiContext* createUiContext();

// Tears the context down on the UI thread, in order: layout package, style set, then
// (under the context lock) the event table, factories and attribute registry and the
// context itself; last, the calls still waiting for the dispatcher window are delivered
// and the window is destroyed. From the context's end on, nothing more can be posted.
void destroyUiContext();

// The context, or null before creation and after tear-down. For the UI thread; other
// threads only post calls (platform/windowing/posted_call.h).
UiContext* uiContext();

// Guards the process-wide context pointer against a post racing with tear-down.
std::mutex& uiContextLock();

// Raises an application event when the context exists (UI thread).
void raiseApplicationEvent(dui::Event& event);

}  // namespace tamlo
