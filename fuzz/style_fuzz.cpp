// libFuzzer target: any bytes as a style document, made into a style through the style
// factory and the attribute setters.
#include <cstdint>
#include <string_view>

#include "dui/style/style_set.h"
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
    tamlo::dui::createStyle(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
