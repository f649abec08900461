// Building paths: verbs, points, growth, shapes, bounds and convexity, copies, transforms;
// shape bounds are checked against cairo.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/geometry/SkGeometry.h"
#include "graphics/path/SkPath.h"
#include "graphics/path/tests/SkPathCairo.h"

namespace {

std::vector<int> verbs_of (const SkPath &path)
{
    return std::vector<int> (path.getVerbs (), path.getVerbs () + path.countVerbs ());
}

std::vector<SkPoint> points_of (const SkPath &path)
{
    return std::vector<SkPoint> (path.getPoints (), path.getPoints () + path.countPoints ());
}

// Replays a path into cairo (quads raised to cubics) and returns cairo's fill extents.
SkRect cairo_extents (const SkPath &path)
{
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_A8, 1, 1);
    cairo_t *cr = cairo_create (surface);
    SkPathReplayInCairo (cr, path);
    double x1, y1, x2, y2;
    cairo_path_extents (cr, &x1, &y1, &x2, &y2);
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
    return SkRect::MakeLTRB ((float)x1, (float)y1, (float)x2, (float)y2);
}

void expect_rect_near (const SkRect &a, const SkRect &b, float tol)
{
    EXPECT_NEAR (a.fLeft, b.fLeft, tol);
    EXPECT_NEAR (a.fTop, b.fTop, tol);
    EXPECT_NEAR (a.fRight, b.fRight, tol);
    EXPECT_NEAR (a.fBottom, b.fBottom, tol);
}

} // namespace

// lineTo on an empty path injects a move to (0, 0).
TEST (SkPathBuild, LineToOnEmptyPathInjectsMove)
{
    SkPath path;
    path.lineTo (5, 6);
    EXPECT_EQ (verbs_of (path), (std::vector<int>{ 0, 1 }));
    EXPECT_EQ (points_of (path), (std::vector<SkPoint>{ { 0, 0 }, { 5, 6 } }));
    EXPECT_EQ (path.getSegmentMasks (), SkPath::kLine_SegmentMask);
    path.quadTo (1, 1, 2, 2);
    path.cubicTo (1, 1, 2, 2, 3, 3);
    EXPECT_EQ (path.getSegmentMasks (), 0x07);
    EXPECT_EQ (path.countPoints (), 7);
}

TEST (SkPathBuild, ConsecutiveMovesCollapse)
{
    SkPath path;
    path.moveTo (1, 2);
    path.moveTo (3, 4);
    EXPECT_EQ (verbs_of (path), (std::vector<int>{ 0 }));
    EXPECT_EQ (path.getPoint (0), SkPoint::Make (3, 4));
    EXPECT_TRUE (path.isEmpty ());
    // Replacing a move is an edit: clean bounds become dirty and are recomputed.
    path.lineTo (10, 10);
    path.moveTo (20, 20);
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (3, 4, 20, 20));
    path.moveTo (30, 40);
    EXPECT_TRUE (path.boundsAreDirty ());
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (3, 4, 30, 40));
}

// close after a lone move, or on an empty path, appends nothing; after a segment, one close.
TEST (SkPathBuild, CloseNeedsASegment)
{
    SkPath path;
    path.close ();
    EXPECT_EQ (path.countVerbs (), 0);
    path.moveTo (1, 1);
    path.close ();
    EXPECT_EQ (path.countVerbs (), 1);
    path.lineTo (2, 2);
    path.close ();
    path.close ();
    EXPECT_EQ (verbs_of (path), (std::vector<int>{ 0, 1, 4 }));
}

// The point reserve after the first point is 6; the seventh point grows it to 13.
TEST (SkPathBuild, ArraysGrowByTheRule)
{
    SkPath path;
    path.moveTo (0, 0);
    EXPECT_EQ (path.pointReserve (), 6);
    EXPECT_EQ (path.verbReserve (), 6);
    for (int i = 1; i < 6; i++) path.lineTo ((float)i, 0);
    EXPECT_EQ (path.pointReserve (), 6);
    path.lineTo (6, 0);
    EXPECT_EQ (path.pointReserve (), 13);
    path.reset ();
    EXPECT_EQ (path.pointReserve (), 0);
    EXPECT_EQ (path.countPoints (), 0);
}

// On an empty path a rectangle leaves clean sorted bounds and convexity 1; a second one
// makes the path concave and joins the bounds.
TEST (SkPathBuild, AddRectBoundsAndConvexity)
{
    SkPath path;
    path.addRect (SkRect::MakeLTRB (10, 20, 0, 5));   // unsorted: points as given
    EXPECT_FALSE (path.boundsAreDirty ());
    EXPECT_EQ (path.getConvexity (), SkPath::kConvex_Convexity);
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (0, 5, 10, 20));
    EXPECT_EQ (path.getPoint (0), SkPoint::Make (10, 20));
    EXPECT_EQ (verbs_of (path), (std::vector<int>{ 0, 1, 1, 1, 4 }));
    path.addRect (SkRect::MakeLTRB (-5, 0, 1, 1));
    EXPECT_EQ (path.getConvexity (), SkPath::kConcave_Convexity);
    EXPECT_FALSE (path.boundsAreDirty ());
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (-5, 0, 10, 20));
    path.lineTo (100, 100);
    EXPECT_TRUE (path.boundsAreDirty ());
    EXPECT_EQ (path.getConvexity (), SkPath::kUnknown_Convexity);
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (-5, 0, 100, 100));
}

// Radii (10, 100) on 40 x 40 clamp ry to 20 and drop the vertical sides; (30, 30) give the oval.
TEST (SkPathBuild, RoundRectClampsOneRadius)
{
    SkPath path;
    path.addRoundRect (SkRect::MakeWH (40, 40), 10, 100);
    EXPECT_EQ (verbs_of (path), (std::vector<int>{ 0, 3, 3, 1, 3, 3, 1, 4 }));
    EXPECT_EQ (path.countPoints (), 15);
    EXPECT_EQ (path.getPoint (0), SkPoint::Make (30, 0));
    EXPECT_EQ (path.getPoint (3), SkPoint::Make (40, 20));
    EXPECT_EQ (path.getPoint (7), SkPoint::Make (10, 40));
    EXPECT_EQ (path.getPoint (1), SkPoint::Make (30 + 10 * 0.5522847f, 0));

    SkPath oval;
    oval.addRoundRect (SkRect::MakeWH (40, 40), 30, 30);
    EXPECT_EQ (verbs_of (oval), (std::vector<int>{ 0, 2, 2, 2, 2, 2, 2, 2, 2, 4 }));
    EXPECT_EQ (oval.countPoints (), 17);

    SkPath full;
    full.addRoundRect (SkRect::MakeWH (100, 50), 10, 5);
    EXPECT_EQ (verbs_of (full), (std::vector<int>{ 0, 3, 1, 3, 1, 3, 1, 3, 1, 4 }));
    EXPECT_EQ (full.countPoints (), 17);
    EXPECT_EQ (full.getConvexity (), SkPath::kConvex_Convexity);

    SkPath none;
    none.addRoundRect (SkRect::MakeWH (0, 40), 5, 5);
    EXPECT_EQ (none.countVerbs (), 0);
}

// Largest distance, in units of the corner radii, of the outline from the round rectangle
// (an oval when the radii are half the sides), sampled along every segment.
static double max_outline_error (const SkPath &path, const SkRect &r, float rx, float ry)
{
    double worst = 0;
    SkPath::Iter iter (path, false);
    SkPoint pts[4];
    for (SkPath::Verb v; (v = iter.next (pts)) != SkPath::kDone_Verb;) {
        for (int i = 0; i <= 16 && v != SkPath::kMove_Verb && v != SkPath::kClose_Verb; i++) {
            SkPoint p;
            if (v == SkPath::kLine_Verb) p.set (pts[0].fX + (pts[1].fX - pts[0].fX) * i / 16, pts[0].fY + (pts[1].fY - pts[0].fY) * i / 16);
            else if (v == SkPath::kQuad_Verb) SkEvalQuadAt (pts, i / 16.0f, &p);
            else SkEvalCubicAt (pts, i / 16.0f, &p, nullptr, nullptr);
            double qx = std::clamp<double> (p.fX, r.fLeft + rx, r.fRight - rx), qy = std::clamp<double> (p.fY, r.fTop + ry, r.fBottom - ry);
            worst = std::max (worst, std::fabs (std::hypot ((p.fX - qx) / rx, (p.fY - qy) / ry) - 1));
        }
    }
    return worst;
}

// An off-centre oval (8 quads from (R, cy)) and a round rect with both straight sides (from
// (R - rx, T)) follow their shapes; a quad per 45 degrees strays by about 3/1000 of the
// radius, a cubic per 90 degrees by far less. A circle of radius 0 adds nothing.
TEST (SkPathBuild, OvalAndRoundRectFollowTheirShapes)
{
    const SkRect ovalBox = SkRect::MakeLTRB (1, 2, 21, 12), box = SkRect::MakeLTRB (3, 4, 103, 54);
    SkPath oval, round;
    oval.addOval (ovalBox);
    round.addRoundRect (box, 10, 5);
    ASSERT_EQ (oval.countPoints (), 17);
    EXPECT_EQ (oval.getPoint (0), SkPoint::Make (21, 7));
    EXPECT_EQ (oval.getPoint (4), SkPoint::Make (11, 12));    // clockwise on screen: down first
    EXPECT_EQ (oval.pointReserve (), 26);                      // 17 reserved first, by the growth rule
    EXPECT_LT (max_outline_error (oval, ovalBox, 10, 5), 3.5e-3);
    ASSERT_EQ (round.countPoints (), 17);
    EXPECT_EQ (round.getPoint (0), SkPoint::Make (93, 4));
    EXPECT_EQ (round.getPoint (3), SkPoint::Make (103, 9));
    EXPECT_LT (max_outline_error (round, box, 10, 5), 3e-4);
    SkPath circle;
    circle.addCircle (5, 5, 0);
    EXPECT_EQ (circle.countVerbs (), 0);
    circle.addCircle (5, 5, 2);
    EXPECT_EQ (circle.getBounds (), SkRect::MakeLTRB (3, 3, 7, 7));
}

// Shapes touch their rectangle, so cairo's extents of the same outline equal our bounds;
// cairo's own rectangle and circle agree too.
TEST (SkPathBuild, ShapeBoundsAgreeWithCairo)
{
    SkPath rect, oval, circle, rrect, lines;
    rect.addRect (SkRect::MakeLTRB (1.5f, 2.25f, 30, 40));
    oval.addOval (SkRect::MakeLTRB (-10, 4, 50, 30));
    circle.addCircle (20, 30, 12.5f);
    rrect.addRoundRect (SkRect::MakeLTRB (5, 5, 105, 45), 12, 8);
    lines.moveTo (3, 9);
    lines.lineTo (-7, 2);
    lines.lineTo (11, 40);
    for (const SkPath *p : { &rect, &oval, &circle, &rrect, &lines }) {
        SkPath fresh;
        fresh.addPath (*p);
        expect_rect_near (fresh.getBounds (), cairo_extents (*p), 1.0f / 256);
        expect_rect_near (p->getBounds (), fresh.getBounds (), 0);
    }
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_A8, 1, 1);
    cairo_t *cr = cairo_create (surface);
    double x1, y1, x2, y2;
    cairo_arc (cr, 20, 30, 12.5, 0, 2 * M_PI);
    cairo_path_extents (cr, &x1, &y1, &x2, &y2);
    expect_rect_near (circle.getBounds (), SkRect::MakeLTRB ((float)x1, (float)y1, (float)x2, (float)y2), 1.0f / 64);
    cairo_new_path (cr);
    cairo_rectangle (cr, 1.5, 2.25, 28.5, 37.75);
    cairo_path_extents (cr, &x1, &y1, &x2, &y2);
    expect_rect_near (rect.getBounds (), SkRect::MakeLTRB ((float)x1, (float)y1, (float)x2, (float)y2), 0);
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
}

// A single point has empty bounds.
TEST (SkPathBuild, BoundsNeedTwoPoints)
{
    SkPath path;
    path.moveTo (5, 5);
    EXPECT_EQ (path.getBounds (), SkRect::MakeEmpty ());
    path.lineTo (7, 1);
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (5, 1, 7, 5));
}

TEST (SkPathBuild, CopySwapAndReset)
{
    SkPath a;
    a.setFillType (SkPath::kInverseEvenOdd_FillType);
    a.addRect (SkRect::MakeWH (4, 4));
    SkPath b;
    b = a;
    EXPECT_EQ (b.countPoints (), 4);
    EXPECT_EQ (b.pointReserve (), 4);               // a fresh array of exactly the count
    EXPECT_EQ (b.getFillType (), SkPath::kInverseEvenOdd_FillType);
    EXPECT_EQ (b.getConvexity (), SkPath::kConvex_Convexity);
    EXPECT_TRUE (b.isInverseFillType ());
    b = b;
    EXPECT_EQ (b.countPoints (), 4);
    SkPath c;
    c.lineTo (1, 1);
    c.swap (b);
    EXPECT_EQ (c.countPoints (), 4);
    EXPECT_EQ (b.countPoints (), 2);
    c.reset ();
    EXPECT_EQ (c.getFillType (), SkPath::kInverseEvenOdd_FillType);
    EXPECT_TRUE (c.boundsAreDirty ());
    EXPECT_EQ (c.getSegmentMasks (), 0);
}

// A translation keeps clean bounds clean; 45 degrees marks them dirty.
TEST (SkPathBuild, TransformKeepsOrDirtiesBounds)
{
    SkPath path;
    path.addRect (SkRect::MakeWH (10, 10));
    SkMatrix m;
    m.setTranslate (5, 7);
    path.transform (m);
    EXPECT_FALSE (path.boundsAreDirty ());
    EXPECT_EQ (path.getBounds (), SkRect::MakeLTRB (5, 7, 15, 17));
    m.setRotate (45, 0, 0);
    SkPath rotated;
    rotated.moveTo (99, 99);
    rotated.setConvexity (SkPath::kConcave_Convexity);
    path.transform (m, &rotated);
    EXPECT_TRUE (rotated.boundsAreDirty ());
    EXPECT_EQ (rotated.countPoints (), 4);
    EXPECT_EQ (verbs_of (rotated), verbs_of (path));
    EXPECT_EQ (rotated.getConvexity (), SkPath::kConvex_Convexity);   // carried from the source
    EXPECT_EQ (rotated.getFillType (), path.getFillType ());
    path.setFillType (SkPath::kInverseEvenOdd_FillType);
    path.transform (m, &rotated);
    EXPECT_EQ (rotated.getFillType (), SkPath::kInverseEvenOdd_FillType);
    SkPoint p;
    m.mapXY (5, 7, &p);
    EXPECT_EQ (rotated.getPoint (0), p);
}

// Under perspective every quad and cubic is split into four before mapping.
TEST (SkPathBuild, PerspectiveTransformSplitsCurves)
{
    SkPath path;
    path.moveTo (0, 0);
    path.quadTo (10, 0, 10, 10);
    path.cubicTo (10, 20, 0, 20, 0, 0);
    path.close ();
    SkMatrix m;
    m.setAll (1, 0, 0, 0, 1, 0, 0.001f, 0, 1);
    SkPath out;
    path.setFillType (SkPath::kEvenOdd_FillType);
    path.transform (m, &out);
    EXPECT_EQ (out.getFillType (), SkPath::kEvenOdd_FillType);
    EXPECT_EQ (verbs_of (out), (std::vector<int>{ 0, 2, 2, 2, 2, 3, 3, 3, 3, 4 }));
    EXPECT_EQ (out.countPoints (), 1 + 8 + 12);
    SkPoint end;
    m.mapXY (0, 0, &end);
    EXPECT_NEAR (out.getPoint (20).fX, end.fX, 1e-5);
    EXPECT_NEAR (out.getPoint (20).fY, end.fY, 1e-5);
}

TEST (SkPathBuild, AddPathMapsPoints)
{
    SkPath src;
    src.moveTo (1, 1);
    src.lineTo (2, 1);
    src.quadTo (3, 1, 3, 2);
    src.close ();
    SkPath dst;
    dst.addPath (src, 10, 20);
    EXPECT_EQ (verbs_of (dst), (std::vector<int>{ 0, 1, 2, 1, 4 }));   // iterator adds the closing line
    EXPECT_EQ (dst.getPoint (0), SkPoint::Make (11, 21));
    EXPECT_EQ (dst.getPoint (3), SkPoint::Make (13, 22));
    dst.addPath (dst);                                                 // self is safe
    EXPECT_EQ (dst.countVerbs (), 10);
}

// The first contour is appended backwards from the current point: no move, no close.
TEST (SkPathBuild, ReversePathToWalksFirstContourBackwards)
{
    SkPath src;
    src.moveTo (0, 0);
    src.lineTo (10, 0);
    src.quadTo (20, 0, 20, 10);
    src.cubicTo (20, 20, 10, 30, 0, 30);
    src.close ();
    src.moveTo (100, 100);
    src.lineTo (200, 200);
    SkPath dst;
    dst.moveTo (0, 30);
    dst.reversePathTo (src);
    EXPECT_EQ (verbs_of (dst), (std::vector<int>{ 0, 3, 2, 1 }));
    EXPECT_EQ (points_of (dst), (std::vector<SkPoint>{ { 0, 30 }, { 10, 30 }, { 20, 20 }, { 20, 10 }, { 20, 0 }, { 10, 0 }, { 0, 0 } }));
    SkPath empty;
    dst.reversePathTo (empty);
    EXPECT_EQ (dst.countPoints (), 7);
}
