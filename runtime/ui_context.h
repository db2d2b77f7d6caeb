#pragma once

#include <memory>
#include <mutex>

#include "platform/platform.h"
#include "runtime/application_events.h"
#include "runtime/layout_package.h"
#include "runtime/owned_slot.h"

namespace tamlo {

// Filled by the layout loader and the style system when they arrive.
namespace dui {
class AttributeRegistry;  // attribute name -> setter
class ControlFactory;     // element name -> control creator
class StyleFactory;       // style type name -> style creator
class StyleSet;           // styles, decoded images, named fonts
}  // namespace dui

// The one process-wide holder of what the UI thread's subsystems share. It exists from
// start-up until tear-down; see createUiContext and destroyUiContext.
class UiContext {
  public:
    UiContext() = default;
    UiContext(const UiContext&) = delete;
    UiContext& operator=(const UiContext&) = delete;

    OwnedSlot<dui::AttributeRegistry> attributeRegistry = emptySlot<dui::AttributeRegistry>();
    OwnedSlot<dui::StyleSet> styleSet = emptySlot<dui::StyleSet>();
    std::unique_ptr<LayoutPackage> layoutPackage = std::make_unique<LayoutPackage>();
    OwnedSlot<dui::ControlFactory> controlFactory = emptySlot<dui::ControlFactory>();
    OwnedSlot<dui::StyleFactory> styleFactory = emptySlot<dui::StyleFactory>();
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
// threads only post calls (runtime/posted_call.h).
UiContext* uiContext();

// Guards the process-wide context pointer against a post racing with tear-down.
std::mutex& uiContextLock();

// Raises an application event when the context exists (UI thread).
void raiseApplicationEvent(dui::Event& event);

}  // namespace tamlo
