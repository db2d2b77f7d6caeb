// The list methods of "ListBox" and "ComboBox" wrappers, and the ValueChange a script
// hears when the user changes a list's selection.
#include "platform/headless/input.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/native_window.h"
#include "script/bindings_fixture.h"
#include "window/window_base.h"

namespace tamlo::test {
namespace {

namespace headless = platform::headless;

class ListMethodsTest : public BindingsTest {
  protected:
    void SetUp() override {
        BindingsTest::SetUp();
        ASSERT_EQ(run("w = createWindow('lists.xml') w:showWindow(5) list = w:getChild(20) "
                      "combo = w:getChild(21) return list ~= nil and combo ~= nil"),
                  "true");
    }
    platform::WindowHandle handle() {
        for (platform::WindowHandle window : platform::windowsInZOrder()) {
            WindowBase* base = WindowBase::fromHandle(window);
            if (base != nullptr && base->controlById(20) != nullptr) {
                return window;
            }
        }
        return 0;
    }
    void clickAt(int x, int y) {
        headless::moveMouseTo(handle(), platform::Point{x, y});
        headless::click();
        platform::pumpPendingMessages();
    }
};

TEST_F(ListMethodsTest, RowsAreAddedRemovedAndSelectedByIndex) {
    EXPECT_EQ(run("return list:addItem('文档') .. list:addItem('插件') .. list:addItem(3)"),
              "012");
    EXPECT_EQ(run("return list:getItemCount()"), "3");
    EXPECT_EQ(run("return list:getItemText(1) .. ',' .. list:getItemText(2)"), "插件,3");
    EXPECT_EQ(run("return list:getItemText(3)"), "nil");
    EXPECT_EQ(run("return list:getSelectedIndex() .. '[' .. list:getText() .. ']'"), "-1[]");
    EXPECT_EQ(run("return tostring(list:setSelectedIndex(1)) .. list:getText()"), "true插件");
    EXPECT_EQ(run("return tostring(list:setSelectedIndex(7)) .. list:getSelectedIndex()"),
              "false1");
    EXPECT_EQ(run("return tostring(list:removeItem(1)) .. list:getSelectedIndex()"), "true-1");
    EXPECT_EQ(run("return tostring(list:removeItem(5)) .. list:getItemCount()"), "false2");
    run("list:clearItems()");
    EXPECT_EQ(run("return list:getItemCount() .. list:getName()"), "0Panel");

    // A combo box shows the chosen row's text; setting it raises nothing.
    run("changes = 0 combo:addHandler(event.ValueChange, function() changes = changes + 1 end)");
    EXPECT_EQ(run("combo:addItem('开始菜单') combo:addItem('Tamlo') return combo:getItemCount()"),
              "2");
    EXPECT_EQ(run("combo:setSelectedIndex(1) return combo:getText() .. combo:getSelectedIndex() "
                  ".. changes"),
              "Tamlo10");
    EXPECT_EQ(run("combo:setSelectedIndex(-1) return '[' .. combo:getText() .. ']'"), "[]");
}

TEST_F(ListMethodsTest, AClickAndTheArrowKeysRaiseValueChangeAtTheList) {
    run("for i = 1, 5 do list:addItem('row' .. i) end "
        "seen = {} list:addHandler(event.ValueChange, function() "
        "seen[#seen + 1] = list:getSelectedIndex() end)");
    clickAt(20, 20 + 5);  // the second row
    EXPECT_EQ(run("return table.concat(seen, ',')"), "1");
    headless::pressKey(0x28);  // Down
    headless::pressKey(0x28);
    headless::pressKey(0x26);  // Up
    platform::pumpPendingMessages();
    EXPECT_EQ(run("return table.concat(seen, ',')"), "1,2,3,2");
    // A script's own choice is not reported back to it.
    run("list:setSelectedIndex(0)");
    EXPECT_EQ(run("return #seen"), "4");
}

}  // namespace
}  // namespace tamlo::test
