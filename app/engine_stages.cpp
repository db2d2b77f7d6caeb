#include "app/engine_stages.h"

#include <atomic>
#include <memory>
#include <utility>

#include "dui/style/style_set.h"
#include "dui/style/style_set_metrics.h"
#include "platform/debug_sink.h"
#include "platform/windowing/message_queue.h"
#include "runtime/run_queue.h"
#include "runtime/ui_context.h"
#include "script/engine_bindings.h"
#include "script/lua_window.h"
#include "script/script_host.h"
#include "window/drop_target.h"
#include "window/window_impl.h"

namespace tamlo::app {
namespace {

// Layout measures text and images through the loaded style set.
std::unique_ptr<dui::StyleSetMetrics>& layoutMetrics() {
    static std::unique_ptr<dui::StyleSetMetrics> metrics;
    return metrics;
}

// Ends the dialog with the damaged-installer message, which the script host shows once the
// UI script has returned.
class PayloadDamagedRunable final : public SRService::IRunable {
  public:
    explicit PayloadDamagedRunable(std::shared_ptr<std::atomic<bool>> told)
        : told_(std::move(told)) {}
    void run() override {
        script::ScriptHost& host = script::ScriptHost::instance();
        if (host.state() != nullptr) {
            host.reportBridgeError("安装程序已损坏，请重新下载。");
            told_->store(true);
        }
    }

  private:
    std::shared_ptr<std::atomic<bool>> told_;
};

void payloadDamaged(std::shared_ptr<std::atomic<bool>> told) {
    SRService::post(std::make_shared<PayloadDamagedRunable>(std::move(told)));
}

void startUi() {
    // The main thread is the UI thread: its queue must exist before anything posts.
    platform::uiQueue();
    if (!SRService::start()) {
        debugOutput("the run queue did not start");
    }
    UiContext* context = createUiContext();
    if (context != nullptr) {
        context->registries->styleSet = std::make_unique<dui::StyleSet>();
        dui::StyleSet* styles = context->registries->styleSet.get();
        if (!styles->loadStylePackage(u"style.lz")) {
            debugOutput("the style package could not be read");
        }
        styles->install();
        layoutMetrics() = std::make_unique<dui::StyleSetMetrics>(*styles);
        dui::setContentMetrics(layoutMetrics().get());
        context->registries->layoutPackage->load(u"frame.lz");
    }
    // Drags reach the controls that accept drops.
    CDropTarget::installRouting();
    script::installEngineBindings();
    if (!script::ScriptHost::instance().start()) {
        debugOutput("the script host did not start");
    }
}

void runUiScript() {
    script::ScriptHost::instance().runScript(u"UI.lua");
}

void stopUi() {
    script::ScriptHost::instance().close();
    dui::setContentMetrics(nullptr);
    layoutMetrics().reset();
    destroyUiContext();
    SRService::stop();
}

}  // namespace

StartupStages engineStages() {
    StartupStages stages;
    stages.startUi = startUi;
    stages.runUiScript = runUiScript;
    stages.stopUi = stopUi;
    stages.payloadDamaged = payloadDamaged;
    return stages;
}

}  // namespace tamlo::app
