#include "platform/gtk/tooltip.h"

#include "platform/text_encoding.h"

namespace tamlo::platform::gtk {

void drawTooltip(cairo_t* cr, GtkWidget* widget, const std::u16string& text) {
    int width = gtk_widget_get_allocated_width(widget);
    int height = gtk_widget_get_allocated_height(widget);
    cairo_set_source_rgb(cr, 1.0, 1.0, 0.88);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.46, 0.46, 0.46);
    cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Sans 9");
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, utf16ToUtf8(text).c_str(), -1);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 4, 3);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
}

}  // namespace tamlo::platform::gtk
