// Scan conversion and frame fills against their peers, interleaved in one run
// (PeerBenchmark.h):
// - a whole frame filled through the opaque blitter's blitRect against memset of the same
//   bytes: one 1024 x 768 frame drawn again and again (in cache), 24 of them in turn (72 MiB,
//   more than the last-level cache holds) and 40 MiB frames (beyond the cache);
// - anti-aliased fills against cairo filling the same path on an image surface: a circle of
//   radius 200, a 5-point star and a 200-vertex polygon; the plain (aliased) fills of the same
//   shapes against cairo without anti-aliasing;
// - 1000 hairlines of 100 pixels, plain and anti-aliased (ours alone).
#include <PeerBenchmark.h>

#include <cairo.h>

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

// Args: frames to rotate through (each side), frame height (1024 wide).
void FrameFill (benchmark::State &state, int frames, int height)
{
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
    int i = 0, j = 0;
    PeerBenchmark::Compare (
        state,
        [&] {
            blitters[i]->blitRect (0, 0, kW, height);
            i = (i + 1) % frames;
        },
        [&] {
            memset (theirs.data () + frame * j, 0x5A, frame * 4);
            j = (j + 1) % frames;
        });
}

// --- paths -------------------------------------------------------------------------------

enum Shape { kCircle, kStar5, kPolygon200 };

SkPath shape_path (Shape which)
{
    SkPath p;
    if (which == kCircle) {
        p.addCircle (512.3f, 384.6f, 200);
        return p;
    }
    // The star's points and notches alternate on two radii; the polygon's 200 vertices lie
    // on a wavy ring, as a traced outline has them.
    int n = which == kStar5 ? 10 : 200;
    for (int i = 0; i < n; i++) {
        double a = i * 2 * M_PI / n - M_PI / 2;
        double r = which == kStar5 ? (i & 1 ? 140 : 350) : 300 + 40 * sin (i * 0.7);
        float x = 512 + (float)(r * cos (a)), y = 384 + (float)(r * sin (a));
        if (i == 0) p.moveTo (x, y);
        else p.lineTo (x, y);
    }
    p.close ();
    return p;
}

void cairo_path_from (cairo_t *cr, const SkPath &path)
{
    SkPath::Iter iter (path, false);
    SkPoint p[4];
    for (SkPath::Verb v; (v = iter.next (p)) != SkPath::kDone_Verb;) {
        if (v == SkPath::kMove_Verb) cairo_move_to (cr, p[0].fX, p[0].fY);
        else if (v == SkPath::kLine_Verb) cairo_line_to (cr, p[1].fX, p[1].fY);
        else if (v == SkPath::kQuad_Verb)
            cairo_curve_to (cr, p[0].fX + 2.0 / 3 * (p[1].fX - p[0].fX), p[0].fY + 2.0 / 3 * (p[1].fY - p[0].fY),
                            p[2].fX + 2.0 / 3 * (p[1].fX - p[2].fX), p[2].fY + 2.0 / 3 * (p[1].fY - p[2].fY), p[2].fX,
                            p[2].fY);
        else if (v == SkPath::kCubic_Verb) cairo_curve_to (cr, p[1].fX, p[1].fY, p[2].fX, p[2].fY, p[3].fX, p[3].fY);
        else if (v == SkPath::kClose_Verb) cairo_close_path (cr);
    }
}

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

// Ours scan-converts the finished path into the frame's blitter; cairo is handed the same
// path and fills it on its image surface, as a caller of each would draw it.
void PathFill (benchmark::State &state, Shape which, bool aa)
{
    Target t;
    SkPath path = shape_path (which);
    std::vector<uint32_t> pixels (kFrame, 0xFFFFFFFF);
    cairo_surface_t *surface =
        cairo_image_surface_create_for_data ((unsigned char *)pixels.data (), CAIRO_FORMAT_ARGB32, kW, kH, kW * 4);
    cairo_t *cr = cairo_create (surface);
    cairo_set_antialias (cr, aa ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb (cr, 0, 0, 0);
    PeerBenchmark::Compare (
        state,
        [&] {
            if (aa) SkScan::AntiFillPath (path, t.clip, t.blitter.get ());
            else SkScan::FillPath (path, t.clip, t.blitter.get ());
        },
        [&] {
            cairo_path_from (cr, path);
            cairo_fill (cr);
        });
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
}

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

const bool kRegistered = [] {
    PeerBenchmark::Register ("Fill/1024x768_in_cache_vs_memset", [] (benchmark::State &s) { FrameFill (s, 1, kH); });
    PeerBenchmark::Register ("Fill/1024x768x24_from_memory_vs_memset",
                             [] (benchmark::State &s) { FrameFill (s, 24, kH); });
    PeerBenchmark::Register ("Fill/40MiBx4_from_memory_vs_memset", [] (benchmark::State &s) { FrameFill (s, 4, 10240); });
    const struct {
        const char *name;
        Shape shape;
    } shapes[] = { { "CircleR200", kCircle }, { "Star5", kStar5 }, { "Polygon200", kPolygon200 } };
    for (const auto &s : shapes) {
        Shape which = s.shape;
        PeerBenchmark::Register (std::string ("AntiFill/") + s.name + "_vs_cairo",
                                 [which] (benchmark::State &st) { PathFill (st, which, true); });
        PeerBenchmark::Register (std::string ("AliasedFill/") + s.name + "_vs_cairo",
                                 [which] (benchmark::State &st) { PathFill (st, which, false); });
    }
    return true;
} ();

} // namespace

BENCHMARK_MAIN ();
