#include "render/image_cache.h"

#include <utility>

namespace tamlo::render {

ImageCache::ImageCache(FileReader reader, uint64_t budget)
    : budget_(budget), reader_(std::move(reader)) {}

const Image* ImageCache::image(const std::u16string& name) {
    const auto found = images_.find(name);
    if (found != images_.end()) {
        return found->second.get();
    }
    std::vector<uint8_t> bytes;
    if (!reader_ || !reader_(name, bytes)) {
        return nullptr;
    }
    auto image = std::make_unique<Image>();
    image->load(bytes.data(), bytes.size(), budget_ - bytesHeld_);
    bytesHeld_ += image->bitmap().byteCount();
    const Image* result = image.get();
    images_.emplace(name, std::move(image));
    return result;
}

void ImageCache::clear() {
    images_.clear();
    bytesHeld_ = 0;
}

}  // namespace tamlo::render
