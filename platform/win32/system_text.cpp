// Text with GDI: measured and drawn by DrawTextW in a memory DC, white on black into a
// 32-bit DIB section whose coverage becomes the alpha of the text colour (GDI writes no
// alpha of its own).
#include "platform/system_text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

namespace tamlo::platform {

namespace {

constexpr UINT kCalcRect = DT_CALCRECT;

LONG clampToLong(int64_t value) {
    return static_cast<LONG>(std::clamp<int64_t>(value, -(int64_t{1} << 30), int64_t{1} << 30));
}

uint32_t multiplyBytes(uint32_t a, uint32_t b) {
    const uint32_t t = a * b + 0x80;
    return ((t >> 8) + t) >> 8;
}

// The colour at coverage `alpha`, premultiplied, drawn source-over `under`.
uint32_t blend(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha, uint32_t under) {
    const uint32_t source = alpha << 24 | multiplyBytes(red, alpha) << 16 |
                            multiplyBytes(green, alpha) << 8 | multiplyBytes(blue, alpha);
    if (alpha == 0xFF) {
        return source;
    }
    const uint32_t keep = 255 - alpha;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t sum = (source >> shift & 0xFF) + multiplyBytes(under >> shift & 0xFF, keep);
        out |= (sum > 0xFF ? 0xFFu : sum) << shift;
    }
    return out;
}

// The memory DC, its DIB section and the fonts made so far. One per process, used under
// its lock.
class TextDevice {
  public:
    TextDevice() : dc_(CreateCompatibleDC(nullptr)) {
        if (dc_ != nullptr) {
            SetBkMode(dc_, TRANSPARENT);
            SetTextColor(dc_, RGB(255, 255, 255));
            SetMapMode(dc_, MM_TEXT);
        }
    }
    ~TextDevice() {
        if (dc_ != nullptr) {
            SelectObject(dc_, GetStockObject(SYSTEM_FONT));
            if (originalBitmap_ != nullptr) {
                SelectObject(dc_, originalBitmap_);
            }
            DeleteDC(dc_);
        }
        if (dib_ != nullptr) {
            DeleteObject(dib_);
        }
        for (auto& entry : fonts_) {
            DeleteObject(entry.second);
        }
    }
    TextDevice(const TextDevice&) = delete;
    TextDevice& operator=(const TextDevice&) = delete;

    std::mutex& lock() { return lock_; }
    HDC dc() const { return dc_; }

    bool selectFont(const SystemFont& font) {
        const Key key{font.face, font.pixelHeight, font.weight, font.underline};
        auto found = fonts_.find(key);
        if (found == fonts_.end()) {
            LOGFONTW description{};
            description.lfHeight = -std::max<int32_t>(1, font.pixelHeight);
            description.lfWeight = std::clamp<int32_t>(font.weight, 0, 1000);
            description.lfUnderline = font.underline ? TRUE : FALSE;
            description.lfCharSet = DEFAULT_CHARSET;
            description.lfOutPrecision = OUT_DEFAULT_PRECIS;
            description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
            // Grayscale antialiasing: one coverage value a pixel, usable as alpha.
            description.lfQuality = ANTIALIASED_QUALITY;
            description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
            // "Sans", the engine's default face, is no Windows font: the engine's texts are
            // Chinese, so it asks for the system's Chinese UI face and character set, which
            // the font mapper answers with whatever Chinese font is installed.
            std::wstring face(font.face.begin(), font.face.end());
            if (face == L"Sans") {
                face = L"Microsoft YaHei";
                description.lfCharSet = GB2312_CHARSET;
            }
            const size_t length = std::min<size_t>(face.size(), LF_FACESIZE - 1);
            std::memcpy(description.lfFaceName, face.data(), length * sizeof(wchar_t));
            HFONT created = CreateFontIndirectW(&description);
            if (created == nullptr) {
                return false;
            }
            found = fonts_.emplace(key, created).first;
        }
        SelectObject(dc_, found->second);
        return true;
    }

    // A black DIB of at least width x height, selected into the DC; null when none can be made.
    uint32_t* blankPixels(int32_t width, int32_t height) {
        if (width > dibWidth_ || height > dibHeight_) {
            if (dib_ != nullptr) {
                SelectObject(dc_, originalBitmap_);
                DeleteObject(dib_);
                dib_ = nullptr;
            }
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = std::max(width, dibWidth_);
            info.bmiHeader.biHeight = -std::max(height, dibHeight_);  // top-down
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            dib_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (dib_ == nullptr) {
                dibWidth_ = dibHeight_ = 0;
                return nullptr;
            }
            dibWidth_ = info.bmiHeader.biWidth;
            dibHeight_ = -info.bmiHeader.biHeight;
            bits_ = static_cast<uint32_t*>(bits);
            HGDIOBJ previous = SelectObject(dc_, dib_);
            if (originalBitmap_ == nullptr) {
                originalBitmap_ = previous;
            }
        }
        GdiFlush();
        for (int32_t y = 0; y < height; ++y) {
            std::fill(bits_ + static_cast<size_t>(y) * dibWidth_,
                      bits_ + static_cast<size_t>(y) * dibWidth_ + width, 0u);
        }
        return bits_;
    }
    int32_t stride() const { return dibWidth_; }

  private:
    using Key = std::tuple<std::u16string, int32_t, int32_t, bool>;
    std::mutex lock_;
    HDC dc_;
    HBITMAP dib_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
    int32_t dibWidth_ = 0;
    int32_t dibHeight_ = 0;
    std::map<Key, HFONT> fonts_;
};

TextDevice& device() {
    static TextDevice shared;
    return shared;
}

const wchar_t* wide(std::u16string_view text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
    return reinterpret_cast<const wchar_t*>(text.data());
}

}  // namespace

int32_t drawSystemText(PixelBlock* target, const Rect& clip, const SystemFont& font, uint32_t color,
                       Rect& rect, std::u16string_view text, uint32_t format) {
    TextDevice& gdi = device();
    std::lock_guard<std::mutex> hold(gdi.lock());
    if (gdi.dc() == nullptr || !gdi.selectFont(font) || text.size() > INT32_MAX) {
        return 0;
    }
    const int length = static_cast<int>(text.size());
    if ((format & kCalcRect) != 0 || target == nullptr) {
        RECT extent{0, 0, 0, 0};
        const int height = DrawTextW(gdi.dc(), wide(text), length, &extent, format | kCalcRect);
        rect.right = static_cast<int32_t>(
            std::min<int64_t>(int64_t{rect.left} + (extent.right - extent.left), INT32_MAX));
        rect.bottom = static_cast<int32_t>(
            std::min<int64_t>(int64_t{rect.top} + (extent.bottom - extent.top), INT32_MAX));
        return height;
    }
    // The pixels the text may touch: the clip, and the rectangle unless DT_NOCLIP.
    Rect box = intersection(clip, Rect{0, 0, target->width, target->height});
    if ((format & DT_NOCLIP) == 0) {
        box = intersection(box, rect);
    }
    if (box.isEmpty()) {
        RECT extent{0, 0, 0, 0};
        return DrawTextW(gdi.dc(), wide(text), length, &extent, format | kCalcRect);
    }
    uint32_t* coverage = gdi.blankPixels(box.width(), box.height());
    if (coverage == nullptr) {
        return 0;
    }
    RECT placed{
        clampToLong(int64_t{rect.left} - box.left), clampToLong(int64_t{rect.top} - box.top),
        clampToLong(int64_t{rect.right} - box.left), clampToLong(int64_t{rect.bottom} - box.top)};
    const int height = DrawTextW(gdi.dc(), wide(text), length, &placed, format);
    GdiFlush();
    const uint32_t red = GetRValue(color);
    const uint32_t green = GetGValue(color);
    const uint32_t blue = GetBValue(color);
    for (int32_t y = 0; y < box.height(); ++y) {
        const uint32_t* in = coverage + static_cast<size_t>(y) * gdi.stride();
        uint32_t* out =
            target->pixels + static_cast<size_t>(box.top + y) * target->width + box.left;
        for (int32_t x = 0; x < box.width(); ++x) {
            const uint32_t word = in[x];
            const uint32_t alpha =
                std::max({word >> 16 & 0xFF, word >> 8 & 0xFF, word & 0xFF});  // white on black
            if (alpha != 0) {
                out[x] = blend(red, green, blue, alpha, out[x]);
            }
        }
    }
    return height;
}

}  // namespace tamlo::platform
