#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/backend.h"

namespace tamlo::platform {

struct MessageBoxRequest {
    WindowHandle owner = 0;
    std::u16string text;
    std::u16string caption;
    uint32_t type = 0;
};

// Answers a message box shown headless; returns the IDOK... of the chosen button.
using MessageBoxResponder = std::function<int(const MessageBoxRequest&)>;

struct FolderPickerRequest {
    WindowHandle owner = 0;
    std::u16string title;
};

// Answers a folder picker shown headless: the chosen path, or nothing for a cancel.
using FolderPickerResponder =
    std::function<std::optional<std::u16string>(const FolderPickerRequest&)>;

// Makes the page of a browser control headless; tests give one to watch the control.
using BrowserViewFactory =
    std::function<std::unique_ptr<BrowserView>(WindowHandle window, BrowserEvents events)>;

// In-memory backend for tests, CI and `tamlo-run --headless`. Message boxes are answered
// by the responder (default: the box's default button, or the next number of the
// comma-separated TAMLO_HEADLESS_ANSWERS list while it lasts) and each is logged as one
// stderr line: messagebox caption="…" text="…" type=N -> answer
class HeadlessBackend : public Backend {
  public:
    HeadlessBackend();
    ~HeadlessBackend() override;

    std::string_view name() const override { return "headless"; }
    // A box is a nested loop on the UI thread's queue: what is waiting there (posted
    // calls, runnables, timers that are due) is handled before the responder answers.
    int messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                   uint32_t type) override;

    // Answered by the folder responder (default: cancelled) and logged as one stderr line:
    // folderpicker title="…" -> "path" (or -> cancel)
    bool browseForFolder(WindowHandle owner, std::u16string_view title,
                         std::u16string& path) override;

    // Real time, or virtual time (tests advance it) when TAMLO_HEADLESS_CLOCK=virtual.
    std::unique_ptr<MessagePump> createMessagePump() override;

    // Replaces the responder; an empty one restores the default. Returns the previous one.
    MessageBoxResponder setMessageBoxResponder(MessageBoxResponder responder);
    FolderPickerResponder setFolderPickerResponder(FolderPickerResponder responder);

    // Headless there is no browser engine: a browser control stays empty unless a test
    // has given a factory. Returns the previous one.
    std::unique_ptr<BrowserView> createBrowserView(WindowHandle window, BrowserEvents events,
                                                   std::string* why) override;
    BrowserViewFactory setBrowserViewFactory(BrowserViewFactory factory);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The started backend as HeadlessBackend, or null when another backend runs.
HeadlessBackend* headlessBackend();

// The log line for one answered box (quotes, backslashes and line breaks escaped).
std::string messageBoxLogLine(const MessageBoxRequest& request, int answer);
std::string folderPickerLogLine(const FolderPickerRequest& request,
                                const std::optional<std::u16string>& answer);

}  // namespace tamlo::platform
