// The methods every control wrapper carries and those its type adds. Each resolves `self`
// first (which may raise inside the registry functions) and makes C++ values only after
// that, so no object with a destructor is alive across a call that can raise.
#include "script/control_methods.h"

#include <lua.hpp>

#include "dui/controls/power_point.h"
#include "dui/controls/static_controls.h"
#include "dui/controls/text_input.h"
#include "dui/controls/web_browser.h"
#include "dui/core/attribute_keys.h"
#include "dui/core/control.h"
#include "dui/core/panel.h"
#include "script/control_bindings.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"
#include "script/lua_window.h"
#include "window/window_impl.h"

namespace tamlo::script {
namespace {

using dui::Control;

Control* self(lua_State* L) {
    return resolveControl(L, 1);
}

int pushBoolean(lua_State* L, bool value) {
    lua_pushboolean(L, value ? 1 : 0);
    return 1;
}

// ---- every control --------------------------------------------------------------------

int getWindowMethod(lua_State* L) {
    Control* control = self(L);
    if (control == nullptr) {
        return 0;
    }
    auto* window = dynamic_cast<WindowBase*>(control->window());
    if (window == nullptr || !control->isAlive() || !LuaWindow::isScripted(window->handle())) {
        lua_pushnil(L);
        return 1;
    }
    LuaWindow::pushWindow(L, window->handle());
    return 1;
}

template <Control* (*Relative)(const Control&)>
int relativeMethod(lua_State* L) {
    Control* control = self(L);
    if (control == nullptr) {
        return 0;
    }
    pushControl(L, Relative(*control));
    return 1;
}

Control* parentOf(const Control& control) {
    return control.parent();
}
Control* previousOf(const Control& control) {
    return control.previousSibling();
}
Control* nextOf(const Control& control) {
    return control.nextSibling();
}

int getEnabledMethod(lua_State* L) {
    Control* control = self(L);
    return control == nullptr ? 0 : pushBoolean(L, control->isEnabled());
}

int setEnabledMethod(lua_State* L) {
    if (Control* control = self(L)) {
        control->setEnabled(booleanArgument(L, 2));
    }
    return 0;
}

int setVisibleMethod(lua_State* L) {
    if (Control* control = self(L)) {
        control->setVisible(booleanArgument(L, 2));
    }
    return 0;
}

int getVisibleMethod(lua_State* L) {
    Control* control = self(L);
    return control == nullptr ? 0 : pushBoolean(L, control->isVisible());
}

int setFocusMethod(lua_State* L) {
    Control* control = self(L);
    if (control == nullptr || !control->isAlive()) {
        return 0;
    }
    if (auto* window = dynamic_cast<WindowImpl*>(control->window())) {
        window->setFocusControl(control);
    }
    return 0;
}

// Sets a text attribute from argument 2; with `repaint`, asks for a deferred repaint.
void setTextAttribute(lua_State* L, dui::AttributeKey key, bool repaint, const char* where) {
    Control* control = self(L);
    if (control == nullptr) {
        return;
    }
    const std::u16string text = shownTextArgument(L, 2, where);
    control->setText(key, text);
    if (repaint) {
        control->invalidate(false);
    }
}

int setStyleMethod(lua_State* L) {
    setTextAttribute(L, dui::key::style, true, "setStyle");
    return 0;
}

int repaintMethod(lua_State* L) {
    if (Control* control = self(L)) {
        control->invalidate(false);
    }
    return 0;
}

int getNameMethod(lua_State* L) {
    Control* control = self(L);
    if (control == nullptr) {
        return pushText(L, std::string_view("nil"));
    }
    return pushText(L, control->getName());
}

int setTextMethod(lua_State* L) {
    setTextAttribute(L, dui::key::text, true, "setText");
    return 0;
}

int getTextMethod(lua_State* L) {
    Control* control = self(L);
    if (control == nullptr) {
        return 0;
    }
    const std::u16string* text = control->findText(dui::key::text);
    return pushText(L, text == nullptr ? std::u16string_view() : std::u16string_view(*text));
}

int setToolTipMethod(lua_State* L) {
    setTextAttribute(L, dui::key::tooltip, false, "setToolTip");
    return 0;
}

// setColor(self, colour): one result is reported without pushing one, so the caller gets
// back its own last argument.
int setColorMethod(lua_State* L) {
    Control* control = self(L);
    if (control == nullptr) {
        return 0;
    }
    control->setInt(dui::key::color, int32Argument(L, 2));
    control->invalidate(false);
    return 1;
}

// Scripts address the flags word by bit number modulo 32.
int32_t flagBit(lua_State* L, int index) {
    return ((int32Argument(L, index) % 32) + 32) % 32;
}

int writeFlagMethod(lua_State* L) {
    if (Control* control = self(L)) {
        control->writeFlag(flagBit(L, 2), booleanArgument(L, 3));
    }
    return 0;
}

int readFlagMethod(lua_State* L) {
    Control* control = self(L);
    return control == nullptr ? 0 : pushBoolean(L, control->readFlag(flagBit(L, 2)));
}

// addHandler and removeHandler sit between repaint and getName; the host supplies them.
const luaL_Reg kControlMethodsBeforeHandlers[] = {
    {"getWindow", guarded<getWindowMethod>},
    {"getParent", guarded<relativeMethod<parentOf>>},
    {"getPrevious", guarded<relativeMethod<previousOf>>},
    {"getNext", guarded<relativeMethod<nextOf>>},
    {"getEnabled", guarded<getEnabledMethod>},
    {"setEnabled", guarded<setEnabledMethod>},
    {"setVisible", guarded<setVisibleMethod>},
    {"getVisible", guarded<getVisibleMethod>},
    {"setFocus", guarded<setFocusMethod>},
    {"setStyle", guarded<setStyleMethod>},
    {"repaint", guarded<repaintMethod>},
    {nullptr, nullptr},
};

const luaL_Reg kControlMethodsAfterHandlers[] = {
    {"getName", guarded<getNameMethod>},   {"setText", guarded<setTextMethod>},
    {"getText", guarded<getTextMethod>},   {"setToolTip", guarded<setToolTipMethod>},
    {"setColor", guarded<setColorMethod>}, {"writeFlag", guarded<writeFlagMethod>},
    {"readFlag", guarded<readFlagMethod>}, {nullptr, nullptr},
};

// ---- by type name -----------------------------------------------------------------------

int getFirstChildMethod(lua_State* L) {
    Control* control = self(L);
    dui::Panel* panel = control == nullptr ? nullptr : control->asPanel();
    if (panel == nullptr) {
        return 0;
    }
    pushControl(L, panel->firstChild());
    return 1;
}

// getChild(self, n): 0-based; a negative index gives the first child, past the end nil,
// and so does a number outside the 32-bit range or not finite.
int getChildAtMethod(lua_State* L) {
    Control* control = self(L);
    dui::Panel* panel = control == nullptr ? nullptr : control->asPanel();
    if (panel == nullptr) {
        return 0;
    }
    int32_t index = 0;
    if (!int32IdArgument(L, 2, &index)) {
        lua_pushnil(L);
        return 1;
    }
    Control* child = panel->firstChild();
    for (int32_t i = 0; i < index && child != nullptr; ++i) {
        child = child->nextSibling();
    }
    pushControl(L, child);
    return 1;
}

// getLastChild is the same function as getFirstChild.
const luaL_Reg kPanelMethods[] = {
    {"getFirstChild", guarded<getFirstChildMethod>},
    {"getLastChild", guarded<getFirstChildMethod>},
    {"getChild", guarded<getChildAtMethod>},
    {nullptr, nullptr},
};

int setCheckMethod(lua_State* L) {
    if (Control* control = self(L)) {
        control->setChecked(booleanArgument(L, 2));
    }
    return 0;
}

int getCheckMethod(lua_State* L) {
    Control* control = self(L);
    return control == nullptr ? 0 : pushBoolean(L, control->isChecked());
}

const luaL_Reg kButtonMethods[] = {
    {"setCheck", guarded<setCheckMethod>},
    {"getCheck", guarded<getCheckMethod>},
    {nullptr, nullptr},
};

template <class T>
T* selfAs(lua_State* L) {
    return dynamic_cast<T*>(self(L));
}

int playStartMethod(lua_State* L) {
    if (auto* slides = selfAs<dui::PowerPoint>(L)) {
        slides->playStart();
    }
    return 0;
}

int playStopMethod(lua_State* L) {
    if (auto* slides = selfAs<dui::PowerPoint>(L)) {
        slides->playStop();
    }
    return 0;
}

const luaL_Reg kPowerPointMethods[] = {
    {"playStart", guarded<playStartMethod>},
    {"playStop", guarded<playStopMethod>},
    {nullptr, nullptr},
};

int setRangeMethod(lua_State* L) {
    if (auto* bar = selfAs<dui::ProgressBar>(L)) {
        bar->setRange(int32Argument(L, 2));
    }
    return 0;
}

int setPositionMethod(lua_State* L) {
    if (auto* bar = selfAs<dui::ProgressBar>(L)) {
        bar->setPosition(int32Argument(L, 2));
    }
    return 0;
}

const luaL_Reg kProgressBarMethods[] = {
    {"setRange", guarded<setRangeMethod>},
    {"setPosition", guarded<setPositionMethod>},
    {nullptr, nullptr},
};

int navigateMethod(lua_State* L) {
    if (auto* browser = selfAs<dui::WebBrowser>(L)) {
        browser->navigate(textArgument(L, 2));
    }
    return 0;
}

int getUrlMethod(lua_State* L) {
    auto* browser = selfAs<dui::WebBrowser>(L);
    return browser == nullptr ? 0 : pushText(L, browser->url());
}

const luaL_Reg kWebBrowserMethods[] = {
    {"navigate", guarded<navigateMethod>},
    {"getUrl", guarded<getUrlMethod>},
    {nullptr, nullptr},
};

// "TextBox" and "Edit" replace the text attribute's setText/getText with their content.
template <class TextControl>
int setContentMethod(lua_State* L) {
    if (auto* control = selfAs<TextControl>(L)) {
        const std::u16string text = shownTextArgument(L, 2, "setText");
        control->setText(text);
        control->invalidate(false);
    }
    return 0;
}

template <class TextControl>
int getContentMethod(lua_State* L) {
    auto* control = selfAs<TextControl>(L);
    if (control == nullptr) {
        return 0;
    }
    const std::u16string text = control->text();
    return pushText(L, text);
}

const luaL_Reg kTextBoxMethods[] = {
    {"setText", guarded<setContentMethod<dui::TextBox>>},
    {"getText", guarded<getContentMethod<dui::TextBox>>},
    {nullptr, nullptr},
};

const luaL_Reg kEditMethods[] = {
    {"setText", guarded<setContentMethod<dui::Edit>>},
    {"getText", guarded<getContentMethod<dui::Edit>>},
    {nullptr, nullptr},
};

struct TypeMethods {
    std::u16string_view typeName;
    const luaL_Reg* methods;
};

const TypeMethods kTypeMethods[] = {
    {u"Panel", kPanelMethods},           {u"Button", kButtonMethods},
    {u"PowerPoint", kPowerPointMethods}, {u"ProgressBar", kProgressBarMethods},
    {u"TextBox", kTextBoxMethods},       {u"Edit", kEditMethods},
};

void controlMethodFamily(lua_State* L, Control*) {
    luaL_setfuncs(L, kControlMethodsBeforeHandlers, 0);
    addHandlerMethods(L);
    luaL_setfuncs(L, kControlMethodsAfterHandlers, 0);
}

void typeMethodFamily(lua_State* L, Control* control) {
    const std::u16string_view name = control->getName();
    for (const TypeMethods& type : kTypeMethods) {
        if (type.typeName == name) {
            luaL_setfuncs(L, type.methods, 0);
        }
    }
    // Its type name is the plain "Control" one; its methods go by its class.
    if (dynamic_cast<dui::WebBrowser*>(control) != nullptr) {
        luaL_setfuncs(L, kWebBrowserMethods, 0);
    }
}

}  // namespace

void installControlMethods() {
    addControlMethodFamily(controlMethodFamily);
    addControlMethodFamily(typeMethodFamily);
}

}  // namespace tamlo::script
