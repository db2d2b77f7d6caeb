#pragma once

#include <memory>
#include <string>

#include "platform/backend.h"
#include "platform/desktop.h"

// The Linux desktop backend: real GTK 3 windows for every engine window, native input as
// Win32 messages, the UI queue driven from the GLib loop. GTK headers stay in this folder.
namespace tamlo::platform::gtk {

// Null with `error` set when GTK cannot open the display.
std::unique_ptr<Backend> createGtkBackend(std::string* error);

// A pump on the thread's GLib main context; a GLib source dispatches the UI queue in
// every GLib loop that is not the engine's own wait (GTK's dialogs, drags).
std::unique_ptr<MessagePump> createGlibPump();

std::unique_ptr<NativeWindows> createGtkWindows();

struct BackendState;

// While one lives, the pump's source leaves the engine's messages queued, so GLib can
// draw and read desktop events without running the engine (a window sliding open).
class QueueDispatchHold {
  public:
    QueueDispatchHold();
    ~QueueDispatchHold();
    QueueDispatchHold(const QueueDispatchHold&) = delete;
    QueueDispatchHold& operator=(const QueueDispatchHold&) = delete;

  private:
    BackendState* state_;
};

// The GtkWindow of an engine window (as void*, to keep GTK out of this header), or null.
void* nativeWindowWidget(WindowHandle window);

// The GtkFixed inside an engine window that embedded widgets are placed in (made on first
// use), or null when the window has no GTK window.
void* nativeChildLayer(WindowHandle window);

// An embedded page on WebKitGTK, loaded on first use; null with `why` when it cannot be.
std::unique_ptr<BrowserView> createWebKitView(WindowHandle window, BrowserEvents events,
                                              std::string* why);

}  // namespace tamlo::platform::gtk
