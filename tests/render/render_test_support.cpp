#include "render_test_support.h"

#include <stb/stb_image_write.h>

namespace tamlo::render::test {

std::string encodePng(const std::vector<uint8_t>& rgba, int32_t width, int32_t height) {
    std::string out;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                       static_cast<size_t>(size));
        },
        &out, width, height, 4, rgba.data(), width * 4);
    return out;
}

}  // namespace tamlo::render::test
