#include "platform/dialog_answers.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"

namespace tamlo::platform {
namespace {

struct Responders {
    std::mutex mutex;
    MessageBoxResponder messageBox;
    FolderPickerResponder folderPicker;
};

Responders& responders() {
    static Responders instance;
    return instance;
}

thread_local int answersUnderway = 0;

// Counts an answer in progress on this thread for answeringDialog().
class AnswerUnderway {
  public:
    AnswerUnderway() { ++answersUnderway; }
    ~AnswerUnderway() { --answersUnderway; }
    AnswerUnderway(const AnswerUnderway&) = delete;
    AnswerUnderway& operator=(const AnswerUnderway&) = delete;
};

std::string escaped(std::u16string_view text) {
    std::string out;
    for (char c : utf16ToUtf8(text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

MessageBoxResponder setMessageBoxResponder(MessageBoxResponder responder) {
    std::lock_guard<std::mutex> lock(responders().mutex);
    return std::exchange(responders().messageBox, std::move(responder));
}

FolderPickerResponder setFolderPickerResponder(FolderPickerResponder responder) {
    std::lock_guard<std::mutex> lock(responders().mutex);
    return std::exchange(responders().folderPicker, std::move(responder));
}

std::optional<int> answerMessageBox(const MessageBoxRequest& request) {
    MessageBoxResponder responder;
    {
        std::lock_guard<std::mutex> lock(responders().mutex);
        responder = responders().messageBox;
    }
    if (!responder) {
        return std::nullopt;
    }
    const AnswerUnderway underway;
    if (isUiThread()) {
        pumpPendingMessages();
    }
    const int answer = responder(request);
    logAnsweredDialog(messageBoxLogLine(request, answer));
    return answer;
}

std::optional<std::optional<std::u16string>> answerFolderPicker(
    const FolderPickerRequest& request) {
    FolderPickerResponder responder;
    {
        std::lock_guard<std::mutex> lock(responders().mutex);
        responder = responders().folderPicker;
    }
    if (!responder) {
        return std::nullopt;
    }
    const AnswerUnderway underway;
    if (isUiThread()) {
        pumpPendingMessages();
    }
    std::optional<std::u16string> answer = responder(request);
    logAnsweredDialog(folderPickerLogLine(request, answer));
    return answer;
}

bool answeringDialog() {
    return answersUnderway > 0;
}

std::string messageBoxLogLine(const MessageBoxRequest& request, int answer) {
    return "messagebox caption=\"" + escaped(request.caption) + "\" text=\"" +
           escaped(request.text) + "\" type=" + std::to_string(request.type) + " -> " +
           std::to_string(answer);
}

std::string folderPickerLogLine(const FolderPickerRequest& request,
                                const std::optional<std::u16string>& answer) {
    return "folderpicker title=\"" + escaped(request.title) + "\" -> " +
           (answer ? "\"" + escaped(*answer) + "\"" : std::string("cancel"));
}

void logAnsweredDialog(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

}  // namespace tamlo::platform
