#include <gtest/gtest.h>

#include <memory>

#include "dui/controls/web_browser.h"
#include "platform/headless/backend.h"
#include "platform/text_encoding.h"
#include "window_impl_fixture.h"

namespace tamlo::test {
namespace {

using Log = std::vector<std::string>;

// What the browser control asked of its page, kept by the test after the page has gone.
struct PageRecord {
    std::vector<std::string> navigations;
    std::vector<std::pair<platform::Rect, bool>> placements;
    platform::BrowserEvents events;
    bool destroyed = false;
};

class RecordedPage : public platform::BrowserView {
  public:
    explicit RecordedPage(std::shared_ptr<PageRecord> record) : record_(std::move(record)) {}
    ~RecordedPage() override { record_->destroyed = true; }
    void navigate(const std::string& url) override { record_->navigations.push_back(url); }
    void place(const platform::Rect& area, bool visible) override {
        record_->placements.emplace_back(area, visible);
    }

  private:
    std::shared_ptr<PageRecord> record_;
};

// Logs the two browser messages as they reach the window procedure.
class BrowserHostWindow : public WindowImpl {
  public:
    explicit BrowserHostWindow(Log& log) : log_(log) {}
    std::intptr_t handleMessage(uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override {
        if (message == dui::WebBrowser::kBeforeNavigateMessage) {
            const auto* url = reinterpret_cast<const char16_t*>(wParam);
            log_.push_back("1126 " + utf16ToUtf8(url));
        } else if (message == dui::WebBrowser::kNavigateCompleteMessage) {
            log_.push_back("1127");
        }
        return WindowImpl::handleMessage(message, wParam, lParam);
    }

  private:
    Log& log_;
};

void logEvent(void* log, dui::Control* sender, dui::Event& event) {
    auto* browser = static_cast<dui::WebBrowser*>(sender);
    static_cast<Log*>(log)->push_back(
        (event.code == dui::EventCode::BeforeNavigate ? "before " : "complete ") +
        utf16ToUtf8(browser->url()));
}

void cancelNavigation(void*, dui::Control*, dui::Event& event) {
    event.handled = 1;
}

class WebBrowserTest : public WindowImplTest {
  protected:
    void SetUp() override {
        WindowImplTest::SetUp();
        std::string error;
        ASSERT_NE(platform::startBackend(&error), nullptr) << error;
        ASSERT_NE(platform::headlessBackend(), nullptr);
        platform::headlessBackend()->setBrowserViewFactory(
            [this](platform::WindowHandle, platform::BrowserEvents events) {
                auto record = std::make_shared<PageRecord>();
                record->events = std::move(events);
                pages.push_back(record);
                return std::make_unique<RecordedPage>(record);
            });
        dui::setLayoutSource([](std::u16string_view name, std::string& bytes) {
            if (name == u"notes.html") {
                bytes = "<p>notes</p>";
                return true;
            }
            return false;
        });
    }
    void TearDown() override {
        platform::headlessBackend()->setBrowserViewFactory(nullptr);
        WindowImplTest::TearDown();
    }

    dui::WebBrowser* openBrowser(const std::string& pageAttributes = "") {
        dui::Control* root = build(
            "<Window initSize=\"300,200\"><Grid id=\"2\"" + pageAttributes +
            "><WebBrowser id=\"7\" url=\"tamlo://frame/notes.html\" width=\"200\" height=\"100\" "
            "margin=\"10,20,0,0\" horizontalAlign=\"left\" "
            "verticalAlign=\"top\"/></Grid></Window>");
        releaseBuilt(root);
        window = new BrowserHostWindow(log);
        window->setRoot(root);
        EXPECT_TRUE(window->create(0, 0, 100, 100, 10, 10, 0));
        platform::showWindow(window->handle(), win32::SW_SHOWNORMAL);
        pump();
        auto* browser = dynamic_cast<dui::WebBrowser*>(window->controlById(7));
        EXPECT_NE(browser, nullptr);
        browser->addHandler(dui::EventCode::BeforeNavigate, &log, &logEvent);
        browser->addHandler(dui::EventCode::NavigateComplete, &log, &logEvent);
        return browser;
    }

    std::vector<std::shared_ptr<PageRecord>> pages;
};

TEST_F(WebBrowserTest, TheWindowHearsOfANavigationBeforeItLoadsAndOfItsEndAfter) {
    dui::WebBrowser* browser = openBrowser();
    ASSERT_EQ(pages.size(), 1u);
    PageRecord& page = *pages[0];
    EXPECT_EQ(page.navigations, (std::vector<std::string>{"tamlo://frame/notes.html"}));

    // The start is sent: it has reached the window when the page's callback returns.
    EXPECT_FALSE(page.events.beforeNavigate("tamlo://frame/notes.html"));
    EXPECT_EQ(takeLog(), (Log{"1126 tamlo://frame/notes.html", "before tamlo://frame/notes.html"}));

    // The end is posted: the script's event comes at once, the window's message after.
    page.events.navigateComplete("tamlo://frame/notes.html");
    EXPECT_EQ(takeLog(), (Log{"complete tamlo://frame/notes.html"}));
    pump();
    EXPECT_EQ(takeLog(), (Log{"1127"}));

    // A handler that marks the start handled cancels it; the page's URL stays.
    browser->addHandler(dui::EventCode::BeforeNavigate, nullptr, &cancelNavigation);
    EXPECT_TRUE(page.events.beforeNavigate("https://example.com/"));
    EXPECT_EQ(takeLog(), (Log{"1126 https://example.com/", "before https://example.com/"}));
    EXPECT_EQ(browser->url(), u"tamlo://frame/notes.html");

    browser->navigate(u"tamlo://frame/other.html");
    EXPECT_EQ(page.navigations.back(), "tamlo://frame/other.html");
}

TEST_F(WebBrowserTest, ThePageServesTheLayoutPackageAndNothingBesideIt) {
    openBrowser();
    PageRecord& page = *pages[0];
    platform::BrowserResource found = page.events.resource("tamlo://frame/notes.html?x#top");
    EXPECT_EQ(found.status, 200);
    EXPECT_EQ(found.mimeType, "text/html");
    EXPECT_EQ(found.body, "<p>notes</p>");
    for (const char* url : {"tamlo://frame/missing.html", "tamlo://frame/%2e%2e/notes.html",
                            "tamlo://style/notes.html", "tamlo://frame//notes.html"}) {
        platform::BrowserResource refused = page.events.resource(url);
        EXPECT_EQ(refused.status, 404) << url;
        EXPECT_NE(refused.body.find("404"), std::string::npos) << url;
    }
}

TEST_F(WebBrowserTest, ThePageFollowsItsControlAndHidesWithItsPage) {
    dui::WebBrowser* browser = openBrowser();
    PageRecord& page = *pages[0];
    ASSERT_FALSE(page.placements.empty());
    EXPECT_EQ(page.placements.back(), std::make_pair(platform::Rect{10, 20, 210, 120}, true));

    window->controlById(2)->setVisible(false);
    window->root()->invalidate(true);
    pump();
    EXPECT_FALSE(page.placements.back().second);

    window->controlById(2)->setVisible(true);
    window->root()->invalidate(true);
    pump();
    EXPECT_EQ(page.placements.back(), std::make_pair(platform::Rect{10, 20, 210, 120}, true));
    EXPECT_TRUE(browser->hasPage());
}

TEST_F(WebBrowserTest, AWindowDestroyedMidNavigationTakesThePageAndItsLateMessageWithIt) {
    openBrowser();
    std::shared_ptr<PageRecord> page = pages[0];
    page->events.beforeNavigate("tamlo://frame/notes.html");
    page->events.navigateComplete("tamlo://frame/notes.html");  // 1127 is queued
    takeLog();
    window->destroy();
    window = nullptr;
    EXPECT_TRUE(page->destroyed);
    pump();
    EXPECT_EQ(takeLog(), Log{});
}

TEST_F(WebBrowserTest, WithoutABrowserEngineTheControlStaysEmptyAndSaysSoOnce) {
    platform::headlessBackend()->setBrowserViewFactory(nullptr);
    dui::WebBrowser::forgetNoBrowserNotice();  // another test in this process may have said it
    dui::Control* root = build(
        "<Window initSize=\"300,200\"><WebBrowser id=\"7\" url=\"tamlo://frame/a.html\"/>"
        "<WebBrowser id=\"8\"/></Window>");
    releaseBuilt(root);
    window = new WindowImpl();
    window->setRoot(root);
    ASSERT_TRUE(window->create(0, 0, 100, 100, 10, 10, 0));
    pump();
    EXPECT_FALSE(dynamic_cast<dui::WebBrowser*>(window->controlById(7))->hasPage());
    EXPECT_FALSE(dynamic_cast<dui::WebBrowser*>(window->controlById(8))->hasPage());
    int said = 0;
    for (const std::string& line : debugLines) {
        said += line.find("WebBrowser: no page is shown") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(said, 1);
}

}  // namespace
}  // namespace tamlo::test
