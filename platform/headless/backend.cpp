#include "platform/headless/backend.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/debug_sink.h"
#include "platform/desktop.h"
#include "platform/display_scale.h"
#include "platform/text_encoding.h"

namespace tamlo::platform {
namespace {

std::deque<int> answersFromEnvironment() {
    std::deque<int> answers;
    const char* list = std::getenv("TAMLO_HEADLESS_ANSWERS");
    if (list == nullptr) {
        return answers;
    }
    const char* p = list;
    while (*p) {
        char* end = nullptr;
        long value = std::strtol(p, &end, 10);
        if (end == p) {
            break;
        }
        answers.push_back(static_cast<int>(value));
        p = *end == ',' ? end + 1 : end;
    }
    return answers;
}

// TAMLO_HEADLESS_SCREEN=WIDTHxHEIGHT replaces the fixed 1920 x 1080 screen.
void applyScreenFromEnvironment() {
    const char* value = std::getenv("TAMLO_HEADLESS_SCREEN");
    if (value == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    if (std::sscanf(value, "%dx%d", &width, &height) == 2 && width > 0 && height > 0) {
        SystemMetrics metrics = systemMetrics();
        metrics.screen = Size{width, height};
        setSystemMetrics(metrics);
    }
}

// TAMLO_SCALE=F (1.5, 150%, 2x) draws every window at F device pixels to a logical one, as
// on a monitor of F x 96 DPI.
void applyScaleFromEnvironment() {
    const char* value = std::getenv("TAMLO_SCALE");
    const std::optional<double> scale =
        value != nullptr ? parseDisplayScale(value) : std::optional<double>(1.0);
    if (!scale) {
        debugOutput(std::string("TAMLO_SCALE ") + value +
                    " is not a scale from 0.5 to 4; 1 is used");
    }
    setDefaultWindowScale(scale.value_or(1.0));
}

}  // namespace

struct HeadlessBackend::State {
    std::mutex mutex;
    BrowserViewFactory browserViews;
    std::deque<int> scriptedAnswers = answersFromEnvironment();
};

HeadlessBackend::HeadlessBackend() : state_(std::make_unique<State>()) {
    setDebugEcho(true);
    setSystemMetrics(SystemMetrics{});
    applyScreenFromEnvironment();
    applyScaleFromEnvironment();
}

HeadlessBackend::~HeadlessBackend() = default;

int HeadlessBackend::messageBox(WindowHandle owner, std::u16string_view text,
                                std::u16string_view caption, uint32_t type) {
    const MessageBoxRequest request{owner, std::u16string(text), std::u16string(caption), type};
    if (std::optional<int> answer = answerMessageBox(request)) {
        return *answer;
    }
    if (isUiThread()) {
        pumpPendingMessages();
    }
    int answer = messageBoxDefaultAnswer(type);
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (!state_->scriptedAnswers.empty()) {
            answer = state_->scriptedAnswers.front();
            state_->scriptedAnswers.pop_front();
        }
    }
    logAnsweredDialog(messageBoxLogLine(request, answer));
    return answer;
}

bool HeadlessBackend::browseForFolder(WindowHandle owner, std::u16string_view title,
                                      std::u16string& path) {
    const FolderPickerRequest request{owner, std::u16string(title)};
    std::optional<std::optional<std::u16string>> answered = answerFolderPicker(request);
    if (!answered) {
        // Nobody answers: the picker is cancelled.
        if (isUiThread()) {
            pumpPendingMessages();
        }
        answered.emplace();
        logAnsweredDialog(folderPickerLogLine(request, std::nullopt));
    }
    const std::optional<std::u16string>& answer = *answered;
    if (!answer) {
        return false;
    }
    path = *answer;
    return true;
}

std::unique_ptr<MessagePump> HeadlessBackend::createMessagePump() {
    const char* clock = std::getenv("TAMLO_HEADLESS_CLOCK");
    bool virtualTime = clock != nullptr && std::string_view(clock) == "virtual";
    return std::make_unique<ConditionPump>(virtualTime ? ConditionPump::Time::Virtual
                                                       : ConditionPump::Time::Real);
}

std::unique_ptr<BrowserView> HeadlessBackend::createBrowserView(WindowHandle window,
                                                                BrowserEvents events,
                                                                std::string* why) {
    if (!state_->browserViews) {
        return Backend::createBrowserView(window, std::move(events), why);
    }
    return state_->browserViews(window, std::move(events));
}

BrowserViewFactory HeadlessBackend::setBrowserViewFactory(BrowserViewFactory factory) {
    return std::exchange(state_->browserViews, std::move(factory));
}

HeadlessBackend* headlessBackend() {
    return backendStarted() ? dynamic_cast<HeadlessBackend*>(&backend()) : nullptr;
}

}  // namespace tamlo::platform
