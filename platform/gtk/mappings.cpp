#include "platform/gtk/mappings.h"

#include <algorithm>

#include "platform/desktop.h"
#include "platform/win32_constants.h"

namespace tamlo::platform::gtk {

using namespace tamlo::win32;

namespace {

struct KeyPair {
    uint32_t keyval;
    uint32_t virtualKey;
};

// X11 keysym values (GDK_KEY_...).
constexpr KeyPair kKeys[] = {
    {0xff08, VK_BACK},     {0xff09, VK_TAB},      {0xfe20, VK_TAB},     // ISO_Left_Tab
    {0xff0b, VK_CLEAR},    {0xff0d, VK_RETURN},   {0xff8d, VK_RETURN},  // KP_Enter
    {0xff13, VK_PAUSE},    {0xff14, VK_SCROLL},   {0xff1b, VK_ESCAPE},  {0xff50, VK_HOME},
    {0xff51, VK_LEFT},     {0xff52, VK_UP},       {0xff53, VK_RIGHT},   {0xff54, VK_DOWN},
    {0xff55, VK_PRIOR},    {0xff56, VK_NEXT},     {0xff57, VK_END},     {0xff60, VK_SELECT},
    {0xff61, VK_SNAPSHOT}, {0xff63, VK_INSERT},   {0xff67, VK_APPS},    {0xff6a, VK_HELP},
    {0xff7f, VK_NUMLOCK},  {0xff95, VK_HOME},  // KP_Home
    {0xff96, VK_LEFT},     {0xff97, VK_UP},       {0xff98, VK_RIGHT},   {0xff99, VK_DOWN},
    {0xff9a, VK_PRIOR},    {0xff9b, VK_NEXT},     {0xff9c, VK_END},     {0xff9e, VK_INSERT},
    {0xff9f, VK_DELETE},   {0xffaa, VK_MULTIPLY}, {0xffab, VK_ADD},     {0xffac, VK_SEPARATOR},
    {0xffad, VK_SUBTRACT}, {0xffae, VK_DECIMAL},  {0xffaf, VK_DIVIDE},  {0xffe1, VK_SHIFT},
    {0xffe2, VK_SHIFT},    {0xffe3, VK_CONTROL},  {0xffe4, VK_CONTROL}, {0xffe5, VK_CAPITAL},
    {0xffe9, VK_MENU},     {0xffea, VK_MENU},     {0xfe03, VK_MENU},  // ISO_Level3_Shift (AltGr)
    {0xffe7, VK_LWIN},     {0xffeb, VK_LWIN},     {0xffec, VK_RWIN},    {0xffff, VK_DELETE},
    {0x0020, VK_SPACE},    {';', VK_OEM_1},       {':', VK_OEM_1},      {'=', VK_OEM_PLUS},
    {'+', VK_OEM_PLUS},    {',', VK_OEM_COMMA},   {'<', VK_OEM_COMMA},  {'-', VK_OEM_MINUS},
    {'_', VK_OEM_MINUS},   {'.', VK_OEM_PERIOD},  {'>', VK_OEM_PERIOD}, {'/', VK_OEM_2},
    {'?', VK_OEM_2},       {'`', VK_OEM_3},       {'~', VK_OEM_3},      {'[', VK_OEM_4},
    {'{', VK_OEM_4},       {'\\', VK_OEM_5},      {'|', VK_OEM_5},      {']', VK_OEM_6},
    {'}', VK_OEM_6},       {'\'', VK_OEM_7},      {'"', VK_OEM_7},
};

// Shifted digits of a US layout give the digit's key.
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

}  // namespace

uint32_t virtualKeyFromKeyval(uint32_t keyval) {
    if (keyval >= 'a' && keyval <= 'z') {
        return keyval - 'a' + 'A';
    }
    if ((keyval >= 'A' && keyval <= 'Z') || (keyval >= '0' && keyval <= '9')) {
        return keyval;
    }
    for (int digit = 0; digit < 10; ++digit) {
        if (keyval == static_cast<uint32_t>(kShiftedDigits[digit])) {
            return '0' + digit;
        }
    }
    if (keyval >= 0xffb0 && keyval <= 0xffb9) {  // KP_0..KP_9
        return VK_NUMPAD0 + (keyval - 0xffb0);
    }
    if (keyval >= 0xffbe && keyval <= 0xffd5) {  // F1..F24
        return VK_F1 + (keyval - 0xffbe);
    }
    for (const KeyPair& pair : kKeys) {
        if (pair.keyval == keyval) {
            return pair.virtualKey;
        }
    }
    return 0;
}

const char* cursorNameForId(uint32_t cursorId) {
    switch (cursorId) {
        case IDC_IBEAM:
            return "text";
        case IDC_WAIT:
            return "wait";
        case IDC_CROSS:
            return "crosshair";
        case IDC_UPARROW:
            return "n-resize";
        case IDC_SIZENWSE:
            return "nwse-resize";
        case IDC_SIZENESW:
            return "nesw-resize";
        case IDC_SIZEWE:
            return "ew-resize";
        case IDC_SIZENS:
            return "ns-resize";
        case IDC_SIZEALL:
            return "move";
        case IDC_NO:
            return "not-allowed";
        case IDC_HAND:
            return "pointer";
        case IDC_APPSTARTING:
            return "progress";
        case IDC_HELP:
            return "help";
        default:
            return "default";
    }
}

MessageBoxLayout messageBoxLayout(uint32_t type) {
    MessageBoxLayout layout;
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR:
            layout.kind = MessageKind::Error;
            break;
        case MB_ICONQUESTION:
            layout.kind = MessageKind::Question;
            break;
        case MB_ICONWARNING:
            layout.kind = MessageKind::Warning;
            break;
        case MB_ICONINFORMATION:
            layout.kind = MessageKind::Information;
            break;
        default:
            layout.kind = MessageKind::Plain;
    }
    for (int id : messageBoxButtons(type)) {
        const char* label = "";
        switch (id) {
            case IDOK:
                label = "确定(_O)";
                break;
            case IDCANCEL:
                label = "取消(_C)";
                break;
            case IDABORT:
                label = "中止(_A)";
                break;
            case IDRETRY:
                label = "重试(_R)";
                break;
            case IDIGNORE:
                label = "忽略(_I)";
                break;
            case IDYES:
                label = "是(_Y)";
                break;
            case IDNO:
                label = "否(_N)";
                break;
            case IDTRYAGAIN:
                label = "重试(_T)";
                break;
            case IDCONTINUE:
                label = "继续(_C)";
                break;
            default:
                break;
        }
        layout.buttons.push_back({id, label});
    }
    layout.defaultId = messageBoxDefaultAnswer(type);
    auto has = [&](int id) {
        return std::any_of(layout.buttons.begin(), layout.buttons.end(),
                           [&](const MessageBoxButton& b) { return b.id == id; });
    };
    if (has(IDCANCEL)) {
        layout.closeId = IDCANCEL;
    } else if (layout.buttons.size() == 1) {
        layout.closeId = layout.buttons.front().id;
    } else {
        layout.closeId = layout.defaultId;
    }
    return layout;
}

}  // namespace tamlo::platform::gtk
