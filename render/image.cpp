#include "render/image.h"

#include <cstring>

#include <stb/stb_image.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "platform/debug_sink.h"
#include "render/blit.h"

namespace tamlo::render {

namespace {

constexpr uint8_t kSkippedPrefix = 0x01;

bool fitsInt32(int64_t value) {
    return value >= INT32_MIN && value <= INT32_MAX;
}

}  // namespace

bool withinDecodeBudget(int64_t width, int64_t height, uint64_t budget) {
    return width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX &&
           static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 <=
               std::min(budget, kImageDecodeBudget);
}

void Image::reset() {
    bitmap_.clear();
    hasAlpha_ = false;
    variants_.clear();
    variantSource_ = nullptr;
}

bool Image::addVariant(double density, Image&& variant) {
    if (!hasBitmap() || !variant.hasBitmap() || !(density > 1.0)) {
        return false;
    }
    for (const Variant& held : variants_) {
        if (held.density == density) {
            return false;
        }
    }
    Variant added;
    added.density = density;
    added.bitmap = std::move(variant.bitmap_);
    added.hasAlpha = variant.hasAlpha_;
    variant.reset();
    variants_.push_back(std::move(added));
    std::sort(variants_.begin(), variants_.end(),
              [](const Variant& a, const Variant& b) { return a.density < b.density; });
    return true;
}

uint64_t Image::byteCount() const {
    uint64_t total = bitmap_.byteCount();
    for (const Variant& variant : variants_) {
        total += variant.bitmap.byteCount();
    }
    return total;
}

const Image::Variant* Image::variantFor(double scale) const {
    if (scale > 1.0 && variantSource_) {
        // The cache owns its images as non-const objects; only drawing reaches them const.
        const VariantSource source = std::move(variantSource_);
        variantSource_ = nullptr;
        source(const_cast<Image&>(*this));
    }
    if (scale <= 1.0 || variants_.empty()) {
        return nullptr;
    }
    for (const Variant& variant : variants_) {
        if (variant.density >= scale) {
            return &variant;
        }
    }
    return &variants_.back();
}

// A PNG chunk longer than what follows it is damage, yet the decoder grows its buffer by
// that length before reading, so a tiny file could ask for gigabytes.
static bool pngChunksFit(const uint8_t* bytes, size_t length) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length < 8 || std::memcmp(bytes, kSignature, 8) != 0) {
        return true;  // not a PNG
    }
    size_t at = 8;
    while (length - at >= 8) {
        const size_t chunk = (size_t{bytes[at]} << 24) | (size_t{bytes[at + 1]} << 16) |
                             (size_t{bytes[at + 2]} << 8) | size_t{bytes[at + 3]};
        const size_t rest = length - at - 8;  // after the length and the type
        if (chunk > rest || rest - chunk < 4) {
            return false;  // the data and its CRC must both be there
        }
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) {
            return true;
        }
        at += 8 + chunk + 4;
    }
    return true;
}

bool Image::load(const uint8_t* bytes, size_t length, uint64_t budget) {
    reset();
    if (bytes == nullptr || length == 0) {
        return false;
    }
    if (bytes[0] == kSkippedPrefix) {
        ++bytes;
        --length;
    }
    if (length == 0 || length > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    // The header alone says what decoding would cost; a size past the budget is refused
    // before the decoder allocates anything for it.
    if (!stbi_info_from_memory(bytes, static_cast<int>(length), &width, &height, &channels)) {
        return false;
    }
    // The decoder turns 16-bit PNM into four channels as if it were 8-bit and then reads
    // twice the buffer it made; such a file is refused rather than decoded.
    if (length >= 2 && bytes[0] == 'P' && (bytes[1] == '5' || bytes[1] == '6') &&
        stbi_is_16_bit_from_memory(bytes, static_cast<int>(length))) {
        debugOutput("image refused: a 16-bit PNM file");
        return false;
    }
    if (!pngChunksFit(bytes, length)) {
        debugOutput("image refused: a PNG chunk runs past the end of the file");
        return false;
    }
    if (!withinDecodeBudget(width, height, budget)) {
        debugOutput("image refused: " + std::to_string(width) + "x" + std::to_string(height) +
                    " pixels is more than the decoding budget" +
                    (withinDecodeBudget(width, height) ? " left to the image cache" : ""));
        return false;
    }
    stbi_uc* rgba =
        stbi_load_from_memory(bytes, static_cast<int>(length), &width, &height, &channels, 4);
    if (rgba == nullptr || !withinDecodeBudget(width, height, budget)) {
        stbi_image_free(rgba);
        return false;
    }
    const bool loaded = loadRgba(rgba, width, height);
    stbi_image_free(rgba);
    return loaded;
}

bool Image::loadRgba(const uint8_t* rgba, int32_t width, int32_t height) {
    reset();
    if (rgba == nullptr || !bitmap_.allocate(width, height)) {
        return false;
    }
    uint32_t* out = bitmap_.pixels();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    bool anyAlpha = false;
    for (size_t i = 0; i < count; ++i) {
        uint32_t r = rgba[i * 4];
        uint32_t g = rgba[i * 4 + 1];
        uint32_t b = rgba[i * 4 + 2];
        const uint32_t a = rgba[i * 4 + 3];
        if (a != 255) {
            anyAlpha = true;
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
        }
        out[i] = a << 24 | r << 16 | g << 8 | b;
    }
    hasAlpha_ = anyAlpha;
    return true;
}

bool Image::piece(Canvas& canvas, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx,
                  int32_t dy, int32_t dw, int32_t dh) const {
    const Variant* variant = variantFor(canvas.scale());
    if (variant == nullptr) {
        return blit(canvas, bitmap_, BlitRect{sx, sy, sw, sh}, BlitRect{dx, dy, dw, dh},
                    hasAlpha_ ? BlitMode::SourceOver : BlitMode::Copy,
                    canvas.scale() == 1.0 ? BlitFilter::Nearest : BlitFilter::Smooth);
    }
    // The part in the variant's pixels: its edges scaled as the canvas scales edges, kept
    // inside the variant's bitmap.
    const double density = variant->density;
    const Bitmap& pixels = variant->bitmap;
    const auto edge = [density](int64_t at, int32_t limit) {
        const int64_t scaled = static_cast<int64_t>(static_cast<double>(at) * density + 0.5);
        return static_cast<int32_t>(std::clamp<int64_t>(scaled, 0, limit));
    };
    const int32_t left = edge(sx, pixels.width());
    const int32_t top = edge(sy, pixels.height());
    const int32_t right = edge(int64_t{sx} + sw, pixels.width());
    const int32_t bottom = edge(int64_t{sy} + sh, pixels.height());
    if (right <= left || bottom <= top) {
        return false;
    }
    return blit(canvas, pixels, BlitRect{left, top, right - left, bottom - top},
                BlitRect{dx, dy, dw, dh}, variant->hasAlpha ? BlitMode::SourceOver : BlitMode::Copy,
                density == canvas.scale() ? BlitFilter::Nearest : BlitFilter::Smooth);
}

bool Image::drawAt(Canvas& canvas, int32_t x, int32_t y) const {
    return drawStrip(canvas, x, y, width(), height(), 0, width(), height());
}

bool Image::drawStretched(Canvas& canvas, int32_t left, int32_t top, int32_t right,
                          int32_t bottom) const {
    const int64_t width64 = static_cast<int64_t>(right) - left;
    const int64_t height64 = static_cast<int64_t>(bottom) - top;
    if (!fitsInt32(width64) || !fitsInt32(height64)) {
        return false;
    }
    return drawStrip(canvas, left, top, static_cast<int32_t>(width64),
                     static_cast<int32_t>(height64), 0, width(), height());
}

bool Image::drawStrip(Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight) const {
    if (!hasBitmap()) {
        return false;
    }
    return piece(canvas, 0, sourceY, sourceWidth, sourceHeight, x, y, width, height);
}

bool Image::drawScaleGrid(Canvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                          int32_t gridLeft, int32_t gridTop, int32_t gridRight,
                          int32_t gridBottom) const {
    if (!hasBitmap()) {
        return false;
    }
    // Work in 64 bits so that no margin, however large, overflows; a piece whose numbers
    // do not fit the surface's coordinates is skipped like one with no area.
    const int64_t L = gridLeft, T = gridTop, R = gridRight, B = gridBottom;
    const int64_t W = width(), H = height();
    const int64_t l = left, t = top, r = right, b = bottom;
    const int64_t dw = (r - l) - L - R;
    const int64_t dh = (b - t) - T - B;
    const int64_t sw = W - L - R;
    const int64_t sh = H - T - B;
    bool drew = false;
    auto draw = [&](int64_t sx, int64_t sy, int64_t sW, int64_t sH, int64_t dx, int64_t dy,
                    int64_t dW, int64_t dH) {
        if (sW <= 0 || sH <= 0 || dW <= 0 || dH <= 0) {
            return;  // never mirrored
        }
        for (int64_t v : {sx, sy, sW, sH, dx, dy, dW, dH}) {
            if (!fitsInt32(v)) {
                return;
            }
        }
        drew |= piece(canvas, static_cast<int32_t>(sx), static_cast<int32_t>(sy),
                      static_cast<int32_t>(sW), static_cast<int32_t>(sH), static_cast<int32_t>(dx),
                      static_cast<int32_t>(dy), static_cast<int32_t>(dW), static_cast<int32_t>(dH));
    };
    // Centre, then the corners and edges clockwise from the top-left.
    draw(L, T, sw, sh, l + L, t + T, dw, dh);
    draw(0, 0, L, T, l, t, L, T);
    draw(L, 0, sw, T, l + L, t, dw, T);
    draw(W - R, 0, R, T, r - R, t, R, T);
    draw(W - R, T, R, sh, r - R, t + T, R, dh);
    draw(W - R, H - B, R, B, r - R, b - B, R, B);
    draw(L, H - B, sw, B, l + L, b - B, dw, B);
    draw(0, H - B, L, B, l, b - B, L, B);
    draw(0, T, L, sh, l, t + T, L, dh);
    return drew;
}

}  // namespace tamlo::render
