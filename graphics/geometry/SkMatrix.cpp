/*
 * SkMatrix: type mask, setters, concatenation and inversion.
 */
#include "graphics/geometry/SkMatrix.h"

namespace {

// Degrees to radians in single precision.
const SkScalar kDegreesToRadians = 0.0174533f;
// Below this magnitude (2^-36, the cube of 1/4096) a determinant counts as zero.
const double kMinDeterminant = 1.4551915228366852e-11;

} // namespace

namespace {
// Constant-initialised (no start-up code and no guarded local static, which the firmware
// build cannot run); not const, because reading the type mask may store it.
constinit SkMatrix gIdentity;
} // namespace

const SkMatrix &SkMatrix::I ()
{
    return gIdentity;
}

uint8_t SkMatrix::computeTypeMask () const
{
    unsigned mask = 0;
    if (fMat[kMPersp0] != 0 || fMat[kMPersp1] != 0 || fMat[kMPersp2] != 1) {
        mask |= kPerspective_Mask;
    }
    if (fMat[kMTransX] != 0 || fMat[kMTransY] != 0) {
        mask |= kTranslate_Mask;
    }
    bool hasSkew = fMat[kMSkewX] != 0 || fMat[kMSkewY] != 0;
    if (hasSkew) {
        mask |= kAffine_Mask;
    }
    if (fMat[kMScaleX] != 1 || fMat[kMScaleY] != 1) {
        mask |= kScale_Mask;
    }
    // No projection keeps every rectangle a rectangle.
    if (mask & kPerspective_Mask) {
        return (uint8_t)mask;
    }
    bool scalesOnly = !hasSkew && fMat[kMScaleX] != 0 && fMat[kMScaleY] != 0;
    bool skewsOnly = fMat[kMScaleX] == 0 && fMat[kMScaleY] == 0 && fMat[kMSkewX] != 0 &&
                     fMat[kMSkewY] != 0;
    if (scalesOnly || skewsOnly) {
        mask |= kRectStaysRect_Mask;
    }
    return (uint8_t)mask;
}

uint8_t SkMatrix::getPerspectiveTypeMaskOnly () const
{
    if ((fTypeMask & kUnknown_Mask) && !(fTypeMask & kOnlyPerspectiveValid_Mask)) {
        bool persp = fMat[kMPersp0] != 0 || fMat[kMPersp1] != 0 || fMat[kMPersp2] != 1;
        fTypeMask = persp ? kUnknownPerspective : kUnknownNoPerspective;
    }
    return fTypeMask & kAllTypes_Mask;
}

void SkMatrix::setAll (SkScalar scaleX, SkScalar skewX, SkScalar transX, SkScalar skewY,
                       SkScalar scaleY, SkScalar transY, SkScalar persp0, SkScalar persp1,
                       SkScalar persp2)
{
    fMat[kMScaleX] = scaleX;
    fMat[kMSkewX] = skewX;
    fMat[kMTransX] = transX;
    fMat[kMSkewY] = skewY;
    fMat[kMScaleY] = scaleY;
    fMat[kMTransY] = transY;
    fMat[kMPersp0] = persp0;
    fMat[kMPersp1] = persp1;
    fMat[kMPersp2] = persp2;
    fTypeMask = kUnknown_Mask;
}

bool SkMatrix::operator== (const SkMatrix &other) const
{
    for (int i = 0; i < 9; i++) {
        if (fMat[i] != other.fMat[i]) {
            return false;
        }
    }
    return true;
}

void SkMatrix::reset ()
{
    setAll (1, 0, 0, 0, 1, 0, 0, 0, 1);
    fTypeMask = kRectStaysRect_Mask;
}

void SkMatrix::setTranslate (SkScalar dx, SkScalar dy)
{
    if (dx == 0 && dy == 0) {
        reset ();
        return;
    }
    setAll (1, 0, dx, 0, 1, dy, 0, 0, 1);
    fTypeMask = kTranslate_Mask | kRectStaysRect_Mask;
}

void SkMatrix::setScale (SkScalar sx, SkScalar sy)
{
    if (sx == 1 && sy == 1) {
        reset ();
        return;
    }
    setAll (sx, 0, 0, 0, sy, 0, 0, 0, 1);
    fTypeMask = kScale_Mask | kRectStaysRect_Mask;
}

void SkMatrix::setScale (SkScalar sx, SkScalar sy, SkScalar px, SkScalar py)
{
    setAll (sx, 0, px - sx * px, 0, sy, py - sy * py, 0, 0, 1);
    fTypeMask = kUnknownNoPerspective;
}

void SkMatrix::setRotate (SkScalar degrees, SkScalar px, SkScalar py)
{
    SkScalar cosV;
    SkScalar sinV = SkScalarSinCos (degrees * kDegreesToRadians, &cosV);
    SkScalar oneMinusCos = 1 - cosV;
    setAll (cosV, -sinV, sinV * py + oneMinusCos * px,
            sinV, cosV, -sinV * px + oneMinusCos * py,
            0, 0, 1);
    fTypeMask = kUnknownNoPerspective;
}

void SkMatrix::setRotateOrigin (SkScalar degrees)
{
    SkScalar cosV;
    SkScalar sinV = SkScalarSinCos (degrees * kDegreesToRadians, &cosV);
    setAll (cosV, -sinV, 0, sinV, cosV, 0, 0, 0, 1);
    fTypeMask = kUnknownNoPerspective;
}

void SkMatrix::setSkew (SkScalar kx, SkScalar ky)
{
    setAll (1, kx, 0, ky, 1, 0, 0, 0, 1);
    fTypeMask = kUnknownNoPerspective;
}

bool SkMatrix::setRectToRect (const SkRect &src, const SkRect &dst)
{
    if (src.isEmpty ()) {
        reset ();
        return false;
    }
    if (dst.isEmpty ()) {
        setAll (0, 0, 0, 0, 0, 0, 0, 0, 1);
        fTypeMask = kScale_Mask | kRectStaysRect_Mask;
        return true;
    }
    SkScalar sx = dst.width () / src.width ();
    SkScalar sy = dst.height () / src.height ();
    setAll (sx, 0, dst.fLeft - src.fLeft * sx, 0, sy, dst.fTop - src.fTop * sy, 0, 0, 1);
    fTypeMask = kScale_Mask | kTranslate_Mask | kRectStaysRect_Mask;
    return true;
}

// -----------------------------------------------------------------------------------------

namespace {

// Sum of two products in double, rounded to single once.
inline SkScalar muladdmul (SkScalar a, SkScalar b, SkScalar c, SkScalar d)
{
    return (SkScalar)((double)a * b + (double)c * d);
}

inline SkScalar rowcol3 (const SkScalar row[], const SkScalar col[])
{
    return row[0] * col[0] + row[1] * col[3] + row[2] * col[6];
}

bool known_identity (const SkMatrix &m)
{
    return !(m.rawTypeMask () & SkMatrix::kUnknown_Mask) &&
           (m.rawTypeMask () & SkMatrix::kAllTypes_Mask) == 0;
}

} // namespace

bool SkMatrix::setConcat (const SkMatrix &a, const SkMatrix &b)
{
    if (known_identity (a)) {
        *this = b;
        return true;
    }
    if (known_identity (b)) {
        *this = a;
        return true;
    }
    SkMatrix tmp;
    if (a.hasPerspective () || b.hasPerspective ()) {
        for (int r = 0; r < 3; r++) {
            for (int c = 0; c < 3; c++) {
                tmp.fMat[r * 3 + c] = rowcol3 (&a.fMat[r * 3], &b.fMat[c]);
            }
        }
        // Keeps repeated perspective products from overflowing; the projection is unchanged.
        if (fabsf (tmp.fMat[kMPersp2]) > 1) {
            for (int i = 0; i < 9; i++) {
                tmp.fMat[i] *= 0.5f;
            }
        }
        tmp.fTypeMask = kUnknown_Mask;
    } else {
        const SkScalar *am = a.fMat;
        const SkScalar *bm = b.fMat;
        tmp.fMat[kMScaleX] = muladdmul (am[kMScaleX], bm[kMScaleX], am[kMSkewX], bm[kMSkewY]);
        tmp.fMat[kMSkewX] = muladdmul (am[kMScaleX], bm[kMSkewX], am[kMSkewX], bm[kMScaleY]);
        tmp.fMat[kMTransX] = muladdmul (am[kMScaleX], bm[kMTransX], am[kMSkewX], bm[kMTransY]) + am[kMTransX];
        tmp.fMat[kMSkewY] = muladdmul (am[kMSkewY], bm[kMScaleX], am[kMScaleY], bm[kMSkewY]);
        tmp.fMat[kMScaleY] = muladdmul (am[kMSkewY], bm[kMSkewX], am[kMScaleY], bm[kMScaleY]);
        tmp.fMat[kMTransY] = muladdmul (am[kMSkewY], bm[kMTransX], am[kMScaleY], bm[kMTransY]) + am[kMTransY];
        tmp.fMat[kMPersp0] = 0;
        tmp.fMat[kMPersp1] = 0;
        tmp.fMat[kMPersp2] = 1;
        tmp.fTypeMask = kUnknownNoPerspective;
    }
    *this = tmp;
    return true;
}

bool SkMatrix::preConcat (const SkMatrix &m)
{
    if (!m.isIdentity ()) {
        setConcat (*this, m);
    }
    return true;
}

bool SkMatrix::postConcat (const SkMatrix &m)
{
    if (!m.isIdentity ()) {
        setConcat (m, *this);
    }
    return true;
}

bool SkMatrix::preTranslate (SkScalar dx, SkScalar dy)
{
    SkMatrix m;
    m.setTranslate (dx, dy);
    return preConcat (m);
}

bool SkMatrix::preScale (SkScalar sx, SkScalar sy)
{
    if (sx == 1 && sy == 1) {
        return true;
    }
    fMat[kMScaleX] *= sx;
    fMat[kMSkewY] *= sx;
    fMat[kMPersp0] *= sx;
    fMat[kMSkewX] *= sy;
    fMat[kMScaleY] *= sy;
    fMat[kMPersp1] *= sy;
    fTypeMask |= kScale_Mask;
    return true;
}

bool SkMatrix::preRotate (SkScalar degrees)
{
    SkMatrix m;
    m.setRotateOrigin (degrees);
    return preConcat (m);
}

bool SkMatrix::preSkew (SkScalar kx, SkScalar ky)
{
    SkMatrix m;
    m.setSkew (kx, ky);
    return preConcat (m);
}

bool SkMatrix::postTranslate (SkScalar dx, SkScalar dy)
{
    if (hasPerspective ()) {
        SkMatrix m;
        m.setTranslate (dx, dy);
        return postConcat (m);
    }
    if (dx != 0 || dy != 0) {
        fMat[kMTransX] += dx;
        fMat[kMTransY] += dy;
        fTypeMask = kUnknownNoPerspective;
    }
    return true;
}

bool SkMatrix::postScale (SkScalar sx, SkScalar sy)
{
    if (sx == 1 && sy == 1) {
        return true;
    }
    SkMatrix m;
    m.setScale (sx, sy);
    return postConcat (m);
}

bool SkMatrix::postRotate (SkScalar degrees)
{
    SkMatrix m;
    m.setRotateOrigin (degrees);
    return postConcat (m);
}

bool SkMatrix::postSkew (SkScalar kx, SkScalar ky)
{
    SkMatrix m;
    m.setSkew (kx, ky);
    return postConcat (m);
}

// -----------------------------------------------------------------------------------------

bool SkMatrix::invert (SkMatrix *out) const
{
    const SkScalar *m = fMat;
    bool persp = hasPerspective ();
    double det;
    if (persp) {
        det = (double)m[kMScaleX] * ((double)m[kMScaleY] * m[kMPersp2] - (double)m[kMTransY] * m[kMPersp1]) +
              (double)m[kMSkewX] * ((double)m[kMTransY] * m[kMPersp0] - (double)m[kMSkewY] * m[kMPersp2]) +
              (double)m[kMTransX] * ((double)m[kMSkewY] * m[kMPersp1] - (double)m[kMScaleY] * m[kMPersp0]);
    } else {
        det = (double)m[kMScaleX] * m[kMScaleY] - (double)m[kMSkewY] * m[kMSkewX];
    }
    if (!(fabs (det) >= kMinDeterminant)) {
        return false;
    }
    double s = 1.0 / det;
    if (s == 0) {
        return false;
    }
    if (out == nullptr) {
        return true;
    }
    SkMatrix tmp;
    if (persp) {
        // Each cofactor in single precision, scaled in double.
        SkScalar cof[9] = {
            m[kMScaleY] * m[kMPersp2] - m[kMTransY] * m[kMPersp1],
            m[kMTransX] * m[kMPersp1] - m[kMSkewX] * m[kMPersp2],
            m[kMSkewX] * m[kMTransY] - m[kMTransX] * m[kMScaleY],
            m[kMTransY] * m[kMPersp0] - m[kMSkewY] * m[kMPersp2],
            m[kMScaleX] * m[kMPersp2] - m[kMTransX] * m[kMPersp0],
            m[kMTransX] * m[kMSkewY] - m[kMScaleX] * m[kMTransY],
            m[kMSkewY] * m[kMPersp1] - m[kMScaleY] * m[kMPersp0],
            m[kMSkewX] * m[kMPersp0] - m[kMScaleX] * m[kMPersp1],
            m[kMScaleX] * m[kMScaleY] - m[kMSkewX] * m[kMSkewY],
        };
        for (int i = 0; i < 9; i++) {
            tmp.fMat[i] = (SkScalar)(cof[i] * s);
        }
        tmp.fTypeMask = kUnknown_Mask;
    } else {
        tmp.fMat[kMScaleX] = (SkScalar)(m[kMScaleY] * s);
        tmp.fMat[kMSkewX] = (SkScalar)(-m[kMSkewX] * s);
        tmp.fMat[kMTransX] = (SkScalar)(((double)m[kMTransY] * m[kMSkewX] - (double)m[kMTransX] * m[kMScaleY]) * s);
        tmp.fMat[kMSkewY] = (SkScalar)(-m[kMSkewY] * s);
        tmp.fMat[kMScaleY] = (SkScalar)(m[kMScaleX] * s);
        tmp.fMat[kMTransY] = (SkScalar)(((double)m[kMTransX] * m[kMSkewY] - (double)m[kMScaleX] * m[kMTransY]) * s);
        tmp.fMat[kMPersp0] = 0;
        tmp.fMat[kMPersp1] = 0;
        tmp.fMat[kMPersp2] = 1;
        tmp.fTypeMask = kUnknownNoPerspective;
    }
    *out = tmp;
    return true;
}
