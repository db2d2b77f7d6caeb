#include "app/engine_stages.h"

#include "dui/style/style_set.h"
#include "platform/debug_sink.h"
#include "platform/message_queue.h"
#include "runtime/run_queue.h"
#include "runtime/ui_context.h"
#include "script/control_bindings.h"
#include "script/script_host.h"

namespace tamlo::app {
namespace {

void startUi() {
    // The main thread is the UI thread: its queue must exist before anything posts.
    platform::uiQueue();
    if (!SRService::start()) {
        debugOutput("the run queue did not start");
    }
    UiContext* context = createUiContext();
    if (context != nullptr) {
        context->layoutPackage->load(u"frame.lz");
        auto* styles = new dui::StyleSet();
        context->styleSet = makeOwnedSlot(styles);
        if (!styles->loadStylePackage(u"style.lz")) {
            debugOutput("the style package could not be read");
        }
        styles->install();
    }
    script::installControlBindings();
    if (!script::ScriptHost::instance().start()) {
        debugOutput("the script host did not start");
    }
}

void runUiScript() {
    script::ScriptHost::instance().runScript(u"UI.lua");
}

void stopUi() {
    script::ScriptHost::instance().close();
    destroyUiContext();
    SRService::stop();
}

}  // namespace

StartupStages engineStages() {
    StartupStages stages;
    stages.startUi = startUi;
    stages.runUiScript = runUiScript;
    stages.stopUi = stopUi;
    return stages;
}

}  // namespace tamlo::app
