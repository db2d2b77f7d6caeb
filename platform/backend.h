#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The UI backend boundary. Every window-system service the engine needs is an
// operation of `Backend`; each backend lives in its own folder (headless/, gtk/)
// and is chosen by name at start-up. OS services that do not depend on the
// window system are in platform/os/os_services.h.
namespace tamlo::platform {

using WindowHandle = std::uintptr_t;  // 0 is "no window"

class MessagePump;
class NativeWindows;

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

    // The clock and wait of the UI thread's message queue (platform/windowing/message_pump.h).
    // The default is a real-time pump on a condition variable.
    virtual std::unique_ptr<MessagePump> createMessagePump();

    // The native side of the window services (platform/windowing/native_window.h); null for a
    // backend whose windows live only in memory.
    virtual NativeWindows* nativeWindows() { return nullptr; }
};

// Chooses the backend named by TAMLO_PLATFORM ("headless", "gtk"). Without a choice,
// a machine with a display gets "gtk" and one without is an error: the engine does not
// guess. Returns null and sets `error` when the backend cannot start.
Backend* startBackend(std::string* error);

// The started backend. Starting one is a precondition of every UI service.
Backend& backend();
bool backendStarted();

// Ends the started backend (tear-down and tests).
void stopBackend();

// Names of the backends this build carries.
std::vector<std::string> availableBackends();

}  // namespace tamlo::platform
