// libFuzzer target: any bytes as a layout document, built into a control tree through the
// factories and setters, then measured and arranged once.
#include <cstdint>
#include <memory>
#include <string_view>

#include "dui/core/control.h"
#include "dui/loader/layout_loader.h"
#include "platform/debug_sink.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "runtime/ui_context.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tamlo::setDebugHook([](const std::string&) {});
    tamlo::platform::createUiQueue(std::make_unique<tamlo::platform::ConditionPump>(
        tamlo::platform::ConditionPump::Time::Virtual));
    tamlo::createUiContext();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<tamlo::dui::Control> root(tamlo::dui::buildLayout(text, u"fuzz.xml"));
    if (root) {
        root->measure(560, 360);
        root->arrange(tamlo::Rect{0, 0, 560, 360});
    }
    return 0;
}
