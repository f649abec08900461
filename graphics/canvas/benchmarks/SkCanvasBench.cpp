// Canvas drawing against cairo's image surface, interleaved in one run (PeerBenchmark.h):
// one 1024 x 768 32-bit frame each, the same shapes, one thread.
#include <PeerBenchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas/SkCanvas.h"

namespace {

const int kW = 1024, kH = 768;

enum Scene { kFullFill, kSmallRects, kCircle, kStar, kRoundRects, kHairlines, kLines3, kWideStrokes };

// Our frame and canvas.
struct SkFrame {
    SkBitmap bitmap;
    SkCanvas *canvas;
    SkFrame ()
    {
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
        bitmap.allocPixels ();
        canvas = new SkCanvas (bitmap);
    }
    ~SkFrame () { canvas->unref (); }
};

struct CairoFrame {
    cairo_surface_t *surface;
    cairo_t *cr;
    CairoFrame ()
    {
        surface = cairo_image_surface_create (CAIRO_FORMAT_ARGB32, kW, kH);
        cr = cairo_create (surface);
    }
    ~CairoFrame ()
    {
        cairo_destroy (cr);
        cairo_surface_destroy (surface);
    }
};

SkPath star_path (int points, float cx, float cy, float outer, float inner)
{
    SkPath path;
    for (int i = 0; i < 2 * points; i++) {
        double a = M_PI * i / points;
        float r = (i & 1) ? inner : outer;
        float x = cx + r * (float)std::cos (a), y = cy + r * (float)std::sin (a);
        i == 0 ? path.moveTo (x, y) : path.lineTo (x, y);
    }
    path.close ();
    return path;
}

void cairo_star (cairo_t *cr, int points, double cx, double cy, double outer, double inner)
{
    for (int i = 0; i < 2 * points; i++) {
        double a = M_PI * i / points, r = (i & 1) ? inner : outer;
        double x = cx + r * std::cos (a), y = cy + r * std::sin (a);
        i == 0 ? cairo_move_to (cr, x, y) : cairo_line_to (cr, x, y);
    }
    cairo_close_path (cr);
}

void cairo_round_rect (cairo_t *cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path (cr);
    cairo_arc (cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc (cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc (cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc (cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path (cr);
}

// Positions of the small shapes: a fixed scatter over the frame.
SkPoint scatter (int i, int w, int h)
{
    uint32_t v = (uint32_t)i * 2654435761u;
    return SkPoint::Make ((float)((v >> 8) % (uint32_t)(kW - w)) + 0.25f, (float)((v >> 20) % (uint32_t)(kH - h)) + 0.5f);
}

// Lines of 100 pixels in every direction, from a fixed scatter of starting points.
SkPoint line_start (int i) { return scatter (i, 200, 200) + SkPoint::Make (100, 100); }
SkPoint line_end (int i)
{
    double a = i * 2.399963;  // the golden angle spreads the directions evenly
    return line_start (i) + SkPoint::Make ((float)(100 * std::cos (a)), (float)(100 * std::sin (a)));
}

void draw_sk (SkCanvas *canvas, Scene scene, bool aa)
{
    SkPaint paint;
    paint.setAntiAlias (aa);
    paint.setColor (0xFF2050A0);
    switch (scene) {
    case kFullFill: canvas->drawRect (SkRect::MakeWH (kW, kH), paint); break;
    case kSmallRects:
        paint.setAntiAlias (false);
        for (int i = 0; i < 10000; i++) {
            SkPoint p = scatter (i, 16, 16);
            canvas->drawRect (SkRect::MakeXYWH (floorf (p.fX), floorf (p.fY), 16, 16), paint);
        }
        break;
    case kCircle: {
        SkPath path;
        path.addCircle (512.3f, 384.6f, 200);
        canvas->drawPath (path, paint);
        break;
    }
    case kStar: canvas->drawPath (star_path (64, 512, 384, 370, 250), paint); break;
    case kRoundRects:
        for (int i = 0; i < 1000; i++) {
            SkPoint p = scatter (i, 40, 20);
            canvas->drawRoundRect (SkRect::MakeXYWH (p.fX, p.fY, 40, 20), 6, 6, paint);
        }
        break;
    case kHairlines:
        paint.setStyle (SkPaint::kStroke_Style);
        for (int i = 0; i < 1000; i++) {
            SkPoint a = scatter (i, 1, 1), b = scatter (i + 7919, 1, 1);
            canvas->drawLine (a.fX, a.fY, b.fX, b.fY, paint);
        }
        break;
    case kLines3:
        paint.setStyle (SkPaint::kStroke_Style);
        paint.setStrokeWidth (3);
        for (int i = 0; i < 1000; i++) {
            SkPoint a = line_start (i), b = line_end (i);
            canvas->drawLine (a.fX, a.fY, b.fX, b.fY, paint);
        }
        break;
    case kWideStrokes: {
        paint.setStyle (SkPaint::kStroke_Style);
        paint.setStrokeWidth (10);
        paint.setStrokeJoin (SkPaint::kRound_Join);
        canvas->drawPath (star_path (16, 512, 384, 350, 150), paint);
        SkPath circle;
        circle.addCircle (512, 384, 100);
        canvas->drawPath (circle, paint);
        break;
    }
    }
}

void draw_cairo (cairo_t *cr, Scene scene, bool aa)
{
    cairo_set_antialias (cr, aa ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgba (cr, 0x20 / 255.0, 0x50 / 255.0, 0xA0 / 255.0, 1);
    switch (scene) {
    case kFullFill: cairo_rectangle (cr, 0, 0, kW, kH); cairo_fill (cr); break;
    case kSmallRects:
        cairo_set_antialias (cr, CAIRO_ANTIALIAS_NONE);
        for (int i = 0; i < 10000; i++) {
            SkPoint p = scatter (i, 16, 16);
            cairo_rectangle (cr, floor (p.fX), floor (p.fY), 16, 16);
            cairo_fill (cr);
        }
        break;
    case kCircle: cairo_arc (cr, 512.3, 384.6, 200, 0, 2 * M_PI); cairo_fill (cr); break;
    case kStar: cairo_star (cr, 64, 512, 384, 370, 250); cairo_fill (cr); break;
    case kRoundRects:
        for (int i = 0; i < 1000; i++) {
            SkPoint p = scatter (i, 40, 20);
            cairo_round_rect (cr, p.fX, p.fY, 40, 20, 6);
            cairo_fill (cr);
        }
        break;
    case kHairlines:
        cairo_set_line_width (cr, 1);
        for (int i = 0; i < 1000; i++) {
            SkPoint a = scatter (i, 1, 1), b = scatter (i + 7919, 1, 1);
            cairo_move_to (cr, a.fX, a.fY);
            cairo_line_to (cr, b.fX, b.fY);
            cairo_stroke (cr);
        }
        break;
    case kLines3:
        cairo_set_line_width (cr, 3);
        for (int i = 0; i < 1000; i++) {
            SkPoint a = line_start (i), b = line_end (i);
            cairo_move_to (cr, a.fX, a.fY);
            cairo_line_to (cr, b.fX, b.fY);
            cairo_stroke (cr);
        }
        break;
    case kWideStrokes:
        cairo_set_line_width (cr, 10);
        cairo_set_line_join (cr, CAIRO_LINE_JOIN_ROUND);
        cairo_star (cr, 16, 512, 384, 350, 150);
        cairo_stroke (cr);
        cairo_arc (cr, 512, 384, 100, 0, 2 * M_PI);
        cairo_stroke (cr);
        break;
    }
}

void run_scene (benchmark::State &state, Scene scene, bool aa)
{
    SkFrame ours;
    CairoFrame theirs;
    PeerBenchmark::Compare (
        state,
        [&] {
            draw_sk (ours.canvas, scene, aa);
            benchmark::DoNotOptimize (ours.bitmap.getPixels ());
        },
        [&] {
            draw_cairo (theirs.cr, scene, aa);
            cairo_surface_flush (theirs.surface);
        });
}

const bool kRegistered = [] {
    const struct {
        const char *name;
        Scene scene;
        bool aa;
    } scenes[] = {
        { "FullFrameOpaqueFill", kFullFill, false }, { "Rects16x16_10000", kSmallRects, false },
        { "CircleR200_AA", kCircle, true },          { "CircleR200_BW", kCircle, false },
        { "Star64_AA", kStar, true },                { "Star64_BW", kStar, false },
        { "RoundRects_1000_AA", kRoundRects, true }, { "RoundRects_1000_BW", kRoundRects, false },
        { "Hairlines_1000_AA", kHairlines, true },   { "Hairlines_1000_BW", kHairlines, false },
        { "Lines_1000_W3_AA", kLines3, true },       { "Strokes10_AA", kWideStrokes, true },
        { "Strokes10_BW", kWideStrokes, false },
    };
    for (const auto &s : scenes) {
        Scene scene = s.scene;
        bool aa = s.aa;
        PeerBenchmark::Register (std::string ("Canvas/") + s.name + "_vs_cairo",
                                 [scene, aa] (benchmark::State &st) { run_scene (st, scene, aa); });
    }
    return true;
} ();

} // namespace

BENCHMARK_MAIN ();
