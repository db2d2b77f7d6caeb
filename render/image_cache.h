#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/image.h"

namespace tamlo::render {

// The most memory the decoded images of one cache may take in all; an image past what is
// left is refused undecoded (it draws nothing) with a debug line.
constexpr uint64_t kImageCacheBudget = uint64_t{96} << 20;

// Decoded images by file name (exact match). A file the reader does not have is not
// remembered, so a later request tries again; a file that does not decode stays cached
// as an image without bitmap. "name@1.5x.png" and "name@2x.png" beside "name.png" are
// its denser variants, loaded the first time a scaled canvas draws it.
// "name.png" with `suffix` before its extension ("name@2x.png").
std::u16string variantName(const std::u16string& name, std::u16string_view suffix);

class ImageCache {
  public:
    // Fills `bytes` with the named file; false when there is no such file.
    using FileReader = std::function<bool(const std::u16string& name, std::vector<uint8_t>& bytes)>;

    explicit ImageCache(FileReader reader = {}, uint64_t budget = kImageCacheBudget);

    // Null when the file is missing.
    const Image* image(const std::u16string& name);
    void clear();
    size_t size() const { return images_.size(); }
    // The bytes the decoded images take.
    uint64_t bytesHeld() const { return bytesHeld_; }

  private:
    void addVariants(const std::u16string& name, Image& image);

    uint64_t budget_;
    uint64_t bytesHeld_ = 0;
    FileReader reader_;
    std::map<std::u16string, std::unique_ptr<Image>, std::less<>> images_;
};

}  // namespace tamlo::render
