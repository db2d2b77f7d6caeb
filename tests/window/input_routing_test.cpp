#include "window/input_routing.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dui/core/control_test_support.h"
#include "window_impl_fixture.h"

namespace tamlo::test {
namespace {

using Log = std::vector<std::string>;
namespace flag = dui::ControlFlag;

// A plain host: the tree's window forwards removals to the routing, and the native side
// only records what was asked of it.
class RoutedWindow : public dui::testing::FakeWindow, public InputRouting::Host {
  public:
    void forgetControl(dui::Control* control) override {
        FakeWindow::forgetControl(control);
        routing.forget(control);
    }
    void captureNativeMouse() override { calls.push_back("capture"); }
    void releaseNativeMouse() override { calls.push_back("release"); }
    void focusNativeWindow() override {
        calls.push_back("focus");
        if (onNativeFocus) {
            onNativeFocus();
        }
    }
    void hideTooltip() override { calls.push_back("tooltip"); }
    void refreshHover() override { calls.push_back("refresh"); }

    InputRouting routing{*this};
    Log calls;
    std::function<void()> onNativeFocus;
};

// root { a { a1, a2 }, b }, attached to the routed window.
class InputRoutingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        a->addChild(a1);
        a->addChild(a2);
        root->addChild(a);
        root->addChild(b);
        root->attach(&host);
        tap(root.get(), "root");
        tap(a, "a");
        tap(a1, "a1");
        tap(a2, "a2");
        tap(b, "b");
    }
    void TearDown() override { root->detach(); }

    void tap(dui::Control* control, const std::string& name) {
        taps.push_back(EventTap{&log, name, -1});
        for (int32_t code = dui::EventCode::GotFocus; code <= dui::EventCode::MouseLeave; ++code) {
            control->addHandler(code, &taps.back(), &EventTap::onEvent);
        }
    }
    Log take(Log& from) {
        Log out;
        out.swap(from);
        return out;
    }

    RoutedWindow host;
    InputRouting& routing = host.routing;
    std::unique_ptr<dui::Panel> root = std::make_unique<dui::Panel>();
    dui::Panel* a = new dui::Panel();
    dui::Control* a1 = new dui::Control();
    dui::Control* a2 = new dui::Control();
    dui::Control* b = new dui::Control();
    Log log;
    std::deque<EventTap> taps;
};

TEST_F(InputRoutingTest, HoverLeavesAndEntersBelowTheCommonAncestorOutermostFirst) {
    routing.hover(a1, 0, 0);
    EXPECT_EQ(take(log), (Log{"root MouseEnter", "a MouseEnter", "a1 MouseEnter"}));
    EXPECT_EQ(routing.hoverChain(), (std::vector<dui::Control*>{a1, a, root.get()}));

    routing.hover(b, 0, 0);
    EXPECT_EQ(take(log), (Log{"a MouseLeave", "a1 MouseLeave", "b MouseEnter"}));
    EXPECT_FALSE(a1->hasFlags(flag::Hovered));
    EXPECT_TRUE(b->hasFlags(flag::Hovered));
    EXPECT_EQ(take(host.calls), (Log{"tooltip", "tooltip"}));
}

TEST_F(InputRoutingTest, ALeaveHandlerThatRemovesTheControlBeingEnteredKeepsItOut) {
    routing.hover(a1, 0, 0);
    take(log);
    take(host.calls);
    a1->addHandler(dui::EventCode::MouseLeave, b, [](void* target, dui::Control*, dui::Event&) {
        static_cast<dui::Control*>(target)->detach();
    });
    routing.hover(b, 0, 0);
    // The removal takes b out of the new chain before its turn to enter comes.
    EXPECT_EQ(take(log), (Log{"a MouseLeave", "a1 MouseLeave", "b MouseLeave"}));
    EXPECT_FALSE(b->hasFlags(flag::Hovered));
    EXPECT_EQ(routing.hovered(), nullptr);
    EXPECT_EQ(routing.hoverChain(), (std::vector<dui::Control*>{root.get()}));
    EXPECT_EQ(take(host.calls), (Log{"tooltip", "tooltip", "refresh"}));
}

TEST_F(InputRoutingTest, RemovingAPanelLetsGoOfWhatItsSubtreeHolds) {
    routing.hover(a1, 0, 0);
    routing.capture(a1, 0, 0);
    routing.setFocus(a2);
    take(log);
    take(host.calls);

    root->removeChild(a);  // detaches a1, a2, then a
    EXPECT_EQ(take(log), (Log{"a1 LostCapture", "a1 MouseLeave", "a2 LostFocus"}));
    EXPECT_EQ(take(host.calls), (Log{"release", "tooltip", "refresh"}));
    EXPECT_EQ(routing.captured(), nullptr);
    EXPECT_EQ(routing.focused(), nullptr);
    EXPECT_EQ(routing.hovered(), nullptr);
    EXPECT_FALSE(a1->hasFlags(flag::Captured));
    // The panel left the chain with its subtree: nothing there points at it once deleted.
    EXPECT_EQ(routing.hoverChain(), (std::vector<dui::Control*>{root.get()}));
    EXPECT_FALSE(a->hasFlags(flag::Hovered));
    delete a;

    // A focus kept for the window's return is dropped without an event.
    routing.setFocus(b);
    routing.windowLostFocus();
    EXPECT_EQ(routing.savedFocus(), b);
    take(log);
    root->removeChild(b);
    EXPECT_EQ(routing.savedFocus(), nullptr);
    EXPECT_TRUE(log.empty());
    delete b;
}

TEST_F(InputRoutingTest, FocusMovesWithLostThenGotAndYieldsToANativeFocusChange) {
    routing.setFocus(a1);
    routing.setFocus(b);
    EXPECT_EQ(take(log), (Log{"a1 GotFocus", "a1 LostFocus", "b GotFocus"}));
    EXPECT_FALSE(a1->hasFlags(flag::Focused));
    EXPECT_TRUE(b->hasFlags(flag::Focused));
    EXPECT_EQ(take(host.calls), (Log{"focus", "focus"}));

    // Taking the native focus made the window lose it at once: a2 never gets GotFocus.
    host.onNativeFocus = [this] { routing.windowLostFocus(); };
    routing.setFocus(a2);
    EXPECT_EQ(take(log), (Log{"b LostFocus", "a2 LostFocus"}));
    EXPECT_EQ(routing.focused(), nullptr);
    EXPECT_EQ(routing.savedFocus(), a2);
    EXPECT_FALSE(a2->hasFlags(flag::Focused));
}

}  // namespace
}  // namespace tamlo::test
