#include "platform/gtk/input.h"

#include <string>

#include "platform/gtk/mappings.h"
#include "platform/gtk/state.h"
#include "platform/text_encoding.h"

namespace tamlo::platform::gtk {

using namespace tamlo::win32;

namespace {

Point rootPoint(double x, double y) {
    return Point{static_cast<int>(x), static_cast<int>(y)};
}

void noteModifiers(guint modifiers) {
    inputSetModifiers((modifiers & GDK_SHIFT_MASK) != 0, (modifiers & GDK_CONTROL_MASK) != 0,
                      (modifiers & GDK_MOD1_MASK) != 0);
}

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
    NativeWindow* native = findNative(handleOf(data));
    if (native == nullptr || native->im == nullptr) {
        deliverKey(event);
        return TRUE;
    }
    const bool wasComposing = native->composing;
    native->filter = KeyFilter{true, false, {}};
    const bool filtered = gtk_im_context_filter_keypress(native->im, event);
    native = findNative(handleOf(data));  // a commit may have ended the window
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
    NativeWindow* native = findNative(handleOf(data));
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
    NativeWindow* native = findNative(handleOf(data));
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
    if (NativeWindow* native = findNative(handleOf(data))) {
        native->composing = false;
        inputMethodComposition(handleOf(data), u"");
    }
}

gboolean onFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
    WindowHandle window = handleOf(data);
    if (NativeWindow* native = findNative(window); native && native->im) {
        gtk_im_context_focus_in(native->im);
    }
    desktopActivated(window);
    return FALSE;
}

gboolean checkApplicationFocus(gpointer) {
    BackendState* state = backendState();
    if (state == nullptr) {
        return G_SOURCE_REMOVE;
    }
    for (auto& [handle, native] : state->windows) {
        if (GTK_IS_WINDOW(native.widget) && gtk_window_is_active(GTK_WINDOW(native.widget))) {
            return G_SOURCE_REMOVE;
        }
    }
    desktopDeactivated();  // another application took the keyboard
    return G_SOURCE_REMOVE;
}

gboolean onFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
    if (NativeWindow* native = findNative(handleOf(data)); native && native->im) {
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
    NativeWindow* native = findNative(window);
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
    NativeWindow* native = findNative(handleOf(data));
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
    NativeWindow* native = findNative(handleOf(data));
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
    if (NativeWindow* native = findNative(handleOf(data))) {
        native->drag.leavePending = true;
        g_idle_add(finishPendingLeave, data);
    }
}

gboolean onDragDrop(GtkWidget* widget, GdkDragContext* context, gint x, gint y, guint time,
                    gpointer data) {
    NativeWindow* native = findNative(handleOf(data));
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
    NativeWindow* native = findNative(window);
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
        if (NativeWindow* again = findNative(window)) {
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

}  // namespace

void connectInput(GtkWidget* widget, WindowHandle window, bool withInputMethod) {
    gtk_widget_add_events(
        widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                    GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK |
                    GDK_KEY_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_FOCUS_CHANGE_MASK);
    gpointer data = dataOf(window);
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
    registerDropTarget(widget, data);
    NativeWindow* native = findNative(window);
    if (withInputMethod && native != nullptr) {
        GtkIMContext* im = gtk_im_multicontext_new();
        native->im = im;
        g_signal_connect(im, "commit", G_CALLBACK(onImCommit), data);
        g_signal_connect(im, "preedit-changed", G_CALLBACK(onImPreeditChanged), data);
        g_signal_connect(im, "preedit-end", G_CALLBACK(onImPreeditEnd), data);
    }
}

}  // namespace tamlo::platform::gtk
