// Curve roots, evaluation, splitting and quad arcs; curves and arcs are checked against
// cairo's flattening of the same curves.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/geometry/SkGeometry.h"

namespace {

// Points of cairo's flattening, at the given tolerance, of what draw adds to a fresh context.
template <typename Draw> std::vector<SkPoint> cairo_flatten (double tolerance, Draw draw)
{
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_A8, 1, 1);
    cairo_t *cr = cairo_create (surface);
    cairo_set_tolerance (cr, tolerance);
    draw (cr);
    cairo_path_t *path = cairo_copy_path_flat (cr);
    std::vector<SkPoint> pts;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        for (int k = 1; k < path->data[i].header.length; k++) {
            pts.push_back (SkPoint::Make ((float)path->data[i + k].point.x, (float)path->data[i + k].point.y));
        }
    }
    cairo_path_destroy (path);
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
    return pts;
}

std::vector<SkPoint> cairo_flatten_cubic (const SkPoint c[4])
{
    return cairo_flatten (1e-4, [c] (cairo_t *cr) {
        cairo_move_to (cr, c[0].fX, c[0].fY);
        cairo_curve_to (cr, c[1].fX, c[1].fY, c[2].fX, c[2].fY, c[3].fX, c[3].fY);
    });
}

double distance_to_segment (const SkPoint &p, const SkPoint &a, const SkPoint &b)
{
    double dx = b.fX - a.fX, dy = b.fY - a.fY;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.fX - a.fX) * dx + (p.fY - a.fY) * dy) / len2 : 0;
    t = std::clamp (t, 0.0, 1.0);
    return std::hypot (p.fX - (a.fX + t * dx), p.fY - (a.fY + t * dy));
}

// Largest distance from a point of `pts` to a fine polyline through our evaluation.
double max_distance_to_polyline (const std::vector<SkPoint> &pts, const std::vector<SkPoint> &ours)
{
    double worst = 0;
    for (const SkPoint &p : pts) {
        double best = 1e9;
        for (size_t i = 0; i + 1 < ours.size (); i++) {
            best = std::min (best, distance_to_segment (p, ours[i], ours[i + 1]));
        }
        worst = std::max (worst, best);
    }
    return worst;
}

double max_distance_to_cubic (const std::vector<SkPoint> &pts, const SkPoint c[4])
{
    const int kSamples = 2000;
    std::vector<SkPoint> ours (kSamples + 1);
    for (int i = 0; i <= kSamples; i++) {
        SkEvalCubicAt (c, (float)i / kSamples, &ours[i], nullptr, nullptr);
    }
    return max_distance_to_polyline (pts, ours);
}

} // namespace

TEST (SkGeometry, ValidUnitDivide)
{
    SkScalar r = -1;
    EXPECT_EQ (valid_unit_divide (1, 1, &r), 0);
    EXPECT_EQ (valid_unit_divide (-1, -4, &r), 1);
    EXPECT_EQ (r, 0.25f);
    EXPECT_EQ (valid_unit_divide (0, 4, &r), 0);
    EXPECT_EQ (valid_unit_divide (1, 0, &r), 0);
    EXPECT_EQ (valid_unit_divide (-1, 4, &r), 0);
    EXPECT_EQ (valid_unit_divide (1e-30f, 1e30f, &r), 0);   // underflows to 0
}

// t^2 - t + 0.25 has the double root 0.5 (once); t^2 - 1 has no root inside (0, 1).
TEST (SkGeometry, FindUnitQuadRoots)
{
    SkScalar roots[2];
    ASSERT_EQ (SkFindUnitQuadRoots (1, -1, 0.25f, roots), 1);
    EXPECT_EQ (roots[0], 0.5f);
    EXPECT_EQ (SkFindUnitQuadRoots (1, 0, -1, roots), 0);
    ASSERT_EQ (SkFindUnitQuadRoots (1, -1, 0.21f, roots), 2);   // 0.3 and 0.7
    EXPECT_NEAR (roots[0], 0.3f, 1e-6);
    EXPECT_NEAR (roots[1], 0.7f, 1e-6);
    // A root near 0 comes from C / Q with Q taken away from B's sign: no cancellation.
    ASSERT_EQ (SkFindUnitQuadRoots (1, -1, 1e-7f, roots), 2);
    EXPECT_NEAR (roots[0], 1.0000001e-7, 1e-13);
    EXPECT_NEAR (roots[1], 0.9999999, 1e-7);
    ASSERT_EQ (SkFindUnitQuadRoots (-1, 1, -1e-7f, roots), 2);
    EXPECT_NEAR (roots[0], 1.0000001e-7, 1e-13);
    ASSERT_EQ (SkFindUnitQuadRoots (0, 2, -1, roots), 1);
    EXPECT_EQ (roots[0], 0.5f);
    EXPECT_EQ (SkFindUnitQuadRoots (1, 0, 1, roots), 0);
}

TEST (SkGeometry, SolveCubicPolynomial)
{
    // (t - 0.2)(t - 0.5)(t - 0.7)
    SkScalar roots[3];
    ASSERT_EQ (solve_cubic_polynomial (1, -1.4f, 0.59f, -0.07f, roots), 3);
    EXPECT_NEAR (roots[0], 0.2f, 1e-4);
    EXPECT_NEAR (roots[1], 0.5f, 1e-4);
    EXPECT_NEAR (roots[2], 0.7f, 1e-4);
    // (t - 0.5)(t^2 + 1): one real root.
    ASSERT_EQ (solve_cubic_polynomial (1, -0.5f, 1, -0.5f, roots), 1);
    EXPECT_NEAR (roots[0], 0.5f, 1e-4);
    // Leading coefficient below 1/4096 falls back to the quadratic.
    ASSERT_EQ (solve_cubic_polynomial (1e-5f, 1, -1, 0.21f, roots), 2);
    EXPECT_NEAR (roots[0], 0.3f, 1e-3);
}

// The quad with y values 0, 10, 0 splits at 0.5 and its three middle y values all become 5.
TEST (SkGeometry, QuadYExtremaAreFlattened)
{
    SkPoint src[3] = { { 0, 0 }, { 5, 10 }, { 10, 0 } };
    SkPoint dst[5];
    ASSERT_EQ (SkChopQuadAtYExtrema (src, dst), 1);
    EXPECT_EQ (dst[1].fY, 5.0f);
    EXPECT_EQ (dst[2].fY, 5.0f);
    EXPECT_EQ (dst[3].fY, 5.0f);
    EXPECT_EQ (dst[2].fX, 5.0f);
    EXPECT_EQ (dst[0], src[0]);
    EXPECT_EQ (dst[4], src[2]);
    // Here the plain split rounds its two control ys apart from the split point's y; the
    // extremum is flattened onto the split point exactly.
    SkPoint skewed[3] = { { 0, 0 }, { 7, 1.0f / 3 + 10 }, { 13, 1.0f / 7 } };
    SkPoint plain[5];
    SkScalar t;
    ASSERT_TRUE (valid_unit_divide (skewed[0].fY - skewed[1].fY,
                                    skewed[0].fY - 2 * skewed[1].fY + skewed[2].fY, &t));
    SkChopQuadAt (skewed, plain, t);
    ASSERT_NE (plain[1].fY, plain[2].fY);
    ASSERT_EQ (SkChopQuadAtYExtrema (skewed, dst), 1);
    EXPECT_EQ (dst[2], plain[2]);
    EXPECT_EQ (dst[1].fY, plain[2].fY);
    EXPECT_EQ (dst[3].fY, plain[2].fY);
    EXPECT_EQ (dst[1].fX, plain[1].fX);
    SkPoint mono[3] = { { 0, 0 }, { 5, 5 }, { 10, 10 } };
    EXPECT_EQ (SkChopQuadAtYExtrema (mono, dst), 0);
    EXPECT_EQ (dst[1], mono[1]);
}

TEST (SkGeometry, QuadChopAndMaxCurvature)
{
    SkPoint src[3] = { { 0, 0 }, { 10, 20 }, { 20, 0 } };
    SkPoint half[5], at[5];
    SkChopQuadAtHalf (src, half);
    SkChopQuadAt (src, at, 0.5f);
    for (int i = 0; i < 5; i++) EXPECT_EQ (half[i], at[i]);
    SkPoint mid;
    SkEvalQuadAt (src, 0.5f, &mid);
    EXPECT_EQ (mid, half[2]);
    SkPoint dst[5];
    EXPECT_EQ (SkChopQuadAtMaxCurvature (src, dst), 2);
    EXPECT_EQ (dst[2], SkPoint::Make (10, 10));
    SkPoint line[3] = { { 0, 0 }, { 5, 0 }, { 10, 0 } };
    EXPECT_EQ (SkChopQuadAtMaxCurvature (line, dst), 1);
}

TEST (SkGeometry, EvalCubicAtFormulas)
{
    SkPoint c[4] = { { 0, 0 }, { 10, 30 }, { 40, 30 }, { 50, 0 } };
    SkPoint loc;
    SkVector tangent, curvature;
    SkEvalCubicAt (c, 0, &loc, &tangent, &curvature);
    EXPECT_EQ (loc, c[0]);
    EXPECT_EQ (tangent, SkPoint::Make (10, 30));           // p1 - p0
    EXPECT_EQ (curvature, SkPoint::Make (20, -30));        // p2 - 2 p1 + p0
    SkEvalCubicAt (c, 1, &loc, &tangent, nullptr);
    EXPECT_EQ (loc, c[3]);
    EXPECT_EQ (tangent, SkPoint::Make (10, -30));          // p3 - p2
    SkEvalCubicAt (c, 0.5f, &loc, nullptr, nullptr);
    EXPECT_EQ (loc, SkPoint::Make (25, 22.5f));
}

// Our evaluation lies on the curve cairo flattens, and so do the pieces of every chop. cairo
// rounds its points to 1/256 and bounds its subdivision error only loosely, hence 0.03 on a
// curve 140 units across.
TEST (SkGeometry, CubicAgreesWithCairoFlattening)
{
    SkPoint c[4] = { { 10, 80 }, { 30, -40 }, { 90, 140 }, { 120, 20 } };
    std::vector<SkPoint> flat = cairo_flatten_cubic (c);
    ASSERT_GT (flat.size (), 10u);
    EXPECT_LT (max_distance_to_cubic (flat, c), 0.03);
    SkPoint pieces[13];
    SkScalar ts[3];
    int n = SkChopCubicAtMaxCurvature (c, pieces, ts);
    ASSERT_GE (n, 1);
    for (int i = 0; i < n; i++) {
        std::vector<SkPoint> part = cairo_flatten_cubic (&pieces[3 * i]);
        EXPECT_LT (max_distance_to_cubic (part, c), 0.03) << "piece " << i;
    }
}

// The split points are where the tangent is perpendicular to the second derivative (the
// extrema of the speed), found here independently by sign changes along the curve.
TEST (SkGeometry, CubicMaxCurvatureSplitsWhereSpeedTurns)
{
    const SkPoint cubics[][4] = {
        { { 0, 0 }, { 0, 100 }, { 100, 100 }, { 100, 0 } },
        { { 10, 80 }, { 30, -40 }, { 90, 140 }, { 120, 20 } },
        { { 0, 0 }, { 100, 40 }, { 0, 60 }, { 100, 100 } },
        { { 0, 0 }, { 10, 0 }, { 20, 0 }, { 30, 0 } },   // even speed: nothing to split
    };
    auto dot = [] (const SkPoint c[4], double t) {
        SkVector tangent, curvature;
        SkEvalCubicAt (c, (SkScalar)t, nullptr, &tangent, &curvature);
        return (double)tangent.fX * curvature.fX + (double)tangent.fY * curvature.fY;
    };
    for (const auto &c : cubics) {
        std::vector<double> expected;
        const int kSteps = 20000;
        for (int i = 1; i < kSteps - 1; i++) {
            double a = dot (c, (double)i / kSteps), b = dot (c, (double)(i + 1) / kSteps);
            if ((a < 0) != (b < 0)) expected.push_back ((i + 0.5) / kSteps);
        }
        SkPoint dst[13];
        SkScalar ts[3];
        int pieces = SkChopCubicAtMaxCurvature (c, dst, ts);
        ASSERT_EQ (pieces, (int)expected.size () + 1);
        for (int k = 0; k + 1 < pieces; k++) {
            EXPECT_NEAR (ts[k], expected[k], 2e-4) << k;
            SkPoint at;
            SkEvalCubicAt (c, ts[k], &at, nullptr, nullptr);
            EXPECT_NEAR (dst[3 * k + 3].fX, at.fX, 1e-3) << k;
            EXPECT_NEAR (dst[3 * k + 3].fY, at.fY, 1e-3) << k;
        }
        EXPECT_EQ (dst[3 * pieces], c[3]);
    }
}

TEST (SkGeometry, CubicChopsShareSeams)
{
    SkPoint c[4] = { { 0, 0 }, { 10, 40 }, { 30, -40 }, { 40, 0 } };
    SkPoint half[7], at[7];
    SkChopCubicAtHalf (c, half);
    SkChopCubicAt (c, at, 0.5f);
    for (int i = 0; i < 7; i++) EXPECT_EQ (half[i], at[i]);
    SkScalar ts[2] = { 0.25f, 0.75f };
    SkPoint two[10];
    SkChopCubicAt (c, two, ts, 2);
    SkPoint p;
    SkEvalCubicAt (c, 0.25f, &p, nullptr, nullptr);
    EXPECT_NEAR (two[3].fX, p.fX, 1e-4);
    EXPECT_NEAR (two[3].fY, p.fY, 1e-4);
    SkEvalCubicAt (c, 0.75f, &p, nullptr, nullptr);
    EXPECT_NEAR (two[6].fX, p.fX, 1e-4);
    EXPECT_NEAR (two[6].fY, p.fY, 1e-4);
    EXPECT_EQ (two[9], c[3]);
    SkPoint copy[4];
    SkChopCubicAt (c, copy, ts, 0);
    for (int i = 0; i < 4; i++) EXPECT_EQ (copy[i], c[i]);
}

// A t list that cannot be re-expressed stops splitting but still yields the 3 * count + 4
// points of count + 1 cubics, the rest collapsed onto the end.
TEST (SkGeometry, CubicChopWithUnusableTKeepsPointCount)
{
    SkPoint c[4] = { { 0, 0 }, { 10, 40 }, { 30, -40 }, { 40, 0 } };
    SkPoint half[7];
    SkChopCubicAt (c, half, 0.5f);
    SkScalar ts[3] = { 0.5f, 0.5f, 0.9f };
    for (int count = 2; count <= 3; count++) {
        SkPoint dst[14];
        for (SkPoint &p : dst) p.set (-99, -99);
        SkChopCubicAt (c, dst, ts, count);
        for (int i = 0; i < 7; i++) EXPECT_EQ (dst[i], half[i]) << count << " " << i;
        for (int i = 7; i < 3 * count + 4; i++) EXPECT_EQ (dst[i], c[3]) << count << " " << i;
        EXPECT_EQ (dst[3 * count + 4], SkPoint::Make (-99, -99)) << count;
    }
}

// A cubic monotonic in y has no extrema and dst equals src; one with a hump splits at it.
TEST (SkGeometry, CubicYExtrema)
{
    SkPoint mono[4] = { { 0, 0 }, { 10, 10 }, { 20, 20 }, { 30, 30 } };
    SkPoint dst[10];
    EXPECT_EQ (SkChopCubicAtYExtrema (mono, dst), 0);
    for (int i = 0; i < 4; i++) EXPECT_EQ (dst[i], mono[i]);
    SkPoint hump[4] = { { 0, 0 }, { 10, 40 }, { 30, 40 }, { 40, 0 } };
    ASSERT_EQ (SkChopCubicAtYExtrema (hump, dst), 1);
    EXPECT_EQ (dst[2].fY, dst[3].fY);
    EXPECT_EQ (dst[4].fY, dst[3].fY);
    EXPECT_EQ (dst[3].fY, 30.0f);
    EXPECT_EQ (SkChopCubicAtYExtrema (hump, nullptr), 1);
    // Two extrema whose plain split leaves every neighbouring control y a rounding step off
    // its seam: each is set to the seam's y exactly.
    SkPoint wave[4] = { { 0, 0 }, { 10, 1.0f / 3 + 20 }, { 30, -3.0f / 7 - 20 }, { 40, 1.0f / 9 } };
    SkScalar ts[2];
    ASSERT_EQ (SkFindUnitQuadRoots (wave[3].fY - wave[0].fY + 3 * (wave[1].fY - wave[2].fY),
                                    2 * (wave[0].fY - 2 * wave[1].fY + wave[2].fY), wave[1].fY - wave[0].fY, ts), 2);
    SkPoint plain[10];
    SkChopCubicAt (wave, plain, ts, 2);
    ASSERT_NE (plain[2].fY, plain[3].fY);
    ASSERT_NE (plain[7].fY, plain[6].fY);
    ASSERT_EQ (SkChopCubicAtYExtrema (wave, dst), 2);
    for (int seam : { 3, 6 }) {
        EXPECT_EQ (dst[seam], plain[seam]) << seam;
        EXPECT_EQ (dst[seam - 1].fY, plain[seam].fY) << seam;
        EXPECT_EQ (dst[seam + 1].fY, plain[seam].fY) << seam;
        EXPECT_EQ (dst[seam - 1].fX, plain[seam - 1].fX) << seam;
    }
    EXPECT_EQ (dst[9], wave[3]);
}

// (1, 0) to (0, 1) clockwise: two quads, 5 points, ending at (0, 1); (1, 0) to itself: 1 point.
TEST (SkBuildQuadArc, QuarterAndEmptyArcs)
{
    SkPoint pts[kSkBuildQuadArcStorage];
    ASSERT_EQ (SkBuildQuadArc ({ 1, 0 }, { 0, 1 }, kCW_SkRotationDirection, nullptr, pts), 5);
    EXPECT_EQ (pts[4], SkPoint::Make (0, 1));
    EXPECT_EQ (pts[2], SkPoint::Make (0.70710677f, 0.70710677f));
    EXPECT_EQ (SkBuildQuadArc ({ 1, 0 }, { 1, 0 }, kCW_SkRotationDirection, nullptr, pts), 1);
    EXPECT_EQ (pts[0], SkPoint::Make (1, 0));
    // Counter-clockwise to (0, 1) goes the long way: three quarters, 13 points.
    ASSERT_EQ (SkBuildQuadArc ({ 1, 0 }, { 0, 1 }, kCCW_SkRotationDirection, nullptr, pts), 13);
    EXPECT_NEAR (pts[12].fX, 0, 1e-6);
    EXPECT_NEAR (pts[12].fY, 1, 1e-6);
    EXPECT_NEAR (pts[4].fY, -1, 1e-6);      // through (0, -1) first
}

// At an octant boundary (45 degrees) the last quad is kept instead of dropped.
TEST (SkBuildQuadArc, OctantBoundaryKeepsLastQuad)
{
    SkPoint pts[kSkBuildQuadArcStorage];
    SkVector stop = { 0.70710677f, 0.70710677f };
    ASSERT_EQ (SkBuildQuadArc ({ 1, 0 }, stop, kCW_SkRotationDirection, nullptr, pts), 3);
    EXPECT_EQ (pts[2], stop);
    SkVector stop135 = { -0.70710677f, 0.70710677f };
    ASSERT_EQ (SkBuildQuadArc ({ 1, 0 }, stop135, kCW_SkRotationDirection, nullptr, pts), 7);
    EXPECT_EQ (pts[6], stop135);
}

// Arcs at many angles, scaled to radius 100 (cairo keeps its points in 24.8 fixed point),
// follow cairo's arc within the bulge of a 45-degree quad (about 0.34 % of the radius).
TEST (SkBuildQuadArc, ArcsFollowCairosCircle)
{
    const float kRadius = 100;
    SkMatrix scale;
    scale.setScale (kRadius, kRadius);
    for (int deg = 5; deg < 360; deg += 10) {
        float a0 = 0.3f, a1 = a0 + deg * (float)M_PI / 180;
        SkVector start = { cosf (a0), sinf (a0) }, stop = { cosf (a1), sinf (a1) };
        SkPoint pts[kSkBuildQuadArcStorage];
        int n = SkBuildQuadArc (start, stop, kCW_SkRotationDirection, &scale, pts);
        ASSERT_EQ (n % 2, 1);
        EXPECT_NEAR (pts[0].fX, kRadius * start.fX, 1e-3);
        EXPECT_NEAR (pts[n - 1].fX, kRadius * stop.fX, 1e-3) << deg;
        EXPECT_NEAR (pts[n - 1].fY, kRadius * stop.fY, 1e-3) << deg;
        std::vector<SkPoint> theirs = cairo_flatten (1e-3, [&] (cairo_t *cr) { cairo_arc (cr, 0, 0, kRadius, a0, a1); }), ours;
        for (int q = 0; q + 2 < n; q += 2) {
            for (int s = 0; s <= 100; s++) {
                SkPoint e;
                SkEvalQuadAt (&pts[q], s / 100.0f, &e);
                ours.push_back (e);
                EXPECT_NEAR (e.length (), kRadius, 0.4) << deg;
            }
        }
        EXPECT_LT (max_distance_to_polyline (theirs, ours), 0.4) << deg;
    }
}

TEST (SkBuildQuadArc, MatrixIsAppliedLast)
{
    SkMatrix m;
    m.setScale (10, 10);
    m.postTranslate (5, 5);
    SkPoint pts[kSkBuildQuadArcStorage];
    ASSERT_EQ (SkBuildQuadArc ({ 0, 1 }, { -1, 0 }, kCW_SkRotationDirection, &m, pts), 5);
    EXPECT_NEAR (pts[0].fX, 5, 1e-5);
    EXPECT_NEAR (pts[0].fY, 15, 1e-5);
    EXPECT_NEAR (pts[4].fX, -5, 1e-5);
    EXPECT_NEAR (pts[4].fY, 5, 1e-5);
}
