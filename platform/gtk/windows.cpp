#include <gtk/gtk.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/desktop.h"
#include "platform/gtk/backend.h"
#include "platform/gtk/mappings.h"
#include "platform/text_encoding.h"

namespace tamlo::platform::gtk {

using namespace tamlo::win32;

namespace {

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

std::map<WindowHandle, NativeWindow>& nativeWindows() {
    static std::map<WindowHandle, NativeWindow> windows;
    return windows;
}

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
    auto it = nativeWindows().find(window);
    return it == nativeWindows().end() ? nullptr : &it->second;
}

WindowHandle handleOf(gpointer data) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(data));
}

gpointer dataOf(WindowHandle window) {
    return reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(window));
}

Point rootPoint(double x, double y) {
    return Point{static_cast<int>(x), static_cast<int>(y)};
}

void noteModifiers(guint modifiers) {
    inputSetModifiers((modifiers & GDK_SHIFT_MASK) != 0, (modifiers & GDK_CONTROL_MASK) != 0,
                      (modifiers & GDK_MOD1_MASK) != 0);
}

// ---- Drawing ---------------------------------------------------------------------------

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

// ---- Input -----------------------------------------------------------------------------

gboolean onMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    noteModifiers(event->state);
    Point screen = rootPoint(event->x_root, event->y_root);
    inputPointerMoved(screen, windowUnderPointer(handleOf(data), screen));
    return TRUE;
}

gboolean onButton(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) {
        return TRUE;  // double clicks are told apart by the input itself
    }
    // A press on the engine's own surface takes the keys back from an embedded page.
    if (event->type == GDK_BUTTON_PRESS && GTK_IS_WINDOW(widget) &&
        event->window == gtk_widget_get_window(widget) &&
        gtk_window_get_focus(GTK_WINDOW(widget)) != nullptr) {
        gtk_window_set_focus(GTK_WINDOW(widget), nullptr);
    }
    MouseButton button;
    switch (event->button) {
        case 1:
            button = MouseButton::Left;
            break;
        case 2:
            button = MouseButton::Middle;
            break;
        case 3:
            button = MouseButton::Right;
            break;
        default:
            return TRUE;
    }
    noteModifiers(event->state);
    Point screen = rootPoint(event->x_root, event->y_root);
    inputButton(button, event->type == GDK_BUTTON_PRESS, screen,
                windowUnderPointer(handleOf(data), screen));
    return TRUE;
}

gboolean onScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
    int delta = 0;
    switch (event->direction) {
        case GDK_SCROLL_UP:
            delta = WHEEL_DELTA;
            break;
        case GDK_SCROLL_DOWN:
            delta = -WHEEL_DELTA;
            break;
        case GDK_SCROLL_SMOOTH:
            delta = static_cast<int>(-event->delta_y * WHEEL_DELTA);
            break;
        default:
            return TRUE;
    }
    if (delta == 0) {
        return TRUE;
    }
    noteModifiers(event->state);
    Point screen = rootPoint(event->x_root, event->y_root);
    inputWheel(delta, screen, windowUnderPointer(handleOf(data), screen));
    return TRUE;
}

gboolean onLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
    if (event->detail == GDK_NOTIFY_INFERIOR || event->mode != GDK_CROSSING_NORMAL) {
        return FALSE;
    }
    Point screen = rootPoint(event->x_root, event->y_root);
    WindowHandle under = windowFromPoint(screen);
    if (under != handleOf(data)) {
        inputPointerMoved(screen, under);
    }
    return FALSE;
}

// The key as the engine's own keyboard gives it: WM_KEYDOWN / WM_KEYUP, and a WM_CHAR
// for text no US key gives (other layouts, dead keys resolved by GDK).
void deliverKey(GdkEventKey* event) {
    bool down = event->type == GDK_KEY_PRESS;
    uint32_t key = virtualKeyFromKeyval(event->keyval);
    // The hardware keycode of X is the scan code plus 8.
    uint32_t scan = event->hardware_keycode >= 8 ? event->hardware_keycode - 8u : 0u;
    if (key != 0) {
        inputKey(key, down, scan, false);
    }
    if (!down || (event->state & GDK_CONTROL_MASK)) {
        return;
    }
    gunichar character = gdk_keyval_to_unicode(event->keyval);
    bool translated =
        key != 0 && characterForKey(key, (event->state & GDK_SHIFT_MASK) != 0,
                                    (event->state & GDK_LOCK_MASK) != 0, false) == character;
    if (character >= 0x20 && character != 0x7F && !translated) {
        if (gchar* utf8 = g_ucs4_to_utf8(&character, 1, nullptr, nullptr, nullptr)) {
            for (char16_t unit : utf8ToUtf16(utf8)) {
                inputCharacter(unit);
            }
            g_free(utf8);
        }
    }
}

// Whether `text` is just what the key types by itself (the input method passed it on).
bool isKeysOwnText(GdkEventKey* event, const std::u16string& text) {
    gunichar character = gdk_keyval_to_unicode(event->keyval);
    if (character == 0) {
        return false;
    }
    gchar* utf8 = g_ucs4_to_utf8(&character, 1, nullptr, nullptr, nullptr);
    if (utf8 == nullptr) {
        return false;
    }
    const bool same = utf8ToUtf16(utf8) == text;
    g_free(utf8);
    return same;
}

// Keys go through the input method first. A key it merely passes on (a commit of the
// key's own character outside a composition) is delivered as an ordinary key, so that
// WM_KEYDOWN still comes before the WM_CHAR; anything else it composed is a commit.
gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer data) {
    // Keys belong to an embedded page while it has the focus: GTK delivers them there.
    if (GTK_IS_WINDOW(widget) && gtk_window_get_focus(GTK_WINDOW(widget)) != nullptr) {
        return FALSE;
    }
    noteModifiers(event->state);
    NativeWindow* native = find(handleOf(data));
    if (native == nullptr || native->im == nullptr) {
        deliverKey(event);
        return TRUE;
    }
    const bool wasComposing = native->composing;
    native->filter = KeyFilter{true, false, {}};
    const bool filtered = gtk_im_context_filter_keypress(native->im, event);
    native = find(handleOf(data));  // a commit may have ended the window
    if (native == nullptr) {
        return TRUE;
    }
    KeyFilter filter = native->filter;
    native->filter = KeyFilter{};
    if (!filtered) {
        deliverKey(event);
    } else if (filter.committed) {
        if (!wasComposing && event->type == GDK_KEY_PRESS && isKeysOwnText(event, filter.text)) {
            deliverKey(event);
        } else {
            inputMethodCommit(handleOf(data), filter.text);
        }
    } else if (event->type == GDK_KEY_RELEASE) {
        deliverKey(event);  // a release never starts anything; its key state must follow
    }
    return TRUE;
}

void onImCommit(GtkIMContext*, gchar* text, gpointer data) {
    NativeWindow* native = find(handleOf(data));
    if (native == nullptr || text == nullptr) {
        return;
    }
    if (native->filter.active) {
        native->filter.committed = true;
        native->filter.text += utf8ToUtf16(text);
        return;
    }
    inputMethodCommit(handleOf(data), utf8ToUtf16(text));
}

void onImPreeditChanged(GtkIMContext* im, gpointer data) {
    NativeWindow* native = find(handleOf(data));
    if (native == nullptr) {
        return;
    }
    gchar* preedit = nullptr;
    gtk_im_context_get_preedit_string(im, &preedit, nullptr, nullptr);
    const std::u16string text = preedit != nullptr ? utf8ToUtf16(preedit) : std::u16string();
    g_free(preedit);
    native->composing = !text.empty();
    inputMethodComposition(handleOf(data), text);
}

void onImPreeditEnd(GtkIMContext*, gpointer data) {
    if (NativeWindow* native = find(handleOf(data))) {
        native->composing = false;
        inputMethodComposition(handleOf(data), u"");
    }
}

gboolean onFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
    WindowHandle window = handleOf(data);
    if (NativeWindow* native = find(window); native && native->im) {
        gtk_im_context_focus_in(native->im);
    }
    desktopActivated(window);
    return FALSE;
}

gboolean checkApplicationFocus(gpointer) {
    for (auto& [handle, native] : nativeWindows()) {
        if (GTK_IS_WINDOW(native.widget) && gtk_window_is_active(GTK_WINDOW(native.widget))) {
            return G_SOURCE_REMOVE;
        }
    }
    desktopDeactivated();  // another application took the keyboard
    return G_SOURCE_REMOVE;
}

gboolean onFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
    if (NativeWindow* native = find(handleOf(data)); native && native->im) {
        gtk_im_context_focus_out(native->im);
    }
    g_idle_add(checkApplicationFocus, nullptr);
    return FALSE;
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    desktopCloseRequested(handleOf(data));
    return TRUE;  // the engine decides
}

// ---- Drag and drop ---------------------------------------------------------------------

enum DropTarget : guint { kUriList = 1, kText = 2 };

void deliverDrag(WindowHandle window, DragPhase phase, GdkDragContext* context, guint time) {
    NativeWindow* native = find(window);
    if (native == nullptr) {
        return;
    }
    DragSession& drag = native->drag;
    DragEvent event{window, phase, drag.client,
                    phase == DragPhase::Leave ? nullptr : &drag.payload};
    bool accepted = deliverDragEvent(event);
    if (phase == DragPhase::Drop) {
        gtk_drag_finish(context, accepted, FALSE, time);
    } else if (phase != DragPhase::Leave) {
        gdk_drag_status(context, accepted ? GDK_ACTION_COPY : static_cast<GdkDragAction>(0), time);
    }
}

void requestDragData(GtkWidget* widget, GdkDragContext* context, guint time) {
    GdkAtom target = gtk_drag_dest_find_target(widget, context, nullptr);
    if (target != GDK_NONE) {
        gtk_drag_get_data(widget, context, target, time);
    }
}

gboolean onDragMotion(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time,
                      gpointer data) {
    NativeWindow* native = find(handleOf(data));
    if (native == nullptr) {
        return FALSE;
    }
    DragSession& drag = native->drag;
    drag.leavePending = false;
    drag.client = Point{x, y};
    if (!drag.haveData) {
        requestDragData(widget, context, time);  // Enter follows when the data is here
        return TRUE;
    }
    deliverDrag(handleOf(data), drag.entered ? DragPhase::Over : DragPhase::Enter, context, time);
    drag.entered = true;
    return TRUE;
}

gboolean finishPendingLeave(gpointer data) {
    NativeWindow* native = find(handleOf(data));
    if (native && native->drag.leavePending) {
        bool entered = native->drag.entered;
        native->drag = DragSession{};
        if (entered) {
            deliverDrag(handleOf(data), DragPhase::Leave, nullptr, 0);
        }
    }
    return G_SOURCE_REMOVE;
}

void onDragLeave(GtkWidget*, GdkDragContext*, guint, gpointer data) {
    // GTK leaves before it drops: the leave waits to see whether a drop follows.
    if (NativeWindow* native = find(handleOf(data))) {
        native->drag.leavePending = true;
        g_idle_add(finishPendingLeave, data);
    }
}

gboolean onDragDrop(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time,
                    gpointer data) {
    NativeWindow* native = find(handleOf(data));
    if (native == nullptr) {
        return FALSE;
    }
    native->drag.leavePending = false;
    native->drag.dropping = true;
    native->drag.client = Point{x, y};
    requestDragData(widget, context, time);
    return TRUE;
}

void onDragDataReceived(GtkWidget*, GdkDragContext* context, gint, gint,
                        GtkSelectionData* selection, guint info, guint time, gpointer data) {
    WindowHandle window = handleOf(data);
    NativeWindow* native = find(window);
    if (native == nullptr) {
        return;
    }
    DragSession& drag = native->drag;
    drag.payload = DragPayload{};
    if (info == kUriList) {
        gchar** uris = gtk_selection_data_get_uris(selection);
        for (gchar** uri = uris; uri && *uri; ++uri) {
            if (gchar* path = g_filename_from_uri(*uri, nullptr, nullptr)) {
                drag.payload.files.emplace_back(path);
                g_free(path);
            }
        }
        g_strfreev(uris);
    } else if (guchar* text = gtk_selection_data_get_text(selection)) {
        drag.payload.text = utf8ToUtf16(reinterpret_cast<const char*>(text));
        g_free(text);
    }
    drag.haveData = true;
    if (drag.dropping) {
        if (!drag.entered) {
            deliverDrag(window, DragPhase::Enter, context, time);
        }
        deliverDrag(window, DragPhase::Drop, context, time);
        if (NativeWindow* again = find(window)) {
            again->drag = DragSession{};
        }
        return;
    }
    deliverDrag(window, drag.entered ? DragPhase::Over : DragPhase::Enter, context, time);
    drag.entered = true;
}

void registerDropTarget(GtkWidget* widget, gpointer data) {
    static GtkTargetEntry targets[] = {
        {const_cast<gchar*>("text/uri-list"), 0, kUriList},
        {const_cast<gchar*>("UTF8_STRING"), 0, kText},
        {const_cast<gchar*>("text/plain;charset=utf-8"), 0, kText},
        {const_cast<gchar*>("text/plain"), 0, kText},
    };
    gtk_drag_dest_set(widget, static_cast<GtkDestDefaults>(0), targets, G_N_ELEMENTS(targets),
                      GDK_ACTION_COPY);
    g_signal_connect(widget, "drag-motion", G_CALLBACK(onDragMotion), data);
    g_signal_connect(widget, "drag-leave", G_CALLBACK(onDragLeave), data);
    g_signal_connect(widget, "drag-drop", G_CALLBACK(onDragDrop), data);
    g_signal_connect(widget, "drag-data-received", G_CALLBACK(onDragDataReceived), data);
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
        nativeWindows()[window].widget = widget;
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
        gtk_widget_add_events(
            widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                        GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                        GDK_KEY_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_FOCUS_CHANGE_MASK);
        gpointer data = dataOf(window);
        g_signal_connect(widget, "draw", G_CALLBACK(onDraw), data);
        g_signal_connect(widget, "notify::scale-factor", G_CALLBACK(onScaleFactor), data);
        g_signal_connect(widget, "motion-notify-event", G_CALLBACK(onMotion), data);
        g_signal_connect(widget, "button-press-event", G_CALLBACK(onButton), data);
        g_signal_connect(widget, "button-release-event", G_CALLBACK(onButton), data);
        g_signal_connect(widget, "scroll-event", G_CALLBACK(onScroll), data);
        g_signal_connect(widget, "leave-notify-event", G_CALLBACK(onLeave), data);
        g_signal_connect(widget, "key-press-event", G_CALLBACK(onKey), data);
        g_signal_connect(widget, "key-release-event", G_CALLBACK(onKey), data);
        g_signal_connect(widget, "focus-in-event", G_CALLBACK(onFocusIn), data);
        g_signal_connect(widget, "focus-out-event", G_CALLBACK(onFocusOut), data);
        g_signal_connect(widget, "delete-event", G_CALLBACK(onDelete), data);
        g_signal_connect(widget, "realize", G_CALLBACK(onRealize), data);
        registerDropTarget(widget, data);
        if (!state->tooltip) {
            GtkIMContext* im = gtk_im_multicontext_new();
            nativeWindows()[window].im = im;
            g_signal_connect(im, "commit", G_CALLBACK(onImCommit), data);
            g_signal_connect(im, "preedit-changed", G_CALLBACK(onImPreeditChanged), data);
            g_signal_connect(im, "preedit-end", G_CALLBACK(onImPreeditEnd), data);
        }
        windowPlaced(window, state->rect);
    }

    void windowDestroyed(WindowHandle window) override {
        auto it = nativeWindows().find(window);
        if (it == nativeWindows().end()) {
            return;
        }
        GtkWidget* widget = it->second.widget;
        GtkIMContext* im = it->second.im;
        nativeWindows().erase(it);
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
        if (display == nullptr) {
            return;
        }
        GdkCursor* cursor = gdk_cursor_new_from_name(display, cursorNameForId(cursorId));
        for (auto& [handle, native] : nativeWindows()) {
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
