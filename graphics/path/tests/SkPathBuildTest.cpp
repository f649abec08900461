// Building paths: verbs, points, growth, shapes, bounds and convexity, copies, transforms;
// shape bounds are checked against cairo.
#include <gtest/gtest.h>

#include <cairo.h>

#include <vector>

#include "graphics/path/SkPath.h"
#include "graphics/path/tests/SkPathCairo.h"

namespace {

std::vector<int> verbs_of (const SkPath &path)
{
    return std::vector<int> (path.getVerbs (), path.getVerbs () + path.countVerbs ());
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
    ASSERT_EQ (path.countPoints (), 2);
    EXPECT_EQ (path.getPoint (0), SkPoint::Make (0, 0));
    EXPECT_EQ (path.getPoint (1), SkPoint::Make (5, 6));
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

// Every point of an off-centre oval and of a round rect with both straight sides, as the
// shapes are defined (same float operations, so exact).
TEST (SkPathBuild, OvalAndRoundRectPointsInFull)
{
    const float L = 1, T = 2, R = 21, B = 12;
    const float cx = (L + R) * 0.5f, cy = (T + B) * 0.5f;
    const float rx = (R - L) * 0.5f, ry = (B - T) * 0.5f;
    const float sx = rx * 0.41421357f, sy = ry * 0.41421357f;
    const float mx = rx * 0.70710677f, my = ry * 0.70710677f;
    const SkPoint oval[17] = {
        { R, cy },
        { R, cy + sy }, { cx + mx, cy + my }, { cx + sx, B }, { cx, B },
        { cx - sx, B }, { cx - mx, cy + my }, { L, cy + sy }, { L, cy },
        { L, cy - sy }, { cx - mx, cy - my }, { cx - sx, T }, { cx, T },
        { cx + sx, T }, { cx + mx, cy - my }, { R, cy - sy }, { R, cy },
    };
    SkPath path;
    path.addOval (SkRect::MakeLTRB (L, T, R, B));
    ASSERT_EQ (path.countPoints (), 17);
    for (int i = 0; i < 17; i++) EXPECT_EQ (path.getPoint (i), oval[i]) << i;
    EXPECT_EQ (path.pointReserve (), 26);   // 17 reserved first, by the growth rule

    const float l = 3, t = 4, r = 103, b = 54, rrx = 10, rry = 5;
    const float csx = rrx * 0.5522847f, csy = rry * 0.5522847f;
    const SkPoint rrect[17] = {
        { r - rrx, t },
        { r - rrx + csx, t }, { r, t + rry - csy }, { r, t + rry },
        { r, b - rry },
        { r, b - rry + csy }, { r - rrx + csx, b }, { r - rrx, b },
        { l + rrx, b },
        { l + rrx - csx, b }, { l, b - rry + csy }, { l, b - rry },
        { l, t + rry },
        { l, t + rry - csy }, { l + rrx - csx, t }, { l + rrx, t },
        { r - rrx, t },
    };
    SkPath round;
    round.addRoundRect (SkRect::MakeLTRB (l, t, r, b), rrx, rry);
    ASSERT_EQ (round.countPoints (), 17);
    for (int i = 0; i < 17; i++) EXPECT_EQ (round.getPoint (i), rrect[i]) << i;
}

TEST (SkPathBuild, OvalAndCirclePoints)
{
    SkPath path;
    path.addOval (SkRect::MakeLTRB (0, 0, 20, 10));
    ASSERT_EQ (path.countPoints (), 17);
    EXPECT_EQ (path.getPoint (0), SkPoint::Make (20, 5));
    EXPECT_EQ (path.getPoint (1), SkPoint::Make (20, 5 + 5 * 0.41421357f));
    EXPECT_EQ (path.getPoint (2), SkPoint::Make (10 + 10 * 0.70710677f, 5 + 5 * 0.70710677f));
    EXPECT_EQ (path.getPoint (4), SkPoint::Make (10, 10));
    EXPECT_EQ (path.getPoint (16), SkPoint::Make (20, 5));
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
    ASSERT_EQ (dst.countPoints (), 7);
    EXPECT_EQ (dst.getPoint (1), SkPoint::Make (10, 30));
    EXPECT_EQ (dst.getPoint (2), SkPoint::Make (20, 20));
    EXPECT_EQ (dst.getPoint (3), SkPoint::Make (20, 10));
    EXPECT_EQ (dst.getPoint (4), SkPoint::Make (20, 0));
    EXPECT_EQ (dst.getPoint (5), SkPoint::Make (10, 0));
    EXPECT_EQ (dst.getPoint (6), SkPoint::Make (0, 0));
    SkPath empty;
    dst.reversePathTo (empty);
    EXPECT_EQ (dst.countPoints (), 7);
}
