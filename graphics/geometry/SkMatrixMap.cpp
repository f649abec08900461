/*
 * SkMatrix point, vector and rectangle mapping, and SkPerspIter. The point procedures are a
 * table indexed by the four type bits, so mapping runs without a test per point.
 */
#include "graphics/geometry/SkMatrix.h"

namespace {

typedef SkMatrix M;

void identity_pts (const M &, SkPoint dst[], const SkPoint src[], int count)
{
    if (dst != src && count > 0) {
        memmove (dst, src, (size_t)count * sizeof (SkPoint));
    }
}

void trans_pts (const M &m, SkPoint dst[], const SkPoint src[], int count)
{
    SkScalar tx = m[M::kMTransX], ty = m[M::kMTransY];
    for (int i = 0; i < count; i++) {
        dst[i].set (src[i].fX + tx, src[i].fY + ty);
    }
}

void scale_pts (const M &m, SkPoint dst[], const SkPoint src[], int count)
{
    SkScalar sx = m[M::kMScaleX], sy = m[M::kMScaleY];
    for (int i = 0; i < count; i++) {
        dst[i].set (src[i].fX * sx, src[i].fY * sy);
    }
}

void scale_trans_pts (const M &m, SkPoint dst[], const SkPoint src[], int count)
{
    SkScalar sx = m[M::kMScaleX], sy = m[M::kMScaleY];
    SkScalar tx = m[M::kMTransX], ty = m[M::kMTransY];
    for (int i = 0; i < count; i++) {
        dst[i].set (src[i].fX * sx + tx, src[i].fY * sy + ty);
    }
}

void rot_pts (const M &m, SkPoint dst[], const SkPoint src[], int count)
{
    SkScalar sx = m[M::kMScaleX], kx = m[M::kMSkewX];
    SkScalar ky = m[M::kMSkewY], sy = m[M::kMScaleY];
    for (int i = 0; i < count; i++) {
        SkScalar x = src[i].fX, y = src[i].fY;
        dst[i].set (sx * x + kx * y, ky * x + sy * y);
    }
}

void rot_trans_pts (const M &m, SkPoint dst[], const SkPoint src[], int count)
{
    SkScalar sx = m[M::kMScaleX], kx = m[M::kMSkewX], tx = m[M::kMTransX];
    SkScalar ky = m[M::kMSkewY], sy = m[M::kMScaleY], ty = m[M::kMTransY];
    for (int i = 0; i < count; i++) {
        SkScalar x = src[i].fX, y = src[i].fY;
        dst[i].set (sx * x + kx * y + tx, ky * x + sy * y + ty);
    }
}

// A point whose w is 0 maps to (0, 0).
inline void persp_point (const M &m, SkScalar x, SkScalar y, SkPoint *result)
{
    SkScalar px = m[M::kMScaleX] * x + m[M::kMSkewX] * y + m[M::kMTransX];
    SkScalar py = m[M::kMSkewY] * x + m[M::kMScaleY] * y + m[M::kMTransY];
    SkScalar z = m[M::kMPersp0] * x + m[M::kMPersp1] * y + m[M::kMPersp2];
    if (z != 0) {
        z = 1 / z;
    }
    result->set (px * z, py * z);
}

void persp_pts (const M &m, SkPoint dst[], const SkPoint src[], int count)
{
    for (int i = 0; i < count; i++) {
        persp_point (m, src[i].fX, src[i].fY, &dst[i]);
    }
}

const M::MapPtsProc kMapPtsProcs[16] = {
    identity_pts, trans_pts, scale_pts, scale_trans_pts,
    rot_pts, rot_trans_pts, rot_pts, rot_trans_pts,
    persp_pts, persp_pts, persp_pts, persp_pts,
    persp_pts, persp_pts, persp_pts, persp_pts,
};

void identity_xy (const M &, SkScalar x, SkScalar y, SkPoint *r) { r->set (x, y); }

void trans_xy (const M &m, SkScalar x, SkScalar y, SkPoint *r)
{
    r->set (x + m[M::kMTransX], y + m[M::kMTransY]);
}

void scale_xy (const M &m, SkScalar x, SkScalar y, SkPoint *r)
{
    r->set (x * m[M::kMScaleX], y * m[M::kMScaleY]);
}

void scale_trans_xy (const M &m, SkScalar x, SkScalar y, SkPoint *r)
{
    r->set (x * m[M::kMScaleX] + m[M::kMTransX], y * m[M::kMScaleY] + m[M::kMTransY]);
}

void affine_xy (const M &m, SkScalar x, SkScalar y, SkPoint *r)
{
    r->set (m[M::kMScaleX] * x + m[M::kMSkewX] * y + m[M::kMTransX],
            m[M::kMSkewY] * x + m[M::kMScaleY] * y + m[M::kMTransY]);
}

const M::MapXYProc kMapXYProcs[16] = {
    identity_xy, trans_xy, scale_xy, scale_trans_xy,
    affine_xy, affine_xy, affine_xy, affine_xy,
    M::Persp_xy, M::Persp_xy, M::Persp_xy, M::Persp_xy,
    M::Persp_xy, M::Persp_xy, M::Persp_xy, M::Persp_xy,
};

} // namespace

void SkMatrix::Persp_xy (const SkMatrix &m, SkScalar x, SkScalar y, SkPoint *result)
{
    persp_point (m, x, y, result);
}

SkMatrix::MapPtsProc SkMatrix::getMapPtsProc () const { return kMapPtsProcs[getType ()]; }

SkMatrix::MapXYProc SkMatrix::getMapXYProc () const { return kMapXYProcs[getType ()]; }

void SkMatrix::mapPoints (SkPoint dst[], const SkPoint src[], int count) const
{
    kMapPtsProcs[getType ()](*this, dst, src, count);
}

void SkMatrix::mapXY (SkScalar x, SkScalar y, SkPoint *result) const
{
    kMapXYProcs[getType ()](*this, x, y, result);
}

void SkMatrix::mapVectors (SkVector dst[], const SkVector src[], int count) const
{
    if (!hasPerspective ()) {
        SkMatrix tmp = *this;
        tmp.fMat[kMTransX] = 0;
        tmp.fMat[kMTransY] = 0;
        tmp.fTypeMask &= (uint8_t)~kTranslate_Mask;
        tmp.mapPoints (dst, src, count);
        return;
    }
    SkPoint origin;
    Persp_xy (*this, 0, 0, &origin);
    for (int i = count - 1; i >= 0; i--) {
        SkPoint mapped;
        Persp_xy (*this, src[i].fX, src[i].fY, &mapped);
        dst[i].set (mapped.fX - origin.fX, mapped.fY - origin.fY);
    }
}

bool SkMatrix::mapRect (SkRect *dst, const SkRect &src) const
{
    if (rectStaysRect ()) {
        SkPoint corners[2] = { { src.fLeft, src.fTop }, { src.fRight, src.fBottom } };
        mapPoints (corners, 2);
        dst->set (corners[0].fX, corners[0].fY, corners[1].fX, corners[1].fY);
        dst->sort ();
        return true;
    }
    SkPoint quad[4] = {
        { src.fLeft, src.fTop }, { src.fRight, src.fTop },
        { src.fRight, src.fBottom }, { src.fLeft, src.fBottom },
    };
    mapPoints (quad, 4);
    dst->set (quad, 4);
    return false;
}

// The steps here and the points of SkPerspIter are pinned to the 16.16 range: a matrix read
// from outside data may map a point to infinity.
bool SkMatrix::fixedStepInX (SkScalar y, SkFixed *stepX, SkFixed *stepY) const
{
    // Beyond 2^-26 the step changes along the row.
    const SkScalar kTolerance = 1.4901161e-08f;
    if (fabsf (fMat[kMPersp0]) >= kTolerance) {
        return false;
    }
    if (stepX == nullptr && stepY == nullptr) {
        return true;
    }
    SkScalar sx = fMat[kMScaleX];
    SkScalar sy = fMat[kMSkewY];
    if (!(fabsf (fMat[kMPersp1]) < kTolerance && fabsf (fMat[kMPersp2] - 1) < kTolerance)) {
        SkScalar z = y * fMat[kMPersp1] + fMat[kMPersp2];
        sx = sx / z;
        sy = sy / z;
    }
    if (stepX != nullptr) {
        *stepX = SkFloatToFixedPinned (sx);
    }
    if (stepY != nullptr) {
        *stepY = SkFloatToFixedPinned (sy);
    }
    return true;
}

// -----------------------------------------------------------------------------------------

SkPerspIter::SkPerspIter (const SkMatrix &m, SkScalar x, SkScalar y, int count)
    : fMatrix (&m), fSX (x), fSY (y), fCount (count)
{
    SkPoint pt;
    SkMatrix::Persp_xy (m, x, y, &pt);
    fX = SkFloatToFixedPinned (pt.fX);
    fY = SkFloatToFixedPinned (pt.fY);
    memset (fStorage, 0, sizeof (fStorage));
}

int SkPerspIter::next ()
{
    int n = fCount;
    if (n == 0) {
        return 0;
    }
    if (n > kCount) {
        n = kCount;
    }
    fSX += (SkScalar)n;
    SkPoint pt;
    SkMatrix::Persp_xy (*fMatrix, fSX, fSY, &pt);
    SkFixed x = SkFloatToFixedPinned (pt.fX);
    SkFixed y = SkFloatToFixedPinned (pt.fY);
    SkFixed dx, dy;
    if (n == kCount) {
        dx = (SkFixed)((int64_t)x - fX) >> 4;
        dy = (SkFixed)((int64_t)y - fY) >> 4;
    } else {
        dx = (SkFixed)(((int64_t)x - fX) / n);
        dy = (SkFixed)(((int64_t)y - fY) / n);
    }
    for (int i = 0; i < n; i++) {
        fStorage[i][0] = (SkFixed)((uint32_t)fX + (uint32_t)dx * (uint32_t)i);
        fStorage[i][1] = (SkFixed)((uint32_t)fY + (uint32_t)dy * (uint32_t)i);
    }
    fX = x;
    fY = y;
    fCount -= n;
    return n;
}
