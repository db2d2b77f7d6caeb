#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/browser_view.h"
#include "platform/geometry.h"

// The backend table: every operation a window-system backend provides, in three parts:
// `Backend` (message boxes, the folder picker, its message pump and native windows),
// `MessagePump` (the clock and wait of the UI thread's queue) and `NativeWindows` (showing
// what the window services decided). What a backend calls back into is listed in
// platform/desktop.h. Each backend lives in a folder of its own (headless/,
// gtk/) with the same file names for the same roles, and is chosen by name at start-up.
// A new backend implements these three classes and registers in backend_registry.cpp.
// OS services that do not depend on the window system are in platform/os/.
namespace tamlo::platform {

using WindowHandle = std::uintptr_t;  // 0 is "no window"

// What the UI thread's message queue needs from a backend: the time its timers run on,
// and a way to sleep until something may have arrived. A GTK backend drives the same
// queue from a GLib source and implements the wait with the GLib loop.
class MessagePump {
  public:
    virtual ~MessagePump() = default;

    // Milliseconds on the clock that timers and message times use.
    virtual uint64_t nowMilliseconds() = 0;

    // Sleeps until `wake` is called, or `deadline` (on this pump's clock) has passed.
    // A wake that came before the call makes it return at once. It may return early.
    virtual void waitForEvent(std::optional<uint64_t> deadline) = 0;

    // Ends a current or the next wait. Callable from any thread.
    virtual void wake() = 0;
};

// What a window-system backend does to show the window services' state
// (platform/windowing/native_window.h). The services call it after their state changed; the backend
// calls back into the services (and the input of platform/desktop.h) when the desktop
// changes something.
class NativeWindows {
  public:
    virtual ~NativeWindows() = default;

    virtual void windowCreated(WindowHandle window) = 0;
    virtual void windowDestroyed(WindowHandle window) = 0;
    virtual void windowPlaced(WindowHandle window, const Rect& screenRect) = 0;
    virtual void windowShown(WindowHandle window, bool visible, bool activate) = 0;
    virtual void windowsRestacked(const std::vector<WindowHandle>& topFirst) = 0;
    virtual void windowActivated(WindowHandle window) = 0;
    virtual void windowContentsChanged(WindowHandle window, const Rect& area) = 0;
    virtual void windowShapeChanged(WindowHandle window) = 0;
    // Shows the window's current reveal (NativeWindowState::reveal, or all of it without
    // one) and keeps the desktop's own events going until `untilMs` on the queue's clock,
    // without dispatching the engine's messages. False: this side cannot animate.
    virtual bool presentAnimationFrame(WindowHandle /*window*/, uint64_t /*untilMs*/) {
        return false;
    }
    virtual void windowTextChanged(WindowHandle window) = 0;
    virtual void windowIconChanged(WindowHandle /*window*/) {}
    // Minimised (true) or restored (false) by ShowWindow.
    virtual void windowIconicChanged(WindowHandle /*window*/, bool /*iconic*/) {}
    virtual void captureChanged(WindowHandle captured) = 0;
    virtual void cursorChanged(uint32_t cursorId) = 0;

    // Input methods (platform/windowing/input_method.h): the window's text caret is at
    // `caret` (client coordinates), where a composition window belongs; the caret was
    // hidden, which cancels a composition in progress.
    virtual void inputCaretPlaced(WindowHandle /*window*/, const Rect& /*caret*/) {}
    virtual void inputCaretHidden(WindowHandle /*window*/) {}
};

// The backend itself: its name, the modal dialogs it shows, its pump and windows.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual std::string_view name() const = 0;

    // MessageBoxW: modal, owned by `owner` (0 for none). `type` carries the MB_ button,
    // icon and default-button flags; the result is the IDOK... of the chosen button.
    virtual int messageBox(WindowHandle owner, std::u16string_view text,
                           std::u16string_view caption, uint32_t type) = 0;

    // SHBrowseForFolderW with BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE: a modal folder
    // picker owned by `owner` with `title` as its prompt. True with the chosen folder's
    // path; false when the user cancels (or the backend has no picker).
    virtual bool browseForFolder(WindowHandle owner, std::u16string_view title,
                                 std::u16string& path);

    // The clipboard's text (CF_UNICODETEXT). The default is a clipboard of this process
    // alone, in memory (headless); a desktop backend uses the desktop's. Callers go
    // through platform/windowing/clipboard.h, which cleans what comes back.
    virtual bool clipboardHasText();
    virtual bool clipboardText(std::u16string& out);
    virtual bool setClipboardText(std::u16string_view text);

    // The clock and wait of the UI thread's message queue (platform/windowing/message_pump.h).
    // The default is a real-time pump on a condition variable.
    virtual std::unique_ptr<MessagePump> createMessagePump();

    // The native side of the window services (platform/windowing/native_window.h); null for a
    // backend whose windows live only in memory.
    virtual NativeWindows* nativeWindows() { return nullptr; }

    // An embedded web page shown in `window`. Null, with `why` saying so, when this
    // backend has no browser engine (or it cannot be loaded); the default has none.
    virtual std::unique_ptr<BrowserView> createBrowserView(WindowHandle window,
                                                           BrowserEvents events, std::string* why);
};

// Chooses the backend named by TAMLO_PLATFORM ("headless", "gtk"). Without a choice,
// a machine with a display gets "gtk" and one without is an error: the engine does not
// guess. Returns null and sets `error` when the backend cannot start.
Backend* startBackend(std::string* error);

// The backend started when TAMLO_PLATFORM names none (an unattended run asks for
// "headless", which has no window to show). Empty restores the usual choice.
void setDefaultBackend(const std::string& name);

// The started backend. Starting one is a precondition of every UI service.
Backend& backend();
bool backendStarted();

// Ends the started backend (tear-down and tests).
void stopBackend();

// Names of the backends this build carries.
std::vector<std::string> availableBackends();

}  // namespace tamlo::platform
