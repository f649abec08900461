// The stroker: exact outlines of polygons, caps, joins and the miter limit, degenerate input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graphics/stroke/SkStroke.h"

namespace {

std::vector<SkPoint> points_of (const SkPath &path)
{
    return std::vector<SkPoint> (path.getPoints (), path.getPoints () + path.countPoints ());
}

int count_verbs (const SkPath &path, SkPath::Verb verb)
{
    int n = 0;
    for (int i = 0; i < path.countVerbs (); i++) n += path.getVerbs ()[i] == verb;
    return n;
}

bool has_point (const SkPath &path, float x, float y, float tol = 1e-4f)
{
    for (const SkPoint &p : points_of (path)) {
        if (std::fabs (p.fX - x) <= tol && std::fabs (p.fY - y) <= tol) return true;
    }
    return false;
}

SkStroke make_stroke (float width, SkPaint::Cap cap, SkPaint::Join join, float miter = 4)
{
    SkStroke s;
    s.setWidth (width);
    s.setCap (cap);
    s.setJoin (join);
    s.setMiterLimit (miter);
    return s;
}

SkPath corner (float turnY)
{
    SkPath p;
    p.moveTo (0, 0);
    p.lineTo (10, 0);
    p.lineTo (10, turnY);
    return p;
}

} // namespace

TEST (SkStrokeTest, SingleButtLineIsItsRectangleMarkedConvex)
{
    SkPath src, dst;
    src.moveTo (0, 0);
    src.lineTo (10, 0);
    make_stroke (2, SkPaint::kButt_Cap, SkPaint::kMiter_Join).strokePath (src, &dst);
    EXPECT_EQ (points_of (dst), (std::vector<SkPoint>{ { 0, -1 }, { 10, -1 }, { 10, 1 }, { 0, 1 }, { 0, -1 } }));
    EXPECT_TRUE (dst.isConvex ());
    EXPECT_EQ (dst.getBounds (), SkRect::MakeLTRB (0, -1, 10, 1));
}

// A right-angle miter needs a limit of sqrt(2): under 4 it is a square corner, under 1 a bevel.
TEST (SkStrokeTest, RightAngleMiterIsASquareCornerOrABevelByTheLimit)
{
    SkPath square, bevel;
    make_stroke (2, SkPaint::kButt_Cap, SkPaint::kMiter_Join, 4).strokePath (corner (10), &square);
    EXPECT_TRUE (has_point (square, 11, -1));
    EXPECT_FALSE (has_point (square, 11, 0));
    EXPECT_EQ (square.getBounds (), SkRect::MakeLTRB (0, -1, 11, 10));
    make_stroke (2, SkPaint::kButt_Cap, SkPaint::kMiter_Join, 1).strokePath (corner (10), &bevel);
    EXPECT_TRUE (has_point (bevel, 10, -1));
    EXPECT_TRUE (has_point (bevel, 11, 0));
    EXPECT_FALSE (has_point (bevel, 11, -1));
}

// A sharp turn either way puts the miter tip outside the corner, at radius / sin(half angle).
TEST (SkStrokeTest, SharpMiterTipLiesOnTheOuterSideForBothTurns)
{
    for (float dir : { 1.0f, -1.0f }) {
        SkPath src, dst;
        src.moveTo (0, 0);
        src.lineTo (10, 0);
        src.lineTo (0, dir * 4);     // turns back by about 158 degrees
        make_stroke (2, SkPaint::kButt_Cap, SkPaint::kMiter_Join, 100).strokePath (src, &dst);
        // The tip lies on the far side of x = 10, on the bisector through the pivot.
        double half = std::atan2 (4.0, 10.0) / 2;
        double tipX = 10 + 1 / std::sin (half) * std::cos (half);
        EXPECT_NEAR (dst.getBounds ().fRight, tipX, 1e-3) << dir;
    }
}

TEST (SkStrokeTest, ZeroLengthLineInsideAContourAddsNothing)
{
    SkPath with = corner (10), without = corner (10), a, b;
    with.reset ();
    with.moveTo (0, 0);
    with.lineTo (10, 0);
    with.lineTo (10, 0);
    with.lineTo (10, 10);
    SkStroke s = make_stroke (2, SkPaint::kSquare_Cap, SkPaint::kRound_Join);
    s.strokePath (with, &a);
    s.strokePath (without, &b);
    EXPECT_EQ (points_of (a).size (), points_of (b).size ());
    EXPECT_EQ (a.getBounds (), b.getBounds ());
}

TEST (SkStrokeTest, DoFillAppendsTheSource)
{
    SkPath src = corner (10), dst, plain;
    SkStroke s = make_stroke (2, SkPaint::kButt_Cap, SkPaint::kBevel_Join);
    s.strokePath (src, &plain);
    s.setDoFill (true);
    s.strokePath (src, &dst);
    std::vector<SkPoint> both = points_of (plain), source = points_of (src);
    both.insert (both.end (), source.begin (), source.end ());
    EXPECT_EQ (points_of (dst), both);
}

TEST (SkStrokeTest, ClosedTriangleWithRoundJoinsHasTwoClosedContoursAndNoCaps)
{
    SkPath src, dst;
    src.moveTo (0, 0);
    src.lineTo (20, 0);
    src.lineTo (10, 15);
    src.close ();
    make_stroke (4, SkPaint::kRound_Cap, SkPaint::kRound_Join).strokePath (src, &dst);
    EXPECT_EQ (count_verbs (dst, SkPath::kMove_Verb), 2);
    EXPECT_EQ (count_verbs (dst, SkPath::kClose_Verb), 2);
    EXPECT_EQ (count_verbs (dst, SkPath::kCubic_Verb), 0);     // round caps are cubics
    EXPECT_GT (count_verbs (dst, SkPath::kQuad_Verb), 0);      // round joins are quads
}

TEST (SkStrokeTest, CapsReachHalfTheWidthBeyondTheEnds)
{
    SkPath src;
    src.moveTo (0, 0);
    src.lineTo (10, 0);
    SkPath square, round;
    make_stroke (4, SkPaint::kSquare_Cap, SkPaint::kMiter_Join).strokePath (src, &square);
    make_stroke (4, SkPaint::kRound_Cap, SkPaint::kMiter_Join).strokePath (src, &round);
    EXPECT_EQ (square.getBounds (), SkRect::MakeLTRB (-2, -2, 12, 2));
    EXPECT_EQ (round.getBounds (), SkRect::MakeLTRB (-2, -2, 12, 2));
    EXPECT_EQ (count_verbs (round, SkPath::kCubic_Verb), 4);
}

TEST (SkStrokeTest, WidthZeroOrLessGivesAnEmptyOutline)
{
    SkPath dst;
    dst.addRect (0, 0, 5, 5);
    make_stroke (0, SkPaint::kButt_Cap, SkPaint::kMiter_Join).strokePath (corner (10), &dst);
    EXPECT_EQ (dst.countVerbs (), 0);
    make_stroke (-3, SkPaint::kButt_Cap, SkPaint::kMiter_Join).strokePath (corner (10), &dst);
    EXPECT_EQ (dst.countVerbs (), 0);
}

// A quad whose control point sits on an end point is straight: it strokes as that line.
TEST (SkStrokeTest, QuadWithOneDegenerateLegStrokesAsItsLine)
{
    SkPath quad, line, a, b;
    quad.moveTo (0, 0);
    quad.quadTo (0, 0, 10, 0);
    line.moveTo (0, 0);
    line.lineTo (10, 0);
    SkStroke s = make_stroke (2, SkPaint::kButt_Cap, SkPaint::kMiter_Join);
    s.strokePath (quad, &a);
    s.strokePath (line, &b);
    EXPECT_EQ (a.getBounds (), b.getBounds ());
    quad.reset ();
    quad.moveTo (0, 0);
    quad.quadTo (10, 0, 10, 0);
    s.strokePath (quad, &a);
    EXPECT_EQ (a.getBounds (), b.getBounds ());
}

// Offsets of a circle stay within a small fraction of the radius of the true offset circle.
TEST (SkStrokeTest, StrokedCircleStaysCloseToItsOffsetCircles)
{
    SkPath src, dst;
    src.addCircle (0, 0, 50);
    make_stroke (10, SkPaint::kButt_Cap, SkPaint::kMiter_Join).strokePath (src, &dst);
    for (const SkPoint &p : points_of (dst)) {
        float r = std::sqrt (p.fX * p.fX + p.fY * p.fY);
        bool near = std::fabs (r - 55) < 2.5f || std::fabs (r - 45) < 2.5f;
        EXPECT_TRUE (near) << p.fX << "," << p.fY;
    }
    EXPECT_NEAR (dst.getBounds ().fRight, 55, 1.5);
}

TEST (SkStrokeTest, CubicsWithCuspsAndNonFiniteInputFinish)
{
    SkPath cusp, dst;
    cusp.moveTo (0, 0);
    cusp.cubicTo (100, 100, 0, 100, 100, 0);     // crosses itself
    make_stroke (6, SkPaint::kRound_Cap, SkPaint::kRound_Join).strokePath (cusp, &dst);
    EXPECT_GT (dst.countPoints (), 8);
    SkPath bad;
    bad.moveTo (0, 0);
    bad.lineTo (NAN, 5);
    bad.quadTo (INFINITY, 1, 3, 3);
    bad.cubicTo (1e30f, -1e30f, 2, 2, 1e38f, 4);
    make_stroke (3, SkPaint::kSquare_Cap, SkPaint::kMiter_Join).strokePath (bad, &dst);
    SUCCEED ();
}

TEST (SkStrokeTest, StrokingIntoItsOwnSourceUsesACopy)
{
    SkPath p = corner (10), expect;
    SkStroke s = make_stroke (2, SkPaint::kButt_Cap, SkPaint::kMiter_Join);
    s.strokePath (p, &expect);
    s.strokePath (p, &p);
    EXPECT_EQ (points_of (p).size (), points_of (expect).size ());
    EXPECT_EQ (p.getBounds (), expect.getBounds ());
}

// A right-angle round join is a quarter circle: two 45-degree quads whose shared end lies on
// the diagonal, and whose last end is the start of the next segment's offset.
TEST (SkStrokeTest, RoundJoinOfARightAngleIsAQuarterCircle)
{
    SkPath dst;
    make_stroke (2, SkPaint::kButt_Cap, SkPaint::kRound_Join).strokePath (corner (10), &dst);
    EXPECT_TRUE (has_point (dst, 10 + 0.70710678f, -0.70710678f, 1e-3f));
    EXPECT_TRUE (has_point (dst, 11, 0, 1e-4f));
    EXPECT_EQ (count_verbs (dst, SkPath::kQuad_Verb), 2);
    // Turning the other way puts the arc on the other side.
    SkPath other;
    make_stroke (2, SkPaint::kButt_Cap, SkPaint::kRound_Join).strokePath (corner (-10), &other);
    EXPECT_TRUE (has_point (other, 10 + 0.70710678f, 0.70710678f, 1e-3f));
}
