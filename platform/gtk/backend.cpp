#include "platform/gtk/backend.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <optional>

#include "platform/desktop.h"
#include "platform/display_scale.h"
#include "platform/gtk/mappings.h"
#include "platform/gtk/state.h"
#include "platform/text_encoding.h"

namespace tamlo::platform::gtk {
namespace {

BackendState* living = nullptr;

GtkMessageType messageType(MessageKind kind) {
    switch (kind) {
        case MessageKind::Information:
            return GTK_MESSAGE_INFO;
        case MessageKind::Warning:
            return GTK_MESSAGE_WARNING;
        case MessageKind::Question:
            return GTK_MESSAGE_QUESTION;
        case MessageKind::Error:
            return GTK_MESSAGE_ERROR;
        default:
            return GTK_MESSAGE_OTHER;
    }
}

// The desktop's own settings, read once at start.
SystemMetrics desktopMetrics() {
    SystemMetrics metrics;
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (monitor == nullptr && display && gdk_display_get_n_monitors(display) > 0) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    if (monitor) {
        GdkRectangle geometry;
        gdk_monitor_get_geometry(monitor, &geometry);
        metrics.screen = Size{geometry.width, geometry.height};
    }
    if (GtkSettings* settings = gtk_settings_get_default()) {
        gint doubleClickTime = 0;
        gint doubleClickDistance = 0;
        gint blinkCycle = 0;
        g_object_get(settings, "gtk-double-click-time", &doubleClickTime,
                     "gtk-double-click-distance", &doubleClickDistance, "gtk-cursor-blink-time",
                     &blinkCycle, nullptr);
        if (doubleClickTime > 0) {
            metrics.doubleClickTime = static_cast<uint32_t>(doubleClickTime);
        }
        if (doubleClickDistance > 0) {
            metrics.doubleClickSize = Size{doubleClickDistance * 2, doubleClickDistance * 2};
        }
        if (blinkCycle > 0) {
            metrics.caretBlinkTime = static_cast<uint32_t>(blinkCycle / 2);  // on, then off
        }
    }
    return metrics;
}

class GtkBackend : public Backend {
  public:
    GtkBackend() {
        living = &state_;
        windows_ = createGtkWindows();
        setSystemMetrics(desktopMetrics());
    }
    ~GtkBackend() override {
        windows_.reset();
        living = nullptr;
    }

    std::string_view name() const override { return "gtk"; }

    int messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                   uint32_t type) override {
        if (std::optional<int> answer = answerMessageBox(
                MessageBoxRequest{owner, std::u16string(text), std::u16string(caption), type})) {
            return *answer;
        }
        MessageBoxLayout layout = messageBoxLayout(type);
        auto* parent = static_cast<GtkWindow*>(nativeWindowWidget(owner));
        std::string body = utf16ToUtf8(text);
        GtkWidget* dialog =
            gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, messageType(layout.kind),
                                   GTK_BUTTONS_NONE, "%s", body.c_str());
        gtk_window_set_title(GTK_WINDOW(dialog), utf16ToUtf8(caption).c_str());
        gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
        for (const MessageBoxButton& button : layout.buttons) {
            gtk_dialog_add_button(GTK_DIALOG(dialog), button.label.c_str(), button.id);
        }
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), layout.defaultId);
        // A nested GLib loop: the UI queue keeps running through its source.
        gint response = gtk_dialog_run(GTK_DIALOG(dialog));
        gtk_widget_destroy(dialog);
        return response > 0 ? response : layout.closeId;
    }

    bool browseForFolder(WindowHandle owner, std::u16string_view title,
                         std::u16string& path) override {
        if (auto answer = answerFolderPicker(FolderPickerRequest{owner, std::u16string(title)})) {
            if (*answer) {
                path = **answer;
            }
            return answer->has_value();
        }
        auto* parent = static_cast<GtkWindow*>(nativeWindowWidget(owner));
        GtkWidget* dialog = gtk_file_chooser_dialog_new(
            utf16ToUtf8(title).c_str(), parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "取消",
            GTK_RESPONSE_CANCEL, "确定", GTK_RESPONSE_ACCEPT, nullptr);
        gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
        gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
        gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(dialog), TRUE);
        gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
        bool chosen = false;
        // A nested GLib loop, as for message boxes.
        if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
                path = utf8ToUtf16(name);
                chosen = !path.empty();
                g_free(name);
            }
        }
        gtk_widget_destroy(dialog);
        return chosen;
    }

    std::unique_ptr<MessagePump> createMessagePump() override { return createGlibPump(); }

    // The desktop's clipboard; UTF-8 there, UTF-16 here (invalid UTF-8 becomes U+FFFD).
    bool clipboardHasText() override {
        GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
        return clipboard != nullptr && gtk_clipboard_wait_is_text_available(clipboard);
    }

    bool clipboardText(std::u16string& out) override {
        GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
        gchar* text = clipboard != nullptr ? gtk_clipboard_wait_for_text(clipboard) : nullptr;
        if (text == nullptr) {
            return false;
        }
        out = utf8ToUtf16(text);
        g_free(text);
        return true;
    }

    bool setClipboardText(std::u16string_view text) override {
        GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
        if (clipboard == nullptr) {
            return false;
        }
        const std::string utf8 = utf16ToUtf8(text);
        gtk_clipboard_set_text(clipboard, utf8.data(), static_cast<gint>(utf8.size()));
        return true;
    }

    NativeWindows* nativeWindows() override { return windows_.get(); }

    std::unique_ptr<BrowserView> createBrowserView(WindowHandle window, BrowserEvents events,
                                                   std::string* why) override {
        return createWebKitView(window, std::move(events), why);
    }

  private:
    BackendState state_;
    std::unique_ptr<NativeWindows> windows_;
};

}  // namespace

namespace {

// TAMLO_SCALE when set (a test's or an author's choice), else GDK's scale factor of the
// primary monitor (GDK_SCALE on X11).
double desktopScale() {
    if (const char* value = std::getenv("TAMLO_SCALE")) {
        if (const std::optional<double> scale = parseDisplayScale(value)) {
            return *scale;
        }
    }
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (monitor == nullptr && display != nullptr) {
        monitor = gdk_display_get_monitor(display, 0);
    }
    return monitor != nullptr ? gdk_monitor_get_scale_factor(monitor) : 1.0;
}

// The desktop's font DPI (Xft.dpi, or the settings daemon's, without the scale factor that
// the window scale carries already) against 96; GtkSettings sets it on the screen.
double desktopTextScale() {
    GdkScreen* screen = gdk_screen_get_default();
    if (screen == nullptr || gtk_settings_get_for_screen(screen) == nullptr) {
        return 1.0;
    }
    return fontResolutionFactor(gdk_screen_get_resolution(screen));
}

}  // namespace

BackendState* backendState() {
    return living;
}

NativeWindow* findNative(WindowHandle window) {
    if (living == nullptr) {
        return nullptr;
    }
    auto it = living->windows.find(window);
    return it == living->windows.end() ? nullptr : &it->second;
}

std::unique_ptr<Backend> createGtkBackend(std::string* error) {
    if (!gtk_init_check(nullptr, nullptr)) {
        if (error) {
            *error = "cannot open the display for GTK";
        }
        return nullptr;
    }
    setDefaultWindowScale(desktopScale());
    setTextScale(desktopTextScale());
    return std::make_unique<GtkBackend>();
}

}  // namespace tamlo::platform::gtk
