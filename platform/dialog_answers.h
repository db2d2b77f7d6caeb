#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/backend.h"

// Answers for the modal dialogs of an unattended or step-driven run. Every backend asks
// here before it shows a message box or a folder picker: while a responder is set, its
// answer is taken and no dialog opens, so a step file's answers hold on every desktop.
// One process-wide hook, callable from any thread; responders run outside its lock.
namespace tamlo::platform {

struct MessageBoxRequest {
    WindowHandle owner = 0;
    std::u16string text;
    std::u16string caption;
    uint32_t type = 0;
};

// Returns the IDOK... of the chosen button.
using MessageBoxResponder = std::function<int(const MessageBoxRequest&)>;

struct FolderPickerRequest {
    WindowHandle owner = 0;
    std::u16string title;
};

// The chosen path, or nothing for a cancel.
using FolderPickerResponder =
    std::function<std::optional<std::u16string>(const FolderPickerRequest&)>;

// Replaces the responder; an empty one lets the backend show its dialog again. Returns
// the previous one.
MessageBoxResponder setMessageBoxResponder(MessageBoxResponder responder);
FolderPickerResponder setFolderPickerResponder(FolderPickerResponder responder);

// The responder's answer, or nothing when none is set. An answer is given as a real
// dialog would: on the UI thread what waits on the queue is handled first (a modal dialog
// runs a nested loop), and it is logged as one stderr line (logAnsweredDialog).
std::optional<int> answerMessageBox(const MessageBoxRequest& request);
// Outer optional: whether a responder answered; inner: its path, or a cancel.
std::optional<std::optional<std::u16string>> answerFolderPicker(const FolderPickerRequest& request);

// True while an answer is being given on this thread (its queue handled, its responder
// asked): whatever drives the run waits, as the answer is meant to come at once.
bool answeringDialog();

// The stderr line for one answered dialog (quotes, backslashes and line breaks escaped):
// messagebox caption="…" text="…" type=N -> answer
// folderpicker title="…" -> "path" (or -> cancel)
std::string messageBoxLogLine(const MessageBoxRequest& request, int answer);
std::string folderPickerLogLine(const FolderPickerRequest& request,
                                const std::optional<std::u16string>& answer);
// Writes the line to stderr at once.
void logAnsweredDialog(const std::string& line);

}  // namespace tamlo::platform
