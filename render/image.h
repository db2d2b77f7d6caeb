#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "render/bitmap.h"
#include "render/canvas.h"

namespace tamlo::render {

// The most memory one decoded image may take (4 bytes a pixel): far more than any skin
// needs, so only a file whose header declares an absurd size meets it.
constexpr uint64_t kImageDecodeBudget = uint64_t{128} << 20;

// Whether a width x height image fits `budget` bytes (kImageDecodeBudget by default).
bool withinDecodeBudget(int64_t width, int64_t height, uint64_t budget = kImageDecodeBudget);

// A decoded skin image: premultiplied pixels and whether any pixel is not opaque. Images
// with alpha are drawn source-over, opaque ones are copied. An image that failed to load
// has no bitmap and draws nothing. Sizes and source coordinates are in the image's own
// (1x) pixels; denser variants of it (drawn for 1.5x, 2x, ...) may be added, and a scaled
// canvas draws the least dense one that is not smaller than the canvas needs, else the
// densest, smoothly resampled when its density is not the canvas's scale.
class Image {
  public:
    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Decodes PNG, JPEG, BMP, GIF, PSD, PIC or HDR bytes; a leading 0x01 byte is skipped.
    // A file whose declared size is past kImageDecodeBudget is refused undecoded, and so
    // is a 16-bit PNM file (the decoder mishandles those).
    // A smaller `budget` (what is left of a cache's) refuses smaller images the same way.
    bool load(const uint8_t* bytes, size_t length, uint64_t budget = kImageDecodeBudget);
    // Takes 8-bit R, G, B, A pixels, rows top to bottom.
    bool loadRgba(const uint8_t* rgba, int32_t width, int32_t height);
    // Adds `variant` (taken over) as this image drawn at `density` device pixels to each of
    // its own. Refused (false) without a bitmap on either side, for a density not above 1
    // or one already held.
    bool addVariant(double density, Image&& variant);
    size_t variantCount() const { return variants_.size(); }
    // Called, once, the first time a canvas scaled past 1 draws the image, to add its
    // variants: a 1x screen never decodes them.
    using VariantSource = std::function<void(Image& image)>;
    void setVariantSource(VariantSource source) { variantSource_ = std::move(source); }
    // Every bitmap held, the variants included.
    uint64_t byteCount() const;

    bool hasBitmap() const { return !bitmap_.isEmpty(); }
    bool hasAlpha() const { return hasAlpha_; }
    int32_t width() const { return bitmap_.width(); }
    int32_t height() const { return bitmap_.height(); }
    const Bitmap& bitmap() const { return bitmap_; }

    // Each returns false when nothing could be drawn.
    bool drawAt(Canvas& canvas, int32_t x, int32_t y) const;
    bool drawStretched(Canvas& canvas, int32_t left, int32_t top, int32_t right,
                       int32_t bottom) const;
    // The source rows sourceY .. sourceY + sourceHeight (from column 0, sourceWidth wide)
    // stretched to (x, y, width, height): one frame of a vertical strip of states.
    bool drawStrip(Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                   int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight) const;
    // 9-slice: corners at natural size, edges and centre stretched. Pieces whose source or
    // destination has a non-positive side are skipped.
    bool drawScaleGrid(Canvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t gridLeft, int32_t gridTop, int32_t gridRight,
                       int32_t gridBottom) const;

  private:
    struct Variant {
        double density = 1.0;
        Bitmap bitmap;
        bool hasAlpha = false;
    };
    void reset();
    // What a canvas at `scale` draws: the variant's bitmap, density and alpha.
    const Variant* variantFor(double scale) const;
    bool piece(Canvas& canvas, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx,
               int32_t dy, int32_t dw, int32_t dh) const;

    Bitmap bitmap_;
    bool hasAlpha_ = false;
    std::vector<Variant> variants_;  // densest last
    mutable VariantSource variantSource_;
};

}  // namespace tamlo::render
