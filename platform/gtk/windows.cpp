#include <gtk/gtk.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <string>

#include "platform/desktop.h"
#include "platform/gtk/backend.h"
#include "platform/gtk/input.h"
#include "platform/gtk/mappings.h"
#include "platform/gtk/state.h"
#include "platform/gtk/tooltip.h"
#include "platform/text_encoding.h"

namespace tamlo::platform::gtk {

using namespace tamlo::win32;

namespace {

// GdkPixbuf wants straight RGBA bytes; the engine's pixels are premultiplied ARGB words.
GdkPixbuf* pixbufFromPremultiplied(const WindowPixels& icon) {
    if (icon.width <= 0 || icon.height <= 0) {
        return nullptr;
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon.width, icon.height);
    if (pixbuf == nullptr) {
        return nullptr;
    }
    guchar* rows = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < icon.height; ++y) {
        guchar* out = rows + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < icon.width; ++x) {
            const uint32_t word =
                straightAlpha(icon.pixels[static_cast<std::size_t>(y) * icon.width + x]);
            out[4 * x] = static_cast<guchar>(word >> 16);
            out[4 * x + 1] = static_cast<guchar>(word >> 8);
            out[4 * x + 2] = static_cast<guchar>(word);
            out[4 * x + 3] = static_cast<guchar>(word >> 24);
        }
    }
    return pixbuf;
}

NativeWindow* find(WindowHandle window) {
    return findNative(window);
}

// Exposure shows the kept copy of the window's pixels: no WM_PAINT is needed for it.
gboolean onDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* state = windowView(handleOf(data));
    if (state == nullptr) {
        return TRUE;
    }
    if (state->tooltip) {
        drawTooltip(cr, widget, state->text);
        return TRUE;
    }
    const WindowPixels& pixels = *shownPixels(state->handle);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (pixels.width <= 0 || pixels.height <= 0) {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
        cairo_paint(cr);
        return TRUE;
    }
    cairo_format_t format = state->isLayered() ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    // Only read from: cairo's signature wants writable data.
    auto* bytes = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(pixels.pixels.data()));
    cairo_surface_t* surface = cairo_image_surface_create_for_data(bytes, format, pixels.width,
                                                                   pixels.height, pixels.width * 4);
    // The kept pixels are device pixels; the widget draws in GDK's logical ones.
    cairo_surface_set_device_scale(surface, state->scale, state->scale);
    Point offset;
    if (state->reveal) {
        // Sliding open: only the revealed band, with the contents moving into it.
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
        cairo_paint(cr);
        const Rect& visible = state->reveal->visible;
        cairo_rectangle(cr, visible.left, visible.top, visible.width(), visible.height());
        cairo_clip(cr);
        offset = state->reveal->contentOffset;
    }
    cairo_set_source_surface(cr, surface, offset.x, offset.y);
    if (state->isLayered() && state->constantAlpha != 255) {
        cairo_paint_with_alpha(cr, state->constantAlpha / 255.0);
    } else {
        cairo_paint(cr);
    }
    cairo_surface_destroy(surface);
    // Embedded widgets (a web page) draw over the engine's pixels.
    if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget))) {
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        gtk_container_propagate_draw(GTK_CONTAINER(widget), child, cr);
    }
    return TRUE;
}

// A window moved to a monitor of another scale is drawn again at that monitor's scale.
void onScaleFactor(GtkWidget* widget, GParamSpec*, gpointer data) {
    if (std::getenv("TAMLO_SCALE") == nullptr) {
        setWindowScale(handleOf(data), gtk_widget_get_scale_factor(widget));
    }
}

// ---- Shape -----------------------------------------------------------------------------

void applyShape(WindowHandle window) {
    NativeWindow* native = find(window);
    auto* state = windowView(window);
    if (native == nullptr || state == nullptr || !gtk_widget_get_realized(native->widget)) {
        return;
    }
    const auto rows = windowShapeRows(state->region, state->reveal,
                                      Size{state->rect.width(), state->rect.height()});
    if (rows) {
        cairo_region_t* region = cairo_region_create();
        for (const Rect& row : *rows) {
            cairo_rectangle_int_t span{row.left, row.top, row.width(), row.height()};
            cairo_region_union_rectangle(region, &span);
        }
        gtk_widget_shape_combine_region(native->widget, region);
        cairo_region_destroy(region);
    } else {
        gtk_widget_shape_combine_region(native->widget, nullptr);
    }
    if (state->passesPointer()) {
        cairo_region_t* empty = cairo_region_create();
        gtk_widget_input_shape_combine_region(native->widget, empty);
        cairo_region_destroy(empty);
    } else {
        gtk_widget_input_shape_combine_region(native->widget, nullptr);
    }
}

void onRealize(GtkWidget* widget, gpointer data) {
    applyShape(handleOf(data));
    if (NativeWindow* native = find(handleOf(data)); native && native->im) {
        gtk_im_context_set_client_window(native->im, gtk_widget_get_window(widget));
    }
    if (GdkWindow* gdkWindow = gtk_widget_get_window(widget)) {
        GdkCursor* cursor = gdk_cursor_new_from_name(gdk_window_get_display(gdkWindow),
                                                     cursorNameForId(currentCursor()));
        gdk_window_set_cursor(gdkWindow, cursor);
        if (cursor) {
            g_object_unref(cursor);
        }
    }
}

// ---- The native side ---------------------------------------------------------------------

class GtkWindows : public NativeWindows {
  public:
    void windowCreated(WindowHandle window) override {
        auto* state = windowView(window);
        if (state == nullptr) {
            return;
        }
        GtkWidget* widget = gtk_window_new(state->tooltip ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
        g_object_ref_sink(widget);
        BackendState* backend = backendState();
        if (backend == nullptr) {
            g_object_unref(widget);
            return;
        }
        backend->windows[window].widget = widget;
        GtkWindow* gtkWindow = GTK_WINDOW(widget);
        gtk_window_set_decorated(gtkWindow, FALSE);
        gtk_widget_set_app_paintable(widget, TRUE);
        GdkScreen* screen = gtk_widget_get_screen(widget);
        if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen)) {
            gtk_widget_set_visual(widget, rgba);  // layered windows need alpha
        }
        if (state->exStyle & (WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT)) {
            gtk_window_set_skip_taskbar_hint(gtkWindow, TRUE);
            gtk_window_set_skip_pager_hint(gtkWindow, TRUE);
        }
        if (state->tooltip) {
            gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_TOOLTIP);
        }
        if (state->passesPointer() || (state->exStyle & WS_EX_NOACTIVATE)) {
            gtk_window_set_accept_focus(gtkWindow, FALSE);
        }
        if (NativeWindow* owner = find(state->owner)) {
            gtk_window_set_transient_for(gtkWindow, GTK_WINDOW(owner->widget));
        }
        gpointer data = dataOf(window);
        g_signal_connect(widget, "draw", G_CALLBACK(onDraw), data);
        g_signal_connect(widget, "notify::scale-factor", G_CALLBACK(onScaleFactor), data);
        g_signal_connect(widget, "realize", G_CALLBACK(onRealize), data);
        connectInput(widget, window, !state->tooltip);
        windowPlaced(window, state->rect);
    }

    void windowDestroyed(WindowHandle window) override {
        BackendState* backend = backendState();
        if (backend == nullptr) {
            return;
        }
        auto it = backend->windows.find(window);
        if (it == backend->windows.end()) {
            return;
        }
        GtkWidget* widget = it->second.widget;
        GtkIMContext* im = it->second.im;
        backend->windows.erase(it);
        if (im != nullptr) {
            g_signal_handlers_disconnect_matched(im, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                                 dataOf(window));
            gtk_im_context_set_client_window(im, nullptr);
            g_object_unref(im);
        }
        g_signal_handlers_disconnect_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                             dataOf(window));
        gtk_widget_destroy(widget);
        g_object_unref(widget);
    }

    void windowPlaced(WindowHandle window, const Rect& rect) override {
        NativeWindow* native = find(window);
        if (native == nullptr) {
            return;
        }
        GtkWindow* gtkWindow = GTK_WINDOW(native->widget);
        gtk_window_move(gtkWindow, rect.left, rect.top);
        int width = std::max(1, rect.width());
        int height = std::max(1, rect.height());
        gtk_widget_set_size_request(native->widget, width, height);
        gtk_window_resize(gtkWindow, width, height);
        applyShape(window);
    }

    void windowShown(WindowHandle window, bool visible, bool) override {
        NativeWindow* native = find(window);
        if (native == nullptr) {
            return;
        }
        if (visible) {
            auto* state = windowView(window);
            gtk_window_set_focus_on_map(GTK_WINDOW(native->widget),
                                        state && activeWindow() == window);
            gtk_widget_show(native->widget);
            applyShape(window);
        } else {
            gtk_widget_hide(native->widget);
        }
    }

    void windowsRestacked(const std::vector<WindowHandle>& topFirst) override {
        for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it) {
            NativeWindow* native = find(*it);
            if (native && gtk_widget_get_visible(native->widget)) {
                if (GdkWindow* gdkWindow = gtk_widget_get_window(native->widget)) {
                    gdk_window_raise(gdkWindow);
                }
            }
        }
    }

    void windowActivated(WindowHandle window) override {
        NativeWindow* native = find(window);
        if (native && gtk_widget_get_visible(native->widget) &&
            !gtk_window_is_active(GTK_WINDOW(native->widget))) {
            gtk_window_present(GTK_WINDOW(native->widget));
        }
    }

    void windowContentsChanged(WindowHandle window, const Rect& area) override {
        if (NativeWindow* native = find(window)) {
            gtk_widget_queue_draw_area(native->widget, area.left, area.top, area.width(),
                                       area.height());
        }
    }

    void windowShapeChanged(WindowHandle window) override { applyShape(window); }

    bool presentAnimationFrame(WindowHandle window, uint64_t untilMs) override {
        NativeWindow* native = find(window);
        auto queue = uiQueueIfAny();
        if (native == nullptr || !queue) {
            return false;
        }
        applyShape(window);
        gtk_widget_queue_draw(native->widget);
        QueueDispatchHold hold;
        do {
            // Bounded, so a source that is always ready cannot hold the frame.
            for (int i = 0; i < 64 && g_main_context_pending(nullptr); ++i) {
                g_main_context_iteration(nullptr, FALSE);
            }
            if (queue->now() >= untilMs) {
                break;
            }
            g_usleep(1000);
        } while (find(window) != nullptr);
        return find(window) != nullptr;
    }

    void inputCaretPlaced(WindowHandle window, const Rect& caret) override {
        if (NativeWindow* native = find(window); native && native->im) {
            GdkRectangle area{caret.left, caret.top, std::max(1, caret.width()),
                              std::max(1, caret.height())};
            gtk_im_context_set_cursor_location(native->im, &area);
        }
    }

    void inputCaretHidden(WindowHandle window) override {
        NativeWindow* native = find(window);
        if (native && native->im && native->composing) {
            native->composing = false;
            gtk_im_context_reset(native->im);
        }
    }

    void windowTextChanged(WindowHandle window) override {
        NativeWindow* native = find(window);
        auto* state = windowView(window);
        if (native && state) {
            gtk_window_set_title(GTK_WINDOW(native->widget), utf16ToUtf8(state->text).c_str());
            gtk_widget_queue_draw(native->widget);
        }
    }

    void windowIconChanged(WindowHandle window) override {
        NativeWindow* native = find(window);
        WindowPixels icon;
        if (native == nullptr) {
            return;
        }
        if (!windowIcon(window, icon)) {
            gtk_window_set_icon(GTK_WINDOW(native->widget), nullptr);
            return;
        }
        if (GdkPixbuf* pixbuf = pixbufFromPremultiplied(icon)) {
            gtk_window_set_icon(GTK_WINDOW(native->widget), pixbuf);
            g_object_unref(pixbuf);
        }
    }

    void windowIconicChanged(WindowHandle window, bool iconic) override {
        if (NativeWindow* native = find(window)) {
            if (iconic) {
                gtk_window_iconify(GTK_WINDOW(native->widget));
            } else {
                gtk_window_deiconify(GTK_WINDOW(native->widget));
            }
        }
    }

    void captureChanged(WindowHandle captured) override {
        GdkDisplay* display = gdk_display_get_default();
        GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
        if (seat == nullptr) {
            return;
        }
        gdk_seat_ungrab(seat);
        NativeWindow* native = find(captured);
        if (native == nullptr) {
            return;
        }
        GdkWindow* gdkWindow = gtk_widget_get_window(native->widget);
        if (gdkWindow && gdk_window_is_visible(gdkWindow)) {
            gdk_seat_grab(seat, gdkWindow, GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE, nullptr,
                          nullptr, nullptr, nullptr);
        }
    }

    void cursorChanged(uint32_t cursorId) override {
        GdkDisplay* display = gdk_display_get_default();
        BackendState* backend = backendState();
        if (display == nullptr || backend == nullptr) {
            return;
        }
        GdkCursor* cursor = gdk_cursor_new_from_name(display, cursorNameForId(cursorId));
        for (auto& [handle, native] : backend->windows) {
            if (GdkWindow* gdkWindow = gtk_widget_get_window(native.widget)) {
                gdk_window_set_cursor(gdkWindow, cursor);
            }
        }
        if (cursor) {
            g_object_unref(cursor);
        }
    }
};

}  // namespace

std::unique_ptr<NativeWindows> createGtkWindows() {
    return std::make_unique<GtkWindows>();
}

void* nativeWindowWidget(WindowHandle window) {
    NativeWindow* native = find(window);
    return native ? native->widget : nullptr;
}

void* nativeChildLayer(WindowHandle window) {
    NativeWindow* native = find(window);
    if (native == nullptr || !GTK_IS_WINDOW(native->widget)) {
        return nullptr;
    }
    GtkWidget* layer = gtk_bin_get_child(GTK_BIN(native->widget));
    if (layer == nullptr) {
        layer = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(native->widget), layer);
        gtk_widget_show(layer);
    }
    return layer;
}

}  // namespace tamlo::platform::gtk
