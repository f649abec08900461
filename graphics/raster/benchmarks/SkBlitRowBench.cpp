// Row procedures against their peers in one run: the opaque 32-bit row fill against memset
// over the same bytes, and the source-over row blend against pixman's OVER on the same rows.
// Sizes: one 1024-pixel row (in cache) and a 1024 x 768 frame (3 MiB, memory-bound).
#include <benchmark/benchmark.h>

#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/geometry/SkMatrix.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkBlitRow.h"
#include "graphics/raster/SkBlitter.h"

namespace {

const int kWidth = 1024;

int rows_for (const benchmark::State &state) { return (int)state.range (0); }

std::vector<uint32_t> random_pm_pixels (size_t n, uint32_t seed)
{
    std::mt19937 rng (seed);
    std::vector<uint32_t> v (n);
    for (auto &p : v) {
        uint32_t a = rng () % 4 == 0 ? 255 : rng () % 256;
        p = a << 24 | (rng () % (a + 1)) << 16 | (rng () % (a + 1)) << 8 | rng () % (a + 1);
    }
    return v;
}

void BM_SolidFill_SkColor32 (benchmark::State &state)
{
    int rows = rows_for (state);
    std::vector<uint32_t> dst ((size_t)kWidth * rows);
    for (auto _ : state) {
        for (int y = 0; y < rows; y++) {
            uint32_t *row = dst.data () + (size_t)y * kWidth;
            SkBlitRow::Color32 (row, row, kWidth, 0xFF336699);
        }
        benchmark::ClobberMemory ();
    }
    state.SetBytesProcessed ((int64_t)state.iterations () * kWidth * rows * 4);
}

// The same fill through the blitter the draw engine would choose for an opaque paint.
void BM_SolidFill_SkBlitter (benchmark::State &state)
{
    int rows = rows_for (state);
    std::vector<uint32_t> dst ((size_t)kWidth * rows);
    SkBitmap device;
    device.setConfig (SkBitmap::kARGB_8888_Config, kWidth, rows);
    device.setPixels (dst.data ());
    SkPaint paint;
    paint.setColor (0xFF336699);
    SkBlitter *blitter = SkBlitter::Choose (device, SkMatrix::I (), paint, nullptr, 0);
    for (auto _ : state) {
        blitter->blitRect (0, 0, kWidth, rows);
        benchmark::ClobberMemory ();
    }
    delete blitter;
    state.SetBytesProcessed ((int64_t)state.iterations () * kWidth * rows * 4);
}

void BM_SolidFill_memset (benchmark::State &state)
{
    int rows = rows_for (state);
    std::vector<uint32_t> dst ((size_t)kWidth * rows);
    for (auto _ : state) {
        for (int y = 0; y < rows; y++) memset (dst.data () + (size_t)y * kWidth, 0x5A, kWidth * 4);
        benchmark::ClobberMemory ();
    }
    state.SetBytesProcessed ((int64_t)state.iterations () * kWidth * rows * 4);
}

void BM_SrcOver_SkBlitRow (benchmark::State &state)
{
    int rows = rows_for (state);
    std::vector<uint32_t> src = random_pm_pixels ((size_t)kWidth * rows, 1), dst = random_pm_pixels ((size_t)kWidth * rows, 2);
    SkBlitRow::Proc proc = SkBlitRow::Factory32 (SkBlitRow::kSrcPixelAlpha_Flag);
    for (auto _ : state) {
        for (int y = 0; y < rows; y++) proc (dst.data () + (size_t)y * kWidth, src.data () + (size_t)y * kWidth, kWidth, 255);
        benchmark::ClobberMemory ();
    }
    state.SetItemsProcessed ((int64_t)state.iterations () * kWidth * rows);
}

void BM_SrcOver_pixman (benchmark::State &state)
{
    int rows = rows_for (state);
    std::vector<uint32_t> src = random_pm_pixels ((size_t)kWidth * rows, 1), dst = random_pm_pixels ((size_t)kWidth * rows, 2);
    pixman_image_t *s = pixman_image_create_bits (PIXMAN_a8r8g8b8, kWidth, rows, src.data (), kWidth * 4);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, kWidth, rows, dst.data (), kWidth * 4);
    for (auto _ : state) {
        pixman_image_composite32 (PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, kWidth, rows);
        benchmark::ClobberMemory ();
    }
    pixman_image_unref (s);
    pixman_image_unref (d);
    state.SetItemsProcessed ((int64_t)state.iterations () * kWidth * rows);
}

} // namespace

BENCHMARK (BM_SolidFill_SkColor32)->Arg (1)->Arg (768);
BENCHMARK (BM_SolidFill_SkBlitter)->Arg (1)->Arg (768);
BENCHMARK (BM_SolidFill_memset)->Arg (1)->Arg (768);
BENCHMARK (BM_SrcOver_SkBlitRow)->Arg (1)->Arg (768);
BENCHMARK (BM_SrcOver_pixman)->Arg (1)->Arg (768);

BENCHMARK_MAIN ();
