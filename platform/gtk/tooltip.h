#pragma once

#include <gtk/gtk.h>

#include <string>

// An engine tooltip window on GTK: a tooltip-hinted popup whose text is drawn here.
namespace tamlo::platform::gtk {

void drawTooltip(cairo_t* cr, GtkWidget* widget, const std::u16string& text);

}  // namespace tamlo::platform::gtk
