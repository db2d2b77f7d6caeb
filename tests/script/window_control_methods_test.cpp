// createWindow and the methods of window and control wrappers, called from script text.
#include <optional>

#include "dui/controls/static_controls.h"
#include "platform/headless/backend.h"
#include "platform/windowing/native_window.h"
#include "script/bindings_fixture.h"
#include "window/window_base.h"

namespace tamlo::test {
namespace {

class WindowControlMethodsTest : public BindingsTest {
  protected:
    void SetUp() override {
        BindingsTest::SetUp();
        ASSERT_EQ(run("w = createWindow('page.xml') return w ~= nil"), "true");
    }

    // The window the script made (the only one with the page's controls).
    static WindowBase* pageWindow() {
        for (platform::WindowHandle handle : platform::windowsInZOrder()) {
            WindowBase* window = WindowBase::fromHandle(handle);
            if (window != nullptr && window->controlById(13) != nullptr) {
                return window;
            }
        }
        return nullptr;
    }
};

TEST_F(WindowControlMethodsTest, ANewWindowIsAHiddenPopupAtTheOriginUntilMovedOrShown) {
    EXPECT_EQ(run("local x, y = w:getPosition() return x .. ',' .. y"), "0,0");
    run("w:setPosition(40, 30)");
    EXPECT_EQ(run("local x, y = w:getPosition() return x .. ',' .. y"), "40,30");
    WindowBase* window = pageWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(platform::isWindowVisible(window->handle()));
    EXPECT_EQ(run("return w:getChild(13):getName()"), "ProgressBar");
    EXPECT_EQ(run("return w:getChild(999)"), "nil");
    EXPECT_EQ(run("return w:getRoot():getWindow() == w"), "true");
    // The title, the shown state and the icon reach the native window.
    run("w:setTitle('安装') w:showWindow(5)");
    EXPECT_EQ(platform::windowText(window->handle()), u"安装");
    EXPECT_TRUE(platform::isWindowVisible(window->handle()));
    run("w:showWindow(2)");
    EXPECT_TRUE(platform::isIconic(window->handle()));
    run("w:showWindow(9) w:showWindow(0)");
    EXPECT_FALSE(platform::isIconic(window->handle()));
    EXPECT_FALSE(platform::isWindowVisible(window->handle()));
    run("w:setCursor(32649)");
    EXPECT_EQ(platform::currentCursor(), 32649u);
    run("w:setIcon(128)");  // no such icon in the style set: nothing, no failure
    platform::WindowPixels icon;
    EXPECT_FALSE(platform::windowIcon(window->handle(), icon));
}

TEST_F(WindowControlMethodsTest, AMissingLayoutGivesNil) {
    EXPECT_EQ(run("return createWindow('absent.xml')"), "nil");
}

TEST_F(WindowControlMethodsTest, PanelChildrenByPosition) {
    // getLastChild is getFirstChild; a negative index is the first child, past the end nil.
    EXPECT_EQ(run("local p = w:getChild(10) return p:getLastChild() == p:getFirstChild()"), "true");
    EXPECT_EQ(run("local p = w:getChild(10) return p:getChild(0) == w:getChild(11)"), "true");
    EXPECT_EQ(run("local p = w:getChild(10) return p:getChild(-3) == w:getChild(11)"), "true");
    EXPECT_EQ(run("local p = w:getChild(10) return p:getChild(1) == w:getChild(12)"), "true");
    EXPECT_EQ(run("return w:getChild(10):getChild(4)"), "nil");
    EXPECT_EQ(run("return w:getChild(12):getPrevious() == w:getChild(11)"), "true");
    EXPECT_EQ(run("return w:getChild(11):getParent() == w:getChild(10)"), "true");
}

TEST_F(WindowControlMethodsTest, ANumberOutsideThe32BitRangeNamesNoChild) {
    // 2^32 + 10 once named id 10 and 1e300 id 0 (or a panel's first child).
    EXPECT_EQ(run("return w:getChild(2^32 + 10)"), "nil");
    EXPECT_EQ(run("return w:getChild(1e300)"), "nil");
    EXPECT_EQ(run("return w:getChild(-1e300)"), "nil");
    EXPECT_EQ(run("return w:getChild(1/0)"), "nil");
    EXPECT_EQ(run("return w:getChild(0/0)"), "nil");
    EXPECT_EQ(run("return w:getChild('4294967306')"), "nil");
    EXPECT_EQ(run("return w:getChild(10.4):getChild(1e300)"), "nil");
    EXPECT_EQ(run("return w:getChild(10):getChild(2^32)"), "nil");
    EXPECT_EQ(run("return w:getChild(10):getChild(-1/0)"), "nil");
    // Inside the range nothing changes: rounding, numeric strings, the first child below 0.
    EXPECT_EQ(run("return w:getChild('13'):getName()"), "ProgressBar");
    EXPECT_EQ(run("local p = w:getChild(10) return p:getChild(-2147483648) == p:getFirstChild()"),
              "true");
    EXPECT_EQ(run("return w:getChild(10):getChild(2147483647)"), "nil");
}

TEST_F(WindowControlMethodsTest, ProgressBarPositionIsCappedByTheRangeOnly) {
    run("bar = w:getChild(13) bar:setRange(100) bar:setPosition(150)");
    // Read back through the control: the wrapper has no getter.
    auto* progress = dynamic_cast<dui::ProgressBar*>(pageWindow()->controlById(13));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->position(), 100);
    run("bar:setPosition(-5)");
    EXPECT_EQ(progress->position(), -5);
}

TEST_F(WindowControlMethodsTest, CommonControlMethods) {
    // setColor hands back its own argument; writeFlag and readFlag address any bit (but
    // the engine's own bits 13 and 18 are read-only).
    EXPECT_EQ(run("return w:getChild(11):setColor(3355596)"), "3355596");
    EXPECT_EQ(run("local b = w:getChild(11) b:writeFlag(10, true) return b:readFlag(10)"), "true");
    EXPECT_EQ(run("local b = w:getChild(11) b:writeFlag(42, false) return b:readFlag(10)"),
              "false");  // bit 42 is bit 10
    EXPECT_EQ(run("local b = w:getChild(11) b:setText(12.5) return b:getText()"), "12.5");
    EXPECT_EQ(run("local c = w:getChild(14) c:setCheck(1) return c:getCheck()"), "true");
    EXPECT_EQ(run("local b = w:getChild(11) b:setEnabled(false) return b:getEnabled()"), "false");
    EXPECT_EQ(run("local b = w:getChild(12) b:setVisible(false) return b:getVisible()"), "false");
}

TEST_F(WindowControlMethodsTest, TextBoxAndEditContentThroughSetTextAndGetText) {
    EXPECT_EQ(run("t = w:getChild(15) t:setText('/opt/中文') return t:getText()"), "/opt/中文");
    run("changes = 0 t:addHandler(event.ValueChange, function() changes = changes + 1 end)");
    EXPECT_EQ(run("t:setText('/opt/中文') t:setText(string.rep('a', 3000)) return #t:getText()"),
              "1999");
    EXPECT_EQ(run("return changes"), "1");  // the same text again changed nothing
    // Invalid UTF-8 from a script arrives as U+FFFD and goes back as its UTF-8.
    EXPECT_EQ(run("t:setText('a\\255b') return t:getText()"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(run("e = w:getChild(16) e:setText('一\\r\\n二\\n三') return e:getText()"),
              "一\r\n二\n三");
    // An Edit holds more than one block's worth.
    EXPECT_EQ(run("e:setText(string.rep('x', 4000)) return #e:getText()"), "4000");
}

TEST_F(WindowControlMethodsTest, ValueChangeReachesTheScriptOnceWhenTheCheckChanges) {
    run("count = 0 c = w:getChild(14)"
        "c:addHandler(event.ValueChange, function() count = count + 1 end)"
        "c:setCheck(true) c:setCheck(true) c:setCheck(false)");
    EXPECT_EQ(run("return count"), "2");
}

TEST_F(WindowControlMethodsTest, WrappersOfDestroyedWindowsAndControlsDoNothing) {
    // The dialog destroys its window when it ends.
    setPayload({{u"x", "x"}});
    files.files[u"LG.lua"] = "notifyMessage('end')";
    run("b = w:getChild(11) w:setMessageHandler(function() w:endDialog(1) return 0 end)"
        "startWork('LG.lua', 'program.lz', '') w:showDialog()");
    EXPECT_EQ(run("return b:getName()"), "nil");
    EXPECT_EQ(run("return select('#', b:getEnabled())"), "0");
    EXPECT_EQ(run("return select('#', w:getPosition())"), "0");
    EXPECT_EQ(run("return w:getChild(11)"), "nil");
}

TEST_F(WindowControlMethodsTest, TheEngineBitsOfAControlAreNotTheScriptsToWrite) {
    // Bit 18 says the control has a wrapper to release; clearing it from a script once
    // left the wrapper registered past the control's end (a double free on the next call).
    setPayload({{u"x", "x"}});
    files.files[u"LG.lua"] = "notifyMessage('end')";
    EXPECT_EQ(run("b = w:getChild(11) b:writeFlag(18, false) b:writeFlag(13, true)"
                  "return tostring(b:readFlag(18)) .. ',' .. tostring(b:readFlag(13))"),
              "true,false");
    run("w:setMessageHandler(function() w:endDialog(1) return 0 end)"
        "startWork('LG.lua', 'program.lz', '') w:showDialog()");
    EXPECT_EQ(run("return b:getName()"), "nil");
    EXPECT_EQ(run("return select('#', b:readFlag(18))"), "0");
}

TEST_F(WindowControlMethodsTest, TheFolderPickerAnswersAPathOrNothing) {
    platform::setFolderPickerResponder(
        [](const platform::FolderPickerRequest& request) -> std::optional<std::u16string> {
            if (request.title == u"取消") {
                return std::nullopt;
            }
            return u"/home/作者/Apps";
        });
    EXPECT_EQ(run("return w:browseForFolder('选择')"), "/home/作者/Apps");
    EXPECT_EQ(run("return select('#', w:browseForFolder('取消'))"), "0");
    platform::setFolderPickerResponder(nullptr);
}

TEST_F(WindowControlMethodsTest, MessageBoxesAreOwnedByTheWindowAndAnswerTheButton) {
    EXPECT_EQ(run("return w:showMessageBox('确定吗？', '提示', 4)"), "1");
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0], "提示|确定吗？");
}

}  // namespace
}  // namespace tamlo::test
