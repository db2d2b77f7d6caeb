#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamlo::render {

// A top-down block of premultiplied 32-bit pixels, A<<24 | R<<16 | G<<8 | B, rows packed
// without padding (bytes B, G, R, A in memory), zero-filled when allocated.
class Bitmap {
  public:
    // Both sides must lie in 1..kMaxSide; the drawing library refuses anything larger.
    static constexpr int32_t kMaxSide = 32767;

    // False, leaving the bitmap empty, for a size that cannot be allocated.
    bool allocate(int32_t width, int32_t height);
    void clear();

    bool isEmpty() const { return pixels_.empty(); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t strideBytes() const { return width_ * 4; }
    size_t byteCount() const { return pixels_.size() * 4; }

    uint32_t* pixels() { return pixels_.data(); }
    const uint32_t* pixels() const { return pixels_.data(); }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(pixels_.data()); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(pixels_.data()); }

    // Callers index inside the bitmap.
    uint32_t pixel(int32_t x, int32_t y) const {
        return pixels_[static_cast<size_t>(y) * width_ + x];
    }
    void setPixel(int32_t x, int32_t y, uint32_t value) {
        pixels_[static_cast<size_t>(y) * width_ + x] = value;
    }

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint32_t> pixels_;
};

}  // namespace tamlo::render
