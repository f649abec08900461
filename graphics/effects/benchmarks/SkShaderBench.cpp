// Shaders against pixman, interleaved in one run (PeerBenchmark.h), filling a 1024 x 768
// frame: a picture scaled up twice with bilinear filtering, and a radial gradient.
#include <PeerBenchmark.h>

#include <pixman.h>

#include <cstdint>
#include <random>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/canvas/SkCanvas.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkGradientShader.h"
#include "graphics/paint/SkPaint.h"

namespace {

const int kW = 1024, kH = 768;

std::vector<uint32_t> picture (int w, int h)
{
    std::mt19937 rng (3);
    std::vector<uint32_t> v ((size_t)w * h);
    for (size_t i = 0; i < v.size (); i++) v[i] = 0xFF000000u | (rng () & 0xFFFFFF);
    return v;
}

void fill_frame (SkShader &shader, const SkMatrix &matrix, const SkPaint &paint, std::vector<uint32_t> &frame)
{
    SkBitmap device;
    device.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
    if (!shader.setContext (device, paint, matrix)) return;
    for (int y = 0; y < kH; y++) shader.shadeSpan (0, y, frame.data () + (size_t)y * kW, kW);
}

// A 512 x 384 opaque picture scaled up twice into the frame with bilinear filtering, clamped
// at its edges. Ours: the bitmap shader's spans straight into the frame (as the blitter
// does for an opaque shader), or the canvas drawing the picture under a scale; pixman: a
// SRC composite with a bilinear scaling transform.
void BilinearUpscale2x (benchmark::State &state, bool throughCanvas)
{
    std::vector<uint32_t> src = picture (kW / 2, kH / 2), ours ((size_t)kW * kH), theirs ((size_t)kW * kH);
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, kW / 2, kH / 2);
    bm.setPixels (src.data ());
    bm.setIsOpaque (true);
    SkBitmapProcShader shader (bm, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkMatrix matrix;
    matrix.setScale (2, 2);
    SkPaint paint;
    paint.setFilterBitmap (true);
    SkBitmap device;
    device.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
    device.setPixels (ours.data ());
    SkCanvas *canvas = new SkCanvas (device);
    canvas->scale (2, 2);

    pixman_image_t *s = pixman_image_create_bits (PIXMAN_x8r8g8b8, kW / 2, kH / 2, src.data (), kW / 2 * 4);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, kW, kH, theirs.data (), kW * 4);
    pixman_transform_t t;
    pixman_transform_init_scale (&t, pixman_double_to_fixed (0.5), pixman_double_to_fixed (0.5));
    pixman_image_set_transform (s, &t);
    pixman_image_set_filter (s, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat (s, PIXMAN_REPEAT_PAD);
    PeerBenchmark::Compare (
        state,
        [&] {
            if (throughCanvas) canvas->drawBitmap (bm, 0, 0, &paint);
            else fill_frame (shader, matrix, paint, ours);
        },
        [&] { pixman_image_composite32 (PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, kW, kH); });
    canvas->unref ();
    pixman_image_unref (d);
    pixman_image_unref (s);
}

const SkColor kColors[2] = { 0xFF2050F0, 0xFFF0C010 };

void RadialGradient (benchmark::State &state)
{
    std::vector<uint32_t> ours ((size_t)kW * kH), theirs ((size_t)kW * kH);
    SkAutoTUnref<SkShader> shader (SkGradientShader::CreateRadial (SkPoint::Make (500, 380), 450, kColors));
    pixman_gradient_stop_t stops[2] = {
        { 0, { 0x2020, 0x5050, 0xF0F0, 0xFFFF } },
        { pixman_int_to_fixed (1), { 0xF0F0, 0xC0C0, 0x1010, 0xFFFF } },
    };
    pixman_point_fixed_t c = { pixman_int_to_fixed (500), pixman_int_to_fixed (380) };
    pixman_image_t *g = pixman_image_create_radial_gradient (&c, &c, 0, pixman_int_to_fixed (450), stops, 2);
    pixman_image_set_repeat (g, PIXMAN_REPEAT_PAD);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, kW, kH, theirs.data (), kW * 4);
    PeerBenchmark::Compare (
        state, [&] { fill_frame (*shader.get (), SkMatrix::I (), SkPaint (), ours); },
        [&] { pixman_image_composite32 (PIXMAN_OP_SRC, g, nullptr, d, 0, 0, 0, 0, 0, 0, kW, kH); });
    pixman_image_unref (d);
    pixman_image_unref (g);
}

const bool kRegistered = [] {
    PeerBenchmark::Register ("BilinearUpscale2x/spans_vs_pixman", [] (benchmark::State &s) { BilinearUpscale2x (s, false); });
    PeerBenchmark::Register ("BilinearUpscale2x/canvas_vs_pixman", [] (benchmark::State &s) { BilinearUpscale2x (s, true); });
    PeerBenchmark::Register ("RadialGradient/1024x768_vs_pixman", RadialGradient);
    return true;
} ();

} // namespace

BENCHMARK_MAIN ();
