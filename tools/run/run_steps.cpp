#include "tools/run/run_steps.h"

#include <cstdio>
#include <filesystem>

#include "platform/dialog_answers.h"
#include "platform/headless/input.h"
#include "platform/headless/screenshot.h"
#include "platform/os/registry_store.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_box_buttons.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/native_window.h"
#include "runtime/ui_context.h"
#include "tools/run/drop_down_steps.h"
#include "tools/run/run_commands.h"
#include "tools/run/text_steps.h"
#include "tools/run/virtual_clock.h"
#include "window/shadowed_window.h"

namespace tamlo::runtool {
namespace {

constexpr uint32_t kStepIntervalMs = 10;
constexpr int32_t kWorkerNotify = 1024;

bool isRegularFile(const std::string& path) {
    std::error_code failure;
    return std::filesystem::is_regular_file(path, failure);
}

// The value as a step writes it: a number for a DWORD, else the text.
std::string valueText(const registry::Value& value) {
    if (auto number = value.asDword()) {
        return std::to_string(*number);
    }
    return value.data;
}

}  // namespace

RunStepRunner* RunStepRunner::current_ = nullptr;

RunStepRunner::RunStepRunner(std::vector<ShowStep> steps, std::string prefix, std::string outDir)
    : steps_(std::move(steps)), prefix_(std::move(prefix)), outDir_(std::move(outDir)) {}

RunStepRunner::~RunStepRunner() {
    if (timer_ != 0) {
        platform::killTimer(0, timer_);
    }
    if (answering_) {
        platform::setMessageBoxResponder(nullptr);
        platform::setFolderPickerResponder(nullptr);
    }
    if (current_ == this) {
        current_ = nullptr;
    }
}

void RunStepRunner::start() {
    current_ = this;
    // The step file answers every modal dialog, on every backend: a real one would wait
    // for a user who is not there.
    answering_ = true;
    platform::setMessageBoxResponder([this](const platform::MessageBoxRequest& request) {
        if (request.caption == u"错误") {
            sawErrorBox_ = true;
        }
        if (boxAnswers_.empty()) {
            return platform::messageBoxDefaultAnswer(request.type);
        }
        const int answer = boxAnswers_.front();
        boxAnswers_.pop_front();
        return answer;
    });
    platform::setFolderPickerResponder(
        [this](const platform::FolderPickerRequest&) -> std::optional<std::u16string> {
            if (folderAnswers_.empty()) {
                return std::nullopt;
            }
            const std::string answer = folderAnswers_.front();
            folderAnswers_.pop_front();
            if (answer.empty()) {
                return std::nullopt;
            }
            return utf8ToUtf16(underPrefix(answer));
        });
    if (!steps_.empty()) {
        timer_ = platform::setTimer(0, 0, kStepIntervalMs, &RunStepRunner::tick);
    }
    if (UiContext* context = uiContext()) {
        context->applicationEvents.add(kWorkerNotify, this, &RunStepRunner::onNotification);
        listening_ = true;
    }
}

void RunStepRunner::onNotification(void* self, dui::Control*, dui::Event&) {
    auto* runner = static_cast<RunStepRunner*>(self);
    ++runner->notifications_;
    if (runner->timer_ != 0) {
        runner->inNotification_ = true;
        runner->runSome();
        runner->inNotification_ = false;
    }
}

void RunStepRunner::finish() {
    if (timer_ != 0) {
        platform::killTimer(0, timer_);
        timer_ = 0;
    }
    if (UiContext* context = listening_ ? uiContext() : nullptr) {
        context->applicationEvents.remove(kWorkerNotify, this, &RunStepRunner::onNotification);
    }
    listening_ = false;
    ended_ = true;
    while (!failed_ && next_ < steps_.size()) {
        bool waiting = false;
        if (!run(steps_[next_++], &waiting)) {
            return;
        }
        if (waiting) {
            // A wait for a control once the installer has ended cannot be met.
            failStep(steps_[next_ - 1], "the installer has ended");
            return;
        }
    }
}

int RunStepRunner::status() const {
    return failed_ || sawErrorBox_ || next_ < steps_.size() ? 1 : 0;
}

WindowImpl* RunStepRunner::frontWindow() {
    for (platform::WindowHandle handle : platform::windowsInZOrder()) {
        auto* window = dynamic_cast<ShadowedWindow*>(WindowBase::fromHandle(handle));
        if (window != nullptr && platform::isWindowVisible(handle)) {
            return window;
        }
    }
    return nullptr;
}

void RunStepRunner::tick(std::uintptr_t, uint32_t, std::uintptr_t, uint64_t) {
    if (current_ != nullptr) {
        current_->runSome();
    }
}

void RunStepRunner::runSome() {
    // A step that pumps messages (a screenshot) must not start the next one inside it, nor
    // may one start inside a dialog the steps answer: its answer comes before the next step.
    if (running_ || failed_ || platform::answeringDialog() || platform::currentTime() < resumeAt_) {
        return;
    }
    running_ = true;
    runDueSteps();
    running_ = false;
}

void RunStepRunner::runDueSteps() {
    while (next_ < steps_.size()) {
        const ShowStep& step = steps_[next_];
        bool waiting = false;
        if (!run(step, &waiting)) {
            next_ = steps_.size() + 1;  // nothing more runs
            return;
        }
        if (waiting) {
            return;  // asked again at the next tick
        }
        ++next_;
        waiting_ = false;
        if (step.kind == ShowStep::Kind::Wait) {
            // On a virtual clock the wait is a jump: the timers due meanwhile run at once.
            const bool jumped = VirtualClockDriver::jump(static_cast<uint64_t>(step.x));
            resumeAt_ = platform::currentTime() + (jumped ? 0 : static_cast<uint64_t>(step.x));
            return;
        }
        if (step.kind != ShowStep::Kind::AnswerBox && step.kind != ShowStep::Kind::AnswerFolder) {
            return;  // one input step per tick: its messages are handled before the next
        }
    }
    if (timer_ != 0) {
        platform::killTimer(0, timer_);
        timer_ = 0;
    }
}

// A loop of its own for `ms`: windows keep painting and taking input, while a worker whose
// notification is being handled waits for its answer (a screenshot from outside sees the
// progress page standing still).
void RunStepRunner::hold(int32_t ms) {
    std::fprintf(stderr, "tamlo-run: holding for %d ms\n", ms);
    std::fflush(stderr);
    static bool holdOver = false;
    holdOver = false;
    const std::uintptr_t timer = platform::setTimer(
        0, 0, static_cast<uint32_t>(ms),
        [](std::uintptr_t, uint32_t, std::uintptr_t, uint64_t) { holdOver = true; });
    platform::Message message;
    while (!holdOver && timer != 0) {
        if (platform::getMessage(message) <= 0) {
            platform::postQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        platform::translateMessage(message);
        platform::dispatchMessage(message);
    }
    platform::killTimer(0, timer);
    std::fprintf(stderr, "tamlo-run: held\n");
    std::fflush(stderr);
}

// Keeps a wait going until its time limit: false once it has passed.
bool RunStepRunner::timedOut(const ShowStep& step, bool* waiting) {
    const uint64_t now = platform::currentTime();
    if (!waiting_) {
        waiting_ = true;
        waitingSince_ = now;
    }
    if (now - waitingSince_ > static_cast<uint64_t>(step.x)) {
        return failStep(step, "not so within " + std::to_string(step.x) + " ms");
    }
    *waiting = true;
    return true;
}

bool RunStepRunner::failStep(const ShowStep& step, const std::string& why) {
    fail("step " + std::to_string(step.line) + " failed (" + why + "): " + step.source);
    failed_ = true;
    return false;
}

// Texts typed or compared may name the prefix folder as $PREFIX.
std::string RunStepRunner::withPrefix(const std::string& text) const {
    static const std::string kPrefixWord = "$PREFIX";
    std::string out = text;
    for (std::size_t at = out.find(kPrefixWord); at != std::string::npos;
         at = out.find(kPrefixWord, at + prefix_.size())) {
        out.replace(at, kPrefixWord.size(), prefix_);
    }
    return out;
}

std::string RunStepRunner::underPrefix(const std::string& path) const {
    static const std::string kPrefixWord = "$PREFIX";
    if (path.compare(0, kPrefixWord.size(), kPrefixWord) == 0) {
        return prefix_ + path.substr(kPrefixWord.size());
    }
    return path.empty() || path[0] == '/' ? path : prefix_ + "/" + path;
}

std::optional<std::string> RunStepRunner::registryValue(const ShowStep& step) const {
    const std::size_t slash = step.text.find('\\');
    const std::string rootName = step.text.substr(0, slash);
    const std::string key =
        slash == std::string::npos ? std::string() : step.text.substr(slash + 1);
    auto root = registry::rootFromName(rootName);
    if (!root) {
        return std::nullopt;
    }
    registry::Store store(*root);
    auto value = store.query(key, step.name);
    if (!value) {
        return std::nullopt;
    }
    return valueText(*value);
}

bool RunStepRunner::run(const ShowStep& step, bool* waiting) {
    namespace input = platform::headless;
    using Kind = ShowStep::Kind;
    WindowImpl* window = frontWindow();
    auto needWindow = [&]() {
        return window != nullptr || failStep(step, "no installer window is showing");
    };
    auto control = [&](dui::Control*& out) {
        out = window == nullptr ? nullptr : window->controlById(step.id);
        return out != nullptr || failStep(step, "no control with that id");
    };
    switch (step.kind) {
        case Kind::Move:
        case Kind::Click:
        case Kind::RightClick:
        case Kind::DoubleClick:
            if (!needWindow()) {
                return false;
            }
            input::moveMouseTo(window->handle(), platform::Point{step.x, step.y});
            if (step.kind == Kind::Click || step.kind == Kind::DoubleClick) {
                input::click();
            }
            if (step.kind == Kind::DoubleClick) {
                input::click();
            }
            if (step.kind == Kind::RightClick) {
                input::click(platform::MouseButton::Right);
            }
            return true;
        case Kind::Down:
            input::pressButton();
            return true;
        case Kind::Up:
            input::releaseButton();
            return true;
        case Kind::ClickControl: {
            dui::Control* target = nullptr;
            Rect area;
            if (!control(target)) {
                return false;
            }
            if (!target->absoluteRect(area)) {
                return failStep(step, "the control is not showing");
            }
            input::moveMouseTo(window->handle(), platform::Point{(area.left + area.right) / 2,
                                                                 (area.top + area.bottom) / 2});
            input::click();
            return true;
        }
        case Kind::Wheel:
            input::turnWheel(step.x);
            return true;
        case Kind::Key:
            for (uint32_t key : step.keys) {
                input::keyDown(key);
            }
            for (auto key = step.keys.rbegin(); key != step.keys.rend(); ++key) {
                input::keyUp(*key);
            }
            return true;
        case Kind::Type:
            input::typeText(utf8ToUtf16(withPrefix(step.text)));
            return true;
        case Kind::Wait:
        case Kind::Close:
            return true;
        case Kind::SetClipboard:
        case Kind::ExpectClipboard:
        case Kind::Compose:
        case Kind::Commit:
        case Kind::ExpectText: {
            ShowStep expanded = step;
            expanded.text = withPrefix(step.text);
            std::string why;
            return runTextStep(expanded, window, why) || failStep(step, why);
        }
        case Kind::Screenshot: {
            if (!needWindow()) {
                return false;
            }
            platform::pumpPendingMessages();
            std::string error;
            window = frontWindow();
            const platform::WindowHandle shown =
                step.ofDropDown ? openDropDown() : (window == nullptr ? 0 : window->handle());
            if (shown == 0 ||
                !platform::saveWindowScreenshot(shown, outDir_ + "/" + step.text, &error)) {
                return failStep(step, shown == 0 ? "nothing to take" : error);
            }
            return true;
        }
        case Kind::Pick: {
            std::string why;
            return pickDropDownRow(step.x, &why) || failStep(step, why);
        }
        case Kind::ExpectSelected: {
            std::string why;
            if (!needWindow()) {
                return false;
            }
            return checkSelected(*window, step.id, step.x, &why) || failStep(step, why);
        }
        case Kind::Expect: {
            dui::Control* target = nullptr;
            if (!control(target)) {
                return false;
            }
            if (target->hasFlags(step.flagMask) != step.flagOn) {
                return failStep(step, step.flagOn ? "the flag is off" : "the flag is on");
            }
            return true;
        }
        case Kind::WaitFor: {
            dui::Control* target = window == nullptr ? nullptr : window->controlById(step.id);
            if (target != nullptr && target->hasFlags(step.flagMask) == step.flagOn) {
                return true;
            }
            return timedOut(step, waiting);
        }
        case Kind::WaitForNotify:
            return notifications_ >= step.id || timedOut(step, waiting);
        case Kind::WaitForEnd:
            *waiting = !ended_;  // what follows runs once the installer is done
            return true;
        case Kind::Hold:
            // Only a notification holds the worker: until one comes, the step waits.
            if (!inNotification_ && !ended_) {
                *waiting = true;
                return true;
            }
            hold(step.x);
            return true;
        case Kind::AnswerBox:
            boxAnswers_.push_back(step.x);
            return true;
        case Kind::AnswerFolder:
            folderAnswers_.push_back(step.text);
            return true;
        case Kind::ExpectFile:
        case Kind::ExpectNoFile: {
            const bool exists = isRegularFile(underPrefix(step.text));
            if (exists != (step.kind == Kind::ExpectFile)) {
                return failStep(step, exists ? "the file exists" : "no such file");
            }
            return true;
        }
        case Kind::ExpectRegistry:
        case Kind::ExpectNoRegistry: {
            const std::optional<std::string> value = registryValue(step);
            if (step.kind == Kind::ExpectNoRegistry) {
                return !value || failStep(step, "the value exists");
            }
            if (!value) {
                return failStep(step, "no such value");
            }
            const std::string expected =
                step.value.find("$PREFIX") == 0 ? underPrefix(step.value) : step.value;
            if (*value != expected) {
                return failStep(step, "the value is \"" + *value + "\"");
            }
            return true;
        }
    }
    return true;
}

}  // namespace tamlo::runtool
