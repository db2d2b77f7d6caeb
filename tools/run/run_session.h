#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/run/project.h"
#include "tools/run/project_metrics.h"

namespace tamlo::dui {
class StyleSet;
class ContentMetrics;
}  // namespace tamlo::dui

namespace tamlo::runtool {

// Reads "W,H" with both sides in 1..maxSide.
bool parseWindowSize(const std::string& text, int32_t maxSide, int32_t& width, int32_t& height);

// What a tamlo-run command over a project needs on the UI thread: the backend, the UI
// queue and context, the project's styles, its content metrics and its layouts. The
// destructor takes them down in reverse order. Diagnostics are kept for the command's
// error line instead of being echoed.
class RunSession {
  public:
    explicit RunSession(const Project& project);
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    // `headless` forces the headless backend; otherwise TAMLO_PLATFORM or the display
    // decides. `withStyles` installs the project's style set for painting.
    bool start(bool headless, bool withStyles, std::string* error);

    // Reads the project's styles, images and fonts again (no tree may use the old ones).
    void reloadStyles();

    // "cannot <verb> layout "<name>"", with the last diagnostic when there is one.
    std::string layoutError(const std::string& verb, const std::string& layout) const;

  private:
    void loadStyles();

    const Project& project_;
    std::string lastDiagnostic_;
    std::unique_ptr<dui::StyleSet> styles_;
    std::unique_ptr<ProjectMetrics> metrics_;
    dui::ContentMetrics* previousMetrics_ = nullptr;
};

}  // namespace tamlo::runtool
