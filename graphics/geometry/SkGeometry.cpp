/*
 * Bezier evaluation, splitting and root finding.
 */
#include "graphics/geometry/SkGeometry.h"

namespace {

inline SkScalar interp (SkScalar a, SkScalar b, SkScalar t) { return a + (b - a) * t; }

inline SkPoint interp (const SkPoint &a, const SkPoint &b, SkScalar t)
{
    return SkPoint::Make (interp (a.fX, b.fX, t), interp (a.fY, b.fY, t));
}

inline SkPoint average (const SkPoint &a, const SkPoint &b)
{
    return SkPoint::Make (SkScalarAve (a.fX, b.fX), SkScalarAve (a.fY, b.fY));
}

void sort_ascending (SkScalar v[], int count)
{
    for (int i = 1; i < count; i++) {
        for (int j = i; j > 0 && v[j] < v[j - 1]; j--) {
            SkTSwap (v[j], v[j - 1]);
        }
    }
}

} // namespace

int valid_unit_divide (SkScalar numer, SkScalar denom, SkScalar *ratio)
{
    if (numer < 0) {
        numer = -numer;
        denom = -denom;
    }
    if (denom == 0 || numer == 0 || numer >= denom) {
        return 0;
    }
    SkScalar r = numer / denom;
    if (SkScalarIsNaN (r) || r == 0) {
        return 0;
    }
    *ratio = r;
    return 1;
}

int SkFindUnitQuadRoots (SkScalar A, SkScalar B, SkScalar C, SkScalar roots[2])
{
    if (A == 0) {
        return valid_unit_divide (-C, B, roots);
    }
    SkScalar R = B * B - 4 * A * C;
    if (!(R >= 0)) {
        return 0;
    }
    R = sqrtf (R);
    // The sign choice avoids cancellation between B and the root.
    SkScalar Q = B < 0 ? -0.5f * (B - R) : -0.5f * (B + R);
    SkScalar *r = roots;
    r += valid_unit_divide (Q, A, r);
    r += valid_unit_divide (C, Q, r);
    int count = (int)(r - roots);
    if (count == 2) {
        if (roots[0] > roots[1]) {
            SkTSwap (roots[0], roots[1]);
        } else if (roots[0] == roots[1]) {
            count = 1;
        }
    }
    return count;
}

int solve_cubic_polynomial (SkScalar a, SkScalar b, SkScalar c, SkScalar d, SkScalar roots[3])
{
    if (fabsf (a) < SK_ScalarNearlyZero) {
        return SkFindUnitQuadRoots (b, c, d, roots);
    }
    SkScalar bp = b / a, cp = c / a, dp = d / a;
    SkScalar Q = (bp * bp - cp * 3) / 9;
    SkScalar R = (2 * bp * bp * bp - 9 * bp * cp + 27 * dp) / 54;
    SkScalar Q3 = Q * Q * Q;
    SkScalar R2MinusQ3 = R * R - Q3;
    SkScalar adiv3 = bp / 3;
    int count = 0;
    if (R2MinusQ3 < 0) {
        // Three real roots.
        SkScalar theta = acosf (R / sqrtf (Q3));
        SkScalar neg2RootQ = -2 * sqrtf (Q);
        const SkScalar kTwoPi = 6.2831855f;
        SkScalar candidates[3] = {
            neg2RootQ * cosf (theta / 3) - adiv3,
            neg2RootQ * cosf ((theta + kTwoPi) / 3) - adiv3,
            neg2RootQ * cosf ((theta - kTwoPi) / 3) - adiv3,
        };
        for (SkScalar t : candidates) {
            if (t > 0 && t < 1) {
                roots[count++] = t;
            }
        }
        sort_ascending (roots, count);
    } else {
        SkScalar A = (SkScalar)pow ((double)(fabsf (R) + sqrtf (R2MinusQ3)), 0.3333333);
        if (R > 0) {
            A = -A;
        }
        SkScalar t = A != 0 ? A + Q / A - adiv3 : -adiv3;
        if (t > 0 && t < 1) {
            roots[count++] = t;
        }
    }
    return count;
}

// --- quads -------------------------------------------------------------------------------------

void SkEvalQuadAt (const SkPoint src[3], SkScalar t, SkPoint *pt, SkVector *tangent)
{
    SkPoint p01 = interp (src[0], src[1], t);
    SkPoint p12 = interp (src[1], src[2], t);
    if (pt != nullptr) {
        *pt = interp (p01, p12, t);
    }
    if (tangent != nullptr) {
        tangent->set (2 * (p12.fX - p01.fX), 2 * (p12.fY - p01.fY));
    }
}

void SkChopQuadAt (const SkPoint src[3], SkPoint dst[5], SkScalar t)
{
    SkPoint p01 = interp (src[0], src[1], t);
    SkPoint p12 = interp (src[1], src[2], t);
    dst[0] = src[0];
    dst[1] = p01;
    dst[2] = interp (p01, p12, t);
    dst[3] = p12;
    dst[4] = src[2];
}

void SkChopQuadAtHalf (const SkPoint src[3], SkPoint dst[5])
{
    SkPoint p01 = average (src[0], src[1]);
    SkPoint p12 = average (src[1], src[2]);
    dst[0] = src[0];
    dst[1] = p01;
    dst[2] = average (p01, p12);
    dst[3] = p12;
    dst[4] = src[2];
}

int SkChopQuadAtYExtrema (const SkPoint src[3], SkPoint dst[5])
{
    SkScalar a = src[0].fY, b = src[1].fY, c = src[2].fY;
    SkScalar ab = a - b, bc = b - c;
    bool monotonic = ab != 0 && (bc == 0 || (bc < 0) == (ab < 0));
    if (monotonic) {
        memmove (dst, src, 3 * sizeof (SkPoint));
        return 0;
    }
    SkScalar t;
    if (valid_unit_divide (a - b, a - b - b + c, &t)) {
        SkChopQuadAt (src, dst, t);
        // The split lands on the extremum: flatten it so both halves are monotonic.
        dst[1].fY = dst[2].fY;
        dst[3].fY = dst[2].fY;
        return 1;
    }
    // No usable split: pull the control's y onto the nearer end.
    memmove (dst, src, 3 * sizeof (SkPoint));
    dst[1].fY = fabsf (a - b) < fabsf (b - c) ? a : c;
    return 0;
}

int SkChopQuadAtMaxCurvature (const SkPoint src[3], SkPoint dst[5])
{
    SkScalar Ax = src[1].fX - src[0].fX, Ay = src[1].fY - src[0].fY;
    SkScalar Bx = src[0].fX - src[1].fX - src[1].fX + src[2].fX;
    SkScalar By = src[0].fY - src[1].fY - src[1].fY + src[2].fY;
    SkScalar t;
    if (valid_unit_divide (-(Ax * Bx + Ay * By), Bx * Bx + By * By, &t)) {
        SkChopQuadAt (src, dst, t);
        return 2;
    }
    memmove (dst, src, 3 * sizeof (SkPoint));
    return 1;
}

// --- cubics ------------------------------------------------------------------------------------

void SkEvalCubicAt (const SkPoint src[4], SkScalar t, SkPoint *loc, SkVector *tangent,
                    SkVector *curvature)
{
    if (loc != nullptr) {
        SkPoint ab = interp (src[0], src[1], t);
        SkPoint bc = interp (src[1], src[2], t);
        SkPoint cd = interp (src[2], src[3], t);
        *loc = interp (interp (ab, bc, t), interp (bc, cd, t), t);
    }
    SkScalar cx[3], cy[3];   // A, B, C of each coordinate
    const SkScalar *p[2] = { &src[0].fX, &src[0].fY };
    SkScalar *out[2] = { cx, cy };
    for (int k = 0; k < 2; k++) {
        SkScalar p0 = p[k][0], p1 = p[k][2], p2 = p[k][4], p3 = p[k][6];
        out[k][0] = 3 * (p1 - p2) + p3 - p0;
        out[k][1] = p2 - 2 * p1 + p0;
        out[k][2] = p1 - p0;
    }
    if (tangent != nullptr) {
        tangent->set ((cx[0] * t + 2 * cx[1]) * t + cx[2], (cy[0] * t + 2 * cy[1]) * t + cy[2]);
    }
    if (curvature != nullptr) {
        curvature->set (cx[0] * t + cx[1], cy[0] * t + cy[1]);
    }
}

void SkChopCubicAt (const SkPoint src[4], SkPoint dst[7], SkScalar t)
{
    SkPoint ab = interp (src[0], src[1], t);
    SkPoint bc = interp (src[1], src[2], t);
    SkPoint cd = interp (src[2], src[3], t);
    SkPoint abc = interp (ab, bc, t);
    SkPoint bcd = interp (bc, cd, t);
    SkPoint end = src[3];
    dst[0] = src[0];
    dst[1] = ab;
    dst[2] = abc;
    dst[3] = interp (abc, bcd, t);
    dst[4] = bcd;
    dst[5] = cd;
    dst[6] = end;
}

void SkChopCubicAt (const SkPoint src[4], SkPoint dst[], const SkScalar tValues[], int count)
{
    if (count <= 0) {
        memmove (dst, src, 4 * sizeof (SkPoint));
        return;
    }
    SkPoint piece[4];
    SkScalar t = tValues[0];
    for (int i = 0; i < count; i++) {
        SkChopCubicAt (src, dst, t);
        if (i == count - 1) {
            return;
        }
        dst += 3;
        memcpy (piece, dst, sizeof (piece));
        src = piece;
        if (!valid_unit_divide (tValues[i + 1] - tValues[i], 1 - tValues[i], &t)) {
            // The rest cannot be split: the remaining piece stays whole and the cubics that
            // would follow it collapse onto its end, so the caller still gets the
            // 3 * count + 4 points of count + 1 cubics and the curve is unchanged.
            int last = 3 * (count - i);
            for (int k = 4; k <= last; k++) {
                dst[k] = src[3];
            }
            return;
        }
    }
}

void SkChopCubicAtHalf (const SkPoint src[4], SkPoint dst[7])
{
    SkPoint ab = average (src[0], src[1]);
    SkPoint bc = average (src[1], src[2]);
    SkPoint cd = average (src[2], src[3]);
    SkPoint abc = average (ab, bc);
    SkPoint bcd = average (bc, cd);
    SkPoint end = src[3];
    dst[0] = src[0];
    dst[1] = ab;
    dst[2] = abc;
    dst[3] = average (abc, bcd);
    dst[4] = bcd;
    dst[5] = cd;
    dst[6] = end;
}

int SkChopCubicAtYExtrema (const SkPoint src[4], SkPoint dst[10])
{
    SkScalar y0 = src[0].fY, y1 = src[1].fY, y2 = src[2].fY, y3 = src[3].fY;
    SkScalar tValues[2];
    int roots = SkFindUnitQuadRoots (y3 - y0 + 3 * (y1 - y2), 2 * (y0 - y1 - y1 + y2), y1 - y0, tValues);
    if (dst != nullptr) {
        SkChopCubicAt (src, dst, tValues, roots);
        for (int i = 0; i < roots; i++) {
            SkPoint *seam = &dst[3 * i + 3];
            seam[-1].fY = seam->fY;
            seam[1].fY = seam->fY;
        }
    }
    return roots;
}

int SkFindCubicMaxCurvature (const SkPoint src[4], SkScalar tValues[3])
{
    SkScalar coeff[4] = { 0, 0, 0, 0 };
    const SkScalar *p[2] = { &src[0].fX, &src[0].fY };
    for (int k = 0; k < 2; k++) {
        SkScalar p0 = p[k][0], p1 = p[k][2], p2 = p[k][4], p3 = p[k][6];
        SkScalar A = 3 * (p1 - p2) + p3 - p0;
        SkScalar B = p2 - 2 * p1 + p0;
        SkScalar C = p1 - p0;
        coeff[0] += A * A;
        coeff[1] += 3 * A * B;
        coeff[2] += 2 * B * B + A * C;
        coeff[3] += B * C;
    }
    return solve_cubic_polynomial (coeff[0], coeff[1], coeff[2], coeff[3], tValues);
}

int SkChopCubicAtMaxCurvature (const SkPoint src[4], SkPoint dst[13], SkScalar tValues[3])
{
    SkScalar local[3];
    if (tValues == nullptr) {
        tValues = local;
    }
    int count = SkFindCubicMaxCurvature (src, tValues);
    if (dst != nullptr) {
        SkChopCubicAt (src, dst, tValues, count);
    }
    return count + 1;
}
