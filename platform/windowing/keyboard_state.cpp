#include "platform/windowing/keyboard_state.h"

#include <array>
#include <atomic>

namespace tamlo::platform {
namespace {

constexpr uint8_t kDown = 0x80;
constexpr uint8_t kToggled = 0x01;

std::array<std::atomic<uint8_t>, 256>& keys() {
    static std::array<std::atomic<uint8_t>, 256> state{};
    return state;
}

void setDown(uint32_t key, bool down) {
    auto& entry = keys()[key & 0xFF];
    uint8_t old = entry.load();
    uint8_t now = down ? static_cast<uint8_t>(old | kDown) : static_cast<uint8_t>(old & ~kDown);
    if (down && !(old & kDown)) {
        now ^= kToggled;  // each fresh press flips the toggle, as caps lock does
    }
    entry.store(now);
}

// The generic modifier follows its left and right keys.
uint32_t genericKey(uint32_t key) {
    switch (key) {
        case win32::VK_LSHIFT:
        case win32::VK_RSHIFT:
            return win32::VK_SHIFT;
        case win32::VK_LCONTROL:
        case win32::VK_RCONTROL:
            return win32::VK_CONTROL;
        case win32::VK_LMENU:
        case win32::VK_RMENU:
            return win32::VK_MENU;
        default:
            return key;
    }
}

}  // namespace

void noteKeyMessage(const Message& message) {
    bool down;
    switch (message.message) {
        case win32::WM_KEYDOWN:
        case win32::WM_SYSKEYDOWN:
            down = true;
            break;
        case win32::WM_KEYUP:
        case win32::WM_SYSKEYUP:
            down = false;
            break;
        default:
            return;
    }
    uint32_t key = static_cast<uint32_t>(message.wParam) & 0xFF;
    setDown(key, down);
    uint32_t generic = genericKey(key);
    if (generic != key) {
        setDown(generic, down);
    }
}

bool isKeyDown(uint32_t virtualKey) {
    return (keys()[virtualKey & 0xFF].load() & kDown) != 0;
}

bool isKeyToggled(uint32_t virtualKey) {
    return (keys()[virtualKey & 0xFF].load() & kToggled) != 0;
}

void resetKeyboardState() {
    for (auto& entry : keys()) {
        entry.store(0);
    }
}

char16_t characterForKey(uint32_t key, bool shift, bool capsLock, bool control) {
    if (key >= 'A' && key <= 'Z') {
        if (control) {
            return static_cast<char16_t>(key - 'A' + 1);
        }
        bool upper = shift != capsLock;
        return static_cast<char16_t>(upper ? key : key - 'A' + 'a');
    }
    if (control) {
        return 0;
    }
    if (key >= '0' && key <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return static_cast<char16_t>(shift ? shifted[key - '0'] : key);
    }
    if (key >= win32::VK_NUMPAD0 && key <= win32::VK_NUMPAD9) {
        return static_cast<char16_t>('0' + (key - win32::VK_NUMPAD0));
    }
    struct Pair {
        uint32_t key;
        char plain;
        char shifted;
    };
    static const Pair table[] = {
        {win32::VK_SPACE, ' ', ' '},     {win32::VK_RETURN, '\r', '\r'},
        {win32::VK_BACK, '\b', '\b'},    {win32::VK_TAB, '\t', '\t'},
        {win32::VK_ESCAPE, 0x1B, 0x1B},  {win32::VK_OEM_1, ';', ':'},
        {win32::VK_OEM_PLUS, '=', '+'},  {win32::VK_OEM_COMMA, ',', '<'},
        {win32::VK_OEM_MINUS, '-', '_'}, {win32::VK_OEM_PERIOD, '.', '>'},
        {win32::VK_OEM_2, '/', '?'},     {win32::VK_OEM_3, '`', '~'},
        {win32::VK_OEM_4, '[', '{'},     {win32::VK_OEM_5, '\\', '|'},
        {win32::VK_OEM_6, ']', '}'},     {win32::VK_OEM_7, '\'', '"'},
        {win32::VK_MULTIPLY, '*', '*'},  {win32::VK_ADD, '+', '+'},
        {win32::VK_SUBTRACT, '-', '-'},  {win32::VK_DECIMAL, '.', '.'},
        {win32::VK_DIVIDE, '/', '/'},
    };
    for (const Pair& pair : table) {
        if (pair.key == key) {
            return static_cast<char16_t>(shift ? pair.shifted : pair.plain);
        }
    }
    return 0;
}

}  // namespace tamlo::platform
