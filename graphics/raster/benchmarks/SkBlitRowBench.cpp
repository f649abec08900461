// Row procedures against their peers, interleaved in one run (PeerBenchmark.h): the opaque
// 32-bit row fill against memset over the same bytes, one 1024-pixel row in cache, and the
// source-over row blend of a whole frame against pixman's OVER on the same pixels, at
// 1024 x 768 and 1920 x 1080.
#include <PeerBenchmark.h>

#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/raster/SkBlitRow.h"

namespace {

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

void RowFill (benchmark::State &state)
{
    const int width = 1024;
    std::vector<uint32_t> ours (width), theirs (width);
    PeerBenchmark::Compare (
        state, [&] { SkBlitRow::Color32 (ours.data (), ours.data (), width, 0xFF336699); },
        [&] { memset (theirs.data (), 0x5A, width * 4); });
}

// Each side blends the same source over its own copy of the same destination; the blend
// of a frame over itself again changes little, so every sample does the same work.
void SrcOverFrame (benchmark::State &state, int width, int height)
{
    size_t n = (size_t)width * height;
    std::vector<uint32_t> src = random_pm_pixels (n, 1), ours = random_pm_pixels (n, 2), theirs = ours;
    SkBlitRow::Proc proc = SkBlitRow::Factory32 (SkBlitRow::kSrcPixelAlpha_Flag);
    pixman_image_t *s = pixman_image_create_bits (PIXMAN_a8r8g8b8, width, height, src.data (), width * 4);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, width, height, theirs.data (), width * 4);
    PeerBenchmark::Compare (
        state,
        [&] {
            for (int y = 0; y < height; y++)
                proc (ours.data () + (size_t)y * width, src.data () + (size_t)y * width, width, 255);
        },
        [&] { pixman_image_composite32 (PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, width, height); });
    pixman_image_unref (s);
    pixman_image_unref (d);
}

const bool kRegistered = [] {
    PeerBenchmark::Register ("RowFill/1024_vs_memset", RowFill);
    PeerBenchmark::Register ("SrcOver/1024x768_vs_pixman", [] (benchmark::State &s) { SrcOverFrame (s, 1024, 768); });
    PeerBenchmark::Register ("SrcOver/1920x1080_vs_pixman", [] (benchmark::State &s) { SrcOverFrame (s, 1920, 1080); });
    return true;
} ();

} // namespace

BENCHMARK_MAIN ();
