#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_support.h"
#include "dui/core/attribute_keys.h"
#include "dui/core/drawing.h"

namespace tamlo::dui {
namespace {

using testing::FakeWindow;

Control* makeChild(Panel& parent, Rect rect) {
    auto* child = new Control();
    child->setRect(rect);
    parent.addChild(child);
    return child;
}

TEST(HitTest, RightAndBottomEdgesMissLeftAndTopHit) {
    Control control;
    control.setRect({10, 20, 30, 40});
    EXPECT_EQ(control.hitTest(10, 20), &control);
    EXPECT_EQ(control.hitTest(29, 39), &control);
    EXPECT_EQ(control.hitTest(30, 25), nullptr);
    EXPECT_EQ(control.hitTest(15, 40), nullptr);
    EXPECT_EQ(control.hitTest(9, 25), nullptr);
}

TEST(HitTest, ChildrenAreAskedInTheirOwnCoordinatesTopmostFirst) {
    Panel root;
    root.setRect({100, 100, 300, 300});  // children see (x - 100, y - 100)
    Control* under = makeChild(root, {0, 0, 50, 50});
    Control* over = makeChild(root, {25, 25, 75, 75});
    EXPECT_EQ(root.hitTest(110, 110), under);
    EXPECT_EQ(root.hitTest(130, 130), over);  // painted later, on top
    EXPECT_EQ(root.hitTest(200, 200), &root);
    EXPECT_EQ(root.hitTest(50, 50), nullptr);
}

TEST(HitTest, TransparentOrHiddenPanelsHideTheirSubtreeButDisabledOnesDoNot) {
    Panel root;
    root.setRect({0, 0, 100, 100});
    auto* layer = new Panel();
    layer->setRect({0, 0, 100, 100});
    root.addChild(layer);
    Control* button = makeChild(*layer, {10, 10, 20, 20});

    EXPECT_EQ(root.hitTest(15, 15), button);
    layer->writeFlag(ControlFlag::TransparentBit, true);
    EXPECT_EQ(root.hitTest(15, 15), &root);  // nothing below the transparent layer is hit
    layer->writeFlag(ControlFlag::TransparentBit, false);

    layer->setFlags(ControlFlag::Visible, false);
    EXPECT_EQ(root.hitTest(15, 15), &root);
    layer->setFlags(ControlFlag::Visible, true);

    layer->setFlags(ControlFlag::Enabled, false);
    EXPECT_EQ(root.hitTest(15, 15), button);  // flags are not inherited
}

TEST(HitTest, TransparentLabelIsHitOnlyOnceBitTenIsCleared) {
    Panel root;
    root.setRect({0, 0, 100, 100});
    Control* label = makeChild(root, {0, 0, 50, 20});
    label->writeFlag(ControlFlag::TransparentBit, true);
    EXPECT_EQ(root.hitTest(5, 5), &root);
    label->writeFlag(ControlFlag::TransparentBit, false);
    EXPECT_EQ(root.hitTest(5, 5), label);
}

TEST(Geometry, AbsoluteRectIgnoresTheRootOriginAndNeedsAWindow) {
    FakeWindow window;
    Panel root;
    root.setRect({40, 50, 440, 350});
    auto* inner = new Panel();
    inner->setRect({10, 20, 110, 120});
    root.addChild(inner);
    Control* leaf = makeChild(*inner, {5, 6, 15, 26});

    Rect out{1, 2, 3, 4};
    EXPECT_FALSE(leaf->absoluteRect(out));
    EXPECT_EQ(out, (Rect{1, 2, 3, 4}));

    root.attach(&window);
    ASSERT_TRUE(root.absoluteRect(out));
    EXPECT_EQ(out, (Rect{0, 0, 400, 300}));
    ASSERT_TRUE(leaf->absoluteRect(out));
    EXPECT_EQ(out, (Rect{15, 26, 25, 46}));

    window.cursor = {20, 30};
    Point local;
    ASSERT_TRUE(leaf->cursorToLocal(local));
    EXPECT_EQ(local, (Point{5, 4}));
    root.detach();
    EXPECT_FALSE(leaf->cursorToLocal(local));
}

TEST(Repaint, InvalidateSendsOnlyTheVisiblePartAndOnlyWhileAlive) {
    FakeWindow window;
    window.client = {0, 0, 100, 100};
    Panel root;
    Control* partly = makeChild(root, {80, 90, 120, 130});
    Control* outside = makeChild(root, {200, 200, 220, 220});

    partly->invalidate(true);
    EXPECT_TRUE(window.invalidated.empty());

    root.attach(&window);
    partly->invalidate(true);
    outside->invalidate(false);
    ASSERT_EQ(window.invalidated.size(), 1u);
    EXPECT_EQ(window.invalidated[0], (Rect{80, 90, 100, 100}));
    EXPECT_EQ(window.repaints, (std::vector<bool>{true}));
    root.detach();
}

TEST(Repaint, SetCheckedRaisesValueChangeOnlyOnAChange) {
    FakeWindow window;
    Panel root;
    root.setRect({0, 0, 50, 50});
    root.attach(&window);
    int changes = 0;
    root.addHandler(EventCode::ValueChange, &changes,
                    [](void* target, Control*, Event&) { ++*static_cast<int*>(target); });
    root.setChecked(true);
    root.setChecked(true);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(root.isChecked());
    EXPECT_EQ(window.repaints, (std::vector<bool>{false}));  // posted, not sent
    root.setChecked(false);
    EXPECT_EQ(changes, 2);
    root.detach();
}

TEST(Repaint, TurningAControlOffMakesTheWindowForgetItAndRepaints) {
    FakeWindow window;
    Panel root;
    root.setRect({0, 0, 50, 50});
    Control* child = makeChild(root, {0, 0, 10, 10});
    root.attach(&window);

    child->setVisible(true);  // no change: nothing happens
    EXPECT_TRUE(window.repaints.empty());
    child->setEnabled(false);
    child->setVisible(false);
    EXPECT_EQ(window.forgotten, (std::vector<Control*>{child, child}));
    EXPECT_EQ(window.repaints, (std::vector<bool>{false, false}));
    child->setVisible(true);
    EXPECT_EQ(window.forgotten.size(), 2u);  // turning on forgets nothing
    EXPECT_EQ(window.repaints.size(), 3u);
    EXPECT_FALSE(child->isEnabled());
    root.detach();
}

// Records the paint walk: which styles were drawn where and under which clip.
class RecordingContext : public DrawingContext, public StyleLookup {
  public:
    void save() override { clips.push_back(clips.back()); }
    void restore() override { clips.pop_back(); }
    void clipTo(const Rect& area) override { clips.back() = area; }
    bool drawStyle(std::u16string_view name, DrawingContext&, const Rect& bounds,
                   Control&) override {
        if (name == u"missing") {
            return false;
        }
        drawn.push_back({std::u16string(name), bounds, clips.back()});
        return true;
    }

    struct Draw {
        std::u16string style;
        Rect bounds;
        Rect clip;
    };
    std::vector<Rect> clips{Rect{0, 0, 1000, 1000}};
    std::vector<Draw> drawn;
};

TEST(Paint, WalkDrawsStylesInChildOrderClippedToTheParent) {
    RecordingContext recorder;
    setStyleLookup(&recorder);
    Panel root;
    root.setRect({0, 0, 100, 100});
    root.setText(key::style, u"background");
    auto* box = new Panel();
    box->setRect({10, 10, 60, 60});
    box->setText(key::style, u"box");
    root.addChild(box);
    makeChild(*box, {40, 40, 90, 90})->setText(key::style, u"overflowing");
    makeChild(*box, {0, 0, 5, 5})->setText(key::style, u"missing");
    makeChild(root, {0, 0, 10, 10})->setText(key::style, u"hidden");
    root.lastChild()->setFlags(ControlFlag::Visible, false);
    makeChild(root, {0, 0, 10, 10})->setText(key::style, u"collapsed");
    root.lastChild()->writeFlag(ControlFlag::CollapsedBit, true);
    makeChild(root, {200, 200, 210, 210})->setText(key::style, u"offscreen");
    makeChild(root, {0, 0, 10, 10});  // no style: nothing drawn

    const Rect bounds{0, 0, 100, 100};
    root.paint(recorder, bounds, bounds);
    setStyleLookup(nullptr);

    ASSERT_EQ(recorder.drawn.size(), 3u);
    EXPECT_EQ(recorder.drawn[0].style, u"background");
    EXPECT_EQ(recorder.drawn[1].style, u"box");
    EXPECT_EQ(recorder.drawn[1].bounds, (Rect{10, 10, 60, 60}));
    EXPECT_EQ(recorder.drawn[2].style, u"overflowing");
    EXPECT_EQ(recorder.drawn[2].bounds, (Rect{50, 50, 100, 100}));
    EXPECT_EQ(recorder.drawn[2].clip, (Rect{50, 50, 60, 60}));
    EXPECT_EQ(recorder.clips.size(), 1u);  // every save was restored
}

}  // namespace
}  // namespace tamlo::dui
