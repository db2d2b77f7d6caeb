// The methods of list boxes and combo boxes. Indexes are 0-based like getChild's; -1 means
// no selection. Each method resolves `self` before it makes any C++ value, so nothing with
// a destructor is alive across a call that can raise.
#include "script/list_methods.h"

#include <lua.hpp>

#include "dui/controls/combo_box.h"
#include "dui/controls/list_box.h"
#include "dui/core/attribute_keys.h"
#include "script/control_bindings.h"
#include "script/guarded_function.h"
#include "script/lua_arguments.h"

namespace tamlo::script {
namespace {

using dui::ComboBox;
using dui::Control;
using dui::ListBox;

// The list a wrapper stands for: the list box itself or the combo box's choices.
ListBox* listOf(Control* control) {
    if (auto* list = dynamic_cast<ListBox*>(control)) {
        return list;
    }
    if (auto* combo = dynamic_cast<ComboBox*>(control)) {
        return combo->list();
    }
    return nullptr;
}

ListBox* selfList(lua_State* L) {
    return listOf(resolveControl(L, 1));
}

// addItem(text) -> the new row's index.
int addItemMethod(lua_State* L) {
    ListBox* list = selfList(L);
    if (list == nullptr) {
        return 0;
    }
    int32_t index = 0;
    {
        const std::u16string text = shownTextArgument(L, 2, "addItem");
        index = list->addItem(text);
    }
    lua_pushinteger(L, index);
    return 1;
}

// removeItem(index) -> whether there was such a row. A combo box keeps its text.
int removeItemMethod(lua_State* L) {
    ListBox* list = selfList(L);
    if (list == nullptr) {
        return 0;
    }
    lua_pushboolean(L, list->removeItem(int32Argument(L, 2)) ? 1 : 0);
    return 1;
}

int clearItemsMethod(lua_State* L) {
    if (ListBox* list = selfList(L)) {
        list->clearItems();
    }
    return 0;
}

int getItemCountMethod(lua_State* L) {
    ListBox* list = selfList(L);
    if (list == nullptr) {
        return 0;
    }
    lua_pushinteger(L, list->itemCount());
    return 1;
}

// getItemText(index) -> the row's text, nil past the rows.
int getItemTextMethod(lua_State* L) {
    ListBox* list = selfList(L);
    if (list == nullptr) {
        return 0;
    }
    Control* item = list->itemAt(int32Argument(L, 2));
    if (item == nullptr) {
        lua_pushnil(L);
        return 1;
    }
    const std::u16string* text = item->findText(dui::key::text);
    return pushText(L, text == nullptr ? std::u16string_view() : std::u16string_view(*text));
}

int getSelectedIndexMethod(lua_State* L) {
    Control* control = resolveControl(L, 1);
    ListBox* list = listOf(control);
    if (list == nullptr) {
        return 0;
    }
    lua_pushinteger(L, list->selectedIndex());
    return 1;
}

// setSelectedIndex(index) -> whether it named a row or -1 (none). Raises no event; a
// combo box shows the row's text.
int setSelectedIndexMethod(lua_State* L) {
    Control* control = resolveControl(L, 1);
    ListBox* list = listOf(control);
    if (list == nullptr) {
        return 0;
    }
    const int32_t index = int32Argument(L, 2);
    bool done = false;
    if (index >= -1 && index < list->itemCount()) {
        if (auto* combo = dynamic_cast<ComboBox*>(control)) {
            done = combo->setSelectedIndex(index);
        } else {
            done = list->setSelectedIndex(index, false);
        }
    }
    lua_pushboolean(L, done ? 1 : 0);
    return 1;
}

// A list box's text is its selected row's, empty when none.
int listGetTextMethod(lua_State* L) {
    auto* list = dynamic_cast<ListBox*>(resolveControl(L, 1));
    if (list == nullptr) {
        return 0;
    }
    const Control* selected = list->selectedItem();
    const std::u16string* text = selected == nullptr ? nullptr : selected->findText(dui::key::text);
    return pushText(L, text == nullptr ? std::u16string_view() : std::u16string_view(*text));
}

const luaL_Reg kListMethods[] = {
    {"addItem", guarded<addItemMethod>},
    {"removeItem", guarded<removeItemMethod>},
    {"clearItems", guarded<clearItemsMethod>},
    {"getItemCount", guarded<getItemCountMethod>},
    {"getItemText", guarded<getItemTextMethod>},
    {"getSelectedIndex", guarded<getSelectedIndexMethod>},
    {"setSelectedIndex", guarded<setSelectedIndexMethod>},
    {nullptr, nullptr},
};

const luaL_Reg kListBoxMethods[] = {
    {"getText", guarded<listGetTextMethod>},
    {nullptr, nullptr},
};

void listMethodFamily(lua_State* L, Control* control) {
    if (dynamic_cast<ListBox*>(control) != nullptr) {
        luaL_setfuncs(L, kListMethods, 0);
        luaL_setfuncs(L, kListBoxMethods, 0);
    } else if (dynamic_cast<ComboBox*>(control) != nullptr) {
        luaL_setfuncs(L, kListMethods, 0);  // getText is the common one: the chosen text
    }
}

}  // namespace

void installListMethods() {
    addControlMethodFamily(listMethodFamily);
}

}  // namespace tamlo::script
