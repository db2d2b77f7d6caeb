#pragma once

#include <cstdint>

namespace tamlo::dui {

// How a raised event travels: down from the root, up to the root, or to the target only.
enum Routing : int32_t {
    Tunnel = 0,
    Bubble = 1,
    Direct = 2,
};

// The event record. For input events wParam and lParam are the window message's own
// parameters (mouse coordinates are window-client ones). They are pointer-sized: a worker
// notification carries its text's address in wParam.
struct Event {
    int32_t code = 0;
    int32_t routing = Direct;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    int32_t handled = 0;
};

// Event codes. 2 to 32 are shared with the scripts' `event` table.
namespace EventCode {
constexpr int32_t Attached = 0;
constexpr int32_t Detached = 1;
constexpr int32_t GotFocus = 2;
constexpr int32_t LostFocus = 3;
constexpr int32_t PrevKeyDown = 4;
constexpr int32_t KeyDown = 5;
constexpr int32_t PrevKeyUp = 6;
constexpr int32_t KeyUp = 7;
constexpr int32_t PrevKeyPress = 8;
constexpr int32_t KeyPress = 9;
constexpr int32_t GotCapture = 10;
constexpr int32_t LostCapture = 11;
constexpr int32_t PrevLButtonDown = 12;
constexpr int32_t LButtonDown = 13;
constexpr int32_t PrevLButtonUp = 14;
constexpr int32_t LButtonUp = 15;
constexpr int32_t PrevRButtonDown = 16;
constexpr int32_t RButtonDown = 17;
constexpr int32_t PrevRButtonUp = 18;
constexpr int32_t RButtonUp = 19;
constexpr int32_t LButtonDbClick = 20;
constexpr int32_t RButtonDbClick = 21;
constexpr int32_t PrevMouseWheel = 22;  // named for the scripts, never raised
constexpr int32_t MouseWheel = 23;
constexpr int32_t MouseMove = 25;
constexpr int32_t MouseEnter = 26;
constexpr int32_t MouseLeave = 27;
constexpr int32_t QueryCursor = 28;
constexpr int32_t Click = 30;
constexpr int32_t ValueChange = 31;
constexpr int32_t Notify = 32;
constexpr int32_t DragEnter = 33;
constexpr int32_t DragOver = 34;
constexpr int32_t DragLeave = 35;
constexpr int32_t Drop = 36;
// Raised at a WebBrowser: a page is about to load (handled cancels it), and has loaded.
constexpr int32_t BeforeNavigate = 37;
constexpr int32_t NavigateComplete = 38;
// Raised on the application event table when a worker thread sends a notification.
constexpr int32_t WorkerNotify = 1024;
}  // namespace EventCode

}  // namespace tamlo::dui
