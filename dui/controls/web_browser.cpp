#include "dui/controls/web_browser.h"

#include <set>

#include "dui/controls/engine_pages.h"
#include "dui/core/attribute_keys.h"
#include "dui/core/host_window.h"
#include "dui/core/panel.h"
#include "dui/loader/layout_loader.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/text_encoding.h"

namespace tamlo::dui {
namespace {

std::set<WebBrowser*>& liveBrowsers() {
    static std::set<WebBrowser*> browsers;
    return browsers;
}

bool noBrowserSaid = false;  // UI thread only

void sayOnceThereIsNoBrowser(const std::string& why) {
    if (!noBrowserSaid) {
        noBrowserSaid = true;
        debugOutput("WebBrowser: no page is shown: " + why);
    }
}

}  // namespace

void WebBrowser::forgetNoBrowserNotice() {
    noBrowserSaid = false;
}

WebBrowser::WebBrowser() {
    addHandler(EventCode::Attached, this, &WebBrowser::onAttached);
    liveBrowsers().insert(this);
}

WebBrowser::~WebBrowser() {
    liveBrowsers().erase(this);
    view_.reset();  // its callbacks end with it: nothing reaches the window after this
}

void WebBrowser::onAttached(void* self, Control* sender, Event&) {
    auto* browser = static_cast<WebBrowser*>(self);
    if (sender == browser && browser->view_ == nullptr) {
        browser->createPage();
    }
}

void WebBrowser::createPage() {
    if (window() == nullptr || window()->nativeHandle() == 0 || !platform::backendStarted()) {
        return;
    }
    platform::BrowserEvents events;
    events.beforeNavigate = [this](const std::string& url) { return beforeNavigate(url); };
    events.navigateComplete = [this](const std::string& url) { navigateComplete(url); };
    events.resource = [](const std::string& url) { return serveEnginePage(url, readLayoutFile); };
    std::string why;
    view_ =
        platform::backend().createBrowserView(window()->nativeHandle(), std::move(events), &why);
    if (view_ == nullptr) {
        sayOnceThereIsNoBrowser(why);
        return;
    }
    placePage();
    std::u16string first = pendingUrl_;
    if (first.empty()) {
        getText(key::url, first);
    }
    pendingUrl_.clear();
    if (!first.empty()) {
        view_->navigate(utf16ToUtf8(first));
    }
}

void WebBrowser::navigate(const std::u16string& url) {
    if (view_ == nullptr) {
        pendingUrl_ = url;
        return;
    }
    view_->navigate(utf16ToUtf8(url));
}

bool WebBrowser::beforeNavigate(const std::string& url) {
    const std::u16string previous = url_;
    url_ = utf8ToUtf16(url);
    if (window() != nullptr) {
        const std::u16string target = url_;  // stays alive for the synchronous send
        window()->sendToWindow(kBeforeNavigateMessage,
                               reinterpret_cast<std::uintptr_t>(target.c_str()), 0);
    }
    Event event{EventCode::BeforeNavigate, Direct, 0, 0, 0};
    raiseEvent(event);
    const bool cancelled = event.handled != 0;
    if (liveBrowsers().count(this) == 0) {
        return true;  // a handler destroyed the control: nothing more loads here
    }
    if (cancelled) {
        url_ = previous;
    }
    return cancelled;
}

void WebBrowser::navigateComplete(const std::string& url) {
    url_ = utf8ToUtf16(url);
    if (window() != nullptr) {
        window()->postToWindow(kNavigateCompleteMessage, 0, 0);
    }
    Event event{EventCode::NavigateComplete, Direct, 0, 0, 0};
    raiseEvent(event);
}

bool WebBrowser::shownInTree() const {
    if (!isAlive()) {
        return false;
    }
    for (const Control* control = this; control != nullptr; control = control->parent()) {
        if (!control->isVisible()) {
            return false;
        }
    }
    return true;
}

void WebBrowser::placePage() {
    if (view_ == nullptr) {
        return;
    }
    Rect area;
    const bool visible = shownInTree() && absoluteRect(area) && !area.isEmpty();
    if (visible) {
        area = intersection(area, window()->clientRect());
    }
    if (visible == placedVisible_ && (!visible || area == placedRect_)) {
        return;
    }
    placedVisible_ = visible;
    placedRect_ = area;
    view_->place(area, visible && !area.isEmpty());
}

void WebBrowser::placePagesOf(HostWindow* window) {
    for (WebBrowser* browser : liveBrowsers()) {
        if (browser->window() == window) {
            browser->placePage();
        }
    }
}

}  // namespace tamlo::dui
