#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/geometry.h"

// An embedded web page inside an engine window, for the browser control. A backend that
// has a browser engine makes one per control; one without answers null and the control
// stays empty.
namespace tamlo::platform {

using WindowHandle = std::uintptr_t;

// A page's reply from the engine's own URI scheme.
struct BrowserResource {
    int status = 404;
    std::string mimeType = "text/html";
    std::string body;
};

// What the view tells its control. UI thread only; each runs inside the browser's own
// callback, so it must not destroy the view.
struct BrowserEvents {
    // A navigation (of the top frame or a link) is about to start; true cancels it.
    std::function<bool(const std::string& url)> beforeNavigate;
    // The page at `url` has finished loading.
    std::function<void(const std::string& url)> navigateComplete;
    // A request on the engine's scheme (the whole URL).
    std::function<BrowserResource(const std::string& url)> resource;
};

class BrowserView {
  public:
    virtual ~BrowserView() = default;
    virtual void navigate(const std::string& url) = 0;
    // The area it covers, in the window's client coordinates; empty or hidden shows nothing.
    virtual void place(const Rect& clientRect, bool visible) = 0;
};

// The scheme the engine serves its own pages on: "tamlo://frame/notes.html".
constexpr const char* kEngineUrlScheme = "tamlo";

}  // namespace tamlo::platform
