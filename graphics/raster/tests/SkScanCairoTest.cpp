// Anti-aliased path fills compared with cairo filling the same path (cairo computes coverage
// close to the exact area), under both fill rules.
#include <cairo.h>

#include <cmath>
#include <vector>

#include "graphics/path/tests/SkPathCairo.h"
#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

const int kSize = 260;

// Coverage cairo gives each pixel of the path, in 0..255.
std::vector<int> cairo_coverage (const SkPath &path)
{
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_A8, kSize, kSize);
    cairo_t *cr = cairo_create (surface);
    cairo_set_fill_rule (cr, (path.getFillType () & 1) ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    cairo_set_antialias (cr, CAIRO_ANTIALIAS_DEFAULT);
    SkPathReplayInCairo (cr, path);
    cairo_fill (cr);
    cairo_surface_flush (surface);
    std::vector<int> out ((size_t)kSize * kSize);
    const unsigned char *data = cairo_image_surface_get_data (surface);
    int stride = cairo_image_surface_get_stride (surface);
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) out[(size_t)y * kSize + x] = data[y * stride + x];
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
    return out;
}

// Per-pixel tolerance against exact area for one straight edge through a pixel, in 1/255:
// - the walker places each sub-row's span ends at the nearest quarter pixel, up to 1/8 px off
//   at each of 4 sub-rows weighing 1/4 each: 4 x 1/8 x 1/4 = 1/8 of the pixel, 32;
// - a sub-row is in or out as a whole where the edge is nearly horizontal: up to half a
//   sub-row, 1/8 of the pixel, which takes the place of the first term rather than adding;
// - 26.6 coordinates move the edge by up to 1/64 px across the pixel: 4;
// - the 16/31/47 and 64/63 weights round by up to 1 per sub-row: 4.
// Pixels where two edges meet (corners, star points) can take two such errors: a few.
const int kEdgeTolerance = 40;
// Curves are cut into 2^s lines where 4^s is at least about half of (d + 16) / 32 for a
// chord deviation d in 26.6 at four times the resolution, so a line strays inside the curve
// by up to 64 / 64 / 4 = 1/4 px: up to 64 more on pixels along a curve, and the shape loses
// up to a quarter pixel of ink along its length.
const int kCurveTolerance = 64;

struct Comparison {
    int worst = 0, overBudget = 0, edgePixels = 0;
    double ours = 0, theirs = 0;
};

Comparison compare (const SkPath &path, int tolerance)
{
    SkRegion clip (SkIRect::MakeWH (kSize, kSize));
    CoverageBlitter b (kSize, kSize);
    SkScan::AntiFillPath (path, clip, &b);
    std::vector<int> ref = cairo_coverage (path);
    Comparison c;
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) {
            int ours = b.at (x, y), theirs = ref[(size_t)y * kSize + x];
            int d = std::abs (ours - theirs);
            c.ours += ours / 255.0;
            c.theirs += theirs / 255.0;
            if (theirs != 0 && theirs != 255) c.edgePixels++;
            c.worst = std::max (c.worst, d);
            if (d > tolerance) c.overBudget++;
        }
    EXPECT_LE (b.maxCover (), 255);
    return c;
}

// length: the outline's length in pixels.
void expect_close_to_cairo (const SkPath &path, const char *name, double length)
{
    bool curved = path.getSegmentMasks () != SkPath::kLine_SegmentMask;
    int tolerance = kEdgeTolerance + (curved ? kCurveTolerance : 0);
    Comparison c = compare (path, tolerance);
    EXPECT_LE (c.worst, 2 * kEdgeTolerance + (curved ? kCurveTolerance : 0)) << name;
    EXPECT_LE (c.overBudget, 2 + c.edgePixels / 100) << name << " worst " << c.worst;
    // Over a whole shape the sampling errors cancel: the ink agrees within 1% (and a pixel),
    // less what flattening may take along curves.
    double allowance = c.theirs * 0.01 + 1 + (curved ? length / 4 : 0);
    EXPECT_NEAR (c.ours, c.theirs, allowance) << name;
}

TEST (ScanAntiFillPathVsCairo, CirclesOfSeveralRadii)
{
    for (float r : { 1.7f, 3.3f, 10.0f, 15.6f, 40.5f, 120.25f }) {
        SkPath p;
        p.addCircle (130.3f, 129.6f, r);
        expect_close_to_cairo (p, ("circle " + std::to_string (r)).c_str (), 2 * M_PI * r);
    }
}

TEST (ScanAntiFillPathVsCairo, StarsUnderBothFillRules)
{
    for (int points : { 5, 7, 64 }) {
        SkPath p = star_path (130.4f, 131.1f, 110, points, points == 64 ? 27 : 2);
        expect_close_to_cairo (p, "star winding", 0);
        p.setFillType (SkPath::kEvenOdd_FillType);
        expect_close_to_cairo (p, "star even-odd", 0);
    }
}

TEST (ScanAntiFillPathVsCairo, CurvesAndRoundRects)
{
    SkPath curves;
    curves.moveTo (20, 240);
    curves.cubicTo (250, -100, -50, 100, 240, 230);
    curves.quadTo (130, -60, 20, 240);
    expect_close_to_cairo (curves, "curves winding", 1200);
    curves.setFillType (SkPath::kEvenOdd_FillType);
    expect_close_to_cairo (curves, "curves even-odd", 1200);
    SkPath round;
    round.addRoundRect (SkRect::MakeLTRB (10.3f, 20.6f, 250.2f, 200.9f), 40, 25);
    round.addRoundRect (SkRect::MakeLTRB (60.5f, 60.5f, 100.5f, 90.5f), 6, 6);
    expect_close_to_cairo (round, "round rects", 900);
    SkPath small;
    small.addRoundRect (SkRect::MakeLTRB (100.2f, 100.7f, 124.2f, 124.7f), 4, 4);
    expect_close_to_cairo (small, "small round rect (mask)", 96);
}

} // namespace
