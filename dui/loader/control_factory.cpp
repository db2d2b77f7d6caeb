#include "dui/loader/control_factory.h"

#include "dui/controls/button.h"
#include "dui/controls/combo_box.h"
#include "dui/controls/label.h"
#include "dui/controls/list_box.h"
#include "dui/controls/power_point.h"
#include "dui/controls/scroll_bar.h"
#include "dui/controls/slider.h"
#include "dui/controls/static_controls.h"
#include "dui/controls/tab_item.h"
#include "dui/controls/text_input.h"
#include "dui/controls/web_browser.h"
#include "dui/layout/scroll_panel.h"
#include "dui/layout/simple_panels.h"
#include "dui/layout/tab_control.h"

namespace tamlo::dui {

ControlFactory::ControlFactory() {
    add<Canvas>(u"Canvas");
    add<StackPanel>(u"StackPanel");
    add<DockPanel>(u"DockPanel");
    add<Grid>(u"Grid");
    add<TabControl>(u"TabControl");
    add<ComboBox>(u"ComboBox");
    add<ToggleIconButton>(u"ToggleIconButton");
    add<Edit>(u"Edit");
    add<Drawing>(u"Image");
    add<Label>(u"Label");
    add<Slider>(u"Slider");
    add<Button>(u"Button");
    add<IconButton>(u"IconButton");
    add<ToggleButton>(u"ToggleButton");
    add<RadioButton>(u"RadioButton");
    add<CheckBox>(u"CheckBox");
    add<TitleBar>(u"TitleBar");
    add<TabItem>(u"TabItem");
    add<ListBox>(u"ListBox");
    add<Grid>(u"Window");
    add<ScrollPanel>(u"ScrollPanel");
    add<TextBox>(u"TextBox");
    add<WebBrowser>(u"WebBrowser");
    add<Seperator>(u"Seperator");
    add<ImageButton>(u"ImageButton");
    add<PowerPoint>(u"PowerPoint");
    add<LinkLabel>(u"LinkLabel");
    add<ProgressBar>(u"ProgressBar");
}

StyleFactory::StyleFactory() {
    add<Style_Background>(u"Background");
    add<Style_Button>(u"Button");
    add<Style_CheckButton>(u"CheckButton");
    add<Style_ComboBox>(u"ComboBox");
    add<Style_Edit>(u"Edit");
    add<Style_Slider>(u"Slider");
    add<Style_ToggleButton>(u"ToggleButton");
    add<Style_IconButton>(u"IconButton");
    add<Style_ToggleIconButton>(u"ToggleIconButton");
    add<Style_ScrollBar>(u"ScrollBar");
    add<Style_ButtonEx>(u"ButtonEx");
    add<Style_CheckButtonEx>(u"CheckButtonEx");
    add<Style>(u"Style");
}

}  // namespace tamlo::dui
