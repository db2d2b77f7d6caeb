#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "dui/controls/button.h"
#include "dui/controls/combo_box.h"
#include "dui/controls/label.h"
#include "dui/controls/list_box.h"
#include "dui/controls/power_point.h"
#include "dui/controls/slider.h"
#include "dui/controls/static_controls.h"
#include "dui/controls/tab_item.h"
#include "dui/controls/text_input.h"
#include "dui/controls/web_browser.h"
#include "dui/layout/scroll_panel.h"
#include "dui/layout/simple_panels.h"
#include "dui/layout/tab_control.h"
#include "dui/loader/control_factory.h"
#include "runtime/ui_context.h"

namespace tamlo::dui {
namespace {

struct ControlRow {
    const char16_t* element;
    const std::type_info& type;
    const char16_t* name;
    uint32_t flags;
};

// flags: 0x3 enabled | visible; 0x20 repaint on mouse; 0x40 capture; 0x80 focus;
// 0x100 clears focus; 0x400 transparent; 0x800 double clicks; 0x2000 panel; 0x8000 wheel.
const ControlRow kControls[] = {
    {u"Canvas", typeid(Canvas), u"Panel", 0x2003},
    {u"StackPanel", typeid(StackPanel), u"Panel", 0x2003},
    {u"DockPanel", typeid(DockPanel), u"Panel", 0x2003},
    {u"Grid", typeid(Grid), u"Panel", 0x2003},
    {u"Window", typeid(Grid), u"Panel", 0x2003},
    {u"TabControl", typeid(TabControl), u"Panel", 0x2003},
    {u"ScrollPanel", typeid(ScrollPanel), u"Panel", 0x2003},
    {u"ListBox", typeid(ListBox), u"Panel", 0x2003},
    {u"Button", typeid(Button), u"Button", 0x163},
    {u"CheckBox", typeid(CheckBox), u"Button", 0x163},
    {u"RadioButton", typeid(RadioButton), u"Button", 0x163},
    {u"ToggleButton", typeid(ToggleButton), u"Button", 0x163},
    {u"ToggleIconButton", typeid(ToggleIconButton), u"Button", 0x163},
    {u"IconButton", typeid(IconButton), u"Button", 0x163},
    {u"ImageButton", typeid(ImageButton), u"Button", 0x163},
    {u"TabItem", typeid(TabItem), u"Button", 0x123},
    {u"Label", typeid(Label), u"Control", 0x403},
    {u"LinkLabel", typeid(LinkLabel), u"Control", 0x3},
    {u"Seperator", typeid(Seperator), u"Control", 0x403},
    {u"TitleBar", typeid(TitleBar), u"Control", 0x3},
    {u"Image", typeid(Drawing), u"Image", 0x403},
    {u"ProgressBar", typeid(ProgressBar), u"ProgressBar", 0x403},
    {u"PowerPoint", typeid(PowerPoint), u"PowerPoint", 0x3},
    {u"ComboBox", typeid(ComboBox), u"Control", 0x123},
    {u"Slider", typeid(Slider), u"Control", 0x8163},
    {u"Edit", typeid(Edit), u"Edit", 0xe3},
    {u"TextBox", typeid(TextBox), u"TextBox", 0x8e3},
    {u"WebBrowser", typeid(WebBrowser), u"Control", 0x3},
};

TEST(ControlFactory, EveryElementMakesItsClassWithItsTypeNameAndFlags) {
    ControlFactory factory;
    EXPECT_EQ(factory.size(), std::size(kControls));
    for (const ControlRow& row : kControls) {
        std::unique_ptr<Control> control(factory.create(row.element));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(typeid(*control), row.type);
        EXPECT_EQ(control->getName(), std::u16string_view(row.name));
        EXPECT_EQ(control->flags(), row.flags) << typeid(*control).name();
        EXPECT_EQ(control->asPanel() != nullptr, (row.flags & 0x2000) != 0);
    }
    EXPECT_EQ(factory.create(u"Panel"), nullptr);
    EXPECT_EQ(factory.create(u"ScrollBar"), nullptr);
    EXPECT_EQ(factory.create(u"Control"), nullptr);
    EXPECT_EQ(factory.create(u"button"), nullptr);
}

TEST(ControlFactory, AListBoxStartsWithItsVerticalItemPanel) {
    ListBox list;
    ASSERT_EQ(list.childCount(), 1);
    EXPECT_EQ(list.firstChild(), list.itemPanel());
    EXPECT_FALSE(list.itemPanel()->isHorizontal());
}

TEST(StyleFactory, EveryTypeNameMakesItsStyleClass) {
    const std::pair<const char16_t*, const std::type_info&> rows[] = {
        {u"Background", typeid(Style_Background)},
        {u"Button", typeid(Style_Button)},
        {u"ButtonEx", typeid(Style_ButtonEx)},
        {u"CheckButton", typeid(Style_CheckButton)},
        {u"CheckButtonEx", typeid(Style_CheckButtonEx)},
        {u"ComboBox", typeid(Style_ComboBox)},
        {u"Edit", typeid(Style_Edit)},
        {u"IconButton", typeid(Style_IconButton)},
        {u"ScrollBar", typeid(Style_ScrollBar)},
        {u"Slider", typeid(Style_Slider)},
        {u"ToggleButton", typeid(Style_ToggleButton)},
        {u"ToggleIconButton", typeid(Style_ToggleIconButton)},
        {u"Style", typeid(Style)},
    };
    StyleFactory factory;
    EXPECT_EQ(factory.size(), std::size(rows));
    for (const auto& row : rows) {
        std::unique_ptr<Style> style(factory.create(row.first));
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(typeid(*style), row.second);
    }
    EXPECT_EQ(factory.create(u"Unknown"), nullptr);
}

}  // namespace
}  // namespace tamlo::dui
