#pragma once

#include <memory>
#include <string>

#include "dui/core/control.h"
#include "platform/browser_view.h"

namespace tamlo::dui {

class HostWindow;

// A web page in a control's rectangle, shown by the backend's browser engine. Navigation
// start is sent to the host window as kBeforeNavigateMessage (wParam: the target URL as a
// zero-terminated UTF-16 string) and raised at the control as BeforeNavigate, whose
// handlers may cancel it; completion is posted as kNavigateCompleteMessage and raised as
// NavigateComplete. Without a browser engine the control stays empty and says so once.
class WebBrowser : public Control {
  public:
    static constexpr uint32_t kBeforeNavigateMessage = 0x400 + 102;
    static constexpr uint32_t kNavigateCompleteMessage = 0x400 + 103;

    WebBrowser();
    ~WebBrowser() override;

    // Loads `url` now, or at attach when the control has no page yet.
    void navigate(const std::u16string& url);
    // While BeforeNavigate runs, the URL about to load; else the page's own.
    const std::u16string& url() const { return url_; }
    bool hasPage() const { return view_ != nullptr; }

    // Keeps every page of `window` over its control, hidden with it (after each paint).
    static void placePagesOf(HostWindow* window);
    // The missing-browser notice is said once per process; a test that checks it starts
    // from a process that has not said it yet.
    static void forgetNoBrowserNotice();

  private:
    static void onAttached(void* self, Control* sender, Event& event);
    void createPage();
    void placePage();
    bool beforeNavigate(const std::string& url);
    void navigateComplete(const std::string& url);
    bool shownInTree() const;

    std::unique_ptr<platform::BrowserView> view_;
    std::u16string url_;
    std::u16string pendingUrl_;
    Rect placedRect_;
    bool placedVisible_ = false;
};

}  // namespace tamlo::dui
