#pragma once

#include <cstdint>
#include <thread>

#include "platform/windowing/message_queue.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/timer_list.h"
#include "platform/windowing/window_registry.h"

// The Win32 loop calls on the UI thread's queue. Only the posts are callable from other
// threads; everything else belongs to the UI thread (the one that made the queue) and
// fails on any other.
namespace tamlo::platform {

using ThreadId = std::thread::id;

// The UI thread (the queue's owner); a default id when there is no queue yet.
ThreadId uiThreadId();
bool isUiThread();

// PostMessageW. A window message needs a live window; window 0 posts a thread message
// to the calling thread, which must be the UI thread.
bool postMessage(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                 std::intptr_t lParam);

// PostThreadMessageW: wakes a GetMessage blocked on that thread. False when the thread
// has no queue.
bool postThreadMessage(ThreadId thread, uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

// PostQuitMessage: the loop's next get (after the posted messages) returns WM_QUIT.
void postQuitMessage(int exitCode);

// GetMessageW: waits for a message the filter lets through, runs the hooks and returns
// 1, or 0 for WM_QUIT; -1 when called off the UI thread. `window` is a window, kAnyWindow
// or kThreadMessagesOnly; `first`..`last` a message range (0, 0 for all).
int getMessage(Message& out, WindowHandle window = kAnyWindow, uint32_t first = 0,
               uint32_t last = 0);

// PeekMessageW with PM_REMOVE or PM_NOREMOVE; the hooks see the message either way.
bool peekMessage(Message& out, WindowHandle window, uint32_t first, uint32_t last, uint32_t flags);

// TranslateMessageW: a WM_KEYDOWN (WM_SYSKEYDOWN) of a character key queues the WM_CHAR
// (WM_SYSCHAR) ahead of the rest; true when it did.
bool translateMessage(const Message& message);

// DispatchMessageW: a WM_TIMER carrying a timer procedure calls it, anything else goes to
// the window's procedure. Thread messages are not dispatched (result 0).
std::intptr_t dispatchMessage(const Message& message);

// SetTimer / KillTimer on the UI thread. With a window the timer posts WM_TIMER to it
// (wParam = id), or calls `procedure` when one is given; without a window a new id is
// returned unless `id` names an existing thread timer. 0 means failure.
std::uintptr_t setTimer(WindowHandle window, std::uintptr_t id, uint32_t intervalMs,
                        TimerProcedure procedure);
bool killTimer(WindowHandle window, std::uintptr_t id);

// SetWindowsHookExW(WH_GETMESSAGE) for the UI thread, and its removal. 0 on failure.
HookHandle setGetMessageHook(GetMessageHook hook);
bool unhookGetMessage(HookHandle hook);

// Removes, translates and dispatches what is waiting now (up to `limit` messages) and
// returns how many it handled. A WM_QUIT it meets is posted again and ends the pump, so
// that the enclosing loop still ends. Nested modal loops use it.
std::size_t pumpPendingMessages(std::size_t limit = 100000);

// The time of the queue's clock in milliseconds.
uint64_t currentTime();

}  // namespace tamlo::platform
