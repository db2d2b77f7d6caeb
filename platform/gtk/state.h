#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/desktop.h"

// The GTK backend's private state, in one place: owned by the backend object and reached by
// GTK's callbacks, whose user data is the engine window's handle, through backendState().
namespace tamlo::platform::gtk {

struct DragSession {
    bool haveData = false;
    bool dropping = false;
    bool entered = false;
    bool leavePending = false;
    DragPayload payload;
    Point client;
};

// What a key press gave the input method while it filtered it.
struct KeyFilter {
    bool active = false;
    bool committed = false;
    std::u16string text;
};

struct NativeWindow {
    GtkWidget* widget = nullptr;
    GtkIMContext* im = nullptr;
    KeyFilter filter;
    bool composing = false;
    DragSession drag;
};

struct BackendState {
    std::map<WindowHandle, NativeWindow> windows;
    // The dispatch depths at which the engine's own waits run their GLib iteration. A source
    // dispatched at such a depth leaves the messages to the waiting getMessage; one deeper
    // (a GTK loop nested inside) handles them itself.
    std::vector<int> ownWaitDepths;
    int dispatchHolds = 0;  // QueueDispatchHold objects alive
};

// The living backend's state; null before it starts and after it stops.
BackendState* backendState();

// The GTK side of an engine window, or null.
NativeWindow* findNative(WindowHandle window);

inline WindowHandle handleOf(gpointer data) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(data));
}

inline gpointer dataOf(WindowHandle window) {
    return reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(window));
}

}  // namespace tamlo::platform::gtk
