// Scan conversion and frame fills against their peers in one run:
// - a whole 1024 x 768 frame filled through the opaque blitter's blitRect against memset of
//   the same bytes, for one frame that stays in cache and for frames rotated through more
//   memory (72 MiB) than the last-level cache holds;
// - anti-aliased and plain fills of a circle of radius 200 and a 64-point star, against cairo
//   filling the same path on an image surface;
// - 1000 hairlines of 100 pixels, plain and anti-aliased.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <algorithm>
#include <chrono>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkScan.h"

namespace {

const int kW = 1024, kH = 768;
const size_t kFrame = (size_t)kW * kH;

// Frames the fill rotates through: 1 stays in cache, 24 (72 MiB) spill to memory.
int frames_for (const benchmark::State &state) { return (int)state.range (0); }

void BM_FrameFill_BlitRect (benchmark::State &state)
{
    int frames = frames_for (state);
    std::vector<uint32_t> pixels (kFrame * frames);
    std::vector<std::unique_ptr<SkBlitter>> blitters;
    std::vector<SkBitmap> bitmaps (frames);
    SkPaint paint;
    paint.setColor (0xFF2060A0);
    for (int i = 0; i < frames; i++) {
        bitmaps[i].setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
        bitmaps[i].setPixels (pixels.data () + kFrame * i);
        blitters.emplace_back (SkBlitter::Choose (bitmaps[i], SkMatrix::I (), paint, nullptr, 0));
    }
    int i = 0;
    for (auto _ : state) {
        blitters[i]->blitRect (0, 0, kW, kH);
        i = (i + 1) % frames;
        benchmark::ClobberMemory ();
    }
    state.SetBytesProcessed ((int64_t)state.iterations () * (int64_t)kFrame * 4);
}

void BM_FrameFill_Memset (benchmark::State &state)
{
    int frames = frames_for (state);
    std::vector<uint32_t> pixels (kFrame * frames);
    int i = 0;
    for (auto _ : state) {
        memset (pixels.data () + kFrame * i, 0x5A, kFrame * 4);
        i = (i + 1) % frames;
        benchmark::ClobberMemory ();
    }
    state.SetBytesProcessed ((int64_t)state.iterations () * (int64_t)kFrame * 4);
}

BENCHMARK (BM_FrameFill_BlitRect)->Arg (1)->Arg (24);
BENCHMARK (BM_FrameFill_Memset)->Arg (1)->Arg (24);

double median (std::vector<double> &v)
{
    std::sort (v.begin (), v.end ());
    return v.empty () ? 0 : v[v.size () / 2];
}

// Both fills interleaved, one frame each per iteration, so that a shared machine's changing
// memory speed falls on both alike, and compared by their median times, which stray
// interruptions do not move; reports each rate and their ratio (memset time / ours). Args:
// frames to rotate through (each side), frame height (1024 wide).
void BM_FrameFill_VersusMemset (benchmark::State &state)
{
    int frames = (int)state.range (0), height = (int)state.range (1);
    size_t frame = (size_t)kW * height;
    std::vector<uint32_t> ours (frame * frames), theirs (frame * frames);
    std::vector<SkBitmap> bitmaps (frames);
    std::vector<std::unique_ptr<SkBlitter>> blitters;
    SkPaint paint;
    paint.setColor (0xFF2060A0);
    for (int i = 0; i < frames; i++) {
        bitmaps[i].setConfig (SkBitmap::kARGB_8888_Config, kW, height);
        bitmaps[i].setPixels (ours.data () + frame * i);
        blitters.emplace_back (SkBlitter::Choose (bitmaps[i], SkMatrix::I (), paint, nullptr, 0));
    }
    std::vector<double> oursTimes, theirsTimes;
    auto timed = [] (auto &&fill) {
        auto t0 = std::chrono::steady_clock::now ();
        fill ();
        benchmark::ClobberMemory ();
        return std::chrono::duration<double> (std::chrono::steady_clock::now () - t0).count ();
    };
    bool oursFirst = true;
    int i = 0;
    for (auto _ : state) {
        // Which goes first alternates, so neither always finds the other's lines in flight.
        auto ourFill = [&] { oursTimes.push_back (timed ([&] { blitters[i]->blitRect (0, 0, kW, height); })); };
        auto theirFill = [&] {
            theirsTimes.push_back (timed ([&] { memset (theirs.data () + frame * i, 0x5A, frame * 4); }));
        };
        if (oursFirst) {
            ourFill ();
            theirFill ();
        } else {
            theirFill ();
            ourFill ();
        }
        oursFirst = !oursFirst;
        i = (i + 1) % frames;
    }
    double bytes = (double)frame * 4, oursMedian = median (oursTimes), theirsMedian = median (theirsTimes);
    state.counters["ours_GBps"] = bytes / oursMedian / 1e9;
    state.counters["memset_GBps"] = bytes / theirsMedian / 1e9;
    state.counters["ratio"] = theirsMedian / oursMedian;
}

// 3 MiB frames: one (in cache), 24 (72 MiB, from memory); 40 MiB frames, one and four
// (beyond the cache).
BENCHMARK (BM_FrameFill_VersusMemset)->Args ({ 1, kH })->Args ({ 24, kH })->Args ({ 1, 10240 })->Args ({ 4, 10240 });

// --- paths -------------------------------------------------------------------------------

SkPath circle_path ()
{
    SkPath p;
    p.addCircle (512.3f, 384.6f, 200);
    return p;
}

SkPath star_path ()
{
    SkPath p;
    for (int i = 0; i < 64; i++) {
        double a = i * 2 * M_PI * 27 / 64;
        float x = 512 + (float)(300 * cos (a)), y = 384 + (float)(300 * sin (a));
        if (i == 0) p.moveTo (x, y);
        else p.lineTo (x, y);
    }
    p.close ();
    return p;
}

SkPath shape (int which) { return which == 0 ? circle_path () : star_path (); }

struct Target {
    std::vector<uint32_t> pixels = std::vector<uint32_t> (kFrame, 0xFFFFFFFF);
    SkBitmap bitmap;
    std::unique_ptr<SkBlitter> blitter;
    SkRegion clip = SkRegion (SkIRect::MakeWH (kW, kH));
    Target ()
    {
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
        bitmap.setPixels (pixels.data ());
        SkPaint paint;
        paint.setColor (0xFF000000);
        blitter.reset (SkBlitter::Choose (bitmap, SkMatrix::I (), paint, nullptr, 0));
    }
};

// Arg 0: circle r = 200; 1: 64-point star.
void BM_AntiFillPath (benchmark::State &state)
{
    Target t;
    SkPath path = shape ((int)state.range (0));
    for (auto _ : state) SkScan::AntiFillPath (path, t.clip, t.blitter.get ());
}

void BM_FillPath (benchmark::State &state)
{
    Target t;
    SkPath path = shape ((int)state.range (0));
    for (auto _ : state) SkScan::FillPath (path, t.clip, t.blitter.get ());
}

void cairo_fill_shape (benchmark::State &state, cairo_antialias_t aa)
{
    std::vector<uint32_t> pixels (kFrame, 0xFFFFFFFF);
    cairo_surface_t *surface =
        cairo_image_surface_create_for_data ((unsigned char *)pixels.data (), CAIRO_FORMAT_ARGB32, kW, kH, kW * 4);
    cairo_t *cr = cairo_create (surface);
    cairo_set_antialias (cr, aa);
    cairo_set_source_rgb (cr, 0, 0, 0);
    SkPath path = shape ((int)state.range (0));
    for (auto _ : state) {
        SkPath::Iter iter (path, false);
        SkPoint p[4];
        for (SkPath::Verb v; (v = iter.next (p)) != SkPath::kDone_Verb;) {
            if (v == SkPath::kMove_Verb) cairo_move_to (cr, p[0].fX, p[0].fY);
            else if (v == SkPath::kLine_Verb) cairo_line_to (cr, p[1].fX, p[1].fY);
            else if (v == SkPath::kQuad_Verb)
                cairo_curve_to (cr, p[0].fX + 2.0 / 3 * (p[1].fX - p[0].fX), p[0].fY + 2.0 / 3 * (p[1].fY - p[0].fY),
                                p[2].fX + 2.0 / 3 * (p[1].fX - p[2].fX), p[2].fY + 2.0 / 3 * (p[1].fY - p[2].fY),
                                p[2].fX, p[2].fY);
            else if (v == SkPath::kCubic_Verb) cairo_curve_to (cr, p[1].fX, p[1].fY, p[2].fX, p[2].fY, p[3].fX, p[3].fY);
            else if (v == SkPath::kClose_Verb) cairo_close_path (cr);
        }
        cairo_fill (cr);
    }
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
}

void BM_CairoAntiFill (benchmark::State &state) { cairo_fill_shape (state, CAIRO_ANTIALIAS_DEFAULT); }
void BM_CairoFill (benchmark::State &state) { cairo_fill_shape (state, CAIRO_ANTIALIAS_NONE); }

BENCHMARK (BM_AntiFillPath)->Arg (0)->Arg (1);
BENCHMARK (BM_CairoAntiFill)->Arg (0)->Arg (1);
BENCHMARK (BM_FillPath)->Arg (0)->Arg (1);
BENCHMARK (BM_CairoFill)->Arg (0)->Arg (1);

// --- hairlines -----------------------------------------------------------------------------

std::vector<SkPoint> random_lines ()
{
    std::mt19937 rng (5);
    std::uniform_real_distribution<float> x (100, 924), y (100, 668), angle (0, 6.2831853f);
    std::vector<SkPoint> pts;
    for (int i = 0; i < 1000; i++) {
        SkPoint a = { x (rng), y (rng) };
        float t = angle (rng);
        pts.push_back (a);
        pts.push_back ({ a.fX + 100 * cosf (t), a.fY + 100 * sinf (t) });
    }
    return pts;
}

// Arg 0: plain; 1: anti-aliased.
void BM_HairLines (benchmark::State &state)
{
    Target t;
    std::vector<SkPoint> pts = random_lines ();
    SkScan::HairLineProc proc = state.range (0) ? SkScan::AntiHairLine : SkScan::HairLine;
    for (auto _ : state)
        for (size_t i = 0; i < pts.size (); i += 2) proc (pts[i], pts[i + 1], &t.clip, t.blitter.get ());
    state.SetItemsProcessed ((int64_t)state.iterations () * 1000);
}

BENCHMARK (BM_HairLines)->Arg (0)->Arg (1);

} // namespace

BENCHMARK_MAIN ();
