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
    if (image->hasBitmap()) {
        image->setVariantSource([this, name](Image& held) { addVariants(name, held); });
    }
    const Image* result = image.get();
    images_.emplace(name, std::move(image));
    return result;
}

std::u16string variantName(const std::u16string& name, std::u16string_view suffix) {
    const size_t slash = name.find_last_of(u"/\\");
    const size_t dot = name.rfind(u'.');
    const size_t at = dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)
                          ? name.size()
                          : dot;
    return name.substr(0, at) + std::u16string(suffix) + name.substr(at);
}

void ImageCache::addVariants(const std::u16string& name, Image& image) {
    static constexpr std::pair<double, std::u16string_view> kVariants[] = {{1.5, u"@1.5x"},
                                                                           {2.0, u"@2x"}};
    for (const auto& [density, suffix] : kVariants) {
        std::vector<uint8_t> bytes;
        if (!reader_(variantName(name, suffix), bytes)) {
            continue;
        }
        Image variant;
        if (variant.load(bytes.data(), bytes.size(), budget_ - bytesHeld_)) {
            bytesHeld_ += variant.bitmap().byteCount();
            image.addVariant(density, std::move(variant));
        }
    }
}

void ImageCache::clear() {
    images_.clear();
    bytesHeld_ = 0;
}

}  // namespace tamlo::render
