// libFuzzer target: any bytes as a skin image fetched through the image cache (PNG and
// every other format the decoder takes, declared sizes included), then drawn as a 9-slice.
#include <cstdint>
#include <vector>

#include "platform/debug_sink.h"
#include "render/back_buffer.h"
#include "render/image_cache.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tamlo::setDebugHook([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tamlo::render::ImageCache cache(
        [data, size](const std::u16string&, std::vector<uint8_t>& bytes) {
            bytes.assign(data, data + size);
            return true;
        });
    const tamlo::render::Image* image = cache.image(u"skin.png");
    if (image != nullptr && image->hasBitmap()) {
        tamlo::render::BackBuffer buffer;
        if (buffer.resize(24, 24) && buffer.canvas() != nullptr) {
            image->drawScaleGrid(*buffer.canvas(), 0, 0, 24, 24, 3, 3, 3, 3);
            image->drawStrip(*buffer.canvas(), 0, 0, 24, 12, image->height() / 2, image->width(),
                             image->height() / 2);
        }
    }
    return 0;
}
