#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pure mappings between the desktop's codes and the engine's Win32 vocabulary; no GTK
// header is needed to use or test them.
namespace tamlo::platform::gtk {

// The virtual-key code of a GDK keyval (X11 keysym numbers), or 0 for a key the engine
// has no code for. Letters of either case give 'A'..'Z'; keypad digits VK_NUMPAD0..9.
uint32_t virtualKeyFromKeyval(uint32_t keyval);

// The CSS cursor name GTK shows for a system cursor id (IDC_...); "default" for an id it
// does not know.
const char* cursorNameForId(uint32_t cursorId);

enum class MessageKind { Information, Warning, Question, Error, Plain };

struct MessageBoxButton {
    int id;             // IDOK...
    std::string label;  // with a mnemonic
};

// What a GTK dialog shows for a MessageBoxW type: the icon kind of MB_ICON..., the
// buttons of MB_OK... in order, the MB_DEFBUTTONn default, and the answer when the
// dialog is closed without a button (Cancel where there is one, OK for a lone OK button,
// else the default button).
struct MessageBoxLayout {
    MessageKind kind = MessageKind::Plain;
    std::vector<MessageBoxButton> buttons;
    int defaultId = 0;
    int closeId = 0;
};

MessageBoxLayout messageBoxLayout(uint32_t type);

}  // namespace tamlo::platform::gtk
