#pragma once

#include <gtk/gtk.h>

#include "platform/desktop.h"

// GTK's pointer, key, focus, input-method and drag events of an engine window, reported to
// the engine as Win32 input.
namespace tamlo::platform::gtk {

// Connects the widget's input signals and its drop target; a window that takes keys
// (`withInputMethod`) gets an input-method context of its own, kept in its NativeWindow.
void connectInput(GtkWidget* widget, WindowHandle window, bool withInputMethod);

}  // namespace tamlo::platform::gtk
