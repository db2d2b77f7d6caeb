// show: opens a layout in a shadowed window as a script window is made, centred, and runs
// the modal loop; a steps file drives the pointer and keys and checks control states.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dui/core/content_metrics.h"
#include "dui/loader/layout_loader.h"
#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/headless/input.h"
#include "platform/headless/screenshot.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/messages.h"
#include "platform/windowing/native_window.h"
#include "runtime/ui_context.h"
#include "tools/run/drop_down_steps.h"
#include "tools/run/layout_watcher.h"
#include "tools/run/project.h"
#include "tools/run/project_metrics.h"
#include "tools/run/run_commands.h"
#include "tools/run/run_session.h"
#include "tools/run/show_steps.h"
#include "tools/run/text_steps.h"
#include "window/drop_target.h"
#include "window/shadowed_window.h"

namespace tamlo::runtool {
namespace {

constexpr const char* kUsage =
    "usage: tamlo-run show PROJECT LAYOUT [--headless] [--steps FILE] [--out DIR] [--watch]";
constexpr uint32_t kStepIntervalMs = 10;
constexpr int32_t kClosedByUser = 2;
constexpr int32_t kClosedBySteps = 1;

// Runs the steps from a UI timer inside the modal loop, so that every step's messages
// are handled before the next one.
class StepRunner {
  public:
    StepRunner(ShadowedWindow& window, std::vector<ShowStep> steps, std::string outDir)
        : window_(window), steps_(std::move(steps)), outDir_(std::move(outDir)) {}

    void start() {
        current_ = this;
        timer_ = platform::setTimer(0, 0, kStepIntervalMs, &StepRunner::tick);
    }
    void stop() {
        if (timer_ != 0) {
            platform::killTimer(0, timer_);
            timer_ = 0;
        }
        current_ = nullptr;
    }
    int status() const { return status_; }

  private:
    static void tick(std::uintptr_t, uint32_t, std::uintptr_t, uint64_t) {
        if (current_ != nullptr) {
            current_->runSome();
        }
    }

    void runSome() {
        if (platform::currentTime() < resumeAt_) {
            return;
        }
        while (next_ < steps_.size()) {
            const ShowStep& step = steps_[next_++];
            if (!run(step)) {
                finish();
                return;
            }
            if (step.kind == ShowStep::Kind::Wait) {
                resumeAt_ = platform::currentTime() + static_cast<uint64_t>(step.x);
                return;
            }
            if (step.kind == ShowStep::Kind::Close) {
                finish();
                return;
            }
        }
        finish();
    }

    void finish() {
        stop();
        window_.endDialog(kClosedBySteps);
    }

    bool failStep(const ShowStep& step, const std::string& why) {
        fail("step " + std::to_string(step.line) + " failed (" + why + "): " + step.source);
        status_ = 1;
        return false;
    }

    void moveTo(int32_t x, int32_t y) {
        platform::headless::moveMouseTo(window_.handle(), platform::Point{x, y});
    }

    bool run(const ShowStep& step) {
        namespace input = platform::headless;
        using Kind = ShowStep::Kind;
        switch (step.kind) {
            case Kind::Move:
                moveTo(step.x, step.y);
                break;
            case Kind::Down:
                input::pressButton();
                break;
            case Kind::Up:
                input::releaseButton();
                break;
            case Kind::Click:
                moveTo(step.x, step.y);
                input::click();
                break;
            case Kind::ClickControl: {
                dui::Control* control = window_.controlById(step.id);
                Rect area;
                if (control == nullptr || !control->absoluteRect(area)) {
                    return failStep(step, "no control with that id");
                }
                moveTo((area.left + area.right) / 2, (area.top + area.bottom) / 2);
                input::click();
                break;
            }
            case Kind::RightClick:
                moveTo(step.x, step.y);
                input::click(platform::MouseButton::Right);
                break;
            case Kind::DoubleClick:
                moveTo(step.x, step.y);
                input::click();
                input::click();
                break;
            case Kind::Wheel:
                input::turnWheel(step.x);
                break;
            case Kind::Key:
                for (uint32_t key : step.keys) {
                    input::keyDown(key);
                }
                for (auto key = step.keys.rbegin(); key != step.keys.rend(); ++key) {
                    input::keyUp(*key);
                }
                break;
            case Kind::Type:
                input::typeText(utf8ToUtf16(step.text));
                break;
            case Kind::Wait:
            case Kind::Close:
                break;
            case Kind::SetClipboard:
            case Kind::ExpectClipboard:
            case Kind::Compose:
            case Kind::Commit:
            case Kind::ExpectText: {
                std::string why;
                if (!runTextStep(step, &window_, why)) {
                    return failStep(step, why);
                }
                break;
            }
            case Kind::WaitFor:
            case Kind::WaitForNotify:
            case Kind::WaitForEnd:
            case Kind::Hold:
            case Kind::AnswerBox:
            case Kind::AnswerFolder:
            case Kind::ExpectFile:
            case Kind::ExpectNoFile:
            case Kind::ExpectRegistry:
            case Kind::ExpectNoRegistry:
                return failStep(step, "only a whole run has this step");
            case Kind::Screenshot: {
                // What is pending is drawn first.
                platform::pumpPendingMessages();
                std::string error;
                const platform::WindowHandle shown =
                    step.ofDropDown ? openDropDown() : window_.handle();
                if (shown == 0) {
                    return failStep(step, "no drop-down is open");
                }
                if (!platform::saveWindowScreenshot(shown, outDir_ + "/" + step.text, &error)) {
                    return failStep(step, error);
                }
                break;
            }
            case Kind::Pick: {
                std::string why;
                if (!pickDropDownRow(step.x, &why)) {
                    return failStep(step, why);
                }
                break;
            }
            case Kind::ExpectSelected: {
                platform::pumpPendingMessages();
                std::string why;
                if (!checkSelected(window_, step.id, step.x, &why)) {
                    return failStep(step, why);
                }
                break;
            }
            case Kind::Expect: {
                platform::pumpPendingMessages();
                dui::Control* control = window_.controlById(step.id);
                if (control == nullptr) {
                    return failStep(step, "no control with that id");
                }
                if (control->hasFlags(step.flagMask) != step.flagOn) {
                    return failStep(step, step.flagOn ? "the flag is off" : "the flag is on");
                }
                break;
            }
        }
        return true;
    }

    static StepRunner* current_;
    ShadowedWindow& window_;
    std::vector<ShowStep> steps_;
    std::string outDir_;
    std::size_t next_ = 0;
    uint64_t resumeAt_ = 0;
    std::uintptr_t timer_ = 0;
    int status_ = 0;
};

StepRunner* StepRunner::current_ = nullptr;

struct ShowOptions {
    std::string project;
    std::string layout;
    bool headless = false;
    std::string stepsFile;
    std::string outDir = ".";
    bool watch = false;
};

bool parseOptions(const std::vector<std::string>& arguments, ShowOptions& options) {
    if (arguments.size() < 2) {
        return false;
    }
    options.project = arguments[0];
    options.layout = arguments[1];
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        if (arguments[i] == "--headless") {
            options.headless = true;
        } else if (arguments[i] == "--watch") {
            options.watch = true;
        } else if ((arguments[i] == "--steps" || arguments[i] == "--out") &&
                   i + 1 < arguments.size()) {
            (arguments[i] == "--steps" ? options.stepsFile : options.outDir) = arguments[i + 1];
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int show(const std::vector<std::string>& arguments) {
    ShowOptions options;
    if (!parseOptions(arguments, options)) {
        return fail(kUsage);
    }
    std::vector<ShowStep> steps;
    const bool scripted = !options.stepsFile.empty();
    if (scripted) {
        std::ifstream file(options.stepsFile, std::ios::binary);
        if (!file) {
            return fail("cannot read \"" + options.stepsFile + "\"");
        }
        std::ostringstream content;
        content << file.rdbuf();
        std::string error;
        if (!parseShowSteps(content.str(), steps, &error)) {
            return fail(error);
        }
    }
    std::string error;
    std::unique_ptr<Project> project = Project::open(options.project, &error);
    if (project == nullptr) {
        return fail(error);
    }
    std::error_code failure;
    if (options.watch && !std::filesystem::is_directory(options.project, failure)) {
        return fail("--watch watches a project folder, not an installer");
    }
    RunSession session(*project);
    if (!session.start(options.headless, /*withStyles=*/true, &error)) {
        return fail(error);
    }
    CDropTarget::installRouting();

    int status = 0;
    auto* window = new ShadowedWindow(utf8ToUtf16(options.layout));
    if (!window->create(0, win32::WS_POPUP, 0, 0, 0, 0, 0) || window->root() == nullptr) {
        status = fail(session.layoutError("show", options.layout));
        if (window->handle() != 0) {
            window->destroy();
        } else {
            delete window;
        }
    } else {
        window->centerScreen();
        LayoutWatcher watcher(options.project, utf8ToUtf16(options.layout), *window, session);
        if (options.watch) {
            watcher.start();
        }
        StepRunner runner(*window, std::move(steps), options.outDir);
        platform::HookHandle escape = 0;
        if (scripted) {
            runner.start();
        } else {
            // Escape closes the window here; installers close through their scripts.
            escape =
                platform::setGetMessageHook([window](platform::Message& message, bool removed) {
                    if (removed && message.message == win32::WM_KEYDOWN &&
                        message.wParam == win32::VK_ESCAPE) {
                        window->endDialog(kClosedByUser);
                    }
                });
        }
        window->showDialog(0);  // destroys the window
        watcher.stop();
        runner.stop();
        if (escape != 0) {
            platform::unhookGetMessage(escape);
        }
        status = runner.status();
    }

    platform::setDragHandler(nullptr);
    return status;
}

}  // namespace tamlo::runtool
