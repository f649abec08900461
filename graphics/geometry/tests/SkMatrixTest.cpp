// SkMatrix type masks, setters, concatenation, inversion and mapping; mapping, inversion and
// concatenation are checked against cairo's matrices.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <random>
#include <vector>

#include "graphics/geometry/SkMatrix.h"

namespace {

cairo_matrix_t to_cairo (const SkMatrix &m)
{
    cairo_matrix_t c;
    cairo_matrix_init (&c, m.getScaleX (), m.getSkewY (), m.getSkewX (), m.getScaleY (),
                       m.getTranslateX (), m.getTranslateY ());
    return c;
}

// The nine values in setAll's order.
std::vector<float> values (const SkMatrix &m)
{
    std::vector<float> v;
    for (int i = 0; i < 9; i++) v.push_back (m.get (i));
    return v;
}

SkMatrix random_affine (std::mt19937 &rng)
{
    std::uniform_real_distribution<float> v (-4, 4);
    SkMatrix m;
    m.setAll (v (rng), v (rng), v (rng) * 50, v (rng), v (rng), v (rng) * 50, 0, 0, 1);
    return m;
}

} // namespace

TEST (SkMatrix, SettersStoreTheirMasks)
{
    SkMatrix m;
    EXPECT_EQ (m.rawTypeMask (), 0x10);
    m.setScale (1, 1);
    EXPECT_EQ (m.getType (), 0);
    EXPECT_EQ (m.rawTypeMask (), 0x10);
    m.setTranslate (0, 0);
    EXPECT_EQ (m.rawTypeMask (), 0x10);
    m.setTranslate (1, 0);
    EXPECT_EQ (m.rawTypeMask (), 0x11);
    m.setScale (2, 1);
    EXPECT_EQ (m.rawTypeMask (), 0x12);
    m.setRotate (30, 0, 0);
    EXPECT_EQ (m.rawTypeMask (), 0xC0);
    EXPECT_EQ (m.getType (), SkMatrix::kAffine_Mask | SkMatrix::kScale_Mask);
    EXPECT_EQ (m.rawTypeMask (), 0x06);
}

// -0 skew counts as no skew; only exactly 1 counts as no scale.
TEST (SkMatrix, ComputeTypeMaskComparesExactly)
{
    SkMatrix m;
    m.setAll (1, -0.0f, 0, 0, 1, 0, 0, 0, 1);
    EXPECT_EQ (m.getType (), 0);
    m.setAll (-1, 0, 0, 0, 1, 0, 0, 0, 1);
    EXPECT_EQ (m.getType (), SkMatrix::kScale_Mask);
    EXPECT_TRUE (m.rectStaysRect ());
    m.setAll (0, 2, 0, 3, 0, 0, 0, 0, 1);                 // skews only: still rect to rect
    EXPECT_EQ (m.computeTypeMask (), 0x16);
    m.setAll (0, 2, 0, 0, 0, 0, 0, 0, 1);                 // degenerate: neither rule holds
    EXPECT_EQ (m.computeTypeMask (), 0x06);
    // Under perspective the other bits still say what the values hold; never 0x10.
    m.setAll (1, 0, 0, 0, 1, 0, 0, 0, 2);
    EXPECT_EQ (m.computeTypeMask (), 0x08);
    m.setAll (1, 0, 5, 0, 1, 0, 0.5f, 0, 1);
    EXPECT_EQ (m.computeTypeMask (), 0x09);
    m.setAll (2, 0, 0, 0, 2, 0, 0, 0.5f, 1);
    EXPECT_EQ (m.getType (), 0x0A);
    EXPECT_EQ (m.rawTypeMask (), 0x0A);
}

// About a pivot: transX = sin * py + (1 - cos) * px, transY = -sin * px + (1 - cos) * py.
TEST (SkMatrix, RotateAboutAPivot)
{
    SkMatrix m;
    m.setRotate (90, 10, 20);
    EXPECT_EQ (m.getTranslateX (), 30.0f);
    EXPECT_EQ (m.getTranslateY (), 10.0f);
    SkPoint p;
    m.mapXY (10, 20, &p);
    EXPECT_EQ (p, SkPoint::Make (10, 20));
    m.mapXY (11, 20, &p);
    EXPECT_EQ (p, SkPoint::Make (10, 21));
    m.setRotate (180, 10, 20);                    // sine flushed to 0, cosine -1
    EXPECT_EQ (m.getTranslateX (), 20.0f);
    EXPECT_EQ (m.getTranslateY (), 40.0f);
    m.mapXY (13, 24, &p);
    EXPECT_EQ (p, SkPoint::Make (7, 16));
}

// Under perspective a vector maps to the mapped point less the mapped origin.
TEST (SkMatrix, PerspectiveVectorsSubtractTheMappedOrigin)
{
    SkMatrix m;
    m.setAll (2, 0.5f, 10, 0.25f, 3, 20, 0.001f, 0.002f, 1);
    SkVector v[2] = { { 3, 4 }, { -5, 6 } }, out[2];
    m.mapVectors (out, v, 2);
    SkPoint origin, p;
    m.mapXY (0, 0, &origin);
    for (int i = 0; i < 2; i++) {
        m.mapXY (v[i].fX, v[i].fY, &p);
        EXPECT_EQ (out[i], SkPoint::Make (p.fX - origin.fX, p.fY - origin.fY)) << i;
    }
}

// 90 degrees keeps rectangles rectangles (cosine flushed to 0), 45 does not, perspective never.
TEST (SkMatrix, RectStaysRectByRotation)
{
    SkMatrix m;
    m.setRotate (90, 0, 0);
    EXPECT_EQ (m.getScaleX (), 0.0f);
    EXPECT_TRUE (m.rectStaysRect ());
    m.setRotate (45, 10, 10);
    EXPECT_FALSE (m.rectStaysRect ());
    m.setAll (2, 0, 0, 0, 2, 0, 0.001f, 0, 1);
    EXPECT_FALSE (m.rectStaysRect ());
}

TEST (SkMatrix, PerspectiveOnlyMaskStates)
{
    SkMatrix m;
    m.setAll (2, 0, 0, 0, 2, 0, 0, 0, 1);
    EXPECT_EQ (m.getPerspectiveTypeMaskOnly (), 0);
    EXPECT_EQ (m.rawTypeMask (), 0xC0);
    m.setAll (2, 0, 0, 0, 2, 0, 0, 0.5f, 1);
    EXPECT_EQ (m.getPerspectiveTypeMaskOnly (), SkMatrix::kPerspective_Mask);
    EXPECT_EQ (m.rawTypeMask (), 0xC8);
}

// preScale ORs the scale bit into an unknown mask, which stays unknown.
TEST (SkMatrix, PreScaleKeepsUnknownMaskUnknown)
{
    SkMatrix m;
    m.setRotate (30, 0, 0);
    m.preScale (2, 3);
    EXPECT_NE (m.rawTypeMask () & 0x80, 0);
    SkMatrix t;
    t.setTranslate (5, 6);
    t.preScale (2, 3);
    EXPECT_EQ (t.rawTypeMask (), 0x13);
    EXPECT_EQ (t.getScaleX (), 2.0f);
    EXPECT_EQ (t.getTranslateX (), 5.0f);
    // Columns scale: x's column (scaleX, skewY, persp0) by sx, y's (skewX, scaleY, persp1) by sy.
    SkMatrix p;
    p.setAll (1, 0.5f, 7, 0.25f, 1, 9, 0.125f, 0.0625f, 1);
    p.preScale (2, 3);
    EXPECT_EQ (values (p), (std::vector<float>{ 2, 1.5f, 7, 0.5f, 3, 9, 0.25f, 0.1875f, 1 }));
}

// A perspective product whose persp2 would be 4 is halved throughout (persp2 becomes 2).
TEST (SkMatrix, PerspectiveConcatHalvesLargeProducts)
{
    SkMatrix a, b, c;
    a.setAll (1, 0, 0, 0, 1, 0, 0, 0, 2);
    b.setAll (3, 0, 0, 0, 1, 0, 0, 0, 2);
    c.setConcat (a, b);
    EXPECT_EQ (values (c), (std::vector<float>{ 1.5f, 0, 0, 0, 0.5f, 0, 0, 0, 2 }));
    EXPECT_EQ (c.rawTypeMask (), 0x80);
}

// The affine product sums each pair of products in double and rounds once.
TEST (SkMatrix, AffineConcatRoundsOnce)
{
    std::mt19937 rng (7);
    for (int i = 0; i < 200; i++) {
        SkMatrix a = random_affine (rng), b = random_affine (rng), c;
        c.setConcat (a, b);
        EXPECT_EQ (c.getScaleX (), (float)((double)a.getScaleX () * b.getScaleX () + (double)a.getSkewX () * b.getSkewY ()));
        EXPECT_EQ (c.getTranslateY (), (float)((double)a.getSkewY () * b.getTranslateX () +
                                               (double)a.getScaleY () * b.getTranslateY ()) + a.getTranslateY ());
        EXPECT_EQ (c.rawTypeMask (), 0xC0);
        // cairo_matrix_multiply (r, b, a) applies b first, as our a * b does.
        cairo_matrix_t ca = to_cairo (a), cb = to_cairo (b), cr;
        cairo_matrix_multiply (&cr, &cb, &ca);
        EXPECT_NEAR (c.getScaleX (), cr.xx, 1e-4);
        EXPECT_NEAR (c.getSkewX (), cr.xy, 1e-4);
        EXPECT_NEAR (c.getSkewY (), cr.yx, 1e-4);
        EXPECT_NEAR (c.getTranslateX (), cr.x0, 1e-3);
        EXPECT_NEAR (c.getTranslateY (), cr.y0, 1e-3);
    }
}

TEST (SkMatrix, ConcatWithKnownIdentityCopies)
{
    SkMatrix id, t, r;
    t.setTranslate (3, 4);
    r.setConcat (id, t);
    EXPECT_EQ (r.rawTypeMask (), 0x11);
    r.setConcat (t, id);
    EXPECT_EQ (r.rawTypeMask (), 0x11);
    SkMatrix p = t;
    p.postTranslate (1, 1);
    EXPECT_EQ (p.getTranslateX (), 4.0f);
    EXPECT_EQ (p.rawTypeMask (), 0xC0);
    p.postScale (2, 2);
    EXPECT_EQ (p.getTranslateX (), 8.0f);
    p.preTranslate (1, 0);
    EXPECT_EQ (p.getTranslateX (), 10.0f);
}

// A determinant of 1e-12 is below 2^-36: not invertible, output untouched.
TEST (SkMatrix, TinyDeterminantIsNotInvertible)
{
    SkMatrix m, out;
    m.setScale (1e-6f, 1e-6f);
    out.setTranslate (7, 8);
    EXPECT_FALSE (m.invert (&out));
    EXPECT_EQ (out.getTranslateX (), 7.0f);
    EXPECT_EQ (out.rawTypeMask (), 0x11);
    EXPECT_FALSE (m.invert (nullptr));
    m.setScale (1e-5f, 1e-5f);
    EXPECT_TRUE (m.invert (nullptr));
}

// An affine inverse with exact values, into another matrix and in place; the mask is left
// to be computed.
TEST (SkMatrix, AffineInverseIntoItselfOrAnother)
{
    SkMatrix m, inv, want;
    m.setAll (2, 2, 4, 0, 4, 8, 0, 0, 1);
    want.setAll (0.5f, -0.25f, 0, 0, 0.25f, -2, 0, 0, 1);
    ASSERT_TRUE (m.invert (&inv));
    EXPECT_EQ (inv, want);
    EXPECT_EQ (inv.rawTypeMask (), 0xC0);
    ASSERT_TRUE (m.invert (&m));
    EXPECT_EQ (m, want);
}

TEST (SkMatrix, InverseAgreesWithCairo)
{
    std::mt19937 rng (11);
    for (int i = 0; i < 200; i++) {
        SkMatrix m = random_affine (rng), inv;
        cairo_matrix_t c = to_cairo (m);
        bool ok = m.invert (&inv);
        ASSERT_EQ (ok, cairo_matrix_invert (&c) == CAIRO_STATUS_SUCCESS);
        if (!ok) continue;
        EXPECT_NEAR (inv.getScaleX (), c.xx, 1e-3 * fabs (c.xx) + 1e-5);
        EXPECT_NEAR (inv.getSkewX (), c.xy, 1e-3 * fabs (c.xy) + 1e-5);
        EXPECT_NEAR (inv.getTranslateX (), c.x0, 1e-3 * fabs (c.x0) + 1e-4);
        EXPECT_NEAR (inv.getTranslateY (), c.y0, 1e-3 * fabs (c.y0) + 1e-4);
    }
}

TEST (SkMatrix, PerspectiveInverseMapsBack)
{
    SkMatrix m, inv;
    m.setAll (2, 0.5f, 10, 0.25f, 3, 20, 0.001f, 0.002f, 1);
    ASSERT_TRUE (m.invert (&inv));
    EXPECT_EQ (inv.rawTypeMask (), 0x80);
    SkPoint p, back;
    m.mapXY (30, 40, &p);
    inv.mapXY (p.fX, p.fY, &back);
    EXPECT_NEAR (back.fX, 30, 1e-3);
    EXPECT_NEAR (back.fY, 40, 1e-3);
}

TEST (SkMatrix, MapPointsAgreesWithCairo)
{
    std::mt19937 rng (3);
    std::uniform_real_distribution<float> v (-100, 100);
    SkMatrix kinds[5];
    kinds[1].setTranslate (3.5f, -2);
    kinds[2].setScale (2, -3);
    kinds[3].setRectToRect (SkRect::MakeLTRB (0, 0, 10, 20), SkRect::MakeLTRB (5, 5, 25, 15));
    kinds[4].setRotate (33, 7, 9);
    for (const SkMatrix &m : kinds) {
        cairo_matrix_t c = to_cairo (m);
        SkPoint pts[20];
        for (SkPoint &p : pts) p.set (v (rng), v (rng));
        SkPoint mapped[20];
        m.mapPoints (mapped, pts, 20);
        for (int i = 0; i < 20; i++) {
            double x = pts[i].fX, y = pts[i].fY;
            cairo_matrix_transform_point (&c, &x, &y);
            EXPECT_NEAR (mapped[i].fX, x, 1e-3);
            EXPECT_NEAR (mapped[i].fY, y, 1e-3);
            SkPoint one;
            m.mapXY (pts[i].fX, pts[i].fY, &one);
            EXPECT_NEAR (one.fX, x, 1e-3);
            EXPECT_NEAR (one.fY, y, 1e-3);
        }
        SkVector vec = { 3, 4 }, mv;
        double dx = 3, dy = 4;
        cairo_matrix_transform_distance (&c, &dx, &dy);
        m.mapVectors (&mv, &vec, 1);
        EXPECT_NEAR (mv.fX, dx, 1e-4);
        EXPECT_NEAR (mv.fY, dy, 1e-4);
    }
}

// A point whose w is 0 maps to (0, 0).
TEST (SkMatrix, PerspectiveZeroWMapsToOrigin)
{
    SkMatrix m;
    m.setAll (1, 0, 5, 0, 1, 5, 1, 0, 0);
    SkPoint p = { 0, 3 }, out;
    m.mapPoints (&out, &p, 1);
    EXPECT_EQ (out.fX, 0.0f);
    EXPECT_EQ (out.fY, 0.0f);
    m.mapXY (0, 3, &out);
    EXPECT_EQ (out.fX, 0.0f);
}

// Through 30 degrees the corners' bounds are returned with false.
TEST (SkMatrix, MapRectThroughRotationGivesBounds)
{
    SkMatrix m;
    m.setRotate (30, 0, 0);
    SkRect r;
    EXPECT_FALSE (m.mapRect (&r, SkRect::MakeLTRB (0, 0, 10, 20)));
    cairo_matrix_t cm = to_cairo (m);
    double l = 1e9, t = 1e9, rr = -1e9, b = -1e9;
    for (const SkPoint &corner : { SkPoint::Make (0, 0), SkPoint::Make (10, 0), SkPoint::Make (10, 20), SkPoint::Make (0, 20) }) {
        double x = corner.fX, y = corner.fY;
        cairo_matrix_transform_point (&cm, &x, &y);
        l = std::min (l, x); t = std::min (t, y); rr = std::max (rr, x); b = std::max (b, y);
    }
    EXPECT_NEAR (r.fLeft, l, 1e-4);
    EXPECT_NEAR (r.fTop, t, 1e-4);
    EXPECT_NEAR (r.fRight, rr, 1e-4);
    EXPECT_NEAR (r.fBottom, b, 1e-4);
    m.setScale (-2, 3);
    EXPECT_TRUE (m.mapRect (&r, SkRect::MakeLTRB (1, 1, 2, 2)));
    EXPECT_EQ (r, SkRect::MakeLTRB (-4, 3, -2, 6));
}

TEST (SkMatrix, RectToRect)
{
    SkMatrix m;
    EXPECT_FALSE (m.setRectToRect (SkRect::MakeLTRB (0, 0, 0, 10), SkRect::MakeWH (5, 5)));
    EXPECT_EQ (m.rawTypeMask (), 0x10);
    EXPECT_TRUE (m.setRectToRect (SkRect::MakeWH (5, 5), SkRect::MakeEmpty ()));
    EXPECT_EQ (m.rawTypeMask (), 0x12);
    EXPECT_EQ (values (m), (std::vector<float>{ 0, 0, 0, 0, 0, 0, 0, 0, 1 }));
    EXPECT_TRUE (m.setRectToRect (SkRect::MakeLTRB (10, 10, 20, 30), SkRect::MakeLTRB (0, 0, 40, 10)));
    EXPECT_EQ (m.rawTypeMask (), 0x13);
    EXPECT_EQ (values (m), (std::vector<float>{ 4, 0, -40, 0, 0.5f, -5, 0, 0, 1 }));
}

TEST (SkMatrix, FixedStepInX)
{
    SkMatrix m;
    m.setAll (1.5f, 0, 0, 0.25f, 1, 0, 0, 0, 1);
    SkFixed sx, sy;
    EXPECT_TRUE (m.fixedStepInX (3, &sx, &sy));
    EXPECT_EQ (sx, 0x18000);
    EXPECT_EQ (sy, 0x4000);
    m.setAll (1, 0, 0, 0, 1, 0, 0, 0.5f, 1);
    EXPECT_TRUE (m.fixedStepInX (2, &sx, &sy));   // z = 2
    EXPECT_EQ (sx, 0x8000);
    // persp0 is tested against 2^-26 (1.4901161e-08).
    m.setAll (1, 0, 0, 0, 1, 0, 1.4e-8f, 0, 1);
    EXPECT_TRUE (m.fixedStepInX (0, &sx, nullptr));
    m.setAll (1, 0, 0, 0, 1, 0, 1.5e-8f, 0, 1);
    EXPECT_FALSE (m.fixedStepInX (0, &sx, nullptr));
    m.setAll (1, 0, 0, 0, 1, 0, 0.01f, 0, 1);
    EXPECT_FALSE (m.fixedStepInX (0, &sx, nullptr));
    EXPECT_FALSE (m.fixedStepInX (0, nullptr, nullptr));
}

// 40 points come out in batches of 16, 16 and 8, on the mapped row.
TEST (SkPerspIter, BatchesOfSixteen)
{
    SkMatrix m;
    m.setAll (1, 0, 0, 0, 1, 0, 0.001f, 0, 1);
    SkPerspIter iter (m, 0.5f, 2.5f, 40);
    EXPECT_EQ (iter.next (), 16);
    const SkFixed *xy = iter.getXY ();
    SkPoint p;
    m.mapXY (0.5f, 2.5f, &p);
    EXPECT_EQ (xy[0], SkScalarToFixed (p.fX));
    EXPECT_EQ (xy[1], SkScalarToFixed (p.fY));
    EXPECT_EQ (iter.next (), 16);
    m.mapXY (16.5f, 2.5f, &p);
    EXPECT_EQ (xy[0], SkScalarToFixed (p.fX));
    SkPoint end;
    m.mapXY (32.5f, 2.5f, &end);
    SkFixed step16 = (SkScalarToFixed (end.fX) - SkScalarToFixed (p.fX)) >> 4;
    EXPECT_EQ (xy[2], SkScalarToFixed (p.fX) + step16);
    EXPECT_EQ (xy[30], SkScalarToFixed (p.fX) + 15 * step16);
    EXPECT_EQ (iter.next (), 8);
    // A short batch steps by the signed division over its own length.
    SkPoint last;
    m.mapXY (40.5f, 2.5f, &last);
    SkFixed step8 = (SkScalarToFixed (last.fX) - SkScalarToFixed (end.fX)) / 8;
    EXPECT_EQ (xy[0], SkScalarToFixed (end.fX));
    EXPECT_EQ (xy[2], SkScalarToFixed (end.fX) + step8);
    EXPECT_EQ (xy[14], SkScalarToFixed (end.fX) + 7 * step8);
    EXPECT_EQ (iter.next (), 0);
}
