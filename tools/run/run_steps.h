#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/run/show_steps.h"

namespace tamlo {
class WindowImpl;
namespace dui {
class Control;
struct Event;
}  // namespace dui
}  // namespace tamlo

namespace tamlo::runtool {

// Drives a whole installer run from a steps file: every step acts on the script window in
// front when it runs, from a UI timer inside whatever loop is pumping. Message boxes and
// folder pickers take the answers the steps queued (else their defaults), and every box
// captioned "错误" counts as a failure. Paths in file steps are under the prefix.
class RunStepRunner {
  public:
    RunStepRunner(std::vector<ShowStep> steps, std::string prefix, std::string outDir);
    ~RunStepRunner();
    RunStepRunner(const RunStepRunner&) = delete;
    RunStepRunner& operator=(const RunStepRunner&) = delete;

    // Installs the answerers and starts the step timer (UI thread, backend started).
    void start();
    // Stops the timer; steps not yet run are run now, without windows, so checks of files
    // and registry values after the installer ended still count.
    void finish();

    // 0 when every step ran and held and no error box was shown, else 1.
    int status() const;
    bool stepsDone() const { return next_ >= steps_.size(); }

    // The script window in front, or null.
    static WindowImpl* frontWindow();

  private:
    static void tick(std::uintptr_t, uint32_t, std::uintptr_t, uint64_t);
    // Seen before the windows' own handlers; steps also run here, between two
    // notifications, while the worker waits for its answer.
    static void onNotification(void* self, dui::Control* sender, dui::Event& event);
    bool timedOut(const ShowStep& step, bool* waiting);
    void hold(int32_t ms);
    void runSome();
    void runDueSteps();
    // False stops the steps (a failure was reported).
    bool run(const ShowStep& step, bool* waiting);
    bool failStep(const ShowStep& step, const std::string& why);
    std::string underPrefix(const std::string& path) const;
    std::string withPrefix(const std::string& text) const;
    std::optional<std::string> registryValue(const ShowStep& step) const;

    static RunStepRunner* current_;
    std::vector<ShowStep> steps_;
    std::string prefix_;
    std::string outDir_;
    std::size_t next_ = 0;
    uint64_t resumeAt_ = 0;
    uint64_t waitingSince_ = 0;
    bool waiting_ = false;
    bool running_ = false;
    bool ended_ = false;
    bool inNotification_ = false;
    std::uintptr_t timer_ = 0;
    bool failed_ = false;
    bool sawErrorBox_ = false;
    int notifications_ = 0;
    bool listening_ = false;
    bool answering_ = false;  // this runner answers the modal dialogs
    std::deque<int> boxAnswers_;
    std::deque<std::string> folderAnswers_;
};

}  // namespace tamlo::runtool
