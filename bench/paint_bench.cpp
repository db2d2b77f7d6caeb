// Image load (decode plus premultiply) against the decode alone, and the engine's image
// composites (9-slice, stretch) against the same pieces drawn with cairo directly.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "render/back_buffer.h"
#include "render/image.h"

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
        std::string out;
        stbi_write_png_to_func(
            [](void* context, void* data, int size) {
                static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
            },
            &out, kSkinSide, kSkinSide, 4, rgba.data(), kSkinSide * 4);
        return out;
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
    cairo_t* cr = cairo_create(scene.buffer.surface());
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
    cairo_t* cr = cairo_create(scene.buffer.surface());
    for (auto _ : state) {
        cairoPiece(cr, source, 0, 0, kSkinSide, kSkinSide, 10, 10, kButtonWidth, kButtonHeight);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(source);
}
BENCHMARK(BM_CairoStretch)->Unit(benchmark::kMicrosecond);

class CapturingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            microseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> microseconds;
};

void printRatio(const char* what, double figure, const char* peer, double peerFigure) {
    if (figure > 0 && peerFigure > 0) {
        std::printf("%s: %.1f us; %s: %.1f us; ratio %.2fx\n", what, figure, peer, peerFigure,
                    figure / peerFigure);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CapturingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& us = reporter.microseconds;
    printRatio("image load 96x96 (decode + premultiply)", us["BM_ImageLoad"], "decode alone",
               us["BM_DecodeOnly"]);
    printRatio("9-slice 480x320, engine", us["BM_EngineScaleGrid"], "direct cairo",
               us["BM_CairoScaleGrid"]);
    printRatio("stretch 120x36, engine", us["BM_EngineStretch"], "direct cairo",
               us["BM_CairoStretch"]);
    benchmark::Shutdown();
    return 0;
}
