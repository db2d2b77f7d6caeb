#include <gtest/gtest.h>

#include "window/shadowed_window.h"
#include "window_impl_fixture.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;
using Log = std::vector<std::string>;

class ShadowTest : public WindowImplTest {
  protected:
    void SetUp() override {
        WindowImplTest::SetUp();
        dui::setLayoutSource([](std::u16string_view name, std::string& bytes) {
            if (name == u"proxywindow.xml") {
                bytes = "<Window/>";
                return true;
            }
            if (name == u"main.xml") {
                bytes = "<Window initSize=\"300,200\"><Button id=\"1\"/></Window>";
                return true;
            }
            return false;
        });
    }

    ShadowedWindow* openShadowed() {
        auto* made = new ShadowedWindow(u"main.xml");
        EXPECT_TRUE(made->create(0, 0, 100, 100, 10, 10, 0));
        window = made;
        return made;
    }
};

TEST_F(ShadowTest, TheShadowSurroundsTheWindowAndFollowsIt) {
    ShadowedWindow* shadowed = openShadowed();
    const platform::WindowHandle proxy = shadowed->proxyHandle();
    ASSERT_NE(proxy, 0u);
    EXPECT_TRUE(platform::isWindowClickThrough(proxy));
    EXPECT_FALSE(platform::isWindowVisible(proxy));
    EXPECT_EQ(platform::windowRect(proxy), (platform::Rect{80, 86, 416, 321}));

    platform::showWindow(shadowed->handle(), win32::SW_SHOWNORMAL);
    pump();
    EXPECT_TRUE(platform::isWindowVisible(proxy));
    EXPECT_EQ(platform::activeWindow(), shadowed->handle());  // not the shadow

    platform::moveWindow(shadowed->handle(), 300, 200, 400, 250);
    pump();
    EXPECT_EQ(platform::windowRect(proxy), (platform::Rect{280, 186, 716, 471}));
    EXPECT_EQ(shadowed->root()->rect(), (Rect{0, 0, 400, 250}));

    // A click on the shadow's edge reaches whatever is below it, not the shadow.
    EXPECT_NE(platform::windowFromPoint(platform::Point{285, 190}), proxy);

    platform::showWindow(shadowed->handle(), win32::SW_HIDE);
    EXPECT_FALSE(platform::isWindowVisible(proxy));
}

TEST_F(ShadowTest, TheShadowGoesWithItsWindow) {
    ShadowedWindow* shadowed = openShadowed();
    const platform::WindowHandle proxy = shadowed->proxyHandle();
    shadowed->destroy();
    window = nullptr;
    EXPECT_EQ(WindowBase::fromHandle(proxy), nullptr);
}

class DropTest : public WindowImplTest {
  protected:
    void SetUp() override {
        WindowImplTest::SetUp();
        CDropTarget::installRouting();
    }
    void TearDown() override {
        platform::setDragHandler(nullptr);
        WindowImplTest::TearDown();
    }
    // Accepts the drag (marks the events handled) when `accepts`.
    void listen(int32_t id, const std::string& name, bool accepts) {
        dui::Control* control = window->controlById(id);
        control->setFlags(dui::ControlFlag::AcceptsDrop, true);
        targets.push_back(Target{this, name, accepts});
        for (int32_t code = dui::EventCode::DragEnter; code <= dui::EventCode::Drop; ++code) {
            control->addHandler(
                code, &targets.back(), [](void* self, dui::Control*, dui::Event& event) {
                    auto* t = static_cast<Target*>(self);
                    static const char* names[] = {"DragEnter", "DragOver", "DragLeave", "Drop"};
                    std::string line =
                        t->name + " " + names[event.code - dui::EventCode::DragEnter];
                    auto* info = reinterpret_cast<DragInfo*>(event.wParam);
                    if (event.code == dui::EventCode::Drop && info->data) {
                        line += " " + info->data->files.at(0);
                    }
                    t->test->log.push_back(line);
                    event.handled = t->accepts ? 1 : 0;
                });
        }
    }
    struct Target {
        DropTest* test;
        std::string name;
        bool accepts;
    };
    std::deque<Target> targets;
};

TEST_F(DropTest, DragsGoToTheNearestAcceptingControlAndSwitchBetweenThem) {
    openTwoPanels();
    listen(2, "P", true);  // the panel takes drops for its button
    listen(4, "Q", true);
    platform::DragPayload payload;
    payload.files = {"/tmp/a.txt"};
    EXPECT_TRUE(headless::dragTo(payload, platform::Point{110, 110}));
    EXPECT_TRUE(headless::dragTo(payload, platform::Point{120, 110}));
    EXPECT_TRUE(headless::dragTo(payload, platform::Point{310, 110}));
    EXPECT_TRUE(headless::dragDrop());
    EXPECT_EQ(log, (Log{"P DragEnter", "P DragOver", "P DragLeave", "Q DragEnter", "Q DragOver",
                        "Q Drop /tmp/a.txt"}));
    EXPECT_EQ(window->dropHoverControl(), nullptr);
}

TEST_F(DropTest, AnUnhandledEnterGrantsNoEffect) {
    openTwoPanels();
    listen(2, "P", false);
    platform::DragPayload payload;
    payload.text = u"words";
    EXPECT_FALSE(headless::dragTo(payload, platform::Point{110, 110}));
    EXPECT_EQ(window->dropHoverControl(), nullptr);
    headless::dragCancel();
}

TEST_F(DropTest, RemovingTheDropTargetMidDragForgetsIt) {
    openTwoPanels();
    listen(4, "Q", true);
    platform::DragPayload payload;
    payload.files = {"/tmp/b"};
    EXPECT_TRUE(headless::dragTo(payload, platform::Point{310, 110}));
    dui::Control* q = window->controlById(4);
    window->root()->asPanel()->removeChild(q);
    EXPECT_EQ(window->dropHoverControl(), nullptr);
    delete q;
    EXPECT_FALSE(headless::dragDrop());
}

}  // namespace
}  // namespace tamlo::test
