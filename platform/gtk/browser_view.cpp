// Web pages on WebKitGTK, opened with dlopen the first time a page is made, so the engine
// starts (and runs every installer without a browser control) on a desktop without it.
// Only the few entry points used here are looked up; their types are declared below.
#include <dlfcn.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "platform/debug_sink.h"
#include "platform/gtk/backend.h"

namespace tamlo::platform::gtk {
namespace {

constexpr const char* kLibraryName = "libwebkit2gtk-4.1.so.0";

// WebKitPolicyDecisionType and WebKitLoadEvent values.
constexpr int kNavigationAction = 0;
constexpr int kNewWindowAction = 1;
constexpr int kResponse = 2;
constexpr int kLoadStarted = 0;
constexpr int kLoadCommitted = 2;
constexpr int kLoadFinished = 3;

using SchemeCallback = void (*)(gpointer request, gpointer data);

struct WebKit {
    GtkWidget* (*webViewNewWithContext)(gpointer context);
    gpointer (*webContextNewEphemeral)();
    void (*registerUriScheme)(gpointer context, const char* scheme, SchemeCallback callback,
                              gpointer data, GDestroyNotify destroy);
    const char* (*requestGetUri)(gpointer request);
    gpointer (*requestGetWebView)(gpointer request);
    void (*requestFinishWithResponse)(gpointer request, gpointer response);
    gpointer (*responseNew)(GInputStream* stream, gint64 length);
    void (*responseSetStatus)(gpointer response, guint status, const char* reason);
    void (*responseSetContentType)(gpointer response, const char* type);
    void (*loadUri)(gpointer view, const char* uri);
    const char* (*getUri)(gpointer view);
    void (*stopLoading)(gpointer view);
    gpointer (*getSettings)(gpointer view);
    void (*setDeveloperExtras)(gpointer settings, gboolean on);
    void (*setJavascript)(gpointer settings, gboolean on);
    void (*setJavascriptOpensWindows)(gpointer settings, gboolean on);
    void (*setFileAccessFromFileUrls)(gpointer settings, gboolean on);
    void (*setUniversalAccessFromFileUrls)(gpointer settings, gboolean on);
    gpointer (*decisionGetNavigationAction)(gpointer decision);
    gpointer (*actionGetRequest)(gpointer action);
    const char* (*uriRequestGetUri)(gpointer request);
    void (*decisionIgnore)(gpointer decision);
    void (*decisionUse)(gpointer decision);
    gboolean (*responseMimeSupported)(gpointer decision);
    void (*downloadCancel)(gpointer download);

    gpointer context = nullptr;  // one ephemeral context: nothing is kept on disk
};

template <typename Function>
bool resolve(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(library, name));
    return out != nullptr;
}

void onDownloadStarted(gpointer, gpointer download, gpointer data);
void onSchemeRequest(gpointer request, gpointer data);

// Null with `why` when the library or one of its entry points is missing.
WebKit* webKit(std::string* why) {
    static std::unique_ptr<WebKit> loaded;
    static std::string failure;
    static bool tried = false;
    if (!tried) {
        tried = true;
        void* library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* error = dlerror();
            failure = std::string("WebKitGTK cannot be loaded: ") + (error ? error : kLibraryName);
        } else {
            auto kit = std::make_unique<WebKit>();
            const bool all =
                resolve(library, "webkit_web_view_new_with_context", kit->webViewNewWithContext) &&
                resolve(library, "webkit_web_context_new_ephemeral", kit->webContextNewEphemeral) &&
                resolve(library, "webkit_web_context_register_uri_scheme",
                        kit->registerUriScheme) &&
                resolve(library, "webkit_uri_scheme_request_get_uri", kit->requestGetUri) &&
                resolve(library, "webkit_uri_scheme_request_get_web_view",
                        kit->requestGetWebView) &&
                resolve(library, "webkit_uri_scheme_request_finish_with_response",
                        kit->requestFinishWithResponse) &&
                resolve(library, "webkit_uri_scheme_response_new", kit->responseNew) &&
                resolve(library, "webkit_uri_scheme_response_set_status", kit->responseSetStatus) &&
                resolve(library, "webkit_uri_scheme_response_set_content_type",
                        kit->responseSetContentType) &&
                resolve(library, "webkit_web_view_load_uri", kit->loadUri) &&
                resolve(library, "webkit_web_view_get_uri", kit->getUri) &&
                resolve(library, "webkit_web_view_stop_loading", kit->stopLoading) &&
                resolve(library, "webkit_web_view_get_settings", kit->getSettings) &&
                resolve(library, "webkit_settings_set_enable_developer_extras",
                        kit->setDeveloperExtras) &&
                resolve(library, "webkit_settings_set_enable_javascript", kit->setJavascript) &&
                resolve(library, "webkit_settings_set_javascript_can_open_windows_automatically",
                        kit->setJavascriptOpensWindows) &&
                resolve(library, "webkit_settings_set_allow_file_access_from_file_urls",
                        kit->setFileAccessFromFileUrls) &&
                resolve(library, "webkit_settings_set_allow_universal_access_from_file_urls",
                        kit->setUniversalAccessFromFileUrls) &&
                resolve(library, "webkit_navigation_policy_decision_get_navigation_action",
                        kit->decisionGetNavigationAction) &&
                resolve(library, "webkit_navigation_action_get_request", kit->actionGetRequest) &&
                resolve(library, "webkit_uri_request_get_uri", kit->uriRequestGetUri) &&
                resolve(library, "webkit_policy_decision_ignore", kit->decisionIgnore) &&
                resolve(library, "webkit_policy_decision_use", kit->decisionUse) &&
                resolve(library, "webkit_response_policy_decision_is_mime_type_supported",
                        kit->responseMimeSupported) &&
                resolve(library, "webkit_download_cancel", kit->downloadCancel);
            if (!all) {
                failure = "WebKitGTK lacks an entry point the engine needs";
                dlclose(library);
            } else {
                kit->context = kit->webContextNewEphemeral();
                if (kit->context == nullptr) {
                    failure = "WebKitGTK gave no web context";
                } else {
                    kit->registerUriScheme(kit->context, kEngineUrlScheme, onSchemeRequest, nullptr,
                                           nullptr);
                    g_signal_connect(kit->context, "download-started",
                                     G_CALLBACK(onDownloadStarted), nullptr);
                    loaded = std::move(kit);  // the library stays loaded for the process
                }
            }
        }
    }
    if (loaded == nullptr && why) {
        *why = failure;
    }
    return loaded.get();
}

// Every download is refused, before it has chosen a file.
void onDownloadStarted(gpointer, gpointer download, gpointer) {
    webKit(nullptr)->downloadCancel(download);
}

constexpr const char* kOwnerKey = "tamlo-browser-view";

class WebKitView : public BrowserView {
  public:
    WebKitView(WebKit& kit, GtkWidget* layer, BrowserEvents events)
        : kit_(kit), events_(std::move(events)), alive_(std::make_shared<bool>(true)) {
        view_ = kit_.webViewNewWithContext(kit_.context);
        g_object_ref_sink(view_);
        gpointer settings = kit_.getSettings(view_);
        kit_.setJavascript(settings, TRUE);
        kit_.setDeveloperExtras(settings, FALSE);
        kit_.setJavascriptOpensWindows(settings, FALSE);
        kit_.setFileAccessFromFileUrls(settings, FALSE);
        kit_.setUniversalAccessFromFileUrls(settings, FALSE);
        g_object_set_data(G_OBJECT(view_), kOwnerKey, this);
        g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
        g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
        g_signal_connect(view_, "context-menu", G_CALLBACK(onContextMenu), this);
        g_signal_connect(view_, "create", G_CALLBACK(onCreate), this);
        g_signal_connect_after(view_, "draw", G_CALLBACK(onDrawn), this);
        madeAt_ = g_get_monotonic_time();
        gtk_widget_set_no_show_all(view_, TRUE);
        gtk_fixed_put(GTK_FIXED(layer), view_, 0, 0);
    }

    ~WebKitView() override {
        *alive_ = false;
        g_signal_handlers_disconnect_matched(view_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                             this);
        g_object_set_data(G_OBJECT(view_), kOwnerKey, nullptr);
        kit_.stopLoading(view_);
        gtk_widget_destroy(view_);
        g_object_unref(view_);
    }

    void navigate(const std::string& url) override { kit_.loadUri(view_, url.c_str()); }

    void place(const Rect& area, bool visible) override {
        if (!visible || area.isEmpty()) {
            gtk_widget_hide(view_);
            return;
        }
        if (GtkWidget* layer = gtk_widget_get_parent(view_)) {
            gtk_fixed_move(GTK_FIXED(layer), view_, area.left, area.top);
        }
        gtk_widget_set_size_request(view_, area.width(), area.height());
        gtk_widget_show(view_);
    }

    static WebKitView* ownerOf(gpointer view) {
        return view ? static_cast<WebKitView*>(g_object_get_data(G_OBJECT(view), kOwnerKey))
                    : nullptr;
    }

    // The scheme's reply, through the control.
    BrowserResource serve(const std::string& url) {
        auto resource = events_.resource;  // a copy: the handler may end this view
        return resource ? resource(url) : BrowserResource{};
    }

  private:
    // Asks the control; true when the navigation is cancelled (or the view has gone).
    bool askBeforeNavigate(const std::string& url) {
        auto handler = events_.beforeNavigate;  // a copy: the handler may end this view
        std::shared_ptr<bool> alive = alive_;
        const bool cancel = handler && handler(url);
        return cancel || !*alive;
    }

    static gboolean onDecidePolicy(gpointer, gpointer decision, int type, gpointer data) {
        auto* self = static_cast<WebKitView*>(data);
        WebKit& kit = self->kit_;
        if (type == kResponse) {
            // What the page cannot show would become a download: refuse it.
            if (!kit.responseMimeSupported(decision)) {
                kit.decisionIgnore(decision);
                return TRUE;
            }
            return FALSE;
        }
        if (type != kNavigationAction && type != kNewWindowAction) {
            return FALSE;
        }
        gpointer request = kit.actionGetRequest(kit.decisionGetNavigationAction(decision));
        const char* uri = request ? kit.uriRequestGetUri(request) : nullptr;
        const std::string url = uri ? uri : "";
        g_object_ref(decision);
        // Pages never reach the local file system, and never open windows of their own:
        // a new-window link is offered to the control like any other and then dropped.
        const bool local = g_ascii_strncasecmp(url.c_str(), "file:", 5) == 0;
        const bool cancel = local || self->askBeforeNavigate(url) || type == kNewWindowAction;
        if (cancel) {
            kit.decisionIgnore(decision);
        } else {
            kit.decisionUse(decision);
        }
        g_object_unref(decision);
        return TRUE;
    }

    static void onLoadChanged(gpointer view, int loadEvent, gpointer data) {
        auto* self = static_cast<WebKitView*>(data);
        if (loadEvent == kLoadStarted) {
            self->loadCommitted_ = false;
        }
        if (loadEvent == kLoadCommitted) {
            self->committed_ = true;
            self->loadCommitted_ = true;
        }
        // A load that never committed (refused, cancelled, a download) completes nothing.
        if (loadEvent != kLoadFinished || !self->loadCommitted_) {
            return;
        }
        const char* uri = self->kit_.getUri(view);
        auto handler = self->events_.navigateComplete;
        if (handler) {
            handler(uri ? uri : "");
        }
    }

    // The first frame of the first page, for the figures of the debug output.
    static gboolean onDrawn(GtkWidget*, cairo_t*, gpointer data) {
        auto* self = static_cast<WebKitView*>(data);
        if (self->committed_ && !self->firstPaintSaid_) {
            self->firstPaintSaid_ = true;
            const gint64 ms = (g_get_monotonic_time() - self->madeAt_) / 1000;
            debugOutput("WebBrowser: first paint " + std::to_string(ms) + " ms after attach");
        }
        return FALSE;
    }

    static gboolean onContextMenu(gpointer, gpointer, gpointer, gpointer) { return TRUE; }
    static GtkWidget* onCreate(gpointer, gpointer, gpointer) { return nullptr; }

    WebKit& kit_;
    BrowserEvents events_;
    GtkWidget* view_ = nullptr;
    std::shared_ptr<bool> alive_;
    gint64 madeAt_ = 0;
    bool committed_ = false;      // some page has committed: its frames are real
    bool loadCommitted_ = false;  // the current load has
    bool firstPaintSaid_ = false;
};

void onSchemeRequest(gpointer request, gpointer) {
    WebKit* kit = webKit(nullptr);
    const char* uri = kit->requestGetUri(request);
    BrowserResource reply;  // a page whose control has gone gets the 404 default
    reply.body = "<!DOCTYPE html><title>404</title>";
    if (WebKitView* owner = WebKitView::ownerOf(kit->requestGetWebView(request))) {
        reply = owner->serve(uri ? uri : "");
    }
    GBytes* bytes = g_bytes_new(reply.body.data(), reply.body.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    gpointer response = kit->responseNew(stream, static_cast<gint64>(reply.body.size()));
    kit->responseSetStatus(response, static_cast<guint>(reply.status),
                           reply.status == 200 ? "OK" : "Not Found");
    kit->responseSetContentType(response, reply.mimeType.c_str());
    kit->requestFinishWithResponse(request, response);
    g_object_unref(response);
    g_object_unref(stream);
    g_bytes_unref(bytes);
}

}  // namespace

std::unique_ptr<BrowserView> createWebKitView(WindowHandle window, BrowserEvents events,
                                              std::string* why) {
    auto* layer = static_cast<GtkWidget*>(nativeChildLayer(window));
    if (layer == nullptr) {
        if (why) {
            *why = "the window has no native window to hold a page";
        }
        return nullptr;
    }
    WebKit* kit = webKit(why);
    if (kit == nullptr) {
        return nullptr;
    }
    return std::make_unique<WebKitView>(*kit, layer, std::move(events));
}

}  // namespace tamlo::platform::gtk
