// Text with pango over a cairo surface on the target's own pixels.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>

#include "platform/text_encoding.h"
#include "render/text.h"
#include "render/text_engine.h"

namespace tamlo::render {

using namespace win32;

namespace {

// The one text context, shared by measuring and drawing so both agree to the pixel.
// Grayscale antialiasing and whole-pixel advances, as the desktop's GDI text has.
PangoContext* sharedTextContext() {
    static PangoContext* context = [] {
        PangoContext* created = pango_font_map_create_context(pango_cairo_font_map_get_default());
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(created, options);
        cairo_font_options_destroy(options);
        pango_cairo_context_set_resolution(created, 96.0);
        return created;
    }();
    return context;
}

// The pango description of a Font: family, absolute pixel size and weight.
class FontDescription {
  public:
    FontDescription(const Font& font, double scale) : pango_(pango_font_description_new()) {
        const FontSpec& fontSpec = font.fontSpec();
        const std::string family = utf16ToUtf8(fontSpec.face.empty() ? u"Sans" : fontSpec.face);
        pango_font_description_set_family(pango_, family.c_str());
        pango_font_description_set_absolute_size(
            pango_, static_cast<double>(font.pixelSize()) * scale * PANGO_SCALE);
        // Pango accepts weights 100..1000; LOGFONT's 0 means "default".
        int32_t weight = fontSpec.weight <= 0 ? 400 : fontSpec.weight;
        weight = weight < 100 ? 100 : weight > 1000 ? 1000 : weight;
        pango_font_description_set_weight(pango_, static_cast<PangoWeight>(weight));
    }
    ~FontDescription() { pango_font_description_free(pango_); }
    FontDescription(const FontDescription&) = delete;
    FontDescription& operator=(const FontDescription&) = delete;

    const PangoFontDescription* get() const { return pango_; }

  private:
    PangoFontDescription* pango_;
};

// A layout of `text` as DrawTextW would place it, with its logical extent in pixels.
class TextLayout {
  public:
    TextLayout(const Font& font, std::u16string_view text, uint32_t format, double scale)
        : layout_(pango_layout_new(sharedTextContext())) {
        PrefixedText shown = (format & DT_NOPREFIX) != 0 ? PrefixedText{std::u16string(text), {}}
                                                         : resolvePrefixes(text);
        const std::string utf8 = utf16ToUtf8(shown.text);
        const FontDescription description(font, scale);
        pango_layout_set_font_description(layout_, description.get());
        pango_layout_set_single_paragraph_mode(layout_, (format & DT_SINGLELINE) != 0);
        // With no layout width, lines align within the widest one; the block is then placed
        // in the rectangle by the same rule, which puts every line where DrawTextW does.
        pango_layout_set_alignment(layout_, (format & DT_CENTER) != 0  ? PANGO_ALIGN_CENTER
                                            : (format & DT_RIGHT) != 0 ? PANGO_ALIGN_RIGHT
                                                                       : PANGO_ALIGN_LEFT);
        pango_layout_set_text(layout_, utf8.data(), static_cast<int>(utf8.size()));

        PangoAttrList* attributes = pango_attr_list_new();
        if (font.underline()) {
            pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        }
        for (const auto& [start, length] : shown.underlined) {
            const size_t from =
                std::min(utf16ToUtf8(shown.text.substr(0, start)).size(), utf8.size());
            const size_t to =
                std::min(from + utf16ToUtf8(shown.text.substr(start, length)).size(), utf8.size());
            PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            underline->start_index = static_cast<guint>(from);
            underline->end_index = static_cast<guint>(to);
            pango_attr_list_insert(attributes, underline);
        }
        pango_layout_set_attributes(layout_, attributes);
        pango_attr_list_unref(attributes);

        pango_layout_get_pixel_extents(layout_, nullptr, &extent_);
    }
    ~TextLayout() { g_object_unref(layout_); }
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    int32_t width() const { return extent_.width; }
    int32_t height() const { return extent_.height; }

    void show(cairo_t* cr, int64_t x, int64_t y) const {
        cairo_move_to(cr, static_cast<double>(x - extent_.x), static_cast<double>(y - extent_.y));
        pango_cairo_show_layout(cr, layout_);
    }

  private:
    PangoLayout* layout_;
    PangoRectangle extent_{};
};

void show(Bitmap& target, const Rect& clip, const TextLayout& layout, ColorRef color,
          const Rect& rect, int64_t x, int64_t y, uint32_t format) {
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        target.bytes(), CAIRO_FORMAT_ARGB32, target.width(), target.height(), target.strideBytes());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_rectangle(cr, clip.left, clip.top, clip.width(), clip.height());
        cairo_clip(cr);
        if ((format & DT_NOCLIP) == 0) {
            cairo_rectangle(cr, rect.left, rect.top,
                            static_cast<double>(static_cast<int64_t>(rect.right) - rect.left),
                            static_cast<double>(static_cast<int64_t>(rect.bottom) - rect.top));
            cairo_clip(cr);
        }
        cairo_set_source_rgb(cr, redOf(color) / 255.0, greenOf(color) / 255.0,
                             blueOf(color) / 255.0);
        layout.show(cr, x, y);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    }
    cairo_surface_destroy(surface);
}

}  // namespace

int32_t engineDrawText(Bitmap* target, const Rect& clip, const Font& font, ColorRef color,
                       Rect& rect, std::u16string_view text, uint32_t format, double scale) {
    const TextLayout layout(font, text, format, scale);
    if ((format & DT_CALCRECT) != 0 || target == nullptr) {
        rect.right = static_cast<int32_t>(
            std::min<int64_t>(static_cast<int64_t>(rect.left) + layout.width(), INT32_MAX));
        rect.bottom = static_cast<int32_t>(
            std::min<int64_t>(static_cast<int64_t>(rect.top) + layout.height(), INT32_MAX));
        return layout.height();
    }
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    int64_t x = rect.left;
    if ((format & DT_CENTER) != 0) {
        x += (width - layout.width()) / 2;
    } else if ((format & DT_RIGHT) != 0) {
        x = static_cast<int64_t>(rect.right) - layout.width();
    }
    int64_t y = rect.top;
    if ((format & DT_SINGLELINE) != 0) {
        if ((format & DT_VCENTER) != 0) {
            y += (height - layout.height()) / 2;
        } else if ((format & DT_BOTTOM) != 0) {
            y = static_cast<int64_t>(rect.bottom) - layout.height();
        }
    }
    if (!clip.isEmpty()) {
        show(*target, clip, layout, color, rect, x, y, format);
    }
    return layout.height();
}

}  // namespace tamlo::render

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig stores its pattern values behind encoded offsets, which the leak checker
// cannot follow: every font the text engine caches would be reported as lost.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif
