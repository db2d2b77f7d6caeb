#include "tools/run/run_session.h"

#include <cstdlib>

#include "dui/core/content_metrics.h"
#include "dui/loader/layout_loader.h"
#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/os/os_services.h"
#include "platform/windowing/message_queue.h"
#include "runtime/ui_context.h"

namespace tamlo::runtool {

bool parseWindowSize(const std::string& text, int32_t maxSide, int32_t& width, int32_t& height) {
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != ',') {
        return false;
    }
    const char* second = end + 1;
    const long h = std::strtol(second, &end, 10);
    if (end == second || *end != '\0' || w <= 0 || h <= 0 || w > maxSide || h > maxSide) {
        return false;
    }
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

RunSession::RunSession(const Project& project) : project_(project) {
    setDebugHook([this](const std::string& line) { lastDiagnostic_ = line; });
}

RunSession::~RunSession() {
    dui::setLayoutSource(nullptr);
    if (metrics_) {
        dui::setContentMetrics(previousMetrics_);
    }
    styles_.reset();
    setDebugHook(nullptr);
    destroyUiContext();
    if (platform::backendStarted()) {
        platform::stopBackend();
    }
}

bool RunSession::start(bool headless, bool withStyles, std::string* error) {
    if (headless) {
        os::setEnvironmentVariable("TAMLO_PLATFORM", "headless");
    }
    if (platform::startBackend(error) == nullptr) {
        return false;
    }
    platform::uiQueue();
    if (createUiContext() == nullptr) {
        *error = "the UI context could not be made";
        return false;
    }
    setDebugEcho(false);
    if (withStyles) {
        styles_ = std::make_unique<dui::StyleSet>();
        loadStyles();
        styles_->install();
    }
    metrics_ = std::make_unique<ProjectMetrics>(project_);
    previousMetrics_ = dui::setContentMetrics(metrics_.get());
    dui::setLayoutSource([this](std::u16string_view name, std::string& bytes) {
        return project_.readLayout(name, bytes);
    });
    return true;
}

void RunSession::loadStyles() {
    styles_->loadFromReader([this](const std::u16string& name, std::vector<uint8_t>& bytes) {
        std::string content;
        if (!project_.readStyleFile(name, content)) {
            return false;
        }
        bytes.assign(content.begin(), content.end());
        return true;
    });
}

void RunSession::reloadStyles() {
    if (styles_) {
        loadStyles();
    }
    if (metrics_) {
        // Its caches hold the old images' sizes.
        auto fresh = std::make_unique<ProjectMetrics>(project_);
        dui::setContentMetrics(fresh.get());
        metrics_ = std::move(fresh);
    }
}

std::string RunSession::layoutError(const std::string& verb, const std::string& layout) const {
    return "cannot " + verb + " layout \"" + layout + "\"" +
           (lastDiagnostic_.empty() ? std::string() : ": " + lastDiagnostic_);
}

}  // namespace tamlo::runtool
