// Rectangle bounds, intersection, union and rounding.
#include <gtest/gtest.h>

#include "graphics/geometry/SkRect.h"

TEST (SkRect, SetFromPointsTakesBounds)
{
    SkPoint pts[4] = { { 3, 4 }, { -1, 7 }, { 5, -2 }, { 0, 0 } };
    SkRect r;
    r.set (pts, 4);
    EXPECT_EQ (r, SkRect::MakeLTRB (-1, -2, 5, 7));
    r.set (pts, 0);
    EXPECT_EQ (r, SkRect::MakeEmpty ());
    r.set (pts, 1);
    EXPECT_EQ (r, SkRect::MakeLTRB (3, 4, 3, 4));
}

// Joining an empty argument, such as (20, 20, 20, 30), changes nothing.
TEST (SkRect, JoinIgnoresEmptyArgument)
{
    SkRect r = SkRect::MakeLTRB (0, 0, 10, 10);
    r.join (20, 20, 20, 30);
    EXPECT_EQ (r, SkRect::MakeLTRB (0, 0, 10, 10));
    r.join (SkRect::MakeLTRB (5, -5, 15, 5));
    EXPECT_EQ (r, SkRect::MakeLTRB (0, -5, 15, 10));
    SkRect e = SkRect::MakeEmpty ();
    e.join (SkRect::MakeLTRB (1, 2, 3, 4));
    EXPECT_EQ (e, SkRect::MakeLTRB (1, 2, 3, 4));
}

// Touching rectangles do not intersect (strict comparisons); failure leaves this unchanged.
TEST (SkRect, IntersectIsStrict)
{
    SkRect r = SkRect::MakeLTRB (0, 0, 10, 10);
    EXPECT_FALSE (r.intersect (SkRect::MakeLTRB (10, 0, 20, 10)));
    EXPECT_EQ (r, SkRect::MakeLTRB (0, 0, 10, 10));
    EXPECT_FALSE (r.intersect (SkRect::MakeLTRB (5, 5, 5, 8)));
    EXPECT_TRUE (r.intersect (SkRect::MakeLTRB (5, -5, 20, 5)));
    EXPECT_EQ (r, SkRect::MakeLTRB (5, 0, 10, 5));
    SkRect empty = SkRect::MakeEmpty ();
    EXPECT_FALSE (empty.intersect (SkRect::MakeLTRB (-1, -1, 1, 1)));
}

TEST (SkRect, RoundingRules)
{
    SkIRect ir;
    SkRect::MakeLTRB (0.5f, -0.5f, 2.49f, 2.5f).round (&ir);
    EXPECT_EQ (ir, SkIRect::MakeLTRB (1, 0, 2, 3));
    SkRect::MakeLTRB (0.5f, -0.5f, 2.01f, 2.0f).roundOut (&ir);
    EXPECT_EQ (ir, SkIRect::MakeLTRB (0, -1, 3, 2));
    SkRect nan = SkRect::MakeLTRB (0, 0, SK_ScalarNaN, 1);
    EXPECT_TRUE (nan.isEmpty ());
    EXPECT_FALSE (nan.isFinite ());
}

TEST (SkIRect, IntersectContainsJoin)
{
    SkIRect a = SkIRect::MakeLTRB (0, 0, 10, 10);
    SkIRect out = SkIRect::MakeEmpty ();
    EXPECT_FALSE (out.intersect (a, SkIRect::MakeLTRB (10, 0, 12, 5)));
    EXPECT_TRUE (out.intersect (a, SkIRect::MakeLTRB (8, -2, 12, 5)));
    EXPECT_EQ (out, SkIRect::MakeLTRB (8, 0, 10, 5));
    EXPECT_TRUE (a.contains (9, 9));
    EXPECT_FALSE (a.contains (10, 9));
    EXPECT_TRUE (a.contains (SkIRect::MakeLTRB (2, 2, 10, 10)));
    a.join (SkIRect::MakeLTRB (-3, 4, 1, 12));
    EXPECT_EQ (a, SkIRect::MakeLTRB (-3, 0, 10, 12));
    a.join (SkIRect::MakeLTRB (50, 50, 50, 60));
    EXPECT_EQ (a, SkIRect::MakeLTRB (-3, 0, 10, 12));
}

TEST (SkPoint, SetLengthRefusesTinyVectors)
{
    SkPoint p = { 7, 7 };
    EXPECT_FALSE (p.setLength (1e-4f, 0, 1));       // 1e-8 <= 2^-24
    EXPECT_EQ (p, SkPoint::Make (7, 7));
    EXPECT_TRUE (p.setLength (3, 4, 10));
    EXPECT_FLOAT_EQ (p.fX, 6);
    EXPECT_FLOAT_EQ (p.fY, 8);
    EXPECT_TRUE (p.setLength (1e-3f, 0, 2));
    EXPECT_FLOAT_EQ (p.fX, 2);
}
