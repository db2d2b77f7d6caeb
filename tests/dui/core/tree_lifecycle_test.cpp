#include <gtest/gtest.h>

#include <vector>

#include "control_test_support.h"
#include "dui/core/attribute_keys.h"
#include "dui/core/live_set.h"

namespace tamlo::dui {
namespace {

using testing::FakeWindow;
using testing::logArrivals;

// Counts destructions so tests can see a whole subtree go.
struct CountedControl : Control {
    explicit CountedControl(std::vector<const void*>* deaths) : deaths(deaths) {}
    ~CountedControl() override { deaths->push_back(this); }
    std::vector<const void*>* deaths;
};

struct CountedPanel : Panel {
    explicit CountedPanel(std::vector<const void*>* deaths) : deaths(deaths) {}
    ~CountedPanel() override { deaths->push_back(this); }
    std::vector<const void*>* deaths;
};

// root { a { a1, a2 }, b }
struct SmallTree {
    Panel* root = new Panel();
    Panel* a = new Panel();
    Control* a1 = new Control();
    Control* a2 = new Control();
    Control* b = new Control();
    SmallTree() {
        a->addChild(a1);
        a->addChild(a2);
        root->addChild(a);
        root->addChild(b);
    }
    std::vector<Control*> all() const { return {root, a, a1, a2, b}; }
};

TEST(TreeLifecycle, AttachRaisesParentFirstAndDetachDeepestFirst) {
    FakeWindow window;
    SmallTree tree;
    std::vector<Control*> attached, detached;
    for (Control* control : tree.all()) {
        logArrivals(*control, EventCode::Attached, &attached);
        logArrivals(*control, EventCode::Detached, &detached);
    }
    EXPECT_TRUE(attached.empty());  // linking a detached tree raises nothing

    tree.root->attach(&window);
    EXPECT_EQ(attached, (std::vector<Control*>{tree.root, tree.a, tree.a1, tree.a2, tree.b}));
    for (Control* control : tree.all()) {
        EXPECT_TRUE(control->isAlive());
        EXPECT_EQ(control->window(), &window);
    }

    tree.root->detach();
    EXPECT_EQ(detached, (std::vector<Control*>{tree.a1, tree.a2, tree.a, tree.b, tree.root}));
    EXPECT_EQ(window.forgotten, detached);
    for (Control* control : tree.all()) {
        EXPECT_FALSE(control->isAlive());
        EXPECT_EQ(control->window(), nullptr);
    }
    delete tree.root;
}

TEST(TreeLifecycle, AddingToAnAttachedPanelAttachesTheNewSubtree) {
    FakeWindow window;
    Panel root;
    root.attach(&window);
    Panel* page = new Panel();
    Control* inner = new Control();
    page->addChild(inner);
    std::vector<Control*> attached;
    logArrivals(*page, EventCode::Attached, &attached);
    logArrivals(*inner, EventCode::Attached, &attached);

    root.addChild(page);
    EXPECT_EQ(attached, (std::vector<Control*>{page, inner}));
    root.attach(&window);  // attaching again to the same window changes nothing
    EXPECT_EQ(attached.size(), 2u);

    EXPECT_TRUE(root.removeChild(page));
    EXPECT_FALSE(inner->isAlive());
    EXPECT_EQ(page->parent(), nullptr);
    EXPECT_EQ(root.childCount(), 0);
    root.detach();
    delete page;
}

TEST(TreeLifecycle, LaterControlWithTheSameIdWinsTheIdMap) {
    FakeWindow window;
    Panel root;
    Control* first = new Control();
    Control* second = new Control();
    first->setInt(key::id, 7);
    second->setInt(key::id, 7);
    root.addChild(first);
    root.addChild(second);
    root.attach(&window);
    EXPECT_EQ(window.ids.at(7), second);
    EXPECT_EQ(window.ids.count(0), 0u);  // no id, no entry
    root.detach();
}

TEST(TreeLifecycle, ChildAtClampsBelowAndEndsPastTheLastChild) {
    SmallTree tree;
    EXPECT_EQ(tree.root->childAt(-5), tree.a);
    EXPECT_EQ(tree.root->childAt(0), tree.a);
    EXPECT_EQ(tree.root->childAt(1), tree.b);
    EXPECT_EQ(tree.root->childAt(tree.root->childCount()), nullptr);
    EXPECT_EQ(Panel().childAt(0), nullptr);
    delete tree.root;
}

TEST(TreeLifecycle, LinksStayConsistentWhenChildrenMoveOrAreRefused) {
    SmallTree tree;
    EXPECT_FALSE(tree.a->addChild(tree.root));  // an ancestor would make a cycle
    EXPECT_FALSE(tree.a->addChild(tree.a));
    EXPECT_FALSE(tree.a->addChild(nullptr));
    EXPECT_FALSE(tree.root->removeChild(tree.a1));  // not its child

    // Moving a middle child: both lists stay well linked.
    Control* a3 = new Control();
    tree.a->addChild(a3);
    EXPECT_TRUE(tree.root->addChild(tree.a2));
    EXPECT_EQ(tree.a->childCount(), 2);
    EXPECT_EQ(tree.a1->nextSibling(), a3);
    EXPECT_EQ(a3->previousSibling(), tree.a1);
    EXPECT_EQ(tree.root->lastChild(), tree.a2);
    EXPECT_EQ(tree.a2->previousSibling(), tree.b);
    EXPECT_EQ(tree.a2->parent(), tree.root);
    EXPECT_EQ(tree.root->childCount(), 3);
    delete tree.root;
}

TEST(TreeLifecycle, DeletingAPanelDeletesItsSubtreeLastToFirst) {
    std::vector<const void*> deaths;
    auto* root = new CountedPanel(&deaths);
    auto* inner = new CountedPanel(&deaths);
    auto* first = new CountedControl(&deaths);
    auto* second = new CountedControl(&deaths);
    inner->addChild(first);
    root->addChild(inner);
    root->addChild(second);

    // A class's own destructor body runs before its Panel part deletes the children.
    delete root;
    EXPECT_EQ(deaths, (std::vector<const void*>{root, second, inner, first}));
}

TEST(TreeLifecycle, DestroyingAnUndetachedTreeLeavesNoStaleLiveEntries) {
    FakeWindow window;
    const std::size_t before = LiveSet::size();
    SmallTree tree;
    tree.root->attach(&window);
    EXPECT_EQ(LiveSet::size(), before + 5);
    delete tree.root;
    EXPECT_EQ(LiveSet::size(), before);
    EXPECT_EQ(window.forgotten.size(), 5u);
}

TEST(TreeLifecycle, DeletingAListedChildUnlinksItFromItsPanel) {
    SmallTree tree;
    delete tree.a1;
    EXPECT_EQ(tree.a->firstChild(), tree.a2);
    EXPECT_EQ(tree.a2->previousSibling(), nullptr);
    EXPECT_EQ(tree.a->childCount(), 1);
    delete tree.root;
}

Control* gReleased = nullptr;

TEST(TreeLifecycle, DestroyingAWrappedControlReleasesItsScriptWrapperOnce) {
    Control::setScriptReleaseHook([](Control* control) { gReleased = control; });
    auto* wrapped = new Control();
    auto* plain = new Control();
    wrapped->setFlags(ControlFlag::ScriptWrapped, true);
    delete plain;
    EXPECT_EQ(gReleased, nullptr);
    delete wrapped;
    EXPECT_EQ(gReleased, wrapped);
    Control::setScriptReleaseHook(nullptr);
    gReleased = nullptr;
}

TEST(ControlFlags, NewControlIsEnabledAndVisibleAndScriptBitsAreBounded) {
    Control control;
    Panel panel;
    EXPECT_EQ(control.flags(), ControlFlag::Enabled | ControlFlag::Visible);
    EXPECT_EQ(panel.flags(), ControlFlag::Enabled | ControlFlag::Visible | ControlFlag::IsPanel);

    control.writeFlag(10, true);
    EXPECT_TRUE(control.readFlag(10));
    EXPECT_TRUE(control.hasFlags(ControlFlag::Transparent));
    control.writeFlag(10, false);
    EXPECT_FALSE(control.readFlag(10));

    // Out-of-range bits are ignored instead of shifting past the word.
    control.writeFlag(32, true);
    control.writeFlag(-1, true);
    EXPECT_FALSE(control.readFlag(32));
    EXPECT_FALSE(control.readFlag(-1));
    EXPECT_EQ(control.flags(), ControlFlag::Enabled | ControlFlag::Visible);

    // The panel bit says whether a child list exists; scripts cannot fake or drop it.
    control.writeFlag(ControlFlag::PanelBit, true);
    panel.writeFlag(ControlFlag::PanelBit, false);
    EXPECT_FALSE(control.readFlag(ControlFlag::PanelBit));
    EXPECT_TRUE(panel.readFlag(ControlFlag::PanelBit));
}

}  // namespace
}  // namespace tamlo::dui
