#include <gtest/gtest.h>

#include <vector>

#include "dui/core/control_test_support.h"
#include "dui/core/panel.h"
#include "dui/loader/loader_fixture.h"
#include "platform/windowing/window_registry.h"
#include "window/window_base.h"

namespace tamlo::test {
namespace {

using dui::Control;

class WindowBaseTest : public LoaderTest {
  protected:
    // A window hosting the document, made as a script window is: tree first, then create.
    WindowBase* open(const std::string& xml) {
        Control* root = build(xml);
        EXPECT_NE(root, nullptr);
        release(root);
        auto* window = new WindowBase();
        window->setRoot(root);
        EXPECT_TRUE(window->create(0, 0, 10, 10, 0, 0, 0));
        return window;
    }

  private:
    // The window owns the tree from now on.
    void release(Control* root) { releaseBuilt(root); }
};

TEST_F(WindowBaseTest, InitSizeSizesTheWindowWhateverTheContentWants) {
    WindowBase* window = open(
        "<Window initSize=\"500,300\"><Button id=\"1\" width=\"136\" height=\"27\" "
        "horizontalAlign=\"right\" verticalAlign=\"top\" margin=\"0,0,20,0\"/></Window>");
    EXPECT_EQ(window->clientSize(), (Size{500, 300}));
    EXPECT_EQ(window->root()->rect(), (Rect{0, 0, 500, 300}));
    EXPECT_EQ(window->controlById(1)->rect(), (Rect{344, 0, 480, 27}));
    EXPECT_EQ(WindowBase::fromHandle(window->handle()), window);
    window->destroy();
}

TEST_F(WindowBaseTest, WithoutInitSizeTheWindowTakesTheRootsDesiredSize) {
    WindowBase* window = open(
        "<Window><Grid width=\"645\" height=\"400\"/><Button width=\"20\" "
        "height=\"900\"/></Window>");
    EXPECT_EQ(window->clientSize(), (Size{645, 900}));
    EXPECT_EQ(window->root()->rect(), (Rect{0, 0, 645, 900}));
    window->destroy();
}

TEST_F(WindowBaseTest, ResizingLaysTheTreeOutAgain) {
    WindowBase* window = open(
        "<Window initSize=\"400,300\"><Button id=\"1\" width=\"100\" height=\"20\" "
        "horizontalAlign=\"right\"/></Window>");
    window->resize(600, 200);
    EXPECT_EQ(window->clientSize(), (Size{600, 200}));
    EXPECT_EQ(window->root()->rect(), (Rect{0, 0, 600, 200}));
    EXPECT_EQ(window->controlById(1)->rect(), (Rect{500, 90, 600, 110}));
    window->destroy();
}

TEST_F(WindowBaseTest, IdsAreFoundWhileAttachedHiddenOrNotAndGoneOnceDetached) {
    WindowBase* window = open(
        "<Window initSize=\"400,300\"><Grid id=\"1\"><Button id=\"2\"/></Grid>"
        "<Button id=\"2\"/></Window>");
    Control* later = window->root()->asPanel()->lastChild();
    EXPECT_EQ(window->controlById(2), later);  // the later of two same ids
    Control* page = window->controlById(1);
    ASSERT_NE(page, nullptr);
    page->setVisible(false);
    EXPECT_EQ(window->controlById(1), page);

    window->root()->asPanel()->removeChild(page);
    EXPECT_EQ(window->controlById(1), nullptr);
    delete page;
    window->root()->asPanel()->removeChild(later);
    EXPECT_EQ(window->controlById(2), nullptr);
    delete later;
    window->destroy();
}

TEST_F(WindowBaseTest, DestroyingTheNativeWindowDetachesTheTreeAndEndsTheObject) {
    const std::size_t windowsBefore = platform::windowCount();
    WindowBase* window = open("<Window initSize=\"100,100\"><Button id=\"1\"/></Window>");
    EXPECT_EQ(platform::windowCount(), windowsBefore + 1);
    std::vector<Control*> detached;
    dui::testing::logArrivals(*window->controlById(1), dui::EventCode::Detached, &detached);
    dui::testing::logArrivals(*window->root(), dui::EventCode::Detached, &detached);
    Control* button = window->controlById(1);
    Control* root = window->root();
    const platform::WindowHandle handle = window->handle();
    window->destroy();
    EXPECT_EQ(detached, (std::vector<Control*>{button, root}));
    EXPECT_FALSE(platform::isWindow(handle));
    EXPECT_EQ(platform::windowCount(), windowsBefore);
}

TEST_F(WindowBaseTest, DeletingTheObjectDestroysItsNativeWindow) {
    const std::size_t windowsBefore = platform::windowCount();
    WindowBase* window = open("<Window initSize=\"100,100\"/>");
    const platform::WindowHandle handle = window->handle();
    delete window;
    EXPECT_FALSE(platform::isWindow(handle));
    EXPECT_EQ(platform::windowCount(), windowsBefore);
}

}  // namespace
}  // namespace tamlo::test
