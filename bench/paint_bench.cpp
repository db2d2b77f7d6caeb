// Image load (decode plus premultiply) against the decode alone, the engine's image
// composites (9-slice, stretch) against the same pieces drawn with cairo directly, and a
// repaint of the demo welcome page (whole and one button) against its skin images
// composited with cairo directly.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/demo_page.h"
#include "bench/figure_reporter.h"
#include "dui/core/panel.h"
#include "dui/loader/layout_loader.h"
#include "dui/style/style_set.h"
#include "platform/backend.h"
#include "platform/png_encoding.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_queue.h"
#include "render/back_buffer.h"
#include "render/image.h"
#include "runtime/ui_context.h"
#include "window/paint_entry.h"
#include "window/window_base.h"

namespace {

using namespace tamlo;
using namespace tamlo::render;

constexpr int kSkinSide = 96;
constexpr int kGrid = 24;
constexpr int kPanelWidth = 480;
constexpr int kPanelHeight = 320;

// A skin-like image: soft-edged with translucent borders, as PNG bytes.
const std::string& skinPng() {
    static const std::string png = [] {
        std::vector<uint8_t> rgba;
        for (int y = 0; y < kSkinSide; ++y) {
            for (int x = 0; x < kSkinSide; ++x) {
                const int edge =
                    std::min(std::min(x, y), std::min(kSkinSide - 1 - x, kSkinSide - 1 - y));
                rgba.insert(rgba.end(), {static_cast<uint8_t>(40 + x), static_cast<uint8_t>(90 + y),
                                         200, static_cast<uint8_t>(edge >= 8 ? 255 : edge * 30)});
            }
        }
        return platform::pngBytes(rgba, kSkinSide, kSkinSide);
    }();
    return png;
}

void BM_ImageLoad(benchmark::State& state) {
    const std::string& png = skinPng();
    for (auto _ : state) {
        Image image;
        benchmark::DoNotOptimize(
            image.load(reinterpret_cast<const uint8_t*>(png.data()), png.size()));
    }
}
BENCHMARK(BM_ImageLoad)->Unit(benchmark::kMicrosecond);

void BM_DecodeOnly(benchmark::State& state) {
    const std::string& png = skinPng();
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels =
            stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                                  static_cast<int>(png.size()), &width, &height, &channels, 4);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMicrosecond);

struct Scene {
    Scene() {
        const std::string& png = skinPng();
        image.load(reinterpret_cast<const uint8_t*>(png.data()), png.size());
        buffer.resize(kPanelWidth, kPanelHeight);
    }
    Image image;
    BackBuffer buffer;
};

void BM_EngineScaleGrid(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        scene.image.drawScaleGrid(*scene.buffer.canvas(), 0, 0, kPanelWidth, kPanelHeight, kGrid,
                                  kGrid, kGrid, kGrid);
    }
}
BENCHMARK(BM_EngineScaleGrid)->Unit(benchmark::kMicrosecond);

// A cairo surface over a back buffer's pixels, for the peers.
struct BufferSurface {
    explicit BufferSurface(BackBuffer& buffer)
        : surface(cairo_image_surface_create_for_data(buffer.pixelsForWriting().bytes(),
                                                      CAIRO_FORMAT_ARGB32, buffer.width(),
                                                      buffer.height(), buffer.width() * 4)) {}
    ~BufferSurface() { cairo_surface_destroy(surface); }
    BufferSurface(const BufferSurface&) = delete;
    BufferSurface& operator=(const BufferSurface&) = delete;
    cairo_surface_t* surface;
};

// The peer: the same nine pieces with plain cairo calls on a surface over the same pixels.
void cairoPiece(cairo_t* cr, cairo_surface_t* source, double sx, double sy, double sw, double sh,
                double dx, double dy, double dw, double dh) {
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, dx, dy);
    cairo_scale(cr, dw / sw, dh / sh);
    cairo_set_source_surface(cr, source, -sx, -sy);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
}

void BM_CairoScaleGrid(benchmark::State& state) {
    Scene scene;
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        const_cast<uint8_t*>(scene.image.bitmap().bytes()), CAIRO_FORMAT_ARGB32, kSkinSide,
        kSkinSide, kSkinSide * 4);
    const BufferSurface target(scene.buffer);
    cairo_t* cr = cairo_create(target.surface);
    const double g = kGrid, w = kPanelWidth, h = kPanelHeight, s = kSkinSide;
    const double cw = s - 2 * g, dw = w - 2 * g, dh = h - 2 * g;
    for (auto _ : state) {
        cairoPiece(cr, source, g, g, cw, cw, g, g, dw, dh);
        cairoPiece(cr, source, 0, 0, g, g, 0, 0, g, g);
        cairoPiece(cr, source, g, 0, cw, g, g, 0, dw, g);
        cairoPiece(cr, source, s - g, 0, g, g, w - g, 0, g, g);
        cairoPiece(cr, source, s - g, g, g, cw, w - g, g, g, dh);
        cairoPiece(cr, source, s - g, s - g, g, g, w - g, h - g, g, g);
        cairoPiece(cr, source, g, s - g, cw, g, g, h - g, dw, g);
        cairoPiece(cr, source, 0, s - g, g, g, 0, h - g, g, g);
        cairoPiece(cr, source, 0, g, g, cw, 0, g, g, dh);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(source);
}
BENCHMARK(BM_CairoScaleGrid)->Unit(benchmark::kMicrosecond);

constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 36;

void BM_EngineStretch(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        scene.image.drawStretched(*scene.buffer.canvas(), 10, 10, 10 + kButtonWidth,
                                  10 + kButtonHeight);
    }
}
BENCHMARK(BM_EngineStretch)->Unit(benchmark::kMicrosecond);

void BM_CairoStretch(benchmark::State& state) {
    Scene scene;
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        const_cast<uint8_t*>(scene.image.bitmap().bytes()), CAIRO_FORMAT_ARGB32, kSkinSide,
        kSkinSide, kSkinSide * 4);
    const BufferSurface target(scene.buffer);
    cairo_t* cr = cairo_create(target.surface);
    for (auto _ : state) {
        cairoPiece(cr, source, 0, 0, kSkinSide, kSkinSide, 10, 10, kButtonWidth, kButtonHeight);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(source);
}
BENCHMARK(BM_CairoStretch)->Unit(benchmark::kMicrosecond);

// The demo welcome page hosted in a headless window with the demo skin.
struct Composite {
    const Image* image;
    Rect area;
    bool grid;
    Rect margins;
};

struct Caption {
    std::string text;
    FontSpec font;
    ColorRef color;
    Rect area;
    bool centred;
};

struct WelcomePage {
    bool ready = false;
    dui::StyleSet styles;
    WindowBase* window = nullptr;
    BackBuffer buffer;
    Rect button;
    std::vector<Composite> composites;  // what the page's skins draw, for the peer
    std::vector<Caption> captions;      // and the texts drawn over them

    void start() {
        dui::Control* root = bench::startDemoPage(styles);
        if (root == nullptr) {
            return;
        }
        window = bench::openDemoWindow<WindowBase>(root, false);
        if (window == nullptr) {
            return;
        }
        const Size size = window->clientSize();
        buffer.resize(size.width, size.height);
        collect(*root);
        if (dui::Control* install = window->controlById(202)) {
            install->absoluteRect(button);
        }
        ready = true;
    }

    void add(const std::u16string* name, const Rect& area, const dui::Object* gridSource,
             dui::AttributeKey gridKey) {
        const Image* image = name != nullptr ? styles.image(*name) : nullptr;
        if (image == nullptr) {
            return;
        }
        Composite composite{image, area, false, {}};
        composite.grid = gridSource != nullptr && gridSource->getRect(gridKey, composite.margins);
        composites.push_back(composite);
    }

    // The images each control's skin draws in its normal state, in paint order.
    void collect(dui::Control& control) {
        Rect area;
        control.absoluteRect(area);
        const std::u16string* styleName = control.findText(dui::key::style);
        if (control.getName() == u"CheckBox" && styleName == nullptr) {
            static const std::u16string fallback = u"checkbox.xml";
            styleName = &fallback;
        }
        if (dui::Style* style = styleName ? styles.getStyle(*styleName) : nullptr) {
            if (const std::u16string* icon = style->findText(dui::key::upIcon)) {
                if (const Image* image = styles.image(*icon)) {
                    const int32_t top = (area.top + area.bottom - image->height()) / 2;
                    add(icon,
                        {area.left + 2, top, area.left + 2 + image->width(), top + image->height()},
                        nullptr, nullptr);
                }
            } else {
                const std::u16string* skin = style->findText(dui::key::upSkin);
                add(skin ? skin : style->findText(dui::key::img), area, style, dui::key::scaleGrid);
            }
        }
        if (const std::u16string* text = control.findText(dui::key::text)) {
            const std::u16string* fontName = control.findText(dui::key::font);
            const Font* font = styles.getFont(fontName ? *fontName : u"Default");
            const bool isLabel = control.getName() == u"Label";
            dui::Style* style = styleName ? styles.getStyle(*styleName) : nullptr;
            const int32_t color = isLabel ? control.getInt(dui::key::color, 0x92794D)
                                  : style ? style->getInt(dui::key::textColor, 0xFFFFFF)
                                          : 0xFFFFFF;
            captions.push_back({utf16ToUtf8(*text), font ? font->fontSpec() : defaultGuiFontSpec(),
                                static_cast<ColorRef>(color), area,
                                !isLabel && control.getName() != u"CheckBox"});
        }
        add(control.findText(dui::key::progressbkimg), area, &control,
            dui::key::progressbkScaleGrid);
        if (dui::Panel* panel = control.asPanel()) {
            for (dui::Control* child : panel->childList()) {
                if (child->isVisible()) {
                    collect(*child);
                }
            }
        }
    }

    void stop() { bench::stopDemoPage(window); }
};

WelcomePage& welcomePage() {
    static WelcomePage page;
    return page;
}

void BM_EngineWelcomePage(benchmark::State& state) {
    WelcomePage& page = welcomePage();
    if (!page.ready) {
        state.SkipWithError("the welcome page could not be built");
        return;
    }
    const Size size = page.window->clientSize();
    for (auto _ : state) {
        paintArea(*page.buffer.canvas(), *page.window->root(), {0, 0, size.width, size.height});
        benchmark::DoNotOptimize(page.buffer.pixels().pixels());
    }
}
BENCHMARK(BM_EngineWelcomePage)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_EngineOneButton(benchmark::State& state) {
    WelcomePage& page = welcomePage();
    if (!page.ready) {
        state.SkipWithError("the welcome page could not be built");
        return;
    }
    for (auto _ : state) {
        paintArea(*page.buffer.canvas(), *page.window->root(), page.button);
        benchmark::DoNotOptimize(page.buffer.pixels().pixels());
    }
}
BENCHMARK(BM_EngineOneButton)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void cairoComposite(cairo_t* cr, cairo_surface_t* source, const Composite& c) {
    const double w = c.image->width(), h = c.image->height();
    const Rect& a = c.area;
    if (!c.grid) {
        cairoPiece(cr, source, 0, 0, w, h, a.left, a.top, a.width(), a.height());
        return;
    }
    const double l = c.margins.left, t = c.margins.top, r = c.margins.right, b = c.margins.bottom;
    const double cw = w - l - r, ch = h - t - b, dw = a.width() - l - r, dh = a.height() - t - b;
    const double xs[3][3] = {{0, l, w - r}, {a.left + 0.0, a.left + l, a.right - r}, {l, cw, r}};
    const double ys[3][3] = {{0, t, h - b}, {a.top + 0.0, a.top + t, a.bottom - b}, {t, ch, b}};
    const double dws[3] = {l, dw, r};
    const double dhs[3] = {t, dh, b};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (xs[2][column] > 0 && ys[2][row] > 0 && dws[column] > 0 && dhs[row] > 0) {
                cairoPiece(cr, source, xs[0][column], ys[0][row], xs[2][column], ys[2][row],
                           xs[1][column], ys[1][row], dws[column], dhs[row]);
            }
        }
    }
}

// The peer: the page's skin images composited with cairo and its captions laid out with
// pango, clipped to `clip`, without the engine.
void cairoWelcome(benchmark::State& state, bool oneButton) {
    WelcomePage& page = welcomePage();
    if (!page.ready) {
        state.SkipWithError("the welcome page could not be built");
        return;
    }
    std::vector<cairo_surface_t*> sources;
    for (const Composite& c : page.composites) {
        sources.push_back(cairo_image_surface_create_for_data(
            const_cast<uint8_t*>(c.image->bitmap().bytes()), CAIRO_FORMAT_ARGB32, c.image->width(),
            c.image->height(), c.image->width() * 4));
    }
    const BufferSurface target(page.buffer);
    cairo_t* cr = cairo_create(target.surface);
    const Size size = page.window->clientSize();
    const Rect clip = oneButton ? page.button : Rect{0, 0, size.width, size.height};
    for (auto _ : state) {
        cairo_save(cr);
        cairo_rectangle(cr, clip.left, clip.top, clip.width(), clip.height());
        cairo_clip(cr);
        for (size_t i = 0; i < sources.size(); ++i) {
            const Rect& a = page.composites[i].area;
            if (a.right > clip.left && a.left < clip.right && a.bottom > clip.top &&
                a.top < clip.bottom) {
                cairoComposite(cr, sources[i], page.composites[i]);
            }
        }
        for (const Caption& caption : page.captions) {
            const Rect& a = caption.area;
            if (a.right <= clip.left || a.left >= clip.right || a.bottom <= clip.top ||
                a.top >= clip.bottom) {
                continue;
            }
            PangoLayout* layout = pango_cairo_create_layout(cr);
            PangoFontDescription* description = pango_font_description_new();
            pango_font_description_set_family(description, utf16ToUtf8(caption.font.face).c_str());
            pango_font_description_set_absolute_size(description,
                                                     std::abs(caption.font.height) * PANGO_SCALE);
            pango_font_description_set_weight(description,
                                              static_cast<PangoWeight>(caption.font.weight));
            pango_layout_set_font_description(layout, description);
            pango_layout_set_text(layout, caption.text.c_str(), -1);
            int width = 0;
            int height = 0;
            pango_layout_get_pixel_size(layout, &width, &height);
            const double x = caption.centred ? (a.left + a.right - width) / 2.0 : a.left;
            cairo_set_source_rgb(cr, redOf(caption.color) / 255.0, greenOf(caption.color) / 255.0,
                                 blueOf(caption.color) / 255.0);
            cairo_move_to(cr, x, (a.top + a.bottom - height) / 2.0);
            pango_cairo_show_layout(cr, layout);
            pango_font_description_free(description);
            g_object_unref(layout);
        }
        cairo_restore(cr);
        cairo_surface_flush(target.surface);
        benchmark::DoNotOptimize(target.surface);
    }
    cairo_destroy(cr);
    for (cairo_surface_t* source : sources) {
        cairo_surface_destroy(source);
    }
}

void BM_CairoWelcomePage(benchmark::State& state) {
    cairoWelcome(state, false);
}
BENCHMARK(BM_CairoWelcomePage)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_CairoOneButton(benchmark::State& state) {
    cairoWelcome(state, true);
}
BENCHMARK(BM_CairoOneButton)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void printRatio(const char* what, double figure, const char* peer, double peerFigure) {
    if (figure > 0 && peerFigure > 0) {
        std::printf("%s: %.1f us; %s: %.1f us; ratio %.2fx\n", what, figure, peer, peerFigure,
                    figure / peerFigure);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    welcomePage().start();
    bench::FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto us = [&reporter](const std::string& name) { return reporter.byName[name].cpuTime; };
    auto median = [&reporter](const std::string& name) { return reporter.medians[name].cpuTime; };
    printRatio("image load 96x96 (decode + premultiply)", us("BM_ImageLoad"), "decode alone",
               us("BM_DecodeOnly"));
    printRatio("9-slice 480x320, engine", us("BM_EngineScaleGrid"), "direct cairo",
               us("BM_CairoScaleGrid"));
    printRatio("stretch 120x36, engine", us("BM_EngineStretch"), "direct cairo",
               us("BM_CairoStretch"));
    printRatio("welcome page full repaint (median), engine", median("BM_EngineWelcomePage"),
               "its images and texts with cairo and pango", median("BM_CairoWelcomePage"));
    printRatio("one button repaint (median), engine", median("BM_EngineOneButton"),
               "its images and texts with cairo and pango", median("BM_CairoOneButton"));
    welcomePage().stop();
    benchmark::Shutdown();
    return 0;
}
