#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/backend.h"
#include "platform/dialog_answers.h"

namespace tamlo::platform {

// Makes the page of a browser control headless; tests give one to watch the control.
using BrowserViewFactory =
    std::function<std::unique_ptr<BrowserView>(WindowHandle window, BrowserEvents events)>;

// In-memory backend for tests, CI and `tamlo-run --headless`. Message boxes are answered
// by the responder of platform/dialog_answers.h (without one: the next number of the
// comma-separated TAMLO_HEADLESS_ANSWERS list while it lasts, then the box's default
// button) and each is logged as one stderr line: messagebox caption="…" text="…" type=N -> answer
class HeadlessBackend : public Backend {
  public:
    HeadlessBackend();
    ~HeadlessBackend() override;

    std::string_view name() const override { return "headless"; }
    // A box is a nested loop on the UI thread's queue: what is waiting there (posted
    // calls, runnables, timers that are due) is handled before the responder answers.
    int messageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                   uint32_t type) override;

    // Answered by the folder responder (without one: cancelled) and logged as one stderr line:
    // folderpicker title="…" -> "path" (or -> cancel)
    bool browseForFolder(WindowHandle owner, std::u16string_view title,
                         std::u16string& path) override;

    // Real time, or virtual time (tests advance it) when TAMLO_HEADLESS_CLOCK=virtual.
    std::unique_ptr<MessagePump> createMessagePump() override;

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

}  // namespace tamlo::platform
