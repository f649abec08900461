// Anti-aliased fills and strokes through the canvas, compared with cairo's image surface
// rendering the same shapes (same path, same stroke parameters).
//
// Tolerances. cairo is taken as exact area coverage; it is not quite, since pixman samples
// trapezoid edges on a 15 x 17 grid per pixel, which is good to within 1/15 of a pixel's
// coverage. Our fill samples 4 x 4 points per pixel: each of the 4 sub-rows is sampled on its
// centre line, so an edge is placed to within half a sub-row (1/8 of the pixel's coverage)
// vertically and, by the same argument, horizontally; at a corner both add up. So:
//   - along an edge:   |difference| <= 255 * (1/8 + 1/15) = 49;
//   - anywhere:        |difference| <= 255 * (1/8 + 1/8 + 1/15) = 81 (corners, thin tips);
//   - the total coverage: an edge placed up to 1/8 pixel off (ours) and 1/30 (pixman) moves
//     at most that much area per unit of outline length, and flattening curves into chords
//     (within 1/16 pixel of the curve in our edge builder) loses at most 2/3 of that per unit
//     length, so the areas differ by at most perimeter x (1/8 + 1/30 + 1/24) = 0.2 x perimeter.
// Strokes add geometry differences: cairo flattens round joins and caps with a tolerance of
// 0.1 pixel where we use quadratic arcs, and curves are offset differently (our offsets of
// quads and cubics are subdivided until the normals turn by less than about 36 degrees),
// so strokes allow 0.1 pixel more (26 levels) and 0.1 more area per unit of outline, and
// curved strokes also the error of their offset curves (below). Strokes of width 1 or less are hairlines here, drawn one pixel
// per step along the major axis, which no stroke of cairo's matches; they are not compared.
#include <gtest/gtest.h>
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/canvas/SkCanvas.h"
#include "graphics/path/tests/SkPathCairo.h"

namespace {

const int kSize = 256;

struct Diff {
    double perimeter = 0;          // of the filled outline
    int maxDiff = 0;
    int opposite = 0;              // one fully covered, the other not at all
    double ourArea = 0, cairoArea = 0;
    // The area difference in units of outline length.
    double areaPerLength () const { return std::fabs (ourArea - cairoArea) / (perimeter > 0 ? perimeter : 1); }
};

std::vector<uint8_t> render_ours (const SkPath &path, const SkPaint &paint)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, kSize, kSize);
    EXPECT_TRUE (bitmap.allocPixels ());
    SkCanvas canvas (bitmap);
    canvas.drawPath (path, paint);
    std::vector<uint8_t> alpha (kSize * kSize);
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) alpha[y * kSize + x] = (uint8_t)(*bitmap.getAddr32 (x, y) >> 24);
    return alpha;
}

cairo_line_cap_t cairo_cap (SkPaint::Cap cap)
{
    return cap == SkPaint::kRound_Cap ? CAIRO_LINE_CAP_ROUND
           : cap == SkPaint::kSquare_Cap ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_BUTT;
}

cairo_line_join_t cairo_join (SkPaint::Join join)
{
    return join == SkPaint::kRound_Join ? CAIRO_LINE_JOIN_ROUND
           : join == SkPaint::kBevel_Join ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_MITER;
}

std::vector<uint8_t> render_cairo (const SkPath &path, const SkPaint &paint)
{
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t *cr = cairo_create (surface);
    cairo_set_source_rgba (cr, 0, 0, 0, 1);
    cairo_set_antialias (cr, CAIRO_ANTIALIAS_DEFAULT);
    SkPathReplayInCairo (cr, path);
    if (paint.getStyle () == SkPaint::kFill_Style) {
        cairo_set_fill_rule (cr, (path.getFillType () & 1) ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        cairo_fill (cr);
    } else {
        cairo_set_line_width (cr, paint.getStrokeWidth ());
        cairo_set_line_cap (cr, cairo_cap (paint.getStrokeCap ()));
        cairo_set_line_join (cr, cairo_join (paint.getStrokeJoin ()));
        cairo_set_miter_limit (cr, paint.getStrokeMiter ());
        cairo_stroke (cr);
    }
    cairo_surface_flush (surface);
    std::vector<uint8_t> alpha (kSize * kSize);
    const uint8_t *data = cairo_image_surface_get_data (surface);
    int stride = cairo_image_surface_get_stride (surface);
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) alpha[y * kSize + x] = (uint8_t)(*(const uint32_t *)(data + y * stride + x * 4) >> 24);
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
    return alpha;
}

// The length of path's outline, curves measured along 32 chords each.
double outline_length (const SkPath &path)
{
    SkPath::Iter iter (path, true);
    SkPoint p[4];
    SkPath::Verb verb;
    double length = 0;
    while ((verb = iter.next (p)) != SkPath::kDone_Verb) {
        int n = verb == SkPath::kLine_Verb ? 1 : (verb == SkPath::kQuad_Verb || verb == SkPath::kCubic_Verb) ? 32 : 0;
        SkPoint prev = p[0];
        for (int i = 1; i <= n; i++) {
            double t = (double)i / n, u = 1 - t;
            SkPoint q;
            if (verb == SkPath::kLine_Verb) q = p[1];
            else if (verb == SkPath::kQuad_Verb)
                q.set ((float)(u * u * p[0].fX + 2 * u * t * p[1].fX + t * t * p[2].fX),
                       (float)(u * u * p[0].fY + 2 * u * t * p[1].fY + t * t * p[2].fY));
            else
                q.set ((float)(u * u * u * p[0].fX + 3 * u * u * t * p[1].fX + 3 * u * t * t * p[2].fX + t * t * t * p[3].fX),
                       (float)(u * u * u * p[0].fY + 3 * u * u * t * p[1].fY + 3 * u * t * t * p[2].fY + t * t * t * p[3].fY));
            length += SkPoint::Distance (prev, q);
            prev = q;
        }
    }
    return length;
}

Diff compare (const SkPath &path, const SkPaint &paint)
{
    std::vector<uint8_t> ours = render_ours (path, paint), theirs = render_cairo (path, paint);
    Diff d;
    SkPath outline;
    paint.getFillPath (path, &outline);
    d.perimeter = outline_length (outline);
    for (size_t i = 0; i < ours.size (); i++) {
        int a = ours[i], b = theirs[i];
        d.maxDiff = std::max (d.maxDiff, std::abs (a - b));
        d.opposite += (a == 0 && b == 255) || (a == 255 && b == 0);
        d.ourArea += a / 255.0;
        d.cairoArea += b / 255.0;
    }
    return d;
}

SkPaint fill_paint ()
{
    SkPaint paint;
    paint.setAntiAlias (true);
    return paint;
}

SkPaint stroke_paint (float width, SkPaint::Cap cap, SkPaint::Join join, float miter = 4)
{
    SkPaint paint = fill_paint ();
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (width);
    paint.setStrokeCap (cap);
    paint.setStrokeJoin (join);
    paint.setStrokeMiter (miter);
    return paint;
}

SkPath star (int points, float cx, float cy, float outer, float inner, SkPath::FillType fill)
{
    SkPath path;
    for (int i = 0; i < 2 * points; i++) {
        double a = M_PI * i / points - M_PI / 2;
        float r = (i & 1) ? inner : outer;
        float x = cx + r * (float)std::cos (a), y = cy + r * (float)std::sin (a);
        i == 0 ? path.moveTo (x, y) : path.lineTo (x, y);
    }
    path.close ();
    path.setFillType (fill);
    return path;
}

// A five-pointed star drawn as one self-crossing line: its centre is covered twice.
SkPath pentagram (SkPath::FillType fill)
{
    SkPath path;
    for (int i = 0; i < 5; i++) {
        double a = 4 * M_PI * i / 5 - M_PI / 2;
        float x = 128 + 100 * (float)std::cos (a), y = 128 + 100 * (float)std::sin (a);
        i == 0 ? path.moveTo (x, y) : path.lineTo (x, y);
    }
    path.close ();
    path.setFillType (fill);
    return path;
}

SkPath zigzag ()
{
    SkPath path;
    path.moveTo (30.3f, 200.2f);
    path.lineTo (80.1f, 60.7f);
    path.lineTo (120.6f, 190.4f);
    path.lineTo (160.2f, 100.1f);
    path.lineTo (225.8f, 120.9f);
    return path;
}

void expect_fill_close (const Diff &d, const std::string &what)
{
    EXPECT_LE (d.maxDiff, 81) << what;
    EXPECT_EQ (d.opposite, 0) << what;
    EXPECT_LE (d.areaPerLength (), 0.2) << what << " ours " << d.ourArea << " cairo " << d.cairoArea;
}

} // namespace

TEST (SkCanvasCairoTest, CirclesOfSeveralRadiiMatchExactAreaCoverage)
{
    for (float r : { 2.3f, 5.0f, 10.5f, 40.25f, 100.0f, 127.0f }) {
        SkPath path;
        path.addCircle (128.3f, 127.6f, r);
        expect_fill_close (compare (path, fill_paint ()), "circle r=" + std::to_string (r));
    }
}

TEST (SkCanvasCairoTest, RoundRectsMatchExactAreaCoverage)
{
    struct RR { SkRect r; float rx, ry; };
    const RR cases[] = { { SkRect::MakeLTRB (10.5f, 20.25f, 200.75f, 60.5f), 8, 8 },
                         { SkRect::MakeLTRB (3, 3, 250, 250), 40, 20 },
                         { SkRect::MakeLTRB (100.1f, 100.1f, 110.9f, 140.3f), 5, 5 } };
    for (const RR &c : cases) {
        SkPath path;
        path.addRoundRect (c.r, c.rx, c.ry);
        expect_fill_close (compare (path, fill_paint ()), "round rect");
    }
}

TEST (SkCanvasCairoTest, StarsMatchUnderBothFillRules)
{
    for (SkPath::FillType fill : { SkPath::kWinding_FillType, SkPath::kEvenOdd_FillType }) {
        expect_fill_close (compare (star (5, 128, 128, 120, 45, fill), fill_paint ()), "star");
        expect_fill_close (compare (star (64, 128.5f, 127.5f, 126, 90, fill), fill_paint ()), "64-point star");
        Diff d = compare (pentagram (fill), fill_paint ());
        expect_fill_close (d, "pentagram");
    }
    // The rules differ only in the twice-covered centre.
    std::vector<uint8_t> winding = render_ours (pentagram (SkPath::kWinding_FillType), fill_paint ());
    std::vector<uint8_t> evenOdd = render_ours (pentagram (SkPath::kEvenOdd_FillType), fill_paint ());
    EXPECT_EQ (winding[128 * kSize + 128], 255);
    EXPECT_EQ (evenOdd[128 * kSize + 128], 0);
}

TEST (SkCanvasCairoTest, PolylineStrokesMatchForEveryCapAndJoin)
{
    for (float width : { 1.5f, 2.5f, 10.0f, 24.0f }) {
        for (SkPaint::Cap cap : { SkPaint::kButt_Cap, SkPaint::kRound_Cap, SkPaint::kSquare_Cap }) {
            for (SkPaint::Join join : { SkPaint::kMiter_Join, SkPaint::kRound_Join, SkPaint::kBevel_Join }) {
                Diff d = compare (zigzag (), stroke_paint (width, cap, join));
                std::string what = "width " + std::to_string (width) + " cap " + std::to_string (cap) + " join " +
                                   std::to_string (join);
                EXPECT_LE (d.maxDiff, 81 + 26) << what;
                EXPECT_EQ (d.opposite, 0) << what;
                EXPECT_LE (d.areaPerLength (), 0.3) << what << " ours " << d.ourArea << " cairo " << d.cairoArea;
            }
        }
    }
}

TEST (SkCanvasCairoTest, MiterLimitCutsSharpCornersAsCairoDoes)
{
    SkPath path;
    path.moveTo (40, 200);
    path.lineTo (128, 40);
    path.lineTo (216, 200);      // about 58 degrees at the top: miter length 2.06 widths
    for (float limit : { 1.5f, 2.5f, 10.0f }) {
        Diff d = compare (path, stroke_paint (12, SkPaint::kButt_Cap, SkPaint::kMiter_Join, limit));
        EXPECT_LE (d.maxDiff, 81) << limit;
        EXPECT_LE (d.areaPerLength (), 0.2) << limit;
    }
}

TEST (SkCanvasCairoTest, CurvedStrokesMatchWithinTheirOffsetError)
{
    SkPath curves;
    curves.moveTo (20, 200);
    curves.cubicTo (60, 20, 200, 20, 236, 200);
    curves.quadTo (128, 250, 40, 120);
    SkPath circle;
    circle.addCircle (128, 128, 90);
    for (float width : { 3.0f, 10.0f, 30.0f }) {
        for (const SkPath *path : { &curves, &circle }) {
            Diff d = compare (*path, stroke_paint (width, SkPaint::kRound_Cap, SkPaint::kRound_Join));
            // Quad offsets place their control point along the chord's normal at one radius,
            // short of the true offset by up to r (1 / cos 18 - 1) where the normals turn by
            // 36 degrees: the offset curve sits up to 0.026 r inside at its middle.
            double r = width / 2, offsetError = 0.026 * r;
            EXPECT_LE (d.maxDiff, 81 + 26 + (int)std::ceil (255 * offsetError)) << width;
            EXPECT_EQ (d.opposite, 0) << width;
            EXPECT_LE (d.areaPerLength (), 0.3 + offsetError) << width << " ours " << d.ourArea << " cairo " << d.cairoArea;
        }
    }
}
