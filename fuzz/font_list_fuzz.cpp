// libFuzzer target: any bytes as "font.xml", read into named fonts.
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "dui/style/style_set.h"
#include "platform/debug_sink.h"
#include "render/font.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tamlo::setDebugHook([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::map<std::u16string, std::unique_ptr<tamlo::render::Font>, std::less<>> fonts;
    tamlo::dui::readFontList(std::string_view(reinterpret_cast<const char*>(data), size), fonts);
    return 0;
}
