/*
 * The spans of the four gradient kinds: each maps device pixels into unit space through the
 * device-to-index matrix and reads the colour cache. Positions along a run are computed in 64
 * bits, or in floats, so a long run never wraps around to the wrong end of the gradient. One
 * template per kind serves the 32-bit rows and the 5-6-5 rows, which differ only in their
 * cache and in where they take its dithered entries.
 */
#include <math.h>

#include "graphics/effects/SkGradientShaderPriv.h"

namespace {

const int kIndexCount = SkGradientBase::kCacheCount;

SkPoint map_point (SkMatrix::MapXYProc proc, const SkMatrix &m, SkScalar x, SkScalar y)
{
    SkPoint pt;
    proc (m, x, y, &pt);
    return pt;
}

// The 16.16 step per pixel along a row: the matrix's own for affine matrices, the row's for
// a perspective whose step is the same along the row.
void row_steps (const SkMatrix &m, int matrixClass, int y, SkFixed *dx, SkFixed *dy)
{
    if (matrixClass == SkShader::kFixedStepInX_MatrixClass && m.fixedStepInX ((SkScalar)y, dx, dy)) return;
    *dx = SkFloatToFixedPinned (m.getScaleX ());
    *dy = SkFloatToFixedPinned (m.getSkewY ());
}

template <typename T> void fill (T dst[], T c, int count)
{
    for (int i = 0; i < count; i++) dst[i] = c;
}

// floor (sqrt (32 i)), at most 255: the cache index of a squared distance from the clamped
// radial's halved coordinates.
struct SqrtTable {
    uint8_t fIndex[2048];
    constexpr SqrtTable () : fIndex {}
    {
        unsigned root = 0;
        for (unsigned i = 0; i < 2048; i++) {
            while ((root + 1) * (root + 1) <= 32 * i) root++;
            fIndex[i] = (uint8_t)(root > 255 ? 255 : root);
        }
    }
};
constinit const SqrtTable kSqrtTable {};

// A position far outside the gradient, pinned so that its square fits in 64 bits.
int64_t pin_far (int64_t v) { return v < -0x80000000LL ? -0x80000000LL : (v > 0x80000000LL ? 0x80000000LL : v); }

// floor (sqrt (v)) for v below 2^52.
uint64_t isqrt64 (uint64_t v)
{
    uint64_t r = (uint64_t)sqrt ((double)v);
    while (r * r > v) r--;
    while ((r + 1) * (r + 1) <= v) r++;
    return r;
}

} // namespace

namespace {

// Where the checkerboard of dithered entries starts on a row, and how it steps: the twin
// (kIndexCount on) on every other pixel, or never.
struct Checker {
    int toggle, step;
    Checker (int x, int y, bool on) : toggle (on ? ((x ^ y) & 1) * kIndexCount : 0), step (on ? kIndexCount : 0) {}
    int next ()
    {
        int at = toggle;
        toggle ^= step;
        return at;
    }
};

} // namespace

// --- linear --------------------------------------------------------------------------------

template <typename T>
void SkLinearGradient::shade (int x, int y, T dst[], int count, const T *cache, Dither dither)
{
    Checker checker (x, y, dither != kDitherNone);
    if (fDstToIndexClass == kPerspective_MatrixClass) {
        for (int i = 0; i < count; i++) {
            SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)(x + i) + 0.5f, (SkScalar)y + 0.5f);
            dst[i] = cache[checker.next () + (fTileProc (SkFloatToFixedPinned (pt.fX)) >> 8)];
        }
        return;
    }
    SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)x + 0.5f, (SkScalar)y + 0.5f);
    SkFixed fx = SkFloatToFixedPinned (pt.fX), dx, dy;
    row_steps (fDstToIndex, fDstToIndexClass, y, &dx, &dy);
    if (SkFixedAbs (dx) < 16) {                 // the colour does not change along the run
        int index = fTileProc (fx) >> 8;
        if (dither == kDitherRamp) return fill (dst, cache[index], count);
        for (int i = 0; i < count; i++) dst[i] = cache[checker.next () + index];
        return;
    }
    for (int i = 0; i < count; i++) {
        int64_t pos = (int64_t)fx + (int64_t)i * dx;
        int index;
        if (fTileMode == kClamp_TileMode) {
            index = (int)((pos < 0 ? 0 : (pos > 0xFFFF ? 0xFFFF : pos)) >> 8);
        } else {
            int fi = (int)((pos >> 8) & 0x1FF);
            index = fTileMode == kMirror_TileMode && (fi & 0x100) ? (fi & 0xFF) ^ 0xFF : fi & 0xFF;
        }
        dst[i] = cache[checker.next () + index];
    }
}

void SkLinearGradient::shadeSpan (int x, int y, SkPMColor dst[], int count)
{
    const SkPMColor *cache = getCache32 ();
    if (cache == nullptr) return SkShader::shadeSpan (x, y, dst, count);
    shade (x, y, dst, count, cache, kDitherRamp);
}

void SkLinearGradient::shadeSpan16 (int x, int y, uint16_t dst[], int count)
{
    const uint16_t *cache = getCache16 ();
    if (cache == nullptr) return fill (dst, (uint16_t)0, count);
    shade (x, y, dst, count, cache, kDitherAll);
}

// --- radial --------------------------------------------------------------------------------

// The table index of halved unit coordinates, each pinned to 16 bits.
static inline int radial_clamp_index (int64_t fx, int64_t fy)
{
    int64_t hx = fx >> 1, hy = fy >> 1;
    hx = hx < -32768 ? -32768 : (hx > 32767 ? 32767 : hx);
    hy = hy < -32768 ? -32768 : (hy > 32767 ? 32767 : hy);
    uint32_t i = (uint32_t)(hx * hx + hy * hy) >> 19;
    return kSqrtTable.fIndex[i > 2047 ? 2047 : i];
}

template <typename T>
void SkRadialGradient::shade (int x, int y, T dst[], int count, const T *cache, Dither dither)
{
    Checker checker (x, y, dither != kDitherNone);
    if (fDstToIndexClass == kPerspective_MatrixClass) {
        for (int i = 0; i < count; i++) {
            SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)(x + i) + 0.5f, (SkScalar)y + 0.5f);
            dst[i] = cache[checker.next () + (fTileProc (SkFloatToFixedPinned (sqrtf (pt.fX * pt.fX + pt.fY * pt.fY))) >> 8)];
        }
        return;
    }
    SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)x + 0.5f, (SkScalar)y + 0.5f);
    SkFixed fx = SkFloatToFixedPinned (pt.fX), fy = SkFloatToFixedPinned (pt.fY), dx, dy;
    row_steps (fDstToIndex, fDstToIndexClass, y, &dx, &dy);
    if (fTileMode == kClamp_TileMode) {
        for (int i = 0; i < count; i++) {
            dst[i] = cache[checker.next () + radial_clamp_index ((int64_t)fx + (int64_t)i * dx, (int64_t)fy + (int64_t)i * dy)];
        }
    } else if (fTileMode == kRepeat_TileMode) {
        for (int i = 0; i < count; i++) {
            int64_t px = pin_far ((int64_t)fx + (int64_t)i * dx), py = pin_far ((int64_t)fy + (int64_t)i * dy);
            // Squared distance in 16.16, saturated; its 16.16 root is sqrt (d2 × 2^16).
            uint64_t d2 = (uint64_t)((px * px) >> 16) + (uint64_t)((py * py) >> 16);
            if (d2 > 0x7FFFFFFF) d2 = 0x7FFFFFFF;
            dst[i] = cache[checker.next () + (int)((isqrt64 (d2 << 16) >> 8) & 0xFF)];
        }
    } else {
        SkScalar ux = pt.fX, uy = pt.fY, sx = SkFixedToFloat (dx), sy = SkFixedToFloat (dy);
        for (int i = 0; i < count; i++, ux += sx, uy += sy) {
            SkFixed dist = SkFloatToFixedPinned (sqrtf (ux * ux + uy * uy));
            int fi = (dist >> 8) & 0xFF;
            dst[i] = cache[checker.next () + ((dist & 0x10000) ? fi ^ 0xFF : fi)];
        }
    }
}

void SkRadialGradient::shadeSpan (int x, int y, SkPMColor dst[], int count)
{
    const SkPMColor *cache = getCache32 ();
    if (cache == nullptr) return SkShader::shadeSpan (x, y, dst, count);
    shade (x, y, dst, count, cache, kDitherNone);
}

void SkRadialGradient::shadeSpan16 (int x, int y, uint16_t dst[], int count)
{
    const uint16_t *cache = getCache16 ();
    if (cache == nullptr) return fill (dst, (uint16_t)0, count);
    shade (x, y, dst, count, cache, kDitherAll);
}

// --- sweep ---------------------------------------------------------------------------------

static inline int sweep_index (SkScalar ux, SkScalar uy)
{
    SkScalar angle = atan2f (uy, ux);
    if (angle < 0) angle += 6.2831855f;
    SkScalar index = angle * 40.584511f;        // 255 / 2 pi
    return index >= 0 && index < 255 ? (int)index : (index >= 255 ? 255 : 0);
}

template <typename T>
void SkSweepGradient::shade (int x, int y, T dst[], int count, const T *cache, Dither dither)
{
    Checker checker (x, y, dither != kDitherNone);
    if (fDstToIndexClass == kPerspective_MatrixClass) {
        for (int i = 0; i < count; i++) {
            SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)(x + i) + 0.5f, (SkScalar)y + 0.5f);
            dst[i] = cache[checker.next () + sweep_index (pt.fX, pt.fY)];
        }
        return;
    }
    SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)x + 0.5f, (SkScalar)y + 0.5f);
    SkFixed dx, dy;
    row_steps (fDstToIndex, fDstToIndexClass, y, &dx, &dy);
    SkScalar ux = pt.fX, uy = pt.fY, sx = SkFixedToFloat (dx), sy = SkFixedToFloat (dy);
    for (int i = 0; i < count; i++, ux += sx, uy += sy) dst[i] = cache[checker.next () + sweep_index (ux, uy)];
}

void SkSweepGradient::shadeSpan (int x, int y, SkPMColor dst[], int count)
{
    const SkPMColor *cache = getCache32 ();
    if (cache == nullptr) return SkShader::shadeSpan (x, y, dst, count);
    shade (x, y, dst, count, cache, kDitherNone);
}

void SkSweepGradient::shadeSpan16 (int x, int y, uint16_t dst[], int count)
{
    const uint16_t *cache = getCache16 ();
    if (cache == nullptr) return fill (dst, (uint16_t)0, count);
    shade (x, y, dst, count, cache, kDitherAll);
}

// --- two-point radial ----------------------------------------------------------------------

void SkTwoPointRadialGradient::shadeSpan (int x, int y, SkPMColor dst[], int count)
{
    const SkPMColor *cache = getCache32 ();
    if (cache == nullptr || fDiffRadius == 0) return SkShader::shadeSpan (x, y, dst, count);     // transparent
    SkScalar fourA = 4 * fA;
    bool posRoot = fDiffRadius < 0;
    bool persp = fDstToIndexClass == kPerspective_MatrixClass;
    SkPoint pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)x + 0.5f, (SkScalar)y + 0.5f);
    SkFixed dxFixed, dyFixed;
    row_steps (fDstToIndex, fDstToIndexClass, y, &dxFixed, &dyFixed);
    SkScalar dx = SkFixedToFloat (dxFixed), dy = SkFixedToFloat (dyFixed);
    SkScalar fx = pt.fX, fy = pt.fY;
    SkScalar b = 2 * (fDiff.fX * fx + fDiff.fY * fy - fStartRadius), db = 2 * (fDiff.fX * dx + fDiff.fY * dy);
    for (int i = 0; i < count; i++) {
        if (persp) {
            pt = map_point (fDstToIndexProc, fDstToIndex, (SkScalar)(x + i) + 0.5f, (SkScalar)y + 0.5f);
            fx = pt.fX;
            fy = pt.fY;
            b = 2 * (fDiff.fX * fx + fDiff.fY * fy - fStartRadius);
        }
        SkScalar c = fx * fx + fy * fy - fSr2d2;
        SkFixed t;
        if (fourA == 0) {
            t = b != 0 ? SkFloatToFixedPinned (-c / b) : (c > 0 ? SK_FixedMin : (c < 0 ? SK_FixedMax : 0));
        } else {
            SkScalar disc = b * b - fourA * c;
            SkScalar root = sqrtf (disc < 0 ? -disc : disc);
            t = SkFloatToFixedPinned ((posRoot ? root - b : -b - root) * fOneOverTwoA);
        }
        dst[i] = cache[fTileProc (t) >> 8];
        fx += dx;
        fy += dy;
        b += db;
    }
}
